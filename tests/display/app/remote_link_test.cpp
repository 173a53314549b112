// The display program's side of a link that other machines may use: which
// link the start-up opens from the configuration and the command line, the
// key every connection must prove, what the status bar says while waiting,
// when a server connects, goes away or is refused, and that a server that
// connects later gets the sweep in force. The servers here are stand-ins on
// a keyed or plain socket; the real server is in the system tests.
#include "display/app/link_plan.h"
#include "display/app/master_session.h"
#include "display/calib/calib_table.h"
#include "display/graph/skala.h"
#include "link/link_key.h"
#include "link/messages.h"
#include "link/winsock.h"
#include "tests/display/app/wait_until.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

// The test program's one application object (another test file may have made it).
void App() {
    static int argc = 1;
    static char arg0[] = "remote_link_test";
    static char* argv[] = {arg0, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

KeyLoader Loader() {
    return [](const QString& path, QString* error) { return lnk::LoadKeyFile(path, error); };
}

struct Keys {
    QTemporaryDir dir;
    /// A key file made as brindlev1 --make-key makes it.
    QString Make(const QString& name) {
        const QString path = dir.filePath(name);
        QString error;
        EXPECT_TRUE(lnk::MakeKeyFile(path, &error)) << error.toStdString();
        return path;
    }
    QByteArray Load(const QString& path) {
        QString error;
        const auto key = lnk::LoadKeyFile(path, &error);
        EXPECT_TRUE(key) << error.toStdString();
        return key.value_or(QByteArray());
    }
};

VnaConfig Tcp(bool remote = false, bool remoteServer = false, const QString& key = {}) {
    VnaConfig c = VnaConfig::Defaults("");
    c.DDEProt = false;
    c.TCPIPPORT = "0";
    c.TCPRemote = remote;
    c.RemoteServer = remoteServer;
    c.KeyFile = key.toStdString();
    return c;
}

struct StatusView : MainWindowView {
    QStringList status;
    QStringList messages;
    void Message(const QString& t) override { messages << t; }
    void SetCaption(const QString&) override {}
    void Status(const QString& t) override { status << t; }
    void VnaMessureCaption(const QString&) override {}
    void ConfigDoneRed(bool) override {}
};

/// A stand-in server on a socket, keyed or plain: connects, reports rows,
/// keeps what it is sent.
struct StandIn {
    lnk::Winsock sock;
    QByteArray heard;
    explicit StandIn(quint16 port, const QByteArray& key = {}) {
        sock.setKey(key);
        QObject::connect(&sock, &lnk::Winsock::DataArrival,
                         [this](qint64) { heard += sock.GetData(); });
        sock.setRemoteHost("127.0.0.1");
        sock.setRemotePort(port);
        sock.Connect();
    }
    bool Up() { return WaitUntil([this] { return sock.State() == lnk::Winsock::kConnected; }); }
    void Row(int16_t idx) {
        sock.SendData(QByteArray::fromStdString(
            msg::DataReady(0, idx, 500000, 0, 100, 1, 0, 24, 20, 0, 1, 1, 1, 1)));
    }
};

struct Session {
    std::unique_ptr<MeasureState> s = std::make_unique<MeasureState>();
    std::unique_ptr<CalibTable> cal = std::make_unique<CalibTable>();
    MasterSession m{*s, *cal};
    StatusView view;
    QTemporaryDir dir;
    Session() {
        App();
        qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
        m.setMainWindow(&view);
    }
    ~Session() { m.setMainWindow(nullptr); }
    void Config(const QByteArray& text) {
        QFile f(dir.filePath("tavrel.Cfg"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    /// A stand-in for the server program that writes its arguments to args.txt.
    QString FakeServer() {
        const QString path = dir.filePath("fake_server");
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\necho \"$@\" > \"$(dirname \"$0\")/args.txt\"\nsleep 20\n");
        f.close();
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
        return path;
    }
    /// Starts the session with the fake server program and `keyFile` from the command line.
    bool Start(const QString& keyFile = {}) {
        StartOptions o;
        o.workDir = dir.path();
        o.serverPath = FakeServer();
        o.keyFile = keyFile;
        m.setOptions(o);
        return m.Startup();
    }
    QString Args() {
        QFile args(dir.filePath("args.txt"));
        WaitUntil([&] { return args.exists() && args.size() > 0; });
        return args.open(QIODevice::ReadOnly) ? QString::fromUtf8(args.readAll()).trimmed()
                                              : QString();
    }
};

} // namespace

TEST(LinkPlan, TheLinkFollowsTheConfigurationAndTheCommandLine) {
    Keys k;
    const QString key = k.Make("lab.key");
    const QString other = k.Make("other.key");
    VnaConfig dde = VnaConfig::Defaults("");
    dde.TCPRemote = true;  // Remote concerns TCP only

    // Today's links: no key, our own server.
    LinkPlan p = PlanLink(dde, false, key, k.dir.path(), Loader());
    EXPECT_TRUE(p.local && p.startServer && !p.allInterfaces && p.key.isEmpty());
    p = PlanLink(Tcp(), false, key, k.dir.path(), Loader());
    EXPECT_TRUE(!p.local && !p.allInterfaces && p.startServer && p.problem.isEmpty());

    // "Remote" with a key (relative: in the working directory): every
    // interface, our own server.
    p = PlanLink(Tcp(true, false, "lab.key"), false, {}, k.dir.path(), Loader());
    EXPECT_TRUE(p.allInterfaces && p.startServer && !p.remoteServer);
    EXPECT_EQ(p.keyFile, key);
    EXPECT_EQ(p.key, k.Load(key));

    // A remote server, from the file (over DDE: TCP all the same) or the
    // command line, whose key file wins.
    dde.RemoteServer = true;
    dde.KeyFile = "lab.key";
    p = PlanLink(dde, false, other, k.dir.path(), Loader());
    EXPECT_TRUE(!p.local && p.allInterfaces && p.remoteServer && !p.startServer && !p.failed());
    EXPECT_EQ(p.key, k.Load(other));
    p = PlanLink(Tcp(false, false, "lab.key"), true, {}, k.dir.path(), Loader());
    EXPECT_TRUE(p.remoteServer && p.allInterfaces && !p.startServer);
    EXPECT_EQ(p.keyFile, key);
    // "~/" in the file is the home folder.
    p = PlanLink(Tcp(false, true, "~/.config/vna/none.key"), false, {}, k.dir.path(), Loader());
    EXPECT_EQ(p.keyFile, QDir::home().filePath(".config/vna/none.key"));
}

TEST(LinkPlan, WithoutAUsableKeyNothingListensToOtherMachines) {
    Keys k;
    const QString good = k.Make("good.key");
    const QString open = k.Make("open.key");
    QFile::setPermissions(open, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                    QFileDevice::ReadGroup | QFileDevice::ReadOther);
    struct Case {
        QString key;
        QString named;  // what the reason must name
    };
    const Case cases[] = {
        {"", "--key FILE, or KeyFile= in tavrel.Cfg"},
        {k.dir.filePath("missing.key"), "missing.key"},
        {open, "open.key"},
    };
    for (const Case& c : cases) {
        // "Remote": loopback only, the plain link, and why.
        LinkPlan p = PlanLink(Tcp(true, false, c.key), false, {}, k.dir.path(), Loader());
        EXPECT_FALSE(p.allInterfaces) << c.named.toStdString();
        EXPECT_TRUE(p.key.isEmpty());
        EXPECT_TRUE(p.startServer);
        EXPECT_FALSE(p.failed());
        EXPECT_TRUE(p.problem.startsWith("Listening on this machine only (plain link): "))
            << p.problem.toStdString();
        EXPECT_TRUE(p.problem.contains(c.named)) << p.problem.toStdString();
        // A remote server: nothing can connect, the start fails.
        p = PlanLink(Tcp(false, true), false, c.key, k.dir.path(), Loader());
        EXPECT_TRUE(p.failed());
        EXPECT_FALSE(p.startServer);
        EXPECT_TRUE(p.problem.startsWith("Not waiting for a remote server: "))
            << p.problem.toStdString();
        EXPECT_TRUE(p.problem.contains(c.named)) << p.problem.toStdString();
    }
    // The good key beside them is taken.
    EXPECT_TRUE(PlanLink(Tcp(true, false, good), false, {}, k.dir.path(), Loader()).allInterfaces);
}

TEST(RemoteServer, WaitsRefusesStrangersTakesTheServerAndGivesANewOneTheSweep) {
    Session r;
    Keys k;
    const QString keyFile = k.Make("lab.key");
    const QByteArray key = k.Load(keyFile);
    r.Config("Protocol=TCPIP\nTCPIPPort=0\nRemoteServer=YES\n");
    ASSERT_TRUE(r.Start(keyFile)) << r.m.lastError().toStdString();  // the server is not started
    const quint16 port = r.m.tcpPort();
    ASSERT_NE(port, 0);
    const QString waiting =
        QString("Waiting for the server on port %1 (all interfaces, key required)").arg(port);
    ASSERT_FALSE(r.view.status.isEmpty());
    EXPECT_EQ(r.view.status.back(), waiting);
    EXPECT_TRUE(r.view.messages.isEmpty());

    // A plain client is refused; the program still waits.
    StandIn plain(port);
    ASSERT_TRUE(plain.Up());  // the TCP connection; the text is not taken
    plain.Row(0);
    ASSERT_TRUE(WaitUntil([&] { return r.view.status.back().startsWith("Refused"); }));
    // One short line: the TLS library's own words stay out of the status bar.
    EXPECT_EQ(r.view.status.back(),
              QString("Refused a connection from 127.0.0.1 (the TLS handshake failed (no key, a "
                      "wrong key or not TLS)); still waiting for the server on port %1.")
                  .arg(port));
    EXPECT_FALSE(r.m.linkUp());

    // The server with the key connects and, on its first row, gets the sweep.
    auto server = std::make_unique<StandIn>(port, key);
    ASSERT_TRUE(server->Up());
    ASSERT_TRUE(WaitUntil([&] { return r.view.status.back() == "Server connected from 127.0.0.1"; }))
        << r.view.status.back().toStdString();
    server->Row(0);
    ASSERT_TRUE(WaitUntil([&] { return server->heard.contains("0005"); }));
    EXPECT_TRUE(server->heard.startsWith("0001  0  100  500000  600500000 "))
        << server->heard.toStdString();
    EXPECT_FALSE(QFile::exists(r.dir.filePath("args.txt")));  // no server started here

    // It goes away: the program says so and keeps listening.
    r.m.Scales(MasterSession::kFreqScale).setMax(300000000);
    r.m.Scales(MasterSession::kFreqScale).setMin(20000000);
    server.reset();
    ASSERT_TRUE(WaitUntil([&] { return r.view.status.back().contains("went away"); }));
    EXPECT_EQ(r.view.status.back(), "The server at 127.0.0.1 went away. " + waiting);
    EXPECT_FALSE(r.m.linkUp());

    // A new one gets the sweep in force on its first row, not before.
    StandIn again(port, key);
    ASSERT_TRUE(again.Up());
    ASSERT_TRUE(WaitUntil([&] { return r.view.status.back() == "Server connected from 127.0.0.1"; }));
    WaitUntil([] { return false; }, 200);
    EXPECT_TRUE(again.heard.isEmpty()) << again.heard.toStdString();
    again.Row(0);
    ASSERT_TRUE(WaitUntil([&] { return again.heard.contains("0005"); }));
    EXPECT_TRUE(again.heard.startsWith("0001  0  100  20000000  300000000 "))
        << again.heard.toStdString();
    again.Row(1);
    EXPECT_TRUE(WaitUntil([&] { return r.m.linkUp(); }));
    r.m.Shutdown();
}

TEST(RemoteTicked, WithoutAKeyThePlainLinkStaysOnThisMachineAndSaysWhy) {
    Session r;
    r.Config("Protocol=TCPIP\nTCPIPPort=0\nTCPRemote=YES\n");
    ASSERT_TRUE(r.Start()) << r.m.lastError().toStdString();
    EXPECT_EQ(r.Args(), QString("&H278,148.344,%1 --driver sim").arg(r.m.tcpPort()));
    EXPECT_EQ(r.view.status.filter("Listening on this machine only (plain link): no link key "
                                   "file is set").size(),
              1);
    // Today's plain link, on loopback.
    QTcpSocket plain;
    plain.connectToHost(QHostAddress::LocalHost, r.m.tcpPort());
    ASSERT_TRUE(plain.waitForConnected(5000));
    EXPECT_TRUE(WaitUntil([&] { return r.view.status.back() == "Link to the server up (TCP)."; }));
    r.m.Shutdown();
}
