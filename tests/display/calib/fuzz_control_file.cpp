// Fuzzes the calibration control file reader: it never programs more
// entries than the calibration table holds, and nothing when it rejects.
#include "display/calib/contfile.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

struct Counter : ScanTableTarget {
    int entries = 0;
    int ends = 0;
    void vnaSetUpEntry(int16_t ta, int16_t Idx, int32_t, int16_t, int16_t, int16_t, int16_t,
                       int16_t, int16_t, int16_t, int16_t, int16_t) override {
        if (ta != 1 || Idx != entries)
            __builtin_trap();
        ++entries;
    }
    void vnaMarkEnd(int16_t, int16_t b) override {
        if (b != entries)
            __builtin_trap();
        ++ends;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    Counter c;
    const ContfileResult r = ParseContfile(content, "fuzz.CC", size % 2 == 1, c);
    if (c.entries > kCalPoints)
        __builtin_trap();
    if (!r.ok && (c.entries != 0 || c.ends != 0 || r.message.empty()))
        __builtin_trap();
    if (r.ok && r.points != c.entries)
        __builtin_trap();
    return 0;
}
