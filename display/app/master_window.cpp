#include "display/app/master_window.h"

#include "display/app/frm_debug.h"
#include "display/app/master_session.h"
#include "display/measure/qt_text.h"
#include "display/app/sweep_control.h"
#include "display/config/vna_control.h"
#include "display/graph/widgets/dsp_set_window.h"
#include "display/graph/widgets/qrg_graf.h"
#include "display/graph/widgets/smith_graf.h"
#include "display/measure/point_list.h"
#include "display/sfile/touchstone_writer.h"

#include <QCloseEvent>
#include <QScreen>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// Menu entries whose windows are not built yet: visible, disabled.
QAction* Pending(QMenu* menu, const QString& text, const char* name) {
    QAction* a = menu->addAction(text);
    a->setObjectName(name);
    a->setEnabled(false);
    return a;
}

// The session's reports to the frequency graph.
class QrgGrafView : public GraphView {
public:
    explicit QrgGrafView(QrgGraf& g) : g_(g) {}
    void NewQrg(int32_t min, int32_t max) override { g_.NewQrg(min, max); }
    void Messurechange(int16_t smessure) override { g_.Messurechange(smessure); }
    void makelive(int16_t p) override { g_.makelive(p); }
    void Refscreen() override { g_.Refscreen(); }

private:
    QrgGraf& g_;
};

// The session's reports to the Smith chart.
class SmithGrafView : public SmithView {
public:
    explicit SmithGrafView(SmithGraf& g) : g_(g) {}
    void SmithNewQrg(int32_t min, int32_t max) override { g_.SmithNewQrg(min, max); }
    void Messurechange(int16_t smessure) override { g_.Messurechange(smessure); }
    void Makesmithlive(int16_t p) override { g_.Makesmithlive(p); }

private:
    SmithGraf& g_;
};

} // namespace

Master::Master(MasterSession& session, QWidget* parent) : QMainWindow(parent), m_(session) {
    setObjectName("Master");
    mdi_ = new QMdiArea(this);
    mdi_->setObjectName("MdiArea");
    auto* central = new QWidget(this);
    auto* box = new QVBoxLayout(central);
    box->setContentsMargins(2, 2, 2, 2);
    box->addWidget(BuildControlStrip());
    box->addWidget(mdi_, 1);
    setCentralWidget(central);
    statusLabel_ = new QLabel(this);
    statusLabel_->setObjectName("StatusText");
    statusBar()->addWidget(statusLabel_, 1);

    debug_ = new FrmDebug;
    control_ = new VnaControl(session.options().workDir, session.builtInHelp().toStdString());
    // What the configuration window shows is what the program works with.
    connect(control_, &VnaControl::ConfigLoaded, this,
            [this](const VnaConfig& cfg) { m_.setConfig(cfg); });
    connect(control_, &VnaControl::ConfigChanged, this,
            [this](const VnaConfig& cfg) { m_.setConfig(cfg); });
    connect(control_, &VnaControl::Message, this, &Master::Message);
    connect(control_, &VnaControl::TestVnaRequested, &m_, &MasterSession::TestVna);
    connect(control_, &VnaControl::ShowStateChanged, &m_, &MasterSession::ShowServerState);
    connect(&m_, &MasterSession::VnaTestProgress, control_, [this](const QString& report) {
        control_->ShowTestResult(report, VnaControl::TestState::Running);
    });
    connect(&m_, &MasterSession::VnaTestFinished, control_,
            [this](bool passed, const QString& report) {
                control_->ShowTestResult(report, passed ? VnaControl::TestState::Passed
                                                        : VnaControl::TestState::Failed);
            });
    connect(&m_, &MasterSession::UserBytesChanged, control_,
            [this] { control_->ShowUserBytes(m_.state().ControlBytes); });
    control_->setShowStateAvailable(session.options().serverWindow);
    controlSub_ = AddChild(control_);
    // The menu's tick follows the configuration window however it is shown
    // or closed (the menu, its title-bar button, a window arrangement).
    controlSub_->installEventFilter(this);
    debugSub_ = AddChild(debug_);
    graphSettings_ = std::make_unique<GraphSettings>();
    markers_ = std::make_unique<MarkerTable>();
    qrgGraf_ = new QrgGraf(m_.state(), *graphSettings_, *markers_);
    qrgGraf_->plot().scales()[kScaleQrg].setMax(m_.Scales(MasterSession::kFreqScale).max());
    qrgGraf_->plot().scales()[kScaleQrg].setMin(m_.Scales(MasterSession::kFreqScale).min());
    qrgGraf_->setGetQRGLimits([this] { m_.sweep().GetQRGLimits(); });
    qrgSub_ = AddChild(qrgGraf_);
    graphView_ = std::make_unique<QrgGrafView>(*qrgGraf_);
    BuildDspSet();
    BuildMenus();

    connect(&m_.sweep(), &SweepControl::FieldsChanged, this, &Master::SyncFields);
    connect(&m_.sweep(), &SweepControl::CaptionsChanged, this, &Master::SyncCaptions);
    SyncFields();
    SyncCaptions();
    VnaMessureCaption(MasterSession::MessureCaption(m_.state().Smessure));
    setWindowTitle(m_.title());
    // Most of the screen, so that the child windows side by side each have
    // room for their forms; never less than 1100 x 720.
    QSize size(1100, 720);
    if (const QScreen* scr = screen())
        size = size.expandedTo(scr->availableGeometry().size() * 0.9);
    resize(size);
    m_.setMainWindow(this);
    m_.setDiagnostic(debug_);
    m_.setGraph(graphView_.get());
}

