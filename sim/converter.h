#pragma once
// The simulated analyser's 24-bit delta-sigma converter as the port sees it.
//
// Lines: the conversion line (data bit 6) and the converter clock (data
// bit 5) in, the output on status bit 7. A conversion runs for the time of
// its speed; while it runs, and whenever the conversion line is high, status
// bit 7 reads 1. When it is done and the conversion line is low, bit 7
// reads 0 (ready); each falling edge of the clock then shifts out the next
// output bit. Status bit 7 after k falling edges:
//   k = 1        a dummy bit (reads 1)
//   k = 2        the sign: 0 for a value >= 0, 1 for a negative value
//   k = 3..27    25 bits B, most significant first, each read inverted
//                (bit 1 reads 0); B = value for value >= 0, value + 2^25
//                otherwise
//   k >= 28      1
// so the value is a 26-bit two's complement number whose sign bit is sent
// inverted; every value from -2^25 to 2^25-1 goes through unchanged. The
// 24-bit converter's full scale (+-Vref) is +-2^24 counts; the extra bit
// carries the over-range. A rising edge of the conversion line after at
// least one clock edge ends the output and starts the next conversion; on a
// converter that is ready and not yet read, or converting, it does nothing.

#include <cstdint>

namespace sim {

class Converter {
public:
    static constexpr int kDataBits = 25;
    static constexpr int32_t kMin = -(int32_t{1} << kDataBits);
    static constexpr int32_t kMax = (int32_t{1} << kDataBits) - 1;

    /// Conversion time and RMS input noise of each speed index 0..3
    /// (133/40/20/10 ms, 200/375/510/750 nV).
    static int64_t ConversionNs(int speed);
    static double NoiseVolts(int speed);
    /// The speed index a control-register value selects (bits 1..3: 8 -> 0,
    /// 10 -> 1, 2 -> 2, 0 -> 3; other codes select the slowest speed, 0).
    static int SpeedOfControl(uint8_t control);
    /// Status bit 7 after k falling clock edges for a value (see above).
    static bool OutputLevel(int32_t value, int k);

    /// Starts a conversion at time t (ns) that ends at t + durationNs with
    /// `value` (clamped to kMin..kMax).
    void Start(int64_t t, int64_t durationNs, int32_t value);
    /// The lines as written at time t. True when a conversion must start now
    /// (the caller computes its value and calls Start).
    bool Lines(int64_t t, bool convert, bool clock);
    /// Status bit 7 at time t.
    bool Status(int64_t t) const;
    bool Converting(int64_t t) const { return t < readyAt_; }
    int64_t readyAt() const { return readyAt_; }
    int32_t value() const { return value_; }
    /// Falling clock edges since the result became ready.
    int edges() const { return edges_; }
    /// Conversions started so far.
    uint64_t conversions() const { return conversions_; }

private:
    int64_t readyAt_ = 0;
    int32_t value_ = 0;
    int edges_ = 0;
    bool convert_ = false;
    bool clock_ = false;
    uint64_t conversions_ = 0;
};

} // namespace sim
