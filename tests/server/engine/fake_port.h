#pragma once
// Test doubles for the engine: a port that records every access and answers
// status reads from a function or from a simulated converter, and a clock
// that moves a fixed step per reading.

#include "server/port/port_io.h"
#include "sim/converter.h"

#include <functional>
#include <string>
#include <vector>

namespace enginetest {

class StepClock final : public port::Clock {
public:
    int64_t frequency = 1'000'000'000;
    int64_t step = 1000; // counts per Counter() call
    int64_t now = 0;
    bool jump = true; // IdleUntil skips ahead (a virtual clock); false: a real one
    int idles = 0;    // IdleUntil calls
    int64_t Frequency() const override { return frequency; }
    int64_t Counter() override { return now += step; }
    void IdleUntil(int64_t until) override {
        ++idles;
        if (jump && until > now) now = until;
    }
};

struct Access {
    char op;  // 'W' or 'R'
    char reg; // 'D', 'S', 'C'
    uint8_t value;
};

class FakePort : public port::PortIo {
public:
    std::vector<Access> log;
    bool recording = true;
    bool installed = true;
    std::function<uint8_t()> status = [] { return uint8_t{0x00}; };
    StepClock clk;
    uint16_t base_ = port::kDefaultBase;

    void PortOut(uint16_t p, uint8_t v) override {
        if (recording) log.push_back({'W', Reg(p), v});
        Wrote(Reg(p), v);
    }
    uint8_t PortIn(uint16_t p) override {
        const uint8_t v = Reg(p) == 'S' ? status() : 0xFF;
        if (recording) log.push_back({'R', Reg(p), v});
        return v;
    }
    bool IsDriverInstalled() const override { return installed; }
    bool SetBase(uint16_t b) override {
        base_ = b;
        return true;
    }
    uint16_t base() const override { return base_; }
    port::Clock& clock() override { return clk; }
    std::string Describe() const override { return "fake"; }

protected:
    virtual void Wrote(char reg, uint8_t v) {}
    char Reg(uint16_t p) const {
        const int r = static_cast<int>(p) - base_;
        return r == 0 ? 'D' : r == 1 ? 'S' : r == 2 ? 'C' : '?';
    }
};

/// A port with the simulated converter behind data bits 5/6 and status
/// bit 7; each conversion takes the next value of `values` (then 0).
class ConverterPort final : public FakePort {
public:
    explicit ConverterPort(std::vector<int32_t> v) : values(std::move(v)) {
        recording = false;
        status = [this] { return uint8_t(conv.Status(clk.now) ? 0x80 : 0x00); };
        conv.Start(0, 10'000, Next());
    }
    sim::Converter conv;
    std::vector<int32_t> values;
    size_t used = 0;

private:
    int32_t Next() { return used < values.size() ? values[used++] : 0; }
    void Wrote(char reg, uint8_t v) override {
        clk.now += 1000;
        if (reg == 'D' && conv.Lines(clk.now, (v & 0x40) != 0, (v & 0x20) != 0))
            conv.Start(clk.now, 10'000, Next());
    }
};

} // namespace enginetest
