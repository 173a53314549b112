#include "display/calib/calib_plan.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace {

struct Built {
    CalibPlan plan{};
    int n = 0;
    std::string SwitchOption;
};

Built Build(bool sw, bool ref, std::array<bool, 4> sped, int16_t time = 20) {
    Built b;
    PlanChoice c;
    c.S_Swi_Cal = sw;
    c.RefCal = ref;
    c.Sped = sped;
    b.n = BuildCalibrationPlan(b.plan, c, time, b.SwitchOption);
    return b;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = text.find("\r\n", pos);
        EXPECT_NE(end, std::string::npos) << "every line ends in CR LF";
        if (end == std::string::npos)
            break;
        out.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return out;
}

TEST(CalibPlan, SwitchWithSpeedsZeroAndTwo) {
    const Built b = Build(true, true, {true, false, true, false}, 37);
    ASSERT_EQ(b.n, 17);
    EXPECT_EQ(b.SwitchOption, " Switch ");
    struct Want {
        int plug, speed;
        bool bridge, swap;
        const char* info;
        const char* prompt;  // "" for none
    };
    const Want want[16] = {
        {0, 0, false, false, "Thru Speed= 0", "Mount Thru Cable"},
        {0, 2, false, false, "Thru Speed= 2", ""},
        {4, 0, true, false, "Load W. Switch NOSWAP Speed= 0", ""},
        {7, 0, true, true, "Load W. Switch SWAP Speed= 0", ""},
        {4, 2, true, false, "Load W. Switch NOSWAP Speed= 2", ""},
        {7, 2, true, true, "Load W. Switch SWAP Speed= 2", ""},
        {1, 0, false, false, "Open Detector Speed= 0", "Leave Detector open"},
        {1, 2, false, false, "Open Detector Speed= 2", ""},
        {2, 0, true, false, "Open W. Switch NOSWAP Speed= 0", "Leave Ports Open"},
        {5, 0, true, true, "Open W. Switch SWAP Speed= 0", ""},
        {2, 2, true, false, "Open W. Switch NOSWAP Speed= 2", ""},
        {5, 2, true, true, "Open W. Switch SWAP Speed= 2", ""},
        {3, 0, true, false, "Short W. Switch NOSWAP Speed= 0", "Short Ports"},
        {6, 0, true, true, "Sort W. Switch SWAP Speed= 0", ""},
        {3, 2, true, false, "Short W. Switch NOSWAP Speed= 2", ""},
        {6, 2, true, true, "Sort W. Switch SWAP Speed= 2", ""},
    };
    for (int i = 0; i < 16; ++i) {
        const PlanStep& p = b.plan[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(p.Plug, want[i].plug);
        EXPECT_EQ(p.Speed, want[i].speed);
        EXPECT_EQ(p.Bridge, want[i].bridge);
        EXPECT_EQ(p.Swap, want[i].swap);
        EXPECT_EQ(p.Info, want[i].info);
        EXPECT_EQ(p.UserAction, want[i].prompt);
        EXPECT_EQ(p.UE, std::string(want[i].prompt).empty());
        EXPECT_EQ(p.Bits, 24);
        EXPECT_EQ(p.time, 37);
        EXPECT_FALSE(p.End || p.Act || p.SS || p.SE);
    }
    const PlanStep& end = b.plan[16];
    EXPECT_TRUE(end.End);
    EXPECT_EQ(end.Plug, 4);
    EXPECT_EQ(end.Speed, 4);
    EXPECT_FALSE(end.Bridge || end.Swap);
    EXPECT_EQ(end.Info, "");
    EXPECT_EQ(end.UserAction, "");
}

TEST(CalibPlan, ReflectionOnlyAndTheOtherShapes) {
    const Built b = Build(false, true, {true, false, false, false});
    ASSERT_EQ(b.n, 6);
    EXPECT_EQ(b.SwitchOption, "");
    const char* prompts[5] = {"Mount Thru Cable", "Leave Detector open", "Open Bridge",
                              "Short Bridge", "Load Bridge"};
    const char* infos[5] = {"Thru Speed= 0", "Open Detector Speed= 0", "Open Speed= 0",
                            "Short Speed= 0", "Load Speed= 0"};
    const int plugs[5] = {0, 1, 2, 3, 4};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(b.plan[i].UserAction, prompts[i]);
        EXPECT_FALSE(b.plan[i].UE);
        EXPECT_EQ(b.plan[i].Info, infos[i]);
        EXPECT_EQ(b.plan[i].Plug, plugs[i]);
        EXPECT_FALSE(b.plan[i].Bridge || b.plan[i].Swap);
    }
    EXPECT_TRUE(b.plan[5].End);

    // The switch without reflection calibration: thru and detector open only.
    const Built s = Build(true, false, {true, false, false, false});
    ASSERT_EQ(s.n, 3);
    EXPECT_EQ(s.plan[0].Plug, 0);
    EXPECT_EQ(s.plan[1].Plug, 1);
    EXPECT_TRUE(s.plan[2].End);
    EXPECT_EQ(s.SwitchOption, "");

    // Four speeds: 33 steps with the switch, 21 without; no speed: End only.
    EXPECT_EQ(Build(true, true, {true, true, true, true}).n, 33);
    EXPECT_EQ(Build(false, true, {true, true, true, true}).n, 21);
    const Built none = Build(true, true, {false, false, false, false});
    EXPECT_EQ(none.n, 1);
    EXPECT_TRUE(none.plan[0].End);

    // A rebuild starts from clean steps.
    CalibPlan plan{};
    std::string so;
    plan[30].SE = true;
    plan[30].Info = "old";
    BuildCalibrationPlan(plan, PlanChoice{}, 0, so);
    EXPECT_EQ(plan[30].Info, "");
    EXPECT_FALSE(plan[30].SE);
}

