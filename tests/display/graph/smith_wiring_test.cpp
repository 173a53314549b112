// The Smith chart in the main window: created on first use from the Display
// menu, one shared instance, told the range and every live point by the
// session, and redrawn when a colour changes in the frequency graph.
#include "bench/display/sweep_reports.h"
#include "display/app/master_session.h"
#include "display/app/master_window.h"
#include "display/calib/calib_table.h"
#include "display/graph/widgets/qrg_graf.h"
#include "display/graph/widgets/smith_graf.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMdiSubWindow>

#include <gtest/gtest.h>

namespace {

int Count(const QImage& img, QRgb c) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += (img.pixel(x, y) & 0xFFFFFF) == (c & 0xFFFFFF) ? 1 : 0;
    return n;
}

TEST(SmithWiring, DisplayMenuOpensTheChartAndTheSessionDrawsInIt) {
    auto s = std::make_unique<MeasureState>();
    auto cal = std::make_unique<CalibTable>();
    MasterSession m(*s, *cal);
    ASSERT_EQ(PrepareBenchSession(m), QString());
    Master w(m);
    w.setModalMessages(false);
    w.resize(1400, 900);
    w.show();
    EXPECT_EQ(w.smithGraf(), nullptr) << "created on first use";
    w.findChild<QAction*>("MnuSmith")->trigger();
    SmithGraf* g = w.smithGraf();
    ASSERT_NE(g, nullptr);
    w.findChild<QAction*>("MnuSmith")->trigger();
    EXPECT_EQ(w.findChildren<SmithGraf*>().size(), 1);
    EXPECT_TRUE(w.findChild<QMdiSubWindow*>("SmithGrafWindow")->isVisible());

    // The sweep's range reaches the locked chart.
    m.Scales(MasterSession::kFreqScale).setMin(500000);
    m.Scales(MasterSession::kFreqScale).setMax(600500000);
    m.sweep().GetQRGLimits();
    EXPECT_EQ(g->plot().scales()[kScaleQrg].max(), 600500000);
    EXPECT_EQ(g->findChild<QLabel*>("LabQrgCenter")->text(), "30050Khz");

    // A sweep arriving over the link is drawn live in the measured parameter's colour.
    QApplication::processEvents();
    ASSERT_TRUE(g->plot().layoutValid());
    const QRgb colour = g->plot().settings().rows[0].colour[static_cast<size_t>(s->Smessure)];
    EXPECT_EQ(Count(g->plot().image(), colour), 0);
    for (const QByteArray& piece : SweepReports())
        m.arrivalproc(piece);
    EXPECT_GT(Count(g->plot().image(), colour), 20);
    EXPECT_EQ(g->findChild<QLabel*>("VnaTi")->text(), "20");

    // A colour chosen in the frequency graph shows in the chart too.
    auto& settings = const_cast<GraphSettings&>(g->plot().settings());
    settings.rows[0].colour[static_cast<size_t>(s->Smessure)] = qRgb(10, 200, 190);
    emit w.qrgGraf()->ColoursChanged();
    EXPECT_EQ(Count(g->plot().image(), colour), 0);
    EXPECT_GT(Count(g->plot().image(), qRgb(10, 200, 190)), 20);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
