#include "display/calib/correction.h"

#include <cmath>

namespace {

bool IsZero(Cplx z) { return z.real() == 0 && z.imag() == 0; }
bool Finite(Cplx z) { return std::isfinite(z.real()) && std::isfinite(z.imag()); }
bool Finite(const SBlock& b) { return Finite(b.MA) && Finite(b.DB) && Finite(b.RI) && Finite(b.VSWR); }

SBlock ZeroBlock() {
    SBlock b;
    b.RI = {0, 0};
    b.MA = RiToMa(b.RI);
    b.DB = RiToDb(b.RI);
    b.VSWR = MaToSwr(b.MA);
    return b;
}

double WrapAngle(double a) {
    a = std::remainder(a, 2 * kPi);  // -pi..pi
    return a;
}

} // namespace

CorrectionResult CorrectReflection(Cplx Mess, Cplx OpeD, Cplx OpeB, Cplx ShoB, Cplx LoadB) {
    const Cplx Ld = CplxSub(LoadB, OpeD);
    const Cplx Od = CplxSub(OpeB, OpeD);
    const Cplx Sd = CplxSub(ShoB, OpeD);
    const Cplx md = CplxSub(Mess, OpeD);
    if (IsZero(Sd))
        return {};  // no short reading: nothing to normalise by
    const Cplx l = CplxDiv(Ld, Sd);
    const Cplx o = CplxDiv(Od, Sd);
    const Cplx s = CplxDiv(Sd, Sd);
    const Cplx m = CplxDiv(md, Sd);
    const Cplx so = CplxSub(s, o);
    if (IsZero(so))
        return {};  // open and short coincide
    const Cplx e11 = CplxDiv(CplxSub(CplxSub(CplxMul({2, 0}, l), s), o), so);
    const Cplx K = CplxDiv(CplxMul(CplxMul({2, 0}, CplxSub(o, l)), CplxSub(s, l)), so);
    if (IsZero(K))
        return {};  // the load coincides with the open or the short
    const Cplx ml = CplxSub(m, l);
    const Cplx den = CplxAdd(K, CplxMul(ml, e11));
    if (IsZero(den))
        return {};  // the reading lies on the pole of the error model
    const Cplx g = CplxDiv(ml, den);
    if (!Finite(g))
        return {};
    return {g, true};
}

CorrectionResult CorrectTransmission(Cplx Mess, Cplx OpeD, Cplx Thru) {
    const Cplx A = CplxSub(Mess, OpeD);
    const Cplx B = CplxSub(Thru, OpeD);
    const double absB = CplxAbs(B);
    if (absB == 0 || !std::isfinite(absB))
        return {};  // the thru reading equals the detector zero: no reference
    const double mag = CplxAbs(A) / absB;
    const double ang = WrapAngle(CplxArg(A) - CplxArg(B));
    if (!std::isfinite(mag) || !std::isfinite(ang))
        return {};
    return {{mag, ang}, true};
}

bool StoreRi(SBlock& block, Cplx ri) {
    SBlock b;
    b.RI = ri;
    b.MA = RiToMa(ri);
    b.DB = RiToDb(ri);
    b.VSWR = MaToSwr(b.MA);
    if (!Finite(b)) {
        block = ZeroBlock();
        return false;
    }
    block = b;
    return true;
}

bool StoreMa(SBlock& block, Cplx ma) {
    SBlock b;
    b.MA = ma;
    b.RI = MaToRi(ma);
    b.DB = MaToDb(ma);
    b.VSWR = MaToSwr(ma);
    if (!Finite(b)) {
        block = ZeroBlock();
        return false;
    }
    block = b;
    return true;
}
