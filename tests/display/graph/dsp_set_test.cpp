// The display settings: points in a scan, step lists, line thickness, unit,
// shown slots, and Touchstone files loaded into the file slots 9..12, first
// without the window, then through the window's controls.
#include "display/graph/dsp_set.h"
#include "display/graph/widgets/dsp_set_window.h"
#include "display/measure/point_list.h"

#include <QApplication>
#include <QCheckBox>
#include <QColor>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct Rig {
    std::unique_ptr<MeasureState> s = std::make_unique<MeasureState>();
    GraphSettings settings;
    QTemporaryDir dir;
    std::vector<int> timer;
    std::vector<QString> freqTicks, calls;
    DspSetHooks Hooks() {
        DspSetHooks h;
        h.restartScanTimer = [this](int ms) { timer.push_back(ms); };
        h.tickRefresh = [this] { calls.push_back("ticks"); };
        h.freqTicks = [this](const QString& t) { freqTicks.push_back(t); };
        h.redraw = [this] { calls.push_back("redraw"); };
        h.loadBegins = [this] { calls.push_back("begin"); };
        h.loadEnds = [this] { calls.push_back("end"); };
        return h;
    }
    QString File(const QString& name, const QByteArray& content) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return path;
    }
};

const QByteArray kThreePointS1P = "! reference\n# MHZ S MA R 50\n1 0.5 10\n2 0.4 20\n3 0.3 30\n";

TEST(DspSetModel, PointsStepsThicknessUnitAndShownSlots) {
    Rig r;
    DspSetModel m(*r.s, r.settings);
    m.setHooks(r.Hooks());
    // "50": the scan size, the timer restarted with 2000 ms, the lists emptied.
    InsertLive(*r.s, 10000000);
    InsertLive(*r.s, 20000000);
    ASSERT_EQ(r.s->LiveCount, 4);
    m.RadioScan_Click(3);
    EXPECT_EQ(r.s->VnaScanSize, 50);
    EXPECT_EQ(r.timer, std::vector<int>{2000});
    EXPECT_EQ(r.s->LiveCount, 2);
    EXPECT_EQ(m.scanOption(), 3);
    m.RadioScan_Click(4);  // no such option
    EXPECT_EQ(r.s->VnaScanSize, 50);
    EXPECT_EQ(r.timer.size(), 1u);

    // The load's order: FreqDiv, VswrStep, DbDiv, a refresh, PhaseStep.
    r.calls.clear();
    m.initdivisions();
    EXPECT_EQ(r.calls, (std::vector<QString>{"ticks", "ticks", "ticks", "ticks", "ticks"}));
    EXPECT_EQ(r.freqTicks, std::vector<QString>{"1,2,5"});
    m.DbDiv_Change("1,2,5");
    m.FreqDiv_Change("1,5");
    EXPECT_EQ(r.settings.DbDiv, "1,2,5");
    EXPECT_EQ(r.settings.FreqDiv, "1,5");
    EXPECT_EQ(r.freqTicks.back(), "1,5");

    m.LineThickScroll_Change(3);
    EXPECT_EQ(r.s->LineTykkelse, 3);
    EXPECT_EQ(m.LineThik(), " 3");
    m.LineThickScroll_Change(99);
    EXPECT_EQ(r.s->LineTykkelse, DspSetModel::kMaxThickness);

    r.calls.clear();
    m.RTLUnit_Click(1);
    EXPECT_TRUE(r.settings.Vswr());
    m.GrafProb_Click(9, false);
    EXPECT_FALSE(r.settings.GrafProb[9]);
    EXPECT_EQ(r.calls, (std::vector<QString>{"redraw", "redraw"}));
}

TEST(DspSetModel, TouchstoneFilesInTheFileSlots) {
    Rig r;
    DspSetModel m(*r.s, r.settings);
    m.setHooks(r.Hooks());
    EXPECT_EQ(m.source(3).caption, "VNA");
    EXPECT_EQ(m.source(9).caption, "File");
    QString msg;

    // Three points: green, the table filled, titled by the file.
    EXPECT_TRUE(m.LoadSlot(9, r.File("ref.s1p", kThreePointS1P), msg));
    EXPECT_EQ(m.source(9).caption, "ref.s1p");
    EXPECT_EQ(m.source(9).state, SlotSource::kGood);
    EXPECT_EQ(r.s->SdataHead[9].Length, 3);
    EXPECT_EQ(r.s->SdataHead[9].S11, kSFromFile);
    EXPECT_EQ(r.s->SdataHead[9].S21, kSAbsent);
    EXPECT_EQ(r.s->Sdata[9][2].Qrg, 30000000);
    EXPECT_EQ(r.s->SdataHead[9].EndQRG, 30000000);
    EXPECT_EQ(m.VnaCTitle(9), "ref");
    EXPECT_EQ(r.calls, (std::vector<QString>{"begin", "end"}));

    // One point: read, but red.
    EXPECT_TRUE(m.LoadSlot(10, r.File("one.S2P", "# MHZ S MA R 50\n5 .1 0 .9 0 .9 0 .1 0\n"), msg));
    EXPECT_EQ(m.source(10).state, SlotSource::kBad);
    EXPECT_EQ(r.s->SdataHead[10].Length, 1);

    // Refused files leave slot 9 as it was, and say why.
    for (const auto& [name, content] : std::vector<std::pair<QString, QByteArray>>{
             {"notes.txt", kThreePointS1P}, {"junk.s2p", "# MHZ S MA R 50\nfoo bar\n"}}) {
        EXPECT_FALSE(m.LoadSlot(9, r.File(name, content), msg)) << name.toStdString();
        EXPECT_FALSE(msg.isEmpty()) << name.toStdString();
        EXPECT_EQ(m.source(9).caption, "ref.s1p");
        EXPECT_EQ(m.source(9).state, SlotSource::kGood);
        EXPECT_EQ(r.s->SdataHead[9].Length, 3);
        EXPECT_EQ(r.s->Sdata[9][0].Qrg, 10000000);
    }
    EXPECT_FALSE(m.LoadSlot(9, r.dir.filePath("missing.s2p"), msg));
    EXPECT_FALSE(msg.isEmpty());

    // No file chosen: "File", nothing read; instrument slots are not loaded.
    EXPECT_TRUE(m.LoadSlot(11, QString(), msg));
    EXPECT_EQ(m.source(11).caption, "File");
    EXPECT_EQ(m.source(11).state, SlotSource::kNone);
    EXPECT_FALSE(m.LoadSlot(3, r.File("x.s1p", kThreePointS1P), msg));
    EXPECT_EQ(r.s->SdataHead[3].Length, 0);
}

