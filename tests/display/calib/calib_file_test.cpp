#include "display/calib/calib_file.h"

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

// Index just past the n-th line feed.
size_t NthLineEnd(const std::string& text, int n) {
    size_t e = 0;
    for (int i = 0; i < n; ++i)
        e = text.find('\n', e) + 1;
    return e;
}

std::string Golden(const char* name) { return std::string(VNA_CALIB_TESTDATA) + "/" + name; }

std::unique_ptr<CalibTable> Sample(int maxinuse) {
    auto t = std::make_unique<CalibTable>();
    t->title = "Bench 3";
    t->Maxinuse = int16_t(maxinuse);
    for (int s = 0; s < kCalSpeeds; ++s) {
        SpeedTable& st = t->speed[s];
        st.CalAux = int16_t(s - 2);
        st.CalTime = int16_t(10 * s);
        st.CalOffsetValue = -70000 * s;
        st.Calibrated = s % 2 == 0;
        for (int p = 0; p <= maxinuse; ++p) {
            st.points[p].QRG = 400000 + 5000000 * p;
            for (int k = 0; k < kCalSlots; ++k)
                st.points[p].slot[k] = {double(-8388608 + p * 77 + k), double(8388607 - s - k)};
        }
    }
    return t;
}

bool SameTable(const CalibTable& a, const CalibTable& b, int nslots) {
    if (a.title != b.title || a.Maxinuse != b.Maxinuse)
        return false;
    for (int s = 0; s < kCalSpeeds; ++s) {
        const SpeedTable &x = a.speed[s], &y = b.speed[s];
        if (x.CalAux != y.CalAux || x.CalTime != y.CalTime || x.Calibrated != y.Calibrated ||
            x.CalOffsetValue != y.CalOffsetValue)
            return false;
        for (int p = 0; p <= a.Maxinuse; ++p) {
            if (x.points[p].QRG != y.points[p].QRG)
                return false;
            for (int k = 0; k < nslots; ++k)
                if (x.points[p].slot[k] != y.points[p].slot[k])
                    return false;
        }
    }
    return true;
}

TEST(CalibFile, ReadsTheGoldenFilesAndWritesThemBackByteForByte) {
    auto t = std::make_unique<CalibTable>();
    std::string sw = " Switch ";
    CalibFileStatus st = ReadCalibrationFile(Golden("master.CD"), *t, sw);
    ASSERT_TRUE(st.ok) << st.message;
    EXPECT_EQ(t->title, "Master Kal 2023");
    EXPECT_EQ(t->Maxinuse, 2);
    EXPECT_EQ(sw, " True");  // no marker: the option is off
    EXPECT_EQ(t->speed[1].CalAux, 2);
    EXPECT_EQ(t->speed[1].CalTime, 40);
    EXPECT_EQ(t->speed[1].CalOffsetValue, -1000);
    EXPECT_FALSE(t->speed[2].Calibrated);
    EXPECT_EQ(t->speed[3].points[2].QRG, 30000000);
    EXPECT_EQ(t->speed[3].points[2].slot[4], Cplx(3002040, -3002041));
    EXPECT_EQ(CalibrationFileText(*t, false), Slurp(Golden("master.CD")));

    st = ReadCalibrationFile(Golden("switch.CD"), *t, sw);
    ASSERT_TRUE(st.ok) << st.message;
    EXPECT_EQ(sw, " Switch ");
    EXPECT_EQ(t->speed[0].points[1].slot[7], Cplx(1070, -1071));
    EXPECT_EQ(CalibrationFileText(*t, true), Slurp(Golden("switch.CD")));
}

TEST(CalibFile, RoundTripsWithAndWithoutTheSwitch) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("cal.CD").toStdString();
    for (bool withSwitch : {false, true}) {
        for (int maxinuse : {0, 1, 120}) {
            auto t = Sample(maxinuse);
            ASSERT_TRUE(WriteCalibrationFile(path, *t, withSwitch ? " Switch " : "").ok);
            const std::string text = Slurp(path);
            // 1 + 4 (table line + points) lines, all quoted, CR LF.
            EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 4 * (1 + maxinuse + 1));
            EXPECT_EQ(text.find("\"/ -2 /  0 /  0 / True") != std::string::npos, true);
            EXPECT_EQ(text.find(" / Switch \"\r\n") != std::string::npos, withSwitch);
            // A negative reading: a blank, then "-" and the digits.
            EXPECT_NE(text.find("  -8388608 / "), std::string::npos);
            auto back = std::make_unique<CalibTable>();
            std::string sw = withSwitch ? "" : " Switch ";
            const CalibFileStatus st = ReadCalibrationFile(path, *back, sw);
            ASSERT_TRUE(st.ok) << st.message;
            EXPECT_EQ(sw == " Switch ", withSwitch);
            EXPECT_TRUE(SameTable(*t, *back, withSwitch ? 8 : 5)) << maxinuse;
            if (!withSwitch) {  // slots 5..7 are not in the file and stay as they were
                EXPECT_EQ(back->speed[0].points[0].slot[5], Cplx(0, 0));
            }
        }
    }
}

TEST(CalibFile, TheTitleSurvivesManyCycles) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("cal.CD").toStdString();
    auto t = Sample(3);
    t->title = "Lab bench, 2 m cable";
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(WriteCalibrationFile(path, *t, "").ok);
        std::string sw;
        ASSERT_TRUE(ReadCalibrationFile(path, *t, sw).ok);
    }
    EXPECT_EQ(t->title, "Lab bench, 2 m cable");
    // A title that would break the line is written with blanks instead.
    t->title = "a/b\"c";
    ASSERT_TRUE(WriteCalibrationFile(path, *t, "").ok);
    std::string sw;
    ASSERT_TRUE(ReadCalibrationFile(path, *t, sw).ok);
    EXPECT_EQ(t->title, "a b c");
}

