#include "display/config/config_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace {

const std::string kHelp = "file:///opt/vna/docs/manual.md";

VnaConfig Read(std::string_view text, const VnaConfig& current = VnaConfig::Defaults(kHelp)) {
    return ReadCfgText(text, current, kHelp);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        out.push_back(l);
    return out;
}

} // namespace

TEST(Getpar, FindsTheKeyIgnoringCaseAndCutsAtTabOrBlank) {
    EXPECT_EQ(Getpar("clk=150.0 MHz", "Clk=", "148.344"), "150.0");
    EXPECT_EQ(Getpar("Clk=150.0\tMHz x", "Clk=", "x"), "150.0");
    EXPECT_EQ(Getpar("Port=0x3bc", "Port=0x", "278"), "3BC");
    EXPECT_EQ(Getpar("Typ=VNA1       Kestin Version 1 Standard", "Typ=", "?"), "VNA1");
    EXPECT_EQ(Getpar("nothing here", "Clk=", "keep"), "keep");
    EXPECT_EQ(Getpar("Clk=", "Clk=", "keep"), "");           // present but empty
    EXPECT_EQ(Getpar("my Clk=1 Clk=2", "CLK=", "keep"), "1");  // first occurrence, anywhere
    EXPECT_EQ(Getpar("HELP=file:///Home/Manual.md junk", "HELP=", "", true),
              "file:///Home/Manual.md");
    EXPECT_EQ(Getpar("help=file:///Home/Manual.md", "HELP=", ""), "FILE:///HOME/MANUAL.MD");
    EXPECT_EQ(Getpar("anything", "", "keep"), "keep");
}

TEST(ReadCfg, FileRulesCommentsCaseAndLastLineWins) {
    const VnaConfig c = Read(
        "clk=150.0 MHz\n"
        " Port=0x378\n"          // a blank first: a comment
        "*Port=0x3BC\n"          // a comment
        "Protocol=tcpip\n"       // not DDE: TCP
        "HELP=file:///Users/Me/Manual.html\n"
        "TCPIPPort=1111\n"
        "TCPIPPort=2222\r\n"     // the last line wins; CR of CRLF files is not part of the value
        "tcpremote=yes\n"
        "spar=y\r"             // a lone CR ends a line too
        "ADCSP1=7\r\r\n");
    EXPECT_EQ(c.VnaTClock, "150.0");
    EXPECT_EQ(c.VNAClock, "150.0");
    EXPECT_EQ(c.Portno, 0);
    EXPECT_EQ(c.VNAPort, "&H278");
    EXPECT_FALSE(c.DDEProt);
    EXPECT_EQ(c.Helppage, "file:///Users/Me/Manual.html");  // the address keeps its case
    EXPECT_EQ(c.VisHelppage, c.Helppage);
    EXPECT_EQ(c.TCPIPPORT, "2222");
    EXPECT_TRUE(c.TCPRemote);
    EXPECT_TRUE(c.SparmSw);
    EXPECT_EQ(c.SwitchOption, " Switch ");
    EXPECT_EQ(c.VNAType, 1);  // absent: VNA1SOREL
    EXPECT_EQ(c.LT2440SRP[1], "7");
}

TEST(ReadCfg, DefaultsComeFromTheFixedValuesAndTheCurrentTexts) {
    VnaConfig current = VnaConfig::Defaults(kHelp);
    current.VnaTClock = "140.0";
    current.TCPIPPORT = "4000";
    current.LT2440SRP = {"a", "b", "c", "d"};
    current.Portno = 2;
    current.VNAPort = "&H3BC";
    current.DDEProt = false;
    current.TCPRemote = true;
    current.SparmSw = true;
    current.SwitchOption = " Switch ";
    current.Helppage = "elsewhere";
    current.Driver = DriverKind::Direct;
    current.SimDut = "att10";
    const VnaConfig c = Read("", current);
    EXPECT_EQ(c.VnaTClock, "140.0");
    EXPECT_EQ(c.TCPIPPORT, "4000");
    EXPECT_EQ(c.LT2440SRP[3], "d");
    EXPECT_EQ(c.SimDut, "att10");
    // The keyed settings fall back to their fixed defaults.
    EXPECT_EQ(c.Portno, 0);
    EXPECT_EQ(c.VNAPort, "&H278");
    EXPECT_TRUE(c.DDEProt);
    EXPECT_FALSE(c.TCPRemote);
    EXPECT_FALSE(c.SparmSw);
    EXPECT_EQ(c.SwitchOption, "");
    EXPECT_EQ(c.Helppage, kHelp);
    EXPECT_EQ(c.Driver, DriverKind::Sim);
}

