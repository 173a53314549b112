#include "link/text_rules.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace txt;

TEST(RoundHalfEven, HalvesGoToEven) {
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(-3.5), -4);
    EXPECT_EQ(RoundHalfEven(2.4999), 2);
    EXPECT_EQ(RoundHalfEven(0.5), 0);
}

TEST(Val, ReadsTheLeadingNumber) {
    EXPECT_EQ(Val("0005"), 5);
    EXPECT_EQ(Val("&H378"), 888);
    EXPECT_EQ(Val("&h1f"), 31);
    EXPECT_EQ(Val("&O17"), 15);
    EXPECT_EQ(Val(" -12abc"), -12);
    EXPECT_EQ(Val("+7"), 7);
    EXPECT_DOUBLE_EQ(Val("12.5MHz"), 12.5);
    EXPECT_DOUBLE_EQ(Val(".25"), 0.25);
    EXPECT_DOUBLE_EQ(Val("1.5.3"), 1.5);  // a second point ends the number
    EXPECT_DOUBLE_EQ(Val("1E3"), 1000);
    EXPECT_DOUBLE_EQ(Val("2.5e-1x"), 0.25);
}

TEST(Val, NoNumberGivesZero) {
    EXPECT_EQ(Val(""), 0);
    EXPECT_EQ(Val("   "), 0);
    EXPECT_EQ(Val("abc"), 0);
    EXPECT_EQ(Val("-"), 0);
    EXPECT_EQ(Val("&H"), 0);
    EXPECT_EQ(Val("&Q12"), 0);
    EXPECT_EQ(Val("\t5"), 0);  // only blanks are skipped
}

TEST(Val, IncompleteExponentIsNotTaken) {
    const NumberScan a = ScanNumber("3e");
    EXPECT_EQ(a.value, 3);
    EXPECT_EQ(a.end, 1u);
    const NumberScan b = ScanNumber("3e+x");
    EXPECT_EQ(b.value, 3);
    EXPECT_EQ(b.end, 1u);
    EXPECT_TRUE(std::isinf(Val("1e999")));
    EXPECT_EQ(Val("1e-999"), 0);
}

TEST(NumberText, NFormAndDecimalText) {
    EXPECT_EQ(N(5), " 5");
    EXPECT_EQ(N(0), " 0");
    EXPECT_EQ(N(-12), "-12");
    EXPECT_EQ(N(-2147483648LL), "-2147483648");
    EXPECT_EQ(DecimalText(60.05), "60.05");
    EXPECT_EQ(DecimalText(0.1), "0.1");
    EXPECT_EQ(DecimalText(3), "3");
    EXPECT_EQ(DecimalText(-0.0), "0");
    EXPECT_EQ(DecimalText(1e-5), "0.00001");
    EXPECT_EQ(DecimalText(1234.5), "1234.5");
    EXPECT_EQ(DecimalText(1e25), "1e+25");
    // Shortest text that reads back exactly.
    for (double v : {0.1 + 0.2, 1.0 / 3, 2.0 / 3 * 1e6, 5e-7})
        EXPECT_EQ(Val(DecimalText(v)), v) << DecimalText(v);
}

TEST(IntegerConversion, ReportsOverflowInsteadOfWrapping) {
    EXPECT_EQ(ToInt16(32767.4), 32767);
    EXPECT_FALSE(ToInt16(32767.5));  // rounds to 32768
    EXPECT_EQ(ToInt16(-32768), -32768);
    EXPECT_FALSE(ToInt16(-32769));
    EXPECT_EQ(ToInt16(2.5), 2);
    EXPECT_FALSE(ToInt16(NAN));
    EXPECT_EQ(ToInt32(2147483647.0), 2147483647);
    EXPECT_FALSE(ToInt32(2147483648.0));
    EXPECT_EQ(ToInt32(-2147483648.0), -2147483647 - 1);
    EXPECT_FALSE(ToInt32(INFINITY));
}

TEST(IntegerConversion, WholeFieldMustBeANumber) {
    EXPECT_EQ(FieldToInt16(" 42"), 42);
    EXPECT_EQ(FieldToInt16("-7"), -7);
    EXPECT_EQ(FieldToInt16("&H10"), 16);
    EXPECT_EQ(FieldToInt16("3.5"), 4);
    EXPECT_FALSE(FieldToInt16(""));
    EXPECT_FALSE(FieldToInt16("12x"));
    EXPECT_FALSE(FieldToInt16("rf"));
    EXPECT_FALSE(FieldToInt16("40000"));
    EXPECT_EQ(FieldToInt32("610000000"), 610000000);
    EXPECT_FALSE(FieldToInt32("9999999999"));
    EXPECT_FALSE(FieldToInt32("-"));
}

TEST(TextHelpers, UpperAndTrim) {
    EXPECT_EQ(Upper("Driver=ppdev:/dev/parport0"), "DRIVER=PPDEV:/DEV/PARPORT0");
    EXPECT_EQ(Trim("  a b \r\n"), "a b");
    EXPECT_EQ(Trim("   "), "");
}