Master::~Master() {
    m_.setMainWindow(nullptr);
    m_.setDiagnostic(nullptr);
    m_.setGraph(nullptr);
    m_.setSmith(nullptr);
}

SmithGraf* Master::ShowSmith() {
    if (!smithGraf_) {
        smithGraf_ = new SmithGraf(m_.state(), *graphSettings_, *markers_);
        smithGraf_->SmithNewQrg(m_.Scales(MasterSession::kFreqScale).min(),
                                m_.Scales(MasterSession::kFreqScale).max());
        smithGraf_->Messurechange(m_.state().Smessure);
        smithGraf_->setGetQRGLimits([this] { m_.sweep().GetQRGLimits(); });
        // A colour chosen in either graph shows in both.
        connect(smithGraf_, &SmithGraf::ColoursChanged, qrgGraf_, &QrgGraf::Refscreen);
        connect(qrgGraf_, &QrgGraf::ColoursChanged, smithGraf_, &SmithGraf::redrawlive);
        connect(smithGraf_, &SmithGraf::MarkersChanged, qrgGraf_, &QrgGraf::Refscreen);
        smithSub_ = AddChild(smithGraf_);
        // Large enough to read: the right-hand part of the frame, full height.
        if (mdi_->width() > 900 && mdi_->height() > 500)
            smithSub_->setGeometry(mdi_->width() * 2 / 5, 0, mdi_->width() * 3 / 5, mdi_->height());
        smithView_ = std::make_unique<SmithGrafView>(*smithGraf_);
        m_.setSmith(smithView_.get());
    }
    smithSub_->show();
    smithGraf_->show();
    mdi_->setActiveSubWindow(smithSub_);
    return smithGraf_;
}

void Master::AfterStartup() {
    control_->setConfig(m_.config());
    control_->ShowUserBytes(m_.state().ControlBytes);
    SyncFields();
    SyncCaptions();
    MnuArr_Click(0);
}

QMdiSubWindow* Master::AddChild(QWidget* w) {
    QMdiSubWindow* sub = mdi_->addSubWindow(w);
    sub->setObjectName(w->objectName() + "Window");
    sub->setAttribute(Qt::WA_DeleteOnClose, false);
    return sub;
}

void Master::BuildDspSet() {
    dspSet_ = new DspSet(m_.state(), *graphSettings_);
    dspSet_->model().VnaCTitle_Change(0, m_.VnaCTitle(0));
    DspSetHooks hooks;
    hooks.restartScanTimer = [this](int ms) {
        QTimer& t = m_.sweep().ScanUpdateTimer();
        t.stop();
        t.setInterval(ms);
        t.start();
    };
    hooks.tickRefresh = [this] {
        qrgGraf_->TickChange();
        qrgGraf_->Refscreen();
        if (smithGraf_)
            smithGraf_->SmithTickChange();
    };
    hooks.freqTicks = [this](const QString& steps) {
        m_.Scales(MasterSession::kFreqScale).setTicks(steps);
    };
    hooks.redraw = [this] {
        qrgGraf_->Refscreen();
        if (smithGraf_)
            smithGraf_->redrawlive();
    };
    // The link pauses while the file is read; the graphs redraw after it.
    hooks.loadBegins = [this] { m_.VnaStopTCP(); };
    hooks.loadEnds = [this] {
        m_.VnaStartTCP();
        qrgGraf_->Refscreen();
        if (smithGraf_)
            smithGraf_->redrawlive();
    };
    hooks.titleChanged = [this](int slot, const QString& title) { m_.setVnaCTitle(slot, title); };
    dspSet_->setHooks(std::move(hooks));
    dspSet_->Sync();
    dspSub_ = AddChild(dspSet_);
    dspSub_->hide();
}

