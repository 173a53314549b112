#pragma once
// The machine's monotonic clock, read in one place for the simulated
// analyser and the server: nanoseconds of std::chrono::steady_clock, and a
// wait that gives the processor back while a deadline is far off.
// Standard C++ only.

#include <cstdint>

namespace sim {

/// std::chrono::steady_clock now, nanoseconds.
int64_t SteadyNs();

/// A waiting loop that has nothing to do until the steady clock reaches
/// `untilNs` calls this on each turn: when more than kSleepMarginNs remain,
/// it sleeps, but no longer than kSleepSliceNs and never into the last
/// kSleepMarginNs, so the caller comes back early enough to keep its timing
/// (it spins through the margin) and often enough to answer events. Returns
/// at once when the deadline is near or past.
void SleepTowards(int64_t untilNs);

/// How many times SleepTowards has slept in this process: a caller that
/// looks at the clock only now and then knows that time has passed.
uint64_t Sleeps();

/// Sleeps give the processor back in slices of at most this.
constexpr int64_t kSleepSliceNs = 2'000'000;
/// The last part of a wait is spun, not slept: a sleep may overrun by
/// the scheduler's latency.
constexpr int64_t kSleepMarginNs = 400'000;

} // namespace sim
