// Wiring of the status window: documented controls by objectName, texts
// copied from the shell, the fixture choice, closing ends the server.
#include "shell_rig.h"

#include "server/shell/frm_vna.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

using shelltest::ShellRig;

TEST(FrmVNA, HasEveryDocumentedControl) {
    ShellRig rig("0");
    ASSERT_TRUE(rig.shell->Form_Load());
    shell::frmVNA w(*rig.shell);
    EXPECT_EQ(w.windowTitle(), "Brindle.VNA01");
    for (const char* name : {"Pl", "Label2", "Label12", "Label5", "Label8", "Label1", "Label4",
                             "Label9", "Label10", "Label11", "Label3"})
        EXPECT_NE(w.findChild<QLabel*>(name), nullptr) << name;
    EXPECT_NE(w.findChild<QPushButton*>("Command1"), nullptr);
    for (const char* byte : {"Byt1", "Byt2", "byt3", "byt4", "Byt5"})
        for (int i = 0; i < 8; ++i)
            EXPECT_NE(w.findChild<QCheckBox*>(QStringLiteral("%1_%2").arg(byte).arg(i)), nullptr)
                << byte << i;
    EXPECT_EQ(w.findChildren<QCheckBox*>().size(), 40);
}

TEST(FrmVNA, ShowsTheShellsTextsAndMountsFixtures) {
    ShellRig rig("0");
    ASSERT_TRUE(rig.shell->Form_Load());
    shell::frmVNA w(*rig.shell);
    auto text = [&](const char* name) { return w.findChild<QLabel*>(name)->text(); };
    w.Refresh();
    EXPECT_EQ(text("Pl"), "&H378");
    EXPECT_TRUE(text("Label12") == " Found " || text("Label12") == " not found ");

    rig.shell->Arrival("0003  0  12  B0  4 #0003  0  12  Hue  1 #abcd  hi #0004");
    w.Refresh();
    EXPECT_EQ(text("Label4"), "editentry");
    EXPECT_EQ(text("Label9"), "0003  0  12  Hue  1 ");
    EXPECT_EQ(text("Label11"), "Missed case");
    EXPECT_EQ(text("Label2"), "abcd  hi ");
    EXPECT_EQ(text("Label10"), "0004");
    EXPECT_EQ(w.findChild<QPushButton*>("Command1")->text(), "  hi ");

    auto* fixture = w.findChild<QComboBox*>("Fixture");
    ASSERT_NE(fixture, nullptr);
    emit fixture->textActivated("SHORT");
    EXPECT_EQ(rig.port->mounted, QStringList{"SHORT"});
}

TEST(FrmVNA, ClosingTheWindowEndsTheServer) {
    ShellRig rig("0");
    ASSERT_TRUE(rig.shell->Form_Load());
    shell::frmVNA w(*rig.shell);
    QSignalSpy ended(rig.shell.get(), &shell::ServerShell::Ended);
    w.close();
    EXPECT_EQ(ended.count(), 1);
    EXPECT_TRUE(rig.shell->ending());
}

// The analyser does not answer: the loop waits for ever, yet the window
// shows the fault and closing it ends the server and its loop.
TEST(FrmVNA, ShowsTheFaultAndClosesWhileTheAnalyserDoesNotAnswer) {
    ShellRig rig("0", sim::Fault::kUnplugged);
    ASSERT_TRUE(rig.shell->Form_Load());
    shell::frmVNA w(*rig.shell);
    w.show();
    auto* fault = w.findChild<QLabel*>("Fault");
    ASSERT_NE(fault, nullptr);
    EXPECT_TRUE(fault->isHidden());
    QSignalSpy ended(rig.shell.get(), &shell::ServerShell::Ended);
    QString shown;
    bool loopWasRunning = false;
    QTimer look; // runs inside the loop's yields
    look.setInterval(20);
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (!fault->isVisible())
            return;
        shown = fault->text();
        loopWasRunning = rig.shell->loopActive();
        look.stop();
        w.close();
    });
    look.start();
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] { rig.shell->Form_Unload(); });
    watchdog.start(20000);
    ASSERT_TRUE(ended.wait(30000));
    EXPECT_TRUE(loopWasRunning);
    EXPECT_TRUE(shown.contains("the analyser does not answer: is it switched on and connected?"))
        << shown.toStdString();
    EXPECT_TRUE(shown.startsWith("Row 0: the converter has not become ready")) << shown.toStdString();
    EXPECT_TRUE(watchdog.isActive()); // ended by the close, not the watchdog
    watchdog.stop();
    QElapsedTimer t;
    t.start();
    while (rig.shell->loopActive() && t.elapsed() < 5000)
        QCoreApplication::processEvents();
    EXPECT_FALSE(rig.shell->loopActive());
}
