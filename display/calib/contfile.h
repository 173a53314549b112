#pragma once
// Calibration control files (*.CC): the calibration frequencies, the
// per-entry time and a title. Plain text; the first character of a line
// decides its meaning: "+" a frequency (0.1 Hz), "W" the time (the number
// after the first "="), "T" the title (the rest of the line); every other
// line is ignored.

#include "display/calib/calib_table.h"

#include <cstdint>
#include <string>
#include <string_view>

/// Where the control file programs scan table 1: the main window's
/// vnaSetUpEntry and vnaMarkEnd, which pass their arguments to the server.
class ScanTableTarget {
public:
    virtual ~ScanTableTarget() = default;
    virtual void vnaSetUpEntry(int16_t ta, int16_t Idx, int32_t F, int16_t ADCS, int16_t VnaT,
                               int16_t ADCBi, int16_t e, int16_t B0, int16_t B1, int16_t B2,
                               int16_t B3, int16_t B4) = 0;
    virtual void vnaMarkEnd(int16_t a, int16_t b) = 0;
};

/// Outcome of ReadContfile. The caller sets CalWaitTime := waitTime,
/// Calibrationpoints := points and CalprogressMark := 0 when ok.
struct ContfileResult {
    bool ok = true;
    int line = 0;          ///< 1-based line of the fault, 0 when not line-bound
    std::string message;   ///< names the file (and line) on failure
    std::string title;     ///< the last "T" line's text ("" when none)
    int16_t waitTime = 0;  ///< the last "W" value
    int16_t points = 0;    ///< entries programmed (0 with noSetup)
};

/// Reads a control file. The whole file is checked first; only when it is
/// sound, and unless noSetup, entry i of table 1 is programmed for every
/// "+" line with its frequency and the W value in force at that line
/// (vnaSetUpEntry(1, i, f, 0, W, 24, 0, 0, 0, 0, 0, 0)), followed by
/// vnaMarkEnd(1, count). A file that cannot be read, a "+" or "W" line
/// without a number or with one that does not fit (32-bit frequency, 16-bit
/// time), more than 121 frequencies, or (unless noSetup) none, is rejected:
/// nothing is programmed.
ContfileResult ReadContfile(const std::string& fileName, bool noSetup, ScanTableTarget& target);

/// The same for content already in memory; `fileName` is used in messages.
ContfileResult ParseContfile(std::string_view content, const std::string& fileName,
                             bool noSetup, ScanTableTarget& target);
