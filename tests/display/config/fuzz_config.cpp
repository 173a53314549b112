// Fuzz target for the configuration reader: any bytes must read without a
// crash into settings within their ranges, and settings that hold no "="
// must survive a save and a second read unchanged.
#include "display/config/config_file.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

bool Plain(const std::string& v) { return v.find('=') == std::string::npos; }

bool Same(const VnaConfig& a, const VnaConfig& b) {
    return a.Portno == b.Portno && a.VNAPort == b.VNAPort && a.VnaTClock == b.VnaTClock &&
           a.VNAClock == b.VNAClock && a.VNAType == b.VNAType && a.LT2440SRP == b.LT2440SRP &&
           a.DDEProt == b.DDEProt && a.TCPIPPORT == b.TCPIPPORT && a.TCPRemote == b.TCPRemote &&
           a.Helppage == b.Helppage && a.SparmSw == b.SparmSw &&
           a.SwitchOption == b.SwitchOption && a.Driver == b.Driver &&
           a.DriverDevice == b.DriverDevice && a.SimDut == b.SimDut &&
           a.ExtSorel == b.ExtSorel && a.ExtBytes == b.ExtBytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string help = "file:///usr/share/doc/vna/manual.md";
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const VnaConfig c = ReadCfgText(text, VnaConfig::Defaults(help), help);
    if (c.Portno < 0 || c.Portno > 2 || c.VNAType < 0 || c.VNAType > 2)
        __builtin_trap();
    if (c.SwitchOption != (c.SparmSw ? " Switch " : ""))
        __builtin_trap();

    // A TCP port text beginning with "0x" would also make the line
    // "TCPIPPort=0x..." a port line (keys are found anywhere in a line).
    bool plain = Plain(c.VnaTClock) && Plain(c.TCPIPPORT) && c.TCPIPPORT.rfind("0X", 0) != 0 &&
                 Plain(c.Helppage) &&
                 Plain(c.DriverDevice) && Plain(c.SimDut) && !c.Helppage.empty();
    for (const auto& s : c.LT2440SRP)
        plain = plain && Plain(s);
    if (plain) {
        const VnaConfig back = ReadCfgText(CfgText(c, help), VnaConfig::Defaults(help), help);
        if (!Same(c, back))
            __builtin_trap();
    }
    return 0;
}
