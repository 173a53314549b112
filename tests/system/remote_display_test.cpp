// The display program waiting for a server on another machine, with the real
// programs: tavrel13 --batch --remote-server --key and brindlev1 started by
// the test with --display 127.0.0.1:PORT --key, as a lab PC would start it.
// The measurement over the keyed link (a remote server, or our own server
// with "Remote" ticked) equals the one over the plain local link byte for
// byte; peers without the key are turned away while the display keeps
// waiting; an unusable key file stops the start.
#include "tests/batch_rig.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

/// Waits until `done` holds or `ms` pass, letting `p`'s output in.
bool WaitOn(QProcess& p, const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms || p.state() == QProcess::NotRunning)
            return done();
        p.waitForReadyRead(50);
    }
    return true;
}

struct RemoteRig : BatchRig {
    QProcess display;
    QString displayErr;
    quint16 port = 0;
    std::vector<std::unique_ptr<QProcess>> servers;

    RemoteRig() {
        Ship();
        // TCP on a port the system chooses; the display tells it.
        QFile cfg(dir.filePath("tavrel.Cfg"));
        EXPECT_TRUE(cfg.open(QIODevice::Append));
        cfg.write("Protocol=TCPIP\nTCPIPPort=0\n");
    }
    ~RemoteRig() {
        for (auto& s : servers)
            if (s->state() != QProcess::NotRunning) {
                s->kill();
                s->waitForFinished(5000);
            }
        if (display.state() != QProcess::NotRunning) {
            display.kill();
            display.waitForFinished(5000);
        }
    }
    /// A key file made by the server program, as a user makes one.
    QString MakeKey(const QString& name) {
        QProcess p;
        p.start(BRINDLEV1_PATH, {"--make-key", dir.filePath(name)});
        EXPECT_TRUE(p.waitForFinished(20000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        return dir.filePath(name);
    }
    /// Starts the batch mode waiting for a remote server and reads the port
    /// it listens on from its error stream.
    void StartDisplay(const QStringList& args) {
        display.setProcessEnvironment(Env());
        display.setWorkingDirectory(dir.path());
        display.start(TAVREL13_PATH, QStringList{"--batch", "--remote-server"} + args);
        ASSERT_TRUE(display.waitForStarted(10000));
        const QRegularExpression waiting(
            "Waiting for the server on port (\\d+) \\(all interfaces, key required\\)");
        ASSERT_TRUE(WaitOn(display, [&] { return Errors().contains(waiting); }, 30000))
            << Errors().toStdString();
        port = static_cast<quint16>(waiting.match(displayErr).captured(1).toUInt());
        ASSERT_NE(port, 0);
    }
    QString Errors() {
        displayErr += QString::fromLocal8Bit(display.readAllStandardError());
        return displayErr;
    }
    /// Waits for the batch to end; its exit status.
    int Finish() {
        EXPECT_TRUE(display.waitForFinished(timeoutMs)) << "tavrel13 --batch did not end";
        Errors();
        return display.exitStatus() == QProcess::NormalExit ? display.exitCode() : -1;
    }
    /// The server as a lab PC starts it, on the simulated analyser, with the
    /// port and clock of the shipped configuration.
    QProcess& StartServer(const QStringList& extra) {
        servers.push_back(std::make_unique<QProcess>());
        QProcess& s = *servers.back();
        s.setProcessEnvironment(Env());
        s.setWorkingDirectory(dir.path());
        s.start(BRINDLEV1_PATH, QStringList{"--no-window", "--virtual-time", "--noise", "off",
                                            "--dut", "bpf10m7", "--display",
                                            QString("127.0.0.1:%1").arg(port)} +
                                    extra + QStringList{QString("&H378,148.3419,%1").arg(port)});
        EXPECT_TRUE(s.waitForStarted(10000));
        return s;
    }
    int Refusals() { return static_cast<int>(Errors().count("Refused a connection from 127.0.0.1")); }
};

const QStringList kSweep{"--measure", "S21", "--start", "5M", "--end", "16M", "--points", "50"};

} // namespace

TEST(RemoteDisplay, TheKeyedLinkMeasuresWhatThePlainLocalLinkMeasures) {
    // The plain local link: the display starts its own server.
    BatchRig plain;
    plain.Ship();
    plain.Run(QStringList{"--virtual-time", "--noise", "off", "--dut", "bpf10m7", "--out",
                          "local.s2p"} +
              kSweep);
    ASSERT_EQ(plain.exitCode, 0) << plain.errors.toStdString();

    RemoteRig r;
    const QString key = r.MakeKey("link.key");
    r.StartDisplay(QStringList{"--key", key, "--out", "remote.s2p"} + kSweep);
    EXPECT_TRUE(r.displayErr.contains("waiting up to 60 s for the server to connect"))
        << r.displayErr.toStdString();
    r.StartServer({"--key", key});
    ASSERT_EQ(r.Finish(), 0) << r.displayErr.toStdString();
    EXPECT_TRUE(r.displayErr.contains("Server connected from 127.0.0.1")) << r.displayErr.toStdString();
    const QByteArray local = FileBytes(plain.dir.filePath("local.s2p"));
    ASSERT_FALSE(local.isEmpty());
    EXPECT_EQ(FileBytes(r.dir.filePath("remote.s2p")), local);

    // "Remote" ticked: the display starts its own server and gives it the key.
    QFile cfg(r.dir.filePath("tavrel.Cfg"));
    ASSERT_TRUE(cfg.open(QIODevice::Append));
    cfg.write("TCPRemote=YES\nKeyFile=link.key\n");
    cfg.close();
    r.Run(QStringList{"--virtual-time", "--noise", "off", "--dut", "bpf10m7", "--out",
                      "own.s2p"} +
          kSweep);
    ASSERT_EQ(r.exitCode, 0) << r.errors.toStdString();
    EXPECT_TRUE(r.errors.contains("(all interfaces, key required)")) << r.errors.toStdString();
    EXPECT_TRUE(r.errors.contains("Server connected from 127.0.0.1")) << r.errors.toStdString();
    EXPECT_EQ(FileBytes(r.dir.filePath("own.s2p")), local);
}

TEST(RemoteDisplay, PeersWithoutTheKeyAreTurnedAwayAndTheDisplayKeepsWaiting) {
    RemoteRig r;
    const QString key = r.MakeKey("link.key");
    const QString other = r.MakeKey("other.key");
    r.StartDisplay(QStringList{"--key", key, "--out", "m.s2p"} + kSweep);

    // A server without a key, one with another key, a client talking plain text.
    QProcess& noKey = r.StartServer({});
    ASSERT_TRUE(WaitOn(r.display, [&] { return r.Refusals() >= 1; }, 30000)) << r.displayErr.toStdString();
    noKey.kill();
    QProcess& wrongKey = r.StartServer({"--key", other});
    ASSERT_TRUE(WaitOn(r.display, [&] { return r.Refusals() >= 2; }, 30000)) << r.displayErr.toStdString();
    wrongKey.kill();
    QTcpSocket talker;
    talker.connectToHost("127.0.0.1", r.port);
    ASSERT_TRUE(talker.waitForConnected(5000));
    talker.write("1001  0  2  50000000  0  1234  2  0  24  20  0  1  1  1  1 #");
    talker.flush();
    ASSERT_TRUE(WaitOn(r.display, [&] { return r.Refusals() >= 3; }, 30000)) << r.displayErr.toStdString();
    EXPECT_TRUE(r.Errors().contains("still waiting for the server on port " + QString::number(r.port)));
    EXPECT_EQ(r.display.state(), QProcess::Running);
    EXPECT_FALSE(r.displayErr.contains("Server connected")) << r.displayErr.toStdString();

    // The right server afterwards measures as usual.
    r.StartServer({"--key", key});
    ASSERT_EQ(r.Finish(), 0) << r.displayErr.toStdString();
    EXPECT_TRUE(r.displayErr.contains("wrote 51 points to m.s2p")) << r.displayErr.toStdString();
}

TEST(RemoteDisplay, AnUnusableKeyFileOrNoServerEndsTheBatchWithTheReason) {
    RemoteRig r;
    const QString key = r.MakeKey("link.key");
    ASSERT_TRUE(QFile::setPermissions(key, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ReadGroup | QFileDevice::ReadOther));
    r.fixedArgs = {"--remote-server"};
    r.Run({"--key", key});
    EXPECT_EQ(r.exitCode, 2) << r.errors.toStdString();
    EXPECT_TRUE(r.errors.contains("Not waiting for a remote server: ")) << r.errors.toStdString();
    EXPECT_TRUE(r.errors.contains(key)) << r.errors.toStdString();

    r.Run({});  // no key file at all
    EXPECT_EQ(r.exitCode, 2) << r.errors.toStdString();
    EXPECT_TRUE(r.errors.contains("no link key file is set")) << r.errors.toStdString();

    // A good key and no server: the wait ends after its time.
    ASSERT_TRUE(QFile::setPermissions(key, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    r.Run({"--key", key, "--link-timeout", "1"});
    EXPECT_EQ(r.exitCode, 4) << r.errors.toStdString();
    EXPECT_TRUE(r.errors.contains("no server connected within 1 s")) << r.errors.toStdString();
}
