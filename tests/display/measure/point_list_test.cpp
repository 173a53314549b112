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

TEST(PointList, DefaultSweepGivesOneHundredAndThreeLiveRecords) {
    MeasureState s;
    const int32_t start = 500000, end = 600500000;
    const int steps = s.VnaScanSize;
    // Rows 2 and up: entries 1..101, each an in-phase and a quadrature row.
    for (int sweep = 0; sweep < 3; ++sweep) {
        for (int k = 0; k <= steps; ++k) {
            const int32_t f = start + static_cast<int32_t>(static_cast<int64_t>(end - start) * k / steps);
            const int16_t p = InsertLive(s, f);
            ASSERT_NE(p, kNoRecord);
            s.QrgPoints[p].MessRealPresent = true;
            if (sweep == 0) {
                EXPECT_FALSE(s.QrgPoints[p].Complete()) << "only the in-phase reading is there";
            }
            EXPECT_EQ(InsertLive(s, f), p);
            s.QrgPoints[p].MessImagPresent = true;
            EXPECT_TRUE(s.QrgPoints[p].Complete());
        }
    }
    EXPECT_EQ(s.LiveCount, 103);
    const auto walk = Walk(s);
    ASSERT_EQ(walk.size(), 101u);
    EXPECT_EQ(walk.front(), start);
    EXPECT_EQ(walk.back(), end);
    EXPECT_TRUE(std::is_sorted(walk.begin(), walk.end()));
    ExpectRingsSound(s);

    // A new range: the points are forgotten, their records reused with their
    // old values but without their present flags, so the first reading at
    // the new frequency is not paired with a reading of the old one.
    s.QrgPoints[2].Mess = Cplx(11, 22);
    InitLiv(s);
    EXPECT_EQ(s.LiveCount, 2);
    EXPECT_TRUE(Walk(s).empty());
    const int16_t p = InsertLive(s, 1234567);
    EXPECT_EQ(p, 2);
    EXPECT_EQ(s.QrgPoints[p].Qrg, 1234567);
    EXPECT_EQ(s.QrgPoints[p].Mess, Cplx(11, 22));
    EXPECT_FALSE(s.QrgPoints[p].MessRealPresent);
    EXPECT_FALSE(s.QrgPoints[p].MessImagPresent);
    s.QrgPoints[p].MessRealPresent = true;
    EXPECT_FALSE(s.QrgPoints[p].Complete());
    ExpectRingsSound(s);
}

TEST(PointList, FullTableRefusesNewPointsAndKeepsTheListsSound) {
    MeasureState s;
    for (int i = 0; i < kQrgPointCount - 2; ++i)
        ASSERT_EQ(InsertLive(s, 1000 + 10 * i), i + 2);
    EXPECT_EQ(s.LiveCount, kQrgPointCount);
    EXPECT_EQ(s.DeadHead, kNoRecord);
    EXPECT_EQ(GetDead(s), kNoRecord);
    EXPECT_EQ(InsertLive(s, 5), kNoRecord);        // below every point
    EXPECT_EQ(InsertLive(s, 1005), kNoRecord);     // between two points
    EXPECT_EQ(InsertLive(s, 1010), 3);             // an existing point is still found
    EXPECT_EQ(s.LiveCount, kQrgPointCount);
    ExpectRingsSound(s);

    // Freeing one point makes room for exactly one new one.
    int16_t p = FindQrg(s, 1020);
    EXPECT_EQ(GetLive(s, p), 4);
    EXPECT_EQ(p, 5);  // the argument moved on to the former next
    AddDead(s, 4);
    EXPECT_EQ(s.DeadHead, 4);
    ExpectRingsSound(s);
    EXPECT_EQ(InsertLive(s, 7), 4);
    EXPECT_EQ(InsertLive(s, 8), kNoRecord);
    EXPECT_EQ(Walk(s).front(), 7);
    ExpectRingsSound(s);
}

TEST(PointList, EndValuesAndBadIndicesNeverTouchTheEndRecords) {
    MeasureState s;
    InsertLive(s, 100);
    EXPECT_EQ(InsertLive(s, std::numeric_limits<int32_t>::max()), kNoRecord);
    EXPECT_EQ(InsertLive(s, std::numeric_limits<int32_t>::min()), kNoRecord);
    EXPECT_EQ(FindQrg(s, std::numeric_limits<int32_t>::min()), kLowerEnd);
    EXPECT_EQ(FindQrg(s, std::numeric_limits<int32_t>::max()), kUpperEnd);
    const int16_t low = InsertLive(s, std::numeric_limits<int32_t>::min() + 1);
    const int16_t high = InsertLive(s, std::numeric_limits<int32_t>::max() - 1);
    EXPECT_GE(low, 2);
    EXPECT_GE(high, 2);
    EXPECT_EQ(Walk(s), (std::vector<int32_t>{std::numeric_limits<int32_t>::min() + 1, 100,
                                             std::numeric_limits<int32_t>::max() - 1}));
    int16_t end = kLowerEnd;
    EXPECT_EQ(GetLive(s, end), kNoRecord);
    end = kUpperEnd;
    EXPECT_EQ(GetLive(s, end), kNoRecord);
    int16_t bad = 501;
    EXPECT_EQ(GetLive(s, bad), kNoRecord);
    AddDead(s, kLowerEnd);
    AddDead(s, -3);
    AddLive(s, kUpperEnd, kLowerEnd);
    AddLive(s, 600, kLowerEnd);
    EXPECT_EQ(NextLive(s, -1), kUpperEnd);
    EXPECT_EQ(NextLive(s, 999), kUpperEnd);
    EXPECT_EQ(s.LiveCount, 5);
    ExpectRingsSound(s);
}

