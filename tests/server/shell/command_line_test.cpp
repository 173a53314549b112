#include "server/shell/command_line.h"

#include <gtest/gtest.h>

using namespace shell;

TEST(ParseArgument, SplitsThreeFields) {
    ServerArgument a = ParseArgument("&H378,148.3419,54321");
    EXPECT_EQ(a.PortText, "&H378");
    EXPECT_EQ(a.ClockText, "148.3419");
    EXPECT_EQ(a.ProtocolText, "54321");
    EXPECT_FALSE(a.UseWindowMessages());

    EXPECT_TRUE(ParseArgument("&H378,148.3419,DDE").UseWindowMessages());
    // Only exactly "DDE" selects the local link; "dde" is a TCP port (value 0).
    EXPECT_FALSE(ParseArgument("&H378,148.3419,dde").UseWindowMessages());
    EXPECT_FALSE(ParseArgument("&H378,148.3419,DDE ").UseWindowMessages());

    // No second comma: the clock is the whole rest, no protocol.
    a = ParseArgument("&H278,100");
    EXPECT_EQ(a.PortText, "&H278");
    EXPECT_EQ(a.ClockText, "100");
    EXPECT_EQ(a.ProtocolText, "");
    // No comma at all.
    a = ParseArgument("888");
    EXPECT_EQ(a.PortText, "888");
    EXPECT_EQ(a.ClockText, "");
    // The protocol keeps any further commas; blanks are kept as they are.
    a = ParseArgument(" 1, 2 ,3,4");
    EXPECT_EQ(a.PortText, " 1");
    EXPECT_EQ(a.ClockText, " 2 ");
    EXPECT_EQ(a.ProtocolText, "3,4");
    a = ParseArgument(",,");
    EXPECT_EQ(a.PortText, "");
    EXPECT_EQ(a.ClockText, "");
    EXPECT_EQ(a.ProtocolText, "");
}

TEST(ParseOptions, DefaultsAndEveryOption) {
    ServerOptions o = ParseOptions({"&H378,148.3419,54321"});
    ASSERT_TRUE(o.error.isEmpty()) << o.error.toStdString();
    EXPECT_EQ(o.argument.ProtocolText, "54321");
    EXPECT_EQ(o.port.driver, "sim");
    EXPECT_FALSE(o.port.virtualTime);
    EXPECT_TRUE(o.port.noise);
    EXPECT_TRUE(o.port.drift);
    EXPECT_FALSE(o.noWindow);
    EXPECT_FALSE(o.help);

    o = ParseOptions({"&H378,148.3419,DDE", "--driver", "ppdev:/dev/parport1", "--dut",
                      "/tmp/My Filter.s2p", "--virtual-time", "--seed", "42", "--noise", "off",
                      "--trace", "/tmp/t.txt", "--no-window", "--show-normal"});
    ASSERT_TRUE(o.error.isEmpty()) << o.error.toStdString();
    EXPECT_TRUE(o.argument.UseWindowMessages());
    EXPECT_EQ(o.port.driver, "ppdev:/dev/parport1");
    EXPECT_EQ(o.port.dut, "/tmp/My Filter.s2p"); // case and blanks kept
    EXPECT_TRUE(o.port.virtualTime);
    EXPECT_EQ(o.port.seed, 42u);
    EXPECT_FALSE(o.port.noise);
    EXPECT_FALSE(o.port.drift); // off: an ideal analyser
    EXPECT_EQ(o.port.trace, "/tmp/t.txt");
    EXPECT_TRUE(o.noWindow);
    EXPECT_TRUE(o.showNormal);

    // Options before the argument and the --opt=value form work too.
    o = ParseOptions({"--driver=direct", "--noise=on", "&H378,148.3419,1"});
    ASSERT_TRUE(o.error.isEmpty()) << o.error.toStdString();
    EXPECT_EQ(o.port.driver, "direct");
    EXPECT_TRUE(o.port.noise);
    EXPECT_EQ(o.argument.ProtocolText, "1");

    EXPECT_TRUE(ParseOptions({"--help"}).help);
}

