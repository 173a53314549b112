// The scan loop on a recording port: the order of port accesses, control
// values, the converter read, stopping, restarting without nesting, the
// empty table and the rate.

#include "server/engine/vna01.h"
#include "fake_port.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>

using engine::VNA01;
using engine::VnaResult;

namespace {

struct Recorder : engine::VnaEvents {
    std::vector<int16_t> states;
    std::vector<engine::DataRecord> records;
    std::vector<int16_t> rates;
    std::vector<std::string> notices;
    int endScans = 0;
    // Marks in the port log where each DataReady happened.
    std::vector<size_t> recordAt;
    enginetest::FakePort* port = nullptr;
    std::function<void(int16_t)> onState;
    std::function<void(const engine::DataRecord&)> onRecord;
    std::function<void()> onEnd;

    void Stateinfo(int16_t s) override {
        states.push_back(s);
        if (onState) onState(s);
    }
    void Rateinfo(int16_t r) override { rates.push_back(r); }
    void DataReady(const engine::DataRecord& d) override {
        records.push_back(d);
        if (port) recordAt.push_back(port->log.size());
        if (onRecord) onRecord(d);
    }
    void EndScan() override {
        ++endScans;
        if (onEnd) onEnd();
    }
    void Notice(const std::string& t) override { notices.push_back(t); }
};

struct Loop : ::testing::Test {
    enginetest::FakePort port;
    Recorder ev;
    VNA01 vna{port, ev};
    std::vector<int32_t> priority;
    Loop() {
        ev.port = &port;
        vna.setPriorityHook([this](int32_t c) {
            priority.push_back(c);
            return true;
        });
    }
    // Stops the loop after n state reports of the given code.
    void StopAfter(int16_t code, int n) {
        ev.onState = [this, code, n, count = 0](int16_t s) mutable {
            if (s == code && ++count >= n) vna.setRunning(false);
        };
    }
};

TEST_F(Loop, EveryIterationWritesFourTimesThenReadsStatus) {
    ASSERT_EQ(vna.SetUpScan(0, 3, 1000000, 4000000, 0, 1, 24, 0, 0, 0, 0, 0), VnaResult::Ok);
    ev.onEnd = [this] { vna.Stopscan(); };
    ASSERT_EQ(vna.NewScan(0), VnaResult::Ok);
    ASSERT_EQ(ev.endScans, 1);
    const auto& log = port.log;
    ASSERT_GT(log.size(), 500u);
    size_t i = 0, groups = 0;
    while (i < log.size()) {
        ASSERT_LE(i + 5, log.size());
        EXPECT_EQ(log[i].reg, 'C');
        EXPECT_EQ(log[i + 1].reg, 'D');
        EXPECT_EQ(log[i + 2].reg, 'C');
        EXPECT_EQ(log[i + 3].reg, 'D');
        EXPECT_EQ(log[i + 4].op, 'R');
        EXPECT_EQ(log[i + 4].reg, 'S');
        // Clocks rise only where they may: serial clock in the second data
        // write, converter clock in the first.
        EXPECT_EQ(log[i + 1].value & 0x04, 0);
        EXPECT_EQ(log[i + 3].value & 0x20, 0);
        EXPECT_EQ(log[i + 1].value & 0x90, 0); // bits 4 and 7 never set
        EXPECT_EQ(log[i + 3].value & 0x90, 0);
        // Synthesizer data stable across the clock.
        EXPECT_EQ(log[i + 1].value & 0x03, log[i + 3].value & 0x03);
        i += 5;
        ++groups;
    }
    EXPECT_EQ(groups, vna.iterations());
    EXPECT_EQ(ev.states.back(), 10);
}

TEST_F(Loop, SpeedOneControlValuesAndAUserBit) {
    // Speed 1 everywhere; B4 = 1: only serial position 0 carries a user bit.
    ASSERT_EQ(vna.SetUpScan(0, 3, 1000000, 4000000, 1, 1, 24, 0, 0, 0, 0, 1), VnaResult::Ok);
    ev.onEnd = [this] { vna.Stopscan(); };
    vna.NewScan(0);
    const auto& log = port.log;
    int userBitGroups = 0, shiftGroups = 0;
    int position = -1; // serial position of the next shift in this row
    for (size_t i = 0; i + 5 <= log.size(); i += 5) {
        const uint8_t c1 = log[i].value, c2 = log[i + 2].value;
        EXPECT_EQ(c1, c2);
        EXPECT_TRUE(c1 == 11 || c1 == 10) << int(c1);
        if (log[i + 3].value & 0x08) position = 0;          // latch: next row starts at 0
        if (i == 0) position = 0;
        if (log[i + 3].value & 0x04) {                       // a shift
            ++shiftGroups;
            EXPECT_EQ(c1, position == 0 ? 10 : 11) << "group " << i / 5;
            if (c1 == 10) ++userBitGroups;
            ++position;
        }
    }
    EXPECT_GT(shiftGroups, 40 * 8);
    EXPECT_EQ(userBitGroups * 40, shiftGroups);
    EXPECT_TRUE(vna.status().Byt5[0]);
    EXPECT_FALSE(vna.status().Byt1[0]);
}

TEST_F(Loop, ConverterReadTakesTwentyEightSteps) {
    ASSERT_EQ(vna.SetUpScan(0, 3, 1000000, 4000000, 0, 1, 24, 0, 0, 0, 0, 0), VnaResult::Ok);
    ev.onEnd = [this] { vna.Stopscan(); };
    vna.NewScan(0);
    ASSERT_GE(ev.records.size(), 4u);
    const auto& log = port.log;
    // Between a latch and the DataReady that follows it, count the
    // converter clock pulses.
    size_t latch = 0;
    for (size_t k = 0; k < ev.recordAt.size(); ++k) {
        const size_t at = ev.recordAt[k];
        for (size_t i = at; i-- > 0;) {
            if (log[i].op == 'W' && log[i].reg == 'D' && (log[i].value & 0x08)) {
                latch = i;
                break;
            }
        }
        // The first pulse is in the first data write of the latching iteration.
        int pulses = 0;
        for (size_t i = latch - 2; i < at; ++i)
            if (log[i].op == 'W' && log[i].reg == 'D' && (log[i].value & 0x20)) ++pulses;
        EXPECT_EQ(pulses, 28) << "record " << k;
    }
    // Status always 0: sign 1 and all data bits 1 = 2^25 - 1.
    EXPECT_EQ(ev.records[1].dat, (1 << 25) - 1);
    EXPECT_EQ(vna.status().Label1, std::to_string((1 << 25) - 1));
    EXPECT_EQ(vna.status().Label8, " " + std::to_string(ev.records.back().Idx));
}

TEST_F(Loop, ConverterValuesRoundTripExactly) {
    const std::vector<int32_t> values = {0,       1,        -1,        12345678, -12345678,
                                         1 << 24, -(1 << 24), (1 << 25) - 1, -(1 << 25), 8053,
                                         -2,      2,        1 << 23,   -(1 << 23) - 1};
    enginetest::ConverterPort cp(values);
    Recorder rec;
    VNA01 v(cp, rec);
    v.setPriorityHook([](int32_t) { return true; });
    ASSERT_EQ(v.SetUpScan(0, 10, 1000000, 4000000, 3, 0, 24, 0, 0, 0, 0, 0), VnaResult::Ok);
    rec.onRecord = [&](const engine::DataRecord&) {
        if (rec.records.size() >= values.size()) v.Stopscan();
    };
    v.NewScan(0);
    ASSERT_GE(rec.records.size(), values.size());
    for (size_t k = 0; k < values.size(); ++k) EXPECT_EQ(rec.records[k].dat, values[k]) << k;

    // Fewer bits read: the top bits of the same value (floor of value / 16).
    enginetest::ConverterPort cp2(values);
    Recorder rec2;
    VNA01 v2(cp2, rec2);
    v2.setPriorityHook([](int32_t) { return true; });
    ASSERT_EQ(v2.SetUpScan(0, 10, 1000000, 4000000, 3, 0, 20, 0, 0, 0, 0, 0), VnaResult::Ok);
    rec2.onRecord = [&](const engine::DataRecord&) {
        if (rec2.records.size() >= values.size()) v2.Stopscan();
    };
    v2.NewScan(0);
    ASSERT_GE(rec2.records.size(), values.size());
    for (size_t k = 0; k < values.size(); ++k)
        EXPECT_EQ(rec2.records[k].dat, values[k] >> 4) << k;
}

TEST_F(Loop, StopscanFromAnEventEndsBetweenRowsAndNewScanContinuesOnTheNewTable) {
    ASSERT_EQ(vna.SetUpScan(0, 3, 1000000, 4000000, 0, 1, 24, 0, 0, 0, 0, 0), VnaResult::Ok);
    ASSERT_EQ(vna.SetUpScan(1, 5, 5000000, 6000000, 0, 1, 24, 0, 0, 0, 0, 0), VnaResult::Ok);
    // Stop and new scan in one go, as a stop and a new-scan message arriving
    // together: the loop goes on with table 1.
    ev.onRecord = [this](const engine::DataRecord& d) {
        if (d.ta == 0 && d.Idx == 4) {
            vna.Stopscan();
            EXPECT_EQ(vna.NewScan(1), VnaResult::Ok);
        }
    };
    ev.onEnd = [this] {
        if (vna.CurrentTable() == 1) vna.Stopscan();
    };
    vna.NewScan(0);
    EXPECT_EQ(vna.status().Command1, "Table = 1");
    // Table 0 rows 0..4, then table 1 from row 0 through its end.
    std::vector<std::pair<int, int>> seen;
    for (const auto& r : ev.records) seen.emplace_back(r.ta, r.Idx);
    ASSERT_EQ(seen.size(), 5u + 14u); // table 1: 7 entries
    EXPECT_EQ(seen[4], std::make_pair(0, 4));
    EXPECT_EQ(seen[5], std::make_pair(1, 0));
    EXPECT_EQ(seen.back(), std::make_pair(1, 13));
    EXPECT_EQ(std::count(ev.states.begin(), ev.states.end(), int16_t{10}), 1);
    EXPECT_FALSE(vna.Running());
    // Nothing after the stop: priority back to normal.
    ASSERT_FALSE(priority.empty());
    EXPECT_EQ(priority.back(), 0x20);
}

TEST_F(Loop, RepeatedNewScanInsideTheLoopDoesNotNest) {
    ASSERT_EQ(vna.SetUpScan(0, 3, 1000000, 4000000, 0, 1, 24, 0, 0, 0, 0, 0), VnaResult::Ok);
    int restarts = 0;
    uintptr_t lowest = UINTPTR_MAX, highest = 0;
    vna.setYieldHook([&] {
        char marker;
        const auto here = reinterpret_cast<uintptr_t>(&marker);
        lowest = std::min(lowest, here);
        highest = std::max(highest, here);
        if (restarts < 300) {
            ++restarts;
            EXPECT_EQ(vna.NewScan(0), VnaResult::Ok); // returns at once
            EXPECT_TRUE(vna.Running());
        } else {
            vna.setRunning(false);
        }
    });
    vna.NewScan(0);
    EXPECT_EQ(restarts, 300);
    EXPECT_LT(highest - lowest, 4096u); // the stack does not grow per restart
    EXPECT_EQ(std::count(ev.states.begin(), ev.states.end(), int16_t{10}), 1);
    // Each restart starts over in state 0.
    EXPECT_GE(std::count(ev.states.begin(), ev.states.end(), int16_t{90}), 300);
}

TEST_F(Loop, SetphysInsideTheLoopRestartsOnTheDefaultTable) {
    ASSERT_EQ(vna.SetUpScan(0, 3, 1000000, 4000000, 0, 1, 24, 0, 0, 0, 0, 0), VnaResult::Ok);
    bool called = false;
    ev.onRecord = [&](const engine::DataRecord& d) {
        if (!called && d.Idx == 3) {
            called = true;
            EXPECT_EQ(vna.setphys("&H278", "148.3419"), VnaResult::Ok);
        }
    };
    ev.onEnd = [&] {
        if (called) vna.Stopscan();
    };
    vna.NewScan(0);
    EXPECT_EQ(vna.portBase(), 0x278);
    EXPECT_EQ(port.base(), 0x278);
    EXPECT_EQ(ev.records.back().Idx, 203); // a whole default sweep after the restart
    EXPECT_EQ(ev.records[4].Idx, 0);
    EXPECT_EQ(ev.endScans, 1);
}

TEST_F(Loop, AllRowsSkippedStopsTheLoopWithAMessage) {
    ASSERT_EQ(vna.SetUpScan(0, 3, 1000000, 4000000, 0, 1, 24, 0, 0, 0, 0, 0), VnaResult::Ok);
    for (int r = 0; r < 10; ++r) vna.EditEntry(0, r, "Skip", 1);
    vna.NewScan(0);
    EXPECT_EQ(ev.states.back(), 10);
    EXPECT_FALSE(vna.Running());
    ASSERT_EQ(ev.notices.size(), 1u);
    EXPECT_NE(vna.status().problem.find("skipped"), std::string::npos);

    // Rows skipped while the loop runs: it stops the same way.
    for (int r = 0; r < 10; ++r) vna.EditEntry(0, r, "Skip", 0);
    ev.onRecord = [this](const engine::DataRecord& d) {
        if (d.Idx == 2)
            for (int r = 0; r < 10; ++r) vna.EditEntry(0, r, "Skip", 1);
    };
    vna.NewScan(0);
    EXPECT_FALSE(vna.Running());
    EXPECT_EQ(ev.notices.size(), 2u);
    EXPECT_EQ(std::count(ev.states.begin(), ev.states.end(), int16_t{10}), 2);
}

TEST_F(Loop, RateIsClampedWhenTheTimeIsZeroOrTiny) {
    ASSERT_EQ(vna.SetUpScan(0, 20, 1000000, 4000000, 0, 0, 24, 0, 0, 0, 0, 0), VnaResult::Ok);
    port.clk.step = 0; // time stands still
    ev.onEnd = [this] { vna.Stopscan(); };
    vna.NewScan(0);
    ASSERT_GE(ev.rates.size(), 3u);
    for (auto r : ev.rates) EXPECT_EQ(r, 32767);

    ev.rates.clear();
    port.clk.step = 1; // 1 ns per reading: millions of rows per second
    vna.NewScan(0);
    ASSERT_GE(ev.rates.size(), 3u);
    for (size_t k = 1; k < ev.rates.size(); ++k) EXPECT_EQ(ev.rates[k], 32767);

    ev.rates.clear();
    port.clk.step = 1'000'000; // 1 ms per reading: a few rows per second
    vna.NewScan(0);
    ASSERT_GE(ev.rates.size(), 3u);
    EXPECT_GT(ev.rates[2], 0);
    EXPECT_LT(ev.rates[2], 1000);
}

TEST_F(Loop, PriorityRaisedOnSpeedChangeAndDroppedBeforeConverting) {
    ASSERT_EQ(vna.SetUpScan(0, 3, 1000000, 4000000, 0, 0, 24, 0, 0, 0, 0, 0), VnaResult::Ok);
    for (int r = 4; r <= 7; ++r) vna.EditEntry(0, r, "adcspeed", 2);
    ev.onEnd = [this] { vna.Stopscan(); };
    vna.NewScan(0);
    // A bare speed code written on its own for each change (0 -> 2 -> 0).
    int bare = 0;
    for (size_t i = 0; i + 1 < port.log.size(); ++i)
        if (port.log[i].reg == 'C' && port.log[i + 1].reg == 'C' && (port.log[i].value & 1) == 0 &&
            (port.log[i].value == 2 || port.log[i].value == 8))
            ++bare;
    EXPECT_EQ(bare, 2);
    EXPECT_EQ(std::count(priority.begin(), priority.end(), 0x100), 2);
    EXPECT_EQ(priority.back(), 0x20);
}

TEST(HiResTimerInEngine, NoCounterEndsSettlingAtOnce) {
    enginetest::FakePort port;
    Recorder ev;
    port.clk.frequency = 0; // no high-resolution counter
    VNA01 vna(port, ev);
    vna.setPriorityHook([](int32_t) { return true; });
    ASSERT_EQ(vna.SetUpScan(0, 3, 1000000, 4000000, 0, 30000, 24, 0, 0, 0, 0, 0), VnaResult::Ok);
    ev.onEnd = [&] { vna.Stopscan(); };
    vna.NewScan(0);
    EXPECT_EQ(ev.endScans, 1);
    EXPECT_LT(vna.iterations(), 2000u); // 30 s of settling per row never waited
}

} // namespace

