#include "display/graph/skala.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

// A scale set up the way the owners do it: Ticks, Fine, limits, then the range.
std::unique_ptr<Skala> MakeScale(int32_t low, int32_t high, int32_t min, int32_t max,
                                 const char* ticks = "1,2,5", int16_t fine = 10) {
    auto s = std::make_unique<Skala>();
    s->setTicks(ticks);
    s->setFine(fine);
    s->setLow(low);
    s->setHigh(high);
    s->setMin(min);
    s->setMax(max);
    return s;
}

Skala::StepTable Table(std::initializer_list<int16_t> head) {
    Skala::StepTable t;
    t.fill(Skala::kEndMark);
    int i = 0;
    for (int16_t v : head)
        t[i++] = v;
    return t;
}

} // namespace

TEST(Skala, InitialStateAndRangeChange) {
    Skala s;
    EXPECT_EQ(s.Div(), 1);
    EXPECT_EQ(s.max(), 0);
    EXPECT_EQ(s.min(), 0);
    EXPECT_EQ(s.Fine(), 0);
    EXPECT_FALSE(s.Reverse());
    EXPECT_TRUE(s.Ticks().isEmpty());
    EXPECT_EQ(s.Steps(), Skala::StepTable{});

    QSignalSpy spy(&s, &Skala::NewDivision);
    s.setLow(-1000);
    s.setHigh(1000);
    s.setMin(-30);
    s.setMax(100);  // a range of 130: Div 13, not snapped to the steps
    EXPECT_EQ(spy.count(), 2);
    EXPECT_EQ(s.Div(), 13);
    EXPECT_EQ(s.Mid(), 35);
    EXPECT_EQ(s.valu(5), -30 + 65);
    EXPECT_EQ(s.valu(0), -30);
    EXPECT_EQ(s.valu(10), 100);
    EXPECT_EQ(s.valu(2.5), 2);  // 13 * 2.5 - 30 = 2.5, halves to even
    EXPECT_EQ(s.valu(-0.1), 0);
    EXPECT_EQ(s.valu(10.5), 0);
    s.Up();
    EXPECT_EQ(s.max(), 113);
    EXPECT_EQ(s.min(), -17);
    EXPECT_EQ(s.Mid(), 48);
    s.Dn();
    s.Dn();
    EXPECT_EQ(s.min(), -43);
    EXPECT_EQ(spy.count(), 2);  // Up and Dn raise nothing

    // Rounding of the division and of the min let.
    s.setMin(0);
    s.setMax(125);
    EXPECT_EQ(s.Div(), 12);  // 12.5 -> 12
    s.setMax(135);
    EXPECT_EQ(s.Div(), 14);  // 13.5 -> 14
    s.setMin(2.5);
    EXPECT_EQ(s.min(), 2);
    s.setMin(3.5);
    EXPECT_EQ(s.min(), 4);

    // The Div let leaves max alone.
    s.setDiv(7);
    EXPECT_EQ(s.Div(), 7);
    EXPECT_EQ(s.max(), 135);
    EXPECT_EQ(s.Mid(), 4 + 35);
}

TEST(Skala, UpAndDnStopAtTheLimits) {
    auto s = MakeScale(-200, 200, -100, 100);
    ASSERT_EQ(s->Div(), 20);
    for (int i = 0; i < 10; ++i)
        s->Up();
    EXPECT_EQ(s->max(), 200);  // max + Div may reach High exactly
    EXPECT_EQ(s->min(), 0);
    for (int i = 0; i < 20; ++i)
        s->Dn();
    EXPECT_EQ(s->min(), -200);
    EXPECT_EQ(s->max(), 0);
}

TEST(Skala, TicksBuildTheStepTable) {
    Skala s;
    s.setTicks("1,2,5");
    EXPECT_EQ(s.Steps(), Table({1, 2, 5}));
    s.setTicks("1,3,6,9");
    EXPECT_EQ(s.Steps(), Table({1, 3, 6, 9}));
    s.setTicks(" 1 , 2 , 5 ");
    EXPECT_EQ(s.Steps(), Table({1, 2, 5}));
    EXPECT_EQ(s.Ticks(), " 1 , 2 , 5 ");
    s.setTicks("1,2,12");
    EXPECT_EQ(s.Steps(), Table({1, 2, 12}));
    s.setTicks("2.5");
    EXPECT_EQ(s.Steps(), Table({2}));  // 2.5 rounds to 2; the 5 starts nothing
    s.setTicks("3.5,x7");
    EXPECT_EQ(s.Steps(), Table({4, 7}));
    s.setTicks("1 2,5");
    EXPECT_EQ(s.Steps(), Table({12, 5}));  // blanks inside a number are skipped
    s.setTicks("");
    EXPECT_EQ(s.Steps(), Table({}));
    s.setTicks("1,2,3,4,5,6,7,8,9,1,2");  // eleven numbers fill every slot
    EXPECT_EQ(s.Steps(), (Skala::StepTable{1, 2, 3, 4, 5, 6, 7, 8, 9, 1, 2}));

    // Refused: twelve numbers, or a number beyond 16 bits; text and table stay.
    s.setTicks("1,2,5");
    s.setTicks("1,2,3,4,5,6,7,8,9,1,2,3");
    EXPECT_EQ(s.Ticks(), "1,2,5");
    EXPECT_EQ(s.Steps(), Table({1, 2, 5}));
    s.setTicks("1,99999");
    EXPECT_EQ(s.Ticks(), "1,2,5");
    EXPECT_EQ(s.Steps(), Table({1, 2, 5}));
}

