// The batch mode's Smith chart end to end: tavrel13 --batch --smith on the
// simulated analyser puts a short at the chart's left-hand point, an open
// at its right-hand point, and a 10 dB attenuator on the -10 dB ring of the
// polar plot.
#include <QImage>

#include <gtest/gtest.h>

#include "batch_fixture.h"

#include <cmath>
#include <functional>

namespace {

using graphtest::PlotRun;

bool Black(QRgb c) { return qRed(c) < 60 && qGreen(c) < 60 && qBlue(c) < 60; }

/// The unit circle, found by the chart's horizontal axis: the longest black
/// horizontal run of the picture spans the diameter.
struct Chart {
    double cx = 0, cy = 0, R = 0;
    explicit Chart(const QImage& img) {
        // Runs may have short gaps where a trace crosses the axis.
        int best = 0;
        for (int y = 0; y < img.height(); ++y) {
            int start = -1, last = -1;
            for (int x = 0; x < img.width(); ++x) {
                if (!Black(img.pixel(x, y)))
                    continue;
                if (start < 0 || x - last > 12)
                    start = x;
                last = x;
                if (last - start + 1 > best) {
                    best = last - start + 1;
                    cy = y;
                    cx = (start + last) / 2.0;
                }
            }
        }
        R = (best - 1) / 2.0;
    }
    /// Pixels of the trace colour within `radius` of the point (x, y) of the
    /// reflection plane (unit circle = 1).
    int Count(const QImage& img, double gx, double gy, double radius,
              const std::function<bool(QRgb)>& colour) const {
        int n = 0;
        const double px = cx + gx * R, py = cy - gy * R, r = radius * R;
        for (int y = static_cast<int>(py - r); y <= static_cast<int>(py + r); ++y)
            for (int x = static_cast<int>(px - r); x <= static_cast<int>(px + r); ++x)
                if (img.valid(x, y) && std::hypot(x - px, y - py) <= r && colour(img.pixel(x, y)))
                    ++n;
        return n;
    }
};

bool S11Colour(QRgb c) { return qRed(c) > 140 && qGreen(c) < 110 && qBlue(c) < 110; }
bool S21Colour(QRgb c) { return qBlue(c) > 140 && qRed(c) < 110 && qGreen(c) < 110; }

QImage Smith(PlotRun& r, const QStringList& args) {
    r.Run(QStringList{"--smith", "s.png", "--plot-size", "900x900"} + args);
    EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
    return QImage(r.dir.filePath("s.png"));
}

TEST(SmithSystem, ShortSitsAtTheLeftAndOpenAtTheRight) {
    PlotRun shortRun;
    const QImage s = Smith(shortRun, {"--dut", "short", "--measure", "S11"});
    ASSERT_FALSE(s.isNull()) << shortRun.errors.toStdString();
    EXPECT_EQ(s.size(), QSize(900, 900));
    const Chart a(s);
    ASSERT_GT(a.R, 300) << "the unit circle's axis";
    EXPECT_GT(a.Count(s, -1, 0, 0.03, S11Colour), 10);
    EXPECT_EQ(a.Count(s, 1, 0, 0.5, S11Colour), 0);
    EXPECT_EQ(a.Count(s, 0, 0, 0.5, S11Colour), 0);

    PlotRun openRun;
    const QImage o = Smith(openRun, {"--dut", "open", "--measure", "S11"});
    ASSERT_FALSE(o.isNull()) << openRun.errors.toStdString();
    const Chart b(o);
    EXPECT_GT(b.Count(o, 1, 0, 0.03, S11Colour), 10);
    EXPECT_EQ(b.Count(o, -1, 0, 0.5, S11Colour), 0);
}

TEST(SmithSystem, AttenuatorLiesOnTheMinus10dBRing) {
    PlotRun r;
    const QImage img = Smith(r, {"--dut", "att10", "--measure", "S21"});
    ASSERT_FALSE(img.isNull()) << r.errors.toStdString();
    const Chart c(img);
    ASSERT_GT(c.R, 300);
    // Every S21 pixel of the chart lies at nine tenths of the radius: the
    // -10 dB ring.
    int on = 0, off = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (S21Colour(img.pixel(x, y))) {
                const double d = std::hypot(x - c.cx, y - c.cy) / c.R;
                if (d < 1.05)
                    (std::abs(d - 0.9) < 0.02 ? on : off)++;
            }
    EXPECT_GT(on, 10);
    EXPECT_EQ(off, 0) << on << " on the ring, " << off << " elsewhere";
}

TEST(SmithSystem, BadSmithFileIsRefused) {
    PlotRun r;
    r.Run({"--smith", "s.bmp"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.errors.contains("--smith needs a file ending in .png, .svg or .pdf")) << r.errors.toStdString();
}

} // namespace
