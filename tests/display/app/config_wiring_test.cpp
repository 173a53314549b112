// The configuration window in the running program: every edit reaches the
// session at once, Load puts the file into the window and the program, the
// user bytes reach every row of the sweep, ShowState sends its command, and
// Test VNA checks the simulated analyser through the real server.
#include "display/app/master_session.h"
#include "tests/qt_app.h"
#include "display/app/master_window.h"
#include "display/calib/calib_table.h"
#include "display/config/vna_control.h"
#include "tests/display/app/wait_until.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

struct Rig {
    std::unique_ptr<MeasureState> s = std::make_unique<MeasureState>();
    std::unique_ptr<CalibTable> cal = std::make_unique<CalibTable>();
    QTemporaryDir dir;
    std::unique_ptr<MasterSession> m;
    std::unique_ptr<Master> w;
    QList<QByteArray> sent;
    explicit Rig(bool server = false, const QString& fault = QString()) {
        App();
        qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
        m = std::make_unique<MasterSession>(*s, *cal);
        StartOptions o;
        o.workDir = dir.path();
        if (server) {
            o.serverPath = BRINDLEV1_PATH;
            o.serverWindow = false;
            o.serverOptions = QStringList{"--virtual-time"};
            if (!fault.isEmpty())
                o.serverOptions << "--sim-fault" << fault;
        }
        m->setOptions(o);
        w = std::make_unique<Master>(*m);
        w->setModalMessages(false);
        QObject::connect(m.get(), &MasterSession::CommandText,
                         [this](const QByteArray& t) { sent << t; });
    }
    ~Rig() { m->Shutdown(); }
    VnaControl* c() { return w->vnaControl(); }
    template <typename T>
    T* Find(const char* name) {
        T* x = c()->findChild<T*>(name);
        EXPECT_NE(x, nullptr) << name;
        return x;
    }
    int Count(const QByteArray& prefix) const {
        int n = 0;
        for (const auto& t : sent)
            n += t.startsWith(prefix) ? 1 : 0;
        return n;
    }
};

} // namespace

TEST(ConfigWiring, EditsTakeEffectAtOnceAndTheSpeedMenuFollowsTheType) {
    Rig r;
    QAction* speed = r.w->findChild<QAction*>("SpeedSelect");
    ASSERT_NE(speed, nullptr);
    // The Sorel type (the default) steps the speed ...
    speed->trigger();
    EXPECT_EQ(r.s->SpeedSelected, 1);
    // ... the standard type has only speed 0, as soon as it is ticked.
    r.Find<QRadioButton>("VNAType_0")->click();
    EXPECT_EQ(r.m->config().VNAType, 0);
    speed->trigger();
    EXPECT_EQ(r.s->SpeedSelected, 0);
    EXPECT_EQ(speed->text(), "Speed=0");

    QTest::keyClicks(r.Find<QLineEdit>("VisHelppage"), "x");
    EXPECT_EQ(r.s->Helppage, r.m->builtInHelp().toStdString() + "x");
    r.Find<QCheckBox>("SparmSw")->click();
    EXPECT_EQ(r.s->SwitchOption, " Switch ");
    r.Find<QRadioButton>("Portno_2")->click();
    QTest::keyClicks(r.Find<QLineEdit>("VnaTClock"), "1");
    EXPECT_TRUE(r.m->ServerArgument().startsWith("&H3BC,148.3441,"))
        << r.m->ServerArgument().toStdString();

    // User bytes: the session's bytes and the window's read-out follow; with
    // no sweep running nothing is edited (the next scan carries them).
    r.sent.clear();
    r.Find<QSpinBox>("ExtByte_2")->setValue(7);
    r.Find<QSpinBox>("ExtSorel")->setValue(3);
    EXPECT_EQ(r.s->ControlBytes, (std::array<int16_t, 5>{3, 1, 7, 1, 1}));
    EXPECT_EQ(r.Find<QLabel>("UserBytes")->text(), "B0..B4 = 3 1 7 1 1");
    EXPECT_EQ(r.Count("0003"), 0);
    // The measured S-parameter's switch bits show beside the Sorel bits.
    r.s->Smessure = 2;  // next: S22, bridge and port swap
    r.w->findChild<QPushButton*>("VnaMessure")->click();
    EXPECT_EQ(r.s->ControlBytes[0], 15);
    EXPECT_TRUE(r.Find<QCheckBox>("ExtSwibri")->isChecked());
    EXPECT_TRUE(r.Find<QCheckBox>("ExtSwipor")->isChecked());

    // ShowState asks the server to show or hide its status window.
    EXPECT_TRUE(r.Find<QCheckBox>("ShowState")->isEnabled());
    r.sent.clear();
    r.Find<QCheckBox>("ShowState")->click();
    r.Find<QCheckBox>("ShowState")->click();
    EXPECT_EQ(r.sent, (QList<QByteArray>{"0101  1 ", "0101  0 "}));
}

