#include "display/sfile/touchstone_reader.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

namespace {

class TouchstoneReader : public ::testing::Test {
protected:
    std::unique_ptr<SdataTable> table = std::make_unique<SdataTable>();
    SdataHeadRec head;
    TouchstoneStatus Parse(const std::string& text, const std::string& name = "t.S2P") {
        return ParseTouchstone(text, name, *table, head);
    }
};

TEST_F(TouchstoneReader, TwoPortMaInMhz) {
    const auto st = Parse("! first\r\n! second\r\n# MHz S MA R 50\r\n"
                          "1 0.5 -45 0.9 10 0.8 20 0.4 30\r\n"
                          "2 0.5 -46 0.9 11 0.8 21 0.4 31\r\n"
                          "3 0.5 -47 0.9 12 0.8 22 0.4 32\r\n",
                          "/data/bpf.10m7.S2P");
    EXPECT_TRUE(st.ok);
    EXPECT_EQ(st.message, "");
    EXPECT_EQ(head.Length, 3);
    EXPECT_EQ((*table)[0].Qrg, 10000000);
    EXPECT_EQ((*table)[1].Qrg, 20000000);
    EXPECT_EQ((*table)[2].Qrg, 30000000);
    EXPECT_EQ(head.Fileext, "S2P");
    EXPECT_EQ(head.Filename, "bpf");
    EXPECT_EQ(head.Unit, "MHZ");
    EXPECT_EQ(head.Sform, "MA");
    EXPECT_EQ(head.Info, "! first\r! second\r");
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(head.State(k), kSFromFile);
    const SBlock& s21 = (*table)[2].S[1];
    EXPECT_DOUBLE_EQ(s21.MA.real(), 0.9);
    EXPECT_DOUBLE_EQ(s21.MA.imag(), 12 * kPi / 180);
    EXPECT_NEAR(s21.DB.real(), 20 * std::log10(0.9), 1e-12);
    EXPECT_NEAR(s21.RI.imag(), 0.9 * std::sin(12 * kPi / 180), 1e-12);
    EXPECT_NEAR((*table)[0].S[0].VSWR.real(), 3, 1e-12);
}

TEST_F(TouchstoneReader, OnePortInItsUsualLayout) {
    head.Info = "kept ";
    const auto st = Parse("# khz s ma r 50\n100 0.25 90\n200 0.5 5\n", "ant.s1p");
    EXPECT_TRUE(st.ok) << st.message;
    EXPECT_EQ(head.Fileext, "S1P");
    EXPECT_EQ(head.S11, kSFromFile);
    EXPECT_EQ(head.S21, kSAbsent);
    EXPECT_EQ(head.S12, kSAbsent);
    EXPECT_EQ(head.S22, kSAbsent);
    EXPECT_EQ(head.Unit, "KHZ");
    EXPECT_EQ(head.Length, 2);
    EXPECT_EQ((*table)[0].Qrg, 1000000);
    EXPECT_DOUBLE_EQ((*table)[1].S[0].MA.real(), 0.5);
    EXPECT_DOUBLE_EQ((*table)[1].S[0].MA.imag(), 5 * kPi / 180);  // a one-digit last value
    EXPECT_EQ(head.Info, "kept ");
}

TEST_F(TouchstoneReader, DutFilesDeclareTheirParameters) {
    const auto st = Parse("!! S11\n!!s21\n!! s21 again\n!! X99\n# MHz S MA R 50\n"
                          "1 1 0 1 0 0 0 0 0\n",
                          "C:\\dut\\amp.DUT");
    EXPECT_TRUE(st.ok);
    EXPECT_EQ(head.Filename, "amp");
    EXPECT_EQ(head.S11, kSFromFile);
    EXPECT_EQ(head.S21, kSFromFile);
    EXPECT_EQ(head.S12, kSAbsent);
    EXPECT_EQ(head.S22, kSAbsent);
    EXPECT_EQ(head.Length, 1);
    EXPECT_EQ(head.Info, "");
}

TEST_F(TouchstoneReader, DefaultsAndOtherNotations) {
    // No option line: GHz and MA.
    Parse("0.01 0.5 90\n", "a.s1p");
    EXPECT_EQ(head.Length, 1);
    EXPECT_EQ((*table)[0].Qrg, 100000000);
    EXPECT_EQ(head.Unit, "GHZ");
    EXPECT_EQ(head.Sform, "MA");
    // An option line without a unit: GHz; RI data read.
    Parse("# S RI R 50\n0.001 0 0.5\n", "b.s1p");
    EXPECT_EQ(head.Length, 1);
    EXPECT_EQ((*table)[0].Qrg, 10000000);
    EXPECT_EQ(head.Sform, "RI");
    EXPECT_EQ((*table)[0].S[0].RI, Cplx(0, 0.5));
    EXPECT_DOUBLE_EQ((*table)[0].S[0].MA.real(), 0.5);
    EXPECT_NEAR((*table)[0].S[0].MA.imag(), kPi / 2, 1e-12);
    // DB data.
    Parse("# Hz S DB R 50\n1e6 -20 -90\n", "c.s1p");
    EXPECT_EQ(head.Sform, "DB");
    EXPECT_EQ(head.Unit, "HZ");
    EXPECT_NEAR((*table)[0].S[0].MA.real(), 0.1, 1e-12);
    EXPECT_NEAR((*table)[0].S[0].DB.real(), -20, 1e-12);
    EXPECT_NEAR((*table)[0].S[0].RI.imag(), -0.1, 1e-12);
    // Indented lines, tabs, a comment after the values.
    Parse("  # MHz S MA R 50\n\t1\t0.5\t10 ! first point\n   2 0.6 20\n", "d.s1p");
    EXPECT_EQ(head.Length, 2);
    EXPECT_DOUBLE_EQ((*table)[1].S[0].MA.real(), 0.6);
}

TEST_F(TouchstoneReader, TheReadStopsWhereItMust) {
    // 100 MHz stops the read; comments after it still count.
    auto st = Parse("# MHz S MA R 50\n99.9 1 0\n100 1 0\n50 1 0\n! late\n", "e.s1p");
    EXPECT_TRUE(st.ok);
    EXPECT_EQ(head.Length, 1);
    EXPECT_EQ(st.line, 3);
    EXPECT_NE(st.message.find("e.s1p, line 3: "), std::string::npos);
    EXPECT_EQ(head.Info, "! late\r");
    // A frequency that does not increase.
    st = Parse("# MHz S MA R 50\n1 1 0\n2 1 0\n2 1 0\n3 1 0\n", "f.s1p");
    EXPECT_EQ(head.Length, 2);
    EXPECT_EQ(st.line, 4);
    // Lines that cannot be read.
    st = Parse("# MHz S MA R 50\n1 1 0\n2 x 0\n", "g.s1p");
    EXPECT_EQ(head.Length, 1);
    EXPECT_EQ(st.line, 3);
    st = Parse("# MHz S MA R 50\n1 1 0 1 0 1 0\n", "h.s2p");
    EXPECT_EQ(head.Length, 0);
    EXPECT_NE(st.message.find("9 values expected"), std::string::npos);
    st = Parse("# MHz S MA R 50\n1 1 0 1 0 1 0 1 0 1\n", "i.s2p");
    EXPECT_EQ(head.Length, 0);
    st = Parse("# MHz S MA R 50\n1 inf 0\n", "j.s1p");
    EXPECT_EQ(head.Length, 0);
    // A negative frequency far outside 32 bits (found by fuzzing).
    st = Parse("# GHz S MA R 50\n-1e300 1 0\n1 1 0\n", "l.s1p");
    EXPECT_EQ(head.Length, 0);
    EXPECT_EQ(st.line, 2);
    // More points than the table holds.
    std::string many = "# Hz S MA R 50\n";
    for (int i = 1; i <= kSdataPoints + 5; ++i)
        many += std::to_string(i * 100) + " 0.5 0\n";
    st = Parse(many, "k.s1p");
    EXPECT_EQ(head.Length, kSdataPoints);
    EXPECT_EQ(st.line, kSdataPoints + 2);
    EXPECT_NE(st.message.find("more than 501 points"), std::string::npos);
}

TEST_F(TouchstoneReader, AWrongExtensionReadsNothing) {
    head.Length = 7;
    head.Filename = "before";
    const auto st = Parse("# MHz S MA R 50\n1 1 0\n", "x.txt");
    EXPECT_FALSE(st.ok);
    EXPECT_EQ(st.message, "Fileextension not S1P, S2P or DUT - File not read");
    EXPECT_EQ(head.Fileext, "TXT");
    EXPECT_EQ(head.Length, 7);
    EXPECT_EQ(head.Filename, "before");
    // A file without points leaves no points of an earlier file.
    Parse("! nothing\n", "y.s2p");
    EXPECT_EQ(head.Length, 0);
}

TEST_F(TouchstoneReader, FromDiskAndMissingFiles) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("disk.S2P").toStdString();
    std::ofstream(path) << "# MHz S MA R 50\n5 1 0 1 0 1 0 1 0\n";
    EXPECT_TRUE(ReadTouchstone(path, *table, head).ok);
    EXPECT_EQ(head.Length, 1);
    const auto st = ReadTouchstone(path + ".S2P", *table, head);
    EXPECT_FALSE(st.ok);
    EXPECT_NE(st.message.find("disk.S2P.S2P"), std::string::npos);
}

