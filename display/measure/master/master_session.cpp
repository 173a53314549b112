#include "display/measure/master/master_session.h"

#include "display/calib/calib_file.h"
#include "display/calib/data_intake.h"
#include "display/graph/skala.h"
#include "display/measure/formatting.h"
#include "display/measure/master/master_view.h"
#include "display/measure/point_list.h"
#include "link/cli_srv.h"
#include "link/presence.h"
#include "link/text_rules.h"

#include <QDir>
#include <QFileInfo>

#ifndef VNA_VERSION
#define VNA_VERSION "0.0.0"
#endif

namespace {

constexpr int kServerErrorKeep = 4096;  // bytes of the server's error output kept

QString Q(const std::string& s) { return QString::fromStdString(s); }

} // namespace

MasterSession::MasterSession(MeasureState& s, CalibTable& cal, QObject* parent)
    : QObject(parent), s_(s), cal_(cal) {
    // Step 1: the five scales; the transport object lives as long as we do.
    for (auto& sc : scales_)
        sc = std::make_unique<Skala>();
    sweep_ = std::make_unique<SweepControl>(s_, *scales_[kFreqScale], vna_);
    connect(&vna_, &vna::SendData, this, &MasterSession::vna_SendData);
    connect(&vna_, &vna::DataReady, this, &MasterSession::vna_DataReady);
    connect(&vna_, &vna::EndScan, this, &MasterSession::vna_EndScan);
    connect(&vna_, &vna::Rateinfo, this, &MasterSession::vna_Rateinfo);
    connect(&winsock_, &lnk::Winsock::ConnectionRequest, this,
            &MasterSession::Winsock1_ConnectionRequest);
    connect(&winsock_, &lnk::Winsock::DataArrival, this,
            [this](qint64) { arrivalproc(winsock_.GetData()); });
    connect(&winsock_, &lnk::Winsock::Closed, this, [this] {
        if (view_ && !shutDown_)
            view_->Status("The server closed the link.");
    });
    peerPoll_.setInterval(100);
    connect(&peerPoll_, &QTimer::timeout, this, &MasterSession::PollLocalPeer);
    server_.setProcessChannelMode(QProcess::SeparateChannels);
    connect(&server_, &QProcess::readyReadStandardError, this, [this] {
        serverErrors_ += server_.readAllStandardError();
        if (serverErrors_.size() > kServerErrorKeep)
            serverErrors_ = serverErrors_.right(kServerErrorKeep);
    });
    connect(&server_, &QProcess::finished, this, [this](int code, QProcess::ExitStatus) {
        const QString err = QString::fromLocal8Bit(serverErrors_).trimmed();
        if (view_ && !shutDown_)
            view_->Status(err.isEmpty() ? QString("BrindleV1 ended (exit status %1).").arg(code)
                                        : "BrindleV1 ended: " + err);
        emit ServerEnded(code, err);
    });
    title_ = QString("Tavrel for Kestin VNA By Marvik     Version") + VNA_VERSION;
}

MasterSession::~MasterSession() { Shutdown(); }

void MasterSession::setView(MasterView* view) {
    view_ = view;
    sweep_->setView(view);
}

void MasterSession::setConfig(const VnaConfig& cfg) {
    cfg_ = cfg;
    s_.VNAPort = cfg_.VNAPort;
    s_.VNAClock = cfg_.VNAClock;
    s_.Helppage = cfg_.Helppage;
    s_.SwitchOption = cfg_.SwitchOption;
    s_.DDEServer = cfg_.DDEProt;
    sweep_->setVNAType(cfg_.VNAType);
}

bool MasterSession::initCFG() {
    const CfgLoad load = ::initCFG(options_.workDir, cfg_, builtInHelp_);
    if (load.fileMissing) {
        if (view_)
            view_->Message(kCfgMissingText);
    } else if (!load.error.empty() && view_) {
        view_->Message(Q(load.error));
    }
    setConfig(load.cfg);
    return !load.fileMissing && load.error.empty();
}

