#include "link/messages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

TEST(AppendDataReady, WritesTheSameBytesAsDataReady) {
    std::string out = "x";
    msg::AppendDataReady(out, 0, 5, 100000, 8, -1234, 5, 2, 24, 8, 255, 255, 255, 255, 255);
    EXPECT_EQ(out, "x1001  0  5  100000  8 -1234  5  2  24  8  255  255  255  255  255  #");

    std::mt19937 rng(3);
    auto s16 = [&] { return int16_t(std::uniform_int_distribution<int>(-32768, 32767)(rng)); };
    auto s32 = [&] {
        return int32_t(std::uniform_int_distribution<int64_t>(INT32_MIN, INT32_MAX)(rng));
    };
    for (int i = 0; i < 20000; ++i) {
        const int16_t a = s16(), b = s16(), c = s16(), d = s16(), e = s16(), f = s16(), g = s16(),
                      h = s16(), j = s16(), k = s16(), l = s16(), m = s16();
        const int32_t rf = i < 2 ? INT32_MIN : s32(), dat = i < 2 ? INT32_MAX : s32();
        std::string appended;
        msg::AppendDataReady(appended, a, b, rf, c, dat, d, e, f, g, h, j, k, l, m);
        ASSERT_EQ(appended, msg::DataReady(a, b, rf, c, dat, d, e, f, g, h, j, k, l, m));
    }
}
