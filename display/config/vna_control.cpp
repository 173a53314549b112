#include "display/config/vna_control.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#ifndef VNA_VERSION
#define VNA_VERSION "0.0.0"
#endif

namespace {

template <typename W>
W* Named(W* w, const QString& name) {
    w->setObjectName(name);
    return w;
}

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

const char* kPorts[3] = {"278", "378", "3BC"};

} // namespace

VnaControl::VnaControl(QString dir, std::string builtInHelp, QWidget* parent)
    : QWidget(parent), dir_(std::move(dir)), builtInHelp_(std::move(builtInHelp)) {
    setObjectName("VnaControl");
    setWindowTitle(QString("VNA Configuration                Version ") + VNA_VERSION);

    auto* protocol = new QGroupBox("Protocol Between Server and display", this);
    tcp_ = Named(new QRadioButton("TCPIP", protocol), "TCPIPProt");
    dde_ = Named(new QRadioButton("DDE", protocol), "DDEProt");
    tcpPort_ = Named(new QLineEdit(protocol), "TCPIPPORT");
    remote_ = Named(new QCheckBox("Remote", protocol), "TCPRemote");
    auto* pl = new QGridLayout(protocol);
    pl->addWidget(tcp_, 0, 0);
    pl->addWidget(tcpPort_, 0, 1);
    pl->addWidget(remote_, 0, 2);
    pl->addWidget(dde_, 1, 0);

    auto* port = new QGroupBox("Port", this);
    auto* portLayout = new QHBoxLayout(port);
    for (int i = 0; i < 3; ++i) {
        portno_[static_cast<size_t>(i)] =
            Named(new QRadioButton(QString("Port ") + kPorts[i], port), QString("Portno_%1").arg(i));
        portLayout->addWidget(portno_[static_cast<size_t>(i)]);
    }

    auto* clockBox = new QGroupBox("VNA Clock", this);
    clock_ = Named(new QLineEdit(clockBox), "VnaTClock");
    (new QHBoxLayout(clockBox))->addWidget(clock_);

    auto* typeBox = new QGroupBox("VNA Type", this);
    auto* typeLayout = new QVBoxLayout(typeBox);
    const char* types[3] = {"Standard VNA", "VNA Sorel Clock", "VNA LT2440"};
    for (int i = 0; i < 3; ++i) {
        type_[static_cast<size_t>(i)] =
            Named(new QRadioButton(types[i], typeBox), QString("VNAType_%1").arg(i));
        typeLayout->addWidget(type_[static_cast<size_t>(i)]);
    }

    auto* speedBox = new QGroupBox("LT2440 Speed Programming", this);
    auto* speedLayout = new QFormLayout(speedBox);
    const char* speedNames[4] = {"Fast", "", "", "Slow"};
    for (int i = 0; i < 4; ++i) {
        speeds_[static_cast<size_t>(i)] =
            Named(new QLineEdit(speedBox), QString("LT2440SRP_%1").arg(i));
        speedLayout->addRow(speedNames[i], speeds_[static_cast<size_t>(i)]);
    }

    auto* other = new QGroupBox("Other Configuration", this);
    help_ = Named(new QLineEdit(other), "VisHelppage");
    sparm_ = Named(new QCheckBox("S-Parameter Switch", other), "SparmSw");
    auto* showState = Named(new QCheckBox("ShowState", other), "ShowState");
    showState->setEnabled(false);
    auto* test = Named(new QPushButton("Test VNA", other), "TestVNA");
    test->setEnabled(false);
    auto* ol = new QFormLayout(other);
    ol->addRow("Help page", help_);
    ol->addRow(sparm_);
    ol->addRow(showState, test);
    connect(sparm_, &QCheckBox::clicked, this, &VnaControl::SparmSw_Click);

    auto* driverBox = new QGroupBox("Analyser port driver", this);
    driver_ = Named(new QComboBox(driverBox), "Driver");
    driver_->addItems({"Simulated analyser", "Linux parallel port (ppdev)", "Direct port I/O"});
    device_ = Named(new QLineEdit(driverBox), "DriverDevice");
    device_->setPlaceholderText("/dev/parport0");
    dut_ = Named(new QComboBox(driverBox), "SimDut");
    dut_->setEditable(true);
    dut_->addItems({"bpf10m7", "lpf30m", "att10", "cable", "rlc", "thru", "opend", "open",
                    "short", "load"});
    auto* browse = Named(new QPushButton("File...", driverBox), "SimDutFile");
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString f = QFileDialog::getOpenFileName(this, "Simulated device", dir_,
                                                       "Touchstone (*.s1p *.s2p *.S1P *.S2P)");
        if (!f.isEmpty())
            dut_->setCurrentText(f);
    });
    auto* dl = new QFormLayout(driverBox);
    dl->addRow("Driver", driver_);
    dl->addRow("Device", device_);
    auto* dutRow = new QHBoxLayout;
    dutRow->addWidget(dut_, 1);
    dutRow->addWidget(browse);
    dl->addRow("Simulated device", dutRow);
    auto* note = new QLabel("Driver changes take effect when the program is started again.",
                            driverBox);
    note->setWordWrap(true);
    dl->addRow(note);

    auto* load = Named(new QPushButton("Load", this), "LoadCfg");
    auto* save = Named(new QPushButton("Save", this), "SavCfg");
    connect(load, &QPushButton::clicked, this, &VnaControl::LoadCfg_Click);
    connect(save, &QPushButton::clicked, this, &VnaControl::SavCfg_Click);

    auto* grid = new QGridLayout(this);
    grid->addWidget(protocol, 0, 0, 1, 2);
    grid->addWidget(port, 1, 0);
    grid->addWidget(clockBox, 1, 1);
    grid->addWidget(typeBox, 2, 0);
    grid->addWidget(speedBox, 2, 1);
    grid->addWidget(other, 3, 0, 1, 2);
    grid->addWidget(driverBox, 4, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(load);
    buttons->addWidget(save);
    grid->addLayout(buttons, 5, 0, 1, 2);

    setConfig(VnaConfig::Defaults(builtInHelp_));
}

