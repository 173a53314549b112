#include "display/config/vna_control.h"
#include "display/measure/qt_text.h"

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
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

#ifndef VNA_VERSION
#define VNA_VERSION "0.0.0"
#endif

namespace {


std::string S(const QString& s) { return s.toStdString(); }

const char* kPorts[3] = {"278", "378", "3BC"};

// The note beside settings that only the next start of the program uses.
QLabel* NextStart(QWidget* parent) {
    auto* l = new QLabel("Takes effect at the next start.", parent);
    l->setObjectName("NextStartNote");
    QFont f = l->font();
    f.setItalic(true);
    l->setFont(f);
    l->setWordWrap(true);
    return l;
}

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
    remote_->setToolTip("Other machines may connect (with the key file)");
    remoteServer_ = Named(new QCheckBox("Remote server", protocol), "RemoteServer");
    remoteServer_->setToolTip("The server runs on another machine and connects here: "
                              "no server is started on this one");
    keyFile_ = Named(new QLineEdit(protocol), "KeyFile");
    keyFile_->setPlaceholderText("key file (brindlev1 --make-key FILE)");
    keyFile_->setToolTip("The link key, needed when other machines may connect");
    auto* keyBrowse = FileButton(protocol, "KeyFileBrowse", "Link key file",
                                 "Key files (*.key);;All files (*)",
                                 [this](const QString& f) { keyFile_->setText(f); });
    auto* pl = new QGridLayout(protocol);
    pl->addWidget(tcp_, 0, 0);
    pl->addWidget(tcpPort_, 0, 1);
    auto* remoteRow = new QHBoxLayout;
    remoteRow->addWidget(remote_);
    remoteRow->addWidget(remoteServer_);
    remoteRow->addStretch(1);
    pl->addLayout(remoteRow, 1, 1);
    pl->addWidget(new QLabel("Key file", protocol), 2, 0);
    auto* keyRow = new QHBoxLayout;
    keyRow->addWidget(keyFile_, 1);
    keyRow->addWidget(keyBrowse);
    pl->addLayout(keyRow, 2, 1);
    pl->addWidget(dde_, 3, 0);
    pl->addWidget(NextStart(protocol), 3, 1);

    auto* port = new QGroupBox("Port", this);
    auto* portLayout = new QGridLayout(port);
    for (int i = 0; i < 3; ++i) {
        portno_[static_cast<size_t>(i)] =
            Named(new QRadioButton(QString("Port ") + kPorts[i], port), QString("Portno_%1").arg(i));
        portLayout->addWidget(portno_[static_cast<size_t>(i)], 0, i);
    }
    portLayout->addWidget(NextStart(port), 1, 0, 1, 3);

    auto* clockBox = new QGroupBox("VNA Clock", this);
    clock_ = Named(new QLineEdit(clockBox), "VnaTClock");
    auto* cl = new QVBoxLayout(clockBox);
    cl->addWidget(clock_);
    cl->addWidget(NextStart(clockBox));

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
    auto* speedNote = new QLabel("Kept in the file; the server programs the converter with "
                                 "its built-in codes 8, 10, 2, 0.",
                                 speedBox);
    speedNote->setWordWrap(true);
    speedLayout->addRow(speedNote);

    auto* other = new QGroupBox("Other Configuration", this);
    help_ = Named(new QLineEdit(other), "VisHelppage");
    sparm_ = Named(new QCheckBox("S-Parameter Switch", other), "SparmSw");
    showState_ = Named(new QCheckBox("ShowState", other), "ShowState");
    showState_->setToolTip("Shows or hides the server's status window");
    test_ = Named(new QPushButton("Test VNA", other), "TestVNA");
    testResult_ = Named(new QLabel(other), "TestResult");
    testResult_->setWordWrap(true);
    testResult_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* ol = new QFormLayout(other);
    ol->addRow("Help page", help_);
    ol->addRow(sparm_);
    ol->addRow(showState_, test_);
    ol->addRow(testResult_);
    connect(sparm_, &QCheckBox::clicked, this, &VnaControl::SparmSw_Click);
    connect(showState_, &QCheckBox::clicked, this, &VnaControl::ShowState_Click);
    connect(test_, &QPushButton::clicked, this, &VnaControl::TestVNA_Click);

