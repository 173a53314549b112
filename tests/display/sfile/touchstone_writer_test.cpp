#include "display/sfile/touchstone_writer.h"

#include "display/measure/point_list.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(FixedPattern, DigitsSignsAndRounding) {
    EXPECT_EQ(FixedPattern(14.5, 3, 7), "014.5000000");
    EXPECT_EQ(FixedPattern(0.5, 3, 7), "000.5000000");
    EXPECT_EQ(FixedPattern(-45.4, 3, 5), "-045.40000");
    EXPECT_EQ(FixedPattern(1234.5, 3, 7), "1234.5000000");
    EXPECT_EQ(FixedPattern(0, 3, 5), "000.00000");
    // Rounds the decimal digits of the value itself: 0.12345675 is stored
    // as 0.123456749999..., its shortest text ends in 75 and rounds up.
    EXPECT_EQ(FixedPattern(0.12345675, 3, 7), "000.1234568");
    EXPECT_EQ(FixedPattern(-0.00000005, 3, 7), "-000.0000001");
    EXPECT_EQ(FixedPattern(-0.00000004, 3, 7), "000.0000000");
    EXPECT_EQ(FixedPattern(999.99999996, 3, 7), "1000.0000000");
    EXPECT_EQ(FixedPattern(1e-12, 3, 7), "000.0000000");
    EXPECT_EQ(FixedPattern(std::nan(""), 3, 7), "000.0000000");
}

TEST(TouchstoneLine, FieldsAnglesWithDecimalsWrapped) {
    const std::string line = TouchstoneLine(145000000, {0.5, -45.4, 1, 180, 0.25, 190, 2, -190});
    EXPECT_EQ(line,
              "014.5000000 000.5000000 -045.40000 001.0000000 180.00000 000.2500000 -170.00000 "
              "002.0000000 170.00000");
    EXPECT_EQ(WrapDegrees(540), 180);
    EXPECT_EQ(WrapDegrees(-180), -180);
    EXPECT_EQ(WrapDegrees(-181), 179);
    EXPECT_EQ(WrapDegrees(359.5), -0.5);
}

TEST(TouchstoneWriter, WritesHeaderAndLinesThroughATemporaryFile) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("dut.S2P").toStdString();
    std::ofstream(path) << "old";
    TouchstoneWriter w;
    w.WriteTouchstoneHeader(path, "Filter\r\nno 2");
    w.WriteTouchstoneLine(10000000, {1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_EQ(Slurp(path), "old");  // nothing replaced before Close
    std::string error;
    ASSERT_TRUE(w.Close(error)) << error;
    EXPECT_EQ(Slurp(path),
              "! Tavrel 13 S Parameter messurement result\r\n! Filter  no 2\r\n# MHz S MA R 50\r\n"
              "001.0000000 001.0000000 002.00000 003.0000000 004.00000 005.0000000 006.00000 "
              "007.0000000 008.00000\r\n");
    TouchstoneWriter bad;
    bad.WriteTouchstoneHeader(dir.filePath("no/such/dir/x.S2P").toStdString(), "");
    EXPECT_FALSE(bad.Close(error));
    EXPECT_NE(error.find("no/such/dir/x.S2P"), std::string::npos);
}

TEST(TouchstoneWriter, SavesTheLivePointsInAscendingFrequency) {
    auto s = std::make_unique<MeasureState>();
    for (int32_t f : {30000000, 10000000, 20000000}) {
        const int16_t p = InsertLive(*s, f);
        for (int k = 0; k < 4; ++k)
            s->Sdata[0][p].S[k].MA = {f / 1e8 + k, DegToRad(-10.25 * (k + 1))};
    }
    QTemporaryDir dir;
    const std::string path = dir.filePath("live.S2P").toStdString();
    std::string error;
    ASSERT_TRUE(SaveLiveTouchstone(path, "run 1", *s, error)) << error;
    std::istringstream in(Slurp(path));
    std::string line;
    std::vector<std::string> lines;
    while (std::getline(in, line))
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[1], "! run 1\r");
    EXPECT_EQ(lines[3].substr(0, 34), "001.0000000 000.1000000 -010.25000");
    EXPECT_EQ(lines[4].substr(0, 11), "002.0000000");
    EXPECT_EQ(lines[5].substr(0, 11), "003.0000000");
    EXPECT_NE(lines[5].find("003.3000000 -041.00000"), std::string::npos);
}

} // namespace
