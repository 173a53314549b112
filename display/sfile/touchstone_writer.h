#pragma once
// Touchstone output: the display program saves its live measurement as a
// two-port file in MA notation with frequencies in MHz; the line format is
// the touchstone library's (touchstone/touchstone_format.h).

#include "display/measure/measure_state.h"
#include "touchstone/touchstone_format.h"

#include <array>
#include <string>

using touchstone::FixedPattern;
using touchstone::TouchstoneLine;
using touchstone::WrapDegrees;

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
