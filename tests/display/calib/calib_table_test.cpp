#include "display/calib/calib_table.h"

#include <gtest/gtest.h>

namespace {

// Points at the given frequencies; slot k of point p holds (100 p + k, -p).
SpeedTable Table(std::initializer_list<int32_t> qrgs) {
    SpeedTable t;
    int p = 0;
    for (int32_t q : qrgs) {
        t.points[p].QRG = q;
        for (int k = 0; k < kCalSlots; ++k)
            t.points[p].slot[k] = {100.0 * p + k, -1.0 * p};
        ++p;
    }
    return t;
}

Cplx At(const SpeedTable& t, int maxinuse, int32_t f, int slot) {
    return InterpolateSlot(t, FindCalBracket(t, maxinuse, f), f, slot);
}

TEST(CalBracket, InsideTheTableAndAtPoints) {
    const SpeedTable t = Table({1000, 2000, 3000, 4000});
    EXPECT_EQ(FindCalBracket(t, 3, 1500).lo, 0);
    EXPECT_EQ(FindCalBracket(t, 3, 1500).hi, 1);
    // A frequency equal to a point gives exactly that point's values.
    EXPECT_EQ(At(t, 3, 2000, 2), Cplx(102, -1));
    EXPECT_EQ(At(t, 3, 1000, 0), Cplx(0, 0));
    EXPECT_EQ(At(t, 3, 3000, 4), Cplx(204, -2));
    EXPECT_DOUBLE_EQ(At(t, 3, 2500, 3).real(), 153);
    EXPECT_DOUBLE_EQ(At(t, 3, 2500, 3).imag(), -1.5);
}

TEST(CalBracket, TheLastPointIsTheUpperEndOfTheLastBracket) {
    const SpeedTable t = Table({1000, 2000, 3000, 4000});
    const CalBracket b = FindCalBracket(t, 3, 3500);
    EXPECT_EQ(b.lo, 2);
    EXPECT_EQ(b.hi, 3);
    // Interpolated between points 2 and 3, not extrapolated from 1 and 2.
    EXPECT_DOUBLE_EQ(At(t, 3, 3500, 0).real(), 250);
    EXPECT_DOUBLE_EQ(At(t, 3, 4000, 0).real(), 300);
    // A point past Maxinuse never takes part.
    SpeedTable u = t;
    u.points[4].QRG = 5000;
    u.points[4].slot[0] = {1e9, 1e9};
    EXPECT_DOUBLE_EQ(At(u, 3, 4500, 0).real(), 350);
}

TEST(CalBracket, OutsideTheTableTheEndPointsExtrapolate) {
    const SpeedTable t = Table({1000, 2000, 3000});
    EXPECT_EQ(FindCalBracket(t, 2, 500).lo, 0);
    EXPECT_EQ(FindCalBracket(t, 2, 500).hi, 1);
    EXPECT_DOUBLE_EQ(At(t, 2, 500, 0).real(), -50);
    EXPECT_DOUBLE_EQ(At(t, 2, 500, 0).imag(), 0.5);
    EXPECT_EQ(FindCalBracket(t, 2, 4000).lo, 1);
    EXPECT_EQ(FindCalBracket(t, 2, 4000).hi, 2);
    EXPECT_DOUBLE_EQ(At(t, 2, 4000, 0).real(), 300);
}

TEST(CalBracket, OneAndTwoPoints) {
    const SpeedTable t = Table({1000, 2000});
    // Maxinuse 1: the bracket is 0..1 wherever f lies.
    for (int32_t f : {0, 1000, 1500, 2000, 9000}) {
        EXPECT_EQ(FindCalBracket(t, 1, f).lo, 0) << f;
        EXPECT_EQ(FindCalBracket(t, 1, f).hi, 1) << f;
    }
    EXPECT_DOUBLE_EQ(At(t, 1, 3000, 1).real(), 201);
    // Maxinuse 0: the single point's values hold everywhere; point 1 holds
    // no data and is never used.
    for (int32_t f : {0, 1000, 1500, 9000}) {
        EXPECT_EQ(At(t, 0, f, 3), Cplx(3, 0)) << f;
    }
}

TEST(CalBracket, EqualFrequenciesAndBadMaxinuse) {
    // Two points with the same frequency: the lower point's value.
    const SpeedTable t = Table({1000, 2000, 2000});
    EXPECT_EQ(At(t, 2, 2500, 0), Cplx(100, -1));
    EXPECT_EQ(At(t, 2, 2000, 0), Cplx(100, -1));
    // Maxinuse outside 0..120 is clamped, never reaches past the table.
    EXPECT_EQ(FindCalBracket(t, -5, 1500).hi, 0);
    SpeedTable full;
    for (int p = 0; p < kCalPoints; ++p)
        full.points[p].QRG = 1000 * (p + 1);
    EXPECT_EQ(FindCalBracket(full, 30000, 1e9).hi, kCalPoints - 1);
}

} // namespace
