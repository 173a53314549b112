#include "display/calib/data_intake.h"

#include "display/measure/point_list.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace {

struct Events : CalibEvents {
    bool tempCorr = true;
    std::vector<int32_t> drifts;
    std::vector<int16_t> live, smith;
    std::vector<Cplx> ri;
    std::vector<VnaDataRec> calib, scanCal;
    bool TempCorr() const override { return tempCorr; }
    void ShowTempOffset(int32_t d) override { drifts.push_back(d); }
    void makelive(int16_t p) override { live.push_back(p); }
    void Makesmithlive(int16_t p) override { smith.push_back(p); }
    void showri(double re, double im) override { ri.push_back({re, im}); }
    void CalibrationNextIn(const VnaDataRec& r) override { calib.push_back(r); }
    void ScanCalAfterCorrect(const VnaDataRec& r) override { scanCal.push_back(r); }
};

VnaDataRec Rec(int16_t idx, int32_t qrg, int16_t phase, int32_t data, int16_t speed = 0,
               int16_t table = 0) {
    VnaDataRec r;
    r.table = table;
    r.idx = idx;
    r.Qrg = qrg;
    r.Phase = phase;
    r.Data = data;
    r.Speed = speed;
    r.Time = 20;
    return r;
}

class CalibIntake : public ::testing::Test {
protected:
    std::unique_ptr<MeasureState> s = std::make_unique<MeasureState>();
    std::unique_ptr<CalibTable> cal = std::make_unique<CalibTable>();
    Events ev;

    // Speed 0, two points at 1 MHz and 3 MHz; slot k reads (k + 1) * 1000 + p
    // in the real part and p in the imaginary part.
    void SetUp() override {
        cal->Maxinuse = 1;
        for (int p = 0; p < 2; ++p) {
            CalPoint& cp = cal->speed[0].points[p];
            cp.QRG = 10000000 + 20000000 * p;
            for (int k = 0; k < kCalSlots; ++k)
                cp.slot[k] = {(k + 1) * 1000.0 + p, double(p)};
        }
        cal->speed[0].Calibrated = true;
        cal->speed[0].CalOffsetValue = 500;
    }

    void Pair(int32_t qrg, Cplx raw, int16_t speed = 0) {
        DataRecordIn(*s, *cal, ev, Rec(2, qrg, 0, int32_t(raw.real()), speed));
        DataRecordIn(*s, *cal, ev, Rec(3, qrg, 1, int32_t(raw.imag()), speed));
    }
};

TEST_F(CalibIntake, EveryRecordIsLoggedAndReported) {
    VnaDataRec r = Rec(0, 5000000, 0, 7, 2);
    r.Time = 33;
    DataRecordIn(*s, *cal, ev, r);
    EXPECT_EQ(s->VnaDataNext, 1);
    EXPECT_EQ(s->VnaData[0].Data, 7);
    EXPECT_EQ(s->VnaReportSpeed, 2);
    EXPECT_EQ(s->VnaReportTime, 33);
    EXPECT_EQ(s->LiveCount, 2);  // row 0 is no measurement
}

TEST_F(CalibIntake, CalibrationScanRecordsGoToTheProcedureOnly) {
    s->CalibrationOn = true;
    DataRecordIn(*s, *cal, ev, Rec(2, 10000000, 0, 5, 1, 1));
    DataRecordIn(*s, *cal, ev, Rec(2, 10000000, 0, 5, 1, 0));
    DataRecordIn(*s, *cal, ev, Rec(1, 10000000, 1, 5, 1, 0));
    ASSERT_EQ(ev.calib.size(), 1u);
    EXPECT_EQ(ev.calib[0].table, 1);
    EXPECT_EQ(s->LiveCount, 2);
    EXPECT_TRUE(ev.drifts.empty());
    EXPECT_EQ(s->VnaDataNext, 3);
}

