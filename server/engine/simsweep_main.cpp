// simsweep: runs the scan engine on the simulated analyser and prints every
// measured row as the server's data report ("1001 ..."), one per line.

#include "link/messages.h"
#include "link/text_rules.h"
#include "server/engine/sim_harness.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace {

void Usage() {
    std::fprintf(stderr,
                 "usage: simsweep [options]\n"
                 "  --start HZ      first frequency (default 49000; suffix k or M allowed)\n"
                 "  --end HZ        last frequency (default 60M)\n"
                 "  --steps N       steps between them (default 100: 101 points)\n"
                 "  --speed S       converter speed 0..3 (default 3)\n"
                 "  --settle MS     settling time (default 20)\n"
                 "  --b0 N          user byte B0 (default 255; 4 bridge, 8 swap)\n"
                 "  --dut NAME|FILE device under test (default bpf10m7)\n"
                 "  --fixture F     THRU, OPEND, OPEN, SHORT, LOAD or DUT (default DUT)\n"
                 "  --sweeps N      sweeps to run (default 1)\n"
                 "  --seed N        noise seed (default 1)\n"
                 "  --no-noise      converter noise off\n"
                 "  --real-time     physical port and conversion times\n");
}

// Hz text with an optional k/M suffix, to tenths of a hertz.
bool ParseHz(std::string_view text, int32_t& tenths) {
    double scale = 10.0;
    if (!text.empty() && (text.back() == 'k' || text.back() == 'K')) {
        scale = 1e4;
        text.remove_suffix(1);
    } else if (!text.empty() && text.back() == 'M') {
        scale = 1e7;
        text.remove_suffix(1);
    }
    const auto v = txt::FieldNumber(text);
    if (!v) return false;
    const auto t = txt::ToInt32(*v * scale);
    if (!t) return false;
    tenths = *t;
    return true;
}

bool ParseInt(std::string_view text, long lo, long hi, long& out) {
    const auto v = txt::FieldToInt32(text);
    if (!v || *v < lo || *v > hi) return false;
    out = *v;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    harness::RigOptions options;
    int32_t start = 490000, end = 600000000;
    long steps = 100, speed = 3, settle = 20, b0 = 255, sweeps = 1, seed = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        const bool hasValue = i + 1 < argc;
        const std::string_view v = hasValue ? std::string_view(argv[i + 1]) : std::string_view();
        bool ok = true;
        if (a == "--no-noise") { options.noise = false; continue; }
        if (a == "--real-time") { options.virtualTime = false; continue; }
        if (a == "--help" || a == "-h") { Usage(); return 0; }
        if (!hasValue) { ok = false; }
        else if (a == "--start") ok = ParseHz(v, start);
        else if (a == "--end") ok = ParseHz(v, end);
        else if (a == "--steps") ok = ParseInt(v, 1, 596, steps);
        else if (a == "--speed") ok = ParseInt(v, 0, 3, speed);
        else if (a == "--settle") ok = ParseInt(v, 0, 32767, settle);
        else if (a == "--b0") ok = ParseInt(v, 0, 255, b0);
        else if (a == "--sweeps") ok = ParseInt(v, 1, 100000, sweeps);
        else if (a == "--seed") ok = ParseInt(v, 0, 2147483647, seed);
        else if (a == "--dut") options.dut = std::string(v);
        else if (a == "--fixture") options.fixture = std::string(v);
        else ok = false;
        if (!ok) {
            std::fprintf(stderr, "simsweep: bad option %s%s%s\n", argv[i], hasValue ? " " : "",
                         hasValue ? argv[i + 1] : "");
            Usage();
            return 2;
        }
        ++i;
    }
    options.seed = static_cast<uint64_t>(seed);
    options.maxIterations = UINT64_MAX / 2;
    harness::SimRig rig(options);
    if (!rig.ok()) {
        std::fprintf(stderr, "simsweep: %s\n", rig.error().c_str());
        return 1;
    }
    const auto r = rig.vna().SetUpScan(0, static_cast<int16_t>(steps), start, end,
                                       static_cast<int16_t>(speed), static_cast<int16_t>(settle),
                                       24, static_cast<int16_t>(b0), 255, 255, 255, 255);
    if (r != engine::VnaResult::Ok) {
        std::fprintf(stderr, "simsweep: cannot set up the sweep: %s\n", engine::ResultText(r));
        return 1;
    }
    rig.onRecord = [](const engine::DataRecord& d) {
        const std::string line = msg::DataReady(d.ta, d.Idx, d.rf, d.LOPH, d.dat, d.tag, d.ADCS,
                                                d.ADCBits, d.VNATime, d.B0, d.B1, d.B2, d.B3, d.B4);
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
    };
    const int64_t t0 = rig.analyser().Now();
    const auto records = rig.Run(0, static_cast<int>(sweeps));
    const double seconds = static_cast<double>(rig.analyser().Now() - t0) * 1e-9;
    std::fflush(stdout);
    std::fprintf(stderr, "simsweep: %s, %ld sweep(s), %zu rows, %.3f s of %s time\n",
                 rig.port().Describe().c_str(), sweeps, records.size(), seconds,
                 rig.analyser().virtualTime() ? "virtual" : "real");
    return 0;
}
