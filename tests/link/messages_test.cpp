#include "link/messages.h"

#include <gtest/gtest.h>

#include <random>

using namespace msg;

TEST(Commands, TextsAreByteExact) {
    EXPECT_EQ(SetUpScan(0, 101, 400000, 610000000, 0, 20, 24, 4, 0, 0, 0, -1),
              "0001  0  101  400000  610000000  0  20  24  4  0  0  0 -1 ");
    EXPECT_EQ(SetUpEntry(1, 3, 10000000, 2, 8, 24, 7, 0, 1, 2, 3, 4),
              "0002  1  3  10000000  2  8  24  7  0  1  2  3  4 ");
    EXPECT_EQ(EditEntry(0, 12, "B0", 4), "0003  0  12  B0  4");
    EXPECT_EQ(EditEntry(0, 12, "rf", -5), "0003  0  12  rf -5");
    EXPECT_EQ(MarkEnd(0, 7), "0004   0  7 ");
    EXPECT_EQ(NewScan(1), "0005  1 ");
    EXPECT_EQ(WithTerminator(NewScan(1)), "0005  1  #");
    EXPECT_EQ(WithTerminator(MarkEnd(0, 7)), "0004   0  7  #");
    EXPECT_EQ(Stopscan(), "0006 ");
    EXPECT_EQ(StopTcp(), "0007 ");
    EXPECT_EQ(StartTcp(), "0008 ");
    EXPECT_EQ(Mount("SHORT"), "0100 SHORT ");
    EXPECT_EQ(StopText(), "99#");
}

TEST(Reports, TextsAreByteExact) {
    EXPECT_EQ(DataReady(0, 5, 100000, 8, -1234, 5, 2, 24, 8, 255, 255, 255, 255, 255),
              "1001  0  5  100000  8 -1234  5  2  24  8  255  255  255  255  255  #");
    EXPECT_EQ(EndScan(), "1002 #");
    EXPECT_EQ(Rateinfo(37), "1003  37 #");
    EXPECT_EQ(Rateinfo(-1), "1003 -1 #");
}

TEST(Reports, LongestReportFitsTheLocalLink) {
    const std::string s = DataReady(-32768, -32768, -2147483647 - 1, -32768, -2147483647 - 1,
                                    -32768, -32768, -32768, -32768, -32768, -32768, -32768,
                                    -32768, -32768);
    EXPECT_LT(s.size(), 200u);
}


TEST(Split, RunsOfBlanksAreOneSeparator) {
    Fields f = SplitFields("1001  0  5  100000  8 -1234  5  2  24  8  255  255  255  255  255  ");
    EXPECT_EQ(f[0], "1001");
    EXPECT_EQ(f[1], "0");
    EXPECT_EQ(f[5], "-1234");
    EXPECT_EQ(f[14], "255");
    EXPECT_EQ(f[15], "");
    EXPECT_EQ(CodeOf(f), 1001);

    f = SplitFields("1002 ");
    EXPECT_EQ(f[0], "1002");
    EXPECT_EQ(f[1], "");

    f = SplitFields(" 0005  1 ");  // a leading blank leaves field 0 empty
    EXPECT_EQ(f[0], "");
    EXPECT_EQ(f[1], "0005");
    EXPECT_EQ(CodeOf(f), 0);

    f = SplitFields(" ");  // the text of " #"
    EXPECT_EQ(f[0], "");
    EXPECT_EQ(f[1], "");
}

TEST(Split, FieldsPast100AreIgnoredAndOldFieldsCleared) {
    std::string m = "0001";
    for (int i = 1; i <= 150; ++i)
        m += " " + std::to_string(i);
    Fields f = SplitFields(m);
    EXPECT_EQ(f[100], "100");
    SplitFields("0006 ", f);  // reuse clears every field
    EXPECT_EQ(f[100], "");
    EXPECT_EQ(f[1], "");
}

TEST(Split, CodeOfOddFields) {
    EXPECT_EQ(CodeOf(SplitFields("99")), 99);
    EXPECT_EQ(CodeOf(SplitFields("abc 1")), 0);
    EXPECT_EQ(CodeOf(SplitFields("1e30")), -1);
}

