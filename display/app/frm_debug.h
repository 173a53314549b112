#pragma once
// FrmDebug, the diagnostic window: the instrument's offset drift on the
// needle meter Meter1 and as a number, the TempCorr switch that enables the
// drift correction, the table and first frequency of the scan being
// received, and the latest transmission value. Created once, hidden and
// shown by the main window; it keeps its values while hidden.

#include "display/app/diagnostic_view.h"

#include <QWidget>

class QCheckBox;
class QLabel;
namespace Pointel {
class Meter;
}

class FrmDebug : public QWidget, public DiagnosticView {
    Q_OBJECT
public:
    explicit FrmDebug(QWidget* parent = nullptr);

    /// Ticked: readings are corrected by the drift.
    bool TempCorr() const override;
    /// Meter1 := drift / 10000 + 0.5; TempOffset := drift.
    void ShowTempOffset(int32_t drift) override;
    /// Label1 := re, Label2 := im, then Showlen.
    void showri(double re, double im) override;
    /// Label9 := sqrt(re^2 + im^2).
    void Showlen(double re, double im);
    void ShowTable(int16_t table) override;
    void ShowLowQrg(int32_t qrg) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Pointel::Meter* meter_;
    QCheckBox* tempCorr_;
    QLabel *tempOffset_, *vsact_, *vlowf_, *label1_, *label2_, *label9_;
    double meterValue_ = 0.5;
};
