#include "display/measure/cplx.h"
#include "display/measure/formatting.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(ParseFreq, UnitLettersAndTheHundredMegahertzRule) {
    EXPECT_EQ(ParseFreq("1M"), 10000000);
    EXPECT_EQ(ParseFreq("1.5k"), 15000);
    EXPECT_EQ(ParseFreq("250"), 0);
    EXPECT_EQ(ParseFreq("150M"), 1000000000);
    EXPECT_EQ(ParseFreq("7MHz"), 70000000);
    EXPECT_EQ(ParseFreq("12.5MHz"), 125000000);
    EXPECT_EQ(ParseFreq("440h"), 4400);
    EXPECT_EQ(ParseFreq("0.00005h"), 0);   // 0.0005 rounds to 0
    EXPECT_EQ(ParseFreq("0.25h"), 2);      // 2.5 rounds to even
    EXPECT_EQ(ParseFreq(""), 0);
    EXPECT_EQ(ParseFreq("M"), 0);
}

TEST(ParseFreq, HugeNumbersSaturateAndFailTheRangeCheck) {
    const int32_t f = ParseFreq("99999999999k");
    EXPECT_EQ(f, 2147483647);
    EXPECT_FALSE(QrgInRange(f));
    EXPECT_FALSE(QrgInRange(ParseFreq("-5k")));
}

TEST(ClampQrg, Limits) {
    EXPECT_EQ(ClampQrg(399999), 400000);
    EXPECT_EQ(ClampQrg(610000001), 610000000);
    EXPECT_EQ(ClampQrg(400000), 400000);
    EXPECT_TRUE(QrgInRange(610000000));
    EXPECT_FALSE(QrgInRange(ParseFreq("5")));
    EXPECT_FALSE(QrgInRange(ParseFreq("70M")));
}

TEST(QrgShort, EntryFieldTexts) {
    EXPECT_EQ(QrgShort(500000), "50K");
    EXPECT_EQ(QrgShort(600500000), "60.05M");
    EXPECT_EQ(QrgShort(1000), "100H");
    EXPECT_EQ(QrgShort(10), "");
    EXPECT_EQ(QrgShort(20), "2H");
    EXPECT_EQ(QrgShort(10000000), "1000K");  // 1 MHz is not above 1000000 Hz
    EXPECT_EQ(QrgShort(305000000), "30.5M");
    EXPECT_EQ(ParseFreq(QrgShort(305000000)), 305000000);
}

TEST(QrgUnit, LabelTexts) {
    EXPECT_EQ(QrgUnit(0), "0 Hz");
    EXPECT_EQ(QrgUnit(10), "1Hz");
    EXPECT_EQ(QrgUnit(15000000), "1500Khz");
    EXPECT_EQ(QrgUnit(600000000), "60MHz");
    EXPECT_EQ(QrgUnit(12345), "1234.5Hz");
    EXPECT_EQ(QrgUnit(5), "0.5Hz");
    EXPECT_EQ(QrgUnit(-10000), "-1Khz");
}

TEST(NameValue, ValueKinds) {
    EXPECT_EQ(NameValue("Smessure", int16_t{1}), "Smessure=1");
    EXPECT_EQ(NameValue("NewQrg", int32_t{-400000}), "NewQrg=-400000");
    EXPECT_EQ(NameValue("Drift", 0.25), "Drift=0.25");
    EXPECT_EQ(NameValue("F", 0.1f), "F=0.1");
    EXPECT_EQ(NameValue("Title", std::string("Master cal")), "Title=Master cal");
    EXPECT_EQ(NameValue("QrgLock", true), "QrgLock=True");
    EXPECT_EQ(NameValue("QrgLock", false), "QrgLock=False");
    EXPECT_EQ(NameValue("X", std::monostate{}), "X=");
    NameValueArray a{1, {int16_t{5}, 2.5, std::string("x")}};
    EXPECT_EQ(NameValue("Arr", a), "Arr= 1=5 2=2.5 3=x");
}

