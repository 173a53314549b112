// The shell's dispatch and status, in-process. The scan loop is not started
// here (no event processing), so every command is checked against the
// engine's tables directly; the loop itself is tested in loop_test.cpp and
// across processes in tests/system.
#include "shell_rig.h"

#include "link/messages.h"
#include "server/engine/vna01.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <vector>

using shelltest::ShellRig;

namespace {

// Every field of every row the commands can change.
std::vector<long long> Snapshot(const engine::VNA01& e) {
    std::vector<long long> v;
    for (int t = 0; t < engine::kTableCount; ++t)
        for (int r = 0; r < engine::kRowCount; ++r) {
            const engine::ScanRow& x = e.row(t, r);
            v.insert(v.end(), {x.rf, x.RfOn, x.lo, x.LoOn, x.RFPH, x.LOPH, x.adcspeed, x.VNATime,
                               x.ADCBits, x.Tag, x.Phase, x.End, x.Skip, x.B0, x.B1, x.B2, x.B3,
                               x.B4});
        }
    return v;
}

} // namespace

TEST(ShellStart, FillsTheStartTableAndShowsTheFields) {
    ShellRig rig("0");
    ASSERT_TRUE(rig.shell->Form_Load());
    const auto& s = rig.shell->status();
    EXPECT_EQ(s.Pl, "&H378");
    EXPECT_EQ(s.Label2, "0"); // the protocol text in TCP mode
    EXPECT_TRUE(s.Label12 == " Found " || s.Label12 == " not found ");
    EXPECT_FALSE(rig.shell->UseWindowMessages());
    EXPECT_FALSE(rig.shell->SendPaused());
    // SetUpScan(0, 99, 500000, 600000000, 2, 8, 24, 255 x5): entry 1 at
    // 500000, entry 100 at 600000000, speed 2, 8 ms.
    const engine::VNA01& e = rig.shell->engine();
    EXPECT_EQ(e.row(0, 2).rf, 500000);
    EXPECT_EQ(e.row(0, 200).rf, 600000000);
    EXPECT_EQ(e.row(0, 2).adcspeed, 2);
    EXPECT_EQ(e.row(0, 2).VNATime, 8);
    EXPECT_EQ(e.row(0, 2).B0, 255);
    EXPECT_FALSE(rig.shell->loopActive());
}

TEST(ShellDispatch, CarriesOutEachCommand) {
    ShellRig rig("0");
    ASSERT_TRUE(rig.shell->Form_Load());
    auto& sh = *rig.shell;
    const engine::VNA01& e = sh.engine();

    sh.Arrival("0001  1  10  1000000  2000000  1  5  24  4  0  0  0  0  #");
    EXPECT_EQ(sh.status().Label4, "Setupscan");
    EXPECT_EQ(sh.status().Label2, "0001  1  10  1000000  2000000  1  5  24  4  0  0  0  0  ");
    EXPECT_EQ(e.row(1, 2).rf, 1000000);
    EXPECT_EQ(e.row(1, 22).rf, 2000000);
    EXPECT_EQ(e.row(1, 2).adcspeed, 1);
    EXPECT_EQ(e.row(1, 2).VNATime, 5);
    EXPECT_EQ(e.row(1, 2).B0, 4);
    EXPECT_TRUE(e.row(1, 24).End); // the sweep ends after entry 11

    sh.Arrival("0002  1  3  7000000  3  9  24  0  8  1  2  3  4  #");
    EXPECT_EQ(sh.status().Label4, "SetupEntry");
    EXPECT_EQ(e.row(1, 6).rf, 7000000);
    EXPECT_EQ(e.row(1, 7).LOPH, 8);
    EXPECT_EQ(e.row(1, 6).B0, 8);
    EXPECT_EQ(e.row(1, 6).B4, 4);

    sh.Arrival("0003  1  12  B0  4 #");
    EXPECT_EQ(sh.status().Label4, "editentry");
    EXPECT_EQ(sh.status().Label9, "0003  1  12  B0  4 ");
    EXPECT_EQ(e.row(1, 12).B0, 4);
    sh.Arrival("0003  1  12  Colour  4 #");
    sh.RefreshStatus();
    EXPECT_EQ(sh.status().Label11, "Missed case");

    sh.Arrival("0004   1  3  #");
    EXPECT_EQ(sh.status().Label4, "MarkEnd");
    EXPECT_TRUE(e.row(1, 6).End);
    EXPECT_TRUE(e.row(1, 7).End);

    sh.Arrival("0007  #");
    EXPECT_TRUE(sh.SendPaused());
    sh.Arrival("0008  #");
    EXPECT_FALSE(sh.SendPaused());

    // Code 0: a first field that is no number; Command1 gets the text after
    // the fourth character. A leading blank makes field 0 empty: code 0 too.
    sh.Arrival("abcd hello #");
    EXPECT_EQ(sh.status().Command1, " hello ");
    sh.Arrival(" 0005  1 #");
    EXPECT_EQ(sh.status().Command1, "5  1 ");

    sh.Arrival("0100 SHORT #0100  thru #");
    EXPECT_EQ(sh.status().Label4, "Mount");
    EXPECT_EQ(rig.port->mounted, (QStringList{"SHORT", "thru"}));

    // Codes the server does not know change nothing.
    const auto before = Snapshot(e);
    sh.Arrival("1001  0  5  100000  8 -1234  5  2  24  8  255  255  255  255  255  #0042 1 #");
    EXPECT_EQ(Snapshot(e), before);
    EXPECT_EQ(sh.status().Label4, "Mount");
}

