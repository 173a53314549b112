#include "display/app/master_session.h"

#include "display/measure/qt_text.h"
#include "display/calib/calib_file.h"
#include "display/config/user_bytes.h"
#include "display/graph/skala.h"
#include "display/measure/formatting.h"
#include "display/measure/point_list.h"
#include "link/link_key.h"
#include "link/messages.h"
#include "link/presence.h"
#include "link/text_rules.h"

#include <QDir>
#include <QFileInfo>

#ifndef VNA_VERSION
#define VNA_VERSION "0.0.0"
#endif

namespace {

std::array<std::unique_ptr<Skala>, 5> MakeScales() {
    std::array<std::unique_ptr<Skala>, 5> scales;
    for (auto& sc : scales)
        sc = std::make_unique<Skala>();
    return scales;
}

} // namespace

MasterSession::MasterSession(MeasureState& s, CalibTable& cal, QObject* parent)
    : MeasurementEvents(parent), s_(s), cal_(cal), scales_(MakeScales()),
      measure_(s, cal, link_.client(), *scales_[kFreqScale], views_, *this) {
    connect(&link_.client(), &vna::SendData, this, &MasterSession::CommandText);
    connect(&link_.client(), &vna::Rateinfo, this, &MasterSession::vna_Rateinfo);
    connect(&link_.client(), &vna::Stateinfo, this, &MasterSession::vna_Stateinfo);
    connect(&link_, &LinkTransport::Connected, this, [this](const QString& status) {
        measure_.LinkConnected();
        views_.Status(status);
    });
    connect(&link_, &LinkTransport::Closed, this, [this](const QString& status) {
        measure_.LinkLost();
        if (shutDown_)
            return;
        // A remote server may come back (or another one may take its
        // place): the listener stays open for it.
        views_.Status(plan_.remoteServer ? "The server at " + link_.peerAddress() +
                                               " went away. " +
                                               plan_.WaitingText(link_.tcpPort())
                                         : status);
    });
    connect(&link_, &LinkTransport::Refused, this,
            [this](const QString& peer, const QString& reason) {
                // The reason without the TLS library's own words after it:
                // the status bar has room for one short line.
                QString text = "Refused a connection from " + peer + " (" +
                               reason.section(QStringLiteral(": "), 0, 0) + ")";
                if (!link_.connected())
                    text += "; still waiting for the server on port " +
                            QString::number(link_.tcpPort());
                views_.Status(text + ".");
            });
    connect(&server_, &ServerProcess::Ended, this, [this](int code, const QString& err) {
        if (!shutDown_)
            views_.Status(err.isEmpty() ? QString("BrindleV1 ended (exit status %1).").arg(code)
                                        : "BrindleV1 ended: " + err);
        emit ServerEnded(code, err);
    });
    connect(this, &MeasurementEvents::RecordIn, &vnaTest_,
            [this](const VnaDataRec& rec) { vnaTest_.Row(rec.table, rec.idx, rec.Data); });
    connect(&link_.client(), &vna::Stateinfo, &vnaTest_, &VnaTestRun::State);
    connect(&vnaTest_, &VnaTestRun::RestartScan, this, [this] { vnaNewScan(0); });
    connect(&vnaTest_, &VnaTestRun::Progress, this, &MasterSession::VnaTestProgress);
    connect(&vnaTest_, &VnaTestRun::Finished, this, &MasterSession::VnaTestFinished);
    title_ = QString("Tavrel for Kestin VNA By Marvik     Version") + VNA_VERSION;
}

MasterSession::~MasterSession() { Shutdown(); }

void MasterSession::setConfig(const VnaConfig& cfg) {
    cfg_ = cfg;
    s_.VNAPort = cfg_.VNAPort;
    s_.VNAClock = cfg_.VNAClock;
    s_.Helppage = cfg_.Helppage;
    s_.SwitchOption = cfg_.SwitchOption;
    s_.DDEServer = cfg_.DDEProt;
    measure_.sweep().setVNAType(cfg_.VNAType);
    measure_.setSwitchOption(cfg_.SparmSw);
    const unsigned changed = ApplyUserBytes(cfg_, s_.ControlBytes);
    if (changed == 0)
        return;
    // The running sweep takes the new bytes at once; a sweep not yet sent
    // carries them when it is.
    if (measure_.scanning())
        for (int i = 0; i < kControlBytes; ++i)
            if (changed & (1u << i))
                measure_.sweep().EditEveryRow("B" + QByteArray::number(i), s_.ControlBytes[i]);
    emit UserBytesChanged();
}

