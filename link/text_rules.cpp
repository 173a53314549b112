#include "link/text_rules.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace txt {

double RoundHalfEven(double x) {
    // The default floating-point environment rounds to nearest, ties to even.
    return std::nearbyint(x);
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int DigitValue(char c, int base) {
    int v = -1;
    if (c >= '0' && c <= '9')
        v = c - '0';
    else if (c >= 'a' && c <= 'f')
        v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        v = c - 'A' + 10;
    return v >= 0 && v < base ? v : -1;
}

} // namespace

NumberScan ScanNumber(std::string_view s) {
    NumberScan r;
    size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;

    // &H / &O prefixed integers.
    if (i + 1 < s.size() && s[i] == '&') {
        const char p = s[i + 1];
        const int base = (p == 'H' || p == 'h') ? 16 : (p == 'O' || p == 'o') ? 8 : 0;
        if (base != 0) {
            size_t j = i + 2;
            double v = 0;
            while (j < s.size() && DigitValue(s[j], base) >= 0) {
                v = v * base + DigitValue(s[j], base);
                r.digits = true;
                ++j;
            }
            if (r.digits) {
                r.value = v;
                r.end = j;
            }
            return r;
        }
        return r;
    }

    const size_t start = i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    bool point = false;
    size_t mantEnd = i;
    while (i < s.size()) {
        if (IsDigit(s[i])) {
            r.digits = true;
            ++i;
        } else if (s[i] == '.' && !point) {
            point = true;
            ++i;
        } else {
            break;
        }
        mantEnd = i;
    }
    if (!r.digits)
        return NumberScan{};
    size_t end = mantEnd;
    // Optional exponent: only taken when at least one digit follows.
    if (end < s.size() && (s[end] == 'E' || s[end] == 'e')) {
        size_t j = end + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            ++j;
        if (j < s.size() && IsDigit(s[j])) {
            while (j < s.size() && IsDigit(s[j]))
                ++j;
            end = j;
        }
    }
    // std::from_chars does not take a leading '+' or a bare trailing '.'.
    std::string buf(s.substr(start, end - start));
    if (!buf.empty() && buf[0] == '+')
        buf.erase(0, 1);
    double v = 0;
    auto res = std::from_chars(buf.data(), buf.data() + buf.size(), v);
    if (res.ec == std::errc::result_out_of_range) {
        // Overflow reads as infinity, underflow as zero.
        const bool neg = !buf.empty() && buf[0] == '-';
        const size_t e = buf.find_first_of("eE");
        const bool bigExp = e != std::string::npos && buf.find('-', e) == std::string::npos;
        v = bigExp || e == std::string::npos ? (neg ? -HUGE_VAL : HUGE_VAL) : (neg ? -0.0 : 0.0);
    }
    r.value = v;
    r.end = end;
    return r;
}

double Val(std::string_view text) { return ScanNumber(text).value; }

std::string N(long long x) {
    std::string s = std::to_string(x);
    return x >= 0 ? " " + s : s;
}

std::string DecimalText(double x) {
    if (std::isnan(x))
        return "nan";
    if (std::isinf(x))
        return x < 0 ? "-inf" : "inf";
    if (x == 0)
        return "0";
    char buf[400];
    const double a = std::fabs(x);
    const auto fmt =
        (a >= 1e-9 && a < 1e21) ? std::chars_format::fixed : std::chars_format::general;
    auto res = std::to_chars(buf, buf + sizeof buf, x, fmt);
    return std::string(buf, res.ptr);
}

std::optional<int16_t> ToInt16(double x) {
    if (!std::isfinite(x))
        return std::nullopt;
    const double r = RoundHalfEven(x);
    if (r < std::numeric_limits<int16_t>::min() || r > std::numeric_limits<int16_t>::max())
        return std::nullopt;
    return static_cast<int16_t>(r);
}

std::optional<int32_t> ToInt32(double x) {
    if (!std::isfinite(x))
        return std::nullopt;
    const double r = RoundHalfEven(x);
    if (r < std::numeric_limits<int32_t>::min() || r > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(r);
}

std::string_view Trim(std::string_view t) {
    const char* ws = " \t\r\n";
    const size_t b = t.find_first_not_of(ws);
    if (b == std::string_view::npos)
        return {};
    const size_t e = t.find_last_not_of(ws);
    return t.substr(b, e - b + 1);
}

std::optional<double> FieldNumber(std::string_view text) {
    const std::string_view t = Trim(text);
    const NumberScan n = ScanNumber(t);
    if (!n.digits || n.end != t.size())
        return std::nullopt;
    return n.value;
}

std::optional<int16_t> FieldToInt16(std::string_view text) {
    auto v = FieldNumber(text);
    return v ? ToInt16(*v) : std::nullopt;
}

std::optional<int32_t> FieldToInt32(std::string_view text) {
    auto v = FieldNumber(text);
    return v ? ToInt32(*v) : std::nullopt;
}

std::string Upper(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

} // namespace txt
