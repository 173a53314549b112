#pragma once
// What the session hands the calibration window (or the batch
// calibration): the records and ends of the calibration scans.

#include "display/measure/measure_state.h"

class CalibrationView {
public:
    virtual ~CalibrationView() = default;
    /// A record of table 1 while a calibration step runs (CalibrationOn);
    /// its speed is 0..3.
    virtual void CalibrationNextIn(const VnaDataRec& rec) = 0;
    /// The end of a scan while a calibration step runs and data are taken.
    virtual void CalibrationEndScan() = 0;
    /// After a measured point was corrected (quadrature record): the scan
    /// calibration serves its waiting states.
    virtual void ScanCalAfterCorrect(const VnaDataRec& rec) = 0;
};
