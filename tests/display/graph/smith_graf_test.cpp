// The window "Smith Chart", offscreen: controls found by objectName, the
// chart read back from its backing store.
#include "display/graph/widgets/smith_graf.h"
#include "graph_window_fixture.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace graphtest;

namespace {

struct SmithGrafFixture : GraphWindowFixture<SmithGraf> {
    void Make() {
        Show(QSize(1000, 760));
        w->SmithNewQrg(SweepQrg(0), SweepQrg(100));
    }
};

TEST_F(SmithGrafFixture, ControlsAndLoading) {
    Make();
    EXPECT_EQ(w->objectName(), "SmithGraf");
    for (const char* n : {"SmithArea", "SmiSelS", "QrgLock", "GrafRef", "SmiIndi", "ShwSelDat", "SmiPrint",
                          "RfmIndi", "LabQrgCenter", "LabQrgDiv", "LabMag", "LabMagDiv", "VnaSpd", "VnaTi",
                          "SmithCalib", "Frametest", "Commandtest", "QrgSlideStart", "QrgSlideEnd", "SlideVal",
                          "LRL", "LPJL", "LNJL", "LVSWRL", "InfoLintxt_0", "InfoLinColor_0", "InfoValue_0",
                          "DispType_0", "DispType_1", "DispType_2", "SmiScaAdj_0", "SmiScaAdj_1", "TulBut_6",
                          "LR_6", "LabLR_6", "LPJ_0", "LabLNJ_3", "LVSWR_6", "LabLVSWR_0", "ColS21_0", "VisS22_12"})
        Get(n);
    EXPECT_EQ(Get<QLineEdit>("LR_2")->text(), "50");
    EXPECT_EQ(Get<QLineEdit>("LVSWR_0")->text(), "1.5");
    EXPECT_EQ(Get<QLineEdit>("LNJ_6")->text(), "");
    // Loading leaves the frequency scale selected, its division on the step sequence.
    EXPECT_EQ(w->selectedScale(), kScaleQrg);
    EXPECT_EQ(Text("SmiSelS"), "S11");
    EXPECT_EQ(Text("SmithCalib"), "Not Calibrated");
    EXPECT_EQ(Get<QLabel>("QrgSlideStart")->text().isEmpty(), false);
}

TEST_F(SmithGrafFixture, PrintPictureShowsTheCaptionAndPutsTheButtonsBack) {
    Make();
    QImage plain(w->size() * 2, QImage::Format_ARGB32_Premultiplied);
    plain.setDevicePixelRatio(2);
    plain.fill(Qt::white);
    w->render(&plain);
    const QImage picture = w->PrintPicture("2026-12-08 17:00:00    Tavrel 1.3.0");
    EXPECT_EQ(picture.size(), w->size() * 2);
    EXPECT_NE(picture, plain) << "the caption stands where the buttons were";
    EXPECT_TRUE(Get<QPushButton>("SmiPrint")->isVisible());
    EXPECT_TRUE(Get<QPushButton>("TulBut_0")->isVisible());
    EXPECT_FALSE(Get<QLabel>("PrintInfo")->isVisible());
}

TEST_F(SmithGrafFixture, MagnitudeOfReflectionCannotMoveAndAutoFollowsTheMeasurement) {
    Make();
    Get<QRadioButton>("SmiScaAdj_1")->click();
    EXPECT_EQ(w->selectedScale(), kScaleRefl);
    const Skala& m = w->plot().scales()[kScaleRefl];
    for (int i : {0, 2, 4, 6}) {
        Get<QPushButton>(QString("TulBut_%1").arg(i))->click();
        EXPECT_EQ(m.min(), 1);
        EXPECT_EQ(m.max(), 1);
    }
    s->Smessure = 1;
    Get<QRadioButton>("DispType_2")->click();
    EXPECT_EQ(w->plot().mode(), 1);
    EXPECT_EQ(Text("SmiSelS"), "S21");
    // The rings' labels over the chart: nine, the middle one red.
    EXPECT_TRUE(Get<QLabel>("LabRing_4")->isVisible());
    EXPECT_EQ(Get<QLabel>("LabRing_4")->text(), "-50");
    EXPECT_TRUE(Get<QLabel>("LabRing_4")->styleSheet().contains("red"));
    // With the magnitude option the selection follows the measured parameter.
    w->Messurechange(1);
    EXPECT_EQ(w->selectedScale(), kScaleTrans);
    w->Messurechange(0);
    EXPECT_EQ(w->plot().mode(), 0);
    EXPECT_FALSE(Get<QLabel>("LabRing_4")->isVisible());
}

TEST_F(SmithGrafFixture, LiveDrawingHoverLabelsAndLock) {
    Make();
    s->Smessure = 0;
    const QImage empty = w->plot().image().copy();
    std::vector<int16_t> pts;
    for (int i = 0; i <= 20; ++i) {
        pts.push_back(Put(*s, SweepQrg(i), 0, std::polar(0.5, -0.2 * i)));
        w->Makesmithlive(pts.back());
    }
    EXPECT_NE(w->plot().image(), empty);
    // Unticking the live S11 box: nothing new is drawn.
    Get<QCheckBox>("VisS11_0")->setChecked(false);
    EXPECT_EQ(w->plot().image(), empty);
    Get<QCheckBox>("VisS11_0")->setChecked(true);
    // Hover over point 10: its impedance.
    const QPointF at = *w->plot().LivePoint(pts[10], 0);
    w->SmithArea_MouseMove(at.toPoint());
    const std::complex<double> g = std::polar(0.5, -2.0), z = 50.0 * (1.0 + g) / (1.0 - g);
    EXPECT_TRUE(Text("SmithReadout").contains(QString::number(z.real(), 'f', 2))) << Text("SmithReadout").toStdString();
    // Labels of a family show only while ticked.
    EXPECT_FALSE(Get<QLabel>("LabLR_2")->isVisible());
    Get<QCheckBox>("LRL")->setChecked(true);
    EXPECT_TRUE(Get<QLabel>("LabLR_2")->isVisible());
    EXPECT_EQ(Get<QLabel>("LabLR_2")->text(), "50");
    EXPECT_FALSE(Get<QLabel>("LabLR_6")->isVisible());  // an empty field
    // The lock: green keeps the range, red again asks for the sweep's.
    int asked = 0;
    w->setGetQRGLimits([&] { ++asked; });
    Get<QPushButton>("QrgLock")->click();
    EXPECT_EQ(Get<QPushButton>("QrgLock")->text(), "F Free");
    w->SmithNewQrg(SweepQrg(5), SweepQrg(6));
    EXPECT_EQ(w->plot().scales()[kScaleQrg].min(), SweepQrg(0));
    Get<QPushButton>("QrgLock")->click();
    EXPECT_EQ(Get<QPushButton>("QrgLock")->text(), "F Lock");
    EXPECT_EQ(asked, 1);
}

TEST_F(SmithGrafFixture, SlideReadoutShowsStoredTablesAtTheSlideFrequency) {
    // Stored table 9: S21 at -6 dB over the sweep.
    SdataHeadRec& h = s->SdataHead[9];
    h.Length = 5;
    h.S21 = kSFromFile;
    h.Filename = "att6.s2p";
    for (int i = 0; i < 5; ++i) {
        s->Sdata[9][i].Qrg = SweepQrg(25 * i);
        StoreRi(s->Sdata[9][i].S[1], std::polar(std::pow(10.0, -6.0 / 20), 0.0));
    }
    Make();
    w->redrawlive();
    EXPECT_EQ(Text("InfoLintxt_0"), "T9 S21 ");
    EXPECT_EQ(Text("VisKilde_9"), "att6.s2p");
    const QImage before = w->plot().image().copy();
    w->Commandtest_MouseMove(Get("Frametest")->width() / 2);
    EXPECT_EQ(Text("InfoValue_0"), "-6.0");
    EXPECT_FALSE(Text("SlideVal").isEmpty());
    EXPECT_NE(w->plot().image(), before);  // the dot
    w->redrawlive();
    EXPECT_EQ(w->plot().image(), before);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
