#include "display/calib/correction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

// The three-term bridge model: what the detector reads for a reflection
// Gamma, with directivity e00, source match e11, tracking t, a gain g and
// the detector zero z.
struct Bridge {
    Cplx e00, e11, t, g, z;
    Cplx Read(Cplx gamma) const { return z + g * (e00 + t * gamma / (1.0 - e11 * gamma)); }
};

TEST(CorrectReflection, IdealStandardsGiveOneMinusOneZero) {
    const Bridge b{{0.05, -0.02}, {0.1, 0.03}, {0.9, 0.2}, {30000, -12000}, {150, -80}};
    const Cplx o = b.Read(1), s = b.Read(-1), l = b.Read(0), d = b.z;
    const auto open = CorrectReflection(o, d, o, s, l);
    const auto shrt = CorrectReflection(s, d, o, s, l);
    const auto load = CorrectReflection(l, d, o, s, l);
    ASSERT_TRUE(open.calibrated && shrt.calibrated && load.calibrated);
    EXPECT_NEAR(std::abs(open.value - Cplx(1, 0)), 0, 1e-12);
    EXPECT_NEAR(std::abs(shrt.value - Cplx(-1, 0)), 0, 1e-12);
    EXPECT_NEAR(std::abs(load.value), 0, 1e-12);
}

TEST(CorrectReflection, RecoversAnyReflectionThroughAnyBridge) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-1, 1);
    for (int run = 0; run < 200; ++run) {
        const Bridge b{{0.2 * u(rng), 0.2 * u(rng)},
                       {0.3 * u(rng), 0.3 * u(rng)},
                       {0.5 + 0.5 * std::abs(u(rng)), u(rng)},
                       {1e5 * u(rng), 1e5 * u(rng)},
                       {1000 * u(rng), 1000 * u(rng)}};
        const Cplx gamma = std::polar(std::abs(u(rng)), 3.1 * u(rng));
        const auto r =
            CorrectReflection(b.Read(gamma), b.z, b.Read(1), b.Read(-1), b.Read(0));
        ASSERT_TRUE(r.calibrated);
        EXPECT_NEAR(std::abs(r.value - gamma), 0, 1e-9) << run;
    }
}

TEST(CorrectReflection, DegenerateStandardsGiveZeroNotCalibrated) {
    const Cplx d{10, 10};
    // No calibration at all: every reading 0.
    auto r = CorrectReflection({5, 5}, {0, 0}, {0, 0}, {0, 0}, {0, 0});
    EXPECT_FALSE(r.calibrated);
    EXPECT_EQ(r.value, Cplx(0, 0));
    // Short equal to the detector zero (S' = 0).
    r = CorrectReflection({5, 5}, d, {3, 4}, d, {1, 2});
    EXPECT_FALSE(r.calibrated);
    // Open equal to short.
    r = CorrectReflection({5, 5}, d, {3, 4}, {3, 4}, {1, 2});
    EXPECT_FALSE(r.calibrated);
    // Load equal to open.
    r = CorrectReflection({5, 5}, d, {3, 4}, {-3, 4}, {3, 4});
    EXPECT_FALSE(r.calibrated);
    EXPECT_EQ(r.value, Cplx(0, 0));
    // A reading on the pole of the error model.
    const Bridge b{{0.05, 0}, {0.5, 0}, {1, 0}, {1000, 0}, {0, 0}};
    r = CorrectReflection(b.z + b.g * (b.e00 - b.t / b.e11), b.z, b.Read(1), b.Read(-1),
                          b.Read(0));
    EXPECT_TRUE(std::isfinite(r.value.real()) && std::isfinite(r.value.imag()));
}

TEST(CorrectTransmission, ThruGivesOneAtZeroAndAnglesWrap) {
    const Cplx d{200, -100}, thru{45000, 12000};
    auto r = CorrectTransmission(thru, d, thru);
    ASSERT_TRUE(r.calibrated);
    EXPECT_DOUBLE_EQ(r.value.real(), 1);
    EXPECT_DOUBLE_EQ(r.value.imag(), 0);
    // Half the thru, turned by 90 degrees.
    const Cplx B = thru - d;
    r = CorrectTransmission(d + B * Cplx(0, 0.5), d, thru);
    EXPECT_NEAR(r.value.real(), 0.5, 1e-12);
    EXPECT_NEAR(r.value.imag(), kPi / 2, 1e-12);
    // 170 degrees against -170: the difference is -20 degrees, not 340.
    r = CorrectTransmission(std::polar(1.0, DegToRad(170)), {0, 0},
                            std::polar(2.0, DegToRad(-170)));
    EXPECT_NEAR(r.value.real(), 0.5, 1e-12);
    EXPECT_NEAR(r.value.imag(), DegToRad(-20), 1e-9);
}

TEST(CorrectTransmission, ThruEqualToDetectorZeroGivesZeroNotCalibrated) {
    const auto r = CorrectTransmission({500, 20}, {7, 7}, {7, 7});
    EXPECT_FALSE(r.calibrated);
    EXPECT_EQ(r.value, Cplx(0, 0));
}

TEST(StoreForms, AllNotationsFilledAndNeverInfinite) {
    SBlock b;
    EXPECT_TRUE(StoreRi(b, {0, -0.5}));
    EXPECT_DOUBLE_EQ(b.MA.real(), 0.5);
    EXPECT_NEAR(b.MA.imag(), -kPi / 2, 1e-12);
    EXPECT_NEAR(b.DB.real(), -6.0206, 1e-4);
    EXPECT_DOUBLE_EQ(b.VSWR.real(), 3);
    EXPECT_TRUE(StoreMa(b, {2, kPi}));
    EXPECT_NEAR(b.RI.real(), -2, 1e-12);
    // Too large to take a magnitude of: stored as 0.
    EXPECT_FALSE(StoreRi(b, {1e200, 1e200}));
    EXPECT_EQ(b.RI, Cplx(0, 0));
    EXPECT_TRUE(std::isfinite(b.DB.real()));
    EXPECT_FALSE(StoreMa(b, {std::nan(""), 0}));
    EXPECT_EQ(b.MA, Cplx(0, 0));
}

} // namespace
