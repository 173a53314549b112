#include "sim/touchstone_device.h"

#include "touchstone/touchstone_reader.h"

#include <algorithm>

namespace sim {

namespace {

/// The device from what the reader read; nothing and a message when the
/// file could not be read to its end.
std::unique_ptr<Device> MakeFrom(const touchstone::File& file, const std::string& name,
                                 std::string& error) {
    if (!file.ok()) {
        error = touchstone::Describe(name, file.error);
        return nullptr;
    }
    std::vector<TouchstoneDevice::Point> points;
    points.reserve(file.points.size());
    for (const touchstone::Point& p : file.points) {
        TouchstoneDevice::Point d{};
        d.freqHz = p.freqHz;
        d.s.s11 = p.s[0];
        if (file.ports == 1) {
            d.s.s22 = 1.0;  // the second port open
        } else {
            d.s.s21 = p.s[1];
            d.s.s12 = p.s[2];
            d.s.s22 = p.s[3];
        }
        points.push_back(d);
    }
    return std::make_unique<TouchstoneDevice>(name, std::move(points));
}

} // namespace

TouchstoneDevice::TouchstoneDevice(std::string name, std::vector<Point> points)
    : name_(std::move(name)), points_(std::move(points)) {}

SMatrix TouchstoneDevice::S(double f) const {
    if (f <= points_.front().freqHz) return points_.front().s;
    if (f >= points_.back().freqHz) return points_.back().s;
    auto hi = std::upper_bound(points_.begin(), points_.end(), f,
                               [](double x, const Point& p) { return x < p.freqHz; });
    auto lo = hi - 1;
    const double span = hi->freqHz - lo->freqHz;
    if (span <= 0.0) return lo->s;
    const double t = (f - lo->freqHz) / span;
    auto mix = [t](Cplx a, Cplx b) { return a + (b - a) * t; };
    return {mix(lo->s.s11, hi->s.s11), mix(lo->s.s12, hi->s.s12), mix(lo->s.s21, hi->s.s21),
            mix(lo->s.s22, hi->s.s22)};
}

std::unique_ptr<Device> ParseTouchstone(std::string_view text, int ports, const std::string& name,
                                        std::string& error) {
    touchstone::Settings settings;
    settings.ports = ports;
    return MakeFrom(touchstone::Parse(text, settings), name, error);
}

std::unique_ptr<Device> ReadTouchstoneDevice(const std::string& path, std::string& error) {
    touchstone::Settings settings;
    settings.ports = touchstone::PortsFromName(path);
    return MakeFrom(touchstone::Load(path, settings), path, error);
}

} // namespace sim
