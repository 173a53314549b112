#pragma once
// Touchstone input: one- and two-port S-parameter files (S1P, S2P) and the
// program's own DUT variant, read into one S-data table and its header.
//
// The file is read by the touchstone library (touchstone/touchstone_reader.h),
// the same reader the simulated analyser uses for its device files; this
// layer puts what it read into the table. Frequencies must stay below
// 100 MHz, the highest the program holds; a point at 0 Hz is left out.
// Values referred to another resistance than 50 ohms are converted to 50.

#include "display/measure/store.h"
#include "touchstone/touchstone_reader.h"

#include <string>
#include <string_view>

/// Outcome of a read. ok is false only when the file was not read at all
/// (wrong extension, cannot be opened); `message` is non-empty whenever the
/// user should be told something (also when the read stopped early: a
/// frequency of 100 MHz or more, frequencies that do not increase, a line
/// that cannot be read, a negative magnitude, more points than the table
/// holds; and as a note when the read went on: a point at 0 Hz left out,
/// values converted from another reference resistance). `line` is the
/// 1-based line the message is about, 0 when none.
struct TouchstoneStatus {
    bool ok = true;
    int line = 0;
    std::string message;
};

/// The message for a file whose extension is not S1P, S2P or DUT.
inline constexpr std::string_view kWrongExtension =
    "Fileextension not S1P, S2P or DUT - File not read";

/// Reads a Touchstone file into `table` and `head`. Sets Fileext (also for
/// a wrong extension), Filename (the name between the last path separator
/// and the first "." after it), the four states (S1P: S11 present, the
/// others absent; S2P: all present; DUT: those named by "!!" lines), Sform,
/// Unit, Length and the points read (all four notations of each
/// S-parameter). Comment lines are added to Info, each followed by a CR.
/// Start QRG, End QRG, LiveDead, Type and Impedanse are left to the caller.
TouchstoneStatus ReadTouchstone(const std::string& fileName, SdataTable& table,
                                SdataHeadRec& head);

/// The same for content already in memory; `fileName` gives the extension,
/// the table's file name and the name in messages.
TouchstoneStatus ParseTouchstone(std::string_view content, const std::string& fileName,
                                 SdataTable& table, SdataHeadRec& head);

// The token helpers of the reader, for callers that split such lines.
using touchstone::LocaliseDecimal;
using touchstone::NextToken;
