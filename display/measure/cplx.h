#pragma once
// Complex helpers and notation conversions. A complex value is
// std::complex<double> (real part first). The same two-double shape carries
// the polar notations: MA (magnitude, angle), DB (dB, angle) and
// (VSWR, angle); angles are radians.

#include <complex>

using Cplx = std::complex<double>;

constexpr double kPi = 3.14159265358979;

Cplx CplxAdd(Cplx a, Cplx b);
Cplx CplxSub(Cplx a, Cplx b);
Cplx CplxMul(Cplx a, Cplx b);
/// a / b; (0, 0) when b is 0.
Cplx CplxDiv(Cplx a, Cplx b);
/// Angle in radians, -pi..pi, equal to atan2(im, re); 0 for z = 0.
double CplxArg(Cplx z);
double CplxAbs(Cplx z);
/// (cos angle, sin angle).
Cplx Phasor(double angle);

Cplx RiToMa(Cplx z);  ///< (|z|, arg z)
Cplx RiToDb(Cplx z);  ///< (20 Log10 |z|, arg z)
Cplx MaToDb(Cplx ma); ///< (20 Log10 m, angle)
Cplx DbToMa(Cplx db); ///< (10^(dB/20), angle)
Cplx MaToRi(Cplx ma); ///< m * Phasor(angle)
Cplx DbToRi(Cplx db); ///< 10^(dB/20) * Phasor(angle)
/// ((1 + m)/(1 - m), angle); magnitude exactly 1 gives 1.79769313486232e307.
Cplx MaToSwr(Cplx ma);

/// x * pi / 180.
double DegToRad(double x);
/// Whole degrees in -180..180: x*180/pi rounded (halves to even), then
/// wrapped (the remainder of 360, then +-360 outside -180..180).
double RadToDeg(double x);

/// Linear interpolation between (f1, y1) and (f2, y2) at f; y1 when f2 == f1.
double InterpolateLinear(double f, double f1, double f2, double y1, double y2);
