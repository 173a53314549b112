#include "display/graph/trace_map.h"

#include "display/graph/qrg_scales.h"
#include "link/text_rules.h"

#include <cmath>

int MagnitudeScale(int k, bool vswr) {
    if (!IsReflection(k))
        return kScaleTrans;
    return vswr ? kScaleVswr : kScaleRefl;
}

int PlotPhaseDeg(double radians) {
    if (!std::isfinite(radians))
        return 0;
    double d = txt::RoundHalfEven(radians * 180.0 / 3.14159265358979);
    d = std::fmod(d, 360.0);
    if (d > 180)
        d -= 360;
    if (d < -180)
        d += 360;
    return static_cast<int>(d);
}

double PlotMagnitude(double db, int k, bool vswr) {
    if (!vswr || !IsReflection(k))
        return db;
    const double m = std::pow(10.0, db / 20.0);
    if (!(m < 1.0))
        return 1000.0;
    return std::min(1000.0, (1.0 + m) / (1.0 - m));
}
