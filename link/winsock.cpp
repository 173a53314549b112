#include "link/winsock.h"

#include <QNetworkProxy>
#include <QTcpServer>
#include <QTcpSocket>

namespace lnk {

Winsock::Winsock(QObject* parent) : QObject(parent) {}

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
        server_ = new QTcpServer(this);
        server_->setProxy(QNetworkProxy::NoProxy);
        connect(server_, &QTcpServer::newConnection, this, &Winsock::OnNewConnection);
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
    auto* s = new QTcpSocket(this);
    s->setProxy(QNetworkProxy::NoProxy);
    Adopt(s);
    connect(s, &QTcpSocket::connected, this, [this] { emit Connected(); });
    s->connectToHost(remoteHost_, remotePort_);
}

void Winsock::Adopt(QTcpSocket* s) {
    socket_ = s;
    s->setParent(this);
    s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(s, &QTcpSocket::readyRead, this, [this, s] {
        if (socket_ == s)
            emit DataArrival(s->bytesAvailable());
    });
    connect(s, &QTcpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError e) { OnSocketError(e); });
    connect(s, &QTcpSocket::disconnected, this, [this, s] {
        if (socket_ != s)
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
    if (socket_ && socket_->state() == QAbstractSocket::ConnectedState)
        socket_->write(data);
}

void Winsock::SendData(const char* data, qint64 size) {
    if (socket_ && socket_->state() == QAbstractSocket::ConnectedState)
        socket_->write(data, size);
}

QByteArray Winsock::GetData() { return socket_ ? socket_->readAll() : QByteArray(); }

void Winsock::Flush() {
    if (socket_ && socket_->state() == QAbstractSocket::ConnectedState)
        socket_->flush();
}

qint64 Winsock::bytesToWrite() const { return socket_ ? socket_->bytesToWrite() : 0; }

bool Winsock::waitForBytesWritten(int ms) {
    if (!socket_ || socket_->state() != QAbstractSocket::ConnectedState)
        return false;
    return socket_->waitForBytesWritten(ms);
}

void Winsock::DropSocket() {
    if (!socket_)
        return;
    QTcpSocket* s = socket_;
    socket_ = nullptr;
    s->disconnect(this);
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
    case QAbstractSocket::ConnectedState: return kConnected;
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