TEST(DspSetWindow, ControlsDriveTheSettings) {
    Rig r;
    DspSet w(*r.s, r.settings);
    w.setModalMessages(false);
    w.setHooks(r.Hooks());
    EXPECT_EQ(w.windowTitle(), "Scan Parameter Settings");
    for (int i = 0; i < 13; ++i)
        for (const char* n : {"GrafProb", "GrafProbSource", "VnaCTitle", "VnaCAttn", "VnaContParm", "VnaAux"})
            ASSERT_NE(w.findChild<QWidget*>(QString("%1_%2").arg(n).arg(i)), nullptr) << n << i;
    for (const char* n : {"RadioScan_0", "RadioScan_3", "DbDiv", "VswrStep", "PhaseStep", "FreqDiv",
                          "LineThickScroll", "LineThik", "RTLUnit_0", "RTLUnit_1"})
        ASSERT_NE(w.findChild<QWidget*>(n), nullptr) << n;
    EXPECT_TRUE(w.findChild<QRadioButton*>("RadioScan_2")->isChecked()) << "100 points at start";
    EXPECT_EQ(w.findChild<QLineEdit*>("DbDiv")->text(), "1,2,3,4,5,6,7,8,9");
    EXPECT_EQ(w.findChild<QLineEdit*>("PhaseStep")->text(), "1,3,6,9");

    w.findChild<QRadioButton*>("RadioScan_3")->click();
    EXPECT_EQ(r.s->VnaScanSize, 50);
    EXPECT_EQ(r.timer, std::vector<int>{2000});
    w.findChild<QScrollBar*>("LineThickScroll")->setValue(4);
    EXPECT_EQ(r.s->LineTykkelse, 4);
    EXPECT_EQ(w.findChild<QLabel*>("LineThik")->text(), " 4");
    w.findChild<QRadioButton*>("RTLUnit_1")->click();
    EXPECT_TRUE(r.settings.Vswr());
    w.findChild<QCheckBox*>("GrafProb_0")->click();
    EXPECT_FALSE(r.settings.GrafProb[0]);
    auto* freq = w.findChild<QLineEdit*>("FreqDiv");
    freq->setText("1,5");
    emit freq->editingFinished();
    EXPECT_EQ(r.freqTicks.back(), "1,5");
    w.findChild<QLineEdit*>("VnaCAttn_2")->setText("10");
    emit w.findChild<QLineEdit*>("VnaCAttn_2")->textEdited("10");
    EXPECT_EQ(w.model().VnaCAttn(2), "10");

    // The source labels: slot 3 does nothing; a cancelled dialog leaves "File".
    int asked = 0;
    QString answer;
    w.setFileChooser([&] { ++asked; return answer; });
    w.findChild<QPushButton*>("GrafProbSource_3")->click();
    EXPECT_EQ(asked, 0);
    auto* src = w.findChild<QPushButton*>("GrafProbSource_12");
    src->click();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(src->text(), "File");
    answer = r.File("ref.S1P", kThreePointS1P);
    src->click();
    EXPECT_EQ(src->text(), "ref.S1P");
    // The caption's background shows green (a flat button that ignored its colour once).
    const QImage shown = src->grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(shown.width() / 2, 3)), QColor(0, 255, 0));
    EXPECT_EQ(w.findChild<QLineEdit*>("VnaCTitle_12")->text(), "ref");
    // A refused file: the reason is told and the slot stays.
    answer = r.File("bad.S2P", "# MHZ S MA R 50\nnot a number\n");
    src->click();
    EXPECT_EQ(src->text(), "ref.S1P");
    EXPECT_FALSE(w.lastMessage().isEmpty());
    answer = r.File("one.S1P", "# MHZ S MA R 50\n5 .1 0\n");
    src->click();
    const QImage red = src->grab().toImage();
    EXPECT_EQ(QColor(red.pixel(red.width() / 2, 3)), QColor(255, 0, 0));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
