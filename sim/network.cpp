#include "sim/network.h"

namespace sim {

Abcd Cascade(const Abcd& x, const Abcd& y) {
    return {x.a * y.a + x.b * y.c, x.a * y.b + x.b * y.d, x.c * y.a + x.d * y.c,
            x.c * y.b + x.d * y.d};
}

Abcd SeriesImpedance(Cplx z) { return {1.0, z, 0.0, 1.0}; }

Abcd ShuntAdmittance(Cplx y) { return {1.0, 0.0, y, 1.0}; }

Abcd TransmissionLine(Cplx z0, Cplx gl) {
    return {std::cosh(gl), z0 * std::sinh(gl), std::sinh(gl) / z0, std::cosh(gl)};
}

SMatrix ToS(const Abcd& m, double z0) {
    const Cplx bz = m.b / z0;
    const Cplx cz = m.c * z0;
    const Cplx den = m.a + bz + cz + m.d;
    SMatrix s;
    s.s11 = (m.a + bz - cz - m.d) / den;
    s.s12 = 2.0 * (m.a * m.d - m.b * m.c) / den;
    s.s21 = 2.0 / den;
    s.s22 = (-m.a + bz - cz + m.d) / den;
    return s;
}

Cplx ReflectionOf(Cplx z, double z0) { return (z - z0) / (z + z0); }

SMatrix Renormalize(const SMatrix& s, double from, double to) {
    if (from == to) return s;
    // S' = (S - r I)(I - r S)^-1 with r = (to - from) / (to + from).
    const double r = (to - from) / (to + from);
    const Cplx m11 = s.s11 - r, m12 = s.s12, m21 = s.s21, m22 = s.s22 - r;
    const Cplx n11 = 1.0 - r * s.s11, n12 = -r * s.s12, n21 = -r * s.s21, n22 = 1.0 - r * s.s22;
    const Cplx det = n11 * n22 - n12 * n21;
    const Cplx i11 = n22 / det, i12 = -n12 / det, i21 = -n21 / det, i22 = n11 / det;
    SMatrix out;
    out.s11 = m11 * i11 + m12 * i21;
    out.s12 = m11 * i12 + m12 * i22;
    out.s21 = m21 * i11 + m22 * i21;
    out.s22 = m21 * i12 + m22 * i22;
    return out;
}

} // namespace sim