TEST(ReadCfg, UnrecognisedValuesLeaveTheirSettingsAsTheyWere) {
    VnaConfig current = VnaConfig::Defaults(kHelp);
    current.Portno = 1;
    current.VNAPort = "&H378";
    current.VNAType = 2;
    current.Driver = DriverKind::Ppdev;
    current.DriverDevice = "/dev/parport1";
    const VnaConfig c = Read("Port=0x999\nTyp=VNA2\nDriver=USB\n", current);
    EXPECT_EQ(c.Portno, 1);
    EXPECT_EQ(c.VNAPort, "&H378");
    EXPECT_EQ(c.VNAType, 2);
    EXPECT_EQ(c.Driver, DriverKind::Ppdev);
    EXPECT_EQ(c.DriverDevice, "/dev/parport1");

    const VnaConfig d = Read("Port=0x3bc\ntyp=vna1\n", current);
    EXPECT_EQ(d.Portno, 2);
    EXPECT_EQ(d.VNAPort, "&H3BC");
    EXPECT_EQ(d.VNAType, 0);
    EXPECT_EQ(d.Driver, DriverKind::Sim);  // absent: the default
}

TEST(ReadCfg, DriverAndSimulatedDeviceKeepTheCaseOfPaths) {
    VnaConfig c = Read("driver=ppdev:/dev/Parport0\nSimDut=/home/Me/Filters/BPF.s2p\n");
    EXPECT_EQ(c.Driver, DriverKind::Ppdev);
    EXPECT_EQ(c.DriverDevice, "/dev/Parport0");
    EXPECT_EQ(c.SimDut, "/home/Me/Filters/BPF.s2p");
    EXPECT_EQ(DriverOption(c), "ppdev:/dev/Parport0");
    c = Read("Driver=PPDEV\n");
    EXPECT_EQ(c.Driver, DriverKind::Ppdev);
    EXPECT_EQ(c.DriverDevice, "");
    EXPECT_EQ(DriverOption(c), "ppdev");
    c = Read("Driver=Direct\n");
    EXPECT_EQ(c.Driver, DriverKind::Direct);
    EXPECT_EQ(DriverOption(c), "direct");
    c = Read("Driver=sim\n");
    EXPECT_EQ(DriverOption(c), "sim");
}

TEST(InitCfg, MissingUnreadableAndOldStyleFiles) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    VnaConfig current = VnaConfig::Defaults(kHelp);
    current.VnaTClock = "149.0";
    CfgLoad r = initCFG(dir.path(), current, kHelp);
    EXPECT_TRUE(r.fileMissing);
    EXPECT_TRUE(r.error.empty());
    EXPECT_EQ(r.cfg.VnaTClock, "149.0");
    EXPECT_EQ(std::string(kCfgMissingText), "Cant find tavrel.Cfg ");
    EXPECT_FALSE(QFile::exists(dir.filePath("tavrel.Cfg")));  // nothing written

    ASSERT_TRUE(QDir(dir.path()).mkdir("tavrel.Cfg"));  // exists, cannot be read as a file
    r = initCFG(dir.path(), current, kHelp);
    EXPECT_FALSE(r.fileMissing);
    EXPECT_NE(r.error.find("tavrel.Cfg"), std::string::npos) << r.error;
    EXPECT_EQ(r.cfg.VnaTClock, "149.0");

    // A file as the program wrote it before: CRLF lines, the TCP port as a
    // comment and the speeds with a blank before "=". It reads as it always
    // did: those five settings stay at their window defaults.
    r = initCFG(QStringLiteral(VNA_TEST_DATA_DIR "/old_style"), VnaConfig::Defaults(kHelp), kHelp);
    ASSERT_FALSE(r.fileMissing);
    EXPECT_TRUE(r.error.empty());
    EXPECT_EQ(r.cfg.Portno, 1);
    EXPECT_EQ(r.cfg.VNAPort, "&H378");
    EXPECT_EQ(r.cfg.VNAClock, "148.344");
    EXPECT_FALSE(r.cfg.DDEProt);
    EXPECT_EQ(r.cfg.TCPIPPORT, "54321");
    EXPECT_TRUE(r.cfg.TCPRemote);
    EXPECT_EQ(r.cfg.VNAType, 2);
    EXPECT_EQ(r.cfg.LT2440SRP, (std::array<std::string, 4>{"8", "10", "2", "0"}));
    EXPECT_TRUE(r.cfg.SparmSw);
    EXPECT_EQ(r.cfg.Helppage, "http://www.example.org/Tavrel/Help.htm");
    EXPECT_EQ(r.cfg.Driver, DriverKind::Sim);
}

