// The configuration window's wiring: every control tells its change at once,
// Load puts the file on the window, the external-control frames, Test VNA
// and ShowState. Controls are found by their object names.
#include "display/config/vna_control.h"
#include "tests/qt_app.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QApplication>

#include <gtest/gtest.h>

namespace {

const std::string kHelp = "file:///opt/vna/docs/manual.md";

struct Rig {
    bool ready = App();
    QTemporaryDir dir;
    VnaControl w{dir.path(), kHelp};
    QSignalSpy changed{&w, &VnaControl::ConfigChanged};

    template <typename T>
    T* get(const char* name) {
        T* c = w.findChild<T*>(name);
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    VnaConfig last() const { return changed.last().at(0).value<VnaConfig>(); }
};

QGroupBox* FrameOf(QWidget* w) {
    for (QWidget* p = w; p; p = p->parentWidget())
        if (auto* g = qobject_cast<QGroupBox*>(p))
            return g;
    return nullptr;
}

} // namespace

TEST(VnaControlWindow, EveryControlTellsItsChangeAtOnce) {
    qRegisterMetaType<VnaConfig>();
    Rig r;
    r.w.setConfig(VnaConfig::Defaults(kHelp));
    EXPECT_EQ(r.changed.count(), 0);  // showing settings tells nobody

    r.get<QRadioButton>("VNAType_2")->click();
    ASSERT_EQ(r.changed.count(), 1);
    EXPECT_EQ(r.last().VNAType, 2);
    r.get<QRadioButton>("Portno_1")->click();
    EXPECT_EQ(r.last().VNAPort, "&H378");
    r.get<QRadioButton>("TCPIPProt")->click();
    EXPECT_FALSE(r.last().DDEProt);
    QTest::keyClicks(r.get<QLineEdit>("VnaTClock"), "9");
    EXPECT_EQ(r.last().VNAClock, "148.3449");
    r.get<QLineEdit>("VisHelppage")->clear();
    QTest::keyClicks(r.get<QLineEdit>("VisHelppage"), "http://h");
    EXPECT_EQ(r.last().Helppage, "http://h");
    QTest::keyClicks(r.get<QLineEdit>("LT2440SRP_0"), "1");
    EXPECT_EQ(r.last().LT2440SRP[0], "81");
    QTest::keyClicks(r.get<QLineEdit>("TCPIPPORT"), "0");
    EXPECT_EQ(r.last().TCPIPPORT, "543210");
    r.get<QCheckBox>("TCPRemote")->click();
    EXPECT_TRUE(r.last().TCPRemote);
    r.get<QCheckBox>("SparmSw")->click();
    EXPECT_EQ(r.last().SwitchOption, " Switch ");
    r.get<QComboBox>("Driver")->setCurrentIndex(1);
    EXPECT_EQ(r.last().Driver, DriverKind::Ppdev);
    QTest::keyClicks(r.get<QLineEdit>("DriverDevice"), "/dev/my port");
    EXPECT_EQ(r.last().DriverDevice, "/dev/my port");
    r.get<QComboBox>("SimDut")->setCurrentText("att10");
    EXPECT_EQ(r.last().SimDut, "att10");
    r.get<QSpinBox>("ExtSorel")->setValue(2);
    EXPECT_EQ(r.last().ExtSorel, 2);
    r.get<QSpinBox>("ExtByte_4")->setValue(99);
    EXPECT_EQ(r.last().ExtBytes, (std::array<int, 4>{1, 1, 1, 99}));

    // Settings that only the next start can use say so in their frames.
    for (const char* name : {"TCPIPPORT", "Portno_0", "VnaTClock", "Driver"}) {
        QGroupBox* frame = FrameOf(r.get<QWidget>(name));
        ASSERT_NE(frame, nullptr) << name;
        bool noted = false;
        for (QLabel* l : frame->findChildren<QLabel*>("NextStartNote"))
            noted = noted || l->text() == "Takes effect at the next start.";
        EXPECT_TRUE(noted) << name;
    }
    EXPECT_EQ(FrameOf(r.get<QWidget>("VNAType_0"))->findChildren<QLabel*>("NextStartNote").size(),
              0);
}

TEST(VnaControlWindow, LoadPutsTheFileOnTheWindowAndPathsSurviveSave) {
    qRegisterMetaType<VnaConfig>();
    Rig r;
    QSignalSpy loaded(&r.w, &VnaControl::ConfigLoaded);
    r.get<QComboBox>("SimDut")->setCurrentText("/home/me/My Filters/bpf 10.7.s2p");
    r.get<QRadioButton>("VNAType_0")->click();
    r.get<QSpinBox>("ExtByte_2")->setValue(200);
    r.get<QPushButton>("SavCfg")->click();

    r.w.setConfig(VnaConfig::Defaults(kHelp));
    EXPECT_EQ(r.get<QComboBox>("SimDut")->currentText(), "");
    r.get<QPushButton>("LoadCfg")->click();
    ASSERT_EQ(loaded.count(), 1);
    const auto cfg = loaded.at(0).at(0).value<VnaConfig>();
    EXPECT_EQ(cfg.SimDut, "/home/me/My Filters/bpf 10.7.s2p");
    EXPECT_EQ(r.get<QComboBox>("SimDut")->currentText(), "/home/me/My Filters/bpf 10.7.s2p");
    EXPECT_TRUE(r.get<QRadioButton>("VNAType_0")->isChecked());
    EXPECT_EQ(r.get<QSpinBox>("ExtByte_2")->value(), 200);
    EXPECT_EQ(cfg.ExtBytes[1], 200);

    // A file edited outside: Load shows its values, not the window's.
    QFile f(r.dir.filePath("tavrel.Cfg"));
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("Typ=VNA1LT2440\nClk=150.5\n");
    f.close();
    r.get<QRadioButton>("VNAType_1")->click();
    r.get<QPushButton>("LoadCfg")->click();
    EXPECT_TRUE(r.get<QRadioButton>("VNAType_2")->isChecked());
    EXPECT_EQ(r.get<QLineEdit>("VnaTClock")->text(), "150.5");
    EXPECT_EQ(loaded.last().at(0).value<VnaConfig>().VNAType, 2);
}

TEST(VnaControlWindow, ExternalControlTestVnaAndShowState) {
    qRegisterMetaType<VnaConfig>();
    Rig r;
    auto* byte0 = r.get<QGroupBox>("ExtByte0");
    auto* byte13 = r.get<QGroupBox>("ExtByte13");
    EXPECT_EQ(byte0->title(), "External Control Byte 0");
    EXPECT_EQ(byte13->title(), "External Control Byte 1-3");
    QStringList labels;
    for (QLabel* l : r.w.findChildren<QLabel*>())
        labels << l->text();
    for (const char* t : {"Calibration Head", "Attenuator", "Control", "Reflection",
                          "Sorel Clock Bit 0-1"})
        EXPECT_TRUE(labels.contains(t)) << t;
    EXPECT_NE(byte0->findChild<QGroupBox*>(), nullptr);
    EXPECT_EQ(byte0->findChild<QGroupBox*>()->title(), "S-Parameter Switch Bit 2-3");
    r.w.ShowUserBytes({12, 1, 200, 1, 7});
    EXPECT_TRUE(r.get<QCheckBox>("ExtSwibri")->isChecked());
    EXPECT_TRUE(r.get<QCheckBox>("ExtSwipor")->isChecked());
    EXPECT_FALSE(r.get<QCheckBox>("ExtSwibri")->isEnabled());
    EXPECT_EQ(r.get<QLabel>("UserBytes")->text(), "B0..B4 = 12 1 200 1 7");
    r.w.ShowUserBytes({4, 1, 1, 1, 1});
    EXPECT_FALSE(r.get<QCheckBox>("ExtSwipor")->isChecked());

    QSignalSpy test(&r.w, &VnaControl::TestVnaRequested);
    auto* button = r.get<QPushButton>("TestVNA");
    EXPECT_TRUE(button->isEnabled());
    button->click();
    EXPECT_EQ(test.count(), 1);
    r.w.ShowTestResult("Link to the server: up\nTest VNA running...",
                       VnaControl::TestState::Running);
    EXPECT_FALSE(button->isEnabled());
    r.w.ShowTestResult("Test VNA failed: x", VnaControl::TestState::Failed);
    EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(r.get<QLabel>("TestResult")->text(), "Test VNA failed: x");

    QSignalSpy state(&r.w, &VnaControl::ShowStateChanged);
    auto* show = r.get<QCheckBox>("ShowState");
    EXPECT_TRUE(show->isEnabled());
    show->click();
    show->click();
    ASSERT_EQ(state.count(), 2);
    EXPECT_TRUE(state.at(0).at(0).toBool());
    EXPECT_FALSE(state.at(1).at(0).toBool());
}

TEST(VnaControlWindow, RemoteServerAndKeyFileSitBesideRemoteAndTheFileReadsBackExactly) {
    qRegisterMetaType<VnaConfig>();
    Rig r;
    auto* remote = r.get<QCheckBox>("TCPRemote");
    auto* remoteServer = r.get<QCheckBox>("RemoteServer");
    auto* key = r.get<QLineEdit>("KeyFile");
    EXPECT_EQ(remoteServer->text(), "Remote server");
    EXPECT_EQ(FrameOf(remoteServer), FrameOf(remote));
    EXPECT_EQ(FrameOf(key), FrameOf(remote));
    EXPECT_NE(r.w.findChild<QPushButton*>("KeyFileBrowse"), nullptr);

    remoteServer->click();
    ASSERT_EQ(r.changed.count(), 1);
    EXPECT_TRUE(r.last().RemoteServer);
    EXPECT_FALSE(r.last().TCPRemote);
    QTest::keyClicks(key, "/home/me/My Keys/lab.key");
    EXPECT_EQ(r.last().KeyFile, "/home/me/My Keys/lab.key");
    EXPECT_TRUE(r.last().RemoteServer);

    // Saved, shown again from defaults, loaded: the window and the file agree.
    r.get<QPushButton>("SavCfg")->click();
    QFile f(r.dir.filePath("tavrel.Cfg"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray saved = f.readAll();
    f.close();
    EXPECT_TRUE(saved.contains("\nRemoteServer=YES\nKeyFile=\"/home/me/My Keys/lab.key\"\n"))
        << saved.toStdString();
    r.w.setConfig(VnaConfig::Defaults(kHelp));
    EXPECT_FALSE(remoteServer->isChecked());
    EXPECT_EQ(key->text(), "");
    r.get<QPushButton>("LoadCfg")->click();
    EXPECT_TRUE(remoteServer->isChecked());
    EXPECT_EQ(key->text(), "/home/me/My Keys/lab.key");
    r.get<QPushButton>("SavCfg")->click();
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), saved);
}
