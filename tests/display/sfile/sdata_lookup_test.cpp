#include "display/sfile/sdata_lookup.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

class SdataLookup : public ::testing::Test {
protected:
    std::unique_ptr<SdataTable> t = std::make_unique<SdataTable>();
    SdataHeadRec h;
    // Point i at qrgs[i]; S21 MA = (i + 1, -i), DB = (-10 i, 2 i).
    void Fill(const std::vector<int32_t>& qrgs) {
        for (size_t i = 0; i < qrgs.size(); ++i) {
            (*t)[i].Qrg = qrgs[i];
            (*t)[i].S[1].MA = {double(i) + 1, -double(i)};
            (*t)[i].S[1].DB = {-10.0 * i, 2.0 * i};
        }
        h.Length = int16_t(qrgs.size());
    }
};

TEST_F(SdataLookup, ThreePointsFromEndToEnd) {
    Fill({1000, 2000, 3000});
    SdataSample r;
    SdataMAAt(*t, h, 1000, 1, r);
    EXPECT_TRUE(r.found);
    EXPECT_DOUBLE_EQ(r.value, 1);
    SdataMAAt(*t, h, 3000, 1, r);  // the last point: no read past the table
    EXPECT_TRUE(r.found);
    EXPECT_DOUBLE_EQ(r.value, 3);
    EXPECT_DOUBLE_EQ(r.angle, -2);
    EXPECT_EQ(r.frequency, 3000);
    SdataDBAt(*t, h, 2500, 1, r);
    EXPECT_DOUBLE_EQ(r.value, -15);
    EXPECT_DOUBLE_EQ(r.angle, 3);
    // Outside, or a table of two points: not found, nothing else set.
    r = SdataSample{true, 7, 8, 9};
    SdataMAAt(*t, h, 999, 1, r);
    EXPECT_FALSE(r.found);
    EXPECT_EQ(r.value, 8);
    SdataMAAt(*t, h, 3001, 1, r);
    EXPECT_FALSE(r.found);
    SdataMAAt(*t, h, 2000, 4, r);
    EXPECT_FALSE(r.found);
    h.Length = 2;
    SdataMAAt(*t, h, 1500, 1, r);
    EXPECT_FALSE(r.found);
}

TEST_F(SdataLookup, UnevenPointsFindTheirNeighbours) {
    const std::vector<int32_t> q = {1000, 1100, 1200, 1300, 50000, 60000, 99000, 100000};
    Fill(q);
    SdataSample r;
    for (size_t i = 0; i < q.size(); ++i) {
        SdataMAAt(*t, h, q[i], 1, r);  // at a point: that point's values
        ASSERT_TRUE(r.found);
        EXPECT_DOUBLE_EQ(r.value, i + 1.0) << i;
        EXPECT_DOUBLE_EQ(r.angle, -double(i)) << i;
    }
    SdataMAAt(*t, h, 1250, 1, r);
    EXPECT_DOUBLE_EQ(r.value, 3.5);
    SdataMAAt(*t, h, 25650, 1, r);
    EXPECT_DOUBLE_EQ(r.value, 4.5);
    SdataMAAt(*t, h, 99500, 1, r);
    EXPECT_DOUBLE_EQ(r.value, 7.5);
}

TEST_F(SdataLookup, CloseEndsDisorderAndOverlongTables) {
    Fill({1000, 1000, 1000, 1001});  // step rounds to 0
    SdataSample r;
    SdataMAAt(*t, h, 1001, 1, r);
    EXPECT_TRUE(r.found);
    EXPECT_DOUBLE_EQ(r.value, 4);
    SdataMAAt(*t, h, 1000, 1, r);
    EXPECT_TRUE(r.found);
    EXPECT_DOUBLE_EQ(r.value, 1);
    Fill({1000, 5000, 2000, 3000, 9000});  // out of order: the walk still ends
    SdataMAAt(*t, h, 4000, 1, r);
    EXPECT_TRUE(r.found);
    EXPECT_DOUBLE_EQ(r.value, 4 + 1.0 / 6);
    h.Length = 30000;  // never past the table
    for (int i = 0; i < kSdataPoints; ++i)
        (*t)[i].Qrg = 1000 * (i + 1);
    SdataMAAt(*t, h, 1000 * kSdataPoints, 1, r);
    EXPECT_TRUE(r.found);
}

} // namespace
