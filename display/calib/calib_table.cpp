#include "display/calib/calib_table.h"

#include <algorithm>

CalBracket FindCalBracket(const SpeedTable& table, int Maxinuse, int32_t f) {
    const int last = std::clamp(Maxinuse, 0, kCalPoints - 1);
    if (last == 0)
        return {0, 0};  // one point: its values hold everywhere
    // The search may reach the last point, so it can be the upper end of a
    // bracket; frequencies inside the table are always interpolated.
    int j = 0;
    while (j < last && table.points[j].QRG <= f)
        ++j;
    if (j == 0)
        j = 1;
    return {j - 1, j};
}

Cplx InterpolateSlot(const SpeedTable& table, CalBracket b, int32_t f, int slot) {
    const CalPoint& p1 = table.points[b.lo];
    const CalPoint& p2 = table.points[b.hi];
    const Cplx y1 = p1.slot[slot];
    const Cplx y2 = p2.slot[slot];
    return {InterpolateLinear(f, p1.QRG, p2.QRG, y1.real(), y2.real()),
            InterpolateLinear(f, p1.QRG, p2.QRG, y1.imag(), y2.imag())};
}
