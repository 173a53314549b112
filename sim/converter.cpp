#include "sim/converter.h"

#include <algorithm>

namespace sim {

int64_t Converter::ConversionNs(int speed) {
    static constexpr int64_t ns[4] = {133'000'000, 40'000'000, 20'000'000, 10'000'000};
    return ns[std::clamp(speed, 0, 3)];
}

double Converter::NoiseVolts(int speed) {
    static constexpr double v[4] = {200e-9, 375e-9, 510e-9, 750e-9};
    return v[std::clamp(speed, 0, 3)];
}

int Converter::SpeedOfControl(uint8_t control) {
    switch (control & 0x0E) {
    case 8: return 0;
    case 10: return 1;
    case 2: return 2;
    case 0: return 3;
    default: return 0;
    }
}

bool Converter::OutputLevel(int32_t value, int k) {
    if (k <= 0) return false; // ready
    if (k == 1) return true;  // dummy
    if (k == 2) return value < 0;
    if (k <= 2 + kDataBits) {
        const uint32_t b = value >= 0 ? static_cast<uint32_t>(value)
                                      : static_cast<uint32_t>(value + (int64_t{1} << kDataBits));
        const int bit = kDataBits - 1 - (k - 3);
        return ((b >> bit) & 1u) == 0;
    }
    return true;
}

void Converter::Start(int64_t t, int64_t durationNs, int32_t value) {
    readyAt_ = t + durationNs;
    value_ = std::clamp(value, kMin, kMax);
    edges_ = 0;
    ++conversions_;
}

bool Converter::Lines(int64_t t, bool convert, bool clock) {
    bool start = false;
    if (convert && !convert_ && !Converting(t) && edges_ > 0)
        start = true;
    if (!clock && clock_ && !convert && !Converting(t) && edges_ < 1000)
        ++edges_;
    convert_ = convert;
    clock_ = clock;
    return start;
}

bool Converter::Status(int64_t t) const {
    if (convert_ || Converting(t)) return true;
    return OutputLevel(value_, edges_);
}

} // namespace sim
