// Device circuits, the bridge model, Touchstone devices and the port trace.

#include "sim/bridge_model.h"
#include "sim/devices.h"
#include "sim/port_trace.h"
#include "sim/touchstone_device.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>

namespace {

double Db(sim::Cplx z) { return 20.0 * std::log10(std::abs(z)); }

TEST(Devices, CircuitsBehaveLikeTheirParts) {
    // Attenuator: 10 dB, matched, reciprocal.
    const auto att = sim::Attenuator10(5e6);
    EXPECT_NEAR(Db(att.s21), -10.0, 0.01);
    EXPECT_LT(std::abs(att.s11), 1e-3);
    EXPECT_NEAR(std::abs(att.s12 - att.s21), 0.0, 1e-12);
    // Band-pass: through at 10.7 MHz (some loss), -3 dB near +-0.5 MHz, stop far away.
    const double centre = Db(sim::BandPass10m7(10.7e6).s21);
    EXPECT_GT(centre, -3.0);
    EXPECT_NEAR(Db(sim::BandPass10m7(11.2e6).s21) - centre, -3.0, 0.5);
    EXPECT_NEAR(Db(sim::BandPass10m7(10.2e6).s21) - centre, -3.0, 0.8);
    EXPECT_LT(Db(sim::BandPass10m7(2e6).s21), -60.0);
    // Low-pass: passes 10 MHz, stops 60 MHz.
    EXPECT_GT(Db(sim::LowPass30m(10e6).s21), -0.5);
    EXPECT_LT(Db(sim::LowPass30m(60e6).s21), -30.0);
    // Series RLC to ground: notch at 15.9 MHz, 2R/(2R+Z0) deep.
    EXPECT_NEAR(std::abs(sim::SeriesRlcToGround(15.915e6).s21), 20.0 / 70.0, 2e-3);
    EXPECT_GT(std::abs(sim::SeriesRlcToGround(1e6).s21), 0.99);
    // Open cable: lossy, so below 1, and its phase turns with frequency.
    const auto c1 = sim::OpenCable(1e6).s11, c2 = sim::OpenCable(30e6).s11;
    EXPECT_LT(std::abs(c2), std::abs(c1));
    EXPECT_LT(std::abs(c1), 1.0);
    EXPECT_GT(std::abs(c2), 0.8);
    EXPECT_EQ(sim::OpenCable(1e6).s21, sim::Cplx(0.0));
    // Standards.
    std::string err;
    EXPECT_EQ(sim::MakeDevice("SHORT", err)->S(1e6).s11, sim::Cplx(-1.0));
    EXPECT_EQ(sim::MakeDevice("thru", err)->S(1e6).s21, sim::Cplx(1.0));
    EXPECT_EQ(sim::MakeDevice("load", err)->S(1e6).s11, sim::Cplx(0.0));
    EXPECT_EQ(sim::MakeDevice("opend", err)->S(1e6).s21, sim::Cplx(0.0));
    EXPECT_EQ(sim::BuiltinDeviceNames().size(), 10u);
}

TEST(BridgeModel, FiguresOfAHomeBuiltBridge) {
    EXPECT_NEAR(-Db(sim::BridgeModel(2e6).directivity / sim::SynthRolloff(2e6)), 24.0, 0.01);
    EXPECT_NEAR(-Db(sim::BridgeModel(40e6).directivity / sim::SynthRolloff(40e6)), 30.0, 0.01);
    EXPECT_NEAR(Db(sim::BridgeModel(1e6).sourceMatch), -20.0, 0.01);
    EXPECT_NEAR(Db(sim::BridgeModel(1e3).tracking), -10.0, 0.01);
    EXPECT_NEAR(Db(sim::TransmissionModel(10e6).leakage), -110.0, 0.01);
    // 1 ns of delay: a quarter turn at 250 MHz, so -36 degrees at 100 MHz... at 50 MHz -18.
    EXPECT_NEAR(std::arg(sim::BridgeModel(50e6).tracking) * 180 / sim::kPi, -18.0, 0.01);
    // Same every call (a stored calibration stays valid).
    EXPECT_EQ(sim::BridgeModel(7e6).directivity, sim::BridgeModel(7e6).directivity);
    // Swap selects S22 / S12.
    sim::SMatrix s{0.5, 0.25, 0.75, -0.5};
    const auto t = sim::TransmissionModel(1e6);
    EXPECT_EQ(sim::DetectorWave(1e6, s, false, true), t.tracking * 0.25 + t.leakage);
    const auto b = sim::BridgeModel(1e6);
    EXPECT_EQ(sim::DetectorWave(1e6, s, true, true),
              b.directivity + b.tracking * -0.5 / (1.0 + b.sourceMatch * 0.5));
}

TEST(Touchstone, FormatsUnitsInterpolationAndErrors) {
    std::string err;
    auto ma = sim::ParseTouchstone("! comment\n# MHz S MA R 50\n1 0.5 90\n3 0.7 90 ! end\n", 1, "a.s1p", err);
    ASSERT_TRUE(ma) << err;
    EXPECT_NEAR(std::abs(ma->S(2e6).s11 - sim::Cplx(0, 0.6)), 0.0, 1e-12);
    EXPECT_NEAR(std::abs(ma->S(0.5e6).s11 - sim::Cplx(0, 0.5)), 0.0, 1e-12); // held below
    EXPECT_NEAR(std::abs(ma->S(9e6).s11 - sim::Cplx(0, 0.7)), 0.0, 1e-12);   // held above
    EXPECT_EQ(ma->S(2e6).s21, sim::Cplx(0.0));

    auto db = sim::ParseTouchstone("#khz s db\n100 -6.0206 0 -20 180 -20 180 -6.0206 0\n", 2, "b.s2p", err);
    ASSERT_TRUE(db) << err;
    EXPECT_NEAR(std::abs(db->S(1e5).s11), 0.5, 1e-4);
    EXPECT_NEAR(db->S(1e5).s21.real(), -0.1, 1e-9);

    auto ri = sim::ParseTouchstone("# Hz S RI R 100\n1e6 0 0\n", 1, "c.s1p", err);
    ASSERT_TRUE(ri) << err;
    EXPECT_NEAR(ri->S(1e6).s11.real(), 1.0 / 3.0, 1e-12); // 100 ohms seen from 50

    auto inferred = sim::ParseTouchstone("# GHz S RI\n0.001 1 0 0 0 0 0 1 0\n", 0, "d.dut", err);
    ASSERT_TRUE(inferred) << err;
    EXPECT_EQ(inferred->S(1e6).s11, sim::Cplx(1.0));

    auto expectError = [&](const char* text, int ports, const char* what) {
        err.clear();
        EXPECT_FALSE(sim::ParseTouchstone(text, ports, "x.s2p", err)) << text;
        EXPECT_NE(err.find(what), std::string::npos) << err;
    };
    expectError("# MHz S MA\n1 0.5 90\n2 0.5\n", 1, "x.s2p, line 3: incomplete");
    expectError("# MHz S MA\n1 0.5 abc\n", 1, "line 2: \"abc\" is not a number");
    expectError("# MHz Y MA\n1 0.5 90\n", 1, "line 1: only S-parameters");
    expectError("# MHz S MA\n2 0.5 90\n1 0.5 90\n", 1, "line 3: frequencies must increase");
    expectError("! nothing\n", 1, "no data points");
    expectError("1 2 3 4\n", 0, "line 1: expected 3");
    expectError("# MHz S MA R 0\n", 1, "reference resistance");
    expectError("1 0.5 90\n# MHz\n", 1, "line 2: option line");
}

TEST(Touchstone, ReadsFilesAndNamesThemInErrors) {
    const std::string path = ::testing::TempDir() + "sim_dev_test.s2p";
    {
        std::ofstream f(path);
        f << "# MHz S DB R 50\n10 -30 0 -3 -45 -3 -45 -30 0\n20 -30 0 -6 -90 -6 -90 -30 0\n";
    }
    std::string err;
    auto dev = sim::MakeDevice(path, err);
    ASSERT_TRUE(dev) << err;
    EXPECT_NEAR(Db(dev->S(10e6).s21), -3.0, 1e-9);
    EXPECT_NEAR(std::arg(dev->S(20e6).s21) * 180 / sim::kPi, -90.0, 1e-9);
    std::remove(path.c_str());
    EXPECT_FALSE(sim::MakeDevice(path, err));
    EXPECT_EQ(err.rfind("Cannot open " + path + ": No such file", 0), 0u) << err;
}

TEST(PortTrace, OneLinePerAccessFromTimeZero) {
    EXPECT_EQ(sim::PortTrace::Line(1234, true, 'D', 0x45), "1234 W D 45");
    EXPECT_EQ(sim::PortTrace::Line(0, false, 'S', 0x7F), "0 R S 7F");
    const std::string path = ::testing::TempDir() + "sim_trace_test.txt";
    sim::PortTrace t;
    std::string err;
    ASSERT_TRUE(t.Open(path, err)) << err;
    t.Record(5000, true, 'C', 9);
    t.Record(6000, false, 'S', 0xFF);
    EXPECT_TRUE(t.Close());
    std::ifstream in(path);
    std::string a, b;
    std::getline(in, a);
    std::getline(in, b);
    EXPECT_EQ(a, "0 W C 09");
    EXPECT_EQ(b, "1000 R S FF");
    std::remove(path.c_str());
    EXPECT_FALSE(t.Open("/nonexistent-dir/trace.txt", err));
    EXPECT_NE(err.find("/nonexistent-dir/trace.txt"), std::string::npos);
}

} // namespace