TEST(PointList, StaleMarksAreRemovedAndReplacedOnInsert) {
    MeasureState s;
    int16_t idx[5];
    for (int i = 0; i < 5; ++i)
        idx[i] = InsertLive(s, 100 * (i + 1));  // 100 .. 500
    s.QrgPoints[idx[0]].mark = 1;
    s.QrgPoints[idx[2]].mark = 1;
    s.QrgPoints[idx[4]].mark = 1;
    s.QrgPoints[idx[2]].MessRealPresent = true;
    s.QrgPoints[idx[2]].MessImagPresent = true;

    // Inserting at a stale point frees it and makes a fresh record.
    const int16_t fresh = InsertLive(s, 300);
    EXPECT_NE(fresh, kNoRecord);
    EXPECT_EQ(s.QrgPoints[fresh].mark, 0);
    EXPECT_FALSE(s.QrgPoints[idx[2]].MessRealPresent);  // freed: flags cleared
    EXPECT_EQ(s.LiveCount, 7);
    ExpectRingsSound(s);

    // Inserting just above a stale point frees the stale point below it; a
    // stale point above the new frequency stays until it is tidied.
    InsertLive(s, 150);
    InsertLive(s, 450);
    EXPECT_EQ(Walk(s), (std::vector<int32_t>{150, 200, 300, 400, 450, 500}));
    ExpectRingsSound(s);

    s.QrgPoints[FindQrg(s, 200)].mark = 1;
    RemoveMarked(s);
    EXPECT_EQ(Walk(s), (std::vector<int32_t>{150, 300, 400, 450}));
    EXPECT_EQ(s.LiveCount, 6);
    ExpectRingsSound(s);
    // The search still works after its start point was removed.
    EXPECT_EQ(s.QrgPoints[FindQrg(s, 250)].Qrg, 150);
    EXPECT_EQ(s.QrgPoints[FindQrg(s, 460)].Qrg, 450);
}

TEST(PointList, RandomOperationsAgreeWithASortedSet) {
    MeasureState s;
    std::mt19937 rng(7);
    std::set<int32_t> model;
    for (int round = 0; round < 4000; ++round) {
        const int op = static_cast<int>(rng() % 10);
        const int32_t f = static_cast<int32_t>(rng() % 2000) * 1000 - 500000;
        if (op < 6) {
            const int16_t p = InsertLive(s, f);
            if (model.count(f) || model.size() < kQrgPointCount - 2) {
                ASSERT_NE(p, kNoRecord);
                EXPECT_EQ(s.QrgPoints[p].Qrg, f);
                model.insert(f);
            } else {
                EXPECT_EQ(p, kNoRecord);
            }
        } else if (op < 8) {
            const int16_t p = FindQrg(s, f);
            auto it = model.upper_bound(f);
            if (it == model.begin()) {
                EXPECT_EQ(p, kLowerEnd);
            } else {
                EXPECT_EQ(s.QrgPoints[p].Qrg, *std::prev(it));
            }
        } else if (op == 8) {
            // Mark a few points stale and tidy the list.
            for (int16_t p = NextLive(s, kLowerEnd); p != kUpperEnd; p = NextLive(s, p)) {
                if (rng() % 4 == 0) {
                    s.QrgPoints[p].mark = 1;
                    model.erase(s.QrgPoints[p].Qrg);
                }
            }
            RemoveMarked(s);
        } else if (rng() % 50 == 0) {
            InitLiv(s);
            model.clear();
        }
        ASSERT_EQ(s.LiveCount, static_cast<int>(model.size()) + 2);
    }
    EXPECT_EQ(Walk(s), std::vector<int32_t>(model.begin(), model.end()));
    ExpectRingsSound(s);
}

TEST(PointList, ClearDoneForgetsEveryCapturedValue) {
    MeasureState s;
    for (auto& r : s.QrgPoints) {
        r.ThruCaptured = r.OpeDCaptured = r.OpeBCaptured = r.ShoBCaptured = r.LoadBCaptured = true;
        r.MessRealPresent = true;
    }
    s.scancalOK = true;
    ClearDone(s);
    EXPECT_FALSE(s.scancalOK);
    for (const auto& r : s.QrgPoints) {
        EXPECT_FALSE(r.ThruCaptured || r.OpeDCaptured || r.OpeBCaptured || r.ShoBCaptured ||
                     r.LoadBCaptured);
        EXPECT_TRUE(r.MessRealPresent);  // the readings are not touched
    }
}

TEST(MeasureState, RecordLogWrapsAfterTwoHundredAndOne) {
    MeasureState s;
    EXPECT_EQ(s.Smessure, 1);
    EXPECT_EQ(s.VnaScanSize, 100);
    EXPECT_EQ(s.FilterTime, 20);
    EXPECT_EQ(s.Livestable, 0);
    for (int i = 0; i < 205; ++i) {
        VnaDataRec r;
        r.idx = static_cast<int16_t>(i);
        s.LogRecord(r);
    }
    EXPECT_EQ(s.VnaDataNext, 4);
    EXPECT_EQ(s.VnaData[0].idx, 201);
    EXPECT_EQ(s.VnaData[3].idx, 204);
    EXPECT_EQ(s.VnaData[4].idx, 4);
    EXPECT_EQ(s.VnaData[200].idx, 200);
    s.VnaDataNext = 999;  // damaged: starts again at 0 instead of writing out of bounds
    s.LogRecord(VnaDataRec{});
    EXPECT_EQ(s.VnaDataNext, 1);
}