TEST_F(Loop, CommandsInOneYieldTakeEffectInTheirOrder) {
    ASSERT_EQ(vna.SetUpScan(0, 3, 1000000, 4000000, 0, 1, 24, 0, 0, 0, 0, 0), VnaResult::Ok);
    ASSERT_EQ(vna.SetUpScan(1, 5, 5000000, 6000000, 0, 1, 24, 0, 0, 0, 0, 0), VnaResult::Ok);
    // A stop, then a new scan, handled at the same yield: scanning goes on
    // with table 1.
    int yields = 0;
    vna.setYieldHook([&] {
        if (++yields == 3) {
            vna.Stopscan();
            vna.NewScan(1);
        }
    });
    ev.onEnd = [this] {
        if (vna.CurrentTable() == 1) vna.Stopscan();
    };
    vna.NewScan(0);
    ASSERT_FALSE(ev.records.empty());
    EXPECT_EQ(ev.records.back().ta, 1);
    EXPECT_EQ(ev.records.back().Idx, 13);

    // A new scan, then a stop, at the same yield: the loop ends.
    ev.records.clear();
    yields = 0;
    vna.setYieldHook([&] {
        if (++yields == 3) {
            vna.NewScan(1);
            vna.Stopscan();
        }
    });
    ev.onEnd = nullptr;
    vna.NewScan(0);
    EXPECT_FALSE(vna.Running());
    EXPECT_LE(ev.records.size(), 4u);
    for (const auto& r : ev.records)
        EXPECT_EQ(r.ta, 0);
}