    auto* driverBox = new QGroupBox("Analyser port driver", this);
    driver_ = Named(new QComboBox(driverBox), "Driver");
    driver_->addItems({"Simulated analyser", "Linux parallel port (ppdev)", "Direct port I/O"});
    device_ = Named(new QLineEdit(driverBox), "DriverDevice");
    device_->setPlaceholderText("/dev/parport0");
    dut_ = Named(new QComboBox(driverBox), "SimDut");
    dut_->setEditable(true);
    dut_->addItems({"bpf10m7", "lpf30m", "att10", "cable", "rlc", "thru", "opend", "open",
                    "short", "load"});
    auto* browse = FileButton(driverBox, "SimDutFile", "Simulated device",
                              "Touchstone (*.s1p *.s2p *.S1P *.S2P)",
                              [this](const QString& f) { dut_->setCurrentText(f); });
    auto* dl = new QFormLayout(driverBox);
    dl->addRow("Driver", driver_);
    dl->addRow("Device", device_);
    auto* dutRow = new QHBoxLayout;
    dutRow->addWidget(dut_, 1);
    dutRow->addWidget(browse);
    dl->addRow("Simulated device", dutRow);
    dl->addRow(NextStart(driverBox));

    auto* load = Named(new QPushButton("Load", this), "LoadCfg");
    auto* save = Named(new QPushButton("Save", this), "SavCfg");
    connect(load, &QPushButton::clicked, this, &VnaControl::LoadCfg_Click);
    connect(save, &QPushButton::clicked, this, &VnaControl::SavCfg_Click);

    auto* left = new QVBoxLayout;
    left->addWidget(protocol);
    left->addWidget(port);
    left->addWidget(clockBox);
    auto* typeRow = new QHBoxLayout;
    typeRow->addWidget(typeBox);
    typeRow->addWidget(speedBox);
    left->addLayout(typeRow);
    left->addWidget(driverBox);
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(other);
    right->addWidget(BuildExternalControl());
    right->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(load);
    buttons->addWidget(save);
    right->addLayout(buttons);
    // The frames keep their size in a window made smaller (a tiled frame
    // of the main window): it scrolls instead of cutting texts.
    auto* content = new QWidget;
    auto* columns = new QHBoxLayout(content);
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName("VnaControlScroll");
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);

    // Every edit reaches the program at once.
    for (QRadioButton* b : {tcp_, dde_, portno_[0], portno_[1], portno_[2], type_[0], type_[1],
                            type_[2]})
        connect(b, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                Edited();
        });
    for (QLineEdit* e : {tcpPort_, clock_, help_, speeds_[0], speeds_[1], speeds_[2], speeds_[3],
                         device_, keyFile_})
        connect(e, &QLineEdit::textEdited, this, &VnaControl::Edited);
    connect(remote_, &QCheckBox::clicked, this, &VnaControl::Edited);
    connect(remoteServer_, &QCheckBox::clicked, this, &VnaControl::Edited);
    connect(driver_, &QComboBox::currentIndexChanged, this, &VnaControl::Edited);
    connect(dut_, &QComboBox::currentTextChanged, this, &VnaControl::Edited);
    connect(sorel_, &QSpinBox::valueChanged, this, &VnaControl::Edited);
    for (QSpinBox* b : extBytes_)
        connect(b, &QSpinBox::valueChanged, this, &VnaControl::Edited);

    setConfig(VnaConfig::Defaults(builtInHelp_));
}

QPushButton* VnaControl::FileButton(QWidget* parent, const QString& name, const QString& title,
                                    const QString& filter,
                                    std::function<void(const QString&)> take) {
    auto* button = Named(new QPushButton("File...", parent), name);
    connect(button, &QPushButton::clicked, this, [this, title, filter, take] {
        const QString f = QFileDialog::getOpenFileName(this, title, dir_, filter);
        if (!f.isEmpty()) {
            take(f);
            Edited();
        }
    });
    return button;
}

