#pragma once
// Frequency text forms, the range check, the dump's name=value lines, the
// decimal-comma repair and the switch word bits of the display program.
// Frequencies are signed 32-bit integers in tenths of a hertz.
//
// Non-integer numbers are written as the shortest decimal text that reads
// back exactly, with "." as decimal point and no exponent for ordinary
// values (txt::DecimalText).

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

constexpr int32_t kQrgMin = 400000;    // 40 kHz
constexpr int32_t kQrgMax = 610000000; // 61 MHz

/// Frequency of a text: the leading number times the unit of the last unit
/// letter found among "H"/"h" (hertz), "K"/"k" (kilohertz), "M"/"m"
/// (megahertz); a number above 100 with a megahertz unit reads as 100M.
/// No unit letter gives 0. A product beyond 32 bits saturates (and so fails
/// the range check).
int32_t ParseFreq(std::string_view text);

/// Clamps a frequency to 400000..610000000. A frequency is in range when
/// ClampQrg returns it unchanged.
int32_t ClampQrg(int32_t f);
inline bool QrgInRange(int32_t f) { return ClampQrg(f) == f; }

/// Short text of the entry fields: "50K", "60.05M", "100H", "" for 1 Hz
/// and below.
std::string QrgShort(int32_t f);

/// Text with unit for labels and captions: "0 Hz", "1Hz", "1500Khz", "60MHz".
std::string QrgUnit(int32_t f);

/// One element of an array value.
using NameValueScalar = std::variant<int16_t, int32_t, float, double, std::string, bool>;
/// An array value: elements from index `lower` on.
struct NameValueArray {
    int lower = 0;
    std::vector<NameValueScalar> items;
};
/// The value kinds a name=value line can carry; monostate adds nothing.
using NameValueValue = std::variant<std::monostate, int16_t, int32_t, float, double,
                                    std::string, bool, NameValueArray>;

/// "name=value": integers and floating values as decimal text, strings as
/// they are, booleans "True"/"False", arrays as " index=value" per element.
std::string NameValue(std::string_view name, const NameValueValue& value);

/// Replaces every "," by ".".
void CommaToPoint(std::string& text);

/// Sets or clears a switch bit of the switch word B0: "SWIBRI" bit 2 (the
/// bridge), "SWIPOR" bit 3 (the port swap); the name is compared in upper
/// case. Switching off masks the word with 251 or 247, which also clears
/// bits 8..15. Returns false (word unchanged) for any other name.
bool SetSwitch(int16_t& switchWord, std::string_view name, bool on);

/// ln(x)/ln(10); 0 is replaced by the smallest positive double first, so
/// Log10(0) is about -323.306.
double Log10(double x);
