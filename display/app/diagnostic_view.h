#pragma once
// What the session tells the diagnostic window (FrmDebug), and asks it.

#include <cstdint>

class DiagnosticView {
public:
    virtual ~DiagnosticView() = default;
    /// TempCorr ticked: readings are corrected by the drift.
    virtual bool TempCorr() const = 0;
    /// Meter1 := drift / 10000 + 0.5, TempOffset := drift.
    virtual void ShowTempOffset(int32_t drift) = 0;
    /// The latest transmission result, real and imaginary part.
    virtual void showri(double re, double im) = 0;
    /// vsact := table of the latest record.
    virtual void ShowTable(int16_t table) = 0;
    /// vlowf := frequency of the latest record with idx 0.
    virtual void ShowLowQrg(int32_t qrg) = 0;
};
