#pragma once
// The display program's session: the start-up and shutdown of the main
// window without its widgets, and the one object the windows talk to. It
// is made of three parts with one job each, which callers never reach
// directly: the server process (ServerProcess), the link to it
// (LinkTransport) and the measurement (MeasurementSession). The windows
// register here, one small interface each (WindowViews); the state it works
// on is the program's one MeasureState and calibration table.

#include "display/app/link_plan.h"
#include "display/app/link_transport.h"
#include "display/app/measurement_session.h"
#include "display/app/server_process.h"
#include "display/app/window_views.h"
#include "display/calib/calib_table.h"
#include "display/calib/contfile.h"
#include "display/config/config_file.h"
#include "display/config/vna_test_run.h"
#include "display/measure/measure_state.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>

class Skala;
namespace lnk {
class ProgramPresence;
}

/// How the program was started: where it works and what it passes on to
/// the server besides the configuration's driver choice.
struct StartOptions {
    QString workDir;              ///< the current directory (tavrel.Cfg, *.cd)
    QString programDir;           ///< the folder of the running executable
    QString serverPath;           ///< the server program; empty: looked for
    QString calFile;              ///< calibration file; empty: the default one
    QStringList serverOptions;    ///< --virtual-time, --seed N, --noise, --trace, --dut ...
    bool serverWindow = true;     ///< false: the server runs with --no-window
    bool remoteServer = false;    ///< wait for a server on another machine (or the configuration's)
    QString keyFile;              ///< the link key file; empty: the configuration's
};

class MasterSession : public MeasurementEvents, public ScanTableTarget {
    Q_OBJECT
public:
    static constexpr int kFreqScale = 4;
    /// The status line while the analyser does not answer (state report 95).
    static constexpr const char* kNoAnswerText =
        "the analyser does not answer: is it switched on and connected?";

    MasterSession(MeasureState& s, CalibTable& cal, QObject* parent = nullptr);
    ~MasterSession() override;

    // ---- the windows (nullptr unregisters) ----
    void setMainWindow(MainWindowView* v) { views_.setMainWindow(v); }
    void setGraph(GraphView* v) { views_.setGraph(v); }
    void setSmith(SmithView* v) { views_.setSmith(v); }
    void setDiagnostic(DiagnosticView* v) { views_.setDiagnostic(v); }
    void setCalibration(CalibrationView* v) { views_.setCalibration(v); }
    /// How often an event of this kind found no registered window.
    int unheard(WindowViews::Event e) const { return views_.unheard(e); }

    // ---- start-up and shutdown ----
    /// Where the program works and what it passes to the server; sets the
    /// built-in help address. Called before the windows are made.
    void setOptions(const StartOptions& options);
    const StartOptions& options() const { return options_; }
    /// The start-up sequence without the windows. Problems are told to the
    /// main window (Message/Status); returns false when the link or the
    /// server could not be started, or a calibration file asked for could
    /// not be read (the reason in lastError()).
    bool Startup();
    /// Stops the server: "99#" over a connected TCP link, the local channel
    /// closed; waits a moment for the server process to end.
    void Shutdown();
    QString lastError() const { return lastError_; }
    /// lastError() has been shown already (as a message).
    bool lastErrorShown() const { return lastErrorShown_; }

    /// The program title: "Tavrel for Kestin VNA By Marvik     Version" and
    /// the version numbers.
    QString title() const { return title_; }
    /// The server command line's argument: port, clock, and the TCP port
    /// or "DDE", comma-separated.
    QString ServerArgument() const;
    /// Every argument the server is started with.
    QStringList ServerArguments() const;
    /// The TCP port listened on for the server (0 when not listening).
    quint16 tcpPort() const { return link_.tcpPort(); }
    /// How the start-up opened the link (valid after Startup).
    const LinkPlan& linkPlan() const { return plan_; }
    /// The default calibration file of the switch option.
    QString DefaultCalFile() const;
    /// Reads a calibration file into the calibration table (unchanged on
    /// failure); the message (empty on success) names the file and line.
    QString LoadCalibration(const QString& fileName);

    /// The server has connected, has started scanning (its first report
    /// arrived) and has been sent the first scan.
    bool linkUp() const;

