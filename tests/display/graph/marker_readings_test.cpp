// Marker readings against the formulas, on devices read from Touchstone
// files: a 25 ohm resistor, a series RLC circuit and a delay line.
#include "display/graph/marker_model.h"
#include "display/graph/marker_text.h"
#include "display/sfile/touchstone_reader.h"
#include "graph_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

using namespace graphtest;

namespace {

constexpr double kTwoPi = 2 * 3.14159265358979;

/// Reads a Touchstone text into stored table 9 and copies its points into the
/// live table, as a sweep over the file's frequencies would leave them.
void LoadAsLive(MeasureState& s, const std::string& text, const std::string& name) {
    const TouchstoneStatus st = ParseTouchstone(text, name, s.Sdata[9], s.SdataHead[9]);
    ASSERT_TRUE(st.ok) << st.message;
    ASSERT_TRUE(st.message.empty()) << st.message;
    for (int i = 0; i < s.SdataHead[9].Length; ++i) {
        const SdataPoint& pt = s.Sdata[9][i];
        const int16_t p = InsertLive(s, pt.Qrg);
        s.Sdata[0][p] = pt;
    }
    for (int k = 0; k < 4; ++k)
        s.SdataHead[0].State(k) = s.SdataHead[9].State(k) == kSAbsent ? int16_t{kSAbsent} : int16_t{kSLive};
}

std::complex<double> GammaOf(std::complex<double> z) { return (z - 50.0) / (z + 50.0); }

std::string S1p(const std::function<std::complex<double>(double)>& z, double f0, double f1, int n) {
    std::ostringstream o;
    o.precision(15);
    o << "! test device\n# MHz S RI R 50\n";
    for (int i = 0; i < n; ++i) {
        const double mhz = f0 + (f1 - f0) * i / (n - 1);
        const auto g = GammaOf(z(mhz * 1e6));
        o << mhz << " " << g.real() << " " << g.imag() << "\n";
    }
    return o.str();
}

TEST(MarkerReadings, ResistorOf25Ohm) {
    auto s = NewState();
    LoadAsLive(*s, S1p([](double) { return std::complex<double>(25, 0); }, 1, 50, 50), "r25.s1p");
    const MarkerReading r = ReadAt(*s, 0, 10.5e6 * 10, 0);  // between two points
    ASSERT_TRUE(r.found);
    EXPECT_NEAR(r.s.real(), -1.0 / 3, 1e-12);
    EXPECT_NEAR(r.returnLoss, -20 * std::log10(1.0 / 3), 1e-9);  // 9.54 dB
    EXPECT_NEAR(r.vswr, 2.0, 1e-9);
    EXPECT_NEAR(r.z.real(), 25.0, 1e-9);
    EXPECT_NEAR(r.z.imag(), 0.0, 1e-9);
    EXPECT_NEAR(r.henry, 0, 1e-18);
    EXPECT_NEAR(r.farad, 0, 1e-18);
    EXPECT_NEAR(std::abs(r.phaseDeg), 180.0, 1e-9);
    EXPECT_FALSE(ReadAt(*s, 0, 0.5e6 * 10, 0).found) << "below the first point";
    EXPECT_FALSE(ReadAt(*s, 0, 10e6 * 10, 1).found) << "S21 is not in the table";
}

TEST(MarkerReadings, SeriesRlcAtAndOffResonance) {
    const double R = 10, L = 1e-6, C = 100e-12;
    const auto z = [=](double hz) {
        const double w = kTwoPi * hz;
        return std::complex<double>(R, w * L - 1 / (w * C));
    };
    auto s = NewState();
    LoadAsLive(*s, S1p(z, 1, 40, 40), "rlc.s1p");
    // At a point of the file: the formulas exactly.
    for (double mhz : {5.0, 16.0, 30.0}) {
        const MarkerReading r = ReadAt(*s, 0, mhz * 1e7, 0);
        ASSERT_TRUE(r.found);
        const auto zz = z(mhz * 1e6);
        EXPECT_NEAR(r.z.real(), R, 1e-6 * std::abs(zz));
        EXPECT_NEAR(r.z.imag(), zz.imag(), 1e-6 * std::abs(zz));
        const double w = kTwoPi * mhz * 1e6;
        if (zz.imag() > 0) {
            EXPECT_NEAR(r.henry, zz.imag() / w, 1e-6 * zz.imag() / w);
            EXPECT_EQ(r.farad, 0);
        } else {
            EXPECT_NEAR(r.farad, -1 / (w * zz.imag()), 1e-6 * -1 / (w * zz.imag()));
            EXPECT_EQ(r.henry, 0);
        }
        EXPECT_NEAR(r.vswr, (1 + std::abs(GammaOf(zz))) / (1 - std::abs(GammaOf(zz))), 1e-9);
    }
    // Well below resonance the circuit is the capacitor; well above, the inductor.
    EXPECT_NEAR(ReadAt(*s, 0, 1e7, 0).farad, C / (1 - std::pow(kTwoPi * 1e6, 2) * L * C), 1e-15);
    const double w40 = kTwoPi * 40e6;
    EXPECT_NEAR(ReadAt(*s, 0, 4e8, 0).henry, L - 1 / (w40 * w40 * C), 1e-6 * L);
}

TEST(MarkerReadings, GroupDelayOfADelayLine) {
    const double tau = 20e-9;
    std::ostringstream o;
    o.precision(15);
    o << "# MHz S MA R 50\n";
    for (int i = 0; i <= 60; ++i) {
        const double mhz = 1 + 0.5 * i;
        const double deg = std::remainder(-360.0 * mhz * 1e6 * tau, 360.0);
        o << mhz << " 0.01 0 0.5 " << deg << " 0.5 " << deg << " 0.01 0\n";
    }
    auto s = NewState();
    LoadAsLive(*s, o.str(), "line.s2p");
    for (double mhz : {3.0, 7.25, 30.9}) {
        const MarkerReading r = ReadAt(*s, 0, mhz * 1e7, 1);
        ASSERT_TRUE(r.found);
        ASSERT_TRUE(r.groupDelay);
        EXPECT_NEAR(*r.groupDelay, tau, 1e-6 * tau) << mhz;
        EXPECT_NEAR(r.db, 20 * std::log10(0.5), 1e-9);
    }
    // The last point takes the interval to its lower neighbour.
    ASSERT_TRUE(ReadAt(*s, 0, 31e7, 1).groupDelay);
    EXPECT_NEAR(*ReadAt(*s, 0, 31e7, 1).groupDelay, tau, 1e-6 * tau);
    EXPECT_FALSE(GroupDelay(0, 1, 5e6, 5e6));
}

TEST(MarkerReadings, TableRowsWithReferenceDifferences) {
    auto s = NewState();
    for (int i = 0; i <= 100; ++i)
        Put(*s, SweepQrg(i), 1, std::polar(std::pow(10.0, (-10.0 - 0.1 * i) / 20), -0.02 * i));
    MarkerTable m;
    EXPECT_EQ(m.Place(kMarkQrg, 1, false), -1) << "no click kept yet";
    m.MarkerId(SweepQrg(10), -11, 0, 1, -11);
    EXPECT_EQ(m.Place(kMarkQrg, 1, false), 0);
    EXPECT_EQ(m.PlaceAt(kMarkMagS21, SweepQrg(30), 1, false), 1);
    m.setReference(0);
    const auto rows = MarkerRows(*s, m);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].cells[0], "1 R");
    EXPECT_EQ(rows[1].cells[1], "S21");
    EXPECT_EQ(rows[1].cells[2], "16MHz");
    EXPECT_EQ(rows[1].cells[3], "-13.00");
    EXPECT_EQ(rows[1].cells[10], "10MHz");
    EXPECT_EQ(rows[1].cells[11], "-2.00");
    EXPECT_EQ(rows[1].cells[12], QString::number(-0.4 * 180 / kPi, 'f', 1));
    for (int k = 2; k < MarkerTable::kMarkers; ++k)
        EXPECT_GE(m.PlaceAt(kMarkPhaseS21, SweepQrg(k), 1, false), 0);
    EXPECT_EQ(m.PlaceAt(kMarkPhaseS21, SweepQrg(1), 1, false), -1) << "eleven at most";
    m.Remove(0);
    EXPECT_EQ(m.reference(), -1) << "the reference went with its marker";
    EXPECT_EQ(SiText(4.7e-12, "F"), "4.7 pF");
    EXPECT_EQ(SiText(1.25e-6, "H"), "1.25 µH");
}

} // namespace
