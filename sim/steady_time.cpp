#include "sim/steady_time.h"

#include <algorithm>
#include <chrono>
#include <thread>

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace sim {

namespace {
uint64_t sleeps = 0; // the server's one thread sleeps here
} // namespace

uint64_t Sleeps() { return sleeps; }

int64_t SteadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void SleepTowards(int64_t untilNs) {
    const int64_t sleep = std::min(untilNs - SteadyNs() - kSleepMarginNs, kSleepSliceNs);
    if (sleep <= 0)
        return;
#ifdef __linux__
    // Wake as asked: the default slack of 50 us would eat into the margin.
    static const bool precise = prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL) == 0;
    (void)precise;
#endif
    std::this_thread::sleep_for(std::chrono::nanoseconds(sleep));
    ++sleeps;
}

} // namespace sim
