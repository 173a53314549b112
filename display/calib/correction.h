#pragma once
// The correction of one raw complex reading with the calibration values
// attached to its frequency point: a three-term one-port correction for
// reflection (S11, S22) and a thru normalisation for transmission (S21, S12).
// Pure functions; the data path stores their results (data_intake.h).

#include "display/measure/cplx.h"
#include "display/measure/store.h"

/// The result of a correction. When the calibration values cannot correct
/// the reading (no calibration at this speed, standards that coincide, a
/// reading at a pole of the error model), value is 0 and calibrated is false;
/// a result is never infinite or NaN.
struct CorrectionResult {
    Cplx value;               ///< RI for reflection, MA (magnitude, angle) for transmission
    bool calibrated = false;
};

/// Reflection: the detector zero OpeD is taken off every reading, the
/// readings are normalised by the short, and the three error terms follow
/// from open (+1), short (-1) and load (0):
///   e00 = l, e11 = (2l - s - o)/(s - o), K = 2(o - l)(s - l)/(s - o),
///   Gamma = (m - l)/(K + (m - l) e11).
/// Returns Gamma as RI.
CorrectionResult CorrectReflection(Cplx Mess, Cplx OpeD, Cplx OpeB, Cplx ShoB, Cplx LoadB);

/// Transmission: A = Mess - OpeD, B = Thru - OpeD; magnitude |A|/|B| and
/// angle arg A - arg B, wrapped into -pi..pi. Returns MA.
CorrectionResult CorrectTransmission(Cplx Mess, Cplx OpeD, Cplx Thru);

/// Fills all four notations of an S-parameter block from RI (MA, DB, VSWR
/// derived). Returns false, and leaves the block at 0 (RI 0), when a
/// notation would not be finite.
bool StoreRi(SBlock& block, Cplx ri);

/// Fills all four notations from MA (RI, DB, VSWR derived); same guard.
bool StoreMa(SBlock& block, Cplx ma);