void Master::BuildMenus() {
    QMenu* conf = menuBar()->addMenu("&Configuration");
    conf->setObjectName("MenuConfig");
    MenuConW_ = conf->addAction("VNA &Configuration");
    MenuConW_->setObjectName("MenuConW");
    MenuConW_->setCheckable(true);
    MenuConW_->setChecked(true);
    connect(MenuConW_, &QAction::triggered, this, &Master::MenuConW_Click);
    Pending(conf, "C&alibration", "MenuCal");
    QAction* defaults = conf->addAction("&Restore default settings");
    defaults->setObjectName("MnuDefaults");
    connect(defaults, &QAction::triggered, this, &Master::MnuDefaults_Click);

    QMenu* win = menuBar()->addMenu("&Window");
    const char* arr[3] = {"Side by side", "One above the other", "Cascade"};
    for (int i = 0; i < 3; ++i) {
        QAction* a = win->addAction(arr[i]);
        a->setObjectName(QString("MnuArr_%1").arg(i));
        connect(a, &QAction::triggered, this, [this, i] { MnuArr_Click(i); });
    }

    QMenu* display = menuBar()->addMenu("&Display");
    display->setObjectName("MnuDisplayMenu");
    // Each entry shows its child window and brings it to the front.
    const auto child = [&](const QString& text, const char* name, QMdiSubWindow* sub) {
        QAction* a = display->addAction(text);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, [this, sub] {
            sub->show();
            sub->widget()->show();
            mdi_->setActiveSubWindow(sub);
        });
    };
    child("&Frequency Graf", "MnuQrgGraf", qrgSub_);
    child("&Display settings", "MnuDisplay", dspSub_);

    QAction* smith = display->addAction("&Smith Chart");
    smith->setObjectName("MnuSmith");
    connect(smith, &QAction::triggered, this, &Master::ShowSmith);

    // The marker choices: the same entries the graph's right-click opens.
    QMenu* markers = menuBar()->addMenu("&Markers");
    markers->setObjectName("MnuMarkers");
    markers->addActions(qrgGraf_->markerMenu()->actions());

    SpeedSelect_ = menuBar()->addAction(m_.sweep().SpeedSelectCaption());
    SpeedSelect_->setObjectName("SpeedSelect");
    connect(SpeedSelect_, &QAction::triggered, &m_.sweep(), &SweepControl::SpeedSelect_Click);
    TimeSlct_ = menuBar()->addAction(m_.sweep().TimeSlctCaption());
    TimeSlct_->setObjectName("TimeSlct");
    connect(TimeSlct_, &QAction::triggered, &m_.sweep(), &SweepControl::TimeSlct_Click);

    QAction* help = menuBar()->addAction("&Help");
    help->setObjectName("NmuHelp");
    connect(help, &QAction::triggered, this, &Master::NmuHelp_Click);
}