void MasterSession::SetUpScales() {
    struct Init {
        bool reverse;
        int32_t low, high;
        int16_t fine;
        int16_t nail;  // -1: not set
        int32_t min, max;
    };
    const Init init[5] = {
        {true, -200, 200, 10, -1, -100, 100},
        {true, -200, 200, 10, -1, -100, 100},
        {true, 1, 100, 10, -1, 1, 11},
        {true, -360, 360, 10, -1, -150, 150},
        {false, kQrgMin, kQrgMax, 10, 5, 500000, 500000 + 600000000},
    };
    for (int i = 0; i < 5; ++i) {
        Skala& sc = *scales_[static_cast<size_t>(i)];
        if (init[i].reverse)
            sc.setReverse(true);
        sc.setLow(init[i].low);
        sc.setHigh(init[i].high);
        sc.setFine(init[i].fine);
        if (init[i].nail >= 0)
            sc.setNail(init[i].nail);
        sc.setMin(init[i].min);
        sc.setMax(init[i].max);
    }
}

QString MasterSession::DefaultCalFile() const {
    const QString name = s_.SwitchOption == " Switch " ? "Switch.cd" : "Master.cd";
    return QDir(options_.workDir).filePath(name);
}

QString MasterSession::LoadCalibration(const QString& fileName) {
    const CalibFileStatus st =
        ReadCalibrationFile(fileName.toStdString(), cal_, s_.SwitchOption);
    if (!st.ok)
        return Q(st.message);
    s_.Calibrationpoints = cal_.Maxinuse;
    s_.CalMastData = true;
    return {};
}

QString MasterSession::FindServer(const QString& programDir, const QString& workDir) {
    for (const QString& dir : {programDir, workDir}) {
        if (dir.isEmpty())
            continue;
        const QFileInfo fi(QDir(dir).filePath("brindlev1"));
        if (fi.isFile() && fi.isExecutable())
            return fi.absoluteFilePath();
    }
    return {};
}

QString MasterSession::ServerArgument() const {
    QString third;
    if (cfg_.DDEProt) {
        third = "DDE";
    } else {
        third = Q(cfg_.TCPIPPORT);
        // A port of 0 lets the system choose; the server must be told which.
        if (winsock_.listening() && txt::Val(cfg_.TCPIPPORT) == 0)
            third = QString::number(winsock_.localPort());
    }
    return Q(s_.VNAPort) + "," + Q(s_.VNAClock) + "," + third;
}

QStringList MasterSession::ServerArguments() const {
    QStringList args{ServerArgument()};
    if (!options_.serverOptions.contains("--driver"))
        args << "--driver" << Q(DriverOption(cfg_));
    if (cfg_.Driver == DriverKind::Sim && !cfg_.SimDut.empty() &&
        !options_.serverOptions.contains("--dut"))
        args << "--dut" << Q(cfg_.SimDut);
    if (!options_.serverWindow)
        args << "--no-window";
    args << options_.serverOptions;
    return args;
}

void MasterSession::setOptions(const StartOptions& options) {
    options_ = options;
    if (options_.workDir.isEmpty())
        options_.workDir = QDir::currentPath();
    builtInHelp_ = BuiltInHelppage(options_.programDir);
    setConfig(VnaConfig::Defaults(builtInHelp_));
}

