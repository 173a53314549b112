// The scan loop's waits: whatever the port answers, every waiting iteration
// reaches the yield point; a converter that does not become ready is
// reported once per episode (Stateinfo 95, the status fault text) and again
// when it answers (96), and the loop keeps trying.

#include "server/engine/vna01.h"
#include "fake_port.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

using engine::VNA01;
using engine::VnaResult;

namespace {

struct States : engine::VnaEvents {
    std::vector<int16_t> states;
    std::vector<int64_t> at; // clock at each state report
    int records = 0;
    enginetest::FakePort* port = nullptr;
    std::function<void(int16_t)> onState;
    std::function<void()> onRecord;
    void Stateinfo(int16_t s) override {
        states.push_back(s);
        at.push_back(port->clk.now);
        if (onState) onState(s);
    }
    void DataReady(const engine::DataRecord&) override {
        ++records;
        if (onRecord) onRecord();
    }
    long Count(int16_t s) const { return std::count(states.begin(), states.end(), s); }
    int64_t FirstAt(int16_t s) const {
        const auto i = std::find(states.begin(), states.end(), s);
        return i == states.end() ? -1 : at[size_t(i - states.begin())];
    }
};

struct Waits : ::testing::Test {
    enginetest::FakePort port;
    States ev;
    VNA01 vna{port, ev};
    bool busy = false; // the status line: converter busy (bit 7 high)
    Waits() {
        ev.port = &port;
        port.recording = false;
        port.status = [this] { return uint8_t(busy ? 0xFF : 0x00); };
        vna.setPriorityHook([](int32_t) { return true; });
    }
};

TEST_F(Waits, ADeadConverterIsReportedOnceAndTheLoopKeepsYieldingUntilItAnswers) {
    // Speed 3: 10 ms conversions, so the fault is due after 100 ms.
    ASSERT_EQ(vna.SetUpScan(0, 3, 1000000, 4000000, 3, 1, 24, 0, 0, 0, 0, 0), VnaResult::Ok);
    ev.onRecord = [this] {
        if (ev.records == 3) busy = true; // unplugged after three rows
    };
    uint64_t yields = 0, faultYields = 0, faultIterations = 0;
    vna.setYieldHook([&] {
        ++yields;
        if (!vna.converterFault()) return;
        if (faultYields++ == 0) faultIterations = vna.iterations();
        // Five virtual seconds of the fault, then the analyser is back.
        if (port.clk.now > ev.FirstAt(95) + 5'000'000'000) busy = false;
    });
    ev.onState = [this](int16_t s) {
        if (s == 96) vna.Stopscan();
    };
    vna.NewScan(0);

    EXPECT_EQ(ev.Count(95), 1); // once per episode, not once per look
    EXPECT_EQ(ev.Count(96), 1);
    EXPECT_GT(ev.FirstAt(96), ev.FirstAt(95));
    EXPECT_FALSE(vna.converterFault());
    EXPECT_TRUE(vna.status().fault.empty());
    // Every iteration of the fault waited and yielded.
    const uint64_t faultLoops = vna.iterations() - faultIterations;
    EXPECT_GT(faultLoops, 1000u);
    EXPECT_GE(faultYields + 2, faultLoops);
    EXPECT_FALSE(vna.Running());
}

TEST_F(Waits, TheFaultComesAfterTenConversionTimesAndNamesTheRow) {
    // Speed 0: 133 ms conversions. Busy from the start: the initial load
    // never sees the converter ready.
    ASSERT_EQ(vna.SetUpScan(0, 3, 1000000, 4000000, 0, 1, 24, 0, 0, 0, 0, 0), VnaResult::Ok);
    busy = true;
    std::string fault;
    ev.onState = [&](int16_t s) {
        if (s == 95) {
            fault = vna.status().fault;
            vna.setRunning(false);
        }
    };
    long loadYields = 0;
    vna.setYieldHook([&] {
        if (vna.ScanState() == 0 && vna.LoadPhase() == 2) ++loadYields;
    });
    vna.NewScan(0);
    ASSERT_EQ(ev.Count(95), 1);
    EXPECT_GT(loadYields, 100); // the initial load's wait yields too
    // From the start of the load (90): 40 bits, then the wait.
    const int64_t waited = ev.FirstAt(95) - ev.FirstAt(90);
    EXPECT_GE(waited, 1'330'000'000 - 10'000);
    EXPECT_LT(waited, 1'400'000'000);
    EXPECT_EQ(fault.rfind("Row 0: the converter has not become ready in 13", 0), 0u) << fault;
    EXPECT_NE(fault.find("the analyser does not answer: is it switched on and connected?"),
              std::string::npos);
}

TEST_F(Waits, EveryWaitYieldsAndAsksTheClockToIdle) {
    // A real clock (no skipping ahead): 30 ms of settling per row at 1 us a
    // reading, every waiting iteration must reach the yield point.
    port.clk.jump = false;
    ASSERT_EQ(vna.SetUpScan(0, 3, 1000000, 4000000, 3, 30, 24, 0, 0, 0, 0, 0), VnaResult::Ok);
    long settleIterations = 0, settleYields = 0, waitYields = 0;
    ev.onState = [&](int16_t s) {
        if (s == 5) ++settleIterations;
    };
    vna.setYieldHook([&] {
        if (vna.ScanState() == 2) ++settleYields;
        if (vna.ScanState() == 4) ++waitYields;
    });
    ev.onRecord = [this] {
        if (ev.records == 8) vna.setRunning(false);
    };
    vna.NewScan(0);
    EXPECT_GT(settleIterations, 10000);
    // All but the 40 that shift bits and the last of each row's wait.
    EXPECT_GE(settleYields + 41 * 8, settleIterations);
    EXPECT_GT(waitYields, 0);
    EXPECT_GT(port.clk.idles, settleIterations / 2); // the waits offer the processor back
}

} // namespace
