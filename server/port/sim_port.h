#pragma once
// The simulated back end: the port registers of a sim::Analyser.

#include "server/port/port_io.h"
#include "sim/analyser.h"
#include "sim/steady_time.h"

namespace port {

/// The simulated analyser's clock (ns), virtual or real as the analyser runs.
class AnalyserClock final : public Clock {
public:
    explicit AnalyserClock(sim::Analyser& analyser) : analyser_(analyser) {}
    int64_t Frequency() const override { return 1'000'000'000; }
    int64_t Counter() override { return analyser_.Now(); }
    void IdleUntil(int64_t until) override { analyser_.IdleUntil(until); }
    int64_t MinIdle() const override {
        return analyser_.virtualTime() ? 0 : sim::kSleepMarginNs;
    }

private:
    sim::Analyser& analyser_;
};

/// The simulator's settings from options that carry them under the same
/// names (PortOptions, the test rig's options).
template <typename Options>
sim::AnalyserOptions AnalyserOptionsOf(const Options& o) {
    sim::AnalyserOptions so;
    so.virtualTime = o.virtualTime;
    so.seed = o.seed;
    so.noise = o.noise;
    so.drift = o.drift;
    so.dut = o.dut;
    so.fault = o.fault;
    return so;
}

class SimPort final : public PortIo {
public:
    explicit SimPort(const sim::AnalyserOptions& options, uint16_t base = kDefaultBase);

    void PortOut(uint16_t port, uint8_t value) override;
    uint8_t PortIn(uint16_t port) override;
    bool IsDriverInstalled() const override { return true; }
    bool SetBase(uint16_t base) override {
        base_ = base;
        return true;
    }
    uint16_t base() const override { return base_; }
    Clock& clock() override { return clock_; }
    bool Mount(std::string_view fixture) override { return analyser_.Mount(fixture); }
    bool SetDut(std::string_view dut, std::string& error) override {
        return analyser_.SetDut(dut, error);
    }
    std::string Describe() const override;

    sim::Analyser& analyser() { return analyser_; }

private:
    std::string FaultText() const;

    sim::Analyser analyser_;
    AnalyserClock clock_;
    uint16_t base_;
};

} // namespace port
