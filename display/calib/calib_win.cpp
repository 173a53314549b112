#include "display/calib/calib_win.h"
#include "display/measure/qt_text.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {



QString DialogChoose(const QString& title, const QString& filter, bool save, const QString& dir) {
    QFileDialog d(nullptr, title, dir, filter);
    d.setOption(QFileDialog::DontUseNativeDialog);
    if (save) {
        d.setAcceptMode(QFileDialog::AcceptSave);
        d.setDefaultSuffix(filter.contains("*.CD") ? "CD" : "CC");
        d.selectFile(QString());  // the file name field starts empty
    } else {
        d.setFileMode(QFileDialog::ExistingFile);
    }
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty())
        return {};
    return d.selectedFiles().first();
}

const char* const kDataFilter = "Calibration Data (*.CD *.cd)";
const char* const kControlFilter = "Calibration Control (*.CC *.cc)";

} // namespace

CalibWin::CalibWin(CalibProcedure& procedure, const QString& workDir, QWidget* parent)
    : QWidget(parent), p_(procedure), workDir_(workDir), chooser_(DialogChoose) {
    setObjectName("CalibWin");
    setWindowTitle("Basic Calibration");

    auto* box = new QVBoxLayout(this);
    auto* kinds = new QVBoxLayout;
    S_Swi_Cal_ = Named(new QCheckBox("S-Switch"), "S_Swi_Cal");
    RefCal_ = Named(new QCheckBox("Reflection Calibration"), "RefCal");
    TranCal_ = Named(new QCheckBox("Transfer Calibration"), "TranCal");
    RefCal_->setChecked(true);
    TranCal_->setChecked(true);
    kinds->addWidget(S_Swi_Cal_);
    kinds->addWidget(RefCal_);
    kinds->addWidget(TranCal_);
    box->addLayout(kinds);

    auto* speeds = new QGroupBox("Speeds");
    auto* speedGrid = new QGridLayout(speeds);
    const char* speedText[4] = {"133 Ms", "40 Ms", "20 ms", "10 Ms"};
    for (int i = 0; i < 4; ++i) {
        Sped_[static_cast<size_t>(i)] =
            Named(new QCheckBox(speedText[i]), QString("Sped_%1").arg(i));
        speedGrid->addWidget(Sped_[static_cast<size_t>(i)], i / 2, i % 2);
    }
    Sped_[0]->setChecked(true);
    box->addWidget(speeds);

    AutoMount_ = Named(new QCheckBox("Mount standards (simulated analyser)"), "AutoMount");
    AutoMount_->setChecked(true);
    p_.setAutoMount(true);
    connect(AutoMount_, &QCheckBox::toggled, this, [this](bool on) { p_.setAutoMount(on); });
    box->addWidget(AutoMount_);

    auto* run = new QHBoxLayout;
    RedoGlobal_ = Named(new QPushButton("Redo"), "RedoGlobal");
    CalibDone_ = Named(new QPushButton("Done"), "CalibDone");
    CalibDone_->hide();
    run->addWidget(RedoGlobal_);
    run->addWidget(CalibDone_);
    run->addStretch();
    box->addLayout(run);
    connect(RedoGlobal_, &QPushButton::clicked, this, &CalibWin::RedoGlobal_Click);
    connect(CalibDone_, &QPushButton::clicked, this, &CalibWin::CalibDone_Click);

    CalibMessage_ = Named(new QLabel, "CalibMessage");
    QFont big = CalibMessage_->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    CalibMessage_->setFont(big);
    CalibMessage_->setWordWrap(true);
    CalibMessage_->setMinimumHeight(48);
    box->addWidget(CalibMessage_);
    CalProgress_ = Named(new QProgressBar, "CalProgress");
    CalProgress_->setRange(0, kCalProgressMax);
    CalProgress_->setValue(0);
    CalProgress_->setTextVisible(false);
    box->addWidget(CalProgress_);

    auto* files = new QGridLayout;
    MastCalTitle_ = Named(new QLabel, "MastCalTitle");
    MastConttitle_ = Named(new QLabel, "MastConttitle");
    CalMastFile_ = Named(new QLabel("Master.CD"), "CalMastFile");
    CalMastCont_ = Named(new QLabel("MastCalib.CC"), "CalMastCont");
    auto* CalLoad = Named(new QPushButton("Load"), "CalLoad");
    auto* CalSav = Named(new QPushButton("Save"), "CalSav");
    auto* MastChg = Named(new QPushButton("Change"), "MastChg");
    files->addWidget(MastCalTitle_, 0, 0, 1, 4);
    files->addWidget(new QLabel("Calibration file"), 1, 0);
    files->addWidget(CalMastFile_, 1, 1);
    files->addWidget(CalLoad, 1, 2);
    files->addWidget(CalSav, 1, 3);
    files->addWidget(MastConttitle_, 2, 0, 1, 4);
    files->addWidget(new QLabel("Control file"), 3, 0);
    files->addWidget(CalMastCont_, 3, 1);
    files->addWidget(MastChg, 3, 2);
    files->setColumnStretch(1, 1);
    box->addLayout(files);
    box->addStretch();
    connect(CalLoad, &QPushButton::clicked, this, &CalibWin::CalLoad_Click);
    connect(CalSav, &QPushButton::clicked, this, &CalibWin::CalSav_Click);
    connect(MastChg, &QPushButton::clicked, this, &CalibWin::MastChg_Click);

    if (QFileInfo(Q(p_.controlFile())).isRelative())
        p_.setControlFile(QDir(workDir_).filePath(Q(p_.controlFile())).toStdString());
    ShowFileName(CalMastCont_, Q(p_.controlFile()));
    p_.setView(this);
}

