#pragma once
// TLS with a pre-shared key for the TCP link: the configuration both ends
// use, the guard that runs one handshake to its end, and the listener that
// hands out a connection only once its handshake has succeeded.
//
// Both ends hold the same 32-byte key (link_key.h); neither has a
// certificate. The protocol is TLS 1.2 exactly, with the ECDHE-PSK cipher
// suites only (ephemeral elliptic-curve Diffie-Hellman authenticated by the
// key: forward secret, and each side proves it holds the key). TLS 1.3 is
// not used: Qt's key callbacks serve the TLS 1.2 key exchange only, and a
// TLS 1.3 server without a certificate refuses every client.
// QtCore + QtNetwork only; lives on one thread.

#include <QByteArray>
#include <QSslConfiguration>
#include <QString>
#include <QTcpServer>

#include <functional>

class QSslSocket;

namespace lnk {

/// Default time a peer has to complete the handshake.
constexpr int kHandshakeTimeoutMs = 5000;
/// The identity the connecting side names (the key is what counts).
inline constexpr char kPskIdentity[] = "BrindleV1";

/// The pinned configuration: TLS 1.2, ECDHE-PSK-CHACHA20-POLY1305 then
/// ECDHE-PSK-AES256-CBC-SHA384, no certificate checks (there are none).
QSslConfiguration LinkTlsConfiguration();

/// True when this machine's Qt can make the link's TLS (a TLS back end with
/// the pinned suites); false with the reason in `why`.
bool TlsAvailable(QString* why = nullptr);

/// Gives `s` the link configuration and answers its key requests with `key`.
void ConfigureTls(QSslSocket* s, const QByteArray& key);

/// Watches the handshake `s` has started from now on: calls `done` once,
/// with an empty text when the link is encrypted, or with the reason it
/// failed (handshake error, the peer closed, nothing within `timeoutMs`).
/// The watch ends with that call; `context` owns the connections.
void GuardHandshake(QSslSocket* s, int timeoutMs, QObject* context,
                    std::function<void(const QString& reason)> done);

/// The peer's address as a user reads it ("192.168.1.20", not the
/// IPv4-mapped IPv6 form); "" when there is none.
QString PeerAddressText(const QAbstractSocket& s);

/// A TCP listener. Without a key it is QTcpServer. With a key every
/// incoming connection first runs the TLS handshake; only a connection that
/// passes it becomes pending (newConnection), one that fails is closed and
/// reported through Refused.
class TlsListener : public QTcpServer {
    Q_OBJECT
public:
    explicit TlsListener(QObject* parent = nullptr) : QTcpServer(parent) {}
    void setKey(const QByteArray& key) { key_ = key; }
    void setHandshakeTimeout(int ms) { timeoutMs_ = ms; }

signals:
    void Refused(const QString& peerAddress, const QString& reason);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    QByteArray key_;
    int timeoutMs_ = kHandshakeTimeoutMs;
};

} // namespace lnk