TEST(ParseOptions, RefusesWhatItCannotUse) {
    EXPECT_FALSE(ParseOptions({}).error.isEmpty());
    EXPECT_FALSE(ParseOptions({"a,b,c", "d,e,f"}).error.isEmpty());
    EXPECT_FALSE(ParseOptions({"a,b,c", "--driver", "parport"}).error.isEmpty());
    EXPECT_FALSE(ParseOptions({"a,b,c", "--driver", "ppdev:"}).error.isEmpty());
    EXPECT_FALSE(ParseOptions({"a,b,c", "--seed", "-3"}).error.isEmpty());
    EXPECT_FALSE(ParseOptions({"a,b,c", "--seed", "x"}).error.isEmpty());
    EXPECT_FALSE(ParseOptions({"a,b,c", "--noise", "maybe"}).error.isEmpty());
    EXPECT_FALSE(ParseOptions({"a,b,c", "--bogus"}).error.isEmpty());
    EXPECT_FALSE(ParseOptions({"a,b,c", "--trace"}).error.isEmpty());
    const QString e = ParseOptions({"a,b,c", "--driver", "lpt"}).error;
    EXPECT_TRUE(e.contains("lpt")) << e.toStdString();
    EXPECT_FALSE(UsageText().isEmpty());
}

TEST(ParseOptions, TheDisplayMachineTheKeyAndTheService) {
    const QString arg = "&H378,148.3419,54321";
    ServerOptions o = ParseOptions({arg});
    EXPECT_EQ(o.displayHost, "127.0.0.1"); // as always without --display
    EXPECT_EQ(o.displayPort, 0);
    EXPECT_FALSE(o.stay);
    EXPECT_TRUE(o.keyFile.isEmpty());

    struct Case { const char* display; const char* host; quint16 port; };
    for (const Case& c : {Case{"lab-pc", "lab-pc", 0}, Case{"lab-pc:6000", "lab-pc", 6000},
                          Case{"10.0.0.5:65535", "10.0.0.5", 65535}, Case{"[fe80::1]:7", "fe80::1", 7},
                          Case{"2001:db8::5", "2001:db8::5", 0}, Case{"[::1]", "::1", 0}}) {
        o = ParseOptions({arg, "--display", c.display, "--key", "k", "--stay"});
        EXPECT_TRUE(o.error.isEmpty()) << c.display << ": " << o.error.toStdString();
        EXPECT_EQ(o.displayHost, c.host) << c.display;
        EXPECT_EQ(o.displayPort, c.port) << c.display;
        EXPECT_TRUE(o.stay);
        EXPECT_EQ(o.keyFile, "k");
    }
    for (const char* bad : {"h:", "h:0", "h:65536", "h:x", ":80", "[::1", "[::1]x", ""}) {
        EXPECT_TRUE(ParseOptions({arg, "--display", bad, "--key", "k"}).error.contains("--display"))
            << bad;
    }

    // Loopback needs no key; another machine does.
    for (const char* local : {"localhost", "LOCALHOST:1", "127.0.0.1", "127.8.9.10:5", "[::1]:5"})
        EXPECT_TRUE(ParseOptions({arg, "--display", local}).error.isEmpty()) << local;
    for (const char* remote : {"192.168.1.20", "lab-laptop", "localhost.example.org", "[2001:db8::1]:5"}) {
        const QString e = ParseOptions({arg, "--display", remote}).error;
        EXPECT_TRUE(e.contains("--key FILE")) << remote << ": " << e.toStdString();
    }
    // The local link has none of them.
    for (const QStringList& extra : {QStringList{"--stay"}, {"--key", "k"}, {"--display", "localhost"}})
        EXPECT_TRUE(ParseOptions(QStringList{"&H378,148.3419,DDE"} + extra).error.contains("DDE"));

    // --make-key needs nothing else.
    o = ParseOptions({"--make-key", "/tmp/k"});
    EXPECT_TRUE(o.error.isEmpty());
    EXPECT_EQ(o.makeKey, "/tmp/k");
    for (const char* option : {"--display", "--stay", "--key", "--make-key"})
        EXPECT_TRUE(UsageText().contains(option)) << option;
}
