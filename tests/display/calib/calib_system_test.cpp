// Calibrating the simulated analyser end to end: in the calibration window
// (the main window offscreen, the real brindlev1 in virtual time, buttons
// pressed by the test) and with tavrel13 --batch --make-cal, with the
// switch at two speeds; measurements made with the saved calibration in a
// new run match the simulated devices' exact S-parameters. With
// VNA_SHOT_DIR set (and a display) the window is photographed at a prompt
// and during a step.
#include "display/app/calibration.h"
#include "tests/batch_rig.h"
#include "tests/qt_app.h"
#include "display/app/calibration_windows.h"
#include "display/app/master_session.h"
#include "display/app/master_window.h"
#include "display/calib/calib_win.h"
#include "display/sfile/touchstone_reader.h"
#include "sim/devices.h"
#include "tests/display/calib/sim_compare.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMdiSubWindow>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Runs the event loop (at full speed, as the program's own loop does) until
// `done` holds or the time is up.
bool WaitUntil(const std::function<bool()>& done, int ms) {
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll, limit;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start(5);
    limit.setSingleShot(true);
    limit.start(ms);
    loop.exec();
    return done();
}

void Shot(const QString& name) {
    const QByteArray dir = qgetenv("VNA_SHOT_DIR");
    if (dir.isEmpty())
        return;
    QCoreApplication::processEvents();
    QProcess::execute("import", {"-window", "root", QDir(dir).filePath(name)});
}

struct Bench : BatchRig {
    Bench() {
        fixedArgs = {"--virtual-time"};
        timeoutMs = 300000;
        Ship({"tavrel.Cfg"});
        // Not the shipped control file: 60 frequencies of our own after the
        // reference entry, with their own settling time.
        QFile cc(dir.filePath("Bench.CC"));
        EXPECT_TRUE(cc.open(QIODevice::WriteOnly));
        cc.write("TBench calibration, 60 points\r\nW=10\r\n+400000\r\n");
        for (int n = 0; n < 60; ++n)
            cc.write("+" + QByteArray::number(LogCalQrg(n, 60)) + "\r\n");
    }
    /// Measures `device` with `calFile` at `speed` and compares S-parameter
    /// s (0 S11, 1 S21) with the exact values.
    void MeasureAndCompare(const QString& calFile, const char* device, int s, int speed) {
        const QString out = QString("%1_%2.s2p").arg(device).arg(speed);
        Run({"--cal", calFile, "--dut", device, "--measure", s == 0 ? "S11" : "S21", "--speed",
             QString::number(speed), "--start", "1M", "--end", "60M", "--points", "50", "--out",
             out});
        ASSERT_EQ(exitCode, 0) << errors.toStdString();
        auto table = std::make_unique<SdataTable>();
        SdataHeadRec head;
        const TouchstoneStatus st = ReadTouchstone(dir.filePath(out).toStdString(), *table, head);
        ASSERT_TRUE(st.ok) << st.message;
        ASSERT_EQ(head.Length, 51);
        std::string err;
        const auto dut = sim::MakeDevice(device, err);
        ASSERT_TRUE(dut) << err;
        WorstError w;
        for (int i = 0; i < head.Length; ++i) {
            const SdataPoint& p = (*table)[static_cast<size_t>(i)];
            const sim::SMatrix truth = dut->S(p.Qrg / 10.0);
            w.Add(p.S[static_cast<size_t>(s)].RI, s == 0 ? truth.s11 : truth.s21, p.Qrg);
        }
        w.Print(QString("%1 S%2 speed %3").arg(device).arg(s == 0 ? 11 : 21).arg(speed)
                    .toStdString());
        EXPECT_EQ(w.strongCount, 51);
        EXPECT_LT(w.strongDb, 0.05) << device << " speed " << speed;
        EXPECT_LT(w.strongDeg, 0.5) << device << " speed " << speed;
    }
};

} // namespace

TEST(CalibSystem, BatchCalibrationWithAnotherControlFileMeasuresTrue) {
    Bench b;
    b.Run({"--make-cal", "bench.cd", "--cc", "Bench.CC", "--cal-speeds", "0,2", "--dump"});
    ASSERT_EQ(b.exitCode, 0) << b.errors.toStdString();
    EXPECT_TRUE(b.errors.contains("61 calibration entries from Bench.CC, settling time 10, 17 "
                                  "steps"))
        << b.errors.toStdString();
    QFile dump(b.dir.filePath("Tavrel13 Dumpfile.txt"));
    ASSERT_TRUE(dump.open(QIODevice::ReadOnly));
    const QByteArray text = dump.readAll();
    EXPECT_TRUE(text.contains("Sort W. Switch SWAP Speed= 2")) << "the plan last used";
    EXPECT_TRUE(text.contains("\r\nCalibrationOn=False\r\n"));
    ASSERT_TRUE(QFile::exists(b.dir.filePath("bench.cd")));
    b.MeasureAndCompare("bench.cd", "att10", 1, 0);
    b.MeasureAndCompare("bench.cd", "cable", 0, 2);
}