TEST(ShellDispatch, CommandsThatDoNotConvertLeaveTheEngineUntouched) {
    ShellRig rig("0");
    ASSERT_TRUE(rig.shell->Form_Load());
    auto& sh = *rig.shell;
    sh.Arrival("0003  0  12  B0  4 #");
    const auto before = Snapshot(sh.engine());
    const char* bad[] = {
        "0001  0  10  1000000  2000000  1  5  24  4  0  0  0  x #",        // not a number
        "0001  0  10  1000000  3000000000  1  5  24  4  0  0  0  0 #",     // beyond 32 bits
        "0001  0  40000  1000000  2000000  1  5  24  4  0  0  0  0 #",     // beyond 16 bits
        "0001  0  10  1000000  2000000  1  5  24  4  0  0  0 #",           // a field short
        "0002  0  70000  1000000  1  5  24  0  4  0  0  0  0 #",
        "0002  0  3  1e12  1  5  24  0  4  0  0  0  0 #",
        "0002  0  3  1000000  1  5  24  0  4  0  0  0  12x #",
        "0003  0  12  rf  40000 #",                                        // valu is 16-bit
        "0003  0  12  B0 #",
        "0003  0  12  B0  -40000 #",
        "0003  zero  12  B0  1 #",
        "0004  0 #",
        "0004  0  99999 #",
        "0005  x #",
        "0005  2 #",
        "0005 #",
    };
    for (const char* b : bad) {
        sh.Arrival(b);
        EXPECT_EQ(Snapshot(sh.engine()), before) << b;
        EXPECT_EQ(sh.status().Label4, "editentry") << b;
    }
    EXPECT_FALSE(sh.loopActive());
}

