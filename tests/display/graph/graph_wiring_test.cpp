// The frequency graph in the main window: one shared instance in the window
// frame, opened from the Display menu, told the range, the measured
// parameter and every live point by the session.
#include "bench/display/sweep_reports.h"
#include "display/app/master_session.h"
#include "display/app/master_window.h"
#include "display/calib/calib_table.h"
#include "display/graph/widgets/qrg_graf.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMdiSubWindow>

#include <gtest/gtest.h>

namespace {

TEST(GraphWiring, MainWindowShowsTheGraphAndTheSessionDrawsInIt) {
    auto s = std::make_unique<MeasureState>();
    auto cal = std::make_unique<CalibTable>();
    MasterSession m(*s, *cal);
    ASSERT_EQ(PrepareBenchSession(m), QString());
    Master w(m);
    w.setModalMessages(false);
    w.show();
    QrgGraf* g = w.qrgGraf();
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(w.findChildren<QrgGraf*>().size(), 1);
    auto* sub = w.findChild<QMdiSubWindow*>("QRGGRAFWindow");
    ASSERT_NE(sub, nullptr);
    sub->hide();
    w.findChild<QAction*>("MnuQrgGraf")->trigger();
    EXPECT_TRUE(sub->isVisible());
    EXPECT_NE(w.findChild<QAction*>("MnuMrkS21"), nullptr) << "the marker menu of the main window";

    // The sweep's range reaches the locked graph.
    m.Scales(MasterSession::kFreqScale).setMin(500000);
    m.Scales(MasterSession::kFreqScale).setMax(600500000);
    m.sweep().GetQRGLimits();
    EXPECT_EQ(g->plot().scales()[kScaleQrg].max(), 600500000);
    EXPECT_EQ(g->findChild<QLabel*>("HlabelB_2")->text(), "30050Khz");

    // A sweep arriving over the link is drawn live.
    QApplication::processEvents();
    ASSERT_TRUE(g->plot().layoutValid());
    const QImage empty = g->plot().image().copy();
    for (const QByteArray& piece : SweepReports())
        m.arrivalproc(piece);
    EXPECT_NE(g->plot().image(), empty);
    EXPECT_TRUE(g->findChild<QLabel*>("VnaRpt")->text().startsWith("Speed=0  Wait=20"));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
