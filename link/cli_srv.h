#pragma once
// The local link between the display program and the instrument server: each
// program owns a channel named after its window title ("Display", "VNAIO") in
// the user's channel directory and sends its texts to the peer's channel.
//
// What the link keeps of the window-message transport it stands for:
// - a text is at most kMaxText (254) characters; a longer one is refused;
// - the bytes travel with a closing zero; the receiver cuts the text at its
//   first zero character;
// - delivery is synchronous: SendMsgData returns once the peer's receive
//   routine (the handler of MsgData) has returned. While it waits, texts the
//   peer sends to us are handled (MsgData is emitted re-entrantly), so two
//   programs that send to each other from inside their handlers never
//   deadlock. Nothing else runs during the wait: no timers, no other events.
//   A peer that stays silent for kAnswerTimeoutMs (no answer, no text of its
//   own) is taken as gone: a hung program must not hang this one as well.
//
// Wire form of one record: identifier, sequence number and byte count as
// three 32-bit little-endian words, then the bytes (text + zero). Only
// identifier 3 is delivered. The receiver answers each record with its
// sequence number once its handler has returned.
//
// Only the owning user can connect: the channels are opened and reached only
// in a private channel directory (PrivateChannelDirectory). Lives on one
// thread.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <set>

class QLocalServer;
class QLocalSocket;

namespace lnk {

class CliSrv : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxText = 254;     ///< longest text a record carries
    static constexpr quint32 kIdentifier = 3; ///< the only record identifier delivered
    static constexpr int kAnswerTimeoutMs = 5000; ///< silence after which the peer is gone

    enum class Send {
        Delivered, ///< the peer has handled the text
        NoPeer,    ///< no channel of that title: the text is lost
        TooLong,   ///< more than kMaxText characters: refused, nothing sent
        Lost,      ///< the peer went away before answering
        NoAnswer,  ///< the peer stayed silent for kAnswerTimeoutMs: dropped as gone
    };

    /// `directory` empty: the user's channel directory (ChannelDirectory()).
    CliSrv(QString ownTitle, QString peerTitle, QString directory = {}, QObject* parent = nullptr);
    ~CliSrv() override;

    /// Opens the own channel. False, with the reason in `error`, when a live
    /// program already holds it, it cannot be created, or the channel
    /// directory is not private (the message names the directory).
    bool Open(QString* error = nullptr);
    /// Closes the own channel and the connection to the peer.
    void Close();
    bool isOpen() const;

    /// Sends `text` to the peer and waits until the peer has handled it, or
    /// until it has been silent for kAnswerTimeoutMs; then the peer is
    /// dropped and PeerGone raised, as when its channel closes.
    Send SendMsgData(const QByteArray& text);

    /// Connects to the peer's channel now (SendMsgData does it on demand);
    /// true when the peer is there (in a private channel directory). Once
    /// connected, losing the peer raises PeerGone.
    bool ConnectPeer();
    bool peerConnected() const;

    QString ownPath() const { return ownPath_; }
    QString peerPath() const { return peerPath_; }

signals:
    /// A text received on the own channel (cut at its first zero).
    void MsgData(const QByteArray& text);
    /// The peer's channel closed after it had been connected.
    void PeerGone();

private:
    void AcceptPending();
    void Drain(QLocalSocket* s);
    bool TakeRecord(QLocalSocket* s);
    void ReadAcks();
    void ServiceIncoming();
    void DropPeer(bool announce);

    QString ownTitle_, peerTitle_;
    QString ownPath_, peerPath_;
    QLocalServer* server_ = nullptr;
    QList<QPointer<QLocalSocket>> incoming_;
    QPointer<QLocalSocket> out_;
    quint32 seq_ = 0;
    quint64 taken_ = 0; ///< records received so far
    std::set<quint32> acked_;
};

} // namespace lnk
