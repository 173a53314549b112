#pragma once
// The number and text rules shared by both programs. Every value that
// crosses the link or a file is text; these routines are the one place where
// such text is read and written. No Qt, standard library only.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace txt {

/// Rounds to the nearest integer, halves to even (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double x);

/// Result of reading the leading number of a text.
struct NumberScan {
    double value = 0.0;  ///< 0 when the text holds no number
    size_t end = 0;      ///< index just past the last character taken
    bool digits = false; ///< at least one digit was read
};

/// Reads the leading number of a text: leading blanks skipped, optional sign,
/// digits with one decimal point, optional exponent ("E"/"e", optional sign,
/// digits), or a "&H" (hexadecimal) / "&O" (octal) prefixed integer. Reading
/// stops at the first character that cannot continue the number.
NumberScan ScanNumber(std::string_view text);

/// The numeric value of a text: ScanNumber's value ("0005" -> 5,
/// "&H378" -> 888, " -12abc" -> -12, "" -> 0).
double Val(std::string_view text);

/// N(x): decimal text of an integer with a leading blank for zero and
/// positive values and "-" for negative ones (N(5) == " 5", N(-12) == "-12").
std::string N(long long x);

/// Text of a non-integer number: the shortest decimal text that reads back
/// exactly, with "." as decimal point whatever the locale, and no exponent for
/// values from 1e-9 to below 1e21 (other magnitudes use "1e+25" style).
/// Integers have no decimal point ("3", "-0" is written "0"). NaN and infinities
/// are written "nan", "inf", "-inf".
std::string DecimalText(double x);

/// Rounds (halves to even) and converts to a 16-bit / 32-bit signed integer;
/// nothing when the rounded value does not fit or x is not finite.
std::optional<int16_t> ToInt16(double x);
std::optional<int32_t> ToInt32(double x);

/// Strict conversion of a whole field (a link field, a file value): the text,
/// apart from surrounding blanks, must be exactly one number as ScanNumber
/// reads it; the value is rounded (halves to even) and range-checked.
/// Nothing for an empty text, trailing garbage or overflow.
std::optional<double> FieldNumber(std::string_view text);
std::optional<int16_t> FieldToInt16(std::string_view text);
std::optional<int32_t> FieldToInt32(std::string_view text);

/// ASCII upper-casing (keywords are compared after upper-casing).
std::string Upper(std::string_view text);

/// The text without leading and trailing blanks (and tabs, CR, LF).
std::string_view Trim(std::string_view text);

} // namespace txt
