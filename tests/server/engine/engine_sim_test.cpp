// The scan engine on the simulated analyser: what the simulator decodes is
// what the engine built, readings mean what the physics says, sweeps run
// the documented rows, and virtual time is cheap and repeatable.

#include "server/engine/sim_harness.h"
#include "sim/bridge_model.h"
#include "sim/devices.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

using engine::DataRecord;
using engine::VnaResult;
using harness::RigOptions;
using harness::SimRig;

namespace {

uint64_t Image(const std::array<uint8_t, 40>& bits) {
    uint64_t v = 0;
    for (int i = 0; i < 40; ++i)
        if (bits[i]) v |= uint64_t{1} << i;
    return v;
}

// Checks, at every latch, that the simulator took over the words and user
// bytes of the row the engine shifted in.
class CheckingRig : public SimRig {
public:
    using SimRig::SimRig;
    int latchedRow = -1;
    int checked = 0;
    std::vector<std::string> mismatches;
    void Stateinfo(int16_t s) override {
        SimRig::Stateinfo(s);
        if (s == 4) {
            latchedRow = vna().LoadRow(); // before it advances
        } else if (s == 5 && latchedRow >= 0) {
            const auto& row = vna().row(vna().CurrentTable(), latchedRow);
            const auto& serial = analyser().serial();
            const auto& u = serial.user();
            if (serial.rf().bits != Image(row.RfBits) || serial.lo().bits != Image(row.LoBits) ||
                u.B0 != row.B0 || u.B1 != row.B1 || u.B2 != row.B2 || u.B3 != row.B3 ||
                u.B4 != row.B4)
                mismatches.push_back("row " + std::to_string(latchedRow));
            if (row.rf > 0 && serial.rf().word != static_cast<uint32_t>(*vna().FrequencyWord(row.rf)))
                mismatches.push_back("word of row " + std::to_string(latchedRow));
            ++checked;
            latchedRow = -1;
        }
    }
};

TEST(EngineOnSim, SimulatorDecodesEveryWordAndUserByteOfASweep) {
    CheckingRig rig(RigOptions{});
    ASSERT_TRUE(rig.ok());
    ASSERT_EQ(rig.vna().SetUpScan(0, 100, 490000, 600000000, 3, 1, 24, 0x5C, 0x12, 0x34, 0x56, 0x78),
              VnaResult::Ok);
    rig.vna().EditEntry(0, 10, "LOPH", 21); // odd phases and a different LO
    rig.vna().EditEntry(0, 11, "lo", 123456789);
    const auto records = rig.Run(0, 2);
    EXPECT_EQ(records.size(), 408u);
    EXPECT_GE(rig.checked, 400);
    EXPECT_TRUE(rig.mismatches.empty()) << rig.mismatches.front();
    EXPECT_EQ(rig.analyser().serial().user().B0, 0x5C);
}

TEST(EngineOnSim, DefaultSweepRunsRowsZeroTo203ThenEnds) {
    SimRig rig;
    ASSERT_EQ(rig.SetUpDefaultScan(), VnaResult::Ok);
    const auto records = rig.Run(0, 2);
    ASSERT_EQ(records.size(), 408u);
    for (size_t k = 0; k < records.size(); ++k) {
        EXPECT_EQ(records[k].Idx, static_cast<int>(k % 204));
        EXPECT_EQ(records[k].LOPH, k % 2 ? 8 : 0);
        EXPECT_EQ(records[k].rf, rig.vna().row(0, records[k].Idx).rf);
    }
    EXPECT_EQ(rig.endScans, 2);
    EXPECT_EQ(rig.loopsEnded, 1);
    EXPECT_FALSE(rig.vna().Running());

    // A shorter sweep replacing it measures exactly its own rows.
    ASSERT_EQ(rig.vna().SetUpScan(0, 50, 1000000, 2000000, 3, 1, 24, 0, 0, 0, 0, 0), VnaResult::Ok);
    const auto shorter = rig.Run(0, 2);
    ASSERT_EQ(shorter.size(), 208u);
    for (const auto& r : shorter) EXPECT_LE(r.rf, 2000000);
    EXPECT_EQ(shorter.back().Idx, 103);
}

TEST(EngineOnSim, VirtualTimeSkipsWaitingAndRepeatsExactly) {
    RigOptions o;
    SimRig rig(o);
    ASSERT_EQ(rig.SetUpDefaultScan(0, 20), VnaResult::Ok); // speed 0: 133 ms conversions
    const int64_t t0 = rig.analyser().Now();
    const uint64_t i0 = rig.vna().iterations();
    const auto a = rig.Run(0, 1);
    ASSERT_EQ(a.size(), 204u);
    const double seconds = static_cast<double>(rig.analyser().Now() - t0) * 1e-9;
    // Physically at least settling + conversion per row (~31 s) ...
    EXPECT_GT(seconds, 204 * (0.020 + 0.133));
    EXPECT_LT(seconds, 204 * (0.020 + 0.133) + 2.0);
    // ... but only about a hundred loop iterations per row.
    EXPECT_LT(rig.vna().iterations() - i0, 204u * 120u);

    const auto b = harness::RunDefaultSweeps(o, 1, 0, 20);
    ASSERT_EQ(b.size(), a.size());
    for (size_t k = 0; k < a.size(); ++k) EXPECT_EQ(a[k].dat, b[k].dat) << k;
    o.seed = 2;
    const auto c = harness::RunDefaultSweeps(o, 1, 0, 20);
    int differ = 0;
    for (size_t k = 0; k < a.size(); ++k) differ += a[k].dat != c[k].dat;
    EXPECT_GT(differ, 100); // noise follows the seed
}

// Readings by entry: [entry] = I + jQ.
std::map<int, sim::Cplx> Points(const std::vector<DataRecord>& records) {
    std::map<int, sim::Cplx> out;
    for (const auto& r : records) {
        if (r.Idx < 2) continue; // row 0 carries a conversion from before the start
        auto& z = out[r.Idx / 2];
        if (r.LOPH == 0) z.real(r.dat); else z.imag(r.dat);
    }
    return out;
}

TEST(EngineOnSim, ReadingsAreTheDetectorWaveInCounts) {
    RigOptions o;
    o.noise = false;
    o.drift = false;
    o.fixture = "THRU";
    SimRig rig(o);
    ASSERT_EQ(rig.vna().SetUpScan(1, 10, 1000000, 500000000, 0, 20, 24, 0, 0, 0, 0, 0), VnaResult::Ok);
    const auto records = rig.Run(1, 1);
    ASSERT_EQ(records.size(), 24u);
    const int32_t offset = sim::Analyser::Counts(sim::Analyser::kOffsetVolts);
    EXPECT_EQ(records[1].dat, offset); // reference row: both synthesizers off
    for (const auto& r : records) {
        if (r.Idx < 2) continue;
        const uint32_t word = static_cast<uint32_t>(*rig.vna().FrequencyWord(r.rf));
        const double f = word * sim::kSynthClockHz / 4294967296.0;
        const sim::Cplx w = sim::DetectorWave(f, sim::SMatrix{0, 1, 1, 0}, false, false);
        const double part = r.LOPH == 0 ? w.real() : w.imag();
        const int32_t expect = sim::Analyser::Counts(sim::Analyser::kDetectorVolts * part +
                                                     sim::Analyser::kOffsetVolts);
        EXPECT_NEAR(r.dat, expect, 1) << "row " << r.Idx;
        // Well inside the 24-bit range.
        EXPECT_LT(std::abs(r.dat), 1 << 23);
    }
}

TEST(EngineOnSim, RatioToThruIsTheDeviceS21WithinNoise) {
    RigOptions o; // noise and drift on
    o.dut = "bpf10m7";
    SimRig rig(o);
    // Transmission path (B0 = 0), speed 0, 8..14 MHz.
    ASSERT_EQ(rig.vna().SetUpScan(1, 30, 80000000, 140000000, 0, 20, 24, 0, 0, 0, 0, 0),
              VnaResult::Ok);
    rig.Mount("OPEND");
    const auto zero = Points(rig.Run(1, 1));
    rig.Mount("THRU");
    const auto thru = Points(rig.Run(1, 1));
    rig.Mount("DUT");
    const auto dut = Points(rig.Run(1, 1));
    ASSERT_EQ(dut.size(), 31u);
    double worst = 0.0;
    for (const auto& [entry, m] : dut) {
        const int32_t rf = rig.vna().row(1, 2 * entry).rf;
        const double f = *rig.vna().FrequencyWord(rf) * sim::kSynthClockHz / 4294967296.0;
        const sim::Cplx s21 = (m - zero.at(entry)) / (thru.at(entry) - zero.at(entry));
        const sim::Cplx truth = sim::BandPass10m7(f).s21;
        worst = std::max(worst, std::abs(s21 - truth));
    }
    // Noise 1.3 counts and drift over a sweep against a thru of ~2e6 counts.
    EXPECT_LT(worst, 3e-5);
    EXPECT_GT(worst, 0.0);
}

TEST(EngineOnSim, ThreeTermCorrectionRecoversTheReflection) {
    RigOptions o;
    o.noise = false;
    o.dut = "cable";
    SimRig rig(o);
    // Bridge path (B0 = 4).
    ASSERT_EQ(rig.vna().SetUpScan(1, 20, 10000000, 600000000, 1, 20, 24, 4, 0, 0, 0, 0),
              VnaResult::Ok);
    std::map<std::string, std::map<int, sim::Cplx>> read;
    for (const char* f : {"OPEN", "SHORT", "LOAD", "DUT"}) {
        rig.Mount(f);
        read[f] = Points(rig.Run(1, 1));
    }
    for (const auto& [entry, m] : read["DUT"]) {
        const sim::Cplx o1 = read["OPEN"][entry], s1 = read["SHORT"][entry], l1 = read["LOAD"][entry];
        // e00 = l; solve for the tracking and source match from open and short.
        const sim::Cplx a = o1 - l1, b = s1 - l1;
        const sim::Cplx e11 = (a + b) / (a - b);
        const sim::Cplx t = a * (1.0 - e11);
        const sim::Cplx g = (m - l1) / (t + e11 * (m - l1));
        const int32_t rf = rig.vna().row(1, 2 * entry).rf;
        const double f = *rig.vna().FrequencyWord(rf) * sim::kSynthClockHz / 4294967296.0;
        EXPECT_NEAR(std::abs(g - sim::OpenCable(f).s11), 0.0, 2e-4) << f;
    }
}

TEST(EngineOnSim, FixtureChangesWhileTheLoopRuns) {
    RigOptions o;
    o.noise = false;
    o.fixture = "THRU";
    SimRig rig(o);
    ASSERT_EQ(rig.vna().SetUpScan(0, 10, 20000000, 30000000, 3, 20, 24, 0, 0, 0, 0, 0), VnaResult::Ok);
    rig.onRecord = [&rig](const DataRecord& r) {
        if (r.Idx == 11) rig.Mount("OPEND");
    };
    const auto records = rig.Run(0, 1);
    ASSERT_EQ(records.size(), 24u);
    EXPECT_GT(std::abs(records[10].dat), 1000000); // thru
    EXPECT_LT(std::abs(records[14].dat - sim::Analyser::Counts(sim::Analyser::kOffsetVolts)), 200);
}

TEST(EngineOnSim, SettlingTimeMatters) {
    // Without settling the detector still carries the previous row's level.
    RigOptions o;
    o.noise = false;
    o.drift = false;
    o.fixture = "THRU";
    SimRig rig(o);
    ASSERT_EQ(rig.vna().SetUpScan(0, 4, 20000000, 300000000, 3, 0, 24, 0, 0, 0, 0, 0), VnaResult::Ok);
    const auto fast = rig.Run(0, 2);
    ASSERT_EQ(rig.vna().SetUpScan(0, 4, 20000000, 300000000, 3, 20, 24, 0, 0, 0, 0, 0), VnaResult::Ok);
    const auto slow = rig.Run(0, 2);
    ASSERT_EQ(fast.size(), slow.size());
    int differ = 0;
    for (size_t k = 14; k < fast.size(); ++k) differ += std::abs(fast[k].dat - slow[k].dat) > 1000;
    EXPECT_GT(differ, 3);
}

} // namespace
