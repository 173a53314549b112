#include "display/app/frm_debug.h"

#include "display/measure/qt_text.h"
#include "link/text_rules.h"

#include <Pointel/meter.h>

#include <QCheckBox>
#include <QEvent>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <cmath>

namespace {

QLabel* NamedLabel(const char* name, QWidget* parent) {
    auto* l = Named(new QLabel(parent), name);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    l->setMinimumWidth(120);
    return l;
}

QString Decimal(double x) { return Q(txt::DecimalText(x)); }

} // namespace

FrmDebug::FrmDebug(QWidget* parent) : QWidget(parent) {
    setObjectName("FrmDebug");
    setWindowTitle("Debug");
    meter_ = new Pointel::Meter(this);
    meter_->setObjectName("Meter1");
    meter_->setMajText("Drift");
    meter_->setMinimumSize(220, 140);
    meter_->installEventFilter(this);
    tempCorr_ = new QCheckBox("Temperature correction", this);
    tempCorr_->setObjectName("TempCorr");
    tempCorr_->setChecked(true);  // readings follow the drift since calibration
    tempOffset_ = NamedLabel("TempOffset", this);
    vsact_ = NamedLabel("vsact", this);
    vlowf_ = NamedLabel("vlowf", this);
    label1_ = NamedLabel("Label1", this);
    label2_ = NamedLabel("Label2", this);
    label9_ = NamedLabel("Label9", this);

    auto* form = new QFormLayout;
    form->addRow("Offset drift", tempOffset_);
    form->addRow("Table", vsact_);
    form->addRow("Scan start", vlowf_);
    form->addRow("Real", label1_);
    form->addRow("Imaginary", label2_);
    form->addRow("Magnitude", label9_);
    auto* box = new QVBoxLayout(this);
    box->addWidget(meter_, 1);
    box->addWidget(tempCorr_);
    box->addLayout(form);
}

bool FrmDebug::TempCorr() const { return tempCorr_->isChecked(); }

void FrmDebug::ShowTempOffset(int32_t drift) {
    meterValue_ = drift / 10000.0 + 0.5;
    meter_->setValue(meterValue_);
    tempOffset_->setText(QString::number(drift));
}

void FrmDebug::showri(double re, double im) {
    label1_->setText(Decimal(re));
    label2_->setText(Decimal(im));
    Showlen(re, im);
}

void FrmDebug::Showlen(double re, double im) { label9_->setText(Decimal(std::sqrt(re * re + im * im))); }

void FrmDebug::ShowTable(int16_t table) { vsact_->setText(QString::number(table)); }

void FrmDebug::ShowLowQrg(int32_t qrg) { vlowf_->setText(QString::number(qrg)); }

bool FrmDebug::eventFilter(QObject* watched, QEvent* event) {
    // A resize brings the needle back to mid-scale: show the drift again.
    if (watched == meter_ && event->type() == QEvent::Resize)
        QMetaObject::invokeMethod(
            this, [this] { meter_->setValue(meterValue_); }, Qt::QueuedConnection);
    return QWidget::eventFilter(watched, event);
}
