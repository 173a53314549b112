#include "display/measure/point_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <random>
#include <set>
#include <vector>

namespace {

std::vector<int32_t> Walk(const MeasureState& s) {
    std::vector<int32_t> out;
    for (int16_t p = NextLive(s, kLowerEnd); p != kUpperEnd; p = NextLive(s, p)) {
        out.push_back(s.QrgPoints[p].Qrg);
        if (out.size() > kQrgPointCount)
            break;  // a broken ring; the test fails below
    }
    return out;
}

// Every record is in exactly one ring, the live ring is sorted and doubly
// linked, and LiveCount matches.
void ExpectRingsSound(const MeasureState& s) {
    const auto& q = s.QrgPoints;
    std::set<int> seen;
    int live = 0;
    int16_t p = kLowerEnd;
    do {
        EXPECT_TRUE(seen.insert(p).second) << "record " << p << " twice in the live ring";
        EXPECT_EQ(q[q[p].next].prev, p);
        if (p != kUpperEnd) {
            EXPECT_LT(q[p].Qrg, q[q[p].next].Qrg);
        }
        p = q[p].next;
        ++live;
    } while (p != kLowerEnd && live <= kQrgPointCount);
    EXPECT_EQ(live, s.LiveCount);
    int dead = 0;
    if (s.DeadHead != kNoRecord) {
        p = s.DeadHead;
        do {
            EXPECT_TRUE(seen.insert(p).second) << "record " << p << " in both rings";
            EXPECT_EQ(q[q[p].next].prev, p);
            p = q[p].next;
            ++dead;
        } while (p != s.DeadHead && dead <= kQrgPointCount);
    }
    EXPECT_EQ(live + dead, kQrgPointCount);
}

} // namespace

TEST(PointList, FreshListsAreEmptyAndHandOutRecordsInOrder) {
    auto s = std::make_unique<MeasureState>();
    EXPECT_EQ(s->LiveCount, 2);
    EXPECT_EQ(s->DeadHead, 2);
    EXPECT_EQ(s->QrgPoints[kUpperEnd].Qrg, std::numeric_limits<int32_t>::max());
    EXPECT_EQ(s->QrgPoints[kLowerEnd].Qrg, std::numeric_limits<int32_t>::min());
    EXPECT_EQ(FindQrg(*s, 12345), kLowerEnd);
    EXPECT_EQ(FindQrg(*s, -5), kLowerEnd);
    EXPECT_EQ(NextLive(*s, NextLive(*s, kLowerEnd)), kLowerEnd);
    EXPECT_EQ(NextLive(*s, kLowerEnd), kUpperEnd);
    EXPECT_TRUE(Walk(*s).empty());
    ExpectRingsSound(*s);
    EXPECT_EQ(GetDead(*s), 2);
    EXPECT_EQ(GetDead(*s), 3);
    EXPECT_EQ(GetDead(*s), 4);
    EXPECT_EQ(s->DeadHead, 5);
}

TEST(PointList, InsertKeepsFrequencyOrderAndReusesPoints) {
    MeasureState s;
    const int16_t a = InsertLive(s, 100);
    const int16_t c = InsertLive(s, 300);
    const int16_t b = InsertLive(s, 200);
    EXPECT_EQ(Walk(s), (std::vector<int32_t>{100, 200, 300}));
    EXPECT_EQ(s.LiveCount, 5);
    EXPECT_EQ(InsertLive(s, 200), b);
    EXPECT_EQ(s.LiveCount, 5);
    EXPECT_EQ(FindQrg(s, 250), b);
    EXPECT_EQ(FindQrg(s, 300), c);
    EXPECT_EQ(FindQrg(s, 100), a);
    EXPECT_EQ(FindQrg(s, 50), kLowerEnd);
    EXPECT_EQ(FindQrg(s, 999999), c);  // above all points: the highest point
    EXPECT_EQ(FindQrg(s, 299), b);
    ExpectRingsSound(s);
}
