// The "Test VNA" check and the user bytes, without the window.
#include "display/config/user_bytes.h"
#include "display/config/vna_check.h"
#include "display/config/vna_test_run.h"

#include <QCoreApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(UserBytes, FramesBecomeB0ToB4AndOnlyChangedBytesAreReported) {
    VnaConfig c = VnaConfig::Defaults("");
    UserByteArray bytes{12, 0, 0, 0, 0};  // S22: bridge and port swap set
    EXPECT_EQ(ApplyUserBytes(c, bytes), 0b11110u);
    EXPECT_EQ(bytes, (UserByteArray{12, 1, 1, 1, 1}));
    EXPECT_EQ(ApplyUserBytes(c, bytes), 0u);
    c.ExtSorel = 3;
    c.ExtBytes[1] = 200;
    EXPECT_EQ(ApplyUserBytes(c, bytes), 0b00101u);
    EXPECT_EQ(bytes, (UserByteArray{15, 1, 200, 1, 1}));  // the switch bits stay
    c.ExtSorel = 1;
    bytes[0] = 4 | 2;  // switch word changed by the measurement meanwhile
    ApplyUserBytes(c, bytes);
    EXPECT_EQ(bytes[0], 5);
}

TEST(VnaCheck, PassesOnTheReferenceRowAfterARestart) {
    VnaCheck k;
    EXPECT_EQ(k.Begin(true, "", 0, 20), VnaCheck::Verdict::Running);
    EXPECT_EQ(k.rowLimitMs(), 10 * 133 + 20 + 1000);
    // Rows still on their way from before the restart, another table and
    // a row 1 before any row 0 decide nothing.
    EXPECT_EQ(k.Row(0, 1, 9999999), VnaCheck::Verdict::Running);
    EXPECT_EQ(k.Row(0, 57, 100), VnaCheck::Verdict::Running);
    EXPECT_EQ(k.Row(1, 0, 0), VnaCheck::Verdict::Running);
    EXPECT_EQ(k.Row(1, 1, 0), VnaCheck::Verdict::Running);
    EXPECT_EQ(k.State(VnaCheck::kStateAnswers), VnaCheck::Verdict::Running);
    EXPECT_EQ(k.Row(0, 0, 5), VnaCheck::Verdict::Running);
    EXPECT_EQ(k.Row(0, 1, -8123), VnaCheck::Verdict::Passed);
    const std::string r = k.Report();
    EXPECT_TRUE(Has(r, "Link to the server: up")) << r;
    EXPECT_TRUE(Has(r, "-8123 counts, expected -2097152 .. 2097152")) << r;
    EXPECT_TRUE(Has(r, "\nTest VNA passed")) << r;
    // Later events change nothing.
    EXPECT_EQ(k.State(VnaCheck::kStateNoAnswer), VnaCheck::Verdict::Passed);
    EXPECT_EQ(k.Timeout(), VnaCheck::Verdict::Passed);
}

TEST(VnaCheck, NamesEachFault) {
    VnaCheck k;
    EXPECT_EQ(k.Begin(false, "", 3, 20), VnaCheck::Verdict::Failed);
    EXPECT_TRUE(Has(k.Report(), "Test VNA failed: the server is not connected"));
    EXPECT_FALSE(Has(k.Report(), "Link to the server: up"));

    EXPECT_EQ(k.Begin(true, "Config Done pending", 3, 20), VnaCheck::Verdict::Failed);
    EXPECT_TRUE(Has(k.Report(), "the sweep is stopped (Config Done pending)")) << k.Report();

    k.Begin(true, "", 3, 20);
    EXPECT_EQ(k.rowLimitMs(), 10 * 10 + 20 + 1000);
    k.Row(0, 0, 0);
    EXPECT_EQ(k.State(VnaCheck::kStateNoAnswer), VnaCheck::Verdict::Failed);
    EXPECT_TRUE(Has(k.Report(), "Test VNA failed: the analyser does not answer: is it switched "
                                "on and connected?"))
        << k.Report();

    k.Begin(true, "", 1, 0);
    EXPECT_EQ(k.Timeout(), VnaCheck::Verdict::Failed);
    EXPECT_TRUE(Has(k.Report(), "no reading within 1400 ms")) << k.Report();

    for (int32_t bad : {VnaCheck::kReferenceLimit + 1, -VnaCheck::kReferenceLimit - 1,
                        int32_t{1} << 25}) {
        k.Begin(true, "", 2, 20);
        k.Row(0, 0, 0);
        EXPECT_EQ(k.Row(0, 1, bad), VnaCheck::Verdict::Failed) << bad;
        EXPECT_TRUE(Has(k.Report(), "reference reading is out of range")) << k.Report();
    }
    k.Begin(true, "", 2, 20);
    k.Row(0, 0, 0);
    EXPECT_EQ(k.Row(0, 1, VnaCheck::kReferenceLimit), VnaCheck::Verdict::Passed);
    EXPECT_EQ(VnaCheck::ConversionMs(7), VnaCheck::ConversionMs(0));
}

TEST(VnaTestRun, RestartsTheSweepKeepsTheRowTimerAndReportsOnce) {
    static int argc = 1;
    static char arg0[] = "config_core_test";
    static char* argv[] = {arg0, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    (void)app;
    VnaTestRun run;
    QSignalSpy restart(&run, &VnaTestRun::RestartScan);
    QSignalSpy finished(&run, &VnaTestRun::Finished);
    run.Start(false, "", 0, 20);
    EXPECT_EQ(restart.count(), 0);
    ASSERT_EQ(finished.count(), 1);
    EXPECT_FALSE(finished.at(0).at(0).toBool());
    EXPECT_FALSE(run.timer().isActive());

    run.Start(true, "", 0, 20);
    EXPECT_EQ(restart.count(), 1);
    EXPECT_TRUE(run.timer().isActive());
    EXPECT_EQ(run.timer().interval(), 10 * 133 + 20 + 1000);
    run.Row(0, 0, 1);
    run.Row(0, 1, 42);
    ASSERT_EQ(finished.count(), 2);
    EXPECT_TRUE(finished.at(1).at(0).toBool());
    EXPECT_TRUE(finished.at(1).at(1).toString().endsWith("Test VNA passed"));
    EXPECT_FALSE(run.timer().isActive());
    run.Timeout();
    run.State(95);
    EXPECT_EQ(finished.count(), 2);

    run.Start(true, "", 0, 20);
    run.Timeout();  // what the row timer does when no row came
    ASSERT_EQ(finished.count(), 3);
    EXPECT_FALSE(finished.at(2).at(0).toBool());
    EXPECT_TRUE(finished.at(2).at(1).toString().contains("does not answer in its time"));
}
