// Wiring of the main window, the configuration window and the diagnostic
// window: controls found by their names drive the logic behind them.
#include "display/app/frm_debug.h"
#include "tests/qt_app.h"
#include "display/app/master_session.h"
#include "display/app/master_window.h"
#include "display/calib/calib_table.h"
#include "display/config/vna_control.h"
#include "display/sfile/touchstone_reader.h"
#include "link/messages.h"
#include "display/graph/skala.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

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
    Rig() {
        App();
        m = std::make_unique<MasterSession>(*s, *cal);
        StartOptions o;
        o.workDir = dir.path();
        m->setOptions(o);
        w = std::make_unique<Master>(*m);
        w->setModalMessages(false);
        QObject::connect(m.get(), &MasterSession::CommandText,
                         [this](const QByteArray& t) { sent << t; });
        Skala& f = m->Scales(4);
        f.setLow(400000);
        f.setHigh(610000000);
        f.setMin(10000000);
        f.setMax(600000000);
        m->sweep().FillFields();
        w->show();
    }
    template <typename T>
    T* Find(const char* name) {
        T* x = w->findChild<T*>(name);
        EXPECT_NE(x, nullptr) << name;
        return x;
    }
};

} // namespace

TEST(MasterWindow, EveryDocumentedControlIsThere) {
    Rig r;
    for (const char* a : {"MenuConW", "MnuDisplay", "MenuCal", "MnuArr_0", "MnuArr_1",
                          "MnuArr_2", "NmuHelp", "SpeedSelect", "TimeSlct", "MnuMarker",
                          "MnuMrkQrg", "MnuMrkS11", "MnuMrkS22H"})
        r.Find<QAction>(a);
    for (const char* b : {"Command2", "DUMDUM", "DoSavSparm", "ScanCalib", "ScanCalRdy",
                          "VnaMessure", "ConfigDone", "TulBut_0", "TulBut_6", "QrgInfo",
                          "LCommand1", "LCommand3"})
        r.Find<QPushButton>(b);
    for (const char* e : {"QStart", "QEnd", "Qcent", "QSpan"})
        r.Find<QLineEdit>(e);
    // Windows that come later are announced, not pretended.
    EXPECT_TRUE(r.Find<QAction>("MnuDisplay")->isEnabled()) << "the display settings window is built";
    EXPECT_FALSE(r.Find<QAction>("MenuCal")->isEnabled());
    EXPECT_FALSE(r.Find<QPushButton>("ScanCalib")->isEnabled());
    EXPECT_TRUE(r.Find<QPushButton>("DoSavSparm")->isEnabled());
    EXPECT_FALSE(r.Find<QPushButton>("ConfigDone")->isVisible());
}

TEST(MasterWindow, TypingIntoTheFieldsMovesTheRange) {
    Rig r;
    r.m->Scales(4).setMin(5000000);
    r.m->sweep().FillFields();
    auto* start = r.Find<QLineEdit>("QStart");
    ASSERT_TRUE(start->isVisible());
    start->setText("1M");
    EXPECT_EQ(r.m->Scales(4).min(), 10000000);
    EXPECT_EQ(r.Find<QLineEdit>("Qcent")->text(), "30.5M");
    EXPECT_EQ(r.Find<QLineEdit>("QSpan")->text(), "59M");
    EXPECT_FALSE(r.Find<QLineEdit>("Qcent")->isVisible());
    r.Find<QRadioButton>("QScaMo_2")->click();
    EXPECT_FALSE(start->isVisible());
    EXPECT_TRUE(r.Find<QPushButton>("TulBut_3")->isVisible());
    EXPECT_TRUE(r.Find<QPushButton>("QrgInfo")->isVisible());
    r.Find<QRadioButton>("QScaMo_0")->click();
    EXPECT_EQ(r.Find<QPushButton>("LCommand1")->text(), "Center");
}

TEST(MasterWindow, MenusAndButtonsReachTheLogic) {
    Rig r;
    r.Find<QAction>("TimeSlct")->trigger();
    EXPECT_EQ(r.Find<QAction>("TimeSlct")->text(), "Time=1");
    EXPECT_EQ(r.sent.size(), 204);
    r.Find<QAction>("SpeedSelect")->trigger();  // alternative clocking type by default
    EXPECT_EQ(r.Find<QAction>("SpeedSelect")->text(), "Speed=1");

    r.sent.clear();
    r.Find<QPushButton>("VnaMessure")->click();  // no switch option: stop, red
    EXPECT_EQ(r.Find<QPushButton>("VnaMessure")->text(), "Configuration S12");
    EXPECT_EQ(r.sent, QList<QByteArray>({"0006 "}));
    auto* done = r.Find<QPushButton>("ConfigDone");
    EXPECT_TRUE(done->isVisible());
    done->click();
    EXPECT_FALSE(done->isVisible());
    EXPECT_EQ(r.sent.back(), "0005  0 ");

    FrmDebug* debug = r.w->frmDebug();
    QWidget* sub = debug->parentWidget();
    const bool shown = sub->isVisible();
    r.Find<QPushButton>("Command2")->click();
    EXPECT_NE(sub->isVisible(), shown);
    r.Find<QAction>("MenuConW")->trigger();  // hides the configuration window
    EXPECT_FALSE(r.w->vnaControl()->parentWidget()->isVisible());
}