QWidget* Master::BuildControlStrip() {
    auto* strip = new QWidget(this);
    strip->setObjectName("ControlStrip");
    auto* rows = new QVBoxLayout(strip);
    rows->setContentsMargins(0, 0, 0, 0);
    auto* row = new QHBoxLayout;
    rows->addLayout(row);

    auto* command2 = Named(new QPushButton("Debug", strip), "Command2");
    connect(command2, &QPushButton::clicked, this, &Master::Command2_Click);
    auto* dump = Named(new QPushButton("Dump", strip), "DUMDUM");
    dump->setEnabled(false);  // the diagnostic dump comes with its own window work
    auto* save = Named(new QPushButton("Save S2P", strip), "DoSavSparm");
    connect(save, &QPushButton::clicked, this, &Master::DoSavSparm_Click);
    auto* scanCalib = Named(new QPushButton("Scan Cal", strip), "ScanCalib");
    scanCalib->setEnabled(false);
    auto* scanCalRdy = Named(new QPushButton("Cal Ready", strip), "ScanCalRdy");
    scanCalRdy->setEnabled(false);
    VnaMessure_ = Named(new QPushButton(strip), "VnaMessure");
    connect(VnaMessure_, &QPushButton::clicked, &m_, &MasterSession::VnaMessure_Click);
    // The switch bits it set show in the configuration window.
    connect(VnaMessure_, &QPushButton::clicked, this,
            [this] { control_->ShowUserBytes(m_.state().ControlBytes); });
    ConfigDone_ = Named(new QPushButton("Config Done", strip), "ConfigDone");
    ConfigDone_->hide();
    connect(ConfigDone_, &QPushButton::clicked, &m_, &MasterSession::ConfigDone_Click);
    for (QWidget* w : {static_cast<QWidget*>(command2), static_cast<QWidget*>(dump),
                       static_cast<QWidget*>(save), static_cast<QWidget*>(scanCalib),
                       static_cast<QWidget*>(scanCalRdy), static_cast<QWidget*>(VnaMessure_),
                       static_cast<QWidget*>(ConfigDone_)})
        row->addWidget(w);
    row->addStretch(1);
    row = new QHBoxLayout;
    rows->addLayout(row);

    const char* modes[3] = {"Center/Span", "Start/End", "Step"};
    for (int i = 0; i < 3; ++i) {
        scaMo_[static_cast<size_t>(i)] =
            Named(new QRadioButton(modes[i], strip), QString("QScaMo_%1").arg(i));
        connect(scaMo_[static_cast<size_t>(i)], &QRadioButton::clicked, this,
                [this, i] { m_.sweep().QScaMo_Click(i); });
        row->addWidget(scaMo_[static_cast<size_t>(i)]);
    }
    LCommand1_ = Named(new QPushButton(strip), "LCommand1");
    LCommand1_->setFlat(true);
    LCommand3_ = Named(new QPushButton(strip), "LCommand3");
    LCommand3_->setFlat(true);
    const char* names[4] = {"QStart", "QEnd", "Qcent", "QSpan"};
    for (int i = 0; i < 4; ++i) {
        auto* e = Named(new QLineEdit(strip), names[i]);
        e->setMaximumWidth(90);
        fields_[static_cast<size_t>(i)] = e;
    }
    SweepControl& sw = m_.sweep();
    connect(fields_[0], &QLineEdit::textChanged, &sw, &SweepControl::QStart_Change);
    connect(fields_[1], &QLineEdit::textChanged, &sw, &SweepControl::QEnd_Change);
    connect(fields_[2], &QLineEdit::textChanged, &sw, &SweepControl::Qcent_Change);
    connect(fields_[3], &QLineEdit::textChanged, &sw, &SweepControl::QSpan_Change);
    row->addWidget(LCommand1_);
    row->addWidget(fields_[0]);
    row->addWidget(fields_[2]);
    row->addWidget(LCommand3_);
    row->addWidget(fields_[1]);
    row->addWidget(fields_[3]);
    const char* tul[7] = {"Up", "Fine Up", "Div -", "Center", "Div +", "Fine Dn", "Dn"};
    for (int i = 0; i < 7; ++i) {
        auto* b = Named(new QPushButton(tul[i], strip), QString("TulBut_%1").arg(i));
        connect(b, &QPushButton::clicked, this, [this, i] { m_.sweep().TulBut_Click(i); });
        tulBut_[static_cast<size_t>(i)] = b;
        row->addWidget(b);
    }
    QrgInfo_ = Named(new QPushButton(strip), "QrgInfo");
    QrgInfo_->setFlat(true);
    row->addWidget(QrgInfo_);
    row->addStretch(1);
    return strip;
}

