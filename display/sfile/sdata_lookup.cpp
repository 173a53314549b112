#include "display/sfile/sdata_lookup.h"

#include "display/measure/cplx.h"
#include "link/text_rules.h"

#include <algorithm>

namespace {

void Lookup(const SdataTable& table, const SdataHeadRec& head, int32_t f, int k,
            SdataSample& result, Cplx SBlock::*form) {
    result.found = false;
    const int n = std::min<int>(head.Length, kSdataPoints) - 1;
    if (n < 2 || k < 0 || k > 3)
        return;
    const double lo = table[0].Qrg;
    const double hi = table[n].Qrg;
    if (f < lo || f > hi)
        return;
    // Start from the point an even spacing would put f at, then walk to
    // the pair that brackets f.
    const double step = txt::RoundHalfEven((hi - lo) / n);
    int i = step > 0 ? static_cast<int>(std::clamp(txt::RoundHalfEven((f - lo) / step), 0.0,
                                                   double(n - 1)))
                     : 0;
    for (int guard = 0; guard <= 2 * n; ++guard) {
        if (table[i].Qrg <= f && f <= table[i + 1].Qrg) {
            const Cplx y1 = table[i].S[k].*form;
            const Cplx y2 = table[i + 1].S[k].*form;
            result.found = true;
            result.frequency = f;
            result.value = InterpolateLinear(f, table[i].Qrg, table[i + 1].Qrg, y1.real(), y2.real());
            result.angle = InterpolateLinear(f, table[i].Qrg, table[i + 1].Qrg, y1.imag(), y2.imag());
            return;
        }
        i += f > table[i].Qrg ? 1 : -1;
        if (i < 0 || i > n - 1)
            return;  // frequencies out of order: no bracket
    }
}

} // namespace

void SdataMAAt(const SdataTable& table, const SdataHeadRec& head, int32_t f, int k,
               SdataSample& result) {
    Lookup(table, head, f, k, result, &SBlock::MA);
}

void SdataDBAt(const SdataTable& table, const SdataHeadRec& head, int32_t f, int k,
               SdataSample& result) {
    Lookup(table, head, f, k, result, &SBlock::DB);
}
