#pragma once
// The value of one S-parameter of a stored S-data table at any frequency,
// interpolated linearly between the two neighbouring points. The graphs draw
// tables read from files against the live sweep's frequencies with it.

#include "display/measure/store.h"

#include <cstdint>

/// Result of a lookup.
struct SdataSample {
    bool found = false;     ///< f lies inside the table and a value was computed
    double frequency = 0;   ///< the requested frequency, 0.1 Hz
    double value = 0;       ///< magnitude (MA lookup) or dB value (DB lookup)
    double angle = 0;       ///< radians, interpolated without unwrapping
};

/// S-parameter k (0 S11, 1 S21, 2 S12, 3 S22) of the table at frequency f,
/// MA notation. found stays false, and nothing else is set, when the table
/// has fewer than three points, f lies outside its first and last point,
/// or k is out of range. The table's frequencies are expected to increase;
/// where they do not, the lookup may report not found but never reads
/// outside the table's Length (capped at 501).
void SdataMAAt(const SdataTable& table, const SdataHeadRec& head, int32_t f, int k,
               SdataSample& result);

/// The same in DB notation (dB value, angle).
void SdataDBAt(const SdataTable& table, const SdataHeadRec& head, int32_t f, int k,
               SdataSample& result);
