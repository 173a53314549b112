#include "display/calib/contfile.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

namespace {

struct Entry {
    int16_t ta, Idx;
    int32_t F;
    int16_t ADCS, VnaT, ADCBi, e, B0;
};

struct Target : ScanTableTarget {
    std::vector<Entry> entries;
    std::vector<std::pair<int16_t, int16_t>> ends;
    void vnaSetUpEntry(int16_t ta, int16_t Idx, int32_t F, int16_t ADCS, int16_t VnaT,
                       int16_t ADCBi, int16_t e, int16_t B0, int16_t, int16_t, int16_t,
                       int16_t) override {
        entries.push_back({ta, Idx, F, ADCS, VnaT, ADCBi, e, B0});
    }
    void vnaMarkEnd(int16_t a, int16_t b) override { ends.push_back({a, b}); }
};

TEST(Contfile, TitleTimeAndFrequenciesProgramTableOne) {
    Target t;
    const ContfileResult r = ParseContfile(
        "D 2023\r\nTCal 1 to 30 MHz\r\nW=50\r\n+10000000\r\n+ 150000000\r\n+300000000\r\nH x\r\n",
        "a.CC", false, t);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.title, "Cal 1 to 30 MHz");
    EXPECT_EQ(r.waitTime, 50);
    EXPECT_EQ(r.points, 3);
    ASSERT_EQ(t.entries.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(t.entries[i].ta, 1);
        EXPECT_EQ(t.entries[i].Idx, i);
        EXPECT_EQ(t.entries[i].VnaT, 50);
        EXPECT_EQ(t.entries[i].ADCS, 0);
        EXPECT_EQ(t.entries[i].ADCBi, 24);
        EXPECT_EQ(t.entries[i].e, 0);
        EXPECT_EQ(t.entries[i].B0, 0);
    }
    EXPECT_EQ(t.entries[1].F, 150000000);
    ASSERT_EQ(t.ends.size(), 1u);
    EXPECT_EQ(t.ends[0], std::make_pair(int16_t{1}, int16_t{3}));
}

TEST(Contfile, TheTimeInForceAtEachLineIsUsed) {
    Target t;
    const ContfileResult r =
        ParseContfile("+400000\nW = 30 ms\n+500000\nW=70\n+600000\n", "b.CC", false, t);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(t.entries.size(), 3u);
    EXPECT_EQ(t.entries[0].VnaT, 0);  // before any W line
    EXPECT_EQ(t.entries[1].VnaT, 30);
    EXPECT_EQ(t.entries[2].VnaT, 70);
    EXPECT_EQ(r.waitTime, 70);
    EXPECT_EQ(r.title, "");
}

TEST(Contfile, NoSetupProgramsNothing) {
    Target t;
    const ContfileResult r = ParseContfile("T Title\nW=5\n+400000\n", "c.CC", true, t);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.title, " Title");
    EXPECT_EQ(r.points, 0);
    EXPECT_EQ(r.waitTime, 5);
    EXPECT_TRUE(t.entries.empty());
    EXPECT_TRUE(t.ends.empty());
}

TEST(Contfile, AFaultyFileProgramsNothing) {
    std::string tooMany;
    for (int i = 0; i < kCalPoints + 1; ++i)
        tooMany += "+" + std::to_string(400000 + 1000 * i) + "\n";
    const std::vector<std::pair<std::string, int>> cases = {
        {"T x\n+400000\n+abc\n", 3},
        {"+400000\n+99999999999\n", 2},
        {"W=100000\n+400000\n", 1},
        {"W=\n", 1},
        {tooMany, kCalPoints + 1},
    };
    for (const auto& [text, line] : cases) {
        Target t;
        const ContfileResult r = ParseContfile(text, "bad.CC", false, t);
        EXPECT_FALSE(r.ok) << text;
        EXPECT_EQ(r.line, line) << r.message;
        EXPECT_EQ(r.message.rfind("bad.CC, line " + std::to_string(line) + ": ", 0), 0u)
            << r.message;
        EXPECT_TRUE(t.entries.empty());
        EXPECT_TRUE(t.ends.empty());
    }
    // Exactly 121 frequencies fit.
    Target t;
    tooMany.resize(tooMany.rfind('+'));
    EXPECT_TRUE(ParseContfile(tooMany, "ok.CC", false, t).ok);
    EXPECT_EQ(t.entries.size(), size_t(kCalPoints));
}

TEST(Contfile, ReadsFromDisk) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("MastCalib.CC").toStdString();
    std::ofstream(path, std::ios::binary) << "TMaster\r\nW=20\r\n+1000000\r\n";
    Target t;
    const ContfileResult r = ReadContfile(path, false, t);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.title, "Master");
    EXPECT_EQ(t.entries.size(), 1u);
    const ContfileResult missing = ReadContfile(path + ".none", false, t);
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.message.find("MastCalib.CC.none"), std::string::npos);
}

} // namespace
