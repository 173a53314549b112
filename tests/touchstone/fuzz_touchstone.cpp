// Fuzzes the Touchstone reader and both of its users with text of any
// shape: the reader gives points or a message, never a crash; the
// simulated analyser's device answers at any frequency; the display's
// table never grows past its size and every point it holds has finite
// values in all notations.
#include "display/sfile/touchstone_reader.h"
#include "sim/touchstone_device.h"
#include "touchstone/touchstone_reader.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace {

bool Finite(std::complex<double> z) { return std::isfinite(z.real()) && std::isfinite(z.imag()); }

void CheckReader(std::string_view text, int ports) {
    touchstone::Settings settings;
    settings.ports = ports;
    settings.maxPoints = 1000;
    const touchstone::File f = touchstone::Parse(text, settings);
    if (!f.ok() && f.error.text.empty())
        __builtin_trap();
    if (f.points.size() > settings.maxPoints || (f.points.empty() && f.ok()))
        __builtin_trap();
    double previous = -1;
    for (const touchstone::Point& p : f.points) {
        if (!(p.freqHz > previous) || !std::isfinite(p.freqHz))
            __builtin_trap();
        previous = p.freqHz;
        for (const auto& z : p.s)
            if (!Finite(z))
                __builtin_trap();
    }
    for (const touchstone::NoisePoint& n : f.noise)
        if (!std::isfinite(n.freqHz) || !Finite(n.gammaOpt) || f.ports != 2)
            __builtin_trap();
}

void CheckDevice(std::string_view text, int ports) {
    std::string error;
    auto dev = sim::ParseTouchstone(text, ports, "fuzz.s2p", error);
    if (dev) {
        for (double f : {-1.0, 0.0, 1e3, 1e6, 6.1e7, 1e12})
            (void)dev->S(f);
    } else if (error.empty()) {
        __builtin_trap();
    }
}

void CheckTable(std::string_view text, const char* name) {
    static auto table = std::make_unique<SdataTable>();
    SdataHeadRec head;
    ParseTouchstone(text, name, *table, head);
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
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    static const char* const names[] = {"f.s1p", "f.S2P", "f.dut", "f.txt"};
    const int ports = data[0] % 3;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    CheckReader(text, ports);
    CheckDevice(text, ports);
    CheckTable(text, names[data[0] % 4]);
    return 0;
}
