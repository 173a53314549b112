#include "server/port/priority.h"

#include <cerrno>
#include <sys/resource.h>

namespace port {

namespace {

int StartNice() {
    static const int nice = [] {
        errno = 0;
        const int n = getpriority(PRIO_PROCESS, 0);
        return errno == 0 ? n : 0;
    }();
    return nice;
}

// The lowest nice value the process may set for itself (RLIMIT_NICE gives
// 20 - limit; without CAP_SYS_NICE the kernel refuses anything lower).
int LowestAllowedNice() {
    rlimit lim{};
    if (getrlimit(RLIMIT_NICE, &lim) != 0 || lim.rlim_cur == RLIM_INFINITY)
        return -20;
    const long limit = static_cast<long>(lim.rlim_cur);
    return static_cast<int>(20 - (limit > 40 ? 40 : limit));
}

bool SetNice(int nice) {
    if (nice < -20) nice = -20;
    if (nice > 19) nice = 19;
    return setpriority(PRIO_PROCESS, 0, nice) == 0;
}

} // namespace

bool SetOwnPriority(int32_t priorityClass) {
    const int base = StartNice();
    switch (priorityClass) {
    case kNormalPriorityClass:
        return SetNice(base);
    case 0x40:
        return SetNice(base + 19);
    case 0x4000:
        return SetNice(base + 5);
    case 0x8000:
        return SetNice(base - 5);
    case 0x80:
        return SetNice(base - 10);
    case kRealtimePriorityClass: {
        int want = base - 10;
        const int lowest = LowestAllowedNice();
        if (want < lowest) want = lowest;
        if (want >= base) {
            errno = EPERM;
            return false;
        }
        return SetNice(want);
    }
    default:
        return false;
    }
}

} // namespace port
