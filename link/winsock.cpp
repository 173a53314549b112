#include "link/winsock.h"

#include "link/link_tls.h"

#include <QNetworkProxy>
#include <QSslSocket>
#include <QTcpSocket>

namespace lnk {

Winsock::Winsock(QObject* parent) : QObject(parent), handshakeMs_(kHandshakeTimeoutMs) {}

Winsock::~Winsock() {
    for (auto& r : requests_)
        if (r)
            r->abort();
    if (socket_) {
        socket_->disconnect(this);
        socket_->abort();
    }
}

quint16 Winsock::localPort() const {
    return server_ && server_->isListening() ? server_->serverPort() : localPort_;
}

bool Winsock::Listen() {
    if (!server_) {
        server_ = new TlsListener(this);
        server_->setProxy(QNetworkProxy::NoProxy);
        server_->setKey(key_);
        server_->setHandshakeTimeout(handshakeMs_);
        connect(server_, &QTcpServer::newConnection, this, &Winsock::OnNewConnection);
        connect(server_, &TlsListener::Refused, this, &Winsock::Refused);
    }
    if (server_->isListening())
        return true;
    if (!server_->listen(bind_, localPort_)) {
        const int n = ErrorNumber(server_->serverError());
        emit Error(n, ErrorText(n));
        return false;
    }
    return true;
}

bool Winsock::listening() const { return server_ && server_->isListening(); }

void Winsock::StopListening() {
    if (server_)
        server_->close();
}

void Winsock::OnNewConnection() {
    while (QTcpSocket* s = server_->nextPendingConnection()) {
        const int id = nextRequest_++;
        requests_.insert(id, QPointer<QTcpSocket>(s));
        emit ConnectionRequest(id);
        // Not accepted by the handler: refused.
        if (auto it = requests_.find(id); it != requests_.end()) {
            if (*it) {
                (*it)->abort();
                (*it)->deleteLater();
            }
            requests_.erase(it);
        }
    }
}

bool Winsock::Accept(int requestID) {
    auto it = requests_.find(requestID);
    if (it == requests_.end() || !*it)
        return false;
    QTcpSocket* s = *it;
    requests_.erase(it);
    DropSocket();
    Adopt(s);
    return true;
}

void Winsock::Connect() {
    DropSocket();
    if (key_.isEmpty()) {
        auto* s = new QTcpSocket(this);
        s->setProxy(QNetworkProxy::NoProxy);
        Adopt(s);
        connect(s, &QTcpSocket::connected, this, [this] { emit Connected(); });
        s->connectToHost(remoteHost_, remotePort_);
        return;
    }
    auto* s = new QSslSocket(this);
    ConfigureTls(s, key_);
    Adopt(s);
    // Connected only once the handshake has succeeded; errors before the TCP
    // connection stands (refused, host not found) are errors as without a key.
    connect(s, &QTcpSocket::connected, this, [this, s] {
        if (socket_ != s)
            return;
        handshaking_ = s;
        GuardHandshake(s, handshakeMs_, this, [this, s](const QString& reason) {
            if (socket_ != s)
                return;
            handshaking_ = nullptr;
            if (reason.isEmpty()) {
                emit Connected();
                return;
            }
            const QString address = PeerAddressText(*s);
            DropSocket();
            emit Refused(address.isEmpty() ? remoteHost_ : address, reason);
        });
    });
    s->connectToHostEncrypted(remoteHost_, remotePort_);
}

void Winsock::setKey(const QByteArray& key) {
    key_ = key;
    if (server_)
        server_->setKey(key);
}

void Winsock::setHandshakeTimeout(int ms) {
    handshakeMs_ = ms;
    if (server_)
        server_->setHandshakeTimeout(ms);
}

QString Winsock::peerAddress() const { return Up() ? PeerAddressText(*socket_) : QString(); }

bool Winsock::Up() const {
    return socket_ && socket_->state() == QAbstractSocket::ConnectedState && handshaking_ != socket_;
}

void Winsock::Adopt(QTcpSocket* s) {
    socket_ = s;
    s->setParent(this);
    s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(s, &QTcpSocket::readyRead, this, [this, s] {
        if (socket_ == s)
            emit DataArrival(s->bytesAvailable());
    });
    // During a handshake its guard reports what happens.
    connect(s, &QTcpSocket::errorOccurred, this, [this, s](QAbstractSocket::SocketError e) {
        if (handshaking_ != s)
            OnSocketError(e);
    });
    connect(s, &QTcpSocket::disconnected, this, [this, s] {
        if (socket_ != s || handshaking_ == s)
            return;
        // Keep what arrived before the close readable until the handler ran.
        emit Closed();
    });
}

void Winsock::OnSocketError(int qtError) {
    // A peer that closes (or resets) the connection raises Closed through
    // the disconnect that follows; it is not reported as an error here.
    if (qtError == QAbstractSocket::RemoteHostClosedError)
        return;
    const int n = ErrorNumber(qtError);
    emit Error(n, ErrorText(n));
}

void Winsock::SendData(const QByteArray& data) {
    if (Up())
        socket_->write(data);
}

void Winsock::SendData(const char* data, qint64 size) {
    if (Up())
        socket_->write(data, size);
}

QByteArray Winsock::GetData() { return socket_ ? socket_->readAll() : QByteArray(); }

void Winsock::Flush() {
    if (Up())
        socket_->flush();
}

qint64 Winsock::bytesToWrite() const { return socket_ ? socket_->bytesToWrite() : 0; }

bool Winsock::waitForBytesWritten(int ms) {
    if (!Up())
        return false;
    return socket_->waitForBytesWritten(ms);
}

void Winsock::DropSocket() {
    if (!socket_)
        return;
    QTcpSocket* s = socket_;
    socket_ = nullptr;
    s->disconnect(this);
    if (handshaking_ == s) { // nothing of a half-made link is kept
        handshaking_ = nullptr;
        s->abort();
        s->deleteLater();
        return;
    }
    if (s->state() == QAbstractSocket::ConnectedState)
        s->flush(); // hand what is queued ("99#") to the system first
    s->disconnectFromHost();
    if (s->state() == QAbstractSocket::UnconnectedState)
        s->deleteLater();
    else
        connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
}

void Winsock::Close() { DropSocket(); }

int Winsock::State() const {
    if (!socket_)
        return kClosed;
    switch (socket_->state()) {
    case QAbstractSocket::ConnectedState: return handshaking_ == socket_ ? kConnecting : kConnected;
    case QAbstractSocket::HostLookupState:
    case QAbstractSocket::ConnectingState: return kConnecting;
    case QAbstractSocket::ClosingState: return kClosing;
    case QAbstractSocket::BoundState: return kOpen;
    case QAbstractSocket::ListeningState: return kListening;
    default: return kClosed;
    }
}

int Winsock::ErrorNumber(int qtSocketError) {
    switch (qtSocketError) {
    case QAbstractSocket::ConnectionRefusedError: return 10061;
    case QAbstractSocket::RemoteHostClosedError: return kErrConnectionReset;
    case QAbstractSocket::HostNotFoundError: return 11001;
    case QAbstractSocket::SocketAccessError: return 10013;
    case QAbstractSocket::SocketTimeoutError: return 10060;
    case QAbstractSocket::DatagramTooLargeError: return 10040;
    case QAbstractSocket::NetworkError: return 10050;
    case QAbstractSocket::AddressInUseError: return 10048;
    case QAbstractSocket::SocketAddressNotAvailableError: return 10049;
    case QAbstractSocket::UnsupportedSocketOperationError: return 10045;
    case QAbstractSocket::UnfinishedSocketOperationError: return 10036;
    case QAbstractSocket::TemporaryError: return 10035;
    case QAbstractSocket::OperationError: return 40020;
    default: return kErrUnusable;
    }
}

QString Winsock::ErrorText(int number) {
    switch (number) {
    case kErrUnusable: return QStringLiteral("The socket cannot be used any more");
    case 10013: return QStringLiteral("Permission denied");
    case 10035: return QStringLiteral("The operation would block");
    case 10036: return QStringLiteral("An operation is already in progress");
    case 10040: return QStringLiteral("The message is too big");
    case 10045: return QStringLiteral("The operation is not supported");
    case 10048: return QStringLiteral("Address in use");
    case 10049: return QStringLiteral("Address not available");
    case 10050: return QStringLiteral("The network is down");
    case kErrConnectionReset: return QStringLiteral("The connection is reset by remote side");
    case 10060: return QStringLiteral("Connection timed out");
    case 10061: return QStringLiteral("Connection is forcefully rejected");
    case 11001: return QStringLiteral("Host not found");
    case 40020: return QStringLiteral("Invalid operation in the current state");
    default: return QStringLiteral("Socket error");
    }
}

} // namespace lnk
