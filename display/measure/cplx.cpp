#include "display/measure/cplx.h"

#include "display/measure/formatting.h"
#include "link/text_rules.h"

#include <cmath>

Cplx CplxAdd(Cplx a, Cplx b) { return {a.real() + b.real(), a.imag() + b.imag()}; }
Cplx CplxSub(Cplx a, Cplx b) { return {a.real() - b.real(), a.imag() - b.imag()}; }

Cplx CplxMul(Cplx a, Cplx b) {
    return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
}

Cplx CplxDiv(Cplx a, Cplx b) {
    const double d = b.real() * b.real() + b.imag() * b.imag();
    if (d == 0)
        return {0, 0};
    return {(a.real() * b.real() + a.imag() * b.imag()) / d,
            (a.imag() * b.real() - a.real() * b.imag()) / d};
}

double CplxArg(Cplx z) {
    if (z.real() == 0 && z.imag() == 0)
        return 0;
    return std::atan2(z.imag(), z.real());
}

double CplxAbs(Cplx z) { return std::sqrt(z.real() * z.real() + z.imag() * z.imag()); }
Cplx Phasor(double angle) { return {std::cos(angle), std::sin(angle)}; }

Cplx RiToMa(Cplx z) { return {CplxAbs(z), CplxArg(z)}; }
Cplx RiToDb(Cplx z) { return {20 * Log10(CplxAbs(z)), CplxArg(z)}; }
Cplx MaToDb(Cplx ma) { return {20 * Log10(ma.real()), ma.imag()}; }
Cplx DbToMa(Cplx db) { return {std::pow(10.0, db.real() / 20), db.imag()}; }
Cplx MaToRi(Cplx ma) { return ma.real() * Phasor(ma.imag()); }
Cplx DbToRi(Cplx db) { return std::pow(10.0, db.real() / 20) * Phasor(db.imag()); }

Cplx MaToSwr(Cplx ma) {
    const double m = ma.real();
    if (m == 1)
        return {1.79769313486232e307, ma.imag()};
    return {(1 + m) / (1 - m), ma.imag()};
}

double DegToRad(double x) { return x * kPi / 180; }

double RadToDeg(double x) {
    double d = txt::RoundHalfEven(x * 180 / kPi);
    d = std::fmod(d, 360.0);
    if (d > 180)
        d -= 360;
    if (d < -180)
        d += 360;
    return d;
}

double InterpolateLinear(double f, double f1, double f2, double y1, double y2) {
    if (f2 == f1)
        return y1;
    return y1 + (y2 - y1) * (f - f1) / (f2 - f1);
}