TEST_F(CalibIntake, ReferenceRowSetsTheDriftAndTempCorrDecidesItsUse) {
    DataRecordIn(*s, *cal, ev, Rec(1, 9000000, 1, 300));
    EXPECT_EQ(s->OffsetValue, 300);
    EXPECT_EQ(s->CalOffsetValue, 500);
    EXPECT_EQ(s->drift, 200);
    ASSERT_EQ(ev.drifts.size(), 1u);
    EXPECT_EQ(ev.drifts[0], 200);
    Pair(20000000, {1000, -1000});
    const int16_t p = FindQrg(*s, 20000000);
    EXPECT_EQ(s->QrgPoints[p].Mess, Cplx(1200, -800));
    // Without TempCorr the drift is 0 for the readings, the meter still moves.
    ev.tempCorr = false;
    DataRecordIn(*s, *cal, ev, Rec(1, 9000000, 1, 100));
    EXPECT_EQ(ev.drifts.back(), 400);
    Pair(20000000, {1000, -1000});
    EXPECT_EQ(s->QrgPoints[p].Mess, Cplx(1000, -1000));
    EXPECT_EQ(s->drift, 0);
    // A reading at the limit plus the drift does not wrap around.
    ev.tempCorr = true;
    cal->speed[0].CalOffsetValue = std::numeric_limits<int32_t>::max();
    DataRecordIn(*s, *cal, ev, Rec(1, 9000000, 1, 0));
    DataRecordIn(*s, *cal, ev, Rec(2, 20000000, 0, std::numeric_limits<int32_t>::max()));
    EXPECT_GT(s->QrgPoints[p].Mess.real(), 4e9);
}

TEST_F(CalibIntake, ABadSpeedIsLoggedAndNotUsed) {
    DataRecordIn(*s, *cal, ev, Rec(1, 9000000, 1, 300, 4));
    Pair(20000000, {1000, 1000}, -1);
    Pair(20000000, {1000, 1000}, 7);
    EXPECT_EQ(s->VnaDataNext, 5);
    EXPECT_EQ(s->VnaReportSpeed, 7);
    EXPECT_EQ(s->LiveCount, 2);
    EXPECT_TRUE(ev.drifts.empty());
    EXPECT_TRUE(ev.live.empty());
    s->CalibrationOn = true;
    DataRecordIn(*s, *cal, ev, Rec(2, 10000000, 0, 5, 9, 1));
    EXPECT_TRUE(ev.calib.empty());
}

TEST_F(CalibIntake, ValuesAreAttachedFromTheRightSlots) {
    Pair(20000000, {1, 1});  // halfway between the two calibration points
    const QrgPoint& pt = s->QrgPoints[FindQrg(*s, 20000000)];
    EXPECT_EQ(pt.Thru, Cplx(1000.5, 0.5));
    EXPECT_EQ(pt.OpeD, Cplx(2000.5, 0.5));
    EXPECT_EQ(pt.OpeB, Cplx(3000.5, 0.5));
    EXPECT_EQ(pt.ShoB, Cplx(4000.5, 0.5));
    EXPECT_EQ(pt.LoadB, Cplx(5000.5, 0.5));
    s->PortSwapActive = true;
    Pair(20000000, {1, 1});
    EXPECT_EQ(pt.Thru, Cplx(1000.5, 0.5));
    EXPECT_EQ(pt.OpeD, Cplx(2000.5, 0.5));
    EXPECT_EQ(pt.OpeB, Cplx(6000.5, 0.5));
    EXPECT_EQ(pt.ShoB, Cplx(7000.5, 0.5));
    EXPECT_EQ(pt.LoadB, Cplx(8000.5, 0.5));
    // A captured value stays.
    QrgPoint& q = s->QrgPoints[FindQrg(*s, 20000000)];
    q.ShoBCaptured = true;
    q.ShoB = {-1, -1};
    Pair(20000000, {1, 1});
    EXPECT_EQ(q.ShoB, Cplx(-1, -1));
    EXPECT_EQ(q.OpeB, Cplx(6000.5, 0.5));
}