namespace {
std::vector<std::string> Drain(FrameBuffer& b) {
    std::vector<std::string> out;
    std::string m;
    while (b.Next(m))
        out.push_back(m);
    return out;
}
} // namespace

TEST(Framing, SplitsAndJoinsPieces) {
    FrameBuffer b;
    b.Append("1002 #1003  5 #10");
    EXPECT_EQ(Drain(b), (std::vector<std::string>{"1002 ", "1003  5 "}));
    EXPECT_EQ(b.Pending(), 2u);
    b.Append("02");
    EXPECT_TRUE(Drain(b).empty());
    b.Append(" #");
    EXPECT_EQ(Drain(b), (std::vector<std::string>{"1002 "}));
    b.Append("##");
    EXPECT_EQ(Drain(b), (std::vector<std::string>{"", ""}));
    EXPECT_EQ(b.Pending(), 0u);
}

TEST(Framing, ByteByByteGivesTheSameMessages) {
    const std::string wire = DataReady(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13) +
                             EndScan() + Rateinfo(100);
    FrameBuffer b;
    std::vector<std::string> got;
    for (char c : wire) {
        b.Append(std::string_view(&c, 1));
        for (auto& m : Drain(b))
            got.push_back(m);
    }
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[1], "1002 ");
    EXPECT_EQ(got[2], "1003  100 ");
}

TEST(Framing, EndlessTextWithoutHashIsBounded) {
    FrameBuffer b;
    const std::string junk(4096, 'x');
    for (int i = 0; i < 2000; ++i) {  // 8 MB without a "#"
        b.Append(junk);
        ASSERT_LE(b.Pending(), FrameBuffer::kMaxMessage);
    }
    EXPECT_TRUE(Drain(b).empty());
    // The tail of the overlong message up to its "#" is dropped too, and the
    // next message comes through whole.
    b.Append("xxx#1002 #");
    EXPECT_EQ(Drain(b), (std::vector<std::string>{"1002 "}));
    EXPECT_EQ(b.Dropped(), 1u);
}

TEST(Framing, MessageOfExactlyTheCapPasses) {
    FrameBuffer b;
    std::string m(FrameBuffer::kMaxMessage, 'a');
    b.Append(m.substr(0, 500));
    b.Append(m.substr(500) + "#");
    EXPECT_EQ(Drain(b), (std::vector<std::string>{m}));
    b.Append(std::string(FrameBuffer::kMaxMessage + 1, 'a') + "#ok#");
    EXPECT_EQ(Drain(b), (std::vector<std::string>{"ok"}));
}

TEST(Framing, RandomPiecesKeepMessagesIntact) {
    std::mt19937 rng(7);
    std::string wire;
    std::vector<std::string> expect;
    for (int i = 0; i < 500; ++i) {
        std::string m = DataReady(0, static_cast<int16_t>(i), i * 1000, 8, -i, 0, 0, 24, 8, 0, 0,
                                  0, 0, 0);
        wire += m;
        expect.push_back(m.substr(0, m.size() - 1));
    }
    FrameBuffer b;
    std::vector<std::string> got;
    size_t p = 0;
    while (p < wire.size()) {
        const size_t n = std::min<size_t>(wire.size() - p, rng() % 300);
        b.Append(std::string_view(wire).substr(p, n));
        p += n;
        for (auto& m : Drain(b))
            got.push_back(m);
    }
    EXPECT_EQ(got, expect);
}

TEST(Split, DataReadyGivesFifteenFields) {
    std::string m = DataReady(0, 5, 100000, 8, -1234, 5, 2, 24, 8, 255, 255, 255, 255, 255);
    m.pop_back();  // the "#"
    const Fields f = SplitFields(m);
    int used = 0;
    for (const auto& s : f)
        used += s.empty() ? 0 : 1;
    EXPECT_EQ(used, 15);
    EXPECT_EQ(f[14], "255");
    EXPECT_EQ(f[3], "100000");
}