void CalibWin::InitSpeeds(int VNAType) {
    const bool all = VNAType == 1 || VNAType == 2;
    for (int i = 0; i < 4; ++i)
        Sped_[static_cast<size_t>(i)]->setChecked(all || i == 0);
}

void CalibWin::setSimulated(bool simulated) {
    AutoMount_->setEnabled(simulated);
    AutoMount_->setChecked(simulated);
    p_.setAutoMount(simulated);
}

void CalibWin::ShowCalibrationFile(const QString& fileName, const QString& title) {
    ShowFileName(CalMastFile_, fileName);
    MastCalTitle_->setText(title);
}

PlanChoice CalibWin::Choice() const {
    PlanChoice c;
    c.S_Swi_Cal = S_Swi_Cal_->isChecked();
    c.RefCal = RefCal_->isChecked();
    c.TranCal = TranCal_->isChecked();
    for (size_t i = 0; i < 4; ++i)
        c.Sped[i] = Sped_[i]->isChecked();
    return c;
}

void CalibWin::ShowFileName(QLabel* label, const QString& path) {
    label->setText(QFileInfo(path).fileName());
    label->setToolTip(path);
}

// ---- CalibView ----

void CalibWin::CalibMessage(const std::string& text) { CalibMessage_->setText(Q(text)); }
void CalibWin::ShowCalibDone(bool shown) { CalibDone_->setVisible(shown); }
void CalibWin::MarkSpeed(int speed) {
    for (int i = 0; i < 4; ++i)
        Sped_[static_cast<size_t>(i)]->setStyleSheet(
            i == speed ? "QCheckBox { background-color: red; }" : QString());
}
void CalibWin::CalProgress(int value) { CalProgress_->setValue(value); }
void CalibWin::MastCalTitle(const std::string& title) { MastCalTitle_->setText(Q(title)); }
void CalibWin::MastConttitle(const std::string& title) { MastConttitle_->setText(Q(title)); }
void CalibWin::Refused(const std::string& message) { emit Message(Q(message)); }

// ---- buttons ----

void CalibWin::RedoGlobal_Click() {
    CalProgress_->setValue(0);
    p_.RedoGlobal(Choice());
}

void CalibWin::CalibDone_Click() { p_.CalibDone(); }

QString CalibWin::Choose(const QString& title, const QString& filter, bool save) {
    // The link pauses while the dialog is open, whatever the user does.
    p_.StopTCP();
    const QString chosen = chooser_(title, filter, save, workDir_);
    p_.StartTCP();
    return chosen;
}

void CalibWin::CalLoad_Click() {
    const QString name = Choose("Load Calibration Data", kDataFilter, false);
    if (name.isEmpty())
        return;
    if (const std::string err = p_.LoadCalibration(name.toStdString()); !err.empty()) {
        CalibMessage_->setText("Calibration not loaded: " + Q(err));
        emit Message("The calibration was not loaded: " + Q(err));
        return;
    }
    ShowFileName(CalMastFile_, name);
}

void CalibWin::CalSav_Click() {
    const QString name = Choose("Save Calibration Data", kDataFilter, true);
    if (name.isEmpty())
        return;
    if (const std::string err = p_.SaveCalibration(name.toStdString()); !err.empty()) {
        CalibMessage_->setText("Calibration not saved: " + Q(err));
        emit Message("The calibration was not saved: " + Q(err));
        return;
    }
    ShowFileName(CalMastFile_, name);
}

void CalibWin::MastChg_Click() {
    const QString name = Choose("Change Calibration Control File", kControlFilter, false);
    if (name.isEmpty())
        return;
    if (const std::string err = p_.ChangeControlFile(name.toStdString()); !err.empty()) {
        CalibMessage_->setText("Control file not changed: " + Q(err));
        emit Message("The control file was not changed: " + Q(err));
        return;
    }
    ShowFileName(CalMastCont_, name);
}

void CalibWin::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    emit VisibilityChanged(true);
}

void CalibWin::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    emit VisibilityChanged(false);
}
