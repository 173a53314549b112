#pragma once
// The data path of the display program from a received data record to a
// corrected point of the live S-data table: logging, the drift (offset)
// reference, the raw readings of a frequency point, the calibration values
// interpolated to it and the correction. Runs on the user-interface thread,
// one record at a time.

#include "display/calib/calib_events.h"
#include "display/calib/calib_table.h"
#include "display/measure/measure_state.h"

#include <cstdint>

/// Files one data record: the record log, VnaReportSpeed/Time, then either
/// the calibration procedure (table 1 while CalibrationOn), the drift
/// reference (idx 1) or a measurement (idx > 1, Qrg > 0, table 0). A record
/// whose speed lies outside 0..3 is logged and goes no further.
void DataRecordIn(MeasureState& s, const CalibTable& cal, CalibEvents& ev,
                  const VnaDataRec& rec);

/// Stores one measurement reading in its frequency point (created when
/// missing), attaches the calibration values when both halves are there and
/// corrects the point on a quadrature record. Speed must be 0..3.
void MeasurementIn(MeasureState& s, const CalibTable& cal, CalibEvents& ev,
                   const VnaDataRec& rec);

/// Interpolates the calibration values of `speed` (0..3) to the point's
/// frequency, each value whose captured flag is clear: OpeD, Thru, and OpeB,
/// LoadB, ShoB from the swapped slots when portSwap.
void AttachCalibration(QrgPoint& pt, const CalibTable& cal, int speed, bool portSwap);

/// Corrects live point p (2..500) when both its readings are present: the
/// S-parameter Smessure of S-data point (p, Livestable) gets its corrected
/// value in all notations, the table header its state (2, or
/// kSLiveUncalibrated), and the graphs are told. Out-of-range p, Smessure or
/// Livestable are ignored.
void CorrectPoint(MeasureState& s, CalibEvents& ev, int16_t p);
