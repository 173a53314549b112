#pragma once
// Touchstone input: one- and two-port S-parameter files (S1P, S2P) and the
// program's own DUT variant, read into one S-data table and its header.
//
// Version 1.1 files are read as the standard has them: the option line
// "# <unit> S <MA|DB|RI> R <ohms>" in any letter case, GHz and MA when the
// line or one of its items is missing; S1P data lines carry three values,
// S2P lines nine (S11, S21, S12, S22); "!" starts a comment. Frequencies
// must increase and stay below 100 MHz, the highest the program holds.

#include "display/measure/store.h"

#include <string>
#include <string_view>

/// Outcome of a read. ok is false only when the file was not read at all
/// (wrong extension, cannot be opened); `message` is non-empty whenever the
/// user should be told something (also when the read stopped early: a
/// frequency of 100 MHz or more, frequencies that do not increase, a line
/// that cannot be read, more points than the table holds). `line` is the
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

/// Takes the first blank-separated token off `line`: leading blanks are
/// removed; "" when nothing remains; the whole rest when it holds no blank
/// (the line becomes ""); otherwise the text before the first blank, which
/// is removed together with that blank.
std::string NextToken(std::string& line);

/// Makes a number token with a "." decimal point readable by the C
/// library's conversion in the current locale: when "0.5" does not convert
/// to 0.5 the locale's separator is ",", and the first "." becomes ",".
void LocaliseDecimal(std::string& token);
