// Fuzzes the calibration data file reader. A file it accepts must write
// back as a file that reads to the same text again.
#include "display/calib/calib_file.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static auto table = std::make_unique<CalibTable>();
    std::string sw;
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const CalibFileStatus st = ParseCalibrationData(content, "fuzz.CD", *table, sw);
    if (!st.ok) {
        if (st.message.empty())
            __builtin_trap();
        return 0;
    }
    if (table->Maxinuse < 0 || table->Maxinuse >= kCalPoints)
        __builtin_trap();
    const bool withSwitch = sw == kSwitchMarker;
    const std::string text = CalibrationFileText(*table, withSwitch);
    std::string sw2;
    auto again = std::make_unique<CalibTable>(*table);
    if (!ParseCalibrationData(text, "again.CD", *again, sw2).ok)
        __builtin_trap();
    if (CalibrationFileText(*again, withSwitch) != text)
        __builtin_trap();
    return 0;
}
