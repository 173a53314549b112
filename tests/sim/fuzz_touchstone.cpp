// Touchstone text of any shape must give a device or a message, never a
// crash, and a device must answer at any frequency.
#include "sim/touchstone_device.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const int ports = data[0] % 3;
    std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string error;
    auto dev = sim::ParseTouchstone(text, ports, "fuzz.s2p", error);
    if (dev) {
        for (double f : {-1.0, 0.0, 1e3, 1e6, 6.1e7, 1e12}) (void)dev->S(f);
    } else if (error.empty()) {
        __builtin_trap();
    }
    return 0;
}