TEST(CalibPlan, ListingColumns) {
    Built b = Build(false, true, {true, false, false, false}, 20);
    b.plan[0].Act = true;
    const std::vector<std::string> lines = Lines(ListCalibrationPlan(b.plan));
    ASSERT_EQ(lines.size(), 3u + 6u);  // blank, title, header, steps 0..5
    EXPECT_EQ(lines[0], " ");
    EXPECT_EQ(lines[1], "Last Used Calibration Plan");
    const std::string& h = lines[2];
    const std::pair<int, const char*> head[] = {
        {1, "Ind"},  {5, "Plug"}, {10, "Speed"}, {20, "Bits"}, {30, "time"},
        {40, "Bridge"}, {50, "Swap"}, {60, "UE"}, {66, "SS"}, {72, "SE"},
        {80, "Act"}, {88, "End"}, {96, "Info"}, {136, "User Action"}};
    for (const auto& [col, text] : head)
        EXPECT_EQ(h.substr(col - 1, std::string(text).size()), text) << text;
    EXPECT_EQ(h.size(), 135u + 11u);
    const std::string& s0 = lines[3];
    EXPECT_EQ(s0.substr(0, 4), " 0  ");
    EXPECT_EQ(s0.substr(4, 2), " 0");
    EXPECT_EQ(s0.substr(19, 3), " 24");
    EXPECT_EQ(s0.substr(29, 3), " 20");
    EXPECT_EQ(s0.substr(39, 5), "False");
    EXPECT_EQ(s0.substr(59, 5), "False");   // UE: waits for the user
    EXPECT_EQ(s0.substr(79, 4), "True");    // Act
    EXPECT_EQ(s0.substr(95, 13), "Thru Speed= 0");
    EXPECT_EQ(s0.substr(135), "Mount Thru Cable");
    EXPECT_EQ(lines[8].substr(87, 4), "True");  // the End step is the last line

    // A text longer than its column pushes the next item one blank past it.
    ColumnLine l;
    l.At(1, "abcdefgh").At(5, "x").At(12, "y");
    EXPECT_EQ(l.str(), "abcdefgh x y");
}

} // namespace
