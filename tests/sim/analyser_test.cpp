// The simulated analyser at its registers: serial decoding, fixtures, the
// detector, noise, and virtual time.

#include "sim/analyser.h"
#include "sim/bridge_model.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Shifts 40 bits into both synthesizers and the user chain, then latches.
void Load(sim::Analyser& a, uint64_t rf, uint64_t lo, uint64_t user, uint8_t speedCode = 1) {
    for (int i = 0; i < 40; ++i) {
        const uint8_t d = static_cast<uint8_t>(((rf >> i) & 1) | (((lo >> i) & 1) << 1));
        const uint8_t c = static_cast<uint8_t>(speedCode ^ (((user >> i) & 1) ? 1 : 0));
        a.WriteControl(c);
        a.WriteData(d);
        a.WriteControl(c);
        a.WriteData(d | 0x04);
        a.ReadStatus();
    }
    a.WriteData(0);
    a.WriteData(0x08);
    a.WriteData(0);
    a.IdleUntil(a.Now() + 20'000'000); // settle
}

void WaitReady(sim::Analyser& a) {
    while (a.ReadStatus() & 0x80) {
        a.WriteData(0x40);
        a.WriteData(0x00);
    }
}

// Like the engine: finish whatever conversion runs, begin its readout,
// start a new conversion, wait, and read it (n = 24).
int32_t Convert(sim::Analyser& a) {
    WaitReady(a);
    a.WriteData(0x20);
    a.WriteData(0x00);
    a.WriteData(0x40);
    a.WriteData(0x40);
    a.WriteData(0x00);
    WaitReady(a);
    bool sign = false;
    uint32_t b = 0;
    for (int k = 1; k <= 27; ++k) {
        a.WriteData(0x20);
        a.WriteData(0x00);
        const bool s = (a.ReadStatus() & 0x80) != 0;
        if (k == 2) sign = s;
        if (k >= 3) b = (b << 1) | (s ? 0u : 1u);
    }
    return sign ? static_cast<int32_t>(b) - (1 << 25) : static_cast<int32_t>(b);
}

TEST(Analyser, DecodesWordsPhasesPowerDownAndUserBytes) {
    sim::Analyser a;
    const uint64_t rf = 28953164ull | (uint64_t{5} << 35);
    const uint64_t lo = 28953164ull | (uint64_t{8} << 35) | (uint64_t{1} << 34);
    const uint64_t user = 0x0478563412ull; // B0=0x04 B1=0x78 B2=0x56 B3=0x34 B4=0x12
    Load(a, rf, lo, user);
    const auto& s = a.serial();
    EXPECT_EQ(s.rf().word, 28953164u);
    EXPECT_EQ(s.rf().phase, 5);
    EXPECT_FALSE(s.rf().powerDown);
    EXPECT_EQ(s.lo().phase, 8);
    EXPECT_TRUE(s.lo().powerDown);
    EXPECT_NEAR(s.rf().FrequencyHz(sim::kSynthClockHz), 1.0e6, 0.05);
    EXPECT_EQ(s.user().B0, 0x04);
    EXPECT_EQ(s.user().B1, 0x78);
    EXPECT_EQ(s.user().B2, 0x56);
    EXPECT_EQ(s.user().B3, 0x34);
    EXPECT_EQ(s.user().B4, 0x12);
    EXPECT_TRUE(s.user().bridge());
    EXPECT_FALSE(s.user().swap());
    EXPECT_EQ(s.latches(), 1u);
}

TEST(Analyser, ReadingIsInPhaseAndQuadratureOfTheWave) {
    sim::AnalyserOptions o;
    o.noise = false;
    o.drift = false;
    sim::Analyser a(o);
    ASSERT_TRUE(a.Mount("thru"));
    const uint32_t word = 28953164u * 10; // 10 MHz
    Load(a, word, word, 0);
    const int32_t i = Convert(a);
    Load(a, word, word | (uint64_t{8} << 35), 0);
    const int32_t q = Convert(a);
    const double f = word * sim::kSynthClockHz / 4294967296.0;
    const sim::Cplx w = sim::DetectorWave(f, sim::SMatrix{0, 1, 1, 0}, false, false);
    const double off = sim::Analyser::kOffsetVolts;
    EXPECT_NEAR(i, sim::Analyser::Counts(w.real() + off), 1);
    EXPECT_NEAR(q, sim::Analyser::Counts(w.imag() + off), 1);
    // Both synthesizers powered down: the offset alone.
    Load(a, uint64_t{1} << 34, uint64_t{1} << 34, 0);
    EXPECT_EQ(Convert(a), sim::Analyser::Counts(off));
    // RF and LO apart: the beat averages away over the conversion.
    Load(a, word, word + 28953164u / 10, 0);
    EXPECT_LT(std::abs(Convert(a) - sim::Analyser::Counts(off)), 2000);
}

TEST(Analyser, NoiseFallsWithSlowerSpeeds) {
    auto spread = [](uint8_t code) {
        sim::AnalyserOptions o;
        o.drift = false;
        o.seed = 7;
        sim::Analyser a(o);
        a.WriteControl(code);
        double sum = 0, sum2 = 0;
        const int n = 200;
        for (int k = 0; k < n; ++k) {
            const double v = Convert(a);
            sum += v;
            sum2 += v * v;
        }
        const double mean = sum / n;
        return std::sqrt(sum2 / n - mean * mean);
    };
    const double slow = spread(9), fast = spread(1);
    EXPECT_NEAR(slow, 200e-9 * sim::Analyser::kCountsPerVolt, 0.3);
    EXPECT_NEAR(fast, 750e-9 * sim::Analyser::kCountsPerVolt, 0.8);
}

TEST(Analyser, VirtualTimeAdvancesPerAccessAndSkipsConverterWaits) {
    sim::Analyser a;
    EXPECT_EQ(a.Now(), 0);
    a.WriteControl(9); // speed 0
    a.WriteData(0);
    EXPECT_EQ(a.Now(), 2000);
    Convert(a);
    // The power-up conversion (10 ms) and one of 133 ms, skipped rather
    // than polled.
    EXPECT_GT(a.Now(), 143'000'000);
    EXPECT_LT(a.Now(), 143'200'000);
    a.IdleUntil(500'000'000);
    EXPECT_EQ(a.Now(), 500'000'000);
    a.IdleUntil(1);
    EXPECT_EQ(a.Now(), 500'000'000);
}

TEST(Analyser, FixturesAndDuts) {
    sim::Analyser a;
    for (const char* f : {"THRU", "opend", "Open", "SHORT", "LOAD", "DUT"}) EXPECT_TRUE(a.Mount(f)) << f;
    EXPECT_FALSE(a.Mount("FOO"));
    EXPECT_EQ(a.fixture(), "DUT");
    EXPECT_EQ(a.dut().name(), "bpf10m7");
    std::string err;
    EXPECT_TRUE(a.SetDut("att10", err));
    EXPECT_EQ(a.connected().name(), "att10"); // DUT mounted: the new one is connected
    EXPECT_FALSE(a.SetDut("/no/such/file.s2p", err));
    EXPECT_NE(err.find("/no/such/file.s2p"), std::string::npos);
    EXPECT_EQ(a.dut().name(), "att10");

    sim::AnalyserOptions o;
    o.dut = "nothing.s1p";
    sim::Analyser bad(o);
    EXPECT_NE(bad.error().find("nothing.s1p"), std::string::npos);
}

} // namespace
