// The sweep range and speed controls: entry fields, modes, step buttons,
// the one-shot timer and the speed and time menus, against the texts the
// transport hands out.
#include "display/app/sweep_control.h"
#include "display/graph/skala.h"
#include "display/measure/point_list.h"
#include "link/vna.h"
#include "tests/display/app/wait_until.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <memory>

namespace {

struct Rig {
    std::unique_ptr<MeasureState> s = std::make_unique<MeasureState>();
    Skala freq;
    vna link;
    QList<QByteArray> sent;
    SweepControl sweep{*s, freq, link};

    Rig() {
        QObject::connect(&link, &vna::SendData, [this](const QByteArray& t) { sent << t; });
        freq.setLow(400000);
        freq.setHigh(610000000);
        freq.setFine(10);
        freq.setNail(5);
        freq.setMin(10000000);      // 1M
        freq.setMax(600000000);     // 60M
        sweep.FillFields();
    }
    int Count(const char* prefix) const {
        int n = 0;
        for (const auto& t : sent)
            n += t.startsWith(prefix) ? 1 : 0;
        return n;
    }
};

int argc = 1;
char arg0[] = "sweep_control_test";
char* argv[] = {arg0, nullptr};
QCoreApplication* App() {
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    return app;
}

} // namespace

TEST(SweepControl, StartFieldMovesTheRangeAndSendsOneScanAfterTheTimer) {
    App();
    Rig r;
    r.freq.setMin(5000000);  // start somewhere else first
    r.sweep.FillFields();
    r.sweep.QStart_Change("1M");
    EXPECT_EQ(r.freq.min(), 10000000);
    EXPECT_EQ(r.sweep.field(SweepControl::QStart).tag, "10000000");
    EXPECT_EQ(r.sweep.field(SweepControl::Qcent).text, "30.5M");
    EXPECT_EQ(r.sweep.field(SweepControl::QSpan).text, "59M");
    EXPECT_TRUE(r.sweep.ScanUpdateTimer().isActive());
    EXPECT_EQ(r.sweep.ScanUpdateTimer().interval(), 1000);
    EXPECT_TRUE(r.sent.isEmpty());  // nothing reaches the server before expiry

    ASSERT_TRUE(WaitUntil([&] { return r.Count("0005") == 1; }, 5000));
    ASSERT_EQ(r.sent.size(), 2);
    EXPECT_EQ(r.sent[0], "0001  0  100  10000000  600000000  0  20  24  0  1  1  1  1 ");
    EXPECT_EQ(r.sent[1], "0005  0 ");
    EXPECT_TRUE(r.sweep.NewRange());
    EXPECT_FALSE(r.sweep.ScanUpdateTimer().isActive());
}

TEST(SweepControl, OutOfRangeAndCrossedEntriesChangeNothing) {
    App();
    Rig r;
    const int32_t min = r.freq.min(), max = r.freq.max();
    r.sweep.QStart_Change("5");      // no unit letter
    r.sweep.QEnd_Change("70M");      // above 61 MHz
    r.sweep.QStart_Change("60M");    // at the end
    r.sweep.QEnd_Change("1M");       // at the start
    r.sweep.QStart_Change("150M");   // read as 100M: out of range
    EXPECT_EQ(r.freq.min(), min);
    EXPECT_EQ(r.freq.max(), max);
    EXPECT_FALSE(r.sweep.ScanUpdateTimer().isActive());
    r.sweep.QEnd_Change("50M");
    EXPECT_EQ(r.freq.max(), 500000000);
    EXPECT_EQ(r.sweep.ScanUpdateTimer().interval(), 2000);
}

TEST(SweepControl, HiddenFieldsIgnoreChangesAndModesShowTheirControls) {
    App();
    Rig r;
    EXPECT_EQ(r.sweep.mode(), 1);
    r.sweep.Qcent_Change("20M");  // hidden in start/end mode
    EXPECT_FALSE(r.sweep.ScanUpdateTimer().isActive());
    r.sweep.QScaMo_Click(0);
    EXPECT_TRUE(r.sweep.field(SweepControl::Qcent).visible);
    EXPECT_FALSE(r.sweep.field(SweepControl::QStart).visible);
    EXPECT_EQ(r.sweep.LCommand1(), "Center");
    EXPECT_EQ(r.sweep.LCommand3(), "Span");
    r.sweep.QSpan_Change("10M");
    r.sweep.Qcent_Change("20M");
    EXPECT_EQ(r.freq.min(), 150000000);
    EXPECT_EQ(r.freq.max(), 250000000);
    EXPECT_EQ(r.sweep.field(SweepControl::QStart).text, "15M");
    EXPECT_EQ(r.sweep.ScanUpdateTimer().interval(), 2000);
    r.sweep.QSpan_Change("5h");  // a span below 10 Hz is ignored
    EXPECT_EQ(r.freq.max(), 250000000);
    r.sweep.QScaMo_Click(2);
    EXPECT_TRUE(r.sweep.stepButtonsVisible());
    EXPECT_FALSE(r.sweep.labelsVisible());
    for (int f = 0; f < 4; ++f)
        EXPECT_FALSE(r.sweep.field(static_cast<SweepControl::Field>(f)).visible);
}

