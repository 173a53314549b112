// Fuzzes the Touchstone reader: the table never grows past its size and
// every point read holds finite values in all notations.
#include "display/sfile/touchstone_reader.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static auto table = std::make_unique<SdataTable>();
    static const char* const names[] = {"f.s1p", "f.S2P", "f.dut", "f.txt"};
    SdataHeadRec head;
    const char* name = names[size > 0 ? data[0] % 4 : 0];
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    ParseTouchstone(content, name, *table, head);
    if (head.Length < 0 || head.Length > kSdataPoints)
        __builtin_trap();
    int32_t previous = 0;
    for (int i = 0; i < head.Length; ++i) {
        const SdataPoint& p = (*table)[i];
        if (p.Qrg <= previous || p.Qrg >= 1000000000)
            __builtin_trap();
        previous = p.Qrg;
        for (const SBlock& b : p.S)
            for (const Cplx& z : {b.MA, b.DB, b.RI, b.VSWR})
                if (!std::isfinite(z.real()) || !std::isfinite(z.imag()))
                    __builtin_trap();
    }
    return 0;
}
