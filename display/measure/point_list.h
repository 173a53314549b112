#pragma once
// The frequency point lists over MeasureState::QrgPoints. The records in use
// form the live ring, sorted by frequency, between the two end records
// (1: lowest possible frequency, 0: highest); the free records form the
// dead ring. Records are only moved between the rings, never allocated.
// Walk the points in ascending frequency with
//     for (int16_t p = NextLive(s, kLowerEnd); p != kUpperEnd; p = NextLive(s, p)) ...

#include "display/measure/measure_state.h"

#include <cstdint>

constexpr int16_t kUpperEnd = 0;   ///< end record with Qrg = 2147483647
constexpr int16_t kLowerEnd = 1;   ///< end record with Qrg = -2147483648
constexpr int16_t kNoRecord = -1;  ///< no record (empty dead ring, table full, bad index)

/// Rebuilds both rings: no points, records 2..500 free, LiveCount 2.
/// The values of the records are kept.
void InitLiv(MeasureState& s);

/// Takes the record at DeadHead out of the dead ring and returns it;
/// kNoRecord (lists untouched) when no record is free.
int16_t GetDead(MeasureState& s);

/// Links record `index` (2..500, not in the live ring) into the dead ring
/// after DeadHead and clears its two raw-value present flags. Other indices
/// are ignored.
void AddDead(MeasureState& s, int16_t index);

/// Links record n into the live ring directly after record p; LiveCount + 1.
/// Ignored unless n is 2..500 and p is 0..500.
void AddLive(MeasureState& s, int16_t n, int16_t p);

/// Unlinks record `index` from the live ring, replaces `index` by its former
/// next and returns the unlinked record; LiveCount - 1. The end records and
/// out-of-range indices are refused: kNoRecord, nothing changed.
int16_t GetLive(MeasureState& s, int16_t& index);

/// The live record with the largest Qrg <= f (the record with Qrg == f when
/// there is one); kLowerEnd when f lies below every point, kUpperEnd for
/// f = 2147483647. The walk starts at the point found last, so a sweep in
/// ascending order finds each point one step from the previous one.
int16_t FindQrg(MeasureState& s, int32_t f);

/// The live record of frequency f, taken from the dead ring and linked in at
/// its place when missing (a stale record found on the way is freed first).
/// A new record keeps its old values but has both present flags cleared.
/// kNoRecord when no record is free or f is one of the two end values
/// (-2147483648, 2147483647); the caller then drops the reading.
int16_t InsertLive(MeasureState& s, int32_t f);

/// Moves every live point whose mark is 1 to the dead ring.
void RemoveMarked(MeasureState& s);

/// The live record after `index` (next higher frequency); kUpperEnd for an
/// index outside 0..500.
int16_t NextLive(const MeasureState& s, int16_t index);

/// Clears the five captured flags of every record and scancalOK, so every
/// point takes its calibration values from the calibration table again.
void ClearDone(MeasureState& s);