TEST(SweepControl, StepButtonsMoveTheScaleAndRefillTheFields) {
    App();
    Rig r;
    r.freq.setMax(20000000);  // 1M .. 2M: a division of 100K
    r.s->QrgPoints[5].ThruCaptured = true;
    r.sweep.TulBut_Click(6);  // Dn
    EXPECT_EQ(r.freq.min(), 9000000);
    EXPECT_EQ(r.freq.max(), 19000000);
    EXPECT_FALSE(r.s->QrgPoints[5].ThruCaptured);  // ClearDone
    EXPECT_EQ(r.sweep.field(SweepControl::QStart).tag, QString::number(r.freq.min()));
    EXPECT_EQ(r.sweep.field(SweepControl::Qcent).tag, QString::number(r.freq.Mid()));
    EXPECT_EQ(r.sweep.ScanUpdateTimer().interval(), 2000);
    EXPECT_TRUE(r.sweep.QrgInfoCaption().startsWith("Center= "));
    EXPECT_TRUE(r.sweep.QrgInfoCaption().contains(" Div= "));
}

TEST(SweepControl, TimeMenuCyclesThroughItsSevenValuesWritingEveryRow) {
    App();
    Rig r;
    const int16_t first = r.s->FilterTime;
    const int expect[7] = {1, 2, 4, 8, 10, 15, 20};
    for (int i = 0; i < 7; ++i) {
        r.sent.clear();
        r.sweep.TimeSlct_Click();
        EXPECT_EQ(r.s->FilterTime, expect[i]);
        EXPECT_EQ(r.sweep.TimeSlctCaption(), QString("Time=%1").arg(expect[i]));
        ASSERT_EQ(r.sent.size(), 204);
        EXPECT_EQ(r.sent.front(), QString("0003  0  0  VNATime  %1").arg(expect[i]).toLatin1());
        EXPECT_EQ(r.sent.back(), QString("0003  0  203  VNATime  %1").arg(expect[i]).toLatin1());
    }
    EXPECT_EQ(r.s->FilterTime, first);
    r.s->FilterTime = 3;  // not one of the seven: stays, nothing sent
    r.sent.clear();
    r.sweep.TimeSlct_Click();
    EXPECT_EQ(r.s->FilterTime, 3);
    EXPECT_TRUE(r.sent.isEmpty());
}

TEST(SweepControl, SpeedMenuFollowsTheInstrumentType) {
    App();
    Rig r;
    r.sweep.setVNAType(0);
    r.sweep.SpeedSelect_Click();
    EXPECT_EQ(r.sweep.SpeedSelectCaption(), "Speed=0");
    EXPECT_TRUE(r.sent.isEmpty());

    r.sweep.setVNAType(1);
    for (int expect : {1, 2, 3, 0}) {
        r.sent.clear();
        r.sweep.SpeedSelect_Click();
        EXPECT_EQ(r.sweep.SpeedSelectCaption(), QString("Speed=%1").arg(expect));
        ASSERT_EQ(r.sent.size(), 204);
        EXPECT_EQ(r.sent[17], QString("0003  0  17  adcspeed  %1").arg(expect).toLatin1());
    }

    r.sweep.setVNAType(2);
    r.s->SpeedSelected = 2;
    r.sent.clear();
    r.sweep.SpeedSelect_Click();
    EXPECT_EQ(r.s->SpeedSelected, 2);
    EXPECT_TRUE(r.sent.isEmpty());
}

TEST(SweepControl, TimerExpirySendsTheClampedRangeAndDropsOldPoints) {
    App();
    Rig r;
    InsertLive(*r.s, 12345678);
    ASSERT_EQ(r.s->LiveCount, 3);
    r.s->ControlBytes[0] = 12;
    r.sweep.ScanUpdateTimer_Timer();
    ASSERT_EQ(r.sent.size(), 2);
    EXPECT_EQ(r.sent[0], "0001  0  100  10000000  600000000  0  20  24  12  1  1  1  1 ");
    EXPECT_EQ(r.s->LiveCount, 2);  // InitLiv
}