TEST(SwitchWord, BitsByName) {
    int16_t w = 0;
    EXPECT_TRUE(SetSwitch(w, "swibri", true));
    EXPECT_EQ(w, 4);
    EXPECT_TRUE(SetSwitch(w, "SWIPOR", true));
    EXPECT_EQ(w, 12);
    EXPECT_TRUE(SetSwitch(w, "SwiBri", false));
    EXPECT_EQ(w, 8);
    EXPECT_FALSE(SetSwitch(w, "SWIXXX", true));
    EXPECT_EQ(w, 8);
    w = 0x0F0C;  // switching off also clears the high byte
    EXPECT_TRUE(SetSwitch(w, "SWIPOR", false));
    EXPECT_EQ(w, 4);
    std::string t = "1,5,6";
    CommaToPoint(t);
    EXPECT_EQ(t, "1.5.6");
}

TEST(Log10, ZeroIsTheSmallestDouble) {
    EXPECT_NEAR(Log10(0), -323.306, 1e-3);
    EXPECT_DOUBLE_EQ(Log10(1000), 3);
}

TEST(Complex, ArithmeticAndDivisionByZero) {
    EXPECT_EQ(CplxMul({1, 2}, {3, 4}), Cplx(-5, 10));
    EXPECT_EQ(CplxDiv({-5, 10}, {3, 4}), Cplx(1, 2));
    EXPECT_EQ(CplxDiv({1, 1}, {0, 0}), Cplx(0, 0));
    EXPECT_EQ(CplxSub(CplxAdd({1, 2}, {3, 4}), {3, 4}), Cplx(1, 2));
}

TEST(Complex, ArgumentMatchesAtan2InEveryQuadrant) {
    EXPECT_EQ(CplxArg({0, 0}), 0);
    EXPECT_NEAR(CplxArg({0, -1}), -M_PI / 2, 1e-15);
    EXPECT_NEAR(CplxArg({0, 1}), M_PI / 2, 1e-15);
    EXPECT_NEAR(CplxArg({-1, 0}), M_PI, 1e-15);
    for (double a = -3.1; a < 3.14; a += 0.1)
        EXPECT_NEAR(CplxArg(Phasor(a) * 2.0), a, 1e-12);
}

TEST(Complex, NotationRoundTrips) {
    const Cplx z(0.3, -0.4);
    const Cplx ma = RiToMa(z);
    EXPECT_DOUBLE_EQ(ma.real(), 0.5);
    const Cplx db = RiToDb(z);
    EXPECT_NEAR(db.real(), -6.0206, 1e-4);
    EXPECT_NEAR(std::abs(DbToRi(db) - z), 0, 1e-12);
    EXPECT_NEAR(std::abs(MaToRi(ma) - z), 0, 1e-12);
    EXPECT_NEAR(std::abs(MaToDb(DbToMa(db)) - db), 0, 1e-12);
    EXPECT_EQ(MaToSwr({0, 0.3}), Cplx(1, 0.3));
    EXPECT_EQ(MaToSwr({0.5, 0}).real(), 3);
    EXPECT_EQ(MaToSwr({1, 0}).real(), 1.79769313486232e307);
}

TEST(Angles, RadToDegWrapsToWholeDegrees) {
    EXPECT_EQ(RadToDeg(3.14159265358979), 180);
    EXPECT_EQ(RadToDeg(-3.2), 177);
    EXPECT_EQ(RadToDeg(DegToRad(190)), -170);
    EXPECT_EQ(RadToDeg(DegToRad(-540)), -180);
    EXPECT_EQ(RadToDeg(DegToRad(44.5)), 44);  // halves to even
    EXPECT_DOUBLE_EQ(DegToRad(180), kPi);
}

TEST(Interpolate, LinearAndDegenerate) {
    EXPECT_DOUBLE_EQ(InterpolateLinear(15, 10, 20, 1, 3), 2);
    EXPECT_DOUBLE_EQ(InterpolateLinear(30, 10, 20, 1, 3), 5);  // extrapolates
    EXPECT_DOUBLE_EQ(InterpolateLinear(30, 10, 10, 1, 3), 1);
}
