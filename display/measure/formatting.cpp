#include "display/measure/formatting.h"

#include "link/text_rules.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

int32_t ParseFreq(std::string_view text) {
    double m = 0;
    auto has = [&](char a) {
        const char b = static_cast<char>(a - 'A' + 'a');
        return text.find(a) != std::string_view::npos || text.find(b) != std::string_view::npos;
    };
    if (has('H'))
        m = 10;
    if (has('K'))
        m = 10000;
    if (has('M'))
        m = 10000000;
    double number = txt::Val(text);
    if (number > 100 && m >= 10000000)
        number = 100;
    const double r = txt::RoundHalfEven(number * m);
    if (r >= std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (r <= std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(r);
}

int32_t ClampQrg(int32_t f) {
    if (f > kQrgMax)
        return kQrgMax;
    if (f < kQrgMin)
        return kQrgMin;
    return f;
}

std::string QrgShort(int32_t f) {
    const double n = txt::RoundHalfEven(f / 10.0);
    if (n > 1000000)
        return txt::DecimalText(n / 1000000) + "M";
    if (n > 1000)
        return txt::DecimalText(n / 1000) + "K";
    if (n > 1)
        return txt::DecimalText(n) + "H";
    return {};
}

std::string QrgUnit(int32_t f) {
    if (f == 0)
        return "0 Hz";
    long long n = std::llabs(static_cast<long long>(txt::RoundHalfEven(f / 10.0)));
    int zeros = 0;
    while (n != 0 && n % 10 == 0) {
        ++zeros;
        n /= 10;
    }
    if (zeros <= 2)
        return txt::DecimalText(f / 10.0) + "Hz";
    if (zeros <= 5)
        return txt::DecimalText(f / 10000.0) + "Khz";
    if (zeros <= 8)
        return txt::DecimalText(f / 10000000.0) + "MHz";
    if (zeros <= 11)
        return txt::DecimalText(f / 10000000000.0) + "Ghz";
    return {};
}

namespace {

std::string ScalarText(const NameValueScalar& v) {
    struct {
        std::string operator()(int16_t x) const { return std::to_string(x); }
        std::string operator()(int32_t x) const { return std::to_string(x); }
        std::string operator()(float x) const {
            // Shortest text of the single-precision value itself.
            char buf[64];
            const float a = std::fabs(x);
            const auto fmt = (a == 0 || (a >= 1e-9f && a < 1e21f)) ? std::chars_format::fixed
                                                                     : std::chars_format::general;
            auto r = std::to_chars(buf, buf + sizeof buf, x, fmt);
            return std::string(buf, r.ptr);
        }
        std::string operator()(double x) const { return txt::DecimalText(x); }
        std::string operator()(const std::string& x) const { return x; }
        std::string operator()(bool x) const { return x ? "True" : "False"; }
    } visit;
    return std::visit(visit, v);
}

} // namespace

std::string NameValue(std::string_view name, const NameValueValue& value) {
    std::string s(name);
    s += '=';
    if (std::holds_alternative<std::monostate>(value))
        return s;
    if (const auto* a = std::get_if<NameValueArray>(&value)) {
        int index = a->lower;
        for (const auto& item : a->items) {
            s += ' ' + std::to_string(index++) + '=' + ScalarText(item);
        }
        return s;
    }
    std::visit(
        [&](const auto& x) {
            using T = std::decay_t<decltype(x)>;
            if constexpr (!std::is_same_v<T, std::monostate> && !std::is_same_v<T, NameValueArray>)
                s += ScalarText(NameValueScalar(x));
        },
        value);
    return s;
}

void CommaToPoint(std::string& text) {
    for (char& c : text)
        if (c == ',')
            c = '.';
}

bool SetSwitch(int16_t& switchWord, std::string_view name, bool on) {
    const std::string n = txt::Upper(name);
    int bit;
    if (n == "SWIBRI")
        bit = 4;
    else if (n == "SWIPOR")
        bit = 8;
    else
        return false;
    // Switching off masks with 251 or 247, which also clears bits 8..15.
    switchWord = static_cast<int16_t>(on ? (switchWord | bit) : (switchWord & (255 - bit)));
    return true;
}

double Log10(double x) {
    if (x == 0)
        x = std::numeric_limits<double>::denorm_min();
    return std::log(x) / std::log(10.0);
}