TEST(CalibSystem, WindowCalibrationSavedAndUsedInANewRun) {
    App();
    Bench b;
    QFile::copy(VNA_SOURCE_DIR "/data/MastCalib.CC", b.dir.filePath("MastCalib.CC"));
    qputenv("XDG_RUNTIME_DIR", b.Env().value("XDG_RUNTIME_DIR").toLocal8Bit());
    auto state = std::make_unique<MeasureState>();
    auto cal = std::make_unique<CalibTable>();
    MasterSession session(*state, *cal);
    Calibration calibration(session);
    StartOptions o;
    o.workDir = b.dir.path();
    o.serverPath = BRINDLEV1_PATH;
    o.serverOptions = {"--virtual-time"};
    o.serverWindow = false;
    session.setOptions(o);
    Master master(session);
    master.setModalMessages(false);
    CalibrationWindows windows(master, session, calibration);
    master.resize(1000, 700);
    master.show();
    ASSERT_TRUE(session.Startup()) << session.lastError().toStdString();
    master.AfterStartup();
    windows.AfterStartup();
    ASSERT_TRUE(WaitUntil([&] { return session.linkUp(); }, 20000)) << "the link did not come up";

    // The dump of the state after start-up, written whole each time.
    auto* dump = master.findChild<QPushButton*>("DUMDUM");
    ASSERT_TRUE(dump && dump->isEnabled());
    const QString dumpFile = b.dir.filePath("Tavrel13 Dumpfile.txt");
    dump->click();
    QFile f(dumpFile);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray first = f.readAll();
    f.close();
    for (const char* line : {"\r\nVnaScanSize=100\r\n", "\r\nFilterTime=20\r\n",
                             "\r\nSmessure=1\r\n", "\r\nScaleInitDone=True\r\n",
                             "\r\n*** Sdata ****\r\n", "\r\nLast Used Calibration Plan\r\n"})
        EXPECT_TRUE(first.contains(line)) << line;
    EXPECT_EQ(first.count('\n'), first.count("\r\n"));
    dump->click();
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().count("Revision "), 1);
    f.close();

    CalibWin* w = windows.calibWin();
    auto* menu = master.findChild<QAction*>("MenuCal");
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isEnabled());
    EXPECT_TRUE(menu->isChecked());  // shown at start-up
    menu->trigger();
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(menu->isChecked());
    menu->trigger();
    ASSERT_TRUE(w->isVisible());
    EXPECT_TRUE(menu->isChecked());
    // Where the screenshots see it whole.
    QWidget* sub = w->parentWidget();
    QWidget* area = sub->parentWidget();
    sub->setGeometry(area->width() - 380, 0, 380, std::min(area->height(), 520));
    sub->raise();

    auto box = [&](const char* name) { return w->findChild<QCheckBox*>(name); };
    EXPECT_TRUE(box("AutoMount")->isChecked());  // the configuration's driver is SIM
    box("S_Swi_Cal")->setChecked(true);
    box("RefCal")->setChecked(true);
    for (int i = 0; i < 4; ++i)
        box(qPrintable(QString("Sped_%1").arg(i)))->setChecked(i == 0 || i == 2);
    auto* done = w->findChild<QPushButton*>("CalibDone");
    auto* message = w->findChild<QLabel*>("CalibMessage");
    auto* progress = w->findChild<QProgressBar*>("CalProgress");
    QElapsedTimer dbg;
    dbg.start();
    int rows = 0;
    if (qEnvironmentVariableIsSet("VNA_DEBUG_LINK")) {
        QObject::connect(&session, &MasterSession::CommandText, [&](const QByteArray& t) {
            if (!t.startsWith("0004"))
                std::printf("%7lld cmd %s (rows %d)\n", dbg.elapsed(), t.constData(), rows);
        });
        QObject::connect(&session, &MasterSession::RecordArriving,
                         [&](const VnaDataRec&) { ++rows; });
        QObject::connect(&session, &MasterSession::ScanEnded, [&] {
            std::printf("%7lld end of scan (rows %d)\n", dbg.elapsed(), rows);
        });
    }
    w->findChild<QPushButton*>("RedoGlobal")->click();

    QStringList prompts;
    bool shotStep = false;
    QElapsedTimer clock;
    clock.start();
    const QString ended = "Calibration ended - save or close window";
    while (message->text() != ended) {
        ASSERT_TRUE(WaitUntil([&] { return done->isVisible() || message->text() == ended ||
                                           (!shotStep && progress->value() > 8); },
                              60000))
            << "stuck at " << message->text().toStdString();
        if (!shotStep && progress->value() > 8 && !done->isVisible()) {
            Shot("calib_step.png");
            shotStep = true;
            continue;
        }
        if (done->isVisible()) {
            prompts << message->text();
            std::printf("prompt \"%s\" after %.1f s\n", qPrintable(message->text()),
                        clock.elapsed() / 1000.0);
            if (prompts.size() == 2)
                Shot("calib_prompt.png");
            WaitUntil([] { return false; }, 300);  // a user takes a moment
            done->click();
        }
    }
    std::printf("plan ended after %.1f s\n", clock.elapsed() / 1000.0);
    EXPECT_EQ(prompts, (QStringList{"Mount Thru Cable", "Leave Detector open",
                                    "Leave Ports Open", "Short Ports"}));
    EXPECT_TRUE(calibration.procedure().planEnded());
    EXPECT_EQ(state->SwitchOption, " Switch ");

    w->setFileChooser([&](const QString&, const QString&, bool save, const QString&) {
        EXPECT_TRUE(save);
        return b.dir.filePath("window.cd");
    });
    w->findChild<QPushButton*>("CalSav")->click();
    ASSERT_TRUE(QFile::exists(b.dir.filePath("window.cd")));
    EXPECT_EQ(w->findChild<QLabel*>("CalMastFile")->text(), "window.cd");
    session.Shutdown();

    // A new run measures with it.
    b.MeasureAndCompare("window.cd", "att10", 1, 0);
    b.MeasureAndCompare("window.cd", "cable", 0, 2);
}
