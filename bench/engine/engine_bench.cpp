// Scan engine benchmarks:
//  engine.iteration_ns        loop cost per iteration on a port that does
//                             nothing (software only; one real port access
//                             takes about 1 us, five per iteration)
//  engine.rows_per_s_virtual  rows per CPU second on the simulated analyser
//                             in virtual time, default table, speed 0, 20 ms
//  engine.sweep_over_limit    real time: a default 101-step sweep's measured
//                             time over its physical lower bound (the same
//                             sweep's time with zero software cost: virtual
//                             time, where port accesses take their 1 us and
//                             waits end exactly at their deadlines)
//  engine.sweep_cpu_share     the same real-time sweep's CPU time over its
//                             wall time: the waits sleep while their end is
//                             far, so the sweep leaves the processor free

#include "server/engine/sim_harness.h"
#include "server/engine/vna01.h"
#include "server/port/clock.h"
#include "server/port/port_io.h"
#include "sim/steady_time.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>

namespace {

// The steady clock without the sleeps of its waits: what is measured here is
// the loop's own cost per iteration, waiting iterations included.
class SpinClock final : public port::Clock {
public:
    int64_t Frequency() const override { return 1'000'000'000; }
    int64_t Counter() override { return sim::SteadyNs(); }
    int64_t MinIdle() const override { return INT64_MAX; } // never idles
};

// A port that does nothing: writes vanish, the status reads 0 (converter
// ready at once), the steady clock times the engine.
class NullPort final : public port::PortIo {
public:
    void PortOut(uint16_t, uint8_t) override {}
    uint8_t PortIn(uint16_t) override { return 0; }
    bool IsDriverInstalled() const override { return true; }
    bool SetBase(uint16_t b) override {
        base_ = b;
        return true;
    }
    uint16_t base() const override { return base_; }
    port::Clock& clock() override { return clock_; }
    std::string Describe() const override { return "null"; }

private:
    uint16_t base_ = port::kDefaultBase;
    SpinClock clock_;
};

// Stops the loop after a number of iterations (counted on Stateinfo, which
// every iteration raises, as the server's handler does).
class Counting final : public engine::VnaEvents {
public:
    engine::VNA01* vna = nullptr;
    uint64_t left = 0;
    void Stateinfo(int16_t s) override {
        if (s != 90 && s != 88 && s != 10 && --left == 0) vna->setRunning(false);
    }
};

double IterationNs(uint64_t iterations, bool skipReference = false) {
    NullPort port;
    Counting ev;
    engine::VNA01 vna(port, ev);
    vna.setPriorityHook([](int32_t) { return true; });
    vna.SetUpScan(0, 100, 490000, 600000000, 3, 0, 24, 255, 255, 255, 255, 255);
    if (skipReference) { // no 40 ms reference wait: every iteration works
        vna.EditEntry(0, 0, "Skip", 1);
        vna.EditEntry(0, 1, "Skip", 1);
    }
    ev.vna = &vna;
    ev.left = iterations;
    // CPU time of this thread: the machine may be shared.
    timespec a{}, b{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &a);
    vna.NewScan(0);
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &b);
    const double ns = static_cast<double>(b.tv_sec - a.tv_sec) * 1e9 +
                      static_cast<double>(b.tv_nsec - a.tv_nsec);
    return ns / static_cast<double>(vna.iterations());
}

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void BM_LoopIteration(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(IterationNs(100000));
    state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_LoopIteration)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_VirtualDefaultSweep(benchmark::State& state) {
    harness::RigOptions o;
    harness::SimRig rig(o);
    rig.SetUpDefaultScan(0, 20);
    size_t rows = 0;
    for (auto _ : state) rows += rig.Run(0, 1).size();
    state.SetItemsProcessed(static_cast<int64_t>(rows));
}
BENCHMARK(BM_VirtualDefaultSweep)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();

    // Headline figures.
    double best = 1e30;
    for (int k = 0; k < 5; ++k) best = std::min(best, IterationNs(2'000'000));
    double working = 1e30;
    for (int k = 0; k < 5; ++k) working = std::min(working, IterationNs(2'000'000, true));

    harness::RigOptions vo;
    harness::SimRig vrig(vo);
    vrig.SetUpDefaultScan(0, 20);
    const double c0 = CpuSeconds();
    size_t rows = 0;
    for (int k = 0; k < 20; ++k) rows += vrig.Run(0, 1).size();
    const double cpu = CpuSeconds() - c0;

    // Real time: speed 3 (10 ms conversions, the fastest, where software
    // overhead weighs most) and 2 ms settling keep the sweep near 2.5 s.
    const int16_t speed = 3, settle = 2;
    harness::RigOptions lo;
    harness::SimRig limit(lo);
    limit.SetUpDefaultScan(speed, settle);
    limit.Run(0, 1); // start-up rows out of the way
    const int64_t v0 = limit.analyser().Now();
    const size_t limitRows = limit.Run(0, 1).size();
    const double limitS = static_cast<double>(limit.analyser().Now() - v0) * 1e-9;

    harness::RigOptions ro;
    ro.virtualTime = false;
    harness::SimRig real(ro);
    real.SetUpDefaultScan(speed, settle);
    real.Run(0, 1);
    const double rc0 = CpuSeconds();
    const auto r0 = std::chrono::steady_clock::now();
    const size_t realRows = real.Run(0, 1).size();
    const double realS =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - r0).count();
    // The waits sleep; what is left is the bit shifting, the spin through
    // the last fraction of each wait and the software around them.
    const double cpuShare = (CpuSeconds() - rc0) / realS;

    std::printf("# engine.iteration_ns: null port, steady clock, default table (settling 0, "
                "reference rows 40 ms), thread CPU time, best of 5\n");
    std::printf("engine.iteration_ns: %.1f\n", best);
    std::printf("# engine.iteration_ns_working: the same without the reference rows' waiting\n");
    std::printf("engine.iteration_ns_working: %.1f\n", working);
    std::printf("# engine.rows_per_s_virtual: default table, speed 0, settling 20 ms (%zu rows, %.3f s CPU)\n",
                rows, cpu);
    std::printf("engine.rows_per_s_virtual: %.0f\n", static_cast<double>(rows) / cpu);
    std::printf("# engine.sweep_over_limit: speed %d, settling %d ms, 101 steps; %zu rows in %.3f s "
                "real, physical lower bound %.3f s (%zu rows)\n",
                speed, settle, realRows, realS, limitS, limitRows);
    std::printf("engine.sweep_over_limit: %.4f\n", realS / limitS);
    std::printf("engine.sweep_cpu_share: %.3f\n", cpuShare);
    return 0;
}
