// Touchstone device files measured end to end on the simulated analyser, as
// the display program measures: VNA01 set up with the clock of the shipped
// configuration (data/tavrel.Cfg) drives the simulator, the shipped
// calibration (data/Master.cd) corrects, and every record goes through the
// display's DataRecordIn into the live table, which is compared with the
// device's exact S-parameters at the frequencies the display asked for.
//
// The devices are Touchstone files written here in the styles of other
// programs: a 1 us delay line, and the built-in band-pass filter exported
// as a network analyser, a field solver and a 75 ohm tool would write it.

#include "display/calib/calib_file.h"
#include "display/calib/data_intake.h"
#include "display/config/config_file.h"
#include "server/engine/sim_harness.h"
#include "sim/bridge_model.h"
#include "sim/devices.h"
#include "tests/display/calib/sim_compare.h"
#include "tests/display/calib/sim_records.h"
#include "touchstone/touchstone_reader.h"

#include <QString>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

namespace {

constexpr int16_t kSpeed = 3;  // the speed of the program's default sweep
constexpr int16_t kSettleMs = 20;
constexpr double kDelay = 1e-6;  // seconds

/// The clock text of the shipped configuration.
std::string ShippedClock() {
    const CfgLoad load = initCFG(VNA_SOURCE_DIR "/data", VnaConfig::Defaults(""), "");
    EXPECT_FALSE(load.fileMissing);
    return load.cfg.VNAClock;
}

std::string TempPath(const std::string& name) { return ::testing::TempDir() + name; }

/// Writes `text` to a file of that name in the temporary folder.
std::string WriteFile(const std::string& name, const std::string& text) {
    const std::string path = TempPath(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

/// What one measurement found.
struct Result {
    WorstError worst;
    double worstHz = 0;   ///< largest frequency error of the synthesizer
    double worstPpm = 0;  ///< the same relative to the frequency
    double phaseUpTo58MHz = 0;
};

/// Measures `Smessure` of the device file `dut` with the analyser's clock
/// set to `clock`, corrected by the shipped calibration; `exact` gives the
/// device's S-parameter at a frequency in Hz.
Result Measure(const std::string& dut, const std::string& clock, int16_t Smessure,
               const std::function<Cplx(double)>& exact, double floorDb) {
    Result out;
    out.worst.floorDb = floorDb;
    harness::RigOptions o;
    o.noise = false;
    o.drift = false;
    o.dut = dut;
    harness::SimRig rig(o);
    EXPECT_TRUE(rig.ok()) << rig.error();
    if (!rig.ok())
        return out;
    // The server's start: the port and the clock of the command line; the
    // loop it enters is stopped at once.
    rig.onYield = [&rig] { rig.vna().Stopscan(); };
    EXPECT_EQ(rig.vna().setphys("&H378", clock), engine::VnaResult::Ok);
    rig.onYield = nullptr;

    auto cal = std::make_unique<CalibTable>();
    std::string switchOption;
    const CalibFileStatus cs =
        ReadCalibrationFile(VNA_SOURCE_DIR "/data/Master.cd", *cal, switchOption);
    EXPECT_TRUE(cs.ok) << cs.message;

    auto s = std::make_unique<MeasureState>();
    s->Smessure = Smessure;
    s->SwitchOption = switchOption;
    s->Calibrationpoints = cal->Maxinuse;
    const int16_t B0 = Smessure == 0 ? 4 : 0;
    // 400 steps from 0.2 to 60 MHz: 149.5 kHz apart, none on a
    // calibration frequency.
    EXPECT_EQ(rig.vna().SetUpScan(0, 400, 2000000, 600000000, kSpeed, kSettleMs, 24, B0, 0, 0, 0,
                                  0),
              engine::VnaResult::Ok);
    EXPECT_TRUE(rig.Mount("DUT"));
    QuietEvents ev;
    for (const engine::DataRecord& d : rig.Run(0, 1))
        DataRecordIn(*s, *cal, ev, ToRec(d));
    EXPECT_EQ(s->LiveCount, 403);
    const double step = rig.vna().StepSize();
    for (int16_t p = s->QrgPoints[1].next; p != 0; p = s->QrgPoints[p].next) {
        const double asked = s->QrgPoints[p].Qrg / 10.0;
        // The frequency the synthesizer really makes: a whole word of the
        // simulator's crystal.
        const double made = std::nearbyint(s->QrgPoints[p].Qrg / step) * sim::kSynthClockHz /
                            4294967296.0;
        out.worstHz = std::max(out.worstHz, std::fabs(made - asked));
        out.worstPpm = std::max(out.worstPpm, std::fabs(made - asked) / asked * 1e6);
        const Cplx got = s->Sdata[0][p].S[Smessure].RI;
        const Cplx want = exact(asked);
        out.worst.Add(got, want, asked);
        if (asked <= 58e6)
            out.phaseUpTo58MHz =
                std::max(out.phaseUpTo58MHz, std::fabs(std::arg(got / want)) * 180 / kPi);
    }
    return out;
}

/// A 1 us delay line, matched, as a field solver writes it: a comment
/// block, GHz, real and imaginary parts, a point every 5 kHz from 0 Hz.
std::string DelayLineFile() {
    std::string text = "! Delay line 1 us, lossless, 50 ohms\n! Exported by a field solver\n"
                       "# GHZ S RI R 50\n";
    char line[300];
    for (int i = 0; i <= 12400; ++i) {
        const double f = i * 5e3;
        const Cplx t = std::polar(1.0, -2 * kPi * f * kDelay);
        std::snprintf(line, sizeof line, "%.9f 0 0 %.17g %.17g %.17g %.17g 0 0\n", f / 1e9,
                      t.real(), t.imag(), t.real(), t.imag());
        text += line;
    }
    return text;
}

TEST(TouchstoneOnTheSimulator, DelayLinePhaseWithTheShippedClock) {
    const std::string clock = ShippedClock();
    EXPECT_EQ(clock, "148.3419");  // the simulator's crystal
    const std::string path = WriteFile("delay_1us.s2p", DelayLineFile());
    const auto exact = [](double hz) { return std::polar(1.0, -2 * kPi * hz * kDelay); };
    const Result shipped = Measure(path, clock, 1, exact, -40);
    shipped.worst.Print("1 us delay line, clock " + clock);
    std::printf("  frequency error %.4f Hz (%.4f ppm), phase error up to 58 MHz %.4f deg\n",
                shipped.worstHz, shipped.worstPpm, shipped.phaseUpTo58MHz);
    // Within half a step of the synthesizer (148.3419 MHz / 2^32 = 0.035 Hz).
    EXPECT_LT(shipped.worstHz, 0.018);
    EXPECT_LT(shipped.phaseUpTo58MHz, 0.02);
    EXPECT_GT(shipped.worst.count, 390);

    // The window's default clock is 14 ppm off the crystal: every point
    // lands beside the one asked for, and the line's phase shows it.
    const Result off = Measure(path, "148.344", 1, exact, -40);
    std::printf("clock 148.344: frequency error %.1f Hz (%.4f ppm), phase error up to 58 MHz "
                "%.4f deg\n",
                off.worstHz, off.worstPpm, off.phaseUpTo58MHz);
    EXPECT_GT(off.worstPpm, 14);
    EXPECT_GT(off.phaseUpTo58MHz, 0.2);
    std::remove(path.c_str());
}

/// The built-in band-pass filter written as another program would, a point
/// every 5 kHz from 0 Hz to 61 MHz: "analyser" (a byte-order mark, a comment
/// block, Hz, RI, tabs, CR LF), "solver" (GHz, DB, lower case, a noise block)
/// or "75ohm" (kHz, MA, mixed case, referred to 75 ohms).
std::string ForeignExport(const sim::Device& dev, const std::string& style) {
    std::string text;
    double unit = 1e6, r = 50;
    if (style == "analyser") {
        text = "\xEF\xBB\xBF!Agile network analyser export\r\n!Date: Tue Dec  8 2026\r\n"
               "!Correction: S11(Full 2 Port) S21(Full 2 Port)\r\n! S2P File: Measurements: "
               "S11, S21, S12, S22:\r\n# Hz S  RI   R 50\r\n";
        unit = 1;
    } else if (style == "solver") {
        text = "! Touchstone file exported by a field solver\n!\n! Ports: 2\n"
               "# ghz s db r 50.000\n";
        unit = 1e9;
    } else {
        text = "! 75 ohm system\n# kHz S Ma R 75\n";
        unit = 1e3;
        r = 75;
    }
    char line[400];
    for (int i = 0; i <= 12200; ++i) {
        const double f = i * 5e3;
        const sim::SMatrix m = dev.S(f);
        std::array<Cplx, 4> s = {m.s11, m.s21, m.s12, m.s22};
        s = touchstone::Renormalize(s, 50, r);
        std::string values;
        for (const Cplx& z : s) {
            char pair[100];
            if (style == "analyser")
                std::snprintf(pair, sizeof pair, "\t%.15g\t%.15g", z.real(), z.imag());
            else if (style == "solver")
                std::snprintf(pair, sizeof pair, " %.15g %.15g",  // at most -300 dB
                              20 * std::log10(std::max(std::abs(z), 1e-15)),
                              std::arg(z) * 180 / kPi);
            else
                std::snprintf(pair, sizeof pair, "  %.15g  %.15g", std::abs(z),
                              std::arg(z) * 180 / kPi);
            values += pair;
        }
        std::snprintf(line, sizeof line, "%.15g%s%s", f / unit, values.c_str(),
                      style == "analyser" ? "\r\n" : "\n");
        text += line;
    }
    if (style == "solver")  // the noise parameters after the S-parameters
        text += "! Noise parameters\n0.001 3.1 0.2 10 0.4\n0.05 3.3 0.25 40 0.45\n";
    return text;
}

TEST(TouchstoneOnTheSimulator, FilesOfOtherProgramsMeasureLikeTheBuiltInDevice) {
    std::string err;
    const auto bpf = sim::MakeDevice("bpf10m7", err);
    ASSERT_TRUE(bpf) << err;
    const std::string clock = ShippedClock();
    const auto exactOf = [&](int16_t k) {
        return [&, k](double hz) {
            const sim::SMatrix m = bpf->S(hz);
            return k == 0 ? m.s11 : m.s21;
        };
    };
    double firstStyle[2] = {-1, -1};  // every style reads as the first one
    const Result builtIn[2] = {Measure("bpf10m7", clock, 0, exactOf(0), -40),
                               Measure("bpf10m7", clock, 1, exactOf(1), -40)};
    for (const char* style : {"analyser", "solver", "75ohm"}) {
        const std::string path =
            WriteFile(std::string("bpf_") + style + (style[0] == 'a' ? ".S2P" : ".s2p"),
                      ForeignExport(*bpf, style));
        for (int16_t k : {0, 1}) {
            const Result file = Measure(path, clock, k, exactOf(k), -40);
            const std::string what = std::string(style) + (k == 0 ? " S11" : " S21");
            file.worst.Print(what);
            builtIn[k].worst.Print("built-in, the same sweep");
            EXPECT_GT(file.worst.strongCount, 20) << what;
            // As close to the truth as the built-in device measures (the
            // file's points lie 5 kHz apart, linearly interpolated), and
            // within what the shipped calibration allows.
            EXPECT_LT(file.worst.maxAbs, builtIn[k].worst.maxAbs + 1e-4) << what;
            EXPECT_LT(file.worst.strongDb, 0.1) << what;
            EXPECT_LT(file.worst.strongDeg, 1.0) << what;
            if (firstStyle[k] < 0)
                firstStyle[k] = file.worst.maxAbs;
            EXPECT_NEAR(file.worst.maxAbs, firstStyle[k], 1e-9) << what;
        }
        std::remove(path.c_str());
    }
}

} // namespace
