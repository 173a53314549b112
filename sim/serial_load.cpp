#include "sim/serial_load.h"

namespace sim {

namespace {
constexpr uint64_t kMask40 = (uint64_t{1} << 40) - 1;

uint64_t ShiftIn(uint64_t reg, bool bit) {
    return ((reg >> 1) | (static_cast<uint64_t>(bit) << 39)) & kMask40;
}
} // namespace

double SynthState::FrequencyHz(double clockHz) const {
    return static_cast<double>(word) * clockHz / 4294967296.0;
}

SynthState SynthState::FromBits(uint64_t bits) {
    SynthState s;
    s.bits = bits & kMask40;
    s.word = static_cast<uint32_t>(bits & 0xFFFFFFFFu);
    s.powerDown = ((bits >> 34) & 1u) != 0;
    s.phase = static_cast<int>((bits >> 35) & 0x1Fu);
    return s;
}

UserBytes UserBytes::FromBits(uint64_t bits) {
    UserBytes u;
    u.B4 = static_cast<uint8_t>(bits & 0xFF);
    u.B3 = static_cast<uint8_t>((bits >> 8) & 0xFF);
    u.B2 = static_cast<uint8_t>((bits >> 16) & 0xFF);
    u.B1 = static_cast<uint8_t>((bits >> 24) & 0xFF);
    u.B0 = static_cast<uint8_t>((bits >> 32) & 0xFF);
    return u;
}

bool SerialLoad::Data(uint8_t data, uint8_t control) {
    const uint8_t rising = static_cast<uint8_t>(data & ~lastData_);
    lastData_ = data;
    if (rising & 0x04) { // serial clock: take the data lines and the user line
        rfShift_ = ShiftIn(rfShift_, (data & 0x01) != 0);
        loShift_ = ShiftIn(loShift_, (data & 0x02) != 0);
        userShift_ = ShiftIn(userShift_, (control & 0x01) == 0);
        ++clocks_;
    }
    if (rising & 0x08) {
        rf_ = SynthState::FromBits(rfShift_);
        lo_ = SynthState::FromBits(loShift_);
        user_ = UserBytes::FromBits(userShift_);
        ++latches_;
        return true;
    }
    return false;
}

} // namespace sim