TEST(SaveCfg, WritesTheTemplateLineByLine) {
    VnaConfig c = VnaConfig::Defaults(kHelp);
    c.VisHelppage.clear();  // an empty help box writes the built-in address
    const auto lines = Lines(CfgText(c, kHelp));
    const std::vector<std::string> expected{
        "* **************************************",
        "* Configuration for TAVREL Server Task",
        "* Setup Port",
        "Port=0x278",
        "*",
        "* Setup Master clock",
        "Clk=148.344",
        "* **************************************",
        "*Typ=VNA1       Kestin Version 1 Standard",
        "*Typ=VNA1SOREL      Kestin Version 1 With Sorel ADC Clocking",
        "*Typ=VNA1LT2440     Kestin Version 1 With LT2440 ADC",
        "*****************************************",
        "Protocol=DDE",
        "*Protocol=TCPIP",
        "TCPIPPort=54321",
        "*TCPRemote=YES",
        "Typ=VNA1SOREL      Kestin Version 1 With Sorel ADC Clocking",
        "**",
        "** ***********************************************",
        "** LT2440 Speed control",
        "ADCSP0=8",
        "ADCSP1=10",
        "ADCSP2=2",
        "ADCSP3=0",
        "** *************************************************",
        "** External Control (x94 circuit)",
        "** EXT",
        "*EXT",
        "** ***************************************************",
        "** Select option installed",
        "*SPAR=N",
        "*CHD",
        "*SOREL",
        "HELP=" + kHelp,
    };
    ASSERT_GE(lines.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(lines[i], expected[i]) << "line " << i + 1;
    // The additions follow, documented by comment lines.
    std::vector<std::string> active;
    for (size_t i = expected.size(); i < lines.size(); ++i) {
        if (lines[i].empty() || lines[i][0] != '*')
            active.push_back(lines[i]);
    }
    EXPECT_EQ(active, (std::vector<std::string>{"Driver=SIM", "RemoteServer=NO", "KeyFile=",
                                                "SimDut=", "ExtSorel=0",
                                                "ExtCalHead=1", "ExtAtten=1", "ExtControl=1",
                                                "ExtReflect=1"}));

    // Other choices: no port option, TCP, remote, no type option, switch.
    c.Portno = -1;
    c.DDEProt = false;
    c.TCPRemote = true;
    c.VNAType = -1;
    c.SparmSw = true;
    c.SwitchOption = " Switch ";
    c.VisHelppage = "http://x/Y";
    const auto other = Lines(CfgText(c, kHelp));
    EXPECT_EQ(other[3], "*");
    EXPECT_EQ(other[11], "*Protocol=DDE");
    EXPECT_EQ(other[12], "Protocol=TCPIP");
    EXPECT_EQ(other[14], "TCPRemote=YES");
    EXPECT_EQ(other[15], "**");
    EXPECT_EQ(other[28], "SPAR=Y");
    EXPECT_EQ(other[31], "HELP=http://x/Y");
}

TEST(SaveCfg, EverySettingReadsBack) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    VnaConfig c = VnaConfig::Defaults(kHelp);
    c.Portno = 2;
    c.VNAPort = "&H3BC";
    c.VnaTClock = c.VNAClock = "150.125";
    c.VNAType = 2;
    c.LT2440SRP = {"11", "22", "33", "44"};
    c.DDEProt = false;
    c.TCPIPPORT = "60000";
    c.TCPRemote = true;
    c.VisHelppage = c.Helppage = "file:///home/Me/Docs/manual.md";
    c.SparmSw = true;
    c.SwitchOption = " Switch ";
    c.Driver = DriverKind::Ppdev;
    c.DriverDevice = "/dev/parport1";
    c.SimDut = "/tmp/My Dut.s2p";  // quoted in the file: reads back whole
    ASSERT_EQ(SaveCfg(dir.path(), c, kHelp), "");

    // Read back over a window in its default state.
    const CfgLoad r = initCFG(dir.path(), VnaConfig::Defaults(kHelp), kHelp);
    ASSERT_FALSE(r.fileMissing);
    EXPECT_EQ(r.cfg.Portno, 2);
    EXPECT_EQ(r.cfg.VNAPort, "&H3BC");
    EXPECT_EQ(r.cfg.VnaTClock, "150.125");
    EXPECT_EQ(r.cfg.VNAClock, "150.125");
    EXPECT_EQ(r.cfg.VNAType, 2);
    EXPECT_EQ(r.cfg.LT2440SRP, c.LT2440SRP);
    EXPECT_FALSE(r.cfg.DDEProt);
    EXPECT_EQ(r.cfg.TCPIPPORT, "60000");
    EXPECT_TRUE(r.cfg.TCPRemote);
    EXPECT_EQ(r.cfg.Helppage, "file:///home/Me/Docs/manual.md");
    EXPECT_TRUE(r.cfg.SparmSw);
    EXPECT_EQ(r.cfg.SwitchOption, " Switch ");
    EXPECT_EQ(r.cfg.Driver, DriverKind::Ppdev);
    EXPECT_EQ(r.cfg.DriverDevice, "/dev/parport1");
    EXPECT_EQ(r.cfg.SimDut, "/tmp/My Dut.s2p");

    // Each option of each group survives a save and a read.
    for (int port = 0; port < 3; ++port) {
        for (int type = 0; type < 3; ++type) {
            for (int driver = 0; driver < 3; ++driver) {
                VnaConfig v = VnaConfig::Defaults(kHelp);
                v.Portno = port;
                v.VNAType = type;
                v.DDEProt = (port + type) % 2 == 0;
                v.Driver = static_cast<DriverKind>(driver);
                v.SimDut = "bpf10m7";
                const VnaConfig back = Read(CfgText(v, kHelp));
                EXPECT_EQ(back.Portno, port);
                EXPECT_EQ(back.VNAType, type);
                EXPECT_EQ(back.DDEProt, v.DDEProt);
                EXPECT_EQ(back.Driver, v.Driver);
                EXPECT_EQ(back.SimDut, "bpf10m7");
            }
        }
    }
}