TEST(Skala, NextLargerAndSmallerSteps) {
    Skala s;
    s.setTicks("1,2,5");
    int32_t d = 1;
    const int32_t up[] = {2, 5, 10, 20, 50, 100, 200};
    for (int32_t want : up) {
        d = *s.NextLargerStep(d);
        EXPECT_EQ(d, want);
    }
    EXPECT_EQ(s.NextLargerStep(7), 10);
    EXPECT_EQ(s.NextLargerStep(3), 10);   // 5's successor is the end mark
    EXPECT_EQ(s.NextLargerStep(70), 100);
    const int32_t down[] = {50, 20, 10, 5, 2, 1, 1};
    d = 100;
    for (int32_t want : down) {
        d = *s.NextSmallerStep(d);
        EXPECT_EQ(d, want);
    }
    EXPECT_EQ(s.NextSmallerStep(70), 20);  // above every entry: the second-to-last
    EXPECT_EQ(s.NextSmallerStep(3), 2);
    // Leading parts with no entry (the range change can give 13, 15, 25).
    EXPECT_FALSE(s.NextLargerStep(13));
    EXPECT_FALSE(s.NextSmallerStep(150));
    EXPECT_FALSE(s.NextLargerStep(25));
    // Steps that would not fit 32 bits.
    EXPECT_FALSE(s.NextLargerStep(2000000000));
    EXPECT_EQ(s.NextLargerStep(1000000000), 2000000000);

    s.setTicks("1,3,6,9");
    EXPECT_EQ(s.NextLargerStep(9), 10);
    EXPECT_EQ(s.NextSmallerStep(10), 9);
    EXPECT_EQ(s.NextSmallerStep(60), 30);
    s.setTicks("2");  // one entry
    EXPECT_EQ(s.NextLargerStep(2), 20);
    EXPECT_EQ(s.NextSmallerStep(3), 2);
    EXPECT_EQ(s.NextSmallerStep(20), 2);
    Skala empty;  // no Ticks set: nothing found, never a loop or a crash
    EXPECT_FALSE(empty.NextLargerStep(5));
    EXPECT_FALSE(empty.NextSmallerStep(5));
    empty.setTicks("");
    EXPECT_FALSE(empty.NextSmallerStep(1));
}

