#pragma once
// The main window's logic without widgets: start-up and shutdown, the link
// to the instrument server (TCP listener or local channels) and the server
// process, the outgoing and incoming link text, the data records and the
// end-of-scan handling, and the choice of the measured S-parameter. The
// window (or the batch mode) shows what this object reports through
// MasterView; the state it works on is the program's one MeasureState.

#include "display/calib/calib_events.h"
#include "display/calib/calib_table.h"
#include "display/calib/contfile.h"
#include "display/config/config_file.h"
#include "display/measure/master/sweep_control.h"
#include "display/measure/measure_state.h"
#include "link/vna.h"
#include "link/winsock.h"

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <array>
#include <memory>

class Skala;
class MasterView;
namespace lnk {
class CliSrv;
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
};

class MasterSession : public QObject, public CalibEvents, public ScanTableTarget {
    Q_OBJECT
public:
    static constexpr int kFreqScale = 4;

    MasterSession(MeasureState& s, CalibTable& cal, QObject* parent = nullptr);
    ~MasterSession() override;

    void setView(MasterView* view);

    // ---- start-up and shutdown ----
    /// Where the program works and what it passes to the server; sets the
    /// built-in help address. Called before the windows are made.
    void setOptions(const StartOptions& options);
    const StartOptions& options() const { return options_; }
    /// The start-up sequence without the windows. Problems are told through
    /// the view (Message/Status); returns false when the link or the server
    /// could not be started, or a calibration file asked for could not be
    /// read (the reason in lastError()).
    bool Startup();
    /// Stops the server: "99#" over a connected TCP link, the local channel
    /// closed; waits a moment for the server process to end.
    void Shutdown();
    QString lastError() const { return lastError_; }

    /// The program title: "Tavrel for Kestin VNA By Marvik     Version" and
    /// the version numbers.
    QString title() const { return title_; }
    /// The server command line's argument: port, clock, and the TCP port
    /// or "DDE", comma-separated.
    QString ServerArgument() const;
    /// Every argument the server is started with.
    QStringList ServerArguments() const;
    /// The server program: beside this program's executable, then in the
    /// working directory; empty when neither exists.
    static QString FindServer(const QString& programDir, const QString& workDir);
    /// The default calibration file of the switch option.
    QString DefaultCalFile() const;
    /// Reads a calibration file into the calibration table (unchanged on
    /// failure); the message (empty on success) names the file and line.
    QString LoadCalibration(const QString& fileName);

    /// The server has connected, has started scanning (its first report
    /// arrived) and has been sent the first scan.
    bool linkUp() const;

    // ---- what other windows call ----
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

    // ---- measured S-parameter ----
    void VnaMessure_Click();
    void ConfigDone_Click();
    bool configDoneRed() const { return configDoneRed_; }
    static QString MessureCaption(int smessure);
    /// Sets Smessure and the switch word for it (bridge and port switch).
    void SetMeasured(int16_t smessure);

    // ---- parts ----
    MeasureState& state() { return s_; }
    CalibTable& calib() { return cal_; }
    VnaConfig& config() { return cfg_; }
    const VnaConfig& config() const { return cfg_; }
    Skala& Scales(int i) { return *scales_[static_cast<size_t>(i)]; }
    vna& link() { return vna_; }
    SweepControl& sweep() { return *sweep_; }
    lnk::Winsock& Winsock1() { return winsock_; }
    QProcess& server() { return server_; }
    QString builtInHelp() const { return QString::fromStdString(builtInHelp_); }
    /// Sets the configuration (the configuration window's Load and edits).
    void setConfig(const VnaConfig& cfg);
    /// initCFG over the working directory; false when the file is missing
    /// (the message has been shown).
    bool initCFG();

    // ---- CalibEvents ----
    bool TempCorr() const override;
    void ShowTempOffset(int32_t drift) override;
    void makelive(int16_t p) override;
    void Makesmithlive(int16_t p) override;
    void showri(double re, double im) override;
    void CalibrationNextIn(const VnaDataRec& rec) override;
    void ScanCalAfterCorrect(const VnaDataRec& rec) override;

signals:
    /// A data record arrived, before it is filed.
    void RecordArriving(const VnaDataRec& rec);
    /// A data record arrived (after it was filed).
    void RecordIn(const VnaDataRec& rec);
    /// The server reported the end of a scan (after it was handled).
    void ScanEnded();
    /// The link came up: the server connected, reported its first row and
    /// was sent the first scan.
    void LinkUp();
    /// The server process ended.
    void ServerEnded(int exitCode, const QString& errorOutput);
    /// Calibration hooks for the calibration procedure.
    void CalibrationRecord(const VnaDataRec& rec);
    void CalibrationEndScan();
    void ScanCalRecord(const VnaDataRec& rec);

private:
    void SetUpScales();
    void vna_SendData(const QByteArray& text);
    void vna_DataReady(qint16 ta, qint16 Idx, qint32 rf, qint16 LOPH, qint32 dat, qint16 tag,
                       qint16 ADCS, qint16 ADCBits, qint16 VNATime, qint16 B0, qint16 B1,
                       qint16 B2, qint16 B3, qint16 B4);
    void vna_EndScan();
    void vna_Rateinfo(qint16 rate);
    void Winsock1_ConnectionRequest(int requestID);
    bool StartLink();
    bool StartServer();
    void PollLocalPeer();
    void SendFirstScan();
    void OnLinkUp(const QString& status);

    MeasureState& s_;
    CalibTable& cal_;
    VnaConfig cfg_;
    std::string builtInHelp_;
    MasterView* view_ = nullptr;
    std::array<std::unique_ptr<Skala>, 5> scales_;
    vna vna_;
    lnk::Winsock winsock_;
    std::unique_ptr<lnk::CliSrv> frmCliSrv_;
    std::unique_ptr<lnk::ProgramPresence> presence_;
    QProcess server_;
    QByteArray serverErrors_;
    std::unique_ptr<SweepControl> sweep_;
    StartOptions options_;
    QString title_;
    QString lastError_;
    QTimer peerPoll_;
    bool useLocalLink_ = false;  // the link chosen at start-up
    bool TakeData_ = true;
    bool configDoneRed_ = false;
    bool started_ = false;
    bool firstScanPending_ = false;
    bool linkReady_ = false;  // the server has connected (first scan sent)
    bool shutDown_ = false;
};
