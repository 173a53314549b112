// The batch mode's picture end to end: tavrel13 --batch --plot on the
// simulated analyser draws the S21 trace of a 10 dB attenuator as a
// horizontal line at the -10 dB level of the drawn scale.
#include <QGuiApplication>
#include <QImage>

#include <gtest/gtest.h>

#include "batch_fixture.h"

namespace {

using graphtest::PlotRun;

bool Black(QRgb c) { return qRed(c) < 40 && qGreen(c) < 40 && qBlue(c) < 40; }

TEST(PlotSystem, AttenuatorS21IsAHorizontalLineAtMinus10dB) {
    PlotRun r;
    r.Run({"--dut", "att10", "--measure", "S21", "--plot", "p.png"});
    ASSERT_EQ(r.exitCode, 0) << r.errors.toStdString();
    QImage img(r.dir.filePath("p.png"));
    ASSERT_FALSE(img.isNull()) << r.errors.toStdString();
    EXPECT_EQ(img.size(), QSize(1200, 800));

    // The plot's frame: the black lines around the plot area, found from the
    // picture's centre outwards.
    const int cx = img.width() / 2, cy = img.height() / 2;
    int left = cx, right = cx, top = cy, bottom = cy;
    while (left > 0 && !Black(img.pixel(left, cy + 3))) --left;
    while (right < img.width() - 1 && !Black(img.pixel(right, cy + 3))) ++right;
    while (top > 0 && !Black(img.pixel(cx + 3, top))) --top;
    while (bottom < img.height() - 1 && !Black(img.pixel(cx + 3, bottom))) ++bottom;
    ASSERT_GT(right - left, 600);
    ASSERT_GT(bottom - top, 400);

    // The transmission scale runs from +100 dB at the top to -100 dB at the bottom.
    const double yMinus10 = top + (100.0 - -10.0) / 200.0 * (bottom - top);
    int onLine = 0, columns = 0;
    for (int x = left + 5; x < right - 5; x += 3) {
        ++columns;
        for (int dy = -3; dy <= 3; ++dy) {
            const QRgb c = img.pixel(x, static_cast<int>(std::lround(yMinus10)) + dy);
            if (qBlue(c) > 150 && qRed(c) < 80 && qGreen(c) < 80) {  // the S21 colour
                ++onLine;
                break;
            }
        }
    }
    EXPECT_GT(onLine, columns * 95 / 100) << onLine << " of " << columns << " columns";
    // And nowhere else: not at -20 dB nor at 0 dB.
    for (double db : {0.0, -20.0}) {
        const int y = static_cast<int>(std::lround(top + (100.0 - db) / 200.0 * (bottom - top)));
        const QRgb c = img.pixel(cx + 17, y);
        EXPECT_FALSE(qBlue(c) > 150 && qRed(c) < 80) << db;
    }
}

TEST(PlotSystem, BadPictureOptionsAreRefused) {
    PlotRun r;
    r.Run({"--plot", "p.gif"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.errors.contains("--plot needs a file ending in .png, .svg or .pdf")) << r.errors.toStdString();
    r.Run({"--plot", "p.svg", "--plot-size", "12x8"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.errors.contains("--plot-size")) << r.errors.toStdString();
}

} // namespace