TEST(Skala, DivisionStepsKeepTheNail) {
    auto s = MakeScale(-200, 200, -100, 100);  // Div 20
    s->setNail(5);
    QSignalSpy spy(s.get(), &Skala::NewDivision);
    s->DecDiv();  // 20 -> 10 around the middle value 0
    EXPECT_EQ(s->Div(), 10);
    EXPECT_EQ(s->min(), -50);
    EXPECT_EQ(s->max(), 50);
    EXPECT_EQ(s->Mid(), 0);
    EXPECT_EQ(spy.count(), 1);

    s->setNail(10);  // the top line stays at 50
    s->IncDiv();
    EXPECT_EQ(s->Div(), 20);
    EXPECT_EQ(s->max(), 50);
    EXPECT_EQ(s->min(), -150);
    s->IncDiv();  // 50 would need min -450: refused, range unchanged
    EXPECT_EQ(s->Div(), 20);
    EXPECT_EQ(s->max(), 50);
    EXPECT_EQ(s->min(), -150);
    EXPECT_EQ(spy.count(), 3);

    // max at High with the nail below 10: nothing changes.
    auto t = MakeScale(-200, 200, 0, 200);
    t->setNail(0);
    t->IncDiv();
    EXPECT_EQ(t->Div(), 20);
    EXPECT_EQ(t->max(), 200);
    EXPECT_EQ(t->min(), 0);
    // Room must exceed the growth: an exact fit counts as not fitting.
    auto u = MakeScale(-150, 150, -50, 50);
    u->setNail(5);
    u->IncDiv();  // 10 -> 20 needs -100..100: room 100 > growth 50, fits
    EXPECT_EQ(u->Div(), 20);
    EXPECT_EQ(u->min(), -100);
    u->IncDiv();  // 20 -> 50 needs -250..250: refused
    EXPECT_EQ(u->Div(), 20);
    auto x = MakeScale(-100, 100, -50, 50);
    x->setNail(5);
    x->IncDiv();  // 10 -> 20 needs exactly -100..100: refused
    EXPECT_EQ(x->Div(), 10);
    EXPECT_EQ(x->max(), 50);

    // DecDiv at 1 stays at 1.
    auto one = MakeScale(-200, 200, 0, 10);
    ASSERT_EQ(one->Div(), 1);
    one->setNail(0);
    one->DecDiv();
    EXPECT_EQ(one->Div(), 1);
    EXPECT_EQ(one->min(), 0);
    EXPECT_EQ(one->max(), 10);

    // A division with no entry stays as it is.
    auto odd = MakeScale(-1000, 1000, -30, 100);
    ASSERT_EQ(odd->Div(), 13);
    odd->IncDiv();
    EXPECT_EQ(odd->Div(), 13);
    EXPECT_EQ(odd->max(), 100);
    odd->DecDiv();
    EXPECT_EQ(odd->Div(), 13);
    EXPECT_EQ(odd->min(), -30);

    s->setNail(11);
    EXPECT_EQ(s->Nail(), 10);
    s->setNail(-1);
    EXPECT_EQ(s->Nail(), 10);
}

TEST(Skala, FineStepsRoundEachBound) {
    auto s = MakeScale(-1000, 1000, 50, 100);  // Div 5
    ASSERT_EQ(s->Div(), 5);
    QSignalSpy spy(s.get(), &Skala::NewDivision);
    s->FineUp();  // 100.5 -> 100, 50.5 -> 50
    EXPECT_EQ(s->max(), 100);
    EXPECT_EQ(s->min(), 50);
    s->setMax(101);  // Div (101 - 50)/10 = 5.1 -> 5
    ASSERT_EQ(s->Div(), 5);
    s->FineUp();  // 101.5 -> 102, 50.5 -> 50
    EXPECT_EQ(s->max(), 102);
    EXPECT_EQ(s->min(), 50);
    s->FineDn();  // 101.5 -> 102, 49.5 -> 50
    EXPECT_EQ(s->max(), 102);
    EXPECT_EQ(s->min(), 50);
    EXPECT_EQ(spy.count(), 4);

    // No limit check on fine steps.
    auto t = MakeScale(0, 100, 0, 100, "1,2,5", 2);
    t->FineUp();
    EXPECT_EQ(t->max(), 105);
    // Fine 0 moves nothing and divides by nothing.
    t->setFine(0);
    QSignalSpy tspy(t.get(), &Skala::NewDivision);
    t->FineUp();
    t->FineDn();
    EXPECT_EQ(t->max(), 105);
    EXPECT_EQ(tspy.count(), 0);
}

TEST(Skala, CenterSnapsTheNailLine) {
    auto s = MakeScale(-200, 200, -93, 107);  // Div 20, nail 5 at 7
    s->setNail(5);
    QSignalSpy spy(s.get(), &Skala::NewDivision);
    s->Center();
    EXPECT_EQ(s->valu(5), 0);
    EXPECT_EQ(s->min(), -100);
    EXPECT_EQ(s->max(), 100);
    EXPECT_EQ(s->Mid(), 0);
    EXPECT_EQ(spy.count(), 1);

    // A half division rounds to the even multiple: 30 / 20 = 1.5 -> 2 -> 40.
    auto h = MakeScale(-500, 500, -70, 130);
    h->setNail(5);
    h->Center();
    EXPECT_EQ(h->valu(5), 40);

    // A shift past a limit moves nothing but still raises the event.
    auto t = MakeScale(-13, 187, -13, 187);  // Div 20, the top line 187 is the nail
    t->setNail(10);
    QSignalSpy tspy(t.get(), &Skala::NewDivision);
    t->Center();  // 187 -> 180: min would be -20 < Low
    EXPECT_EQ(t->max(), 187);
    EXPECT_EQ(t->min(), -13);
    EXPECT_EQ(tspy.count(), 1);

    // Div 0 (max == min) does not divide by zero.
    auto z = MakeScale(-10, 10, 3, 3);
    ASSERT_EQ(z->Div(), 0);
    z->Center();
    EXPECT_EQ(z->min(), 3);
}