void VnaControl::setConfig(const VnaConfig& cfg) {
    shown_ = cfg;
    for (int i = 0; i < 3; ++i) {
        portno_[static_cast<size_t>(i)]->setAutoExclusive(false);
        portno_[static_cast<size_t>(i)]->setChecked(cfg.Portno == i);
        portno_[static_cast<size_t>(i)]->setAutoExclusive(true);
        type_[static_cast<size_t>(i)]->setAutoExclusive(false);
        type_[static_cast<size_t>(i)]->setChecked(cfg.VNAType == i);
        type_[static_cast<size_t>(i)]->setAutoExclusive(true);
    }
    dde_->setChecked(cfg.DDEProt);
    tcp_->setChecked(!cfg.DDEProt);
    tcpPort_->setText(Q(cfg.TCPIPPORT));
    remote_->setChecked(cfg.TCPRemote);
    clock_->setText(Q(cfg.VnaTClock));
    for (int i = 0; i < 4; ++i)
        speeds_[static_cast<size_t>(i)]->setText(Q(cfg.LT2440SRP[static_cast<size_t>(i)]));
    help_->setText(Q(cfg.VisHelppage));
    sparm_->setChecked(cfg.SparmSw);
    driver_->setCurrentIndex(static_cast<int>(cfg.Driver));
    device_->setText(Q(cfg.DriverDevice));
    dut_->setCurrentText(Q(cfg.SimDut));
}

VnaConfig VnaControl::config() const {
    VnaConfig c = shown_;
    c.Portno = -1;
    for (int i = 0; i < 3; ++i)
        if (portno_[static_cast<size_t>(i)]->isChecked()) {
            c.Portno = i;
            c.VNAPort = std::string("&H") + kPorts[i];
        }
    c.VNAType = -1;
    for (int i = 0; i < 3; ++i)
        if (type_[static_cast<size_t>(i)]->isChecked())
            c.VNAType = i;
    c.DDEProt = dde_->isChecked();
    c.TCPIPPORT = S(tcpPort_->text());
    c.TCPRemote = remote_->isChecked();
    c.VnaTClock = S(clock_->text());
    c.VNAClock = c.VnaTClock;
    for (int i = 0; i < 4; ++i)
        c.LT2440SRP[static_cast<size_t>(i)] = S(speeds_[static_cast<size_t>(i)]->text());
    c.VisHelppage = S(help_->text());
    c.Helppage = c.VisHelppage.empty() ? builtInHelp_ : c.VisHelppage;
    c.SparmSw = sparm_->isChecked();
    c.SwitchOption = c.SparmSw ? " Switch " : "";
    c.Driver = static_cast<DriverKind>(std::max(0, driver_->currentIndex()));
    c.DriverDevice = S(device_->text().trimmed());
    c.SimDut = S(dut_->currentText().trimmed());
    return c;
}

void VnaControl::LoadCfg_Click() {
    const CfgLoad load = initCFG(dir_, config(), builtInHelp_);
    if (load.fileMissing) {
        emit Message(kCfgMissingText);
        return;
    }
    if (!load.error.empty()) {
        emit Message(Q(load.error));
        return;
    }
    setConfig(load.cfg);
    emit ConfigLoaded(load.cfg);
}

void VnaControl::SavCfg_Click() {
    const std::string err = SaveCfg(dir_, config(), builtInHelp_);
    if (!err.empty())
        emit Message(Q(err));
}

void VnaControl::SparmSw_Click() {
    emit SwitchOptionChanged(sparm_->isChecked() ? " Switch " : "");
}
