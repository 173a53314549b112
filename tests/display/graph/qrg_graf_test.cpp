// The window "Frequency Graf", offscreen: controls found by objectName, the
// plot read back from its backing store.
#include "display/graph/widgets/qrg_graf.h"
#include "display/graph/trace_map.h"
#include "graph_window_fixture.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QTimer>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using namespace graphtest;

namespace {

struct GrafFixture : GraphWindowFixture<QrgGraf> {
    void Make() { Show(QSize(900, 640)); }
    QWidget* Area() { return Get("GrafArea"); }
};

TEST_F(GrafFixture, ControlsLabelsAndTheFrequencyLock) {
    Make();
    EXPECT_EQ(w->objectName(), "QRGGRAF");
    EXPECT_EQ(w->windowTitle(), "Frequency Graf");
    for (int k = 0; k <= 10; ++k) {
        EXPECT_EQ(Text(QString("VlabelA_%1").arg(k)), QString::number(-100 + 20 * k));
        EXPECT_EQ(Text(QString("VlabelC_%1").arg(k)), QString::number(-150 + 30 * k));
    }
    for (int i = 0; i < 7; ++i)
        Get<QPushButton>(QString("TulBut_%1").arg(i));
    EXPECT_EQ(Text("HlabelB_2"), "25050Khz");
    EXPECT_TRUE(Get("HlabelB_2")->styleSheet().contains("#00ff00")) << "painted green at load";

    // Locked (red): the frequency scale follows the sweep.
    auto* lock = Get<QPushButton>("QrgLock");
    EXPECT_EQ(lock->text(), "F Lock");
    w->NewQrg(100000000, 200000000);
    EXPECT_EQ(Text("HlabelB_2"), "15MHz");
    // Free (green): NewQrg leaves the labels alone; frequency labels may be nailed.
    QTest::mouseClick(lock, Qt::LeftButton);
    EXPECT_EQ(lock->text(), "F Free");
    w->NewQrg(300000000, 400000000);
    EXPECT_EQ(Text("HlabelB_2"), "15MHz");
    QTest::mouseClick(Get("HlabelB_3"), Qt::LeftButton);
    EXPECT_EQ(w->selectedScale(), kScaleQrg);
    EXPECT_EQ(w->plot().scales()[kScaleQrg].Nail(), 7);
    // Red again: scale 0 selected, GetQRGLimits called.
    int limits = 0;
    w->setGetQRGLimits([&] { ++limits; });
    QTest::mouseClick(lock, Qt::LeftButton);
    EXPECT_EQ(lock->text(), "F Lock");
    EXPECT_EQ(limits, 1);
    EXPECT_EQ(w->selectedScale(), kScaleTrans);
    QTest::mouseClick(Get("HlabelB_0"), Qt::LeftButton);
    EXPECT_EQ(w->selectedScale(), kScaleTrans) << "frequency labels are ignored while locked";

    // Phase label 4 nails scale 3; Up moves it by one division and relabels.
    QTest::mouseClick(Get("VlabelC_4"), Qt::LeftButton);
    EXPECT_EQ(w->selectedScale(), kScalePhase);
    QTest::mouseClick(Get<QPushButton>("TulBut_0"), Qt::LeftButton);
    EXPECT_EQ(Text("VlabelC_0"), "-120");

    w->Messurechange(2);
    EXPECT_TRUE(Get("VerId_2")->styleSheet().contains("#00ff00"));
    EXPECT_TRUE(Get("VerId_1")->styleSheet().contains("#ffffff"));
}

TEST_F(GrafFixture, VswrUnitLabelsAndTraces) {
    settings.RTLUnit = {false, true};
    Make();
    for (int k = 0; k <= 10; ++k)
        EXPECT_EQ(Text(QString("VlabelB_%1").arg(k)), QString::number(k + 1));
    // |S11| = 3/7 is VSWR 2.5: the trace lies half way between lines 1 and 2.
    s->Smessure = 0;
    w->NewQrg(10000000, 510000000);
    for (int i = 0; i <= 100; ++i)
        w->makelive(Put(*s, SweepQrg(i), 0, {-3.0 / 7, 0}));
    const QImage& img = w->plot().image();
    const int y = w->plot().scales()[kScaleVswr].GetPoint(PlotMagnitude(20 * std::log10(3.0 / 7), 0, true));
    EXPECT_NEAR(PlotMagnitude(20 * std::log10(3.0 / 7), 0, true), 2.5, 1e-12);
    const int x = w->plot().scales()[kScaleQrg].GetPoint(SweepQrg(33) + 1000000);
    EXPECT_EQ(img.pixel(x, y) | 0xFF000000u, settings.rows[0].colour[kTraceS11] | 0xFF000000u);
    EXPECT_TRUE(Text("VnaRpt").startsWith("Speed=0  Wait=0  Div=5MHz"));
}

TEST_F(GrafFixture, RightClickPlacesMarkersAndTheTableShowsThem) {
    Make();
    w->NewQrg(10000000, 510000000);
    for (int i = 0; i <= 100; ++i)
        w->makelive(Put(*s, SweepQrg(i), 1, std::polar(0.5, -0.05 * i)));
    const QImage before = w->plot().image().copy();
    auto* menu = w->markerMenu();

    // Outside the bounds (the edge itself): nothing happens.
    QTest::mouseClick(Area(), Qt::RightButton, {}, QPoint(0, 50));
    EXPECT_FALSE(markers.click().valid);
    EXPECT_FALSE(menu->isVisible());

    // Inside: MarkerId keeps the click and the menu opens with the visible traces.
    const int x = w->plot().scales()[kScaleQrg].GetPoint(SweepQrg(40));
    QTest::mouseClick(Area(), Qt::RightButton, {}, QPoint(x, 60));
    ASSERT_TRUE(markers.click().valid);
    EXPECT_NEAR(markers.click().frequency, SweepQrg(40), 2 * w->plot().scales()[kScaleQrg].Div() / 100.0);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_TRUE(menu->findChild<QAction*>("MnuMrkS21")->isVisible());
    EXPECT_FALSE(menu->findChild<QAction*>("MnuMrkS11")->isVisible()) << "S11 is not measured";
    menu->findChild<QAction*>("MnuMrkS21")->trigger();
    menu->hide();
    ASSERT_EQ(markers.count(), 1);
    EXPECT_NEAR(markers.at(0).value, 20 * std::log10(0.5), 0.01);
    EXPECT_NE(w->plot().image(), before);
    auto* table = Get<QTableWidget>("MarkerTable");
    ASSERT_EQ(table->rowCount(), 1);
    EXPECT_EQ(table->item(0, 3)->text(), "-6.02");

    // Dragging the marker moves its frequency; deleting it restores the plot.
    const QPoint at = *w->plot().markerPos(0);
    const int x2 = w->plot().scales()[kScaleQrg].GetPoint(SweepQrg(70));
    QTest::mousePress(Area(), Qt::LeftButton, {}, at);
    QMouseEvent move(QEvent::MouseMove, QPointF(x2, at.y()), Area()->mapToGlobal(QPointF(x2, at.y())),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Area(), &move);
    QTest::mouseRelease(Area(), Qt::LeftButton, {}, QPoint(x2, at.y()));
    EXPECT_NEAR(markers.at(0).frequency, SweepQrg(70), w->plot().scales()[kScaleQrg].Div() / 20.0);
    table->selectRow(0);
    QTest::mouseClick(Get<QPushButton>("MarkerDel"), Qt::LeftButton);
    EXPECT_EQ(markers.count(), 0);
    EXPECT_EQ(table->rowCount(), 0);
    EXPECT_EQ(w->plot().image(), before);

    // The readout under the pointer.
    QTest::mouseMove(Area(), QPoint(x, 30));
    EXPECT_TRUE(Area()->toolTip().startsWith("Qrg = "));
}

TEST_F(GrafFixture, TooSmallWindowDrawsNothingAndHiddenTracesGoAway) {
    Make();
    w->NewQrg(10000000, 510000000);
    for (int i = 0; i <= 100; ++i)
        w->makelive(Put(*s, SweepQrg(i), 1, {0.15, 0}));  // -16.5 dB, off the grid
    const QImage drawn = w->plot().image().copy();
    Get<QCheckBox>("VisS21_0")->setChecked(false);
    const QImage hidden = w->plot().image().copy();
    EXPECT_NE(hidden, drawn);
    Get<QCheckBox>("VisS21_0")->setChecked(true);
    EXPECT_EQ(w->plot().image(), drawn);

    // A colour chosen in the dialog becomes the swatch's and the trace's colour.
    QTimer::singleShot(0, [] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* dlg = qobject_cast<QColorDialog*>(top)) {
                dlg->setCurrentColor(QColor(0, 160, 160));
                dlg->accept();
            }
    });
    QTest::mouseClick(Get<QPushButton>("ColS21_0"), Qt::LeftButton);
    EXPECT_EQ(settings.rows[0].colour[kTraceS21], qRgb(0, 160, 160));
    EXPECT_TRUE(Get("ColS21_0")->styleSheet().contains("#00a0a0"));
    const int x = w->plot().scales()[kScaleQrg].GetPoint(SweepQrg(33) + 1000000);
    EXPECT_EQ(w->plot().image().pixel(x, w->plot().scales()[kScaleTrans].GetPoint(20 * std::log10(0.15))) | 0xFF000000u,
              qRgb(0, 160, 160) | 0xFF000000u) << "redrawn in the new colour";

    w->setMinimumSize(0, 0);  // as small as a minimised window
    w->resize(40, 40);
    QApplication::processEvents();
    EXPECT_FALSE(w->plot().layoutValid());
    const QImage kept = w->plot().image().copy();
    w->makelive(Put(*s, SweepQrg(50), 1, {0.9, 0}));
    EXPECT_EQ(w->plot().image(), kept) << "nothing drawn while the layout is not valid";
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