TEST_F(CalibIntake, APointIsCorrectedOnlyOnAQuadratureRecordWithBothHalves) {
    s->Smessure = 1;
    DataRecordIn(*s, *cal, ev, Rec(3, 20000000, 1, 50));
    EXPECT_TRUE(ev.live.empty());  // the real part is missing
    DataRecordIn(*s, *cal, ev, Rec(2, 20000000, 0, 60));
    EXPECT_TRUE(ev.live.empty());  // in-phase records never correct
    DataRecordIn(*s, *cal, ev, Rec(3, 20000000, 1, 50));
    ASSERT_EQ(ev.live.size(), 1u);
    EXPECT_EQ(ev.smith, ev.live);
    EXPECT_EQ(ev.scanCal.size(), 2u);  // after every quadrature record
    EXPECT_EQ(ev.ri.size(), 1u);
}

TEST_F(CalibIntake, TransmissionAndReflectionResultsInTheLiveTable) {
    // Thru reading at the point: slot 0 = (1000.5, 0.5), detector zero (2000.5, 0.5).
    s->Smessure = 1;
    Pair(20000000, {1000, 0});
    int16_t p = FindQrg(*s, 20000000);
    // Mess = (1000, 0) is close to the thru: magnitude ~1, angle ~0.
    const SBlock& b = s->Sdata[0][p].S[1];
    EXPECT_EQ(s->Sdata[0][p].Qrg, 20000000);
    EXPECT_NEAR(b.MA.real(), 1000.5 / 1000.5, 1e-3);
    EXPECT_NEAR(b.RI.real(), b.MA.real() * std::cos(b.MA.imag()), 1e-12);
    EXPECT_EQ(s->SdataHead[0].S21, kSLive);
    ASSERT_EQ(ev.ri.size(), 1u);
    EXPECT_EQ(ev.ri[0], b.RI);

    // Reflection of the open reading itself gives +1.
    s->Smessure = 0;
    cal->Maxinuse = 0;
    cal->speed[0].points[0].slot[kSlotOpeD] = {0, 0};
    cal->speed[0].points[0].slot[kSlotOpeB] = {900, 400};
    cal->speed[0].points[0].slot[kSlotShoB] = {-800, -300};
    cal->speed[0].points[0].slot[kSlotLoadB] = {30, 20};
    Pair(20000000, {900, 400});
    EXPECT_NEAR(s->Sdata[0][p].S[0].RI.real(), 1, 1e-12);
    EXPECT_NEAR(s->Sdata[0][p].S[0].RI.imag(), 0, 1e-12);
    EXPECT_NEAR(s->Sdata[0][p].S[0].DB.real(), 0, 1e-9);
    EXPECT_EQ(s->SdataHead[0].S11, kSLive);
}

TEST_F(CalibIntake, AnUncalibratedSpeedGivesZeroAndMarksTheHeader) {
    for (int16_t k : {0, 1}) {
        s->Smessure = k;
        Pair(20000000, {12345, -678}, 3);  // speed 3 holds nothing
        const int16_t p = FindQrg(*s, 20000000);
        const SBlock& b = s->Sdata[0][p].S[k];
        EXPECT_EQ(b.RI, Cplx(0, 0));
        EXPECT_EQ(b.MA, Cplx(0, 0));
        EXPECT_TRUE(std::isfinite(b.DB.real()));
        EXPECT_DOUBLE_EQ(b.VSWR.real(), 1);
        EXPECT_EQ(s->SdataHead[0].State(k), int16_t{kSLiveUncalibrated});
    }
    EXPECT_EQ(ev.live.size(), 2u);  // still drawn
}

TEST_F(CalibIntake, CorrectPointIgnoresBadIndices) {
    s->Smessure = 7;
    Pair(20000000, {1, 1});
    EXPECT_TRUE(ev.live.empty());
    s->Smessure = 1;
    s->Livestable = 13;
    Pair(20000000, {1, 1});
    EXPECT_TRUE(ev.live.empty());
    s->Livestable = 0;
    CorrectPoint(*s, ev, 0);
    CorrectPoint(*s, ev, 501);
    CorrectPoint(*s, ev, -3);
    EXPECT_TRUE(ev.live.empty());
}

} // namespace
