// The link key files and the TCP link with TLS and a pre-shared key.
#include "link/link_key.h"
#include "link/link_tls.h"
#include "link/winsock.h"
#include "winsock_rig.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

using lnk::Winsock;
using linktest::ReceiveAtLeast;

namespace {

QByteArray KeyOf(char c) { return QByteArray(lnk::kKeyBytes, c); }

// A listening Winsock with a key that accepts every request.
struct Listener {
    Winsock w;
    QSignalSpy requests{&w, &Winsock::ConnectionRequest};
    QSignalSpy refused{&w, &Winsock::Refused};
    explicit Listener(const QByteArray& key) {
        w.setKey(key);
        QObject::connect(&w, &Winsock::ConnectionRequest, &w, [this](int id) {
            if (w.State() != Winsock::kClosed)
                w.Close();
            w.Accept(id);
        });
        w.Listen();
    }
};

// Passes the bytes of one connection through and keeps what went by.
struct Relay {
    QTcpServer in;
    QTcpSocket out;
    QTcpSocket* peer = nullptr;
    QByteArray seen;
    explicit Relay(quint16 target) {
        in.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&in, &QTcpServer::newConnection, [this, target] {
            peer = in.nextPendingConnection();
            out.connectToHost(QHostAddress::LocalHost, target);
            QObject::connect(peer, &QTcpSocket::readyRead, [this] { Pass(*peer, out); });
            QObject::connect(&out, &QTcpSocket::readyRead, [this] { Pass(out, *peer); });
        });
    }
    void Pass(QTcpSocket& from, QTcpSocket& to) {
        const QByteArray b = from.readAll();
        seen += b;
        to.write(b);
    }
};

QString WriteFile(const QTemporaryDir& dir, const char* name, const QByteArray& text, int mode) {
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text);
    f.close();
    ::chmod(QFile::encodeName(path).constData(), mode_t(mode));
    return path;
}

} // namespace

TEST(LinkKey, MadePrivateReadBackAndNeverOverwritten) {
    QTemporaryDir dir;
    const QString path = dir.filePath("link.key");
    QString error;
    ASSERT_TRUE(lnk::MakeKeyFile(path, &error)) << error.toStdString();
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    f.close();
    ASSERT_EQ(lines.size(), 3); // comment, key, nothing after the last newline
    EXPECT_EQ(lines[0], "# BrindleV1 link key");
    EXPECT_EQ(lines[1].size(), 64);
    const auto key = lnk::LoadKeyFile(path, &error);
    ASSERT_TRUE(key) << error.toStdString();
    EXPECT_EQ(key->toHex(), lines[1]);

    // A second file holds another key; an existing file is left as it was.
    ASSERT_TRUE(lnk::MakeKeyFile(dir.filePath("other.key"), nullptr));
    EXPECT_NE(*lnk::LoadKeyFile(dir.filePath("other.key"), nullptr), *key);
    EXPECT_FALSE(lnk::MakeKeyFile(path, &error));
    EXPECT_TRUE(error.contains(path)) << error.toStdString();
    EXPECT_EQ(*lnk::LoadKeyFile(path, nullptr), *key);
}

TEST(LinkKey, OpenMalformedMissingOrOddFilesAreRefusedByName) {
    QTemporaryDir dir;
    const QByteArray good = QByteArray(lnk::kKeyFileComment) + "\n" + KeyOf('\x5a').toHex() + "\r\n";
    QString error;
    // Comment lines, blank lines, upper case and a CRLF are fine.
    const QString ok = WriteFile(dir, "ok.key", "\n" + good.toUpper().replace("# BRINDLEV1", "# x"), 0600);
    EXPECT_EQ(lnk::LoadKeyFile(ok, &error), KeyOf('\x5a')) << error.toStdString();

    for (int mode : {0644, 0640, 0604, 0620}) {
        const QString p = WriteFile(dir, "open.key", good, mode);
        error.clear();
        EXPECT_FALSE(lnk::LoadKeyFile(p, &error)) << mode;
        EXPECT_TRUE(error.contains(p) && error.contains("chmod 600")) << error.toStdString();
    }
    const QByteArray malformed[] = {
        "", "# BrindleV1 link key\n",
        "# BrindleV1 link key\n" + KeyOf(1).toHex().left(62) + "\n",
        "# BrindleV1 link key\n" + KeyOf(1).toHex() + "00\n",
        "# BrindleV1 link key\n" + KeyOf(1).toHex().replace('0', 'g') + "\n",
        good + KeyOf(2).toHex() + "\n", // two keys
        QByteArray(5000, 'a')};
    for (const QByteArray& text : malformed) {
        const QString p = WriteFile(dir, "bad.key", text, 0600);
        error.clear();
        EXPECT_FALSE(lnk::LoadKeyFile(p, &error)) << text.left(80).toStdString();
        EXPECT_TRUE(error.contains(p) && error.contains("--make-key")) << error.toStdString();
    }
    error.clear();
    EXPECT_FALSE(lnk::LoadKeyFile(dir.filePath("missing.key"), &error));
    EXPECT_TRUE(error.contains(dir.filePath("missing.key"))) << error.toStdString();
    error.clear();
    EXPECT_FALSE(lnk::LoadKeyFile(dir.path(), &error));
    EXPECT_TRUE(error.contains("not a regular file")) << error.toStdString();
}

