// Wiring of the calibration window: its controls found by name, the plan's
// prompts on them, and the file buttons with their dialogs.
#include "display/calib/calib_win.h"
#include "tests/qt_app.h"

#include "display/calib/calib_file.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

namespace {

struct Link : CalibLink {
    QStringList log;
    void vnaSetUpEntry(int16_t, int16_t, int32_t, int16_t, int16_t, int16_t, int16_t, int16_t,
                       int16_t, int16_t, int16_t, int16_t) override {
        log << "setup";
    }
    void vnaMarkEnd(int16_t, int16_t) override { log << "end"; }
    void VnaEditEntry(int16_t, int16_t, std::string_view, int32_t) override {}
    void vnaNewScan(int16_t ta) override { log << QString("new %1").arg(ta); }
    void VnaStopscan() override { log << "stop"; }
    void VnaMount(std::string_view f) override { log << "mount " + QString::fromUtf8(f.data(), int(f.size())); }
    void VnaStopTCP() override { log << "stopTCP"; }
    void VnaStartTCP() override { log << "startTCP"; }
};

struct Rig {
    Rig() {
        App();
        std::ofstream(dir.filePath("MastCalib.CC").toStdString(), std::ios::binary)
            << "TWindow test\r\nW=20\r\n+400000\r\n+1000000\r\n+2000000\r\n";
        w = std::make_unique<CalibWin>(p, dir.path());
    }
    template <class T>
    T* C(const char* name) {
        T* c = w->findChild<T*>(name);
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    QTemporaryDir dir;
    std::unique_ptr<MeasureState> s = std::make_unique<MeasureState>();
    std::unique_ptr<CalibTable> cal = std::make_unique<CalibTable>();
    Link link;
    CalibProcedure p{*s, *cal, link};
    std::unique_ptr<CalibWin> w;
};

TEST(CalibWin, ControlsAndThePlanOnThem) {
    Rig r;
    EXPECT_EQ(r.w->windowTitle(), "Basic Calibration");
    EXPECT_EQ(r.C<QCheckBox>("S_Swi_Cal")->text(), "S-Switch");
    EXPECT_EQ(r.C<QCheckBox>("RefCal")->text(), "Reflection Calibration");
    EXPECT_EQ(r.C<QCheckBox>("TranCal")->text(), "Transfer Calibration");
    const char* speeds[4] = {"133 Ms", "40 Ms", "20 ms", "10 Ms"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(r.C<QCheckBox>(qPrintable(QString("Sped_%1").arg(i)))->text(), speeds[i]);
    EXPECT_EQ(r.C<QPushButton>("RedoGlobal")->text(), "Redo");
    EXPECT_EQ(r.C<QPushButton>("CalibDone")->text(), "Done");
    EXPECT_EQ(r.C<QLabel>("CalMastFile")->text(), "Master.CD");
    EXPECT_EQ(r.C<QLabel>("CalMastCont")->text(), "MastCalib.CC");
    for (const char* name : {"CalLoad", "CalSav", "MastChg"})
        r.C<QPushButton>(name);
    r.C<QProgressBar>("CalProgress");
    r.C<QLabel>("MastCalTitle");
    r.C<QLabel>("MastConttitle");

    // The instrument type ticks the speeds.
    r.w->InitSpeeds(2);
    EXPECT_TRUE(r.C<QCheckBox>("Sped_3")->isChecked());
    r.w->InitSpeeds(0);
    EXPECT_TRUE(r.C<QCheckBox>("Sped_0")->isChecked());
    EXPECT_FALSE(r.C<QCheckBox>("Sped_1")->isChecked());
    // Off the simulated analyser nothing is mounted.
    r.w->setSimulated(false);
    EXPECT_FALSE(r.C<QCheckBox>("AutoMount")->isEnabled());
    r.w->setSimulated(true);
    EXPECT_TRUE(r.C<QCheckBox>("AutoMount")->isChecked());

    r.w->show();
    r.C<QPushButton>("RedoGlobal")->click();
    EXPECT_EQ(r.C<QLabel>("CalibMessage")->text(), "Mount Thru Cable");
    EXPECT_EQ(r.C<QLabel>("MastConttitle")->text(), "Window test");
    EXPECT_TRUE(r.C<QPushButton>("CalibDone")->isVisible());
    EXPECT_TRUE(r.link.log.contains("mount THRU"));
    r.C<QPushButton>("CalibDone")->click();
    EXPECT_FALSE(r.C<QPushButton>("CalibDone")->isVisible());
    EXPECT_EQ(r.C<QLabel>("CalibMessage")->text(), "Thru Speed= 0");
    EXPECT_EQ(r.link.log.back(), "new 1");
    // The first point record marks its speed red.
    VnaDataRec rec;
    rec.table = 1;
    rec.Speed = 0;
    r.s->LogRecord(rec);
    r.p.CalibrationNextIn(rec);
    rec.idx = 2;
    r.s->LogRecord(rec);
    r.p.CalibrationNextIn(rec);
    EXPECT_TRUE(r.C<QCheckBox>("Sped_0")->styleSheet().contains("red"));
    EXPECT_TRUE(r.C<QCheckBox>("Sped_1")->styleSheet().isEmpty());
    EXPECT_EQ(r.C<QProgressBar>("CalProgress")->value(), 2 * 10 / 3);
}

TEST(CalibWin, FileButtonsAndTheirDialogs) {
    Rig r;
    QStringList asked;
    QString answer;
    r.w->setFileChooser([&](const QString& title, const QString& filter, bool save,
                            const QString& dir) {
        asked << title + "|" + filter + "|" + (save ? "save" : "open") + "|" + dir;
        return answer;
    });
    QSignalSpy messages(r.w.get(), &CalibWin::Message);

    // Save, then load it back after the table changed.
    r.cal->title = "Bench";
    r.cal->speed[1].points[0].slot[2] = Cplx(-5, 6);
    answer = r.dir.filePath("saved.cd");
    r.C<QPushButton>("CalSav")->click();
    EXPECT_EQ(asked.back(), "Save Calibration Data|Calibration Data (*.CD *.cd)|save|" +
                                r.dir.path());
    EXPECT_EQ(r.C<QLabel>("CalMastFile")->text(), "saved.cd");
    EXPECT_EQ(r.link.log.mid(0, 2), (QStringList{"stopTCP", "startTCP"}));
    r.cal->speed[1].points[0].slot[2] = Cplx(0, 0);
    r.C<QPushButton>("CalLoad")->click();
    EXPECT_EQ(asked.back(), "Load Calibration Data|Calibration Data (*.CD *.cd)|open|" +
                                r.dir.path());
    EXPECT_EQ(r.cal->speed[1].points[0].slot[2], Cplx(-5, 6));
    EXPECT_EQ(r.C<QLabel>("MastCalTitle")->text(), "Bench");
    EXPECT_TRUE(messages.isEmpty());

    // A file that cannot be read: told, and the calibration stays.
    std::ofstream(r.dir.filePath("broken.CD").toStdString()) << "\" / x / 3\"\r\n";
    answer = r.dir.filePath("broken.CD");
    r.C<QPushButton>("CalLoad")->click();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0][0].toString().contains("broken.CD"));
    EXPECT_EQ(r.cal->speed[1].points[0].slot[2], Cplx(-5, 6));
    EXPECT_EQ(r.C<QLabel>("CalMastFile")->text(), "saved.cd");

    // Cancelled: nothing changes, the link runs again.
    answer.clear();
    const int before = r.link.log.size();
    r.C<QPushButton>("MastChg")->click();
    EXPECT_EQ(asked.back(), "Change Calibration Control File|Calibration Control (*.CC *.cc)|"
                            "open|" + r.dir.path());
    EXPECT_EQ(r.link.log.mid(before), (QStringList{"stopTCP", "startTCP"}));
    EXPECT_EQ(r.C<QLabel>("CalMastCont")->text(), "MastCalib.CC");

    // Another control file: its title shows, nothing is programmed until Redo.
    std::ofstream(r.dir.filePath("other.cc").toStdString()) << "TOther\r\n+500000\r\n";
    answer = r.dir.filePath("other.cc");
    r.C<QPushButton>("MastChg")->click();
    EXPECT_EQ(r.C<QLabel>("CalMastCont")->text(), "other.cc");
    EXPECT_EQ(r.C<QLabel>("MastConttitle")->text(), "Other");
    EXPECT_FALSE(r.link.log.contains("setup"));
    EXPECT_EQ(r.p.controlFile(), answer.toStdString());
}

} // namespace
