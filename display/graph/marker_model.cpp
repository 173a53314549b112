#include "display/graph/marker_model.h"

#include "display/graph/qrg_scales.h"
#include "display/graph/trace_map.h"
#include "display/measure/point_list.h"

#include <cmath>
#include <limits>

namespace {
constexpr double kTwoPi = 2 * 3.14159265358979;
}

double ReturnLoss(std::complex<double> gamma) {
    const double m = std::abs(gamma);
    if (m <= 0)
        return std::numeric_limits<double>::infinity();
    return -20.0 * std::log10(m);
}

double Vswr(std::complex<double> gamma) {
    const double m = std::abs(gamma);
    if (!(m < 1.0))
        return std::numeric_limits<double>::infinity();
    return (1.0 + m) / (1.0 - m);
}

std::complex<double> Impedance(std::complex<double> gamma, double z0) {
    const std::complex<double> d = 1.0 - gamma;
    if (std::abs(d) == 0)
        return {std::numeric_limits<double>::infinity(), 0};
    return z0 * (1.0 + gamma) / d;
}

void EquivalentLC(double x, double hz, double& henry, double& farad) {
    henry = farad = 0;
    if (!(hz > 0) || x == 0 || !std::isfinite(x))
        return;
    const double w = kTwoPi * hz;
    if (x > 0)
        henry = x / w;
    else
        farad = -1.0 / (w * x);
}

std::optional<double> GroupDelay(double phi1, double phi2, double hz1, double hz2) {
    if (hz1 == hz2 || !std::isfinite(phi1) || !std::isfinite(phi2))
        return std::nullopt;
    double d = std::remainder(phi2 - phi1, kTwoPi);  // within ±π
    return -d / (kTwoPi * (hz2 - hz1));
}

MarkerReading ReadAt(const MeasureState& s, int t, double f, int k, double z0) {
    MarkerReading r;
    r.k = k;
    r.frequencyHz = f / 10.0;
    if (t < 0 || t >= kSdataTables || k < 0 || k > 3 || s.SdataHead[static_cast<size_t>(t)].State(k) == kSAbsent)
        return r;
    const SdataTable& tab = s.Sdata[static_cast<size_t>(t)];
    int16_t a = -1, b = -1;
    for (int16_t p = NextLive(s, kLowerEnd); p != kUpperEnd; p = NextLive(s, p)) {
        if (s.QrgPoints[p].Qrg <= f)
            a = p;
        if (s.QrgPoints[p].Qrg >= f) {
            b = p;
            break;
        }
    }
    if (a < 0 || b < 0)
        return r;
    const double fa = s.QrgPoints[a].Qrg, fb = s.QrgPoints[b].Qrg;
    const Cplx ga = tab[static_cast<size_t>(a)].S[static_cast<size_t>(k)].RI;
    const Cplx gb = tab[static_cast<size_t>(b)].S[static_cast<size_t>(k)].RI;
    const double u = fb > fa ? (f - fa) / (fb - fa) : 0.0;
    // Magnitude and phase (the shorter way round) separately, so a rotating
    // coefficient keeps its magnitude between two points.
    const double pa = std::arg(ga), step = std::remainder(std::arg(gb) - pa, kTwoPi);
    r.s = std::polar(std::abs(ga) + u * (std::abs(gb) - std::abs(ga)), pa + u * step);
    r.found = true;
    const double m = std::abs(r.s);
    r.db = m > 0 ? 20.0 * std::log10(m) : -std::numeric_limits<double>::infinity();
    r.phaseDeg = std::arg(r.s) * 180.0 / 3.14159265358979;
    if (IsReflection(k)) {
        r.returnLoss = ReturnLoss(r.s);
        r.vswr = Vswr(r.s);
        r.z = Impedance(r.s, z0);
        EquivalentLC(r.z.imag(), r.frequencyHz, r.henry, r.farad);
    } else {
        // The delay over the measured interval around f; at a point, the
        // interval to its higher (or, at the top, lower) neighbour.
        int16_t lo = a, hi = b;
        if (lo == hi) {
            const int16_t n = NextLive(s, hi);
            if (n != kUpperEnd)
                hi = n;
            else if (s.QrgPoints[lo].prev != kLowerEnd)
                lo = s.QrgPoints[lo].prev;
        }
        if (lo != hi)
            r.groupDelay = GroupDelay(std::arg(tab[static_cast<size_t>(lo)].S[static_cast<size_t>(k)].RI),
                                      std::arg(tab[static_cast<size_t>(hi)].S[static_cast<size_t>(k)].RI),
                                      s.QrgPoints[lo].Qrg / 10.0, s.QrgPoints[hi].Qrg / 10.0);
    }
    return r;
}

void MarkerTable::MarkerId(double frequency, double v0, double v1, double v2, double v3) {
    click_.valid = true;
    click_.frequency = frequency;
    click_.values = {v0, v1, v2, v3};
}

int MarkerTable::Parameter(int16_t kind, int smessure) {
    if (kind >= kMarkMagS11 && kind <= kMarkMagS22)
        return kind;
    if (kind >= kMarkPhaseS11 && kind <= kMarkPhaseS22)
        return kind - kMarkPhaseS11;
    return smessure < 0 || smessure > 3 ? 1 : smessure;
}

int16_t MarkerTable::ScaleOf(int16_t kind, int smessure, bool vswr) {
    if (OnPhase(kind))
        return kScalePhase;
    return static_cast<int16_t>(MagnitudeScale(Parameter(kind, smessure), vswr));
}

int MarkerTable::Place(int16_t kind, int smessure, bool vswr) {
    if (!click_.valid)
        return -1;
    const int k = PlaceAt(kind, click_.frequency, smessure, vswr);
    if (k >= 0)
        at(k).value = click_.values[static_cast<size_t>(at(k).scale)];
    return k;
}

int MarkerTable::PlaceAt(int16_t kind, double f, int smessure, bool vswr) {
    if (kind < kMarkMagS11 || kind > kMarkPhaseS22)
        return -1;
    for (int k = 0; k < kMarkers; ++k) {
        if (at(k).used)
            continue;
        MarkerRecord& m = at(k);
        m.used = true;
        m.kind = kind;
        m.frequency = f;
        m.scale = ScaleOf(kind, smessure, vswr);
        m.value = 0;
        return k;
    }
    return -1;
}

void MarkerTable::Remove(int k) {
    if (k < 0 || k >= kMarkers)
        return;
    at(k).used = false;
    if (reference_ == k)
        reference_ = -1;
}

void MarkerTable::Move(int k, double f) {
    if (used(k))
        at(k).frequency = f;
}

void MarkerTable::setReference(int k) { reference_ = used(k) ? k : -1; }

int MarkerTable::count() const {
    int n = 0;
    for (const MarkerRecord& m : m_)
        n += m.used ? 1 : 0;
    return n;
}

unsigned MarkerTable::Follow(const MeasureState& s, bool vswr) {
    unsigned changed = 0;
    for (int k = 0; k < kMarkers; ++k) {
        MarkerRecord& m = at(k);
        if (!m.used)
            continue;
        const int par = Parameter(m.kind, s.Smessure);
        const MarkerReading r = ReadAt(s, s.Livestable, m.frequency, par);
        if (!r.found)
            continue;
        const int16_t scale = ScaleOf(m.kind, s.Smessure, vswr);
        const double v = OnPhase(m.kind) ? r.phaseDeg : PlotMagnitude(r.db, par, vswr);
        if (scale != m.scale || v != m.value) {
            m.scale = scale;
            m.value = v;
            changed |= 1u << k;
        }
    }
    return changed;
}
