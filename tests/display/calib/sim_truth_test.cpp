// The correction against the simulated analyser's known error model: raw
// readings of the standards and of the devices are generated from the
// bridge and transmission models exactly as the simulator's detector and
// converter form them, corrected, and compared with the devices' exact
// S-parameters. The correction never sees the model.

#include "display/calib/correction.h"
#include "display/calib/data_intake.h"
#include "sim/analyser.h"
#include "sim/bridge_model.h"
#include "sim/devices.h"
#include "tests/display/calib/sim_compare.h"
#include "tests/display/calib/sim_records.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Counts of the detector wave: in-phase reading (LO phase 0) = real part,
// quadrature reading (LO phase 8) = imaginary part, plus the offset.
Cplx Raw(double fHz, const sim::SMatrix& s, bool bridge, bool swap) {
    const double k = sim::Analyser::kDetectorVolts;
    const double off = sim::Analyser::kOffsetVolts;
    const Cplx w = sim::DetectorWave(fHz, s, bridge, swap);
    return {double(sim::Analyser::Counts(k * w.real() + off)),
            double(sim::Analyser::Counts(k * w.imag() + off))};
}

sim::SMatrix Reflect(Cplx g, bool swap) {
    sim::SMatrix s;
    (swap ? s.s22 : s.s11) = g;
    return s;
}

sim::SMatrix Thru() {
    sim::SMatrix s;
    s.s21 = s.s12 = 1;
    return s;
}

TEST(SimTruth, CorrectionAtTheCalibrationFrequencies) {
    WorstError s11, s21, s22, att;
    for (double f = 100e3; f <= 61e6; f += 97e3) {
        const Cplx oped = Raw(f, sim::SMatrix{}, false, false);
        const Cplx thru = Raw(f, Thru(), false, false);
        const sim::SMatrix bpf = sim::BandPass10m7(f);
        for (bool swap : {false, true}) {
            const Cplx open = Raw(f, Reflect(1, swap), true, swap);
            const Cplx shrt = Raw(f, Reflect(-1, swap), true, swap);
            const Cplx load = Raw(f, Reflect(0, swap), true, swap);
            const auto r = CorrectReflection(Raw(f, bpf, true, swap), oped, open, shrt, load);
            ASSERT_TRUE(r.calibrated);
            (swap ? s22 : s11).Add(r.value, swap ? bpf.s22 : bpf.s11);
            // The standards themselves.
            EXPECT_NEAR(std::abs(CorrectReflection(open, oped, open, shrt, load).value - 1.0), 0, 1e-12);
            EXPECT_NEAR(std::abs(CorrectReflection(shrt, oped, open, shrt, load).value + 1.0), 0, 1e-12);
        }
        const auto t = CorrectTransmission(Raw(f, bpf, false, false), oped, thru);
        ASSERT_TRUE(t.calibrated);
        s21.Add(MaToRi(t.value), bpf.s21);
        const sim::SMatrix a = sim::Attenuator10(f);
        att.Add(MaToRi(CorrectTransmission(Raw(f, a, false, false), oped, thru).value), a.s21);
    }
    s11.Print("exact frequencies, bpf10m7 S11");
    s22.Print("exact frequencies, bpf10m7 S22");
    s21.Print("exact frequencies, bpf10m7 S21");
    att.Print("exact frequencies, att10 S21");
    // Only the converter's rounding to whole counts separates the result
    // from the truth.
    for (const WorstError* w : {&s11, &s22, &s21, &att}) {
        EXPECT_LT(w->strongDb, 0.001);
        EXPECT_LT(w->strongDeg, 0.01);
    }
}