// Each malformed file is rejected with its line, and the table and the
// switch option stay exactly as they were.
TEST(CalibFile, AFaultyFileLeavesTheCalibrationUntouched) {
    const std::string good = CalibrationFileText(*Sample(1), false);
    const std::string goodSwitch = CalibrationFileText(*Sample(1), true);
    struct Case {
        std::string text;
        int line;
        const char* what;
    };
    auto replaceLine = [](std::string text, int line, const std::string& with) {
        size_t b = 0;
        for (int i = 1; i < line; ++i)
            b = text.find('\n', b) + 1;
        const size_t e = text.find('\n', b);
        return text.replace(b, e - b + 1, with + "\r\n");
    };
    const std::vector<Case> cases = {
        {good.substr(0, NthLineEnd(good, 5)), 5, "ends before point 0 of speed table 1"},
        {replaceLine(good, 1, "\" / big /  121\""), 1, "more than 121 points"},
        {replaceLine(good, 1, "\" / neg / -1\""), 1, "negative"},
        {replaceLine(good, 3, "\" /  400000 /  1 /  2 /  3 /  4 /  5 /  6 /  7 /  8 /  9 /  10 /  11 / \""),
         3, "more values than 5 slots"},
        {replaceLine(goodSwitch, 3, "\" /  1 / / 2 /  3 /  4 /  5 /  6 /  7 /  8 /  9 /  10 /  11 /  12 /  13 /  14 /  15 /  16 / \""),
         3, "missing real part"},
        {replaceLine(goodSwitch, 3,
                     "\" /  1 /  1 /  2 /  3 /  4 /  5 /  6 /  7 /  8 /  9 /  10 /  11 /  12 /  13 /  14 /  15 /  16 /  17 /  18 / \""),
         3, "more values than 8 slots"},
        {replaceLine(good, 4, "\" /  400000 /  1 /  2 / \""), 4, "missing"},
        {replaceLine(good, 4, "\" /  400000 /  1x /  2 / \""), 4, "not a number"},
        {replaceLine(good, 4, "\" /  99999999999 /  1 /  2 / \""), 4, "out of range"},
        {replaceLine(good, 2, "\"/  40000 /  0 /  0 / True\""), 2, "out of range"},
        {good + "\" /  1 /  2 / \"\r\n", 14, "more lines"},
    };
    for (const Case& c : cases) {
        auto t = Sample(5);
        const auto before = std::make_unique<CalibTable>(*t);
        std::string sw = " Switch ";
        const CalibFileStatus st = ParseCalibrationData(c.text, "bad.CD", *t, sw);
        EXPECT_FALSE(st.ok) << c.what;
        EXPECT_EQ(st.line, c.line) << c.what << ": " << st.message;
        EXPECT_NE(st.message.find("bad.CD, line "), std::string::npos) << st.message;
        EXPECT_NE(st.message.find(c.what), std::string::npos) << st.message;
        EXPECT_TRUE(SameTable(*t, *before, 8)) << c.what;
        EXPECT_EQ(sw, " Switch ");
    }
    // Blank lines and unquoted lines are read; a missing file is reported.
    auto t = Sample(0);
    std::string sw;
    const std::string loose = "\r\n" + replaceLine(good, 1, " / Loose /  1\r\n\r\n");
    const CalibFileStatus st = ParseCalibrationData(loose, "x.CD", *t, sw);
    EXPECT_TRUE(st.ok) << st.message;
    EXPECT_EQ(t->title, "Loose");
    const CalibFileStatus missing = ReadCalibrationFile("/nonexistent/dir/x.CD", *t, sw);
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.message.find("/nonexistent/dir/x.CD"), std::string::npos);
}

TEST(CalibFile, AFailedWriteLeavesTheOldFile) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("cal.CD").toStdString();
    ASSERT_TRUE(WriteCalibrationFile(path, *Sample(2), "").ok);
    const std::string before = Slurp(path);
    const CalibFileStatus st =
        WriteCalibrationFile(dir.filePath("missing/sub/cal.CD").toStdString(), *Sample(2), "");
    EXPECT_FALSE(st.ok);
    EXPECT_NE(st.message.find("missing/sub/cal.CD"), std::string::npos);
    EXPECT_EQ(Slurp(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);  // no temporary left
}

} // namespace

// A title that ends (or starts) in a character the file cannot carry is
// written without the blank it becomes, so the file reads back to the same
// title and writes back to the same bytes.
TEST(CalibFile, ATitleEndingInAQuoteOrSlashWritesTheSameFileAgain) {
    const std::pair<const char*, const char*> cases[] = {
        {"Bench\"", "Bench"}, {"Bench/", "Bench"}, {"/\"Bench 3\t/", "Bench 3"},
        {"\"", ""},           {" / ", ""},         {"a/b", "a b"}};
    for (const auto& [title, expected] : cases) {
        auto t = Sample(1);
        t->title = title;
        const std::string first = CalibrationFileText(*t, false);
        EXPECT_EQ(first.substr(0, first.find('\n') + 1),
                  "\" / " + std::string(expected) + " /  1\"\r\n")
            << title;
        auto back = std::make_unique<CalibTable>();
        std::string sw;
        const CalibFileStatus st = ParseCalibrationData(first, "t.CD", *back, sw);
        ASSERT_TRUE(st.ok) << st.message;
        EXPECT_EQ(back->title, expected) << title;
        EXPECT_EQ(CalibrationFileText(*back, false), first) << title;
    }
}
