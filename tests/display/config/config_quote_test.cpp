// Values with blanks, quotes and backslashes survive Save and Load byte for
// byte; files written before quoting existed read as they always did; the
// external-control bytes are kept in the file.
#include "display/config/config_file.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const std::string kHelp = "file:///opt/vna/docs/manual.md";

VnaConfig Read(std::string_view text, const VnaConfig& current = VnaConfig::Defaults(kHelp)) {
    return ReadCfgText(text, current, kHelp);
}

std::string FileText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
}

} // namespace

TEST(CfgQuoting, PathsWithBlanksQuotesAndBackslashesSurviveSaveAndLoadExactly) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    VnaConfig c = VnaConfig::Defaults(kHelp);
    c.SimDut = "/home/me/My Filters/bpf \"10.7\" \\ C:\\x.s2p";
    c.Driver = DriverKind::Ppdev;
    c.DriverDevice = "/dev/by path/parport0 ";  // a trailing blank too
    c.VisHelppage = c.Helppage = "file:///home/me/VNA Manual/Help Page.html";
    c.VnaTClock = c.VNAClock = "148.3419 MHz";
    c.LT2440SRP[2] = "\tx";
    ASSERT_EQ(SaveCfg(dir.path(), c, kHelp), "");
    const std::string text = FileText(dir.filePath("tavrel.Cfg"));
    EXPECT_NE(text.find("\nSimDut=\"/home/me/My Filters/bpf \\\"10.7\\\" \\\\ C:\\\\x.s2p\"\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\nDriver=\"PPDEV:/dev/by path/parport0 \"\n"), std::string::npos);

    const CfgLoad r = initCFG(dir.path(), VnaConfig::Defaults(kHelp), kHelp);
    ASSERT_TRUE(r.error.empty() && !r.fileMissing);
    EXPECT_EQ(r.cfg.SimDut, c.SimDut);
    EXPECT_EQ(r.cfg.Driver, DriverKind::Ppdev);
    EXPECT_EQ(r.cfg.DriverDevice, c.DriverDevice);
    EXPECT_EQ(r.cfg.Helppage, c.VisHelppage);
    EXPECT_EQ(r.cfg.VnaTClock, "148.3419 MHZ");  // upper-cased like every clock text
    EXPECT_EQ(r.cfg.LT2440SRP[2], "\tX");
    // Saving what was read gives the same file again.
    ASSERT_EQ(SaveCfg(dir.path(), r.cfg, kHelp), "");
    EXPECT_EQ(FileText(dir.filePath("tavrel.Cfg")), CfgText(r.cfg, kHelp));
    EXPECT_EQ(CfgText(r.cfg, kHelp), CfgText(Read(CfgText(r.cfg, kHelp)), kHelp));

    // A line end inside a value cannot break the file into two lines.
    c.SimDut = "a\nPort=0x3BC\r b";
    const VnaConfig back = Read(CfgText(c, kHelp));
    EXPECT_EQ(back.SimDut, c.SimDut);
    EXPECT_EQ(back.Portno, 0);
}

TEST(CfgQuoting, PlainValuesAreWrittenAsBeforeAndOldFilesReadAsBefore) {
    EXPECT_EQ(CfgQuote("/dev/parport0"), "/dev/parport0");
    EXPECT_EQ(CfgQuote(""), "");
    EXPECT_EQ(CfgQuote("C:\\vna\\a.s2p"), "C:\\vna\\a.s2p");  // a backslash alone: no quotes
    EXPECT_EQ(CfgQuote("a b"), "\"a b\"");
    // Unquoted values still end at the first blank or tab; backslashes are
    // plain characters outside quotes.
    EXPECT_EQ(Read("SimDut=C:\\vna\\my file.s2p\n").SimDut, "C:\\vna\\my");
    EXPECT_EQ(Getpar("Clk=150.0\tMHz", "Clk=", "x"), "150.0");
    // A quote later in a value is kept as it always was.
    EXPECT_EQ(Getpar("HELP=http://x/a\"b c", "HELP=", "", true), "http://x/a\"b");
    // An unclosed quote runs to the end of the line.
    EXPECT_EQ(Getpar("SimDut=\"/tmp/a b", "SimDut=", "", true), "/tmp/a b");
}

TEST(CfgQuoting, AKeyInsideAQuotedValueIsNotAKey) {
    const VnaConfig c = Read("SimDut=\"/data/Port=0x3BC Clk=1 Typ=VNA1/x.s2p\"\n");
    EXPECT_EQ(c.SimDut, "/data/Port=0x3BC Clk=1 Typ=VNA1/x.s2p");
    EXPECT_EQ(c.Portno, 0);
    EXPECT_EQ(c.VnaTClock, "148.344");
    EXPECT_EQ(c.VNAType, 1);
    // A value holding a key is quoted, so that it reads back without
    // changing the setting the key belongs to.
    VnaConfig p = VnaConfig::Defaults(kHelp);
    p.Portno = 1;
    p.VNAPort = "&H378";
    p.SimDut = "/data/Port=0x3BC/x.s2p";
    EXPECT_EQ(CfgQuote(p.SimDut), "\"/data/Port=0x3BC/x.s2p\"");
    const VnaConfig back = Read(CfgText(p, kHelp));
    EXPECT_EQ(back.SimDut, p.SimDut);
    EXPECT_EQ(back.Portno, 1);
    // Outside the quotes keys are found anywhere, as before.
    EXPECT_EQ(Read("SimDut=\"a b\" Clk=150\n").VnaTClock, "150");
}

TEST(CfgExternalControl, BytesAreSavedReadAndRangeChecked) {
    VnaConfig c = VnaConfig::Defaults(kHelp);
    EXPECT_EQ(c.ExtSorel, 0);
    EXPECT_EQ(c.ExtBytes, (std::array<int, 4>{1, 1, 1, 1}));
    c.ExtSorel = 3;
    c.ExtBytes = {0, 255, 17, 128};
    const std::string text = CfgText(c, kHelp);
    for (const char* line : {"\nExtSorel=3\n", "\nExtCalHead=0\n", "\nExtAtten=255\n",
                             "\nExtControl=17\n", "\nExtReflect=128\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    const VnaConfig back = Read(text);
    EXPECT_EQ(back.ExtSorel, 3);
    EXPECT_EQ(back.ExtBytes, c.ExtBytes);

    // Values outside their range, not whole or not numbers keep what was there.
    VnaConfig current = VnaConfig::Defaults(kHelp);
    current.ExtSorel = 2;
    current.ExtBytes = {5, 6, 7, 8};
    const VnaConfig bad =
        Read("ExtSorel=4\nExtCalHead=256\nExtAtten=-1\nExtControl=x\nExtReflect=2.5\n", current);
    EXPECT_EQ(bad.ExtSorel, 2);
    EXPECT_EQ(bad.ExtBytes, current.ExtBytes);
    const VnaConfig hex = Read("extatten=&HFF\n", current);
    EXPECT_EQ(hex.ExtBytes[1], 255);
    // A file without the keys (every file written before) keeps the window's values.
    EXPECT_EQ(Read("Clk=150\n", current).ExtBytes, current.ExtBytes);
}
