// The Smith chart without widgets: the coordinate functions against the
// formulas, and what the chart draws, read back pixel by pixel from its
// backing store.
#include "display/graph/smith_picture.h"
#include "display/graph/smith_plot.h"
#include "display/measure/point_list.h"
#include "graph_fixture.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cmath>

using namespace graphtest;

namespace {

constexpr double kPi = 3.14159265358979;

bool White(QRgb c) { return (c & 0xFFFFFFu) == 0xFFFFFFu; }

struct SmithFixture : ::testing::Test {
    std::unique_ptr<MeasureState> s = NewState();
    GraphSettings settings;
    MarkerTable markers;
    SmithPlot plot{*s, settings, markers};

    void SetUp() override {
        plot.Layout(QSize(401, 401));
        plot.scales()[kScaleQrg].setMin(10000000);
        plot.scales()[kScaleQrg].setMax(510000000);
    }
    /// Leaves only the given grid fields, all other fields empty.
    void OnlyField(int family, const QString& text) {
        for (auto& fam : plot.lines().fields)
            for (QString& f : fam)
                f.clear();
        plot.lines().fields[static_cast<size_t>(family)][0] = text;
    }
    QRgb At(QPointF p) const { return plot.image().pixel(static_cast<int>(std::lround(p.x())), static_cast<int>(std::lround(p.y()))); }
    /// True when a pixel within one of p is not white.
    bool Inked(QPointF p) const {
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                if (!White(At(p + QPointF(dx, dy))))
                    return true;
        return false;
    }
    /// A reflection sweep: Γ of point i is gamma(i), frequency SweepQrg(i).
    std::vector<int16_t> Reflection(int k, int n, const std::function<std::complex<double>(int)>& gamma) {
        std::vector<int16_t> pts;
        for (int i = 0; i < n; ++i)
            pts.push_back(Put(*s, SweepQrg(i), k, gamma(i)));
        return pts;
    }
};

TEST(SmithGeometry, ResistanceReactanceAndVswrFollowTheFormulas) {
    const SmithFrame f{200, 200, 160};
    // LR 50: the circle through the centre, radius R/2.
    const auto r50 = ResistanceCircle(f, 50);
    ASSERT_TRUE(r50);
    EXPECT_DOUBLE_EQ(r50->radius, 80);
    EXPECT_DOUBLE_EQ(r50->centre.x() - r50->radius, f.cx);
    EXPECT_DOUBLE_EQ(r50->centre.y(), f.cy);
    // Every resistance circle touches the chart's right-hand point.
    for (double ohm : {12.5, 25.0, 200.0, 400.0}) {
        const auto c = ResistanceCircle(f, ohm);
        ASSERT_TRUE(c);
        EXPECT_NEAR(c->centre.x() + c->radius, f.cx + f.R, 1e-9) << ohm;
        EXPECT_NEAR(c->radius, f.R / (ohm / 50 + 1), 1e-9) << ohm;
    }
    // LPJ 50 meets the unit circle at the top (Γ = j), LNJ 50 at the bottom.
    const auto x50 = ReactanceArc(f, 50);
    ASSERT_TRUE(x50);
    EXPECT_NEAR(x50->meetGamma.real(), 0, 1e-12);
    EXPECT_NEAR(x50->meetGamma.imag(), 1, 1e-12);
    EXPECT_NEAR(x50->meet.x(), f.cx, 1e-9);
    EXPECT_NEAR(x50->meet.y(), f.cy - f.R, 1e-9);
    const auto xm50 = ReactanceArc(f, -50);
    ASSERT_TRUE(xm50);
    EXPECT_NEAR(xm50->meet.y(), f.cy + f.R, 1e-9);
    // Each arc runs from the right-hand point to its meeting point on its
    // circle, and its middle lies inside the unit circle: there the
    // impedance has the arc's reactance.
    for (double ohm : {12.5, 25.0, 50.0, 100.0, 400.0, -12.5, -100.0, -400.0}) {
        const auto a = ReactanceArc(f, ohm);
        ASSERT_TRUE(a);
        const double r = a->circle.radius;
        const auto on = [&](double deg) {
            return QPointF(a->circle.centre.x() + r * std::cos(deg * kPi / 180),
                           a->circle.centre.y() - r * std::sin(deg * kPi / 180));
        };
        EXPECT_NEAR(on(a->startDeg).x(), f.cx + f.R, 1e-6) << ohm;
        EXPECT_NEAR(on(a->startDeg).y(), f.cy, 1e-6) << ohm;
        EXPECT_NEAR(on(a->startDeg + a->spanDeg).x(), a->meet.x(), 1e-6) << ohm;
        EXPECT_NEAR(on(a->startDeg + a->spanDeg).y(), a->meet.y(), 1e-6) << ohm;
        const std::complex<double> g = f.FromPixel(on(a->startDeg + a->spanDeg / 2));
        EXPECT_LT(std::abs(g), 1.0) << ohm;
        const std::complex<double> z = 50.0 * (1.0 + g) / (1.0 - g);
        EXPECT_NEAR(z.imag(), ohm, std::abs(ohm) * 1e-9) << ohm;
    }
    // VSWR 3: radius R/2 around the centre.
    const auto v3 = VswrCircle(f, 3);
    ASSERT_TRUE(v3);
    EXPECT_DOUBLE_EQ(v3->radius, 80);
    EXPECT_EQ(v3->centre, QPointF(f.cx, f.cy));
    // Nothing for zero, nonsense and impossible values.
    EXPECT_FALSE(ResistanceCircle(f, 0));
    EXPECT_FALSE(ReactanceArc(f, 0));
    EXPECT_FALSE(VswrCircle(f, 1));
    EXPECT_FALSE(VswrCircle(f, 0.5));
    EXPECT_EQ(GridFieldValue(""), 0);
    EXPECT_EQ(GridFieldValue("abc"), 0);
    EXPECT_EQ(GridFieldValue(" 12.5"), 12.5);
    // Γ to pixel and back.
    const std::complex<double> g(0.3, -0.4);
    EXPECT_NEAR(std::abs(f.FromPixel(f.ToPixel(g)) - g), 0, 1e-12);
    EXPECT_LT(f.ToPixel({0, 1}).y(), f.cy);
}

TEST(SmithGeometry, ClipLineKeepsThePartInside) {
    const QRectF r(0, 0, 100, 100);
    const auto in = ClipLine(QLineF(-50, 50, 150, 50), r);
    ASSERT_TRUE(in);
    EXPECT_EQ(*in, QLineF(0, 50, 100, 50));
    EXPECT_FALSE(ClipLine(QLineF(-50, -10, 150, -10), r));
    EXPECT_EQ(*ClipLine(QLineF(10, 10, 20, 30), r), QLineF(10, 10, 20, 30));
}

TEST_F(SmithFixture, DecibelMappingPutsPositivePhaseAboveTheAxis) {
    const SmithFrame& f = plot.frame();
    const Skala& db = plot.scales()[kScaleTrans];
    // The decibel scale is ten divisions of 10 dB: -10 dB at nine tenths of R.
    EXPECT_EQ(db.min(), -100);
    EXPECT_EQ(db.max(), 0);
    EXPECT_EQ(db.Div(), 10);
    const QPointF up = f.Decibel(-10, kPi / 2, db);
    EXPECT_NEAR(up.x(), f.cx, 1e-9);
    EXPECT_NEAR(f.cy - up.y(), std::lround(0.9 * f.R), 1e-9);
    // Same sense as the linear mapping of the same angle.
    EXPECT_LT(f.Decibel(-3, 0.3, db).y(), f.cy);
    EXPECT_LT(f.Linear(0.5, 0.3).y(), f.cy);
    // Below the scale: the centre; above 0 dB: the unit circle.
    EXPECT_NEAR(f.Decibel(-300, 1.0, db).x(), f.cx, 1e-9);
    EXPECT_NEAR(std::hypot(f.Decibel(10, 1.0, db).x() - f.cx, f.Decibel(10, 1.0, db).y() - f.cy),
                std::lround(f.R), 1e-9);
}

TEST_F(SmithFixture, GridFieldsDrawTheirCirclesAndArcs) {
    const SmithFrame& f = plot.frame();
    OnlyField(kLR, "50");
    plot.Refscreen();
    const QPointF top(f.cx + f.R / 2, f.cy - f.R / 2);
    EXPECT_TRUE(Inked(top));
    EXPECT_FALSE(White(At(QPointF(f.cx, f.cy))));  // through the centre
    OnlyField(kLR, "abc");  // not a number: nothing
    plot.Refscreen();
    EXPECT_FALSE(Inked(top));
    // The unit circle and the axis are always there.
    EXPECT_TRUE(Inked(QPointF(f.cx, f.cy - f.R)));
    EXPECT_TRUE(Inked(QPointF(f.cx - f.R / 3, f.cy)));

    // LPJ 50: the arc from the right-hand point up to Γ = j, through Γ = (1 + j)/2 ... on its circle.
    OnlyField(kLPJ, "50");
    plot.Refscreen();
    const QPointF mid = f.ToPixel({1 - std::sqrt(0.5), std::sqrt(0.5) - 0.0});  // centre (1, 1), radius 1, at 225°
    EXPECT_TRUE(Inked(f.ToPixel({1 - std::cos(kPi / 4), 1 - std::sin(kPi / 4)}))) << mid.x();
    EXPECT_FALSE(Inked(f.ToPixel({1 - std::cos(kPi / 4), -(1 - std::sin(kPi / 4))})));  // not mirrored
    OnlyField(kLNJ, "50");
    plot.Refscreen();
    EXPECT_TRUE(Inked(f.ToPixel({1 - std::cos(kPi / 4), -(1 - std::sin(kPi / 4))})));

    // VSWR 3: a circle of radius R/2 around the centre, drawn dashed: most of its points inked.
    OnlyField(kLVSWR, "3");
    plot.Refscreen();
    int inked = 0;
    for (int d = 0; d < 360; d += 5)
        inked += Inked(QPointF(f.cx + f.R / 2 * std::cos(d * kPi / 180), f.cy - f.R / 2 * std::sin(d * kPi / 180))) ? 1 : 0;
    EXPECT_GT(inked, 36);

    // Labels only where a box is ticked and the field draws.
    EXPECT_TRUE(plot.Labels().empty());
    plot.lines().labels[kLVSWR] = true;
    ASSERT_EQ(plot.Labels().size(), 1u);
    EXPECT_EQ(plot.Labels()[0].text, "3");
}

TEST_F(SmithFixture, AutoWhileS21IsMeasuredShowsNineRingsTheMiddleOneRed) {
    s->Smessure = 1;
    plot.setDispType(2);
    EXPECT_EQ(plot.mode(), 1);
    plot.Refscreen();
    const SmithFrame& f = plot.frame();
    // Walk up from the centre: nine rings, then the unit circle.
    std::vector<QRgb> runs;
    bool inRun = false;
    for (int y = static_cast<int>(f.cy) - 2; y > f.cy - f.R + 2; --y) {
        const QRgb c = plot.image().pixel(static_cast<int>(f.cx) + 1, y);
        if (!White(c) && !inRun)
            runs.push_back(c);
        inRun = !White(c);
    }
    ASSERT_EQ(runs.size(), 9u);
    for (int k = 0; k < 9; ++k)
        EXPECT_EQ(runs[static_cast<size_t>(k)] & 0xFFFFFF, k == 4 ? 0xFF0000u : 0x000000u) << k;
    const auto labels = plot.Labels();
    ASSERT_EQ(labels.size(), 9u);
    EXPECT_EQ(labels[4].text, "-50");
    EXPECT_TRUE(labels[4].red);
    EXPECT_EQ(labels[0].text, "-90");
    // Back to S11 under "Auto": the Smith grid.
    plot.Messurechange(0);
    EXPECT_EQ(plot.mode(), 0);
    plot.setDispType(1);
    EXPECT_EQ(plot.mode(), 1);
    plot.Messurechange(3);
    EXPECT_EQ(plot.mode(), 1);  // fixed while not "Auto"
}

TEST_F(SmithFixture, ReflectionMagnitudeScaleDoesNotMove) {
    Skala& m = plot.scales()[kScaleRefl];
    const auto before = std::make_tuple(m.min(), m.max(), m.Div());
    for (int i = 0; i < 3; ++i) {
        m.Up();
        m.Dn();
        m.IncDiv();
        m.DecDiv();
    }
    EXPECT_EQ(std::make_tuple(m.min(), m.max(), m.Div()), before);
}

TEST_F(SmithFixture, FrequencyWindowHidesSegmentsOutsideIt) {
    settings.rows[0].colour[0] = qRgb(200, 0, 0);
    OnlyField(kLR, "");  // no grid lines under the trace
    // A circle of |Γ| = 0.45 over 21 points.
    const auto pts = Reflection(0, 21, [](int i) { return std::polar(0.45, i * 2 * kPi / 20); });
    plot.scales()[kScaleQrg].setMin(10000000);
    plot.scales()[kScaleQrg].setMax(SweepQrg(10));  // points 0..10 only
    plot.Refscreen();
    const auto midOf = [&](int i) {
        return (*plot.LivePoint(pts[static_cast<size_t>(i - 1)], 0) + *plot.LivePoint(pts[static_cast<size_t>(i)], 0)) / 2;
    };
    for (int i = 1; i <= 10; ++i)
        EXPECT_TRUE(Inked(midOf(i))) << i;
    for (int i = 12; i < 20; ++i)
        EXPECT_FALSE(Inked(midOf(i))) << i;
    // Live drawing outside the window draws nothing.
    const QImage before = plot.image().copy();
    s->Smessure = 0;
    plot.Makesmithlive(pts[15]);
    EXPECT_EQ(plot.image(), before);
}

TEST_F(SmithFixture, SegmentDrawnTwiceRestoresTheChart) {
    s->Smessure = 0;
    const auto pts = Reflection(0, 11, [](int i) { return std::polar(0.3 + 0.05 * i, -0.4 * i); });
    plot.Refscreen();
    const QImage first = plot.image().copy();
    // The sweep again with the same values: nothing changes.
    for (int16_t p : pts)
        plot.Makesmithlive(p);
    EXPECT_EQ(plot.image(), first);
    // Point 5 moves: only its two segments change, and the picture is the
    // one a full redraw gives.
    StoreRi(s->Sdata[0][pts[5]].S[0], std::polar(0.9, 2.0));
    plot.Makesmithlive(pts[5]);
    plot.Makesmithlive(pts[6]);
    const QImage moved = plot.image().copy();
    EXPECT_NE(moved, first);
    plot.Refscreen();
    EXPECT_EQ(plot.image(), moved);
    // And back: exactly the first picture.
    StoreRi(s->Sdata[0][pts[5]].S[0], std::polar(0.3 + 0.25, -2.0));
    plot.Makesmithlive(pts[5]);
    plot.Makesmithlive(pts[6]);
    EXPECT_EQ(plot.image(), first);
}

TEST_F(SmithFixture, HoverReadsTheImpedanceOfKnownLoads) {
    // Series R 10 Ω, L 1 µH, C 100 pF: resonance at 15.915 MHz.
    const double R = 10, L = 1e-6, C = 100e-12;
    const double f0 = 1 / (2 * kPi * std::sqrt(L * C));
    struct Load {
        int32_t qrg;
        std::complex<double> z;
    };
    const auto rlc = [&](double hz) { return std::complex<double>(R, 2 * kPi * hz * L - 1 / (2 * kPi * hz * C)); };
    const std::vector<Load> loads{{20000000, {25, 0}},
                                  {30000000, {100, 0}},
                                  {static_cast<int32_t>(std::lround(f0 * 10)), rlc(std::lround(f0 * 10) / 10.0)},
                                  {300000000, rlc(30e6)},
                                  {50000000, rlc(5e6)}};
    for (const Load& l : loads)
        Put(*s, l.qrg, 0, (l.z - 50.0) / (l.z + 50.0));
    plot.Refscreen();
    const auto pointOf = [&](int32_t qrg) {
        int16_t p = NextLive(*s, kLowerEnd);
        while (p != kUpperEnd && s->QrgPoints[p].Qrg != qrg)
            p = NextLive(*s, p);
        return p;
    };
    for (const Load& l : loads) {
        const int16_t p = pointOf(l.qrg);
        ASSERT_NE(p, kUpperEnd);
        const QPointF at = *plot.LivePoint(p, 0) + QPointF(1, -1);
        const auto h = plot.HoverAt(at);
        ASSERT_TRUE(h) << l.qrg;
        EXPECT_EQ(h->point, p);
        const std::complex<double> z = h->reading.z;
        EXPECT_NEAR(z.real(), l.z.real(), std::abs(l.z) * 1e-3) << l.qrg;
        EXPECT_NEAR(z.imag(), l.z.imag(), std::abs(l.z) * 1e-3) << l.qrg;
        const QString text = SmithHoverText(h->reading);
        EXPECT_TRUE(text.contains("Z = ")) << text.toStdString();
        if (l.z.imag() > 1) {
            EXPECT_TRUE(text.contains("L = ")) << text.toStdString();
        }
        if (l.z.imag() < -1) {
            EXPECT_TRUE(text.contains("C = ")) << text.toStdString();
        }
    }
    // Above resonance the equivalent inductance of the series circuit.
    const auto h = plot.HoverAt(*plot.LivePoint(pointOf(300000000), 0));
    ASSERT_TRUE(h);
    EXPECT_NEAR(h->reading.henry, (2 * kPi * 30e6 * L - 1 / (2 * kPi * 30e6 * C)) / (2 * kPi * 30e6), 1e-9);
    // Far from every point: no reading.
    EXPECT_FALSE(plot.HoverAt(QPointF(2, 2)));
}

TEST_F(SmithFixture, MarkersSitOnTheTraceAtTheirFrequency) {
    s->Smessure = 0;
    const auto pts = Reflection(0, 11, [](int i) { return std::polar(0.6, 0.3 * i); });
    const int m = markers.PlaceAt(kMarkQrg, SweepQrg(4), 0, false);
    ASSERT_EQ(m, 0);
    plot.Refscreen();
    const QImage with = plot.image().copy();
    // The marker's tip is on point 4.
    const QPointF tip = *plot.LivePoint(pts[4], 0);
    EXPECT_TRUE(Inked(tip + QPointF(0, -6)));
    // Removed by painting it again: the chart a redraw without it gives.
    markers.Remove(m);
    plot.marker(m);
    const QImage unpainted = plot.image().copy();
    EXPECT_NE(unpainted, with);
    plot.Refscreen();
    EXPECT_EQ(plot.image(), unpainted);
}

TEST_F(SmithFixture, PicturesAreClippedByGeometryAndDrawnByTheChartsCode) {
    s->Smessure = 0;
    // |Γ| up to 3: the trace leaves the unit circle and the picture.
    Reflection(0, 11, [](int i) { return std::polar(0.3 * i, 0.5); });
    QTemporaryDir dir;
    ASSERT_EQ(SaveSmithPicture(dir.filePath("c.svg"), QSize(500, 500), plot, "Smith Chart"), QString());
    QFile svg(dir.filePath("c.svg"));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    const QByteArray text = svg.readAll();
    EXPECT_FALSE(text.contains("clipPath")) << "drawn without clip regions";
    EXPECT_TRUE(text.contains("Smith chart, Z0 = 50"));
    ASSERT_EQ(SaveSmithPicture(dir.filePath("c.png"), QSize(500, 500), plot, "Smith Chart"), QString());
    const QImage png(dir.filePath("c.png"));
    EXPECT_EQ(png.size(), QSize(500, 500));
    EXPECT_NE(SaveSmithPicture(dir.filePath("no/such/dir/c.png"), QSize(500, 500), plot, "x"), QString());
    EXPECT_EQ(plot.frame().R, SmithFrame::Fit(401, 401, 26).R) << "the window's frame is back";
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);  // fonts for the marker numbers
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
