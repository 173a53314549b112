#pragma once
// Touchstone output: two-port files in MA notation with frequencies in MHz,
// the format the display program saves its live measurement in. Decimal
// points whatever the locale; lines end in CR LF.
//
//   ! Tavrel 13 S Parameter messurement result
//   ! <info>
//   # MHz S MA R 50
//   014.5000000 000.5000000 -045.40000 ...   (MHz, then |S| and degrees of S11 S21 S12 S22)

#include "display/measure/measure_state.h"

#include <array>
#include <string>

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

/// Collects a Touchstone file and writes it in one go on Close, through a
/// temporary file renamed into place.
class TouchstoneWriter {
public:
    /// Starts the file: the two comment lines (info with line breaks turned
    /// into blanks) and the option line.
    void WriteTouchstoneHeader(const std::string& fileName, const std::string& info);
    /// Adds one data line; see TouchstoneLine.
    void WriteTouchstoneLine(double frequency, const std::array<double, 8>& magAngle);
    /// Writes the file. False with a message naming the file on failure;
    /// an existing file is then unchanged.
    bool Close(std::string& error);
    const std::string& text() const { return text_; }

private:
    std::string fileName_;
    std::string text_;
};

/// Saves the live measurement: every point of the live list in ascending
/// frequency, the magnitudes and angles (radians converted to degrees with
/// their decimals) of all four S-parameters of S-data table Livestable.
bool SaveLiveTouchstone(const std::string& fileName, const std::string& info,
                        const MeasureState& s, std::string& error);
