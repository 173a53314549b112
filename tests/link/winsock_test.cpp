#include "link/winsock.h"
#include "winsock_rig.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/socket.h>

using lnk::Winsock;
using linktest::ReceiveAtLeast;

namespace {

// A listening Winsock that accepts every request, as the display program does.
struct Listener {
    Winsock w;
    Listener() {
        QObject::connect(&w, &Winsock::ConnectionRequest, &w, [this](int id) {
            if (w.State() != Winsock::kClosed)
                w.Close();
            w.Accept(id);
        });
    }
};

bool ConnectTo(Winsock& client, quint16 port) {
    QSignalSpy up(&client, &Winsock::Connected);
    client.setRemoteHost("127.0.0.1");
    client.setRemotePort(port);
    client.Connect();
    return up.wait(5000);
}

} // namespace

TEST(Winsock, ConnectsSendsInOrderAndCloses) {
    Listener display;
    display.w.setLocalPort(0);
    ASSERT_TRUE(display.w.Listen());
    EXPECT_EQ(display.w.State(), Winsock::kClosed); // listening, no connection
    const quint16 port = display.w.localPort();
    ASSERT_NE(port, 0);

    Winsock server;
    EXPECT_EQ(server.State(), Winsock::kClosed);
    ASSERT_TRUE(ConnectTo(server, port));
    EXPECT_EQ(server.State(), Winsock::kConnected);
    EXPECT_TRUE(QTest::qWaitFor([&] { return display.w.State() == Winsock::kConnected; }, 5000));

    // Bytes arrive in order, boundaries are not kept.
    QByteArray sent;
    for (int i = 0; i < 500; ++i) {
        const QByteArray piece = QByteArray::number(i) + " #";
        server.SendData(piece);
        sent += piece;
    }
    EXPECT_EQ(ReceiveAtLeast(display.w, int(sent.size())), sent);
    display.w.SendData("99#");
    EXPECT_EQ(ReceiveAtLeast(server, 3), "99#");

    // The peer closing raises Closed; the closing side's state is 0 at once.
    QSignalSpy closed(&server, &Winsock::Closed);
    QSignalSpy errors(&server, &Winsock::Error);
    display.w.Close();
    EXPECT_EQ(display.w.State(), Winsock::kClosed);
    EXPECT_TRUE(closed.wait(5000));
    EXPECT_EQ(errors.count(), 0);
    server.Close();
    EXPECT_EQ(server.State(), Winsock::kClosed);
    server.SendData("dropped"); // no connection: nothing happens
}

TEST(Winsock, ANewRequestReplacesTheConnection) {
    Listener display;
    ASSERT_TRUE(display.w.Listen());
    Winsock first, second;
    ASSERT_TRUE(ConnectTo(first, display.w.localPort()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return display.w.State() == Winsock::kConnected; }, 5000));
    QSignalSpy firstClosed(&first, &Winsock::Closed);
    ASSERT_TRUE(ConnectTo(second, display.w.localPort()));
    EXPECT_TRUE(firstClosed.wait(5000));
    second.SendData("0006  #");
    EXPECT_EQ(ReceiveAtLeast(display.w, 7), "0006  #");
}

TEST(Winsock, RequestsNotAcceptedAreRefused) {
    Winsock display; // listens, accepts nothing
    ASSERT_TRUE(display.Listen());
    Winsock server;
    ASSERT_TRUE(ConnectTo(server, display.localPort()));
    QSignalSpy closed(&server, &Winsock::Closed);
    EXPECT_TRUE(closed.wait(5000));
}

TEST(Winsock, ErrorsCarryTheirNumbers) {
    // Nobody listens: 10061.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 freePort = probe.serverPort();
    probe.close();
    Winsock server;
    QSignalSpy errors(&server, &Winsock::Error);
    server.setRemoteHost("127.0.0.1");
    server.setRemotePort(freePort);
    server.Connect();
    ASSERT_TRUE(errors.wait(5000));
    EXPECT_EQ(errors.at(0).at(0).toInt(), 10061);
    EXPECT_EQ(errors.at(0).at(1).toString(), "Connection is forcefully rejected");
    EXPECT_EQ(server.State(), Winsock::kClosed);

    // A port in use: Listen fails with 10048.
    QTcpServer holder;
    ASSERT_TRUE(holder.listen(QHostAddress::LocalHost, 0));
    Winsock display;
    QSignalSpy listenErrors(&display, &Winsock::Error);
    display.setLocalPort(holder.serverPort());
    EXPECT_FALSE(display.Listen());
    ASSERT_EQ(listenErrors.count(), 1);
    EXPECT_EQ(listenErrors.at(0).at(0).toInt(), 10048);

    EXPECT_EQ(Winsock::ErrorNumber(QAbstractSocket::SocketResourceError), Winsock::kErrUnusable);
    EXPECT_EQ(Winsock::ErrorNumber(QAbstractSocket::UnknownSocketError), Winsock::kErrUnusable);
    EXPECT_EQ(Winsock::ErrorNumber(QAbstractSocket::RemoteHostClosedError), 10054);
}

TEST(Winsock, AResetConnectionEndsTheLink) {
    QTcpServer display;
    ASSERT_TRUE(display.listen(QHostAddress::LocalHost, 0));
    Winsock server;
    ASSERT_TRUE(ConnectTo(server, display.serverPort()));
    ASSERT_TRUE(display.hasPendingConnections() || display.waitForNewConnection(5000));
    QTcpSocket* peer = display.nextPendingConnection();
    // Linger 0: closing sends a reset instead of an orderly close.
    struct linger l {1, 0};
    ASSERT_EQ(setsockopt(int(peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &l, sizeof l), 0);
    QSignalSpy closed(&server, &Winsock::Closed);
    peer->abort();
    EXPECT_TRUE(closed.wait(5000));
    EXPECT_EQ(server.State(), Winsock::kClosed);
}
