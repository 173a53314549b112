#include "server/port/clock.h"

#include "sim/steady_time.h"

#include <cmath>

namespace port {

int64_t SteadyClock::Counter() { return sim::SteadyNs(); }

void SteadyClock::IdleUntil(int64_t until) { sim::SleepTowards(until); }

int64_t SteadyClock::MinIdle() const { return sim::kSleepMarginNs; }

HiResTimer::HiResTimer(Clock& clock)
    : clock_(&clock),
      frequency_(clock.Frequency() > 0 ? static_cast<double>(clock.Frequency()) : -1.0) {}

double HiResTimer::CounterToDouble(int64_t counter) {
    const auto low = static_cast<uint32_t>(static_cast<uint64_t>(counter) & 0xFFFFFFFFu);
    const auto high = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(counter) >> 32));
    return static_cast<double>(low) + static_cast<double>(high) * 4294967296.0;
}

void HiResTimer::StartTimer() { start_ = clock_->Counter(); }

void HiResTimer::StopTimer() { stop_ = clock_->Counter(); }

double HiResTimer::ElapsedNow() {
    now_ = clock_->Counter();
    return (CounterToDouble(now_) - CounterToDouble(start_)) / frequency_;
}

double HiResTimer::ElapsedStopped() const {
    return (CounterToDouble(stop_) - CounterToDouble(start_)) / frequency_;
}

double HiResTimer::Resolution() const { return 1.0 / frequency_; }

int64_t HiResTimer::CounterAfter(double seconds) const {
    if (frequency_ <= 0.0 || !std::isfinite(seconds) || seconds < 0.0)
        return start_;
    const double counts = std::floor(seconds * frequency_) + 1.0;
    if (counts > 9.0e18)
        return start_;
    return start_ + static_cast<int64_t>(counts);
}

} // namespace port