TEST_F(TouchstoneReader, FilesOfOtherProgramsReadAsTheSimulatorReadsThem) {
    // A byte-order mark, a comment block, tabs, mixed case and a noise
    // block after the S-parameters: read without a message.
    auto st = Parse("\xEF\xBB\xBF! Field solver export\n!\tport 1: in\n#\tmhz s Db r 50\n"
                    "1\t-20 10 -0.5 -5 -0.5 -5 -20 10\n2\t-21 11 -0.6 -6 -0.6 -6 -21 11\n"
                    "! noise\n1 1.5 0.2 30 0.3\n2 1.6 0.2 31 0.3\n",
                    "amp.s2p");
    EXPECT_TRUE(st.ok);
    EXPECT_EQ(st.message, "");
    EXPECT_EQ(head.Length, 2);
    EXPECT_EQ(head.Info, "! Field solver export\r!\tport 1: in\r! noise\r");
    EXPECT_EQ(head.Sform, "DB");
    EXPECT_NEAR((*table)[1].S[1].DB.real(), -0.6, 1e-12);
    // A negative magnitude and a non-number are told, not stored as 0.
    st = Parse("# MHz S MA R 50\n1 0.5 0\n2 -0.5 0\n", "neg.s1p");
    EXPECT_EQ(head.Length, 1);
    EXPECT_EQ(st.line, 3);
    EXPECT_EQ(st.message,
              "neg.s1p, line 3: negative magnitude -0.5; the rest of the file is not read");
    st = Parse("# MHz S MA R 50\n1 0.5 0\n2 NaN 0\n", "nan.s1p");
    EXPECT_EQ(head.Length, 1);
    EXPECT_NE(st.message.find("line 3: \"NaN\" is not a number"), std::string::npos);
    // Another reference resistance: values at 50 ohms, and a note.
    st = Parse("# MHz S RI R 75\n1 0 0\n", "r75.s1p");
    EXPECT_EQ(head.Length, 1);
    EXPECT_NEAR((*table)[0].S[0].RI.real(), 0.2, 1e-15);
    EXPECT_EQ(st.message, "r75.s1p: the values are referred to 75 ohms in the file and shown at 50 ohms");
    // A point at 0 Hz (field solvers start there) is left out, the rest read.
    st = Parse("# Hz S MA R 50\n0 1 0\n1000 0.5 0\n", "dc.s1p");
    EXPECT_EQ(head.Length, 1);
    EXPECT_EQ((*table)[0].Qrg, 10000);
    EXPECT_EQ(st.line, 2);
    // A stop after the note replaces the note.
    st = Parse("# Hz S MA R 50\n0 1 0\n1000 0.5 0\n500 0.5 0\n", "dc.s1p");
    EXPECT_EQ(st.line, 4);
}

TEST(NextToken, SplitsAtBlanks) {
    std::string line = "  14.5  0.5 -45";
    EXPECT_EQ(NextToken(line), "14.5");
    EXPECT_EQ(line, " 0.5 -45");
    EXPECT_EQ(NextToken(line), "0.5");
    EXPECT_EQ(NextToken(line), "-45");
    EXPECT_EQ(line, "");
    EXPECT_EQ(NextToken(line), "");
    line = "5";
    EXPECT_EQ(NextToken(line), "5");  // a one-character value is a value
    line = "   ";
    EXPECT_EQ(NextToken(line), "");
    std::string tok = "1.25";
    LocaliseDecimal(tok);  // the C locale reads "."
    EXPECT_EQ(tok, "1.25");
}

} // namespace
