#pragma once
// The S-data section of the diagnostic dump: every S-data table header, one
// "label=value" line per field.

#include "display/measure/store.h"

#include <array>
#include <ostream>

/// Appends the headers of tables 0..12 to `out`, lines ended by CR LF: per
/// table the lines " Sdata table header no==<i>", " Filename ==<Filename>",
/// and so on to " Impedanse==<Impedanse>", then a line of two blanks.
/// Numbers have a leading blank when not negative, strings are written as
/// they are (Info with its CRs), Booleans as "True" or "False".
void ListSdataHeaders(std::ostream& out, const std::array<SdataHeadRec, kSdataTables>& heads);
