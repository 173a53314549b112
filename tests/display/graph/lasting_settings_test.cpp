// The display choices that last between runs: written and read back without
// windows, bad values and foreign or damaged files refused, and the main
// window saving at the end of a run and restoring at the start of the next.
#include "tests/display/graph/app_rig.h"
#include "display/graph/lasting_settings.h"
#include "display/graph/widgets/dsp_set_window.h"
#include "display/graph/widgets/qrg_graf.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

struct Choices {
    std::unique_ptr<MeasureState> s = std::make_unique<MeasureState>();
    GraphSettings g;
    ScaleSet scales;
    bool locked = true;
    MarkerTable markers;
    Choices() { SetupQrgScales(scales, g); }
    DisplayChoices Ref() { return DisplayChoices{g, *s, scales, locked, markers}; }
};

TEST(LastingSettings, EveryChoiceComesBackAndBadOnesAreRefused) {
    QTemporaryDir dir;
    const QString file = dir.filePath("t.ini");
    Choices a;
    a.g.DbDiv = "1,2,5";
    a.g.RTLUnit = {false, true};
    a.g.GrafProb[9] = false;
    a.g.rows[0].colour[kTraceS21] = qRgb(1, 2, 3);
    a.g.rows[9].visible[kTraceS11] = false;
    a.s->VnaScanSize = 200;
    a.s->LineTykkelse = 3;
    a.scales[kScaleTrans].setMin(-50.0);
    a.scales[kScaleTrans].setMax(50);
    a.locked = false;
    ASSERT_EQ(a.markers.PlaceAt(kMarkMagS21, 150000000, 1, false), 0);
    a.markers.at(0).value = -12.5;
    a.markers.setReference(0);
    {
        QSettings q(file, QSettings::IniFormat);
        SaveDisplayChoices(q, a.Ref());
    }
    Choices b;
    {
        QSettings q(file, QSettings::IniFormat);
        auto ref = b.Ref();
        EXPECT_TRUE(LoadDisplayChoices(q, ref).isEmpty());
    }
    EXPECT_EQ(b.g.DbDiv, "1,2,5");
    EXPECT_TRUE(b.g.Vswr());
    EXPECT_FALSE(b.g.GrafProb[9]);
    EXPECT_TRUE(b.g.GrafProb[10]);
    EXPECT_EQ(b.g.rows[0].colour[kTraceS21], qRgb(1, 2, 3));
    EXPECT_FALSE(b.g.rows[9].visible[kTraceS11]);
    EXPECT_EQ(b.s->VnaScanSize, 200);
    EXPECT_EQ(b.s->LineTykkelse, 3);
    EXPECT_EQ(b.scales[kScaleTrans].min(), -50);
    EXPECT_EQ(b.scales[kScaleTrans].max(), 50);
    EXPECT_FALSE(b.locked);
    ASSERT_TRUE(b.markers.used(0));
    EXPECT_EQ(b.markers.at(0).kind, kMarkMagS21);
    EXPECT_EQ(b.markers.at(0).frequency, 150000000);
    EXPECT_EQ(b.markers.at(0).value, -12.5);
    EXPECT_EQ(b.markers.reference(), 0);

    // Values out of range are skipped, each with a warning; the rest is read.
    {
        QSettings q(file, QSettings::IniFormat);
        q.setValue("display/LineTykkelse", 99);
        q.setValue("display/DbDiv", "one,two");
        q.setValue("display/VnaScanSize", 123);
        q.setValue("scales/trans_min", 80);  // above its max
        q.setValue("traces/S11_0_colour", "not a colour");
    }
    Choices c;
    {
        QSettings q(file, QSettings::IniFormat);
        auto ref = c.Ref();
        EXPECT_EQ(LoadDisplayChoices(q, ref).size(), 5);
    }
    EXPECT_EQ(c.s->LineTykkelse, 1);
    EXPECT_EQ(c.g.DbDiv, "1,2,3,4,5,6,7,8,9");
    EXPECT_EQ(c.s->VnaScanSize, 100);
    EXPECT_EQ(c.scales[kScaleTrans].min(), -100);
    EXPECT_TRUE(c.g.Vswr()) << "the good keys are still read";

    // A foreign file and a damaged one change nothing and warn once.
    for (const QByteArray& content : {QByteArray("[General]\ncolour=blue\n"),
                                      QByteArray("\x01\xff[[[\n=\n\x00garbage", 16)}) {
        const QString other = dir.filePath("other.ini");
        QFile f(other);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        f.close();
        Choices d;
        QSettings q(other, QSettings::IniFormat);
        auto ref = d.Ref();
        EXPECT_EQ(LoadDisplayChoices(q, ref).size(), 1);
        EXPECT_EQ(d.g.DbDiv, "1,2,3,4,5,6,7,8,9");
        EXPECT_TRUE(d.locked);
    }
    // The first run: no file, no warning.
    Choices e;
    QSettings none(dir.filePath("none.ini"), QSettings::IniFormat);
    auto ref = e.Ref();
    EXPECT_TRUE(LoadDisplayChoices(none, ref).isEmpty());
}