void MasterSession::TestVna() {
    QString stopped;
    if (s_.CalibrationOn)
        stopped = "a calibration is running";
    else if (measure_.configDoneRed())
        stopped = "press Config Done once the instrument is reconnected";
    // Connected is enough to start: a server whose analyser never answered
    // has not reported a row yet, and the check is to say why.
    vnaTest_.Start(link_.connected(), stopped, s_.SpeedSelected, s_.FilterTime);
    if (noAnswerShown_)
        vnaTest_.State(VnaCheck::kStateNoAnswer);  // the server said so already
}

void MasterSession::ShowServerState(bool show) {
    // The link client has no method for it, so the command text goes out on
    // the client's own send path, framed like every other command.
    emit link_.client().SendData(QByteArray::fromStdString(msg::ShowState(show)));
}

bool MasterSession::initCFG() {
    const CfgLoad load = ::initCFG(options_.workDir, cfg_, builtInHelp_);
    if (load.fileMissing)
        views_.Message(kCfgMissingText);
    else if (!load.error.empty())
        views_.Message(Q(load.error));
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
    const QString name = s_.SwitchOption == kSwitchMarker ? "Switch.cd" : "Master.cd";
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

QString MasterSession::ServerArgument() const {
    QString third;
    if (cfg_.DDEProt) {
        third = "DDE";
    } else {
        third = Q(cfg_.TCPIPPORT);
        // A port of 0 lets the system choose; the server must be told which.
        if (link_.tcpPort() != 0 && txt::Val(cfg_.TCPIPPORT) == 0)
            third = QString::number(link_.tcpPort());
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
    // The server proves the key we listen with.
    if (plan_.allInterfaces && !options_.serverOptions.contains("--key"))
        args << "--key" << plan_.keyFile;
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

QString MasterSession::VnaCTitle(int slot) const {
    return slot >= 0 && slot < kSdataTables ? vnaCTitle_[static_cast<size_t>(slot)] : QString();
}

void MasterSession::setVnaCTitle(int slot, const QString& title) {
    if (slot >= 0 && slot < kSdataTables)
        vnaCTitle_[static_cast<size_t>(slot)] = title;
}

bool MasterSession::Fail(const QString& error) {
    lastError_ = error;
    lastErrorShown_ = true;
    views_.Message(error);
    return false;
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
    views_.SetCaption(title_);
    // Step 6: the configuration.
    initCFG();
    // The server looks for us by our program name.
    presence_ = std::make_unique<lnk::ProgramPresence>("tavrel13");
    presence_->Announce();
    // Step 7: a server left running from before.
    if (lnk::ProgramPresence::IsRunning("BrindleV1"))
        views_.Message("Please Close the - BrindleV1- program, and press OK");
    // Steps 8-11: transport (a member), scales, measured S-parameter.
    SetUpScales();
    s_.Smessure = 1;
    s_.ScaleInitDone = true;
    // Step 12: the default calibration (or the one asked for).
    const QString calFile = options_.calFile.isEmpty() ? DefaultCalFile() : options_.calFile;
    if (!QFileInfo::exists(calFile)) {
        s_.CalMastData = false;
        views_.Status("No calibration file " + calFile + ": measuring uncalibrated.");
        if (!options_.calFile.isEmpty()) {
            lastError_ = "Calibration file not found: " + calFile;
            lastErrorShown_ = false;
            return false;
        }
    } else if (const QString err = LoadCalibration(calFile); !err.isEmpty()) {
        views_.Status(err + " Measuring uncalibrated.");
        if (!options_.calFile.isEmpty()) {
            lastError_ = err;
            lastErrorShown_ = false;
            return false;
        }
    } else {
        views_.Status("Calibration " + calFile + " loaded.");
    }
    // Step 14: the link and the server. When either cannot start, the link
    // is closed again (nothing waits for a server that will not come) and
    // the rest of the start-up still runs, so the sweep controls work.
    const bool started = OpenLink();
    // Step 15.
    s_.SpeedSelected = 0;
    s_.FilterTime = 20;
    // Step 16: the first scan. The server connects only after it has
    // started, so the scan is sent again once the link is up.
    if (started)
        measure_.SendFirstScan();
    // Steps 17-19.
    measure_.sweep().GetQRGLimits();
    measure_.sweep().FillFields();
    // Step 20.
    InitLiv(s_);
    views_.Messurechange(s_.Smessure);
    return started;
}

bool MasterSession::OpenLink() {
    plan_ = PlanLink(cfg_, options_.remoteServer, options_.keyFile, options_.workDir,
                     [](const QString& path, QString* error) {
                         return lnk::LoadKeyFile(path, error);
                     });
    if (plan_.failed()) {
        lastError_ = plan_.problem;  // nothing can connect: the start-up failed
        lastErrorShown_ = false;
        return false;
    }
    if (!plan_.problem.isEmpty())
        views_.Status(plan_.problem);
    QString error;
    if (!link_.Open(plan_.local, cfg_.TCPIPPORT, plan_.allInterfaces, plan_.key, &error))
        return Fail(error);
    if (plan_.startServer && !StartServer()) {
        link_.Close();
        return false;
    }
    if (plan_.allInterfaces)
        views_.Status(plan_.WaitingText(link_.tcpPort()));
    return true;
}

bool MasterSession::StartServer() {
    QString path = options_.serverPath;
    if (path.isEmpty())
        path = ServerProcess::Find(options_.programDir, options_.workDir);
    if (path.isEmpty())
        return Fail("Cannot find the server program brindlev1 beside " +
                    (options_.programDir.isEmpty() ? QString("this program")
                                                   : options_.programDir) +
                    " or in " + options_.workDir + ".");
    QString error;
    if (!server_.Start(path, ServerArguments(), options_.workDir, &error))
        return Fail(error);
    return true;
}

bool MasterSession::linkUp() const { return measure_.scanning() && link_.connected(); }

void MasterSession::Shutdown() {
    if (shutDown_)
        return;
    shutDown_ = true;
    link_.Close();
    server_.Stop();
}

// ---- what the windows call ----

void MasterSession::arrivalproc(const QByteArray& piece) { link_.client().ReceiveData(piece); }

void MasterSession::vnaSetUpScan(int16_t ta, int16_t numtest, int32_t SF, int32_t EF,
                                 int16_t ADCS, int16_t VnaT, int16_t ADCBi, int16_t B0,
                                 int16_t B1, int16_t B2, int16_t B3, int16_t B4) {
    link_.client().SetUpScan(ta, numtest, SF, EF, ADCS, VnaT, ADCBi, B0, B1, B2, B3, B4);
}
void MasterSession::vnaSetUpEntry(int16_t ta, int16_t Idx, int32_t F, int16_t ADCS,
                                  int16_t VnaT, int16_t ADCBi, int16_t e, int16_t B0,
                                  int16_t B1, int16_t B2, int16_t B3, int16_t B4) {
    link_.client().SetUpEntry(ta, Idx, F, ADCS, VnaT, ADCBi, e, B0, B1, B2, B3, B4);
}
void MasterSession::VnaEditEntry(int16_t ta, int16_t Idx, const QByteArray& Fiel,
                                 int32_t valu) {
    link_.client().EditEntry(ta, Idx, Fiel, valu);
}
void MasterSession::vnaNewScan(int16_t ta) { link_.client().NewScan(ta); }
void MasterSession::VnaStopscan() { link_.client().Stopscan(); }
void MasterSession::VnaStopTCP() { link_.client().StopTcp(); }
void MasterSession::VnaStartTCP() { link_.client().StartTcp(); }
void MasterSession::vnaMarkEnd(int16_t a, int16_t b) { link_.client().MarkEnd(a, b); }
void MasterSession::VnaMount(const QByteArray& fixture) { link_.client().Mount(fixture); }

// ---- reports about the server ----

void MasterSession::vna_Rateinfo(qint16 rate) {
    views_.SetCaption(title_ + "  VNA Rate =" + QString::number(rate));
}

void MasterSession::vna_Stateinfo(qint16 Statid) {
    // 95: the converter stopped answering; 96: it answers again. Other
    // state reports are not shown.
    if (Statid == 95) {
        noAnswerShown_ = true;
        views_.Status(kNoAnswerText);
    } else if (Statid == 96 && noAnswerShown_) {
        noAnswerShown_ = false;
        views_.Status(QString());
    }
}
