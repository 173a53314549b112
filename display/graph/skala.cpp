#include "display/graph/skala.h"

#include "link/text_rules.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kI32Min = std::numeric_limits<int32_t>::min();
constexpr double kI32Max = std::numeric_limits<int32_t>::max();

// Rounds halves to even and saturates at the 32-bit range (NaN gives 0).
int32_t Round32(double x) {
    if (std::isnan(x))
        return 0;
    return static_cast<int32_t>(std::clamp(txt::RoundHalfEven(x), kI32Min, kI32Max));
}

// Saturating conversion of an exact 64-bit result.
int32_t Sat32(int64_t x) {
    return static_cast<int32_t>(std::clamp<int64_t>(x, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// Splits a division into its leading part m and decade exponent e
// (div = m * 10^e, m not divisible by 10 unless 0).
void Split(int32_t div, int32_t& m, int& e) {
    m = div;
    e = 0;
    while (m != 0 && m % 10 == 0) {
        m /= 10;
        ++e;
    }
}

// entry * 10^e, or nothing when it does not fit 32 bits.
std::optional<int32_t> Scaled(int16_t entry, int e) {
    int64_t v = entry;
    for (int i = 0; i < e; ++i) {
        v *= 10;
        if (v > std::numeric_limits<int32_t>::max() || v < std::numeric_limits<int32_t>::min())
            return std::nullopt;
    }
    return static_cast<int32_t>(v);
}

} // namespace

Skala::Skala(QObject* parent) : QObject(parent) {}

void Skala::SetMid() { mid_ = Sat32(int64_t{min_} + 5 * int64_t{div_}); }

void Skala::RangeChanged() {
    div_ = Round32((double(max_) - double(min_)) / 10.0);
    SetMid();
    emit NewDivision();
}

void Skala::setMax(int32_t vNewValue) {
    max_ = vNewValue;
    RangeChanged();
}

void Skala::setMin(double vNewValue) {
    if (std::isnan(vNewValue))
        return;
    min_ = Round32(vNewValue);
    RangeChanged();
}

void Skala::setDiv(int32_t vNewValue) {
    div_ = vNewValue;
    SetMid();
    emit NewDivision();
}

void Skala::setNail(int16_t vNewValue) {
    if (vNewValue >= 0 && vNewValue <= 10)
        nail_ = vNewValue;
}

void Skala::setTicks(const QString& vNewValue) {
    const QByteArray text = vNewValue.toLatin1();
    StepTable table{};
    int count = 0;
    bool inNumber = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            if (!inNumber) {
                if (count == kSteps)
                    return;  // more numbers than slots: keep text and table
                // The number from here on: digits and one decimal point,
                // blanks inside skipped, ended by any other character.
                std::string digits;
                bool point = false;
                for (qsizetype j = i; j < text.size(); ++j) {
                    const char d = text[j];
                    if (d == ' ')
                        continue;
                    if (d == '.' && !point) {
                        point = true;
                        digits.push_back(d);
                    } else if (d >= '0' && d <= '9') {
                        digits.push_back(d);
                    } else {
                        break;
                    }
                }
                const auto v = txt::ToInt16(txt::Val(digits));
                if (!v)
                    return;  // beyond 16 bits: keep text and table
                table[count++] = *v;
            }
            inNumber = true;
        } else if (c == ',') {
            inNumber = false;
        }
    }
    for (int i = count; i < kSteps; ++i)
        table[i] = kEndMark;
    ticks_ = vNewValue;
    steps_ = table;
}

int32_t Skala::valu(double index) const {
    if (!(index >= 0 && index <= 10))
        return 0;
    return Round32(double(div_) * index + double(min_));
}

void Skala::Up() {
    if (int64_t{max_} + div_ <= high_) {
        max_ += div_;
        min_ = Sat32(int64_t{min_} + div_);
        SetMid();
    }
}

void Skala::Dn() {
    if (int64_t{min_} - div_ >= low_) {
        min_ -= div_;
        max_ = Sat32(int64_t{max_} - div_);
        SetMid();
    }
}

void Skala::FineShift(int sign) {
    if (fine_ == 0)
        return;
    const double step = sign * double(div_) / double(fine_);
    max_ = Round32(double(max_) + step);
    min_ = Round32(double(min_) + step);
    emit NewDivision();
}