TEST(SaveCfg, ReplacesTheFileWholeAndReportsFailures) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    {
        QFile f(dir.filePath("tavrel.Cfg"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(std::string(5000, 'x').c_str());
    }
    VnaConfig c = VnaConfig::Defaults(kHelp);
    c.VnaTClock = "151";
    ASSERT_EQ(SaveCfg(dir.path(), c, kHelp), "");
    QFile f(dir.filePath("tavrel.Cfg"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().toStdString(), CfgText(c, kHelp));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);  // no temporary left

    const std::string err = SaveCfg(dir.filePath("no/such/dir"), c, kHelp);
    EXPECT_NE(err.find("tavrel.Cfg"), std::string::npos) << err;
}

TEST(BuiltInHelppage, PointsAtTheShippedManualAsAFileUrl) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkpath("docs"));
    ASSERT_TRUE(QDir(dir.path()).mkpath("build/bin"));
    QFile m(dir.filePath("docs/manual.md"));
    ASSERT_TRUE(m.open(QIODevice::WriteOnly));
    m.close();
    const std::string url = BuiltInHelppage(dir.filePath("build/bin"));
    EXPECT_EQ(url.rfind("file:///", 0), 0u) << url;
    EXPECT_NE(url.find("/docs/manual.md"), std::string::npos) << url;
    EXPECT_EQ(url.find("/build/"), std::string::npos) << url;
    // An installed program finds the manual in the package's documentation.
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath("usr/bin"));
    ASSERT_TRUE(QDir(root.path()).mkpath("usr/share/doc/vna-suite"));
    QFile installed(root.filePath("usr/share/doc/vna-suite/manual.md"));
    ASSERT_TRUE(installed.open(QIODevice::WriteOnly));
    installed.close();
    const std::string inst = BuiltInHelppage(root.filePath("usr/bin"));
    EXPECT_NE(inst.find("/usr/share/doc/vna-suite/manual.md"), std::string::npos) << inst;
    const std::string fallback = BuiltInHelppage();
    EXPECT_EQ(fallback.rfind("file:///", 0), 0u);
    EXPECT_NE(fallback.find("/docs/manual.md"), std::string::npos);
}

TEST(ReadCfg, KeysAreFoundAnywhereInALine) {
    // "TCPIPPort=0x3BC" holds "Port=0x" as well: both settings take the value.
    const VnaConfig c = Read("TCPIPPort=0x3BC\n");
    EXPECT_EQ(c.TCPIPPORT, "0X3BC");
    EXPECT_EQ(c.Portno, 2);
    // A value ending in CR before CR LF: the CR ends the line, it is not part
    // of the value, so the value reads back the same after a save.
    const VnaConfig d = Read("ADCSP0=fast\r\r\nClk=150\r");
    EXPECT_EQ(d.LT2440SRP[0], "FAST");
    EXPECT_EQ(Read(CfgText(d, kHelp)).LT2440SRP[0], "FAST");
    EXPECT_EQ(d.VnaTClock, "150");
}
