#include "link/cli_srv.h"

#include "link/local_names.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QtEndian>

namespace lnk {

namespace {

constexpr qint64 kHeader = 12;          // identifier, sequence, byte count
constexpr quint32 kMaxCount = 255;      // the 255-byte buffer of the receiver
constexpr qint64 kReadBuffer = 64 * 1024;

QByteArray Word(quint32 v) {
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

quint32 WordAt(const char* p) { return qFromLittleEndian<quint32>(p); }

} // namespace

CliSrv::CliSrv(QString ownTitle, QString peerTitle, QString directory, QObject* parent)
    : QObject(parent), ownTitle_(std::move(ownTitle)), peerTitle_(std::move(peerTitle)),
      ownPath_(ChannelPath(ownTitle_, directory)), peerPath_(ChannelPath(peerTitle_, directory)) {}

CliSrv::~CliSrv() { Close(); }

bool CliSrv::Open(QString* error) {
    if (isOpen())
        return true;
    auto* server = new QLocalServer(this);
    if (!ListenExclusive(*server, ownPath_, error)) {
        delete server;
        return false;
    }
    server_ = server;
    connect(server_, &QLocalServer::newConnection, this, &CliSrv::AcceptPending);
    return true;
}

void CliSrv::Close() {
    if (server_) {
        server_->close();
        server_->deleteLater();
        server_ = nullptr;
    }
    for (const auto& s : incoming_) {
        if (s) {
            s->disconnect(this);
            s->abort();
            s->deleteLater();
        }
    }
    incoming_.clear();
    DropPeer(false);
}

bool CliSrv::isOpen() const { return server_ && server_->isListening(); }

bool CliSrv::peerConnected() const {
    return out_ && out_->state() == QLocalSocket::ConnectedState;
}

void CliSrv::AcceptPending() {
    if (!server_)
        return;
    while (QLocalSocket* s = server_->nextPendingConnection()) {
        s->setReadBufferSize(kReadBuffer);
        incoming_.append(QPointer<QLocalSocket>(s));
        connect(s, &QLocalSocket::readyRead, this, [this, s] { Drain(s); });
        connect(s, &QLocalSocket::disconnected, this, [this, s] {
            incoming_.removeAll(QPointer<QLocalSocket>(s));
            s->deleteLater();
        });
        Drain(s); // data may have come with the connection
    }
}

void CliSrv::Drain(QLocalSocket* s) {
    QPointer<QLocalSocket> guard(s);
    while (guard && TakeRecord(guard))
        ;
}

// Takes one whole record off `s` and handles it. The record is removed from
// the socket before the handler runs, so a nested call (from a send the
// handler makes) goes on with the next record.
bool CliSrv::TakeRecord(QLocalSocket* s) {
    if (s->bytesAvailable() < kHeader)
        return false;
    char head[kHeader];
    if (s->peek(head, kHeader) != kHeader)
        return false;
    const quint32 id = WordAt(head);
    const quint32 seq = WordAt(head + 4);
    const quint32 count = WordAt(head + 8);
    if (count > kMaxCount) {
        // Not a record of this link: a peer that speaks something else.
        s->abort();
        return false;
    }
    if (s->bytesAvailable() < kHeader + qint64(count))
        return false;
    s->read(head, kHeader);
    QByteArray text = s->read(count);
    ++taken_;
    QPointer<QLocalSocket> guard(s);
    if (id == kIdentifier) {
        const qsizetype zero = text.indexOf('\0');
        if (zero >= 0)
            text.truncate(zero);
        emit MsgData(text);
    }
    if (!guard || guard->state() != QLocalSocket::ConnectedState)
        return false;
    guard->write(Word(seq));
    guard->flush();
    return true;
}

bool CliSrv::ConnectPeer() {
    if (peerConnected())
        return true;
    DropPeer(false);
    if (!PrivateChannelDirectory(QFileInfo(peerPath_).path()))
        return false; // whoever listens there may not be our peer
    auto* s = new QLocalSocket(this);
    s->connectToServer(peerPath_);
    if (!s->waitForConnected(1000)) {
        delete s;
        return false;
    }
    out_ = s;
    connect(s, &QLocalSocket::readyRead, this, &CliSrv::ReadAcks);
    connect(s, &QLocalSocket::disconnected, this, [this, s] {
        if (out_ == s)
            DropPeer(true);
    });
    return true;
}

void CliSrv::DropPeer(bool announce) {
    if (!out_)
        return;
    QLocalSocket* s = out_;
    out_ = nullptr;
    acked_.clear();
    s->disconnect(this);
    s->abort();
    s->deleteLater();
    if (announce)
        emit PeerGone();
}

void CliSrv::ReadAcks() {
    if (!out_)
        return;
    while (out_->bytesAvailable() >= 4) {
        char b[4];
        out_->read(b, 4);
        acked_.insert(WordAt(b));
    }
}

void CliSrv::ServiceIncoming() {
    if (server_) {
        // Takes connections that arrived while no event loop ran.
        server_->waitForNewConnection(0);
        AcceptPending();
    }
    const auto sockets = incoming_;
    for (const auto& s : sockets) {
        if (!s)
            continue;
        if (s->bytesAvailable() < kHeader)
            s->waitForReadyRead(0);
        Drain(s);
    }
}

CliSrv::Send CliSrv::SendMsgData(const QByteArray& text) {
    if (text.size() > kMaxText)
        return Send::TooLong;
    if (!ConnectPeer())
        return Send::NoPeer;
    const quint32 seq = ++seq_;
    QByteArray record = Word(kIdentifier) + Word(seq) + Word(quint32(text.size() + 1));
    record += text;
    record += '\0';
    QPointer<QLocalSocket> s = out_;
    s->write(record);
    QElapsedTimer silence; // since the peer last showed life
    silence.start();
    for (;;) {
        if (s && s->bytesToWrite() > 0)
            s->waitForBytesWritten(1);
        ReadAcks();
        if (acked_.erase(seq))
            return Send::Delivered;
        if (!s || s != out_ || s->state() != QLocalSocket::ConnectedState) {
            if (s && s == out_)
                DropPeer(true);
            return Send::Lost;
        }
        if (silence.elapsed() >= kAnswerTimeoutMs) {
            DropPeer(true);
            return Send::NoAnswer;
        }
        // Short polls first (the answer usually comes at once), then
        // gentler ones while the peer is busy.
        if (s->bytesAvailable() < 4)
            s->waitForReadyRead(silence.elapsed() < 200 ? 1 : 10);
        // A peer that sends texts of its own while it works is alive,
        // however long its answer takes.
        const quint64 before = taken_;
        ServiceIncoming();
        if (taken_ != before)
            silence.restart();
    }
}

} // namespace lnk
