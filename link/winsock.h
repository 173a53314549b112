#pragma once
// The TCP socket control both programs use (named Winsock1 on each side),
// over QTcpServer/QTcpSocket. One connection at a time: the listening side
// keeps listening, and a request it accepts replaces the connection it had.
//
// State() is the state of the connection only: kClosed (0) and
// kConnected (7) are what callers compare against; kConnecting (6),
// kClosing (8) and kError (9) are also reported. Error numbers are those of
// Windows Sockets where one exists (10061 refused, 10060 timed out, 10054
// connection reset, 11001 host not found, 10048 address in use, ...);
// 8 means the socket can no longer be used (out of resources or an unknown
// failure). A connection the peer closes raises Closed, not an error.
//
// With a key (setKey) every connection, listening and connecting, first
// passes a TLS handshake with that pre-shared key (link_tls.h): only then
// are ConnectionRequest and Connected raised and is the state 7; the texts
// travel encrypted and arrive as they were sent. A peer that fails the
// handshake (no key, another key, plain text, silence for the handshake
// timeout) raises Refused and nothing else: no request, no Connected, no
// Error; nothing it sent is delivered. Without a key: plain TCP.
// QtCore + QtNetwork only; lives on one thread.

#include <QByteArray>
#include <QHostAddress>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>

class QTcpSocket;

namespace lnk {

class TlsListener;

class Winsock : public QObject {
    Q_OBJECT
public:
    enum State : int {
        kClosed = 0, kOpen = 1, kListening = 2, kConnecting = 6, kConnected = 7,
        kClosing = 8, kError = 9,
    };
    // Error numbers the callers act on.
    static constexpr int kErrUnusable = 8;
    static constexpr int kErrConnectionReset = 10054;

    explicit Winsock(QObject* parent = nullptr);
    ~Winsock() override;

    // ---- listening side ----
    void setLocalPort(quint16 port) { localPort_ = port; }
    /// The port listened on (the one chosen by the system when 0 was set).
    quint16 localPort() const;
    /// Interface to listen on: the loopback interface unless set otherwise.
    void setBindAddress(const QHostAddress& a) { bind_ = a; }
    /// Starts listening; false with Error raised when the port cannot be had.
    bool Listen();
    bool listening() const;
    void StopListening();
    /// Makes the request `requestID` of ConnectionRequest the connection,
    /// closing the one there was. Requests not accepted inside the
    /// ConnectionRequest handler are refused.
    bool Accept(int requestID);

    // ---- connecting side ----
    void setRemoteHost(const QString& host) { remoteHost_ = host; }
    void setRemotePort(quint16 port) { remotePort_ = port; }
    QString remoteHost() const { return remoteHost_; }
    quint16 remotePort() const { return remotePort_; }
    /// Starts connecting; Connected or Error follows.
    void Connect();

    // ---- both ----
    /// Non-empty: every later connection must pass the TLS handshake with
    /// this pre-shared key first. Empty (default): plain TCP.
    void setKey(const QByteArray& key);
    /// A key is set.
    bool secured() const { return !key_.isEmpty(); }
    /// Time a peer has to complete the handshake (kHandshakeTimeoutMs).
    void setHandshakeTimeout(int ms);
    /// Address of the connected peer, e.g. "192.168.1.20"; "" when none.
    QString peerAddress() const;
    /// Queues the bytes for sending (only meaningful while kConnected).
    void SendData(const QByteArray& data);
    void SendData(const char* data, qint64 size);
    /// Everything received and not yet taken.
    QByteArray GetData();
    /// Hands queued bytes to the system now, as far as it takes them without
    /// waiting.
    void Flush();
    /// Bytes queued and not yet handed to the system.
    qint64 bytesToWrite() const;
    /// Waits (at most `ms`) until queued bytes have gone out; false on
    /// timeout or when the connection is gone.
    bool waitForBytesWritten(int ms);
    /// Closes the connection (not the listener): the state becomes 0.
    void Close();
    int State() const;

    /// Error number and text for a Qt socket error.
    static int ErrorNumber(int qtSocketError);
    static QString ErrorText(int number);

signals:
    void ConnectionRequest(int requestID);
    void Connected();
    /// The peer closed the connection.
    void Closed();
    void DataArrival(qint64 bytesTotal);
    void Error(int number, const QString& description);
    /// A peer failed the handshake (see above); `peerAddress` as peerAddress().
    /// The connecting side is closed again (state 0).
    void Refused(const QString& peerAddress, const QString& reason);

private:
    void OnNewConnection();
    void Adopt(QTcpSocket* s);
    void OnSocketError(int qtError);
    void DropSocket();
    bool Up() const; // connected and past the handshake

    quint16 localPort_ = 0;
    QHostAddress bind_ = QHostAddress::LocalHost;
    QString remoteHost_;
    quint16 remotePort_ = 0;
    QByteArray key_;
    int handshakeMs_;
    TlsListener* server_ = nullptr;
    QPointer<QTcpSocket> socket_;
    QPointer<QTcpSocket> handshaking_; // socket_ while its handshake runs
    QMap<int, QPointer<QTcpSocket>> requests_;
    int nextRequest_ = 1;
    bool closing_ = false;
};

} // namespace lnk
