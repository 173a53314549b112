// The remote-server keys "RemoteServer=" and "KeyFile=": read like the other
// keys of the file (a key file path keeps its case and may be quoted), fixed
// defaults when absent, and a file as the window writes it reads back and is
// written again byte for byte.
#include "display/config/config_file.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const std::string kHelp = "file:///opt/vna/docs/manual.md";

VnaConfig Read(std::string_view text, const VnaConfig& current = VnaConfig::Defaults(kHelp)) {
    return ReadCfgText(text, current, kHelp);
}

QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(CfgRemoteServer, KeysReadLikeTheOthersAndFallBackToTheirDefaults) {
    VnaConfig c = Read("remoteserver=yes\nKeyFile=/home/Me/.config/Vna/Link.Key\n");
    EXPECT_TRUE(c.RemoteServer);
    EXPECT_EQ(c.KeyFile, "/home/Me/.config/Vna/Link.Key");  // a path keeps its case

    // Comments, other values, the last line wins, a quoted path with blanks.
    c = Read("RemoteServer=YES\n*RemoteServer=NO\nKeyFile=a\n"
             "KeyFile=\"/home/me/My Keys/lab pc.key\"\n");
    EXPECT_TRUE(c.RemoteServer);
    EXPECT_EQ(c.KeyFile, "/home/me/My Keys/lab pc.key");
    EXPECT_FALSE(Read("RemoteServer=Y\n").RemoteServer);
    EXPECT_FALSE(Read("RemoteServer=YES\nRemoteServer=maybe\n").RemoteServer);
    EXPECT_FALSE(Read(" RemoteServer=YES\n").RemoteServer);  // a blank first: a comment
    // "TCPRemote=" is not "RemoteServer=", nor the other way round.
    c = Read("TCPRemote=YES\n");
    EXPECT_TRUE(c.TCPRemote);
    EXPECT_FALSE(c.RemoteServer);
    c = Read("RemoteServer=YES\n");
    EXPECT_FALSE(c.TCPRemote);

    // Absent keys (every file written before): no remote server, no key file,
    // whatever the window showed before the file was read.
    VnaConfig current = VnaConfig::Defaults(kHelp);
    current.RemoteServer = true;
    current.KeyFile = "/old/key";
    c = Read("Clk=150\nProtocol=TCPIP\n", current);
    EXPECT_FALSE(c.RemoteServer);
    EXPECT_EQ(c.KeyFile, "");
    EXPECT_EQ(c.VnaTClock, "150");
    // The defaults of a new window.
    EXPECT_FALSE(VnaConfig::Defaults(kHelp).RemoteServer);
    EXPECT_EQ(VnaConfig::Defaults(kHelp).KeyFile, "");
}

TEST(CfgRemoteServer, AFileAsTheWindowWritesItReadsBackAndIsWrittenAgainByteForByte) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const bool remoteServer : {false, true}) {
        for (const std::string key : {"", "vna.key", "/home/me/My Keys/lab \"pc\" =1.key"}) {
            VnaConfig c = VnaConfig::Defaults(kHelp);
            c.DDEProt = false;
            c.TCPRemote = !remoteServer;
            c.RemoteServer = remoteServer;
            c.KeyFile = key;
            ASSERT_EQ(SaveCfg(dir.path(), c, kHelp), "");
            const QByteArray first = FileBytes(dir.filePath("tavrel.Cfg"));
            ASSERT_TRUE(first.contains(remoteServer ? "\nRemoteServer=YES\n"
                                                    : "\nRemoteServer=NO\n"))
                << first.toStdString();
            // The key lines sit with the driver's, before the simulated device.
            EXPECT_LT(first.indexOf("\nDriver="), first.indexOf("\nRemoteServer="));
            EXPECT_LT(first.indexOf("\nKeyFile="), first.indexOf("\nSimDut="));

            const CfgLoad r = initCFG(dir.path(), VnaConfig::Defaults(kHelp), kHelp);
            ASSERT_TRUE(r.error.empty() && !r.fileMissing);
            EXPECT_EQ(r.cfg.RemoteServer, remoteServer);
            EXPECT_EQ(r.cfg.KeyFile, key);
            EXPECT_EQ(r.cfg.TCPRemote, !remoteServer);
            ASSERT_EQ(SaveCfg(dir.path(), r.cfg, kHelp), "");
            EXPECT_EQ(FileBytes(dir.filePath("tavrel.Cfg")), first) << key;
        }
    }
    // A key path holding another key is quoted and changes nothing else.
    VnaConfig p = VnaConfig::Defaults(kHelp);
    p.KeyFile = "/keys/RemoteServer=YES/Port=0x3BC.key";
    const VnaConfig back = Read(CfgText(p, kHelp));
    EXPECT_EQ(back.KeyFile, p.KeyFile);
    EXPECT_FALSE(back.RemoteServer);
    EXPECT_EQ(back.Portno, 0);
}
