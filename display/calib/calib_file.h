#pragma once
// Calibration data files (*.CD): the whole calibration table as quoted text
// lines, fields separated by "/".
//
//   " / <title> / <Maxinuse>"
//   per speed table:  "/ <CalAux> / <CalTime> / <CalOffsetValue> / <True|False>[ / Switch ]"
//   per point 0..Maxinuse:  " / <QRG> / " then per slot "  <re> /  <im> / "
//
// Numbers have a leading blank when not negative; five slots per point, or
// eight when the table line carries the switch marker. Lines end in CR LF.

#include "display/calib/calib_table.h"

#include <string>
#include <string_view>

/// The switch option text that marks a calibration with the port switch.
inline constexpr std::string_view kSwitchMarker = " Switch ";

/// Outcome of reading or writing a calibration file. On failure `message`
/// names the file and, when the fault is on a line, the line (1-based).
struct CalibFileStatus {
    bool ok = true;
    int line = 0;
    std::string message;
};

/// Reads a calibration data file. The file is checked as a whole before
/// anything changes: on success `table` (title trimmed of surrounding
/// blanks, Maxinuse, the four speed tables, points 0..Maxinuse) and
/// `SwitchOption` (" Switch " when the table lines carry the marker,
/// otherwise the text after the Boolean, e.g. " True") are replaced; on
/// failure (unreadable file, missing or malformed field, more than 121
/// points per table, more than eight slots per point, numbers that do not
/// fit their field, lines left over) both stay exactly as they were.
/// Points above Maxinuse and the unused slots keep their values. The caller
/// sets Calibrationpoints to the new Maxinuse.
CalibFileStatus ReadCalibrationFile(const std::string& fileName, CalibTable& table,
                                    std::string& SwitchOption);

/// The same for file content already in memory; `fileName` is used in messages.
CalibFileStatus ParseCalibrationData(std::string_view content, const std::string& fileName,
                                     CalibTable& table, std::string& SwitchOption);

/// The file content for `table`; eight slots and the marker when withSwitch.
/// Maxinuse is written clamped to 0..120; characters that would break a line
/// ('/', '"', CR, LF) are written as blanks in the title.
std::string CalibrationFileText(const CalibTable& table, bool withSwitch);

/// Writes the table through a temporary file renamed into place, so a
/// failure leaves any existing file untouched. The switch marker and slots
/// 5..7 are written when SwitchOption equals " Switch ".
CalibFileStatus WriteCalibrationFile(const std::string& fileName, const CalibTable& table,
                                     std::string_view SwitchOption);
