#pragma once
// The line format of the Touchstone files the display program writes:
// two-port MA with frequencies in MHz, decimal points whatever the locale.
//
//   ! Tavrel 13 S Parameter messurement result
//   ! <info>
//   # MHz S MA R 50
//   014.5000000 000.5000000 -045.40000 ...   (MHz, then |S| and degrees of S11 S21 S12 S22)
//
// Standard C++ only.

#include <array>
#include <string>

namespace touchstone {

/// `x` with at least `intDigits` integer digits and exactly `decimals`
/// decimals, rounded half away from zero on the exact decimal digits of the
/// value (the shortest decimal text that reads back as x); "-" before a
/// negative value that does not round to zero. Non-finite values are
/// written as 0.
std::string FixedPattern(double x, int intDigits, int decimals);

/// Degrees wrapped into -180..180 (190 -> -170, 180 stays 180).
double WrapDegrees(double degrees);

/// One data line without its line end: frequency (0.1 Hz units) as MHz with
/// the pattern "000.0000000", then for S11, S21, S12, S22 the magnitude
/// ("000.0000000") and the angle in degrees, wrapped into -180..180, with
/// its decimals ("000.00000"); fields separated by one blank.
std::string TouchstoneLine(double frequency, const std::array<double, 8>& magAngle);

/// The three header lines, each ended by CR LF: the program's comment, the
/// info as a comment (line breaks turned into blanks), the option line.
std::string TouchstoneHeader(const std::string& info);

} // namespace touchstone