TEST(ShellDispatch, FramingAcrossPiecesAndLimits) {
    ShellRig rig("0");
    ASSERT_TRUE(rig.shell->Form_Load());
    auto& sh = *rig.shell;
    const engine::VNA01& e = sh.engine();

    // The first part of an end marker waits; MarkEnd runs once the rest comes.
    sh.Arrival("0004   0");
    EXPECT_NE(sh.status().Label4, "MarkEnd");
    sh.Arrival("  40 ");
    sh.Arrival(" #0003  0  2");
    EXPECT_EQ(sh.status().Label4, "MarkEnd");
    EXPECT_TRUE(e.row(0, 80).End);
    EXPECT_EQ(sh.status().Label10, "0003  0  2"); // what is left after the message
    sh.Arrival("  B1  7 #");
    EXPECT_EQ(e.row(0, 2).B1, 7);
    EXPECT_EQ(sh.status().Label10, "");

    // More than 101 fields: the extra ones are ignored, the command stands.
    QByteArray many = "0003  0  4  B2  9";
    for (int i = 0; i < 300; ++i)
        many += " 1";
    sh.Arrival(many + " #");
    EXPECT_EQ(e.row(0, 4).B2, 9);

    // Megabytes without "#" cannot grow the buffer; the next command works.
    const QByteArray junk(256 * 1024, 'z');
    for (int i = 0; i < 40; ++i)
        sh.Arrival(junk);
    EXPECT_LE(sh.status().Label10.size(), 1024);
    sh.Arrival("#0003  0  4  B3  5 #");
    EXPECT_EQ(e.row(0, 4).B3, 5);
}

TEST(ShellDispatch, CloseCommandEndsTheProgram) {
    ShellRig rig("0");
    ASSERT_TRUE(rig.shell->Form_Load());
    QSignalSpy ended(rig.shell.get(), &shell::ServerShell::Ended);
    // Commands after "99#" in the same piece are not carried out.
    rig.shell->Arrival("99#0003  0  4  B3  5 #");
    ASSERT_EQ(ended.count(), 1);
    EXPECT_EQ(ended.at(0).at(0).toInt(), 0);
    EXPECT_TRUE(rig.shell->ending());
    EXPECT_NE(rig.shell->engine().row(0, 4).B3, 5);
    rig.shell->Form_Unload(); // a second end changes nothing
    EXPECT_EQ(ended.count(), 1);
}

// Found by fuzz_server_arrival: an end command in the middle of a piece
// leaves the rest unread, however long, and nothing that arrives after it
// is taken in or carried out (the buffer's size limit is for a server that
// goes on reading).
TEST(ShellDispatch, AnEndCommandInMidPieceLeavesTheRestUnread) {
    ShellRig rig("0");
    ASSERT_TRUE(rig.shell->Form_Load());
    auto& sh = *rig.shell;
    QByteArray rest;
    for (int i = 0; i < 200; ++i)
        rest += "0003  0  4  B3  5 #";
    sh.Arrival("0003  0  4  B2  9 #99#" + rest);
    EXPECT_TRUE(sh.ending());
    EXPECT_EQ(sh.engine().row(0, 4).B2, 9);
    EXPECT_NE(sh.engine().row(0, 4).B3, 5);
    EXPECT_EQ(sh.status().Label10, QString::fromLatin1(rest)); // left unread, all of it
    sh.Arrival(rest + "0003  0  4  B4  5 #" + QByteArray(4096, 'z'));
    EXPECT_EQ(sh.status().Label10, QString::fromLatin1(rest));
    EXPECT_NE(sh.engine().row(0, 4).B4, 5);
}

TEST(ShellDispatch, ShowStateAsksForTheStatusWindow) {
    ShellRig rig("0");
    ASSERT_TRUE(rig.shell->Form_Load());
    QSignalSpy show(rig.shell.get(), &shell::ServerShell::ShowState);
    rig.shell->Arrival(QByteArray::fromStdString(msg::WithTerminator(msg::ShowState(true))));
    rig.shell->Arrival("0101,0#"); // a comma separates nothing: no field 1, ignored
    rig.shell->Arrival(QByteArray::fromStdString(msg::WithTerminator(msg::ShowState(false))));
    rig.shell->Arrival("0101  2 #0101 #0101  x #"); // not 0 or 1: ignored
    ASSERT_EQ(show.count(), 2);
    EXPECT_TRUE(show.at(0).at(0).toBool());
    EXPECT_FALSE(show.at(1).at(0).toBool());
    EXPECT_EQ(rig.shell->status().Label4, "ShowState");
    EXPECT_EQ(msg::ShowState(true), "0101  1 ");
    EXPECT_EQ(msg::Stateinfo(95), "1000  95 #");
}