// The same through the data path: a calibration table at 121 frequencies,
// measurements at frequencies between them, records filed one by one.
// Slots 5..7 hold the standards with the ports swapped, for S22.
TEST(SimTruth, DataPathInterpolatesBetweenCalibrationPoints) {
    auto cal = std::make_unique<CalibTable>();
    cal->Maxinuse = kCalPoints - 1;
    SpeedTable& st = cal->speed[2];
    st.Calibrated = true;
    st.CalOffsetValue = sim::Analyser::Counts(sim::Analyser::kOffsetVolts);
    for (int p = 0; p < kCalPoints; ++p) {
        const int32_t qrg = LogCalQrg(p, kCalPoints);
        const double f = qrg / 10.0;
        CalPoint& cp = st.points[p];
        cp.QRG = qrg;
        cp.slot[kSlotThru] = Raw(f, Thru(), false, false);
        cp.slot[kSlotOpeD] = Raw(f, sim::SMatrix{}, false, false);
        cp.slot[kSlotOpeB] = Raw(f, Reflect(1, false), true, false);
        cp.slot[kSlotShoB] = Raw(f, Reflect(-1, false), true, false);
        cp.slot[kSlotLoadB] = Raw(f, Reflect(0, false), true, false);
        cp.slot[kSlotOpeBS] = Raw(f, Reflect(1, true), true, true);
        cp.slot[kSlotShoBS] = Raw(f, Reflect(-1, true), true, true);
        cp.slot[kSlotLoadBS] = Raw(f, Reflect(0, true), true, true);
    }
    QuietEvents ev;
    struct Case {
        const char* what;
        int16_t Smessure;
        bool bridge, swap;
        sim::SMatrix (*device)(double);
    };
    const Case cases[] = {{"bpf10m7 S11", 0, true, false, sim::BandPass10m7},
                          {"bpf10m7 S21", 1, false, false, sim::BandPass10m7},
                          {"bpf10m7 S22", 3, true, true, sim::BandPass10m7},
                          {"att10 S21", 1, false, false, sim::Attenuator10},
                          {"att10 S11", 0, true, false, sim::Attenuator10}};
    for (const Case& c : cases) {
        auto s = std::make_unique<MeasureState>();
        s->Smessure = c.Smessure;
        s->PortSwapActive = c.swap;
        WorstError worst;
        VnaDataRec rec;
        rec.Speed = 2;
        rec.idx = 1;  // the reference reading: no drift
        rec.Data = st.CalOffsetValue;
        DataRecordIn(*s, *cal, ev, rec);
        for (int i = 0; i < 101; ++i) {
            const int32_t qrg = 1234567 + 5876543 * i;  // 0.12 .. 59.5 MHz, off the grid
            const Cplx raw = Raw(qrg / 10.0, c.device(qrg / 10.0), c.bridge, c.swap);
            rec.Qrg = qrg;
            rec.idx = int16_t(2 + 2 * i);
            rec.Phase = 0;
            rec.Data = int32_t(raw.real());
            DataRecordIn(*s, *cal, ev, rec);
            rec.idx++;
            rec.Phase = 8;
            rec.Data = int32_t(raw.imag());
            DataRecordIn(*s, *cal, ev, rec);
        }
        ASSERT_EQ(s->LiveCount, 103);
        for (int16_t p = s->QrgPoints[1].next; p != 0; p = s->QrgPoints[p].next) {
            const sim::SMatrix exact = c.device(s->QrgPoints[p].Qrg / 10.0);
            const Cplx want = c.Smessure == 0 ? exact.s11 : c.Smessure == 1 ? exact.s21 : exact.s22;
            worst.Add(s->Sdata[0][p].S[c.Smessure].RI, want, s->QrgPoints[p].Qrg / 10.0);
        }
        EXPECT_EQ(s->SdataHead[0].State(c.Smessure), kSLive);
        worst.Print(std::string("interpolated calibration, ") + c.what);
        EXPECT_LT(worst.strongDb, 0.01) << c.what;
        EXPECT_LT(worst.strongDeg, 0.1) << c.what;
        EXPECT_LT(worst.maxAbs, 0.003) << c.what;  // a return loss of 50 dB
    }
}

} // namespace
