#include "server/shell/server_shell.h"

#include "link/cli_srv.h"
#include "link/link_key.h"
#include "link/link_tls.h"
#include "link/presence.h"
#include "link/text_rules.h"
#include "link/winsock.h"
#include "server/port/priority.h"
#include "sim/steady_time.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <optional>

namespace shell {

namespace {

QString Latin1(std::string_view s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); }
QString NText(long long v) { return QString::fromStdString(txt::N(v)); }

constexpr int kTimer1Ms = 100;

} // namespace

ServerShell::ServerShell(std::unique_ptr<port::PortIo> io, ServerOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options)), io_(std::move(io)) {
    Timer1 = new QTimer(this);
    Timer1->setSingleShot(true);
    Timer1->setInterval(kTimer1Ms);
    connect(Timer1, &QTimer::timeout, this, &ServerShell::Timer1_Timer);
    reconnect_ = new QTimer(this);
    reconnect_->setSingleShot(true);
    reconnect_->setInterval(kReconnectMs);
    connect(reconnect_, &QTimer::timeout, this, [this] {
        if (!ending_ && Winsock1)
            Winsock1->Connect();
    });
}

ServerShell::~ServerShell() {
    // The engine goes before the port it drives.
    vna_.reset();
}

bool ServerShell::Form_Load(QString* error) {
    const ServerArgument& a = options_.argument; // 1. parsed by the caller
    std::optional<QByteArray> key;
    if (!options_.keyFile.isEmpty()) { // before anything starts
        QString why;
        if (!lnk::TlsAvailable(&why)) {
            if (error)
                *error = QStringLiteral("--key: ") + why;
            return false;
        }
        key = lnk::LoadKeyFile(options_.keyFile, error);
        if (!key)
            return false;
    }
    vna_ = std::make_unique<engine::VNA01>(*io_, static_cast<engine::VnaEvents&>(*this)); // 2.
    vna_->setYieldHook([this] { Yield(); });
    vna_->setPriorityHook(CachedPriority());
    status_.Pl = Latin1(a.PortText); // 3.
    SendPaused_ = false;

    if (!a.UseWindowMessages()) { // 4. TCP: the display program listens on 127.0.0.1
        Winsock1 = new lnk::Winsock(this);
        connect(Winsock1, &lnk::Winsock::Connected, this, &ServerShell::Winsock1_Connect);
        connect(Winsock1, &lnk::Winsock::Closed, this, &ServerShell::Winsock1_Close);
        connect(Winsock1, &lnk::Winsock::DataArrival, this, &ServerShell::Winsock1_DataArrival);
        connect(Winsock1, &lnk::Winsock::Error, this, &ServerShell::Winsock1_Error);
        connect(Winsock1, &lnk::Winsock::Refused, this, &ServerShell::Winsock1_Refused);
        if (Winsock1->State() != lnk::Winsock::kClosed)
            Winsock1->Close();
        Winsock1->setRemoteHost(options_.displayHost); // or the --display machine
        if (key)
            Winsock1->setKey(*key);
        status_.Label2 = Latin1(a.ProtocolText);
        // The numeric value of the text ("dde" is port 0); a value that is
        // no port number connects nowhere and raises an error.
        const std::optional<int32_t> port = txt::ToInt32(txt::Val(a.ProtocolText));
        Winsock1->setRemotePort(options_.displayPort != 0 ? options_.displayPort
                                : port && *port >= 0 && *port <= 65535 ? quint16(*port)
                                                                       : 0);
        waitingForDisplay_ = options_.stay;
        Winsock1->Connect();
    } else {
        cliSrv_ = new lnk::CliSrv(QStringLiteral("VNAIO"), QStringLiteral("Display"), {}, this);
        if (!cliSrv_->Open(error))
            return false;
        connect(cliSrv_, &lnk::CliSrv::MsgData, this, &ServerShell::Arrival);
        connect(cliSrv_, &lnk::CliSrv::PeerGone, this, [this] { EndProgram(0); });
        UseWindowMessages_ = true;
        if (!cliSrv_->ConnectPeer() && options_.noWindow) {
            // Nothing could ever reach a server with no window and no peer.
            if (error)
                *error = QStringLiteral("no display program: the local channel %1 is not there")
                             .arg(cliSrv_->peerPath());
            return false;
        }
    }
    presence_ = new lnk::ProgramPresence(QStringLiteral("BrindleV1"), {}, this);
    presence_->Announce(); // a second server still runs (other TCP port); the display warns

    status_.Label12 = lnk::ProgramPresence::IsRunning(QStringLiteral("tavrel13"))
                          ? QStringLiteral(" Found ")
                          : QStringLiteral(" not found "); // 5.
    vna_->SetUpScan(0, 99, 500000, 600000000, 2, 8, 24, 255, 255, 255, 255, 255); // 6.
    Timer1->start(); // 7.
    return true;
}