bool MasterSession::Startup() {

    // Step 2: line thickness, the point lists, the live table.
    s_.LineTykkelse = 1;
    InitLiv(s_);
    s_.Livestable = kLivestable;
    // Step 4.
    s_.VnaScanSize = 100;
    s_.ScanCalibrationON = false;
    // Step 5: the title.
    if (view_)
        view_->SetCaption(title_);
    // Step 6: the configuration.
    initCFG();
    // The server looks for us by our program name.
    presence_ = std::make_unique<lnk::ProgramPresence>("tavrel13");
    presence_->Announce();
    // Step 7: a server left running from before.
    if (lnk::ProgramPresence::IsRunning("BrindleV1") && view_)
        view_->Message("Please Close the - BrindleV1- program, and press OK");
    // Steps 8-11: transport (a member), scales, measured S-parameter.
    SetUpScales();
    s_.Smessure = 1;
    s_.ScaleInitDone = true;
    // Step 12: the default calibration (or the one asked for).
    const QString calFile = options_.calFile.isEmpty() ? DefaultCalFile() : options_.calFile;
    if (!QFileInfo::exists(calFile)) {
        s_.CalMastData = false;
        if (view_)
            view_->Status("No calibration file " + calFile + ": measuring uncalibrated.");
        if (!options_.calFile.isEmpty()) {
            lastError_ = "Calibration file not found: " + calFile;
            return false;
        }
    } else if (const QString err = LoadCalibration(calFile); !err.isEmpty()) {
        if (view_)
            view_->Status(err + " Measuring uncalibrated.");
        if (!options_.calFile.isEmpty()) {
            lastError_ = err;
            return false;
        }
    } else if (view_) {
        view_->Status("Calibration " + calFile + " loaded.");
    }
    // Step 14: the link and the server.
    if (!StartLink() || !StartServer())
        return false;
    // Step 15.
    s_.SpeedSelected = 0;
    s_.FilterTime = 20;
    // Step 16: the first scan. The server connects only after it has
    // started, so the scan is sent again once the link is up (OnLinkUp).
    firstScanPending_ = true;
    SendFirstScan();
    // Steps 17-19.
    sweep_->GetQRGLimits();
    sweep_->FillFields();
    // Step 20.
    InitLiv(s_);
    if (view_)
        view_->SmessureChanged(s_.Smessure);
    started_ = true;
    return true;
}

void MasterSession::SendFirstScan() {
    Skala& f = *scales_[kFreqScale];
    vna_.SetUpScan(0, s_.VnaScanSize, f.min(), f.max(), s_.SpeedSelected, s_.FilterTime, 24,
                   s_.ControlBytes[0], 0, 0, 0, 0);
    vnaNewScan(0);
}

bool MasterSession::StartLink() {
    useLocalLink_ = cfg_.DDEProt;
    if (useLocalLink_) {
        frmCliSrv_ = std::make_unique<lnk::CliSrv>("Display", "VNAIO");
        connect(frmCliSrv_.get(), &lnk::CliSrv::MsgData, this, &MasterSession::arrivalproc);
        connect(frmCliSrv_.get(), &lnk::CliSrv::PeerGone, this, [this] {
            if (view_ && !shutDown_)
                view_->Status("The server's channel closed.");
        });
        QString err;
        if (!frmCliSrv_->Open(&err)) {
            lastError_ = "Cannot open the local link \"Display\": " + err;
            if (view_)
                view_->Message(lastError_);
            return false;
        }
        peerPoll_.start();
        return true;
    }
    const double port = txt::Val(cfg_.TCPIPPORT);
    if (port < 0 || port > 65535) {
        lastError_ = "The TCP port " + Q(cfg_.TCPIPPORT) + " is not a port number.";
        if (view_)
            view_->Message(lastError_);
        return false;
    }
    winsock_.setLocalPort(static_cast<quint16>(port));
    winsock_.setBindAddress(cfg_.TCPRemote ? QHostAddress(QHostAddress::Any)
                                           : QHostAddress(QHostAddress::LocalHost));
    if (!winsock_.Listen()) {
        lastError_ = "Cannot listen on TCP port " + Q(cfg_.TCPIPPORT) +
                     " (is another display program running?).";
        if (view_)
            view_->Message(lastError_);
        return false;
    }
    return true;
}

bool MasterSession::StartServer() {
    QString path = options_.serverPath;
    if (path.isEmpty())
        path = FindServer(options_.programDir, options_.workDir);
    if (path.isEmpty()) {
        lastError_ = "Cannot find the server program brindlev1 beside " +
                     (options_.programDir.isEmpty() ? QString("this program")
                                                    : options_.programDir) +
                     " or in " + options_.workDir + ".";
        if (view_)
            view_->Message(lastError_);
        return false;
    }
    server_.setWorkingDirectory(options_.workDir);
    server_.start(path, ServerArguments());
    if (!server_.waitForStarted(10000)) {
        lastError_ = "Cannot start the server " + path + ": " + server_.errorString();
        if (view_)
            view_->Message(lastError_);
        return false;
    }
    return true;
}

