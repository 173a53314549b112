// The display settings window in the main window: opened from the Display
// menu, its controls reaching the sweep timer, the scales of the frequency
// graph and of the main window, and a loaded file drawn beside the live trace.
#include "tests/display/graph/app_rig.h"
#include "display/app/sweep_control.h"
#include "display/calib/calib_table.h"
#include "display/graph/widgets/dsp_set_window.h"
#include "display/graph/widgets/qrg_graf.h"
#include "display/graph/widgets/smith_graf.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(DspSetWiring, SettingsReachTheSweepAndTheGraphs) {
    graphtest::ProgramRun run;
    MasterSession& m = *run.m;
    Master& w = *run.w;
    MeasureState* s = run.s.get();
    DspSet* d = w.dspSet();
    ASSERT_NE(d, nullptr);
    d->setModalMessages(false);
    auto* sub = w.findChild<QMdiSubWindow*>("DspSetWindow");
    ASSERT_NE(sub, nullptr);
    EXPECT_FALSE(sub->isVisible());
    w.findChild<QAction*>("MnuDisplay")->trigger();
    EXPECT_TRUE(sub->isVisible());

    // "50": the sweep timer restarted with 2000 ms.
    QTimer& timer = m.sweep().ScanUpdateTimer();
    timer.stop();
    d->findChild<QRadioButton*>("RadioScan_3")->click();
    EXPECT_EQ(s->VnaScanSize, 50);
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.interval(), 2000);
    timer.stop();

    // Step lists reach both graphs' scales and the main window's frequency scale.
    SmithGraf* smith = w.ShowSmith();
    ASSERT_NE(smith, nullptr);
    auto* db = d->findChild<QLineEdit*>("DbDiv");
    db->setText("1,2,5");
    emit db->editingFinished();
    QrgGraf* g = w.qrgGraf();
    EXPECT_EQ(g->plot().scales()[kScaleTrans].Ticks(), "1,2,5");
    EXPECT_EQ(g->plot().scales()[kScaleRefl].Ticks(), "1,2,5");
    EXPECT_EQ(smith->plot().scales()[kScaleTrans].Ticks(), "1,2,5");
    auto* fd = d->findChild<QLineEdit*>("FreqDiv");
    fd->setText("1,5");
    emit fd->editingFinished();
    EXPECT_EQ(g->plot().scales()[kScaleQrg].Ticks(), "1,5");
    EXPECT_EQ(m.Scales(MasterSession::kFreqScale).Ticks(), "1,5");

    // A live sweep, then a file in slot 9 drawn beside it; a title edit reaches the session.
    m.Scales(MasterSession::kFreqScale).setMin(500000);
    m.Scales(MasterSession::kFreqScale).setMax(600500000);
    m.sweep().GetQRGLimits();
    for (const QByteArray& piece : SweepReports())
        m.arrivalproc(piece);
    QApplication::processEvents();
    g->Refscreen();
    const QImage live = g->plot().image().copy();
    QTemporaryDir dir;
    const QString path = dir.filePath("filter.S2P");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("# MHZ S DB R 50\n");
    for (int mhz = 1; mhz <= 60; ++mhz)
        f.write(QString("%1 -3 10 -%2 20 -%2 20 -3 10\n").arg(mhz).arg(mhz % 30).toUtf8());
    f.close();
    d->setFileChooser([&] { return path; });
    d->findChild<QPushButton*>("GrafProbSource_9")->click();
    EXPECT_EQ(s->SdataHead[9].Length, 60);
    ASSERT_TRUE(g->plot().layoutValid());
    EXPECT_NE(g->plot().image(), live) << "the file's traces are drawn";
    EXPECT_EQ(m.VnaCTitle(9), "filter");
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
