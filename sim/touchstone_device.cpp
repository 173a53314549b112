#include "sim/touchstone_device.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

namespace sim {

namespace {

constexpr size_t kMaxFileBytes = 64u << 20;
constexpr size_t kMaxPoints = 1'000'000;

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool ParseDouble(std::string_view tok, double& v) {
    if (!tok.empty() && tok.front() == '+') tok.remove_prefix(1);
    const char* end = tok.data() + tok.size();
    auto [p, ec] = std::from_chars(tok.data(), end, v);
    return ec == std::errc() && p == end && std::isfinite(v);
}

std::vector<std::string_view> Tokens(std::string_view line) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (std::isspace(static_cast<unsigned char>(line[i])) || line[i] == ','))
            ++i;
        size_t j = i;
        while (j < line.size() && !std::isspace(static_cast<unsigned char>(line[j])) && line[j] != ',')
            ++j;
        if (j > i) out.push_back(line.substr(i, j - i));
        i = j;
    }
    return out;
}

Cplx Pair(const std::string& format, double x, double y) {
    const double rad = y * kPi / 180.0;
    if (format == "RI") return {x, y};
    if (format == "DB") return std::polar(std::pow(10.0, x / 20.0), rad);
    return std::polar(x, rad);
}

std::string Where(const std::string& name, int line) {
    return name + " line " + std::to_string(line) + ": ";
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
    double unit = 1.0e9;
    std::string format = "MA";
    double resistance = 50.0;
    bool optionsSeen = false;
    std::vector<TouchstoneDevice::Point> points;
    std::vector<double> pending; // numbers of the point being collected
    int pendingLine = 0;
    int lineNo = 0;
    size_t pos = 0;

    auto finishPoint = [&](int line) -> bool {
        TouchstoneDevice::Point p{};
        p.freqHz = pending[0] * unit;
        if (!(p.freqHz >= 0.0) || !std::isfinite(p.freqHz)) {
            error = Where(name, line) + "bad frequency";
            return false;
        }
        if (!points.empty() && p.freqHz < points.back().freqHz) {
            error = Where(name, line) + "frequencies must not decrease";
            return false;
        }
        if (ports == 1) {
            p.s.s11 = Pair(format, pending[1], pending[2]);
            p.s.s22 = 1.0;
        } else { // two-port order: S11 S21 S12 S22
            p.s.s11 = Pair(format, pending[1], pending[2]);
            p.s.s21 = Pair(format, pending[3], pending[4]);
            p.s.s12 = Pair(format, pending[5], pending[6]);
            p.s.s22 = Pair(format, pending[7], pending[8]);
        }
        p.s = Renormalize(p.s, resistance);
        if (!std::isfinite(std::abs(p.s.s11)) || !std::isfinite(std::abs(p.s.s21)) ||
            !std::isfinite(std::abs(p.s.s12)) || !std::isfinite(std::abs(p.s.s22))) {
            error = Where(name, line) + "value out of range";
            return false;
        }
        if (points.size() >= kMaxPoints) {
            error = Where(name, line) + "too many points";
            return false;
        }
        points.push_back(p);
        pending.clear();
        return true;
    };

    while (pos <= text.size()) {
        size_t eol = text.find('\n', pos);
        if (eol == std::string_view::npos) eol = text.size();
        std::string_view line = text.substr(pos, eol - pos);
        pos = eol + 1;
        ++lineNo;
        if (const size_t bang = line.find('!'); bang != std::string_view::npos)
            line = line.substr(0, bang);
        const auto tokens = Tokens(line);
        if (tokens.empty()) {
            if (eol == text.size()) break;
            continue;
        }
        if (tokens[0].front() == '#') {
            if (optionsSeen || !points.empty() || !pending.empty()) {
                error = Where(name, lineNo) + "option line must come once, before the data";
                return nullptr;
            }
            optionsSeen = true;
            std::vector<std::string> opts;
            if (tokens[0].size() > 1) opts.push_back(Upper(tokens[0].substr(1)));
            for (size_t i = 1; i < tokens.size(); ++i) opts.push_back(Upper(tokens[i]));
            for (size_t i = 0; i < opts.size(); ++i) {
                const std::string& o = opts[i];
                if (o == "HZ") unit = 1.0;
                else if (o == "KHZ") unit = 1.0e3;
                else if (o == "MHZ") unit = 1.0e6;
                else if (o == "GHZ") unit = 1.0e9;
                else if (o == "S") {}
                else if (o == "Y" || o == "Z" || o == "H" || o == "G") {
                    error = Where(name, lineNo) + "only S-parameters are supported";
                    return nullptr;
                } else if (o == "MA" || o == "DB" || o == "RI") format = o;
                else if (o == "R") {
                    if (i + 1 >= opts.size() || !ParseDouble(opts[i + 1], resistance) ||
                        resistance <= 0.0) {
                        error = Where(name, lineNo) + "bad reference resistance";
                        return nullptr;
                    }
                    ++i;
                } else {
                    error = Where(name, lineNo) + "unknown option \"" + o + "\"";
                    return nullptr;
                }
            }
            continue;
        }
        if (tokens[0].front() == '[') { // Touchstone 2 keywords are not read
            error = Where(name, lineNo) + "Touchstone 2 keywords are not supported";
            return nullptr;
        }
        if (ports == 0) {
            if (tokens.size() == 3) ports = 1;
            else if (tokens.size() == 9) ports = 2;
            else {
                error = Where(name, lineNo) + "expected 3 (one-port) or 9 (two-port) numbers";
                return nullptr;
            }
        }
        const size_t per = ports == 1 ? 3 : 9;
        if (pending.empty()) pendingLine = lineNo;
        for (auto tok : tokens) {
            double v = 0.0;
            if (!ParseDouble(tok, v)) {
                error = Where(name, lineNo) + "\"" + std::string(tok.substr(0, 40)) +
                        "\" is not a number";
                return nullptr;
            }
            pending.push_back(v);
            if (pending.size() == per) {
                if (!finishPoint(pendingLine)) return nullptr;
                pendingLine = lineNo;
            }
        }
        if (eol == text.size()) break;
    }
    if (!pending.empty()) {
        error = Where(name, pendingLine) + "incomplete data point";
        return nullptr;
    }
    if (points.empty()) {
        error = name + ": no data points";
        return nullptr;
    }
    return std::make_unique<TouchstoneDevice>(name, std::move(points));
}

std::unique_ptr<Device> ReadTouchstoneDevice(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "Cannot open " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    std::string text;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        text.append(buf, static_cast<size_t>(in.gcount()));
        if (text.size() > kMaxFileBytes) {
            error = "Cannot read " + path + ": file too large";
            return nullptr;
        }
    }
    std::string ext;
    if (const size_t dot = path.find_last_of('.'); dot != std::string::npos)
        ext = Upper(std::string_view(path).substr(dot));
    const int ports = ext == ".S1P" ? 1 : ext == ".S2P" ? 2 : 0;
    return ParseTouchstone(text, ports, path, error);
}

} // namespace sim
