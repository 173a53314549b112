#pragma once
// The diagnostic dump "Tavrel13 Dumpfile.txt": the program's working state
// for fault finding, in one text file with CR LF lines. In order: revision
// and host, date and time, the control variables, the S-data table headers,
// the frequency point table with its calibration values, the 201 records of
// the record log (with the calibration trace while a calibration runs), and
// the calibration plan last used. The program reads the file nowhere.

#include "display/calib/calib_procedure.h"
#include "display/measure/measure_state.h"

#include <string>

constexpr const char* kDumpFileName = "Tavrel13 Dumpfile.txt";

/// What the dump takes from outside the program state.
struct DumpHeader {
    std::string revision;  ///< the program's version
    std::string hostname;  ///< the local host name
    std::string date;      ///< the current date, short form
    std::string time;      ///< the current time, long form
    /// The S-data section, CR LF lines, as ListSdataHeaders writes it.
    std::string sdataHeaders;
};

/// The whole dump text. The point table is walked from the lower end record
/// through the live list to the upper end record (at most once round, even
/// if the links were broken); calibration values are written as decimal
/// text rounded to hundredths.
std::string DumpText(const DumpHeader& header, const MeasureState& s,
                     const CalibProcedure& procedure);

/// Writes the dump to `fileName` through a temporary file renamed into
/// place, so the file holds only the latest dump, whole. False with the
/// reason (naming the file) in `error` when it cannot be written.
bool WriteDump(const std::string& fileName, const std::string& text, std::string& error);
