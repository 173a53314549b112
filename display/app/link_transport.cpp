#include "display/app/link_transport.h"

#include "link/cli_srv.h"
#include "link/messages.h"
#include "link/text_rules.h"

LinkTransport::LinkTransport(QObject* parent) : QObject(parent) {
    connect(&client_, &vna::SendData, this, &LinkTransport::Send);
    connect(&winsock_, &lnk::Winsock::ConnectionRequest, this,
            &LinkTransport::ConnectionRequest);
    connect(&winsock_, &lnk::Winsock::DataArrival, this,
            [this](qint64) { client_.ReceiveData(winsock_.GetData()); });
    connect(&winsock_, &lnk::Winsock::Closed, this, [this] {
        if (!closed_)
            emit Closed("The server closed the link.");
    });
    connect(&winsock_, &lnk::Winsock::Refused, this, &LinkTransport::Refused);
    peerPoll_.setInterval(100);
    connect(&peerPoll_, &QTimer::timeout, this, &LinkTransport::PollPeer);
}

LinkTransport::~LinkTransport() { Close(); }

bool LinkTransport::Open(bool local, const std::string& tcpPort, bool allInterfaces,
                         const QByteArray& key, QString* error) {
    local_ = local;
    closed_ = false;
    if (local_) {
        channel_ = std::make_unique<lnk::CliSrv>("Display", "VNAIO");
        connect(channel_.get(), &lnk::CliSrv::MsgData, &client_, &vna::ReceiveData);
        connect(channel_.get(), &lnk::CliSrv::PeerGone, this, [this] {
            if (!closed_)
                emit Closed("The server's channel closed.");
        });
        QString why;
        if (!channel_->Open(&why)) {
            channel_.reset();
            if (error)
                *error = "Cannot open the local link \"Display\": " + why;
            return false;
        }
        peerPoll_.start();
        return true;
    }
    const double port = txt::Val(tcpPort);
    const QString portText = QString::fromStdString(tcpPort);
    if (port < 0 || port > 65535) {
        if (error)
            *error = "The TCP port " + portText + " is not a port number.";
        return false;
    }
    winsock_.setLocalPort(static_cast<quint16>(port));
    winsock_.setBindAddress(allInterfaces ? QHostAddress(QHostAddress::Any)
                                          : QHostAddress(QHostAddress::LocalHost));
    winsock_.setKey(key);
    if (!winsock_.Listen()) {
        if (error)
            *error = "Cannot listen on TCP port " + portText +
                     " (is another display program running?).";
        return false;
    }
    return true;
}

quint16 LinkTransport::tcpPort() const { return winsock_.listening() ? winsock_.localPort() : 0; }

bool LinkTransport::connected() const {
    if (local_)
        return channel_ && channel_->peerConnected();
    return winsock_.State() == lnk::Winsock::kConnected;
}

void LinkTransport::Close() {
    if (closed_)
        return;
    closed_ = true;
    peerPoll_.stop();
    if (winsock_.State() == lnk::Winsock::kConnected) {
        winsock_.SendData(QByteArray::fromStdString(msg::StopText()));
        winsock_.waitForBytesWritten(1000);
    }
    if (winsock_.State() != lnk::Winsock::kClosed)
        winsock_.Close();
    winsock_.StopListening();
    if (channel_)
        channel_->Close();
}

void LinkTransport::Send(const QByteArray& text) {
    const QByteArray wire = text + " #";
    if (local_) {
        if (channel_)
            channel_->SendMsgData(wire);
    } else if (winsock_.State() == lnk::Winsock::kConnected) {
        winsock_.SendData(wire);
    }
}

void LinkTransport::ConnectionRequest(int requestID) {
    // A new request replaces the connection there was.
    if (winsock_.State() != lnk::Winsock::kClosed)
        winsock_.Close();
    client_.ClearReceived();
    winsock_.Accept(requestID);
    peer_ = winsock_.peerAddress();
    emit Connected(winsock_.secured() ? "Server connected from " + peer_
                                      : QString("Link to the server up (TCP)."));
}

void LinkTransport::PollPeer() {
    if (channel_ && channel_->ConnectPeer()) {
        peerPoll_.stop();
        emit Connected("Link to the server up (local channel).");
    }
}
