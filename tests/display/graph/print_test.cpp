// Printing the graph windows: the orientation and fit-to-page rule, the
// caption, and the frequency graph printed into a PDF file whose page is
// then read back (pdfinfo, and a raster of the page by pdftoppm).
#include "display/graph/print_fit.h"
#include "display/graph/widgets/print_window.h"
#include "display/graph/widgets/qrg_graf.h"

#include <QApplication>
#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QSizeF kA4(210, 297);  // mm, upright

TEST(PrintFit, OrientationAndFitToPage) {
    // Twice as wide as high: landscape, the full width of the turned page.
    PrintFit f = FitToPage(QSizeF(800, 400), kA4);
    EXPECT_TRUE(f.landscape);
    EXPECT_DOUBLE_EQ(f.size.width(), 297);
    EXPECT_DOUBLE_EQ(f.size.height(), 148.5);
    // Square: portrait, full width.
    f = FitToPage(QSizeF(500, 500), kA4);
    EXPECT_FALSE(f.landscape);
    EXPECT_DOUBLE_EQ(f.size.width(), 210);
    EXPECT_DOUBLE_EQ(f.size.height(), 210);
    // Tall (three times as high): portrait, the full height.
    f = FitToPage(QSizeF(300, 900), kA4);
    EXPECT_FALSE(f.landscape);
    EXPECT_DOUBLE_EQ(f.size.height(), 297);
    EXPECT_DOUBLE_EQ(f.size.width(), 99);
    // Nothing to print.
    EXPECT_TRUE(FitToPage(QSizeF(0, 100), kA4).size.isEmpty());

    EXPECT_EQ(PrintInfoCaption(QDateTime(QDate(2026, 12, 8), QTime(16, 5, 9)), "Marvik", "7"),
              "2026-12-08 16:05:09  Marvik    Tavrel 1.3.7");
}

TEST(PrintWindow, FrequencyGraphPrintsIntoAPdfPage) {
    auto s = std::make_unique<MeasureState>();
    GraphSettings settings;
    MarkerTable markers;
    QrgGraf g(*s, settings, markers);
    g.resize(1000, 500);
    g.show();
    QApplication::processEvents();

    // The picture: buttons hidden and the caption shown only while it is taken.
    auto* print = g.findChild<QPushButton*>("QrgPrint");
    auto* info = g.findChild<QLabel*>("PrintInfo");
    ASSERT_NE(print, nullptr);
    ASSERT_NE(info, nullptr);
    QImage plain(g.size() * 2, QImage::Format_ARGB32_Premultiplied);
    plain.setDevicePixelRatio(2);
    plain.fill(Qt::white);
    g.render(&plain);
    const QImage picture = g.PrintPicture("2026-12-08 16:05:09    Tavrel 1.3.0");
    EXPECT_EQ(picture.size(), QSize(2000, 1000));
    EXPECT_NE(picture, plain) << "the caption stands where the buttons were";
    EXPECT_TRUE(print->isVisible());
    EXPECT_FALSE(info->isVisible());
    EXPECT_TRUE(g.findChild<QPushButton*>("TulBut_3")->isVisible());

    // On A4 without margins the wide picture turns the page and fills its width.
    QTemporaryDir dir;
    const QString pdf = dir.filePath("graph.pdf");
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        ASSERT_TRUE(PrintFitted(printer, picture));
    }
    QProcess info1;
    info1.start("pdfinfo", {pdf});
    ASSERT_TRUE(info1.waitForFinished());
    const QString text = QString::fromUtf8(info1.readAllStandardOutput());
    EXPECT_TRUE(text.contains("Pages:           1")) << text.toStdString();
    EXPECT_TRUE(text.contains("Page size:       842 x 595 pts (A4)")) << text.toStdString();

    QProcess raster;
    raster.start("pdftoppm", {"-r", "36", "-png", "-singlefile", pdf, dir.filePath("page")});
    ASSERT_TRUE(raster.waitForFinished());
    const QImage page(dir.filePath("page.png"));
    ASSERT_FALSE(page.isNull());
    ASSERT_GT(page.width(), page.height()) << "landscape";
    // The window's grey background reaches both side edges of the page and
    // half the width down (the picture is twice as wide as high); below it
    // the page is white.
    const auto grey = [&](int x, int y) { return qGray(page.pixel(x, y)) < 250; };
    const int half = page.width() / 2;
    EXPECT_TRUE(grey(0, 2));
    EXPECT_TRUE(grey(page.width() - 1, 2));
    EXPECT_TRUE(grey(0, half - 3));
    EXPECT_FALSE(grey(0, half + 3));
    EXPECT_FALSE(grey(page.width() - 1, page.height() - 1));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
