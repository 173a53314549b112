#pragma once
// Two-port network maths for the simulated analyser: S-parameter matrices,
// ABCD matrices of series and shunt elements and transmission lines, and the
// conversion between them.

#include <complex>

namespace sim {

using Cplx = std::complex<double>;
constexpr double kZ0 = 50.0;        ///< reference impedance, ohms
constexpr double kPi = 3.14159265358979323846;

/// S-parameters of a two-port (a one-port has S21 = S12 = 0, S22 = 1).
struct SMatrix {
    Cplx s11{0.0, 0.0};
    Cplx s12{0.0, 0.0};
    Cplx s21{0.0, 0.0};
    Cplx s22{0.0, 0.0};
};

/// ABCD (chain) matrix; the default is a plain connection.
struct Abcd {
    Cplx a{1.0, 0.0};
    Cplx b{0.0, 0.0};
    Cplx c{0.0, 0.0};
    Cplx d{1.0, 0.0};
};

/// x followed by y.
Abcd Cascade(const Abcd& x, const Abcd& y);
/// A series impedance between the ports.
Abcd SeriesImpedance(Cplx z);
/// A shunt admittance to ground.
Abcd ShuntAdmittance(Cplx y);
/// A transmission line of characteristic impedance z0 and total
/// propagation gamma * length (nepers + j radians).
Abcd TransmissionLine(Cplx z0, Cplx gammaLength);
/// S-parameters of a network referred to z0 on both ports.
SMatrix ToS(const Abcd& m, double z0 = kZ0);
/// Reflection coefficient of an impedance against z0.
Cplx ReflectionOf(Cplx z, double z0 = kZ0);
/// S-parameters referred to `from` ohms re-referred to `to` ohms.
SMatrix Renormalize(const SMatrix& s, double from, double to = kZ0);

} // namespace sim