void MasterSession::PollLocalPeer() {
    if (frmCliSrv_ && frmCliSrv_->ConnectPeer()) {
        peerPoll_.stop();
        OnLinkUp("Link to the server up (local channel).");
    }
}

void MasterSession::OnLinkUp(const QString& status) {
    linkReady_ = true;
    if (view_)
        view_->Status(status);
}

void MasterSession::Winsock1_ConnectionRequest(int requestID) {
    // A new request replaces the connection there was.
    if (winsock_.State() != lnk::Winsock::kClosed)
        winsock_.Close();
    vna_.ClearReceived();
    winsock_.Accept(requestID);
    OnLinkUp("Link to the server up (TCP).");
}

bool MasterSession::linkUp() const {
    if (!linkReady_ || firstScanPending_)
        return false;
    if (useLocalLink_)
        return frmCliSrv_ && frmCliSrv_->peerConnected();
    return winsock_.State() == lnk::Winsock::kConnected;
}

void MasterSession::Shutdown() {
    if (shutDown_)
        return;
    shutDown_ = true;
    peerPoll_.stop();
    if (winsock_.State() == lnk::Winsock::kConnected) {
        winsock_.SendData(QByteArray::fromStdString(msg::StopText()));
        winsock_.waitForBytesWritten(1000);
    }
    if (winsock_.State() != lnk::Winsock::kClosed)
        winsock_.Close();
    winsock_.StopListening();
    if (frmCliSrv_)
        frmCliSrv_->Close();
    if (server_.state() != QProcess::NotRunning) {
        if (!server_.waitForFinished(2000)) {
            server_.terminate();
            if (!server_.waitForFinished(2000))
                server_.kill();
            server_.waitForFinished(1000);
        }
    }
}

// ---- outgoing and incoming text ----

void MasterSession::vna_SendData(const QByteArray& text) {
    const QByteArray wire = text + " #";
    if (useLocalLink_) {
        if (frmCliSrv_)
            frmCliSrv_->SendMsgData(wire);
    } else if (winsock_.State() == lnk::Winsock::kConnected) {
        winsock_.SendData(wire);
    }
}

void MasterSession::arrivalproc(const QByteArray& piece) { vna_.ReceiveData(piece); }

void MasterSession::vnaSetUpEntry(int16_t ta, int16_t Idx, int32_t F, int16_t ADCS,
                                  int16_t VnaT, int16_t ADCBi, int16_t e, int16_t B0,
                                  int16_t B1, int16_t B2, int16_t B3, int16_t B4) {
    vna_.SetUpEntry(ta, Idx, F, ADCS, VnaT, ADCBi, e, B0, B1, B2, B3, B4);
}
void MasterSession::VnaEditEntry(int16_t ta, int16_t Idx, const QByteArray& Fiel,
                                 int32_t valu) {
    vna_.EditEntry(ta, Idx, Fiel, valu);
}
void MasterSession::vnaNewScan(int16_t ta) { vna_.NewScan(ta); }
void MasterSession::VnaStopscan() { vna_.Stopscan(); }
void MasterSession::VnaStopTCP() { vna_.StopTcp(); }
void MasterSession::VnaStartTCP() { vna_.StartTcp(); }
void MasterSession::vnaMarkEnd(int16_t a, int16_t b) { vna_.MarkEnd(a, b); }
void MasterSession::VnaMount(const QByteArray& fixture) { vna_.Mount(fixture); }

// ---- incoming reports ----