TEST(LinkTls, WithTheKeyTextsArriveByteExactBothWaysAndEncrypted) {
    ASSERT_TRUE(lnk::TlsAvailable());
    Listener display(KeyOf('k'));
    ASSERT_TRUE(display.w.listening());
    Relay wire(display.w.localPort());
    Winsock server;
    server.setKey(KeyOf('k'));
    EXPECT_TRUE(server.secured());
    QSignalSpy up(&server, &Winsock::Connected);
    server.setRemoteHost("127.0.0.1");
    server.setRemotePort(wire.in.serverPort());
    server.Connect();
    ASSERT_TRUE(up.wait(5000));
    EXPECT_EQ(server.State(), Winsock::kConnected);
    ASSERT_TRUE(QTest::qWaitFor([&] { return display.w.State() == Winsock::kConnected; }, 5000));
    EXPECT_EQ(display.requests.count(), 1);
    EXPECT_EQ(display.w.peerAddress(), "127.0.0.1");
    EXPECT_EQ(server.peerAddress(), "127.0.0.1");

    QByteArray reports;
    for (int i = 0; i < 300; ++i)
        reports += "1001  0  " + QByteArray::number(i) + "  4900000  0 -12345  7  3  24  40  255  255  255  255  255 #";
    reports += QByteArray("\x00\x01\xfe\xff#", 5); // any byte passes unchanged
    server.SendData(reports);
    EXPECT_EQ(ReceiveAtLeast(display.w, int(reports.size())), reports);
    display.w.SendData("0005  0 #99#");
    EXPECT_EQ(ReceiveAtLeast(server, 12), "0005  0 #99#");
    EXPECT_FALSE(wire.seen.isEmpty());
    EXPECT_FALSE(wire.seen.contains("1001  0")) << "texts went over the wire in plain";
    EXPECT_FALSE(wire.seen.contains("0005  0"));
    EXPECT_FALSE(wire.seen.contains(KeyOf('k')));
    EXPECT_EQ(display.refused.count(), 0);
}

TEST(LinkTls, PeersWithoutTheKeyAreRefusedAndTheListenerGoesOn) {
    Listener display(KeyOf('k'));
    display.w.setHandshakeTimeout(400);
    const quint16 port = display.w.localPort();
    auto expectRefused = [&](const char* who) {
        ASSERT_TRUE(display.refused.count() > 0 || display.refused.wait(5000)) << who;
        EXPECT_EQ(display.refused.takeFirst().at(0).toString(), "127.0.0.1") << who;
        EXPECT_EQ(display.requests.count(), 0) << who;
        EXPECT_EQ(display.w.State(), Winsock::kClosed) << who;
        EXPECT_TRUE(display.w.GetData().isEmpty()) << who;
    };

    // Another key: both sides refuse, the connecting side is closed again
    // without Connected or an error.
    Winsock wrong;
    wrong.setKey(KeyOf('w'));
    QSignalSpy wrongUp(&wrong, &Winsock::Connected), wrongErr(&wrong, &Winsock::Error),
        wrongRefused(&wrong, &Winsock::Refused), wrongClosed(&wrong, &Winsock::Closed);
    wrong.setRemoteHost("127.0.0.1");
    wrong.setRemotePort(port);
    wrong.Connect();
    ASSERT_TRUE(wrongRefused.wait(5000));
    EXPECT_EQ(wrongRefused.at(0).at(0).toString(), "127.0.0.1");
    EXPECT_EQ(wrong.State(), Winsock::kClosed);
    wrong.SendData("0006  #"); // dropped
    expectRefused("wrong key");
    EXPECT_EQ(wrongUp.count() + wrongErr.count() + wrongClosed.count(), 0);

    // No key: the plain link's texts are not a handshake.
    Winsock plain;
    QSignalSpy plainUp(&plain, &Winsock::Connected);
    plain.setRemoteHost("127.0.0.1");
    plain.setRemotePort(port);
    plain.Connect();
    ASSERT_TRUE(plainUp.wait(5000)); // TCP itself connects
    plain.SendData("1001  0  0  4900000  0  0  0  3  24  40  255  255  255  255  255 #");
    expectRefused("plain text");

    // A peer that says nothing is dropped after the handshake timeout.
    QTcpSocket silent;
    silent.connectToHost(QHostAddress::LocalHost, port);
    ASSERT_TRUE(silent.waitForConnected(5000));
    expectRefused("silent");
    EXPECT_TRUE(silent.state() == QAbstractSocket::UnconnectedState || silent.waitForDisconnected(5000));

    // The right key still gets in.
    Winsock good;
    good.setKey(KeyOf('k'));
    QSignalSpy goodUp(&good, &Winsock::Connected);
    good.setRemoteHost("127.0.0.1");
    good.setRemotePort(port);
    good.Connect();
    ASSERT_TRUE(goodUp.wait(5000));
    good.SendData("0006  #");
    EXPECT_EQ(ReceiveAtLeast(display.w, 7), "0006  #");
    EXPECT_EQ(display.requests.count(), 1);
}

TEST(LinkTls, AConnectingSideWithAKeyRefusesAListenerThatStaysSilent) {
    QTcpServer plain; // accepts, never answers the handshake
    ASSERT_TRUE(plain.listen(QHostAddress::LocalHost, 0));
    Winsock server;
    server.setKey(KeyOf('k'));
    server.setHandshakeTimeout(400);
    QSignalSpy up(&server, &Winsock::Connected), errors(&server, &Winsock::Error),
        refused(&server, &Winsock::Refused);
    server.setRemoteHost("127.0.0.1");
    server.setRemotePort(plain.serverPort());
    server.Connect();
    ASSERT_TRUE(refused.wait(5000));
    EXPECT_TRUE(refused.at(0).at(1).toString().contains("no TLS handshake"));
    EXPECT_EQ(server.State(), Winsock::kClosed);
    EXPECT_EQ(up.count() + errors.count(), 0);
}