TEST(ConfigWiring, LoadPutsTheFileIntoTheWindowAndTheProgram) {
    Rig r;
    QFile f(r.dir.filePath("tavrel.Cfg"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Typ=VNA1\nSPAR=Y\nHELP=http://example.org/Help\nExtAtten=9\n"
            "SimDut=\"/home/me/My Filters/bpf.s2p\"\n");
    f.close();
    r.Find<QRadioButton>("VNAType_2")->click();  // an edit the file overrides
    r.Find<QPushButton>("LoadCfg")->click();
    EXPECT_TRUE(r.Find<QRadioButton>("VNAType_0")->isChecked());
    EXPECT_EQ(r.m->config().VNAType, 0);
    EXPECT_EQ(r.s->SwitchOption, " Switch ");
    EXPECT_EQ(r.s->Helppage, "http://example.org/Help");
    EXPECT_EQ(r.s->ControlBytes[2], 9);
    EXPECT_EQ(r.Find<QLabel>("UserBytes")->text(), "B0..B4 = 0 1 9 1 1");
    const QStringList args = r.m->ServerArguments();
    const int dut = args.indexOf("--dut");
    ASSERT_GE(dut, 0);
    EXPECT_EQ(args.value(dut + 1), "/home/me/My Filters/bpf.s2p");
}

TEST(ConfigWiring, UserBytesAndTestVnaThroughTheServer) {
    Rig r(true);
    VnaControl* c = r.c();
    auto* test = r.Find<QPushButton>("TestVNA");
    auto* result = r.Find<QLabel>("TestResult");
    EXPECT_FALSE(r.Find<QCheckBox>("ShowState")->isEnabled());  // the server has no window
    // No link yet: the check says so at once.
    test->click();
    EXPECT_TRUE(result->text().endsWith("Test VNA failed: the server is not connected"))
        << result->text().toStdString();

    ASSERT_TRUE(r.m->Startup()) << r.m->lastError().toStdString();
    r.w->AfterStartup();
    ASSERT_TRUE(WaitUntil([&] { return r.m->linkUp(); }, 20000));

    // A byte changed while the sweep runs is edited into every row, and the
    // rows measured after it carry it.
    r.sent.clear();
    QList<VnaDataRec> recs;
    QObject::connect(r.m.get(), &MasterSession::RecordIn,
                     [&](const VnaDataRec& x) { recs << x; });
    r.Find<QSpinBox>("ExtByte_3")->setValue(42);
    EXPECT_EQ(r.Count("0003"), 204);
    EXPECT_EQ(r.sent.value(0), "0003  0  0  B3  42");
    EXPECT_EQ(r.sent.value(203), "0003  0  203  B3  42");
    recs.clear();
    ASSERT_TRUE(WaitUntil([&] { return recs.size() > 250; }, 20000));
    EXPECT_EQ(recs.back().B[3], 42);

    // Test VNA restarts the sweep and passes on the simulated analyser.
    QSignalSpy done(r.m.get(), &MasterSession::VnaTestFinished);
    r.sent.clear();
    test->click();
    EXPECT_EQ(r.sent.value(0), "0005  0 ");
    ASSERT_TRUE(WaitUntil([&] { return done.count() == 1; }, 20000));
    EXPECT_TRUE(done.at(0).at(0).toBool()) << done.at(0).at(1).toString().toStdString();
    EXPECT_TRUE(result->text().contains("Reference reading (synthesizers off): "));
    EXPECT_TRUE(result->text().endsWith("Test VNA passed"));
    EXPECT_TRUE(test->isEnabled());

    // The server's notice that the converter does not answer fails the check
    // with the fault named.
    test->click();
    EXPECT_FALSE(test->isEnabled());  // running
    r.m->arrivalproc("1000  95 #");
    ASSERT_EQ(done.count(), 2);
    EXPECT_FALSE(done.at(1).at(0).toBool());
    EXPECT_TRUE(result->text().endsWith(
        "Test VNA failed: the analyser does not answer: is it switched on and connected?"))
        << result->text().toStdString();
    (void)c;
}

TEST(ConfigWiring, TestVnaNamesTheFaultOfAnAnalyserThatDoesNotAnswer) {
    for (const char* fault : {"dead", "unplugged", "stuck-busy"}) {
        Rig r(true, fault);
        ASSERT_TRUE(r.m->Startup()) << r.m->lastError().toStdString();
        r.w->AfterStartup();
        auto* status = r.w->findChild<QLabel*>("StatusText");
        ASSERT_NE(status, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return status->text() == MasterSession::kNoAnswerText; },
                              20000))
            << fault << ": " << status->text().toStdString();
        EXPECT_FALSE(r.m->linkUp());  // no row has come
        r.Find<QPushButton>("TestVNA")->click();
        const QString report = r.Find<QLabel>("TestResult")->text();
        EXPECT_TRUE(report.startsWith("Link to the server: up")) << report.toStdString();
        EXPECT_TRUE(report.endsWith("Test VNA failed: the analyser does not answer: is it "
                                    "switched on and connected?"))
            << fault << ": " << report.toStdString();
    }
}