void Master::SyncFields() {
    const SweepControl& sw = m_.sweep();
    for (int i = 0; i < 4; ++i) {
        QLineEdit* e = fields_[static_cast<size_t>(i)];
        const EntryField& f = sw.field(static_cast<SweepControl::Field>(i));
        if (e->text() != f.text) {
            const QSignalBlocker block(e);
            e->setText(f.text);
        }
        e->setVisible(f.visible);
    }
    LCommand1_->setText(sw.LCommand1());
    LCommand3_->setText(sw.LCommand3());
    LCommand1_->setVisible(sw.labelsVisible());
    LCommand3_->setVisible(sw.labelsVisible());
    for (QPushButton* b : tulBut_)
        b->setVisible(sw.stepButtonsVisible());
    QrgInfo_->setVisible(sw.stepButtonsVisible());
    scaMo_[static_cast<size_t>(sw.mode())]->setChecked(true);
}

void Master::SyncCaptions() {
    SpeedSelect_->setText(m_.sweep().SpeedSelectCaption());
    TimeSlct_->setText(m_.sweep().TimeSlctCaption());
    QrgInfo_->setText(m_.sweep().QrgInfoCaption());
}

// ---- MainWindowView ----

void Master::Message(const QString& text) {
    if (modal_)
        QMessageBox::information(this, windowTitle(), text);
}

void Master::SetCaption(const QString& caption) { setWindowTitle(caption); }
void Master::Status(const QString& text) { statusLabel_->setText(text); }
void Master::VnaMessureCaption(const QString& caption) { VnaMessure_->setText(caption); }

void Master::ConfigDoneRed(bool red) {
    if (red) {
        ConfigDone_->setStyleSheet("background-color: rgb(255, 0, 0);");
        ConfigDone_->show();
    } else {
        ConfigDone_->setStyleSheet(QString());
        ConfigDone_->hide();
    }
}

// ---- menus and buttons ----

void Master::MenuConW_Click() {
    // The action has toggled its check mark already.
    controlSub_->setVisible(MenuConW_->isChecked());
    if (MenuConW_->isChecked())
        control_->show();
}

void Master::Command2_Click() {
    if (debugSub_->isVisible()) {
        debugSub_->hide();
    } else {
        debugSub_->show();
        debug_->show();
    }
}

void Master::MnuArr_Click(int index) {
    if (index == 2) {
        mdi_->cascadeSubWindows();
        return;
    }
    if (index != 0 && index != 1)
        return;
    // 0: side by side, each shown child a column; 1: one above the other.
    QList<QMdiSubWindow*> shown;
    for (auto* sub : mdi_->subWindowList())
        if (sub->isVisible())
            shown << sub;
    if (shown.isEmpty())
        return;
    const int n = static_cast<int>(shown.size());
    const QSize area = mdi_->viewport()->size();
    for (int i = 0; i < n; ++i)
        shown[i]->setGeometry(index == 0 ? QRect(i * area.width() / n, 0, area.width() / n,
                                                 area.height())
                                         : QRect(0, i * area.height() / n, area.width(),
                                                 area.height() / n));
}

void Master::NmuHelp_Click() {
    const QString page = Q(m_.state().Helppage);
    if (!QDesktopServices::openUrl(QUrl::fromUserInput(page)))
        Status("Cannot open the help page " + page);
}

void Master::DoSavSparm_Click() {
    m_.VnaStopTCP();
    // The dialog starts in the working directory and proposes the live
    // data's title; a name typed without a suffix gets ".S2P", so that the
    // program's own reader takes the file back.
    QFileDialog dialog(this, "Select S-Parm filename", m_.options().workDir,
                       "2 Port Sparameter (*.S2P)");
    dialog.setObjectName("DoSavSparmDialog");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("S2P");
    dialog.selectFile(m_.VnaCTitle(0));
    const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    m_.VnaStartTCP();
    if (!chosen)
        return;
    QString file = dialog.selectedFiles().first();
    if (QFileInfo(file).suffix().isEmpty())
        file += ".S2P";
    std::string error;
    if (!SaveLiveTouchstone(file.toStdString(), m_.title().toStdString(), m_.state(), error))
        Message(Q(error));
    else
        Status("Saved " + file);
}

bool Master::eventFilter(QObject* watched, QEvent* event) {
    if (watched == controlSub_ && MenuConW_ &&
        (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        MenuConW_->setChecked(!controlSub_->isHidden());
    return QMainWindow::eventFilter(watched, event);
}

void Master::closeEvent(QCloseEvent* event) {
    SaveSettings();
    m_.Shutdown();
    event->accept();
}