TEST(Skala, PointsAndValues) {
    auto s = MakeScale(-200, 200, -100, 100);
    s->setOffset(10);
    s->setPoints(400);
    EXPECT_EQ(s->GetPoint(-100), 10);
    EXPECT_EQ(s->GetPoint(100), 410);
    EXPECT_EQ(s->GetPoint(0), 210);
    EXPECT_EQ(s->GetPoint(150), 410);   // within the limits, beyond max: window edge
    EXPECT_EQ(s->GetPoint(-150), 10);
    EXPECT_EQ(s->GetPoint(250), 410);   // above High
    EXPECT_EQ(s->GetPoint(-250), 10);   // below Low
    EXPECT_EQ(s->GetPoint(0.25), 210);  // 210.5 -> 210
    EXPECT_EQ(s->GetPoint(0.75), 212);  // 211.5 -> 212
    EXPECT_DOUBLE_EQ(s->GetValue(10), -100);
    EXPECT_DOUBLE_EQ(s->GetValue(410), 100);
    EXPECT_DOUBLE_EQ(s->GetValue(610), 200);  // not clamped

    s->setReverse(true);
    EXPECT_EQ(s->GetPoint(100), 10);
    EXPECT_EQ(s->GetPoint(-100), 410);
    EXPECT_EQ(s->GetPoint(250), 10);    // above High on a reversed axis: the top
    EXPECT_EQ(s->GetPoint(-250), 410);
    EXPECT_EQ(s->GetPoint(50), 110);
    EXPECT_DOUBLE_EQ(s->GetValue(10), 100);
    EXPECT_DOUBLE_EQ(s->GetValue(110), 50);
    EXPECT_EQ(s->GetPoint(std::nan("")), 410);

    // Degenerate set-ups never divide by zero.
    auto z = MakeScale(-10, 10, 5, 5);
    z->setOffset(7);
    z->setPoints(100);
    EXPECT_EQ(z->GetPoint(5), 7);
    z->setPoints(0);
    z->setMax(9);
    EXPECT_EQ(z->GetPoint(7), 7);
    EXPECT_DOUBLE_EQ(z->GetValue(50), 5);
    z->setReverse(true);
    EXPECT_DOUBLE_EQ(z->GetValue(50), 9);
}

TEST(Skala, GetValueInvertsGetPointOverTheWholeRange) {
    struct Case { int32_t low, high, min, max, offset, points; bool reverse; };
    const Case cases[] = {
        {-200, 200, -100, 100, 0, 400, true},
        {-360, 360, -150, 150, 20, 333, true},
        {1, 100, 1, 11, 5, 250, true},
        {400000, 610000000, 500000, 600500000, 30, 701, false},
    };
    for (const Case& c : cases) {
        auto s = MakeScale(c.low, c.high, c.min, c.max);
        s->setOffset(c.offset);
        s->setPoints(c.points);
        s->setReverse(c.reverse);
        const double perPixel = (double(c.max) - c.min) / c.points;
        const int steps = 2000;
        for (int i = 0; i <= steps; ++i) {
            const double v = c.min + (double(c.max) - c.min) * i / steps;
            const int32_t px = s->GetPoint(v);
            ASSERT_GE(px, c.offset);
            ASSERT_LE(px, c.offset + c.points);
            EXPECT_LE(std::abs(s->GetValue(px) - v), perPixel / 2 + 1e-9)
                << "value " << v << " pixel " << px;
        }
        // And every pixel maps to a value that maps back to the same pixel.
        for (int32_t px = c.offset; px <= c.offset + c.points; ++px)
            EXPECT_EQ(s->GetPoint(s->GetValue(px)), px);
    }
}

TEST(Skala, FrequencyScaleOfTheMainWindow) {
    Skala s;
    s.setTicks("1,2,5");
    s.setLow(400000);
    s.setHigh(610000000);
    s.setFine(10);
    s.setNail(5);
    s.setMin(500000);
    s.setMax(s.min() + 600000000);
    EXPECT_EQ(s.Div(), 60000000);
    EXPECT_EQ(s.Mid(), 300500000);
    s.DecDiv();  // 6e7 has the leading part 6: the second-to-last entry, 2e7
    EXPECT_EQ(s.Div(), 20000000);
    EXPECT_EQ(s.valu(5), 300500000);
    EXPECT_EQ(s.min(), 200500000);
    EXPECT_EQ(s.max(), 400500000);
    s.IncDiv();  // 2e7 -> 5e7 around the same middle: 50.5 MHz .. 550.5 MHz fits
    EXPECT_EQ(s.Div(), 50000000);
    EXPECT_EQ(s.min(), 50500000);
    s.IncDiv();  // 1e8 would reach below Low
    EXPECT_EQ(s.Div(), 50000000);
}
