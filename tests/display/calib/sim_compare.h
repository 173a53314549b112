#pragma once
// Comparison of corrected S-parameters with the simulated devices' exact
// values, shared by the simulator-based calibration tests.

#include "display/measure/cplx.h"

#include <algorithm>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

/// Calibration frequency n of `count`, spaced evenly on a logarithmic scale
/// from 0.1 MHz to 61 MHz (0.1 Hz units): the bridge's error terms bend
/// most at the low end, where linear interpolation needs close points.
inline int32_t LogCalQrg(int n, int count) {
    return static_cast<int32_t>(std::nearbyint(1e6 * std::pow(610.0, double(n) / (count - 1))));
}

/// The worst magnitude (dB) and angle (degrees) errors over the points
/// compared, split at a level: `strong` holds points whose exact |S| is
/// above `floorDb`, `all` every point.
struct WorstError {
    double floorDb = -40;
    double strongDb = 0, strongDeg = 0, allDb = 0, allDeg = 0;
    int strongCount = 0, count = 0;
    double maxAbs = 0;  ///< largest |measured - exact|

    void Add(Cplx measured, Cplx exact, double where = 0) {
        const double db = std::fabs(20 * std::log10(std::abs(measured) / std::abs(exact)));
        const double deg = std::fabs(std::arg(measured / exact)) * 180 / kPi;
        allDb = std::max(allDb, std::isfinite(db) ? db : 1e9);
        allDeg = std::max(allDeg, std::isfinite(deg) ? deg : 1e9);
        ++count;
        maxAbs = std::max(maxAbs, std::abs(measured - exact));
        if (std::getenv("VNA_SIM_TRACE"))
            std::printf("  %12.0f exact %9.3f dB: error %.5f dB %.5f deg\n", where,
                        20 * std::log10(std::abs(exact)), db, deg);
        if (20 * std::log10(std::abs(exact)) > floorDb) {
            strongDb = std::max(strongDb, std::isfinite(db) ? db : 1e9);
            strongDeg = std::max(strongDeg, std::isfinite(deg) ? deg : 1e9);
            ++strongCount;
        }
    }
    void Print(const std::string& what) const {
        std::printf("%s: worst %.5f dB %.5f deg where |S| > %.0f dB (%d points); "
                    "%.5f dB %.5f deg over all %d points; largest vector error %.2g\n",
                    what.c_str(), strongDb, strongDeg, floorDb, strongCount, allDb, allDeg, count,
                    maxAbs);
    }
};