void ServerShell::Timer1_Timer() {
    Timer1->stop();
    if (ending_)
        return;
    if (waitingForDisplay_) { // a service scans only for a display program
        setphysPending_ = true;
        return;
    }
    RunLoop(-1);
}

// Runs the scan loop from the top of the event loop, or, when a loop runs
// already, has the engine restart it (setphys and NewScan return at once).
void ServerShell::RunLoop(int table) {
    const ServerArgument& a = options_.argument;
    auto call = [&] {
        return table < 0 ? vna_->setphys(a.PortText, a.ClockText)
                         : vna_->NewScan(int16_t(table));
    };
    if (loopActive_) {
        const engine::VnaResult r = call();
        if (table < 0 && r != engine::VnaResult::Ok) {
            emit Problem(QStringLiteral("cannot start the scan with port \"%1\" and clock \"%2\": %3")
                             .arg(Latin1(a.PortText), Latin1(a.ClockText),
                                  QString::fromLatin1(engine::ResultText(r))));
            EndProgram(1);
        }
        return;
    }
    for (;;) {
        loopActive_ = true;
        restartWanted_ = table >= 0;
        const engine::VnaResult r = call();
        loopActive_ = false;
        HandOver(false); // the reports of the loop's last stretch
        RestPortIfStopped();
        if (table < 0 && r != engine::VnaResult::Ok) {
            emit Problem(QStringLiteral("cannot start the scan with port \"%1\" and clock \"%2\": %3")
                             .arg(Latin1(a.PortText), Latin1(a.ClockText),
                                  QString::fromLatin1(engine::ResultText(r))));
            EndProgram(1);
            return;
        }
        // A NewScan taken inside the loop after its last Stopscan wants the
        // scan to go on, even if the stop took effect in the same iteration.
        if (ending_ || !restartWanted_ || !vna_->status().problem.empty())
            return;
        table = vna_->CurrentTable();
    }
}

void ServerShell::DeferNewScan(int16_t table) {
    deferredTable_ = table;
    QTimer::singleShot(0, this, [this] {
        if (ending_ || deferredTable_ < 0)
            return;
        const int t = deferredTable_;
        deferredTable_ = -1;
        RunLoop(t);
    });
}

std::function<bool(int32_t)> CachedPriority() {
    return [last = int32_t(-1), ok = false](int32_t priorityClass) mutable {
        if (priorityClass != last) {
            last = priorityClass;
            ok = port::SetOwnPriority(priorityClass);
        }
        return ok;
    };
}

void ServerShell::Yield() {
    // The loop yields every iteration that waits and every one of state 4,
    // a few microseconds apart while it spins, a slice of a sleep apart
    // while it sleeps. Look at the clock after every sleep, and otherwise
    // only every kYieldCallsPerLook calls; run events at most every
    // kYieldIntervalUs.
    if (ending_)
        return;
    const uint64_t sleeps = sim::Sleeps();
    if (sleeps == lastSleeps_ && (++yieldCalls_ & (kYieldCallsPerLook - 1)) != 0)
        return;
    lastSleeps_ = sleeps;
    const qint64 now = yieldClock_.Counter() / 1000;
    if (now - lastYieldUs_ < kYieldIntervalUs)
        return;
    lastYieldUs_ = now;
    if (++yieldsSinceHandOver_ >= kYieldsPerHandOver)
        HandOver(false);
    QCoreApplication::processEvents();
}

