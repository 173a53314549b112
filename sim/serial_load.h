#pragma once
// The simulated analyser's serial inputs: the 40-bit shift registers of the
// two synthesizers (data bits 0 and 1, clocked by data bit 2) and the 40-bit
// chain of the five user bytes (control bit 0, inverted at the port pin,
// clocked with the synthesizers), all taken over on the latch (data bit 3).

#include <cstdint>

namespace sim {

/// What a synthesizer runs with after a latch: frequency word (bits 0..31
/// of the 40 shifted in, first shifted = bit 0), power-down (bit 34) and
/// 5-bit phase (bits 35..39; 8 = a quarter turn).
struct SynthState {
    uint32_t word = 0;
    bool powerDown = true;
    int phase = 0;
    uint64_t bits = 0; ///< the 40 bits as latched, bit i = i-th shifted in

    double FrequencyHz(double clockHz) const;
    static SynthState FromBits(uint64_t bits);
};

/// The five user bytes after a latch. Bit i of the 40-bit chain (i-th shifted
/// in) is bit i%8 of B4 for i 0..7, of B3 for 8..15, B2, B1, and B0 for 32..39.
struct UserBytes {
    uint8_t B0 = 0, B1 = 0, B2 = 0, B3 = 0, B4 = 0;
    bool bridge() const { return (B0 & 4) != 0; } ///< reflection path
    bool swap() const { return (B0 & 8) != 0; }   ///< ports swapped
    static UserBytes FromBits(uint64_t bits);
};

/// Decodes the register writes into the three shift registers and latches.
class SerialLoad {
public:
    /// A data-register write, with the control register's current value.
    /// True when this write latched new words.
    bool Data(uint8_t data, uint8_t control);

    const SynthState& rf() const { return rf_; }
    const SynthState& lo() const { return lo_; }
    const UserBytes& user() const { return user_; }
    uint64_t latches() const { return latches_; }
    uint64_t clocks() const { return clocks_; }

private:
    uint64_t rfShift_ = 0, loShift_ = 0, userShift_ = 0;
    uint8_t lastData_ = 0;
    SynthState rf_, lo_;
    UserBytes user_;
    uint64_t latches_ = 0;
    uint64_t clocks_ = 0;
};

} // namespace sim
