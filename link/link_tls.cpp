#include "link/link_tls.h"

#include <QNetworkProxy>
#include <QPointer>
#include <QSslCipher>
#include <QSslPreSharedKeyAuthenticator>
#include <QSslSocket>
#include <QTimer>

#include <memory>

namespace lnk {

namespace {

const char* const kSuites[] = {"ECDHE-PSK-CHACHA20-POLY1305", "ECDHE-PSK-AES256-CBC-SHA384"};

QList<QSslCipher> Suites() {
    QList<QSslCipher> out;
    const QList<QSslCipher> supported = QSslConfiguration::supportedCiphers();
    for (const char* name : kSuites) {
        const QSslCipher c(QString::fromLatin1(name));
        if (!c.isNull() && supported.contains(c))
            out << c;
    }
    return out;
}

} // namespace

QSslConfiguration LinkTlsConfiguration() {
    QSslConfiguration c = QSslConfiguration::defaultConfiguration();
    c.setProtocol(QSsl::TlsV1_2);
    c.setCiphers(Suites());
    c.setPeerVerifyMode(QSslSocket::VerifyNone); // no certificates: the key authenticates
    c.setCaCertificates({});
    c.setPreSharedKeyIdentityHint(kPskIdentity);
    c.setSslOption(QSsl::SslOptionDisableSessionTickets, true);
    c.setSslOption(QSsl::SslOptionDisableCompression, true);
    return c;
}

bool TlsAvailable(QString* why) {
    QString reason;
    if (!QSslSocket::supportsSsl())
        reason = QStringLiteral("this machine's Qt has no TLS back end (install OpenSSL 3, "
                                "Debian package libssl3)");
    else if (Suites().isEmpty())
        reason = QStringLiteral("the TLS back end (%1) offers none of the link's cipher suites "
                                "ECDHE-PSK-CHACHA20-POLY1305, ECDHE-PSK-AES256-CBC-SHA384")
                     .arg(QSslSocket::sslLibraryVersionString());
    if (why)
        *why = reason;
    return reason.isEmpty();
}

void ConfigureTls(QSslSocket* s, const QByteArray& key) {
    s->setProxy(QNetworkProxy::NoProxy);
    s->setSslConfiguration(LinkTlsConfiguration());
    QObject::connect(s, &QSslSocket::preSharedKeyAuthenticationRequired, s,
                     [key](QSslPreSharedKeyAuthenticator* a) {
                         a->setIdentity(kPskIdentity);
                         a->setPreSharedKey(key);
                     });
}

void GuardHandshake(QSslSocket* s, int timeoutMs, QObject* context,
                    std::function<void(const QString& reason)> done) {
    struct Watch {
        QPointer<QTimer> timer; // a child of the socket
        QList<QMetaObject::Connection> links;
        std::function<void(const QString&)> done;
    };
    auto w = std::make_shared<Watch>();
    w->done = std::move(done);
    w->timer = new QTimer(s);
    w->timer->setSingleShot(true);
    // Ends the watch (once) and reports.
    auto finish = [w, alive = QPointer<QSslSocket>(s)](const QString& reason) {
        if (!w->done)
            return;
        if (w->timer) {
            w->timer->stop();
            w->timer->deleteLater(); // not here: it may be the one emitting
        }
        for (const auto& l : w->links)
            QObject::disconnect(l);
        const auto report = std::move(w->done);
        w->done = nullptr;
        if (alive) // a socket its owner dropped meanwhile has nothing to report
            report(reason);
    };
    w->links << QObject::connect(s, &QSslSocket::encrypted, context, [finish] { finish({}); });
    w->links << QObject::connect(
        s, &QSslSocket::errorOccurred, context, [finish, s](QAbstractSocket::SocketError e) {
            if (e == QAbstractSocket::RemoteHostClosedError)
                finish(QStringLiteral("the peer closed the connection during the TLS handshake"));
            else if (e == QAbstractSocket::SslHandshakeFailedError)
                finish(QStringLiteral("the TLS handshake failed (no key, a wrong key or not TLS): ") +
                       s->errorString());
            else
                finish(QStringLiteral("the TLS handshake failed: ") + s->errorString());
        });
    w->links << QObject::connect(s, &QSslSocket::disconnected, context, [finish] {
        finish(QStringLiteral("the peer closed the connection during the TLS handshake"));
    });
    w->links << QObject::connect(w->timer, &QTimer::timeout, context, [finish, timeoutMs] {
        finish(QStringLiteral("no TLS handshake within %1 s").arg(timeoutMs / 1000.0));
    });
    w->timer->start(timeoutMs);
}

QString PeerAddressText(const QAbstractSocket& s) {
    const QHostAddress a = s.peerAddress();
    if (a.isNull())
        return {};
    bool v4 = false;
    const quint32 ip = a.toIPv4Address(&v4);
    return v4 ? QHostAddress(ip).toString() : a.toString();
}

void TlsListener::incomingConnection(qintptr descriptor) {
    if (key_.isEmpty()) {
        QTcpServer::incomingConnection(descriptor);
        return;
    }
    auto* s = new QSslSocket(this);
    if (!s->setSocketDescriptor(descriptor)) {
        delete s;
        return;
    }
    ConfigureTls(s, key_);
    const QString address = PeerAddressText(*s);
    GuardHandshake(s, timeoutMs_, this, [this, s, address](const QString& reason) {
        if (reason.isEmpty()) {
            addPendingConnection(s);
            emit newConnection();
            return;
        }
        s->abort();
        s->deleteLater();
        emit Refused(address, reason);
    });
    s->startServerEncryption();
}

} // namespace lnk