// ---- engine events --------------------------------------------------------

void ServerShell::Stateinfo(int16_t Statid) {
    status_.lastState = Statid;
    // Of the loop's states only the converter's fault and its end go to the
    // display program, once each per episode.
    if (Statid != engine::VNA01::kStatusNoAnswer && Statid != engine::VNA01::kStatusAnswers)
        return;
    SendToClient(msg::Stateinfo(Statid));
    if (options_.noWindow && Statid == engine::VNA01::kStatusNoAnswer)
        std::fprintf(stderr, "brindlev1: %s\n", vna_->status().fault.c_str());
}

void ServerShell::Rateinfo(int16_t rat) { SendToClient(msg::Rateinfo(rat)); }

void ServerShell::DataReady(const engine::DataRecord& r) {
    if (!UseWindowMessages_) {
        // Written straight into the out-box: no text of its own, no copy.
        if (TcpOpen()) {
            msg::AppendDataReady(outBox_, r.ta, r.Idx, r.rf, r.LOPH, r.dat, r.tag, r.ADCS,
                                 r.ADCBits, r.VNATime, r.B0, r.B1, r.B2, r.B3, r.B4);
            if (qint64(outBox_.size()) > kFlushAt)
                HandOver(true);
        }
        return;
    }
    report_.clear();
    msg::AppendDataReady(report_, r.ta, r.Idx, r.rf, r.LOPH, r.dat, r.tag, r.ADCS, r.ADCBits,
                         r.VNATime, r.B0, r.B1, r.B2, r.B3, r.B4);
    SendToClient(report_);
}

void ServerShell::EndScan() { SendToClient(msg::EndScan()); }

void ServerShell::Notice(const std::string& text) { emit Problem(QString::fromStdString(text)); }

// ---- commands -----------------------------------------------------------------

void ServerShell::Arrival(const QByteArray& text) {
    if (ending_)
        return; // ended by an earlier message: the rest is not read
    RxBuffer.Append(std::string_view(text.constData(), size_t(text.size())));
    std::string message;
    bool handled = false;
    while (!ending_ && RxBuffer.Next(message)) {
        msg::SplitFields(message, Fields);
        Dispatch(message);
        handled = true;
    }
    // The labels show the last message and what is left after it. Set once
    // per arrival: a piece may hold thousands of messages, and copying the
    // rest of it after each one would take time quadratic in its length.
    if (handled)
        status_.Label2 = Latin1(message);
    status_.Label10 = Latin1(RxBuffer.Unread());
}

