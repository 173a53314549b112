#include "sim/bridge_model.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {

const Cplx kJ{0.0, 1.0};

double Db(double db) { return std::pow(10.0, db / 20.0); }

// Directivity in dB, interpolated over log frequency between fixed points.
double DirectivityDb(double f) {
    struct P { double f, db; };
    static constexpr P pts[] = {{40e3, 20.0}, {2e6, 24.0}, {30e6, 30.0}, {50e6, 30.0}, {61e6, 27.0}};
    if (f <= pts[0].f) return pts[0].db;
    for (size_t i = 1; i < std::size(pts); ++i) {
        if (f <= pts[i].f) {
            const double t = std::log(f / pts[i - 1].f) / std::log(pts[i].f / pts[i - 1].f);
            return pts[i - 1].db + t * (pts[i].db - pts[i - 1].db);
        }
    }
    return pts[std::size(pts) - 1].db;
}

Cplx Delay(double f, double seconds) { return std::exp(-kJ * (2.0 * kPi * f * seconds)); }

} // namespace

double SynthRolloff(double f) {
    const double x = kPi * f / kSynthClockHz;
    return std::abs(x) < 1e-12 ? 1.0 : std::sin(x) / x;
}

BridgeTerms BridgeModel(double f) {
    BridgeTerms t;
    t.directivity = Db(-DirectivityDb(f)) * std::exp(kJ * 1.2) * Delay(f, 2.0e-9);
    t.sourceMatch = Db(-20.0) * std::exp(kJ * -0.5) * Delay(f, 1.5e-9);
    t.tracking = Db(-10.0) * SynthRolloff(f) * Delay(f, 1.0e-9);
    // The directivity error is a leak of the source wave: it rolls off too.
    t.directivity *= SynthRolloff(f);
    return t;
}

TransmissionTerms TransmissionModel(double f) {
    TransmissionTerms t;
    t.tracking = Db(-10.0) * SynthRolloff(f) * Delay(f, 1.6e-9);
    t.leakage = Db(-110.0) * std::exp(kJ * 0.3) * Delay(f, 5.0e-9);
    return t;
}

Cplx DetectorWave(double f, const SMatrix& s, bool bridge, bool swap) {
    if (bridge) {
        const BridgeTerms b = BridgeModel(f);
        const Cplx g = swap ? s.s22 : s.s11;
        return b.directivity + b.tracking * g / (1.0 - b.sourceMatch * g);
    }
    const TransmissionTerms t = TransmissionModel(f);
    return t.tracking * (swap ? s.s12 : s.s21) + t.leakage;
}

} // namespace sim