void Skala::FineUp() { FineShift(+1); }
void Skala::FineDn() { FineShift(-1); }

int Skala::FirstNotBelow(int32_t m) const {
    for (int i = 0; i < kSteps; ++i)
        if (steps_[i] >= m)
            return i;
    return -1;
}

std::optional<int32_t> Skala::NextLargerStep(int32_t div) const {
    int32_t m;
    int e;
    Split(div, m, e);
    const int i = FirstNotBelow(m);
    if (i < 0)
        return std::nullopt;  // a leading part above every entry and the end mark
    int16_t taken;
    if (Entry(i) != kEndMark) {
        taken = Entry(i + 1);
        if (taken == kEndMark) {
            taken = Entry(0);
            ++e;
        }
    } else {
        ++e;
        taken = Entry(0);
    }
    return Scaled(taken, e);
}

std::optional<int32_t> Skala::NextSmallerStep(int32_t div) const {
    int32_t m;
    int e;
    Split(div, m, e);
    const int i = FirstNotBelow(m);
    if (i < 0 || Entry(0) == kEndMark)
        return std::nullopt;  // no entry for this division, or an empty sequence
    int16_t taken;
    if (i == 0) {
        if (e < 1)
            return Scaled(Entry(0), 0);  // the smallest step
        --e;
        int last = kSteps - 1;
        while (last > 0 && Entry(last) == kEndMark)
            --last;
        taken = Entry(last);
    } else if (Entry(i) != kEndMark) {
        taken = Entry(i - 1);
    } else {
        taken = Entry(std::max(i - 2, 0));
    }
    return Scaled(taken, e);
}

void Skala::StepDivision(std::optional<int32_t> next) {
    nailValue_ = valu(nail_);
    prevDiv_ = div_;
    if (next) {
        div_ = *next;
        const int64_t change = int64_t{div_} - prevDiv_;
        const int64_t growthAbove = change * (10 - nail_);
        const int64_t roomAbove = int64_t{high_} - max_;
        const int64_t growthBelow = change * nail_;
        const int64_t roomBelow = int64_t{min_} - low_;
        if (roomAbove <= growthAbove || roomBelow <= growthBelow) {
            div_ = prevDiv_;  // an exact fit counts as not fitting
        } else {
            max_ = Sat32(int64_t{nailValue_} + int64_t{10 - nail_} * div_);
            min_ = Sat32(int64_t{nailValue_} - int64_t{nail_} * div_);
        }
    }
    SetMid();
    emit NewDivision();
}

void Skala::IncDiv() { StepDivision(NextLargerStep(div_)); }
void Skala::DecDiv() { StepDivision(NextSmallerStep(div_)); }

void Skala::Center() {
    if (div_ != 0) {
        const int64_t v = valu(nail_);
        const int64_t shift =
            int64_t{Round32(double(v) / double(div_))} * div_ - v;
        if (!(max_ + shift > high_ || min_ + shift < low_)) {
            max_ = Sat32(max_ + shift);
            min_ = Sat32(min_ + shift);
        }
    }
    SetMid();  // before the event, so that a listener sees the new middle
    emit NewDivision();
}

int32_t Skala::GetPoint(double value) const {
    const int32_t lo = std::min(offset_, Sat32(int64_t{offset_} + points_));
    const int32_t hi = std::max(offset_, Sat32(int64_t{offset_} + points_));
    const int32_t start = reverse_ ? hi : lo;  // where min is drawn
    const int32_t end = reverse_ ? lo : hi;    // where max is drawn
    if (std::isnan(value))
        return start;
    if (value < low_)
        return start;
    if (value > high_)
        return end;
    const double span = double(max_) - double(min_);
    if (span == 0)
        return start;
    const double p = reverse_ ? (double(max_) - value) * points_ / span
                              : (value - double(min_)) * points_ / span;
    const double pixel = txt::RoundHalfEven(std::clamp(p + offset_, double(lo), double(hi)));
    return static_cast<int32_t>(pixel);
}

double Skala::GetValue(int32_t pixel) const {
    if (points_ == 0)
        return reverse_ ? max_ : min_;
    const double d = (double(pixel) - offset_) * (double(max_) - double(min_)) / points_;
    return reverse_ ? max_ - d : min_ + d;
}
