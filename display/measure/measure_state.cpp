#include "display/measure/measure_state.h"

#include "display/measure/point_list.h"

MeasureState::MeasureState() { InitLiv(*this); }

void MeasureState::LogRecord(const VnaDataRec& rec) {
    if (VnaDataNext < 0 || VnaDataNext >= kVnaDataCount)
        VnaDataNext = 0;
    VnaData[VnaDataNext] = rec;
    VnaDataNext = static_cast<int16_t>(VnaDataNext + 1 < kVnaDataCount ? VnaDataNext + 1 : 0);
}
