#include "touchstone/touchstone_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace touchstone {

std::string FixedPattern(double x, int intDigits, int decimals) {
    if (!std::isfinite(x))
        x = 0;
    // The exact decimal digits of the value, in plain notation.
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::fixed);
    std::string digits(buf, res.ptr);
    const size_t dot = digits.find('.');
    std::string ip = dot == std::string::npos ? digits : digits.substr(0, dot);
    std::string fp = dot == std::string::npos ? "" : digits.substr(dot + 1);
    const bool roundUp = fp.size() > size_t(decimals) && fp[decimals] >= '5';
    fp.resize(decimals, '0');
    if (roundUp) {
        // Carry through the decimals, then the integer digits.
        std::string all = ip + fp;
        int i = int(all.size()) - 1;
        while (i >= 0 && all[i] == '9')
            all[i--] = '0';
        if (i >= 0)
            ++all[i];
        else
            all.insert(all.begin(), '1');
        ip = all.substr(0, all.size() - decimals);
        fp = all.substr(all.size() - decimals);
    }
    if (ip.size() < size_t(intDigits))
        ip.insert(0, intDigits - ip.size(), '0');
    const bool zero = std::all_of(ip.begin(), ip.end(), [](char c) { return c == '0'; }) &&
                      std::all_of(fp.begin(), fp.end(), [](char c) { return c == '0'; });
    std::string out = (x < 0 && !zero) ? "-" : "";
    out += ip;
    if (decimals > 0)
        out += "." + fp;
    return out;
}

double WrapDegrees(double d) {
    if (!std::isfinite(d))
        return 0;
    d = std::fmod(d, 360.0);
    if (d > 180)
        d -= 360;
    if (d < -180)
        d += 360;
    return d;
}

std::string TouchstoneLine(double frequency, const std::array<double, 8>& magAngle) {
    std::string line = FixedPattern(frequency / 10000000.0, 3, 7);
    for (int i = 0; i < 8; i += 2) {
        line += ' ';
        line += FixedPattern(magAngle[i], 3, 7);
        line += ' ';
        line += FixedPattern(WrapDegrees(magAngle[i + 1]), 3, 5);
    }
    std::replace(line.begin(), line.end(), ',', '.');
    return line;
}

std::string TouchstoneHeader(const std::string& info) {
    std::string oneLine = info;
    std::replace_if(
        oneLine.begin(), oneLine.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return "! Tavrel 13 S Parameter messurement result\r\n! " + oneLine + "\r\n# MHz S MA R 50\r\n";
}

} // namespace touchstone
