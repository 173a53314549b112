// The frequency graph's drawing without widgets: segment replacement in the
// backing store, the stored tables, markers, the scales' labels and readout.
#include "display/graph/qrg_plot.h"
#include "display/graph/qrg_picture.h"
#include "display/graph/trace_map.h"
#include "graph_fixture.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QTemporaryDir>

#include <cmath>

using namespace graphtest;

namespace {

struct PlotFixture : ::testing::Test {
    std::unique_ptr<MeasureState> s = NewState();
    GraphSettings settings;
    MarkerTable markers;
    QrgPlot plot{*s, settings, markers};

    void SetUp() override {
        plot.Layout(QSize(501, 301));
        plot.scales()[kScaleQrg].setMin(0);
        plot.scales()[kScaleQrg].setMax(600000000);
        plot.scales()[kScaleQrg].setLow(0);
    }
    /// One sweep of S21 over 101 points, drawn live point by point.
    void Sweep(const std::function<double(int)>& db) {
        for (int i = 0; i <= 100; ++i) {
            const int16_t p = Put(*s, SweepQrg(i), 1, std::polar(std::pow(10.0, db(i) / 20), 0.01 * i));
            plot.makelive(p);
        }
    }
    int CountColour(const QImage& img, QRgb c) const {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                n += (img.pixel(x, y) | 0xFF000000u) == (c | 0xFF000000u);
        return n;
    }
};

TEST_F(PlotFixture, FirstPointDrawsNothingAndSegmentsRestoreWhenDrawnTwice) {
    plot.Refscreen();
    const QImage grid = plot.image().copy();
    const int16_t p = Put(*s, SweepQrg(0), 1, {0.3, 0});
    plot.makelive(p);
    EXPECT_EQ(plot.image(), grid) << "a first point has no predecessor";
    const int16_t q = Put(*s, SweepQrg(1), 1, {0.3, 0});
    plot.makelive(q);
    EXPECT_NE(plot.image(), grid) << "the second point draws the segment";

    // Any segment, any width, with its dot: drawn twice, the image is restored.
    BackingStore& st = plot.store();
    const QImage before = st.image().copy();
    for (int w : {1, 2, 3}) {
        st.XorSegment(QPoint(3, 290), QPoint(480, 10), qRgb(10, 200, 30), w, true);
        EXPECT_NE(st.image(), before);
        st.XorSegment(QPoint(3, 290), QPoint(480, 10), qRgb(10, 200, 30), w, true);
        EXPECT_EQ(st.image(), before) << "width " << w;
    }
    // A marker painted twice, too.
    const QImage glyph = MarkerGlyph(true, 3, qRgb(0, 0, 0));
    st.XorImage(glyph, QPoint(100, 100));
    EXPECT_NE(st.image(), before);
    st.XorImage(glyph, QPoint(100, 100));
    EXPECT_EQ(st.image(), before);
}

TEST_F(PlotFixture, SecondSweepReplacesEverySegmentLikeAFreshRedraw) {
    plot.Refscreen();
    Sweep([](int i) { return -10.0 - 0.2 * i; });
    const QImage first = plot.image().copy();
    Sweep([](int i) { return -40.0 + 30.0 * std::sin(i / 8.0); });
    const QImage replaced = plot.image().copy();
    EXPECT_NE(replaced, first);

    MarkerTable noMarkers;
    QrgPlot fresh(*s, settings, noMarkers);
    fresh.Layout(QSize(501, 301));
    fresh.scales()[kScaleQrg].setLow(0);
    fresh.scales()[kScaleQrg].setMin(0);
    fresh.scales()[kScaleQrg].setMax(600000000);
    fresh.Refscreen();
    EXPECT_EQ(replaced, fresh.image()) << "no stale pixel of the first sweep";
    // The trace is there: the S21 colour where -10 dB (first sweep) is gone.
    EXPECT_GT(CountColour(replaced, settings.rows[0].colour[kTraceS21]), 300);
}

TEST_F(PlotFixture, MarkersPaintFromTheirRecordAndComeOffAgain) {
    Sweep([](int) { return -20.0; });
    plot.Refscreen();
    const QImage bare = plot.image().copy();
    const int k = markers.PlaceAt(kMarkMagS21, SweepQrg(50), 1, false);
    ASSERT_EQ(k, 0);
    markers.Follow(*s, false);
    EXPECT_NEAR(markers.at(k).value, -20.0, 1e-9) << "the marker follows the trace";
    plot.marker(k);
    ASSERT_TRUE(plot.markerPos(k));
    EXPECT_EQ(*plot.markerPos(k),
              QPoint(plot.scales()[kScaleQrg].GetPoint(SweepQrg(50)), plot.scales()[kScaleTrans].GetPoint(-20)));
    EXPECT_NE(plot.image(), bare);
    plot.marker(k);  // repainted in place: removed and painted again
    const QImage once = plot.image().copy();
    plot.Unpaint(k);
    EXPECT_EQ(plot.image(), bare);
    plot.marker(k);
    EXPECT_EQ(plot.image(), once);
    // The trace moves under the marker: the marker follows, and comes off
    // leaving exactly the picture of the trace.
    Sweep([](int) { return -30.0; });
    EXPECT_NEAR(markers.at(k).value, -30.0, 1e-9);
    plot.Unpaint(k);
    const QImage live = plot.image().copy();
    markers.Remove(k);
    plot.Refscreen();
    EXPECT_EQ(plot.image(), live);
}

TEST_F(PlotFixture, StoredTablesAndValuesBeyondTheScaleAreDrawnInsideThePlot) {
    // A stored table at -20 dB over 5..55 MHz: drawn from the lookup over the range.
    SdataHeadRec& h = s->SdataHead[9];
    h.Length = 3;
    h.S21 = kSFromFile;
    for (int i = 0; i < 3; ++i) {
        s->Sdata[9][i].Qrg = 50000000 + i * 250000000;
        StoreRi(s->Sdata[9][i].S[1], {std::pow(10.0, -25.0 / 20), 0});
    }
    settings.rows[9].visible[kTracePhase] = false;
    plot.Refscreen();
    const int y = plot.scales()[kScaleTrans].GetPoint(-25);
    const QRgb c = settings.rows[9].colour[kTraceS21];
    const int x0 = plot.scales()[kScaleQrg].GetPoint(60000000), x1 = plot.scales()[kScaleQrg].GetPoint(540000000);
    for (int x = x0; x <= x1; x += 7) {
        if (x % 50 != 0) {  // not on a grid line
            EXPECT_EQ(plot.image().pixel(x, y) | 0xFF000000u, c | 0xFF000000u) << x;
        }
    }
    EXPECT_NE(plot.image().pixel(plot.scales()[kScaleQrg].GetPoint(20000000), y) | 0xFF000000u, c | 0xFF000000u)
        << "nothing outside the table";

    // -300 dB and +300 dB lie beyond the scale's limits: drawn at the edges.
    EXPECT_EQ(plot.scales()[kScaleTrans].GetPoint(-300), 300);
    EXPECT_EQ(plot.scales()[kScaleTrans].GetPoint(300), 0);
    EXPECT_EQ(plot.scales()[kScaleVswr].GetPoint(PlotMagnitude(0.0, 0, true)), 0) << "|S11| = 1: VSWR at the top";
}

TEST(QrgScales, LabelsReadoutAndTraceMapping) {
    GraphSettings settings;
    settings.RTLUnit = {false, true};
    ScaleSet set;
    SetupQrgScales(set, settings);
    const auto vswr = ValueLabels(set[kScaleVswr]);
    for (int k = 0; k <= 10; ++k)
        EXPECT_EQ(vswr[k], QString::number(k + 1));
    const auto f = FreqLabels(set[kScaleQrg]);
    EXPECT_EQ(f[2], "25050Khz");
    EXPECT_EQ(f[0], "-20MHz");
    EXPECT_EQ(f[4], "20MHz");

    // A division of 50 MHz: the readout steps in 2.5 MHz.
    Skala& q = set[kScaleQrg];
    q.setPoints(1000);
    q.setDiv(500000000);
    int64_t last = -1;
    int steps = 0;
    for (int x = 0; x <= 1000; ++x) {
        const int64_t r = ReadoutQrg(q, x);
        EXPECT_EQ(r % 25000000, 0) << x;
        if (last >= 0 && r != last) {
            EXPECT_EQ(r - last, 25000000);
            ++steps;
        }
        last = r;
    }
    EXPECT_GT(steps, 10);
    EXPECT_EQ(ReadoutText(q, 0), "Qrg = 0 Hz");
    EXPECT_EQ(ReadoutText(q, 52), "Qrg = 2500Khz");
    // A division of 1 Hz: the step would be zero; the exact frequency shows.
    q.setMin(1000000);
    q.setMax(1000010);
    EXPECT_EQ(ReadoutQrg(q, 500), 1000005);

    EXPECT_EQ(PlotPhaseDeg(kPi), 180);
    EXPECT_EQ(PlotPhaseDeg(-kPi / 2), -90);
    EXPECT_EQ(PlotPhaseDeg(3 * kPi / 2), -90);
    EXPECT_EQ(PlotPhaseDeg(-7 * kPi / 4), 45);
    EXPECT_EQ(MagnitudeScale(0, true), kScaleVswr);
    EXPECT_EQ(MagnitudeScale(3, false), kScaleRefl);
    EXPECT_EQ(MagnitudeScale(1, true), kScaleTrans);
    EXPECT_NEAR(PlotMagnitude(20 * std::log10(1.0 / 3), 0, true), 2.0, 1e-12);
    EXPECT_NEAR(PlotMagnitude(-6.0, 1, true), -6.0, 1e-12);
}

TEST_F(PlotFixture, PicturesInEveryFormat) {
    Sweep([](int) { return -10.0; });
    QTemporaryDir dir;
    QSize size;
    ASSERT_TRUE(ParsePictureSize("640x480", size));
    EXPECT_FALSE(ParsePictureSize("640", size));
    EXPECT_FALSE(ParsePictureSize("50x50", size));
    for (const char* name : {"a.png", "a.svg", "a.pdf"}) {
        const QString path = dir.filePath(name);
        EXPECT_EQ(SaveQrgPicture(path, QSize(640, 480), plot, "Frequency Graf"), QString());
        EXPECT_GT(QFileInfo(path).size(), 500) << name;
    }
    QFile svg(dir.filePath("a.svg"));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    const QByteArray text = svg.readAll();
    EXPECT_TRUE(text.contains("S21")) << "legend and labels are text";
    EXPECT_FALSE(text.contains("clipPath")) << "drawn without clip regions";
    EXPECT_NE(SaveQrgPicture(dir.filePath("no/such/dir/a.png"), QSize(640, 480), plot, "x"), QString());
    EXPECT_EQ(plot.scales()[kScaleQrg].Points(), 500) << "the window's spans are back";
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
