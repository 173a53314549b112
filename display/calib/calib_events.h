#pragma once
// What the calibration data path tells the windows, and what it asks them.
// The calibration core owns this interface; the main window implements it
// and forwards to the graphs, the diagnostic window and the calibration
// procedure, so the core never reaches a widget.

#include "display/measure/measure_state.h"

#include <cstdint>

class CalibEvents {
public:
    virtual ~CalibEvents() = default;

    /// FrmDebug's TempCorr check box: true when readings are to be
    /// corrected by the drift.
    virtual bool TempCorr() const = 0;
    /// A new drift (CalOffsetValue - OffsetValue): FrmDebug shows
    /// drift / 10000 + 0.5 on Meter1 and the drift in TempOffset.
    virtual void ShowTempOffset(int32_t drift) = 0;
    /// Live point p (an index into QrgPoints and the live S-data table)
    /// has a new value: QRGGRAF.makelive(p).
    virtual void makelive(int16_t p) = 0;
    /// The same for the Smith chart: SmithGraf.Makesmithlive(p).
    virtual void Makesmithlive(int16_t p) = 0;
    /// A new transmission result, real and imaginary part: FrmDebug.showri.
    virtual void showri(double re, double im) = 0;
    /// A record of table 1 while a calibration step runs (CalibrationOn):
    /// the calibration procedure files it. Speed is always 0..3 here.
    virtual void CalibrationNextIn(const VnaDataRec& rec) = 0;
    /// After the correction of a point for a quadrature record: the scan
    /// calibration serves its waiting states.
    virtual void ScanCalAfterCorrect(const VnaDataRec& rec) = 0;
};