TEST(DiagnosticWindow, ShowsValuesAndDrift) {
    Rig r;
    FrmDebug* d = r.w->frmDebug();
    d->showri(3, 4);
    EXPECT_EQ(d->findChild<QLabel*>("Label1")->text(), "3");
    EXPECT_EQ(d->findChild<QLabel*>("Label2")->text(), "4");
    EXPECT_EQ(d->findChild<QLabel*>("Label9")->text(), "5");
    d->ShowTempOffset(-2500);
    EXPECT_EQ(d->findChild<QLabel*>("TempOffset")->text(), "-2500");
    EXPECT_DOUBLE_EQ(d->findChild<QWidget*>("Meter1")->property("Value").toDouble(), 0.25);
    auto* corr = d->findChild<QCheckBox*>("TempCorr");
    corr->setChecked(false);
    EXPECT_FALSE(r.m->TempCorr());  // the data path asks the box
    corr->setChecked(true);
    EXPECT_TRUE(r.m->TempCorr());
}

TEST(ConfigurationWindow, SaveAndLoadGiveBackEverySetting) {
    Rig r;
    VnaControl* c = r.w->vnaControl();
    c->findChild<QRadioButton*>("TCPIPProt")->setChecked(true);
    c->findChild<QLineEdit*>("TCPIPPORT")->setText("60000");
    c->findChild<QRadioButton*>("Portno_2")->setChecked(true);
    c->findChild<QLineEdit*>("LT2440SRP_3")->setText("7");
    c->findChild<QCheckBox*>("SparmSw")->click();
    QString option;
    QObject::connect(c, &VnaControl::SwitchOptionChanged, [&](const QString& o) { option = o; });
    c->findChild<QCheckBox*>("SparmSw")->click();
    EXPECT_EQ(option, "");
    c->findChild<QCheckBox*>("SparmSw")->click();
    EXPECT_EQ(option, " Switch ");
    c->findChild<QPushButton*>("SavCfg")->click();
    ASSERT_TRUE(QFile::exists(r.dir.filePath("tavrel.Cfg")));

    c->setConfig(VnaConfig::Defaults(""));
    VnaConfig loaded;
    QObject::connect(c, &VnaControl::ConfigLoaded, [&](const VnaConfig& x) { loaded = x; });
    c->findChild<QPushButton*>("LoadCfg")->click();
    EXPECT_FALSE(loaded.DDEProt);
    EXPECT_EQ(loaded.TCPIPPORT, "60000");
    EXPECT_EQ(loaded.Portno, 2);
    EXPECT_EQ(loaded.VNAPort, "&H3BC");
    EXPECT_EQ(loaded.LT2440SRP[3], "7");
    EXPECT_TRUE(loaded.SparmSw);
    EXPECT_EQ(c->findChild<QLineEdit*>("TCPIPPORT")->text(), "60000");
    EXPECT_EQ(r.m->config().TCPIPPORT, "60000");  // the main window took it over
}

TEST(MasterWindow, TheConfigurationMenuTickFollowsTheWindowHoweverItCloses) {
    Rig r;
    auto* menu = r.Find<QAction>("MenuConW");
    auto* sub = qobject_cast<QMdiSubWindow*>(r.w->vnaControl()->parentWidget());
    ASSERT_NE(sub, nullptr);
    ASSERT_TRUE(sub->isVisible());
    EXPECT_TRUE(menu->isChecked());
    sub->close();  // its title-bar button
    EXPECT_FALSE(sub->isVisible());
    EXPECT_FALSE(menu->isChecked());
    menu->trigger();  // one choice brings it back
    EXPECT_TRUE(sub->isVisible());
    EXPECT_TRUE(menu->isChecked());
    menu->trigger();
    EXPECT_FALSE(sub->isVisible());
    EXPECT_FALSE(menu->isChecked());
}

TEST(MasterWindow, SaveS2PProposesTheTitleInTheWorkingDirectoryAndAddsTheSuffix) {
    Rig r;
    // One measured point in the live list.
    r.m->arrivalproc(QByteArray::fromStdString(
        msg::DataReady(0, 2, 10000000, 0, 1000, 2, 0, 24, 20, 0, 0, 0, 0, 0) +
        msg::DataReady(0, 3, 10000000, 8, 2000, 3, 0, 24, 20, 0, 0, 0, 0, 0)));
    QString shownDir, shownName;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shownDir = dialog->directory().absolutePath();
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        shownName = name->text();
        name->setText(r.dir.filePath("result"));  // typed without a suffix
        static_cast<QDialog*>(dialog)->accept();  // as its Save button does
    });
    r.sent.clear();
    r.Find<QPushButton>("DoSavSparm")->click();
    EXPECT_EQ(shownDir.toStdString(), QDir(r.dir.path()).absolutePath().toStdString());
    EXPECT_EQ(shownName.toStdString(), "Measurement");
    EXPECT_FALSE(QFile::exists(r.dir.filePath("result")));
    ASSERT_TRUE(QFile::exists(r.dir.filePath("result.S2P")));
    // The link paused around the dialog, and the program reads the file back.
    EXPECT_EQ(r.sent, QList<QByteArray>({"0007 ", "0008 "}));
    SdataHeadRec head;
    auto table = std::make_unique<SdataTable>();
    const TouchstoneStatus st =
        ReadTouchstone(r.dir.filePath("result.S2P").toStdString(), *table, head);
    EXPECT_TRUE(st.ok) << st.message;
    EXPECT_EQ(head.Length, 1);
}
