#include "display/calib/scan_calib.h"

#include "display/measure/point_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct View : ScanCalView {
    bool scanCalib = true, rdy = false;
    std::string caption;
    void ShowScanCalib(bool s) override { scanCalib = s; }
    void ShowScanCalRdy(bool s, const std::string& c) override {
        rdy = s;
        if (s)
            caption = c;
    }
};

const int32_t kF[5] = {10000000, 20000000, 30000000, 40000000, 50000000};

class ScanCal : public ::testing::Test {
protected:
    std::unique_ptr<MeasureState> s = std::make_unique<MeasureState>();
    View view;
    std::vector<std::string> mounts;
    ScanCalibration sc{*s};

    void SetUp() override {
        sc.setView(&view);
        sc.setMount([this](std::string_view f) { mounts.emplace_back(f); });
        for (int32_t f : kF)
            InsertLive(*s, f);
    }
    // The live sweep reaches point i: its reading is (plug, i), then the hook.
    void Point(int i, int plug) {
        QrgPoint& q = s->QrgPoints[FindQrg(*s, kF[i])];
        q.Mess = Cplx(100 * plug + i, -i);
        VnaDataRec r;
        r.Qrg = kF[i];
        r.Phase = 8;
        sc.AfterCorrect(r);
    }
    Cplx& Value(int i, int plug) {
        QrgPoint& q = s->QrgPoints[FindQrg(*s, kF[i])];
        Cplx* v[5] = {&q.Thru, &q.OpeD, &q.OpeB, &q.ShoB, &q.LoadB};
        return *v[plug];
    }
};

TEST_F(ScanCal, MidBandStartCapturesToTheFirstRepeatedPointThenAdvances) {
    s->QrgPoints[FindQrg(*s, kF[1])].ThruCaptured = true;  // left from before
    sc.ScanCalib_Click();
    EXPECT_FALSE(view.scanCalib);
    EXPECT_TRUE(view.rdy);
    EXPECT_EQ(view.caption, "Mount Thru");
    EXPECT_EQ(s->ScanCalState, 2);
    EXPECT_FALSE(s->QrgPoints[FindQrg(*s, kF[1])].ThruCaptured);
    Point(2, 9);  // waiting for the user: nothing captured
    EXPECT_EQ(Value(2, 0), Cplx(0, 0));

    const char* captions[5] = {"Mount Thru", "Open Detector", "Open Bridge", "Short Bridge",
                               "Lad Bridge"};
    for (int plug = 0; plug < 5; ++plug) {
        EXPECT_EQ(view.caption, captions[plug]);
        EXPECT_EQ(s->CalibrationPlug, plug);
        sc.ScanCalRdy_Click();
        EXPECT_FALSE(view.rdy);
        EXPECT_EQ(s->ScanCalState, 3);
        EXPECT_TRUE(s->ScanCalibrationON);
        sc.ScanCalRdy_Click();  // a click while capturing does nothing
        EXPECT_EQ(s->ScanCalState, 3);
        // The sweep is in the middle of the band: points 3, 4, 0, 1, 2.
        for (int i : {3, 4, 0, 1, 2})
            Point(i, plug);
        EXPECT_EQ(s->ScanCalState, 3);
        Point(3, plug + 10);  // point 3 again: the sweep is complete
        EXPECT_EQ(s->ScanCalState, 1);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(Value(i, plug), i == 3 ? Cplx(100 * (plug + 10) + 3, -3)
                                             : Cplx(100 * plug + i, -i));
        Point(4, 99);  // the next point moves on to the next standard
        EXPECT_EQ(s->ScanCalState, plug < 4 ? 2 : 0);
    }
    EXPECT_EQ(s->ScanCalState, 0);
    EXPECT_TRUE(s->scancalOK);
    EXPECT_TRUE(view.scanCalib);
    EXPECT_EQ(mounts,
              (std::vector<std::string>{"THRU", "OPEND", "OPEN", "SHORT", "LOAD", "DUT"}));
    // Idle: clicks and sweeps change nothing.
    sc.ScanCalRdy_Click();
    Point(0, 50);
    EXPECT_EQ(s->ScanCalState, 0);
    EXPECT_EQ(Value(0, 4), Cplx(400, 0));
}

} // namespace
