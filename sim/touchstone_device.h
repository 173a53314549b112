#pragma once
// A device under test read from a Touchstone S1P/S2P file through the
// suite's one Touchstone reader (touchstone/touchstone_reader.h): values
// referred to 50 ohms, interpolated linearly between the file's points and
// held constant beyond its first and last frequency. A file that cannot be
// read to its end makes no device.

#include "sim/devices.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

class TouchstoneDevice final : public Device {
public:
    struct Point {
        double freqHz;
        SMatrix s;
    };
    TouchstoneDevice(std::string name, std::vector<Point> points);
    SMatrix S(double freqHz) const override;
    std::string name() const override { return name_; }
    const std::vector<Point>& points() const { return points_; }

private:
    std::string name_;
    std::vector<Point> points_; // ascending frequency, at least one
};

/// Reads a Touchstone file; the extension .s1p/.s2p gives the port count,
/// otherwise the first data line does. Nothing and a message
/// "FILE, line N: what is wrong" (or "Cannot open FILE: reason").
std::unique_ptr<Device> ReadTouchstoneDevice(const std::string& path, std::string& error);

/// Parses Touchstone text. `ports` is 1, 2, or 0 to take it from the first
/// data line; `name` is used in messages and as the device name.
std::unique_ptr<Device> ParseTouchstone(std::string_view text, int ports, const std::string& name,
                                        std::string& error);

} // namespace sim
