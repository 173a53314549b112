#pragma once
// Helpers of the graph tests: a measurement state with live points whose
// values the test chooses, as the data path leaves them.

#include "display/calib/correction.h"
#include "display/measure/measure_state.h"
#include "display/measure/point_list.h"

#include <functional>
#include <memory>

namespace graphtest {

/// Frequencies 1 MHz .. 51 MHz in 101 steps (0.1 Hz units).
inline int32_t SweepQrg(int i) { return 10000000 + i * 5000000; }

/// Stores parameter k of live point `f` as RI value `v` and returns the point.
inline int16_t Put(MeasureState& s, int32_t f, int k, Cplx v) {
    const int16_t p = InsertLive(s, f);
    s.QrgPoints[p].MessRealPresent = s.QrgPoints[p].MessImagPresent = true;
    s.Sdata[0][p].Qrg = f;
    StoreRi(s.Sdata[0][p].S[k], v);
    s.SdataHead[0].State(k) = kSLive;
    return p;
}

/// A fresh state (the tables are large: on the heap).
inline std::unique_ptr<MeasureState> NewState() { return std::make_unique<MeasureState>(); }

} // namespace graphtest
