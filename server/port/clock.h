#pragma once
// Time services of the instrument server: a clock interface (the steady
// clock of the machine, or the simulated analyser's virtual clock) and the
// high-resolution timer the scan engine times settling and rates with.

#include <cstdint>

namespace port {

/// A monotonic counter with a fixed number of counts per second.
class Clock {
public:
    virtual ~Clock() = default;
    /// Counts per second; 0 (or less) when the clock has no usable counter.
    virtual int64_t Frequency() const = 0;
    /// The current counter value.
    virtual int64_t Counter() = 0;
    /// Called on each turn of a wait that has nothing to do until Counter()
    /// reaches `until`. A virtual clock jumps there at once; a real clock
    /// may sleep part of the way (at most a couple of milliseconds, and
    /// never into the last fraction of a millisecond) and return early; the
    /// caller looks at the counter again. The default does nothing.
    virtual void IdleUntil(int64_t until) {}
    /// The shortest rest of a wait (counts) for which IdleUntil can do
    /// anything: waits with less left need not call it. 0: any wait.
    virtual int64_t MinIdle() const { return 0; }
};

/// std::chrono::steady_clock in nanoseconds; waits sleep while their
/// deadline is far (sim::SleepTowards).
class SteadyClock final : public Clock {
public:
    int64_t Frequency() const override { return 1'000'000'000; }
    int64_t Counter() override;
    void IdleUntil(int64_t until) override;
    int64_t MinIdle() const override;
};

/// A clock without a counter (frequency 0, counter always 0): what the
/// timer sees on a system without a high-resolution counter.
class NoCounterClock final : public Clock {
public:
    int64_t Frequency() const override { return 0; }
    int64_t Counter() override { return 0; }
};

/// High-resolution interval timer over a Clock. The frequency is read once
/// on creation; -1.0 when the clock has none, which makes every elapsed time
/// negative. Counter values become doubles as their low 32 bits taken
/// unsigned plus their high 32 bits times 2^32.
class HiResTimer {
public:
    explicit HiResTimer(Clock& clock);

    void StartTimer();
    void StopTimer();
    /// Seconds from the start to now (reads the counter).
    double ElapsedNow();
    /// Seconds from the start to the stop.
    double ElapsedStopped() const;
    /// Seconds per count (1 / frequency).
    double Resolution() const;

    double frequency() const { return frequency_; }
    int64_t start() const { return start_; }
    int64_t stop() const { return stop_; }
    int64_t now() const { return now_; }
    /// The counter value at which ElapsedNow() first exceeds `seconds`
    /// (for Clock::IdleUntil); the start itself when the timer has no
    /// frequency.
    int64_t CounterAfter(double seconds) const;
    Clock& clock() const { return *clock_; }

    static double CounterToDouble(int64_t counter);

private:
    Clock* clock_;
    double frequency_;
    int64_t start_ = 0;
    int64_t stop_ = 0;
    int64_t now_ = 0;
};

} // namespace port
