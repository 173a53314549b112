// The simulated converter's output stream and line handling.

#include "sim/converter.h"

#include <gtest/gtest.h>

namespace {

// Reads a value the way the port sees it: the sign after two clock edges,
// then 25 inverted data bits.
int32_t Decode(int32_t value) {
    const bool negative = sim::Converter::OutputLevel(value, 2);
    uint32_t b = 0;
    for (int k = 3; k <= 27; ++k) b = (b << 1) | (sim::Converter::OutputLevel(value, k) ? 0u : 1u);
    return negative ? static_cast<int32_t>(b) - (1 << 25) : static_cast<int32_t>(b);
}

TEST(Converter, EveryKindOfValueRoundTrips) {
    for (int32_t v : {0, 1, -1, 2, -2, 8053, -8053, 1 << 24, -(1 << 24), (1 << 25) - 1, -(1 << 25),
                      0x155555, -0x155555, 0xAAAAAA, -0xAAAAAA})
        EXPECT_EQ(Decode(v), v) << v;
    for (int32_t v = -(1 << 25); v < (1 << 25); v += 65537) EXPECT_EQ(Decode(v), v);
    EXPECT_FALSE(sim::Converter::OutputLevel(5, 0)); // ready
    EXPECT_TRUE(sim::Converter::OutputLevel(5, 1));  // dummy
    EXPECT_TRUE(sim::Converter::OutputLevel(5, 28)); // past the data
}

TEST(Converter, LinesStartConversionsOnlyAfterARead) {
    sim::Converter c;
    c.Start(0, 1000, 42);
    EXPECT_TRUE(c.Status(10));                  // converting
    EXPECT_FALSE(c.Lines(20, true, false));     // conversion line while converting: nothing
    EXPECT_TRUE(c.Status(1500));                // line high: not driven
    c.Lines(1500, false, false);
    EXPECT_FALSE(c.Status(1500));               // ready
    EXPECT_FALSE(c.Lines(1600, true, false));   // ready and unread: nothing
    c.Lines(1700, false, false);
    c.Lines(1800, false, true);                 // clock up
    EXPECT_EQ(c.edges(), 0);
    c.Lines(1900, false, false);                // clock down: one edge
    EXPECT_EQ(c.edges(), 1);
    EXPECT_TRUE(c.Status(1900));                // dummy
    c.Lines(2000, false, true);
    c.Lines(2100, false, false);
    EXPECT_FALSE(c.Status(2100));               // sign of +42
    EXPECT_TRUE(c.Lines(2200, true, false));    // after a read: start
    EXPECT_FALSE(c.Lines(2300, true, false));   // held high: no second start
    // Clock edges while converting are not counted.
    c.Start(2200, 1000, -3);
    c.Lines(2400, false, true);
    c.Lines(2500, false, false);
    EXPECT_EQ(c.edges(), 0);
    EXPECT_EQ(c.value(), -3);
    c.Start(0, 10, 1 << 30); // clamped to the converter's range
    EXPECT_EQ(c.value(), sim::Converter::kMax);
}

TEST(Converter, SpeedsFromControlCodes) {
    EXPECT_EQ(sim::Converter::SpeedOfControl(9), 0);
    EXPECT_EQ(sim::Converter::SpeedOfControl(8), 0);
    EXPECT_EQ(sim::Converter::SpeedOfControl(11), 1);
    EXPECT_EQ(sim::Converter::SpeedOfControl(10), 1);
    EXPECT_EQ(sim::Converter::SpeedOfControl(3), 2);
    EXPECT_EQ(sim::Converter::SpeedOfControl(1), 3);
    EXPECT_EQ(sim::Converter::ConversionNs(0), 133'000'000);
    EXPECT_EQ(sim::Converter::ConversionNs(3), 10'000'000);
    EXPECT_GT(sim::Converter::NoiseVolts(3), sim::Converter::NoiseVolts(0));
}

} // namespace