// Carries out one command. Its numeric fields must convert whole to their
// types (16-bit I, 32-bit L); a command where one does not is ignored and
// the engine is left untouched.
void ServerShell::Dispatch(const std::string& message) {
    auto I = [this](int i) { return txt::FieldToInt16(Fields[size_t(i)]); };
    auto L = [this](int i) { return txt::FieldToInt32(Fields[size_t(i)]); };
    switch (msg::CodeOf(Fields)) {
    case msg::kSetUpScan: {
        const auto ta = I(1), n = I(2), b0 = I(8), b1 = I(9), b2 = I(10), b3 = I(11), b4 = I(12);
        const auto sf = L(3), ef = L(4);
        const auto s = I(5), t = I(6), bits = I(7);
        if (!(ta && n && sf && ef && s && t && bits && b0 && b1 && b2 && b3 && b4))
            return;
        status_.Label4 = QStringLiteral("Setupscan");
        vna_->SetUpScan(*ta, *n, *sf, *ef, *s, *t, *bits, *b0, *b1, *b2, *b3, *b4);
        return;
    }
    case msg::kSetUpEntry: {
        const auto ta = I(1), idx = I(2), s = I(4), t = I(5), bits = I(6), e = I(7);
        const auto f = L(3);
        const auto b0 = I(8), b1 = I(9), b2 = I(10), b3 = I(11), b4 = I(12);
        if (!(ta && idx && f && s && t && bits && e && b0 && b1 && b2 && b3 && b4))
            return;
        status_.Label4 = QStringLiteral("SetupEntry");
        vna_->SetUpEntry(*ta, *idx, *f, *s, *t, *bits, *e, *b0, *b1, *b2, *b3, *b4);
        return;
    }
    case msg::kEditEntry: {
        const auto ta = I(1), idx = I(2), valu = I(4);
        if (!(ta && idx && valu))
            return;
        status_.Label4 = QStringLiteral("editentry");
        status_.Label9 = Latin1(message);
        vna_->EditEntry(*ta, *idx, Fields[3], *valu);
        return;
    }
    case msg::kMarkEnd: {
        const auto ta = I(1), idx = I(2);
        if (!(ta && idx))
            return;
        status_.Label4 = QStringLiteral("MarkEnd");
        vna_->MarkEnd(*ta, *idx);
        return;
    }
    case msg::kNewScan: {
        const auto ta = I(1);
        if (!ta || (*ta != 0 && *ta != 1))
            return; // the engine would refuse it too
        status_.Label4 = QStringLiteral("NewScan");
        if (loopActive_) {
            deferredTable_ = -1;
            restartWanted_ = true;
            vna_->NewScan(*ta);
        } else {
            DeferNewScan(*ta);
        }
        return;
    }
    case msg::kStopscan:
        status_.Label4 = QStringLiteral("StopScan");
        deferredTable_ = -1; // a NewScan not started yet is stopped too
        restartWanted_ = false;
        vna_->Stopscan();
        return;
    case msg::kStopTcp:
        SendPaused_ = true;
        return;
    case msg::kStartTcp:
        if (SendPaused_) {
            SendPaused_ = false;
            TellFault();
        }
        return;
    case msg::kClose:
        if (options_.stay) { // a service outlives its display programs
            DisplayGone(QStringLiteral("the display program ended the link (99)"));
            return;
        }
        if (Winsock1)
            Winsock1->Close();
        EndProgram(0);
        return;
    case 0:
        status_.Command1 = Latin1(std::string_view(message).substr(std::min<size_t>(4, message.size())));
        return;
    case msg::kMount:
        status_.Label4 = QStringLiteral("Mount");
        Mount(QString::fromLatin1(Fields[1].data(), qsizetype(Fields[1].size())));
        return;
    case msg::kShowState: {
        const auto show = I(1);
        if (!show || (*show != 0 && *show != 1))
            return;
        status_.Label4 = QStringLiteral("ShowState");
        emit ShowState(*show == 1);
        return;
    }
    default:
        return; // codes this server does not know
    }
}

bool ServerShell::Mount(const QString& fixture) {
    return io_->Mount(fixture.toLatin1().toStdString());
}

// ---- status and end -------------------------------------------------------------

void ServerShell::RefreshStatus() {
    if (!vna_)
        return;
    const engine::VnaStatus& e = vna_->status();
    status_.Label8 = QString::fromStdString(e.Label8);
    status_.Label1 = QString::fromStdString(e.Label1);
    status_.Label11 = QString::fromStdString(e.Label11);
    if (e.Command1 != lastEngineCommand1_) { // "Table = 1" is newer than what we wrote
        lastEngineCommand1_ = e.Command1;
        status_.Command1 = QString::fromStdString(e.Command1);
    }
    status_.bits = {e.Byt1, e.Byt2, e.byt3, e.byt4, e.Byt5};
    status_.Label5 = NText(status_.lastState);
    status_.problem = QString::fromStdString(e.problem);
    status_.fault = QString::fromStdString(e.fault);
}

void ServerShell::Form_Unload() { EndProgram(0); }

void ServerShell::EndProgram(int code) {
    if (ending_)
        return;
    ending_ = true;
    exitCode_ = code;
    deferredTable_ = -1;
    restartWanted_ = false;
    Timer1->stop();
    reconnect_->stop();
    if (Winsock1)
        Winsock1->Close();
    if (cliSrv_)
        cliSrv_->Close();
    if (vna_) { // the loop ends at the end of its current iteration
        vna_->Stopscan();
        vna_->setRunning(false);
    }
    emit Ended(code);
}

} // namespace shell