using graphtest::ProgramRun;

TEST(LastingSettings, TheNextRunStartsWithTheChoicesOfTheLast) {
    QTemporaryDir dir;
    const QString file = dir.filePath("conf/tavrel13.ini");
    QRect graphPlace, smithPlace;
    // Two Touchstone files in the file slots; the second is gone by the next run.
    const QString slotFile = dir.filePath("ref.s1p"), goneFile = dir.filePath("gone.s1p");
    for (const QString& f : {slotFile, goneFile}) {
        QFile out(f);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("# MHZ S MA R 50\n1 .5 10\n2 .4 20\n3 .3 30\n");
    }
    {
        ProgramRun r(file);
        r.Find<QRadioButton>("RadioScan_1")->click();
        r.m->sweep().ScanUpdateTimer().stop();
        auto* db = r.Find<QLineEdit>("DbDiv");
        db->setText("1,2,5");
        emit db->editingFinished();
        r.Find<QRadioButton>("RTLUnit_1")->click();
        r.Find<QCheckBox>("GrafProb_10")->click();
        r.Find<QCheckBox>("VisS11_0")->click();
        r.Find<QPushButton>("QrgLock")->click();  // "F Free"
        auto* sub = r.Find<QMdiSubWindow>("QRGGRAFWindow");
        sub->setGeometry(40, 30, 700, 500);
        graphPlace = sub->geometry();
        QString message;
        ASSERT_TRUE(r.Find<DspSet>("DspSet")->LoadSlotFile(9, slotFile, message)) << message.toStdString();
        ASSERT_TRUE(r.Find<DspSet>("DspSet")->LoadSlotFile(10, goneFile, message));
        r.w->ShowSmith();
        auto* smith = r.Find<QMdiSubWindow>("SmithGrafWindow");
        smith->setGeometry(300, 20, 480, 460);
        smithPlace = smith->geometry();
        r.w->close();  // saves
    }
    ASSERT_TRUE(QFile::exists(file));
    ASSERT_TRUE(QFile::remove(goneFile));
    {
        ProgramRun r(file);
        // The slot file is read again; the gone one leaves its slot empty, said.
        const DspSetModel& model = r.Find<DspSet>("DspSet")->model();
        EXPECT_EQ(model.source(9).state, SlotSource::kGood);
        EXPECT_EQ(model.source(9).caption, "ref.s1p");
        EXPECT_EQ(r.s->SdataHead[9].Length, 3);
        EXPECT_EQ(r.s->Sdata[9][2].Qrg, 30000000);
        EXPECT_EQ(model.source(10).state, SlotSource::kNone);
        auto* status = r.Find<QLabel>("StatusText");
        ASSERT_NE(status, nullptr);
        EXPECT_TRUE(status->text().contains(goneFile + " of slot 10")) << status->text().toStdString();
        EXPECT_EQ(r.s->VnaScanSize, 200);
        EXPECT_TRUE(r.Find<QRadioButton>("RadioScan_1")->isChecked());
        EXPECT_EQ(r.Find<QLineEdit>("DbDiv")->text(), "1,2,5");
        EXPECT_EQ(r.w->qrgGraf()->plot().scales()[kScaleTrans].Ticks(), "1,2,5");
        EXPECT_TRUE(r.Find<QRadioButton>("RTLUnit_1")->isChecked());
        EXPECT_FALSE(r.Find<QCheckBox>("GrafProb_10")->isChecked());
        EXPECT_FALSE(r.Find<QCheckBox>("VisS11_0")->isChecked());
        EXPECT_EQ(r.Find<QPushButton>("QrgLock")->text(), "F Free");
        EXPECT_EQ(r.Find<QMdiSubWindow>("QRGGRAFWindow")->geometry(), graphPlace);
        // The Smith chart was open: it opens again, where it was.
        auto* smith = r.w->findChild<QMdiSubWindow*>("SmithGrafWindow");
        ASSERT_NE(smith, nullptr);
        EXPECT_TRUE(smith->isVisible());
        EXPECT_EQ(smith->geometry(), smithPlace);

        // Restore default settings.
        r.Find<QAction>("MnuDefaults")->trigger();
        EXPECT_EQ(r.s->VnaScanSize, 100);
        EXPECT_EQ(r.Find<QLineEdit>("DbDiv")->text(), "1,2,3,4,5,6,7,8,9");
        EXPECT_TRUE(r.Find<QRadioButton>("RTLUnit_0")->isChecked());
        EXPECT_TRUE(r.Find<QCheckBox>("GrafProb_10")->isChecked());
        EXPECT_TRUE(r.Find<QCheckBox>("VisS11_0")->isChecked());
        EXPECT_EQ(r.Find<QPushButton>("QrgLock")->text(), "F Lock");
    }
    // A damaged file: the program starts with its defaults.
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("format=7\n[display]\nDbDiv=9,9\n");
    f.close();
    ProgramRun r(file);
    EXPECT_EQ(r.Find<QLineEdit>("DbDiv")->text(), "1,2,3,4,5,6,7,8,9");
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
