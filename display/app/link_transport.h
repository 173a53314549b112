#pragma once
// The display program's end of the link to the server: a TCP listener that
// accepts the server's connection, or the local channel "Display" that
// waits for the server's channel "VNAIO". It frames what the client object
// `vna` hands out (" #" appended), lets it out only while the link is up
// (otherwise it is dropped, as a link that is down loses its messages), and
// feeds every received piece to the client's receive routine.

#include "link/vna.h"
#include "link/winsock.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <string>

namespace lnk {
class CliSrv;
}

class LinkTransport : public QObject {
    Q_OBJECT
public:
    explicit LinkTransport(QObject* parent = nullptr);
    ~LinkTransport() override;

    /// The client object whose command texts go out here and which receives
    /// what arrives. For the session that owns this transport.
    vna& client() { return client_; }

    /// Opens the local channel (`local`) or listens on TCP port `tcpPort`
    /// (a port text; 0 lets the system choose) on the loopback interface,
    /// or on every interface when `allInterfaces`. A non-empty `key` makes
    /// every connection prove it before it is taken (peers that fail are
    /// told by Refused); empty: the plain protocol. False with the reason in
    /// `error`; nothing stays open then.
    bool Open(bool local, const std::string& tcpPort, bool allInterfaces, const QByteArray& key,
              QString* error);
    /// The TCP port listened on (0 when not listening).
    quint16 tcpPort() const;
    bool local() const { return local_; }
    /// The server is connected (TCP) or its channel is reachable (local).
    bool connected() const;
    /// Address of the server connected last over TCP ("" before any).
    QString peerAddress() const { return peer_; }
    /// Ends the link: "99#" to a connected TCP peer, then everything closed.
    void Close();

signals:
    /// The server connected; `status` says over which link.
    void Connected(const QString& status);
    /// The server closed its end.
    void Closed(const QString& status);
    /// A peer that could not prove the key was turned away (the listener
    /// keeps listening; a connected server stays connected).
    void Refused(const QString& peerAddress, const QString& reason);

private:
    void Send(const QByteArray& text);
    void ConnectionRequest(int requestID);
    void PollPeer();

    vna client_;
    lnk::Winsock winsock_;
    std::unique_ptr<lnk::CliSrv> channel_;
    QTimer peerPoll_;  // runs only while the local channel waits for the server
    QString peer_;
    bool local_ = false;
    bool closed_ = false;
};
