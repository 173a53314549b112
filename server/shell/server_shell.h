#pragma once
// The instrument server's logic, without widgets: start-up from the command
// line, the link back to the display program (TCP or the local link), the
// dispatch of received commands to the scan engine, the forwarding of the
// engine's events as reports, and the texts the status window shows.
//
// Threading and re-entrancy: everything runs on the one thread. The scan
// loop runs inside Timer1_Timer (or a deferred NewScan) and lets pending
// events run at its yield points, so Arrival and the socket handlers run
// nested inside the loop. The loop itself is only ever started from the top
// of the event loop, never from inside a receive handler: a NewScan that
// arrives while no loop runs is deferred to the event loop, so receive
// handlers always return (a socket whose handler never returns is deaf, and
// a peer waiting for a synchronous local send would wait for ever).

#include "server/engine/vna01.h"
#include "server/port/clock.h"
#include "server/shell/command_line.h"
#include "server/shell/shell_status.h"

#include "link/messages.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QTimer;

namespace lnk {
class CliSrv;
class ProgramPresence;
class Winsock;
} // namespace lnk

namespace shell {

/// The process priority hook the server gives the engine: the engine asks
/// for the same class every row; only a change reaches the system.
std::function<bool(int32_t)> CachedPriority();

class ServerShell : public QObject, private engine::VnaEvents {
    Q_OBJECT
public:
    /// Takes the opened port (the engine drives it) and the parsed command
    /// line. Nothing starts before Form_Load.
    ServerShell(std::unique_ptr<port::PortIo> io, ServerOptions options,
                QObject* parent = nullptr);
    ~ServerShell() override;

    /// Start-up in the documented order: fields, engine, link (TCP connect to
    /// 127.0.0.1 or the --display host, or the local channel "VNAIO"),
    /// " Found "/" not found " for the display program, the start table,
    /// Timer1. False (reason in `error`) when the server cannot run: the
    /// local channel is held by another live server, or the --key file
    /// cannot be used.
    bool Form_Load(QString* error = nullptr);
    /// Closes the link, stops the engine and ends the program (Ended).
    void Form_Unload();

    /// Entry point for received text from either transport.
    void Arrival(const QByteArray& text);

    /// Sends a report to the display program: over the local link, or over
    /// TCP while connected and not paused; otherwise dropped.
    void SendToClient(const std::string& text);

    /// Mounts a fixture on the simulated analyser (the status window's
    /// choice and command 0100). False for an unknown name.
    bool Mount(const QString& fixture);

    /// Copies the engine's status record into status() (the window's display
    /// timer calls this; the loop never does).
    void RefreshStatus();
    const ShellStatus& status() const { return status_; }

    engine::VNA01& engine() { return *vna_; }
    port::PortIo& io() { return *io_; }
    const ServerArgument& argument() const { return options_.argument; }
    bool SendPaused() const { return SendPaused_; }
    bool UseWindowMessages() const { return UseWindowMessages_; }
    bool loopActive() const { return loopActive_; }
    bool ending() const { return ending_; }
    int exitCode() const { return exitCode_; }

    /// Minimum time between two runs of pending events from the loop's yield
    /// points (the loop yields every few microseconds while it spins, and
    /// after each slice of a sleeping wait).
    static constexpr int kYieldIntervalUs = 1000;
    static constexpr unsigned kYieldCallsPerLook = 16; ///< a power of two
    /// Reports collected for TCP beyond this are handed to the system at once.
    static constexpr qint64 kFlushAt = 64 * 1024;
    /// Reports collected for TCP go to the socket at every this many runs of
    /// pending events from the loop (a few milliseconds at most).
    static constexpr int kYieldsPerHandOver = 4;
    /// Reports queued on TCP beyond this wait until the display reads them.
    static constexpr qint64 kMaxTcpBacklog = 4 * kFlushAt;
    /// With --stay: time between two attempts to reach the display program.
    static constexpr int kReconnectMs = 3000;

    /// With --stay: no display program is connected (none yet, or it went
    /// away); the scan is stopped and the port at rest.
    bool waitingForDisplay() const { return waitingForDisplay_; }

signals:
    /// The program ends with this status (the engine has stopped).
    void Ended(int exitCode);
    /// Something the user should see (a message box in the window, an
    /// error line without it).
    void Problem(const QString& text);
    /// The display program asks to show or hide the status window (0101).
    void ShowState(bool show);

private:
    // Engine events (called from inside the loop).
    void Stateinfo(int16_t Statid) override;
    void Rateinfo(int16_t rat) override;
    void DataReady(const engine::DataRecord& r) override;
    void EndScan() override;
    void Notice(const std::string& text) override;

    void Timer1_Timer();
    void Winsock1_Connect();
    void Winsock1_Close();
    void Winsock1_DataArrival();
    void Winsock1_Error(int number, const QString& description);
    void Winsock1_Refused(const QString& peerAddress, const QString& reason);

    // --stay: the display program went away; stop, rest the port, try again.
    void DisplayGone(const QString& why);
    void RestPortIfStopped();
    void TryAgainLater();
    // stderr (once per text) and the status window's socket line (`brief`
    // there when given: the field is short).
    void Say(const QString& text, const QString& brief = {});
    QString DisplayName() const;

    /// Reports may go out over TCP now: connected, not paused, not ending.
    bool TcpOpen() const;
    /// Hands the out-box to the socket (`now`: and on to the system at
    /// once), then waits while the display lets too much pile up.
    void HandOver(bool now);
    void Dispatch(const std::string& message);
    void TellFault();
    void Yield();
    void RunLoop(int table); // -1: setphys
    void DeferNewScan(int16_t table);
    void EndProgram(int code);

    ServerOptions options_;
    std::unique_ptr<port::PortIo> io_;
    std::unique_ptr<engine::VNA01> vna_;
    lnk::Winsock* Winsock1 = nullptr;
    lnk::CliSrv* cliSrv_ = nullptr;
    lnk::ProgramPresence* presence_ = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* reconnect_ = nullptr;

    bool UseWindowMessages_ = false;
    bool SendPaused_ = false;
    msg::FrameBuffer RxBuffer;
    msg::Fields Fields;
    std::string report_; // the DataReady text being sent (reused)
    std::string outBox_; // reports for TCP not yet handed to the socket
    ShellStatus status_;
    std::string lastEngineCommand1_;

    bool loopActive_ = false;  // a loop runs (started from the top level)
    int deferredTable_ = -1;   // NewScan waiting for the event loop
    bool restartWanted_ = false; // a NewScan came after the last Stopscan
    bool everConnected_ = false;
    bool waitingForDisplay_ = false; // --stay: between two display programs
    bool setphysPending_ = false;    // --stay: the start timer fired before any display came
    QString lastSaid_;
    bool ending_ = false;
    int exitCode_ = 0;
    qint64 lastYieldUs_ = 0;
    int yieldsSinceHandOver_ = 0;
    port::SteadyClock yieldClock_;
    unsigned yieldCalls_ = 0;
    uint64_t lastSleeps_ = 0;
};

} // namespace shell
