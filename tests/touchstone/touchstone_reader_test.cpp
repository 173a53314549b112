// The Touchstone reader on files as other programs write them, and on what
// it must refuse.
#include "touchstone/touchstone_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>

namespace {

using touchstone::Cplx;
using touchstone::File;

constexpr double kPi = 3.14159265358979323846;

File Read(std::string_view text, int ports = 2) {
    touchstone::Settings s;
    s.ports = ports;
    return touchstone::Parse(text, s);
}

Cplx Polar(double mag, double deg) { return std::polar(mag, deg * kPi / 180); }

TEST(TouchstoneReader, AnalyserExportWithByteOrderMarkTabsCommentsAndNoiseBlock) {
    // A two-port export with a comment block, mixed case, tabs, comments
    // after values and the noise parameters after the S-parameters.
    const File f = Read("\xEF\xBB\xBF! Network analyser export\r\n"
                        "!   Date: 3/4/2026\r\n"
                        "! S2P File: Measurements: S11, S21, S12, S22:\r\n"
                        "#\tGhz\tS\tma\tR\t50\r\n"
                        "!freq\tmagS11\tangS11 ...\r\n"
                        "0.001\t0.5\t-10\t0.9\t-20\t0.1\t30\t0.4\t40 ! first\r\n"
                        "0.002 0.5 -11 0.9 -21 0.1 31 0.4 41\r\n"
                        "\r\n"
                        "! Noise parameters\r\n"
                        "0.001 1.2 0.3 45 0.25\r\n"
                        "0.002 1.3 0.31 46 0.26\r\n");
    ASSERT_TRUE(f.ok()) << f.error.text;
    EXPECT_EQ(f.ports, 2);
    EXPECT_EQ(f.options.unit, "GHZ");
    EXPECT_EQ(f.options.formatText, "MA");
    ASSERT_EQ(f.points.size(), 2u);
    EXPECT_EQ(f.points[1].freqHz, 2e6);
    EXPECT_EQ(f.points[1].line, 7);
    EXPECT_EQ(f.points[0].raw[1][0], 0.9);
    EXPECT_EQ(f.points[0].raw[1][1], -20);
    EXPECT_NEAR(std::abs(f.points[0].s[1] - Polar(0.9, -20)), 0, 1e-15);  // S21
    EXPECT_NEAR(std::abs(f.points[0].s[2] - Polar(0.1, 30)), 0, 1e-15);   // S12
    ASSERT_EQ(f.noise.size(), 2u);
    EXPECT_EQ(f.noise[1].freqHz, 2e6);
    EXPECT_EQ(f.noise[1].nfMinDb, 1.3);
    EXPECT_NEAR(std::abs(f.noise[0].gammaOpt - Polar(0.3, 45)), 0, 1e-15);
    EXPECT_EQ(f.noise[0].rn, 0.25);
    ASSERT_EQ(f.comments.size(), 5u);
    EXPECT_EQ(f.comments[0], "! Network analyser export");  // the mark is not part of it
    EXPECT_EQ(f.comments[4], "! Noise parameters");
}

TEST(TouchstoneReader, UnitsAndNotationsGiveTheSameValues) {
    const Cplx s11 = Polar(0.25, 60), s21 = Polar(0.5, -120);
    const auto line = [&](double f, const char* form) {
        char buf[400];
        const auto pair = [&](Cplx z, double& a, double& b) {
            const std::string fm = form;
            a = fm == "RI" ? z.real() : fm == "DB" ? 20 * std::log10(std::abs(z)) : std::abs(z);
            b = fm == "RI" ? z.imag() : std::arg(z) * 180 / kPi;
        };
        double a1, b1, a2, b2;
        pair(s11, a1, b1);
        pair(s21, a2, b2);
        std::snprintf(buf, sizeof buf, "%.17g %.17g %.17g %.17g %.17g %.17g %.17g %.17g %.17g\n",
                      f, a1, b1, a2, b2, a2, b2, a1, b1);
        return std::string(buf);
    };
    const struct {
        const char* unit;
        double scale;
    } units[] = {{"Hz", 1}, {"kHz", 1e3}, {"MHz", 1e6}, {"GHz", 1e9}};
    for (const auto& u : units)
        for (const char* form : {"MA", "DB", "RI"}) {
            const File f = Read(std::string("# ") + u.unit + " S " + form + " R 50\n" +
                                line(7e6 / u.scale, form) + line(8e6 / u.scale, form));
            ASSERT_TRUE(f.ok()) << u.unit << form << f.error.text;
            ASSERT_EQ(f.points.size(), 2u);
            EXPECT_NEAR(f.points[0].freqHz, 7e6, 1e-6) << u.unit;
            EXPECT_NEAR(std::abs(f.points[1].s[0] - s11), 0, 1e-12) << u.unit << form;
            EXPECT_NEAR(std::abs(f.points[1].s[1] - s21), 0, 1e-12) << u.unit << form;
            EXPECT_NEAR(std::abs(f.points[1].s[3] - s11), 0, 1e-12) << u.unit << form;
        }
}

TEST(TouchstoneReader, OtherReferenceResistancesAreReferredTo50Ohms) {
    // A 75 ohm load in a 75 ohm file reflects (75 - 50) / (75 + 50) at 50 ohms.
    File f = Read("# MHz S RI R 75\n1 0 0\n", 1);
    ASSERT_TRUE(f.ok()) << f.error.text;
    EXPECT_NEAR(std::abs(f.points[0].s[0] - Cplx(0.2, 0)), 0, 1e-15);
    EXPECT_EQ(f.points[0].raw[0][0], 0);  // as written
    // A quarter-wave 75 ohm line between 50 ohm ports: Zin = 75^2 / 50.
    f = Read("# MHz S MA R 75.0\n10 0 0 1 -90 1 -90 0 0\n");
    ASSERT_TRUE(f.ok()) << f.error.text;
    const double gamma = (75.0 * 75 / 50 - 50) / (75.0 * 75 / 50 + 50);
    EXPECT_NEAR(std::abs(f.points[0].s[0]), gamma, 1e-12);
    EXPECT_NEAR(std::abs(f.points[0].s[1]), std::sqrt(1 - gamma * gamma), 1e-12);
    EXPECT_NEAR(std::arg(f.points[0].s[1]) * 180 / kPi, -90, 1e-9);
    EXPECT_NEAR(std::abs(f.points[0].s[3] - f.points[0].s[0]), 0, 1e-12);
}

TEST(TouchstoneReader, PointsMayContinueOnTheNextLine) {
    File f = Read("# MHz S MA R 50\n1 0.1 0 0.9 10\n  0.9 10 0.1 0\n2 0.1 0 0.9 20 0.9 20 0.1 0\n");
    ASSERT_TRUE(f.ok()) << f.error.text;
    ASSERT_EQ(f.points.size(), 2u);
    EXPECT_EQ(f.points[0].line, 2);
    EXPECT_EQ(f.points[0].raw[3][0], 0.1);
    // A line may not finish one point and begin the next.
    f = Read("# MHz S MA R 50\n1 0.1 0 0.9 10\n0.9 10 0.1 0 2 0.1 0 0.9\n");
    EXPECT_EQ(f.error.line, 2);
    EXPECT_NE(f.error.text.find("incomplete data point: 9 values expected, 5 found"),
              std::string::npos) << f.error.text;
    EXPECT_TRUE(f.points.empty());
}

TEST(TouchstoneReader, TellsInsteadOfStoringZero) {
    const struct {
        const char* text;
        int line;
        const char* what;
    } cases[] = {
        {"# MHz S MA R 50\n1 0.5 0\n2 -0.5 0\n", 3, "negative magnitude -0.5"},
        {"# MHz S MA R 50\n1 0.5 0\n2 nan 0\n", 3, "\"nan\" is not a number"},
        {"# MHz S MA R 50\n1 0.5 0\n2 inf 0\n", 3, "\"inf\" is not a number"},
        {"# MHz S MA R 50\n1 0.5 0\n2 0x10 0\n", 3, "\"0x10\" is not a number"},
        {"# MHz S MA R 50\n1 0.5 0\n2 1.0.0 0\n", 3, "\"1.0.0\" is not a number"},
        {"# MHz S MA R 50\n1 0.5 0\n2 1e999 0\n", 3, "\"1e999\" is not a number"},
        {"# MHz S DB R 50\n1 0.5 0\n2 9999 0\n", 3, "value out of range"},
        {"# MHz S MA R 50\n1 0.5 0\n2 0.5 0\n2 0.5 0\n", 4, "frequencies must increase"},
        {"# MHz S MA R 50\n-1 0.5 0\n", 2, "bad frequency -1"},
        {"# MHz S MA R 50\n1 0.5 0 7\n", 2, "4 values on the line, 3 values expected"},
    };
    for (const auto& c : cases) {
        const File f = Read(c.text, 1);
        EXPECT_FALSE(f.ok()) << c.text;
        EXPECT_EQ(f.error.line, c.line) << c.text;
        EXPECT_EQ(f.error.text, c.what) << c.text;
        EXPECT_EQ(f.points.size(), size_t(c.line - 2)) << c.text;  // the points before it stay
    }
    // The noise block is read as strictly as the S-parameters.
    const File f = Read("# MHz S MA R 50\n1 0 0 1 0 1 0 0 0\n2 0 0 1 0 1 0 0 0\n"
                        "1 1 -0.3 0 0.2\n");
    EXPECT_EQ(f.error.line, 4);
    EXPECT_EQ(f.error.text, "negative magnitude -0.3");
    EXPECT_EQ(f.points.size(), 2u);
}

TEST(TouchstoneReader, OptionLinesAndMessages) {
    File f = Read("# MHz Z MA R 50\n1 0 0 1 0 1 0 0 0\n");
    EXPECT_EQ(f.error.text, "only S-parameters are supported (the file holds Z-parameters)");
    f = Read("# MHz S MA R 50 X\n");
    EXPECT_EQ(f.error.text, "unknown option \"X\"");
    f = Read("# MHz S MA R -5\n");
    EXPECT_EQ(f.error.text, "bad reference resistance");
    f = Read("[Version] 2.0\n");
    EXPECT_EQ(f.error.line, 1);
    f = Read("! only a comment\n");
    EXPECT_EQ(f.error.line, 0);
    EXPECT_EQ(touchstone::Describe("a.s2p", f.error), "a.s2p: no data points");
    f = Read("# MHz\n1 0 0 1 0 1 0 0 0\n# GHz\n");
    EXPECT_EQ(touchstone::Describe("b.s2p", f.error),
              "b.s2p, line 3: option line must come once, before the data");
    EXPECT_EQ(f.points.size(), 1u);
    // Without an option line: GHz, MA, 50 ohms.
    f = Read("0.01 0.5 90\n", 0);
    ASSERT_TRUE(f.ok());
    EXPECT_EQ(f.ports, 1);
    EXPECT_EQ(f.points[0].freqHz, 1e7);
    EXPECT_FALSE(f.options.seen);

    EXPECT_EQ(touchstone::PortsFromName("/x/a.S1p"), 1);
    EXPECT_EQ(touchstone::PortsFromName("b.s2P"), 2);
    EXPECT_EQ(touchstone::PortsFromName("c.dut"), 0);
    EXPECT_EQ(touchstone::PortsFromName("s2p"), 0);
}

TEST(TouchstoneReader, LoadsFilesAndNamesThemWhenItCannot) {
    const std::string path = ::testing::TempDir() + "touchstone_reader_test.s2p";
    std::ofstream(path, std::ios::binary) << "# MHz S DB\n10 -30 0 -3 -45 -3 -45 -30 0\n";
    touchstone::Settings s;
    s.ports = touchstone::PortsFromName(path);
    File f = touchstone::Load(path, s);
    ASSERT_TRUE(f.ok()) << f.error.text;
    EXPECT_NEAR(20 * std::log10(std::abs(f.points[0].s[1])), -3, 1e-12);
    std::remove(path.c_str());
    f = touchstone::Load(path, s);
    EXPECT_EQ(touchstone::Describe(path, f.error), "Cannot open " + path + ": No such file or directory");
}

} // namespace
