// Wiring of the status window: documented controls by objectName, texts
// copied from the shell, the fixture choice, closing ends the server.
#include "shell_rig.h"

#include "server/shell/frm_vna.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>

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
