// Scan tables: entries, serial images, the sweep, edits and their errors.

#include "server/engine/vna01.h"
#include "fake_port.h"

#include <gtest/gtest.h>

using engine::VNA01;
using engine::VnaResult;

namespace {

struct Events : engine::VnaEvents {
    std::vector<int16_t> states;
    std::vector<std::string> notices;
    void Stateinfo(int16_t s) override { states.push_back(s); }
    void Notice(const std::string& t) override { notices.push_back(t); }
};

struct Fixture : ::testing::Test {
    enginetest::FakePort port;
    Events events;
    VNA01 vna{port, events};
    void DefaultScan(int16_t ta = 0) {
        ASSERT_EQ(vna.SetUpScan(ta, 100, 490000, 600000000, 3, 20, 24, 255, 255, 255, 255, 255),
                  VnaResult::Ok);
    }
    uint64_t Image(const std::array<uint8_t, 40>& bits) {
        uint64_t v = 0;
        for (int i = 0; i < 40; ++i)
            if (bits[i]) v |= uint64_t{1} << i;
        return v;
    }
};

TEST_F(Fixture, ReferenceEntryIsPoweredDownWithFortyMsAndTags) {
    ASSERT_EQ(vna.SetUpEntry(0, 0, 1234567, 2, 5, 24, 0, 4, 1, 2, 3, 0x1FF), VnaResult::Ok);
    for (int r = 0; r < 2; ++r) {
        const auto& row = vna.row(0, r);
        EXPECT_EQ(row.RfOn, 0);
        EXPECT_EQ(row.LoOn, 0);
        EXPECT_EQ(row.RfBits[34], 0xFF);
        EXPECT_EQ(row.LoBits[34], 0xFF);
        EXPECT_EQ(row.VNATime, 40);
        EXPECT_EQ(row.Tag, r);
        EXPECT_EQ(row.Phase, r);
        EXPECT_EQ(row.adcspeed, 2);
        EXPECT_EQ(row.B4, 0xFF); // low byte of 0x1FF
    }
    EXPECT_EQ(vna.row(0, 0).LOPH, 0);
    EXPECT_EQ(vna.row(0, 1).LOPH, 8);
    // LOPH 8 = phase bits 35..39 = 0,0,0,1,0
    EXPECT_EQ(vna.row(0, 1).LoBits[38], 0xFF);
    EXPECT_EQ(vna.row(0, 1).LoBits[35], 0);
    EXPECT_EQ(vna.row(0, 1).RfBits[38], 0);

    ASSERT_EQ(vna.SetUpEntry(0, 3, 1234567, 2, 5, 24, 1, 0, 0, 0, 0, 0), VnaResult::Ok);
    EXPECT_EQ(vna.row(0, 6).RfOn, 1);
    EXPECT_EQ(vna.row(0, 6).VNATime, 5);
    EXPECT_NE(vna.row(0, 6).End, 0);
    EXPECT_NE(vna.row(0, 7).End, 0);
    EXPECT_EQ(vna.row(0, 7).Tag, 7);
}

TEST_F(Fixture, OneMegahertzGivesWord28953164) {
    EXPECT_EQ(vna.FrequencyWord(10000000), 28953164);
    ASSERT_EQ(vna.SetUpEntry(0, 1, 10000000, 0, 20, 24, 0, 0, 0, 0, 0, 0), VnaResult::Ok);
    const auto& row = vna.row(0, 2);
    EXPECT_EQ(Image(row.RfBits) & 0xFFFFFFFFu, 28953164u);
    EXPECT_EQ(Image(row.LoBits) & 0xFFFFFFFFu, 28953164u);
    EXPECT_EQ(Image(row.RfBits) >> 32, 0u); // on, phase 0
    EXPECT_EQ(Image(vna.row(0, 3).LoBits) >> 32, 8u << 3); // phase 8 in bits 35..39
}

TEST_F(Fixture, DefaultSweepEntriesAndItsEnd) {
    DefaultScan();
    EXPECT_EQ(vna.row(0, 0).rf, 490000 - 5995100);
    for (int e = 1; e <= 101; ++e) {
        const int32_t f = 490000 + (e - 1) * 5995100;
        EXPECT_EQ(vna.row(0, 2 * e).rf, f) << e;
        EXPECT_EQ(vna.row(0, 2 * e + 1).lo, f) << e;
        EXPECT_EQ(vna.row(0, 2 * e).End, 0);
        EXPECT_EQ(vna.row(0, 2 * e).VNATime, 20);
    }
    EXPECT_EQ(vna.row(0, 202).rf, 600000000);
    // Ends right after the last point (entry 102) and, as always, on 103.
    for (int r = 204; r <= 207; ++r) EXPECT_NE(vna.row(0, r).End, 0) << r;
    EXPECT_EQ(vna.row(0, 208).End, 0);
    EXPECT_EQ(events.states.back(), 88);
    // The loop's walk: rows 1..203, then back to 0.
    EXPECT_EQ(vna.NextRow(0), 1);
    EXPECT_EQ(vna.NextRow(202), 203);
    EXPECT_EQ(vna.NextRow(203), 0);
}

TEST_F(Fixture, ShorterSweepAfterLongerLeavesNoOldRowInTheWalk) {
    DefaultScan();
    ASSERT_EQ(vna.SetUpScan(0, 50, 1000000, 2000000, 3, 20, 24, 0, 0, 0, 0, 0), VnaResult::Ok);
    EXPECT_EQ(vna.row(0, 102).rf, 2000000); // last point, entry 51
    EXPECT_NE(vna.row(0, 104).End, 0);      // entry 52 ends the table
    EXPECT_EQ(vna.NextRow(103), 0);
    // The old sweep's rows beyond are still there but never reached.
    EXPECT_EQ(vna.row(0, 120).rf, 490000 + 59 * 5995100);
}

TEST_F(Fixture, SkippedRowsArePassedOverAndAllSkippedIsReported) {
    DefaultScan();
    for (int r = 2; r <= 5; ++r) ASSERT_EQ(vna.EditEntry(0, r, "Skip", 1), VnaResult::Ok);
    std::vector<int> walk{0};
    for (int i = 0; i < 4; ++i) walk.push_back(*vna.NextRow(walk.back()));
    EXPECT_EQ(walk, (std::vector<int>{0, 1, 6, 7, 8}));
    EXPECT_EQ(vna.NextRow(203), 0);
    // Row 0 skipped too: the walk wraps past it.
    ASSERT_EQ(vna.EditEntry(0, 0, "Skip", 1), VnaResult::Ok);
    EXPECT_EQ(vna.NextRow(203), 1);
    for (int r = 0; r <= 203; ++r) ASSERT_EQ(vna.EditEntry(0, r, "Skip", 1), VnaResult::Ok);
    EXPECT_FALSE(vna.NextRow(0).has_value());
    EXPECT_FALSE(vna.NextRow(1200).has_value());
}

TEST_F(Fixture, EditEntryRules) {
    DefaultScan();
    const auto row1 = vna.row(0, 1);
    EXPECT_EQ(vna.EditEntry(0, 1, "VNATime", 5), VnaResult::Ok);
    EXPECT_EQ(vna.row(0, 1).VNATime, row1.VNATime);
    EXPECT_EQ(vna.EditEntry(0, 2, "VNATime", 5), VnaResult::Ok);
    EXPECT_EQ(vna.row(0, 2).VNATime, 5);

    EXPECT_EQ(vna.EditEntry(0, 2, "adcspeed", 4), VnaResult::Ok);
    EXPECT_EQ(vna.row(0, 2).adcspeed, 3);
    EXPECT_EQ(vna.status().Label11, "no correction");
    EXPECT_EQ(vna.EditEntry(0, 2, "adcspeed", 1), VnaResult::Ok);
    EXPECT_EQ(vna.row(0, 2).adcspeed, 1);

    EXPECT_EQ(vna.EditEntry(0, 2, "RF", 1), VnaResult::Ok); // names are case-sensitive
    EXPECT_EQ(vna.status().Label11, "Missed case");
    EXPECT_EQ(vna.row(0, 2).rf, 490000);

    EXPECT_EQ(vna.EditEntry(0, 9, "Tag", 777), VnaResult::Ok);
    EXPECT_EQ(vna.row(0, 9).Tag, 19);

    EXPECT_EQ(vna.EditEntry(0, 2, "rf", 10000000), VnaResult::Ok);
    EXPECT_EQ(Image(vna.row(0, 2).RfBits) & 0xFFFFFFFFu, 28953164u);
    EXPECT_EQ(vna.EditEntry(0, 2, "LOPH", 8), VnaResult::Ok);
    EXPECT_EQ(Image(vna.row(0, 2).LoBits) >> 35, 8u);
    EXPECT_EQ(vna.EditEntry(0, 2, "B3", 0x5A), VnaResult::Ok);
    EXPECT_EQ(vna.row(0, 2).B3, 0x5A);
    EXPECT_EQ(vna.EditEntry(0, 2, "End", -3), VnaResult::Ok);
    EXPECT_NE(vna.row(0, 2).End, 0);
    EXPECT_EQ(vna.EditEntry(0, 1200, "Skip", 1), VnaResult::Ok); // row 1200 is reachable here
    EXPECT_NE(vna.row(0, 1200).Skip, 0);
}

TEST_F(Fixture, ErrorsLeaveTheTableUnchanged) {
    DefaultScan();
    const auto before = vna.row(0, 10);
    EXPECT_EQ(vna.EditEntry(2, 10, "rf", 1), VnaResult::BadTable);
    EXPECT_EQ(vna.EditEntry(0, 1201, "rf", 1), VnaResult::BadIndex);
    EXPECT_EQ(vna.EditEntry(0, -1, "rf", 1), VnaResult::BadIndex);
    EXPECT_EQ(vna.EditEntry(0, 10, "VNATime", 40000), VnaResult::Overflow);
    EXPECT_EQ(vna.EditEntry(0, 10, "ADCBits", -40000), VnaResult::Overflow);
    EXPECT_EQ(vna.EditEntry(0, 10, "B0", 256), VnaResult::Overflow);
    EXPECT_EQ(vna.EditEntry(0, 10, "rf", 2147483647), VnaResult::Overflow); // word beyond 32 bits
    EXPECT_EQ(vna.SetUpEntry(0, 5, 2147483647, 0, 20, 24, 0, 0, 0, 0, 0, 0), VnaResult::Overflow);
    EXPECT_EQ(vna.SetUpEntry(0, 5, 1000, 4, 20, 24, 0, 0, 0, 0, 0, 0), VnaResult::BadSpeed);
    EXPECT_EQ(vna.SetUpEntry(0, 600, 1000, 0, 20, 24, 0, 0, 0, 0, 0, 0), VnaResult::BadIndex);
    EXPECT_EQ(vna.SetUpEntry(-1, 5, 1000, 0, 20, 24, 0, 0, 0, 0, 0, 0), VnaResult::BadTable);
    EXPECT_EQ(vna.MarkEnd(0, 600), VnaResult::BadIndex);
    EXPECT_EQ(vna.SetUpScan(0, 597, 1, 2, 0, 0, 24, 0, 0, 0, 0, 0), VnaResult::BadIndex);
    EXPECT_EQ(vna.SetUpScan(0, 0, 1, 2, 0, 0, 24, 0, 0, 0, 0, 0), VnaResult::BadIndex);
    EXPECT_EQ(vna.SetUpScan(0, 10, 1, 2147483647, 0, 0, 24, 0, 0, 0, 0, 0), VnaResult::Overflow);
    EXPECT_EQ(vna.NewScan(2), VnaResult::BadTable);
    const auto after = vna.row(0, 10);
    EXPECT_EQ(after.rf, before.rf);
    EXPECT_EQ(after.VNATime, before.VNATime);
    EXPECT_EQ(after.ADCBits, before.ADCBits);
    EXPECT_EQ(after.B0, before.B0);
    EXPECT_EQ(after.RfBits, before.RfBits);
    EXPECT_EQ(vna.row(0, 2).rf, 490000); // the failed sweeps wrote nothing

    // The largest sweep fits: end marker on entry 599.
    EXPECT_EQ(vna.SetUpScan(1, 596, 1000000, 2000000, 0, 0, 24, 0, 0, 0, 0, 0), VnaResult::Ok);
    EXPECT_NE(vna.row(1, 1199).End, 0);
}

TEST_F(Fixture, SetphysChecksItsTextsBeforeChangingAnything) {
    EXPECT_EQ(vna.setphys("&H378", "0"), VnaResult::BadClock);
    EXPECT_EQ(vna.setphys("&H378", "abc"), VnaResult::BadClock);
    EXPECT_EQ(vna.setphys("&H378", "-148"), VnaResult::BadClock);
    EXPECT_EQ(vna.setphys("&H378", "0.001"), VnaResult::BadClock); // 60 MHz word overflows
    EXPECT_EQ(vna.setphys("70000", "148.3419"), VnaResult::BadPort);
    EXPECT_EQ(vna.setphys("-1", "148.3419"), VnaResult::BadPort);
    // "0x378" reads as 0: the DMA controller's registers, never touched.
    EXPECT_EQ(vna.setphys("0x378", "148.3419"), VnaResult::BadPort);
    EXPECT_EQ(vna.setphys("&H80", "148.3419"), VnaResult::BadPort);
    EXPECT_EQ(vna.row(0, 2).rf, 0);
    EXPECT_DOUBLE_EQ(vna.StepSize(), 1483419000.0 / 4294967296.0);
}

TEST(Vna01Init, KeepsTheBaseThePortWasOpenedAt) {
    enginetest::FakePort port;
    port.base_ = 0xD010;
    Events events;
    VNA01 vna(port, events);
    EXPECT_EQ(vna.portBase(), 0xD010);
    EXPECT_EQ(port.base(), 0xD010); // not moved to 0x378 and back
}

TEST(Vna01Init, ReportsAPortThatDoesNotWork) {
    enginetest::FakePort port;
    port.installed = false;
    Events events;
    VNA01 vna(port, events);
    ASSERT_EQ(events.notices.size(), 1u);
    EXPECT_EQ(events.notices[0], " Init Port RC =False");
}

} // namespace