void MasterSession::vna_DataReady(qint16 ta, qint16 Idx, qint32 rf, qint16 LOPH, qint32 dat,
                                  qint16 tag, qint16 ADCS, qint16 ADCBits, qint16 VNATime,
                                  qint16 B0, qint16 B1, qint16 B2, qint16 B3, qint16 B4) {
    VnaDataRec rec;
    rec.table = ta;
    rec.idx = Idx;
    rec.Qrg = rf;
    rec.Phase = LOPH;
    rec.Data = dat;
    rec.Vnatag = tag;
    rec.Speed = ADCS;
    rec.bits = ADCBits;
    rec.Time = VNATime;
    rec.B = {B0, B1, B2, B3, B4};
    // The gate of one-scan mode: nothing sets it, so every record is taken.
    if (Idx == 0 && LOPH == 0) {
        if (!s_.Onescan) {
            TakeData_ = true;
        } else {
            TakeData_ = s_.OneMoreScan;
            s_.OneMoreScan = false;
        }
    } else if (!s_.Onescan) {
        TakeData_ = true;
    }
    if (firstScanPending_ && linkReady_) {
        // The server scans: its own start-up table is in place, and the
        // first scan, sent before the server could hear it, goes out again.
        firstScanPending_ = false;
        SendFirstScan();
        emit LinkUp();
    }
    emit RecordArriving(rec);
    if (TakeData_)
        DataRecordIn(s_, cal_, *this, rec);
    if (view_) {
        view_->ShowTable(ta);
        if (Idx == 0)
            view_->ShowLowQrg(rf);
    }
    emit RecordIn(rec);
}

void MasterSession::vna_EndScan() {
    if (s_.CalibrationOn && TakeData_) {
        emit CalibrationEndScan();
    } else if (sweep_->NewRange()) {
        RemoveMarked(s_);
        if (view_)
            view_->Redraw();
        sweep_->clearNewRange();
    }
    emit ScanEnded();
}

void MasterSession::vna_Rateinfo(qint16 rate) {
    if (view_)
        view_->SetCaption(title_ + "  VNA Rate =" + QString::number(rate));
}

// ---- measured S-parameter ----

QString MasterSession::MessureCaption(int smessure) {
    static const char* names[4] = {"S11", "S21", "S12", "S22"};
    return QString("Configuration ") + names[((smessure % 4) + 4) % 4];
}

void MasterSession::SetMeasured(int16_t smessure) {
    s_.Smessure = static_cast<int16_t>(((smessure % 4) + 4) % 4);
    // S11: bridge; S21: neither; S12: port swap; S22: both.
    const bool bridge = s_.Smessure == 0 || s_.Smessure == 3;
    const bool swap = s_.Smessure == 2 || s_.Smessure == 3;
    SetSwitch(s_.ControlBytes[0], "SWIBRI", bridge);
    SetSwitch(s_.ControlBytes[0], "SWIPOR", swap);
    s_.PortSwapActive = swap;
}

void MasterSession::VnaMessure_Click() {
    const int16_t next = static_cast<int16_t>((s_.Smessure + 1) % 4);
    s_.Smessure = next;
    if (view_) {
        view_->VnaMessureCaption(MessureCaption(next));
        view_->SmessureChanged(next);
    }
    if (cfg_.SparmSw) {
        // The test-set switch follows at once; scanning goes on.
        SetMeasured(next);
        sweep_->EditEveryRow("B0", s_.ControlBytes[0]);
        return;
    }
    // Without the switch the user reconnects by hand: stop until ConfigDone.
    s_.PortSwapActive = false;
    VnaStopscan();
    configDoneRed_ = true;
    if (view_)
        view_->ConfigDoneRed(true);
}

void MasterSession::ConfigDone_Click() {
    if (!configDoneRed_)
        return;
    vnaNewScan(0);
    configDoneRed_ = false;
    if (view_)
        view_->ConfigDoneRed(false);
}

// ---- CalibEvents ----

bool MasterSession::TempCorr() const { return view_ ? view_->TempCorr() : true; }
void MasterSession::ShowTempOffset(int32_t drift) {
    if (view_)
        view_->ShowTempOffset(drift);
}
void MasterSession::makelive(int16_t p) {
    if (view_)
        view_->makelive(p);
}
void MasterSession::Makesmithlive(int16_t p) {
    if (view_)
        view_->Makesmithlive(p);
}
void MasterSession::showri(double re, double im) {
    if (view_)
        view_->showri(re, im);
}
void MasterSession::CalibrationNextIn(const VnaDataRec& rec) { emit CalibrationRecord(rec); }
void MasterSession::ScanCalAfterCorrect(const VnaDataRec& rec) { emit ScanCalRecord(rec); }
