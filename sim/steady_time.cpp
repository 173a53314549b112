#include "sim/steady_time.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace sim {

int64_t SteadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void SleepTowards(int64_t untilNs) {
    const int64_t sleep = std::min(untilNs - SteadyNs() - kSleepMarginNs, kSleepSliceNs);
    if (sleep > 0)
        std::this_thread::sleep_for(std::chrono::nanoseconds(sleep));
}

} // namespace sim