    // ---- what the windows call ----
    void vnaSetUpScan(int16_t ta, int16_t numtest, int32_t SF, int32_t EF, int16_t ADCS,
                      int16_t VnaT, int16_t ADCBi, int16_t B0, int16_t B1, int16_t B2,
                      int16_t B3, int16_t B4);
    void vnaSetUpEntry(int16_t ta, int16_t Idx, int32_t F, int16_t ADCS, int16_t VnaT,
                       int16_t ADCBi, int16_t e, int16_t B0, int16_t B1, int16_t B2, int16_t B3,
                       int16_t B4) override;
    void VnaEditEntry(int16_t ta, int16_t Idx, const QByteArray& Fiel, int32_t valu);
    void vnaNewScan(int16_t ta);
    void VnaStopscan();
    void VnaStopTCP();
    void VnaStartTCP();
    void vnaMarkEnd(int16_t a, int16_t b) override;
    /// Mounts a fixture on the simulated analyser.
    void VnaMount(const QByteArray& fixture);
    /// Every piece of incoming link text.
    void arrivalproc(const QByteArray& piece);
    /// FrmDebug's TempCorr, as the data path asks it.
    bool TempCorr() const { return measure_.TempCorr(); }

    // ---- measured S-parameter ----
    void VnaMessure_Click() { measure_.VnaMessure_Click(); }
    void ConfigDone_Click() { measure_.ConfigDone_Click(); }
    static QString MessureCaption(int smessure) {
        return MeasurementSession::MessureCaption(smessure);
    }
    /// Sets Smessure and the switch word for it (bridge and port switch).
    void SetMeasured(int16_t smessure) { measure_.SetMeasured(smessure); }

    // ---- the program's state ----
    MeasureState& state() { return s_; }
    CalibTable& calib() { return cal_; }
    const VnaConfig& config() const { return cfg_; }
    /// The main window's five scales; 4 is the frequency scale.
    Skala& Scales(int i) { return *scales_[static_cast<size_t>(i)]; }
    /// The logic behind the main window's sweep controls.
    SweepControl& sweep() { return measure_.sweep(); }
    QString builtInHelp() const { return QString::fromStdString(builtInHelp_); }
    /// The title of S-data slot 0..12 (the display settings' VnaCTitle);
    /// slot 0, the live measurement, is "Measurement" until it is changed.
    /// Out-of-range slots have no title.
    QString VnaCTitle(int slot) const;
    void setVnaCTitle(int slot, const QString& title);
    /// Sets the configuration (the configuration window's Load and edits).
    /// Type, switch option, help page and the user bytes take effect at
    /// once (changed user bytes are edited into every row of the running
    /// sweep); port, clock, link and driver at the next start.
    void setConfig(const VnaConfig& cfg);
    /// "Test VNA": a short check of the analyser through the server
    /// (VnaCheck); the result comes by VnaTestProgress/VnaTestFinished.
    void TestVna();
    /// "ShowState": shows or hides the server's status window.
    void ShowServerState(bool show);
    /// initCFG over the working directory; false when the file is missing
    /// (the message has been shown).
    bool initCFG();

signals:
    /// Every command text handed to the link, whether or not the link is up
    /// to carry it (diagnostics and tests).
    void CommandText(const QByteArray& text);
    // RecordArriving, RecordIn, ScanEnded: see MeasurementEvents.
    /// The server process ended.
    void ServerEnded(int exitCode, const QString& errorOutput);
    /// The user bytes B0..B4 the scans carry changed (MeasureState::ControlBytes).
    void UserBytesChanged();
    /// Test VNA is under way / has ended: the report so far / the result.
    void VnaTestProgress(const QString& report);
    void VnaTestFinished(bool passed, const QString& report);

private:
    void SetUpScales();
    bool StartServer();
    /// Opens the link as planned and starts the server unless it is remote.
    bool OpenLink();
    void vna_Rateinfo(qint16 rate);
    void vna_Stateinfo(qint16 Statid);
    bool Fail(const QString& error);

    MeasureState& s_;
    CalibTable& cal_;
    VnaConfig cfg_;
    std::string builtInHelp_;
    WindowViews views_;
    std::array<std::unique_ptr<Skala>, 5> scales_;  // made before the parts that use them
    LinkTransport link_;
    ServerProcess server_;
    MeasurementSession measure_;
    VnaTestRun vnaTest_;
    std::unique_ptr<lnk::ProgramPresence> presence_;
    StartOptions options_;
    LinkPlan plan_;
    QString title_;
    QString lastError_;
    bool lastErrorShown_ = false;
    std::array<QString, kSdataTables> vnaCTitle_{"Measurement"};
    bool noAnswerShown_ = false;
    bool shutDown_ = false;
};
