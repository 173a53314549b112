// The server's side of the link to the display program: sending reports
// (the TCP out-box), the socket's events, refusals, and with --stay the
// display that goes away and the next one that comes.
#include "server/shell/server_shell.h"

#include "link/cli_srv.h"
#include "link/text_rules.h"
#include "link/winsock.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

namespace shell {

namespace {

QString NText(long long v) { return QString::fromStdString(txt::N(v)); }

} // namespace

// ---- link -------------------------------------------------------------------

void ServerShell::SendToClient(const std::string& text) {
    if (ending_)
        return;
    if (UseWindowMessages_) {
        cliSrv_->SendMsgData(QByteArray(text.data(), qsizetype(text.size())));
        return;
    }
    if (!TcpOpen())
        return;
    outBox_ += text;
    // From inside the loop the out-box goes to the socket at the loop's next
    // yield (a millisecond at most), so that one write carries many
    // reports; from outside, at once.
    if (!loopActive_ || qint64(outBox_.size()) > kFlushAt)
        HandOver(qint64(outBox_.size()) > kFlushAt);
}

bool ServerShell::TcpOpen() const {
    return !ending_ && Winsock1 && Winsock1->State() == lnk::Winsock::kConnected && !SendPaused_;
}

void ServerShell::HandOver(bool now) {
    yieldsSinceHandOver_ = 0;
    if (outBox_.empty())
        return;
    if (Winsock1 && Winsock1->State() == lnk::Winsock::kConnected)
        Winsock1->SendData(outBox_.data(), qint64(outBox_.size()));
    outBox_.clear();
    if (!Winsock1)
        return;
    if (now)
        Winsock1->Flush();
    // A display program that does not read holds the loop back instead of
    // letting the queue grow without bound. The wait sleeps in the event
    // loop, so the server stays controllable meanwhile: the socket's room
    // to write, a command from the display ("99#", a stop), a signal or the
    // status window wake it.
    while (!ending_ && Winsock1 && Winsock1->bytesToWrite() > kMaxTcpBacklog &&
           Winsock1->State() == lnk::Winsock::kConnected)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void ServerShell::Winsock1_Connect() {
    everConnected_ = true;
    status_.Command1 = QStringLiteral(" Connected");
    if (options_.stay) {
        // A new display program: nothing of the last one is left over. It
        // sends its own table and NewScan; the first one also has the start
        // table scanned, as without --stay.
        reconnect_->stop();
        waitingForDisplay_ = false;
        SendPaused_ = false;
        RxBuffer.Clear();
        lastSaid_.clear();
        Say(QStringLiteral("connected to the display program at %1").arg(DisplayName()));
        if (setphysPending_) {
            setphysPending_ = false;
            Timer1->start();
        }
    }
    TellFault();
}

// A fault notice sent while nobody could hear it (not yet connected, sending
// paused) is told when the display program can hear again.
void ServerShell::TellFault() {
    if (vna_ && vna_->converterFault())
        SendToClient(msg::Stateinfo(engine::VNA01::kStatusNoAnswer));
}

void ServerShell::Winsock1_Close() {
    if (options_.stay) {
        DisplayGone(QStringLiteral("the display program closed the link"));
        return;
    }
    // The display program closed the connection: nothing can reach this
    // server any more, so it ends rather than keep the port.
    if (Winsock1)
        Winsock1->Close();
    EndProgram(0);
}

void ServerShell::Winsock1_DataArrival() {
    if (Winsock1)
        Arrival(Winsock1->GetData());
}

void ServerShell::Winsock1_Error(int number, const QString& description) {
    status_.Label3 = NText(number) + QLatin1Char(' ') + description;
    if (options_.stay) {
        const QString what = QStringLiteral("socket error %1 %2 (%3)")
                                 .arg(number)
                                 .arg(description, DisplayName());
        if (!waitingForDisplay_)
            DisplayGone(what); // the link broke
        else {
            Say(what + QStringLiteral(": trying again every %1 s").arg(kReconnectMs / 1000));
            TryAgainLater();
        }
        return;
    }
    if (options_.noWindow)
        std::fprintf(stderr, "brindlev1: socket error %d %s (%s)\n", number,
                     qPrintable(description), qPrintable(DisplayName()));
    if (number == lnk::Winsock::kErrUnusable || number == lnk::Winsock::kErrConnectionReset)
        EndProgram(0);
    else if (options_.noWindow && !everConnected_)
        EndProgram(1); // never connected, no window: nothing could reach it
}

// The display program's side refused the handshake, or it does not hold the
// key: nothing reaches the engine. A service tries again; otherwise it is
// told as a socket error would be.
void ServerShell::Winsock1_Refused(const QString& peerAddress, const QString& reason) {
    const QString text = QStringLiteral("the link to the display program at %1 was refused: %2")
                             .arg(DisplayName(), reason);
    // DisplayName() names what was asked for, address and port.
    const QString brief = QStringLiteral("refused: ") + reason + QStringLiteral(" (") + peerAddress + ')';
    if (options_.stay) {
        Say(text + QStringLiteral("; trying again every %1 s").arg(kReconnectMs / 1000), brief);
        TryAgainLater();
        return;
    }
    Say(text, brief);
    if (options_.noWindow && !everConnected_)
        EndProgram(1); // no window: nothing could reach it
}

void ServerShell::DisplayGone(const QString& why) {
    if (ending_ || waitingForDisplay_)
        return;
    waitingForDisplay_ = true;
    if (Winsock1)
        Winsock1->Close();
    // The loop ends at the end of its current iteration (whatever the
    // analyser answers); the port is set to rest once it has.
    deferredTable_ = -1;
    restartWanted_ = false;
    if (vna_) {
        vna_->Stopscan();
        vna_->setRunning(false);
    }
    RestPortIfStopped();
    SendPaused_ = false;
    RxBuffer.Clear();
    outBox_.clear(); // reports for the display program that went away
    status_.Command1 = QStringLiteral(" Waiting for the display");
    Say(why + QStringLiteral(": scan stopped, port at rest; connecting again every %1 s")
                  .arg(kReconnectMs / 1000));
    TryAgainLater();
}

void ServerShell::RestPortIfStopped() {
    if (waitingForDisplay_ && !loopActive_ && vna_)
        port::ReleaseOutputs(*io_, vna_->portBase());
}

void ServerShell::TryAgainLater() {
    if (!ending_)
        reconnect_->start();
}

void ServerShell::Say(const QString& text, const QString& brief) {
    status_.Label3 = brief.isEmpty() ? text : brief;
    if (text == lastSaid_)
        return; // a service trying again every few seconds says it once
    lastSaid_ = text;
    std::fprintf(stderr, "brindlev1: %s\n", qPrintable(text));
}

QString ServerShell::DisplayName() const {
    if (!Winsock1)
        return {};
    const QString host = Winsock1->remoteHost();
    return (host.contains(':') ? '[' + host + ']' : host) + ':' +
           QString::number(Winsock1->remotePort()) +
           (Winsock1->secured() ? QStringLiteral(" (TLS)") : QString());
}

} // namespace shell