QWidget* VnaControl::BuildExternalControl() {
    auto* box = new QWidget(this);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);

    auto* byte0 = Named(new QGroupBox("External Control Byte 0", box), "ExtByte0");
    sorel_ = Named(new QSpinBox(byte0), "ExtSorel");
    sorel_->setRange(0, 3);
    auto* sw = new QGroupBox("S-Parameter Switch Bit 2-3", byte0);
    swibri_ = Named(new QCheckBox("Bit 2 bridge (reflection)", sw), "ExtSwibri");
    swipor_ = Named(new QCheckBox("Bit 3 port swap", sw), "ExtSwipor");
    auto* swl = new QVBoxLayout(sw);
    for (QCheckBox* c : {swibri_, swipor_}) {
        c->setEnabled(false);  // set by the measured S-parameter
        swl->addWidget(c);
    }
    auto* swNote = new QLabel("Set by the measured S-parameter.", sw);
    swl->addWidget(swNote);
    auto* b0l = new QFormLayout(byte0);
    b0l->addRow("Sorel Clock Bit 0-1", sorel_);
    b0l->addRow(sw);

    auto* bytes = Named(new QGroupBox("External Control Byte 1-3", box), "ExtByte13");
    auto* bl = new QFormLayout(bytes);
    const char* names[4] = {"Calibration Head", "Attenuator", "Control", "Reflection"};
    for (int i = 0; i < 4; ++i) {
        auto* spin = Named(new QSpinBox(bytes), QString("ExtByte_%1").arg(i + 1));
        spin->setRange(0, 255);
        spin->setPrefix(QString("B%1 = ").arg(i + 1));
        spin->setKeyboardTracking(false);  // one change per value, not per digit
        extBytes_[static_cast<size_t>(i)] = spin;
        bl->addRow(names[i], spin);
    }
    sorel_->setKeyboardTracking(false);
    userBytes_ = Named(new QLabel(bytes), "UserBytes");
    bl->addRow("Scans carry", userBytes_);

    column->addWidget(byte0);
    column->addWidget(bytes);
    return box;
}

void VnaControl::Edited() {
    if (!filling_)
        emit ConfigChanged(config());
}

void VnaControl::setConfig(const VnaConfig& cfg) {
    filling_ = true;
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
    remoteServer_->setChecked(cfg.RemoteServer);
    keyFile_->setText(Q(cfg.KeyFile));
    clock_->setText(Q(cfg.VnaTClock));
    for (int i = 0; i < 4; ++i)
        speeds_[static_cast<size_t>(i)]->setText(Q(cfg.LT2440SRP[static_cast<size_t>(i)]));
    help_->setText(Q(cfg.VisHelppage));
    sparm_->setChecked(cfg.SparmSw);
    driver_->setCurrentIndex(static_cast<int>(cfg.Driver));
    device_->setText(Q(cfg.DriverDevice));
    dut_->setCurrentText(Q(cfg.SimDut));
    sorel_->setValue(cfg.ExtSorel);
    for (size_t i = 0; i < 4; ++i)
        extBytes_[i]->setValue(cfg.ExtBytes[i]);
    filling_ = false;
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
    c.RemoteServer = remoteServer_->isChecked();
    c.KeyFile = S(keyFile_->text());
    c.VnaTClock = S(clock_->text());
    c.VNAClock = c.VnaTClock;
    for (int i = 0; i < 4; ++i)
        c.LT2440SRP[static_cast<size_t>(i)] = S(speeds_[static_cast<size_t>(i)]->text());
    c.VisHelppage = S(help_->text());
    c.Helppage = c.VisHelppage.empty() ? builtInHelp_ : c.VisHelppage;
    c.SparmSw = sparm_->isChecked();
    c.SwitchOption = c.SparmSw ? " Switch " : "";
    c.Driver = static_cast<DriverKind>(std::max(0, driver_->currentIndex()));
    c.DriverDevice = S(device_->text());
    c.SimDut = S(dut_->currentText());
    c.ExtSorel = sorel_->value();
    for (size_t i = 0; i < 4; ++i)
        c.ExtBytes[i] = extBytes_[i]->value();
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
    Edited();
}

void VnaControl::setShowStateAvailable(bool available) {
    showState_->setEnabled(available);
    showState_->setToolTip(available ? "Shows or hides the server's status window"
                                     : "The server runs without its status window");
}

void VnaControl::TestVNA_Click() { emit TestVnaRequested(); }

void VnaControl::ShowState_Click() { emit ShowStateChanged(showState_->isChecked()); }

void VnaControl::ShowTestResult(const QString& report, VnaControl::TestState state) {
    test_->setEnabled(state != TestState::Running);
    QString colour = "black";
    if (state == TestState::Passed)
        colour = "darkgreen";
    else if (state == TestState::Failed)
        colour = "darkred";
    testResult_->setStyleSheet("color: " + colour);
    testResult_->setText(report);
}

void VnaControl::ShowUserBytes(const UserByteArray& bytes) {
    swibri_->setChecked((bytes[0] & 4) != 0);
    swipor_->setChecked((bytes[0] & 8) != 0);
    userBytes_->setText(QString("B0..B4 = %1 %2 %3 %4 %5")
                            .arg(bytes[0])
                            .arg(bytes[1])
                            .arg(bytes[2])
                            .arg(bytes[3])
                            .arg(bytes[4]));
}
