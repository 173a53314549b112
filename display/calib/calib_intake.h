#pragma once
// The calibration intake: one record of a calibration scan of table 1 into
// its slot of the calibration table. The batch calibration and the
// calibration window file their scans through this one routine.

#include "display/calib/calib_table.h"
#include "display/measure/measure_state.h"

#include <cstdint>

/// Files one record of a calibration scan of table 1 into slot `plug` of the
/// record's speed table: row 1 gives the reference reading (kept during the
/// detector-open and load steps), row 2 marks the speed calibrated, rows
/// 2, 3 fill point 0, rows 4, 5 point 1, and so on. `next` is the point
/// counter of the scan (CalibrationNxtIn). Records of other speeds or past
/// the table's 121 points are ignored.
void FileCalibrationRecord(CalibTable& cal, int16_t plug, int16_t& next, const VnaDataRec& rec);
