// End to end without server or windows: VNA01 drives the simulated analyser,
// the calibration scans of table 1 measure the simulated standards at the
// calibration frequencies, then measurement sweeps of table 0 measure the
// band-pass filter and the attenuator at other frequencies; every record
// goes through DataRecordIn, and the live table is compared with the
// devices' exact S-parameters.

#include "display/calib/data_intake.h"
#include "server/engine/sim_harness.h"
#include "sim/devices.h"
#include "tests/display/calib/sim_compare.h"
#include "tests/display/calib/sim_records.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

constexpr int16_t kSpeed = 3;  // the speed of the program's default sweep
constexpr int16_t kSettleMs = 20;
constexpr int kCalEntries = 121;  // calibration points, entries 1..121

class SimEndToEnd {
public:
    explicit SimEndToEnd(const harness::RigOptions& o) : rig(o) {}

    // One calibration step as the plan runs it: table 1 programmed like a
    // control file (entry 0 the reference, then the calibration
    // frequencies), the standard mounted, one scan, the readings filed into
    // slot `plug` as the calibration procedure files them.
    void CalibrationStep(int plug, const char* fixture, int16_t B0) {
        for (int e = 0; e <= kCalEntries; ++e)
            rig.vna().SetUpEntry(1, int16_t(e), CalQrg(e), kSpeed, kSettleMs, 24, 0, B0, 0, 0, 0,
                                 0);
        rig.vna().MarkEnd(1, kCalEntries + 1);
        ASSERT_TRUE(rig.Mount(fixture));
        const auto records = rig.Run(1, 1);
        ASSERT_FALSE(rig.timedOut());
        SpeedTable& st = cal->speed[kSpeed];
        int filed = 0;
        for (const engine::DataRecord& d : records) {
            if (d.ta != 1)
                continue;
            if (d.Idx == 1 && (plug == 1 || plug == 4))
                st.CalOffsetValue = d.dat;
            if (d.Idx == 2) {
                st.CalAux = d.ADCBits;
                st.CalTime = d.VNATime;
                st.Calibrated = true;
            }
            if (d.Idx < 2 || d.Idx > 2 * kCalEntries + 1)
                continue;
            const int n = d.Idx / 2 - 1;
            CalPoint& cp = st.points[n];
            cp.QRG = d.rf;
            if (d.LOPH != 0)
                cp.slot[plug].imag(d.dat);
            else
                cp.slot[plug].real(d.dat);
            cal->Maxinuse = std::max<int16_t>(cal->Maxinuse, int16_t(n));
            ++filed;
        }
        EXPECT_EQ(filed, 2 * kCalEntries) << fixture;
    }

    void Calibrate() {
        CalibrationStep(0, "THRU", 0);
        CalibrationStep(1, "OPEND", 0);
        CalibrationStep(2, "OPEN", 4);
        CalibrationStep(3, "SHORT", 4);
        CalibrationStep(4, "LOAD", 4);
    }

    // One measurement sweep of the DUT: 101 points from 0.2 to 59.7 MHz
    // (none on a calibration frequency), every record through DataRecordIn.
    WorstError Measure(int16_t Smessure, double floorDb) {
        auto s = std::make_unique<MeasureState>();
        s->Smessure = Smessure;
        const int16_t B0 = Smessure == 0 ? 4 : 0;
        EXPECT_EQ(rig.vna().SetUpScan(0, 100, 2000000, 597000000, kSpeed, kSettleMs, 24, B0, 0,
                                      0, 0, 0),
                  engine::VnaResult::Ok);
        EXPECT_TRUE(rig.Mount("DUT"));
        QuietEvents ev;
        for (const engine::DataRecord& d : rig.Run(0, 1))
            DataRecordIn(*s, *cal, ev, ToRec(d));
        EXPECT_EQ(s->LiveCount, 103);
        EXPECT_EQ(s->SdataHead[0].State(Smessure), kSLive);
        WorstError worst;
        worst.floorDb = floorDb;
        const double step = rig.vna().StepSize();
        for (int16_t p = s->QrgPoints[1].next; p != 0; p = s->QrgPoints[p].next) {
            // The frequency the synthesizer really makes: a whole word.
            const double hz = std::nearbyint(s->QrgPoints[p].Qrg / step) * step / 10.0;
            const sim::SMatrix exact = rig.analyser().dut().S(hz);
            worst.Add(s->Sdata[0][p].S[Smessure].RI, Smessure == 0 ? exact.s11 : exact.s21, hz);
        }
        return worst;
    }

    static int32_t CalQrg(int e) { return LogCalQrg(std::max(e - 1, 0), kCalEntries); }

    harness::SimRig rig;
    std::unique_ptr<CalibTable> cal = std::make_unique<CalibTable>();
};

void RunBoth(bool noise, double maxDb, double maxDeg, double floorDb) {
    for (const char* dut : {"bpf10m7", "att10"}) {
        harness::RigOptions o;
        o.noise = noise;
        o.drift = noise;
        o.dut = dut;
        SimEndToEnd e(o);
        ASSERT_TRUE(e.rig.ok()) << e.rig.error();
        e.Calibrate();
        ASSERT_EQ(e.cal->Maxinuse, kCalEntries - 1);
        for (int16_t k : {0, 1}) {
            const WorstError w = e.Measure(k, floorDb);
            w.Print(std::string(noise ? "VNA01, default noise, " : "VNA01, noise off, ") + dut +
                    (k == 0 ? " S11" : " S21"));
            if (std::string(dut) == "att10" && k == 0) {
                // A matched attenuator: |S11| is far below every floor, so
                // the vector error is what counts (a return loss of 50 dB).
                EXPECT_LT(w.maxAbs, 0.003);
                continue;
            }
            EXPECT_GT(w.strongCount, 0);
            EXPECT_LT(w.strongDb, maxDb) << dut << " S" << (k == 0 ? "11" : "21");
            EXPECT_LT(w.strongDeg, maxDeg) << dut << " S" << (k == 0 ? "11" : "21");
        }
    }
}

TEST(SimEndToEnd, NoiseOff) { RunBoth(false, 0.01, 0.1, -60); }

TEST(SimEndToEnd, DefaultNoise) { RunBoth(true, 0.1, 1.0, -40); }

} // namespace
