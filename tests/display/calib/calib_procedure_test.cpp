#include "display/calib/calib_procedure.h"

#include "display/calib/data_intake.h"
#include "display/calib/plan_driver.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <vector>

namespace {

struct Link : CalibLink {
    std::vector<std::string> log;
    void vnaSetUpEntry(int16_t ta, int16_t Idx, int32_t F, int16_t, int16_t VnaT, int16_t,
                       int16_t, int16_t, int16_t, int16_t, int16_t, int16_t) override {
        log.push_back("setup " + std::to_string(ta) + " " + std::to_string(Idx) + " " +
                      std::to_string(F) + " " + std::to_string(VnaT));
    }
    void vnaMarkEnd(int16_t a, int16_t b) override {
        log.push_back("end " + std::to_string(a) + " " + std::to_string(b));
    }
    void VnaEditEntry(int16_t ta, int16_t Idx, std::string_view Fiel, int32_t valu) override {
        log.push_back("edit " + std::to_string(ta) + " " + std::to_string(Idx) + " " +
                      std::string(Fiel) + " " + std::to_string(valu));
    }
    void vnaNewScan(int16_t ta) override { log.push_back("new " + std::to_string(ta)); }
    void VnaStopscan() override { log.push_back("stop"); }
    void VnaMount(std::string_view f) override { log.push_back("mount " + std::string(f)); }

    size_t Count(const std::string& prefix) const {
        size_t n = 0;
        for (const auto& l : log)
            n += l.rfind(prefix, 0) == 0;
        return n;
    }
    std::vector<std::string> Mounts() const {
        std::vector<std::string> m;
        for (const auto& l : log)
            if (l.rfind("mount ", 0) == 0 && (m.empty() || m.back() != l.substr(6)))
                m.push_back(l.substr(6));
        return m;
    }
};

struct View : CalibView {
    std::string message, contTitle;
    bool done = false;
    int marked = -1, progress = 0;
    std::vector<std::string> refused;
    void CalibMessage(const std::string& t) override { message = t; }
    void ShowCalibDone(bool s) override { done = s; }
    void MarkSpeed(int s) override { marked = s; }
    void CalProgress(int v) override { progress = v; }
    void MastConttitle(const std::string& t) override { contTitle = t; }
    void Refused(const std::string& m) override { refused.push_back(m); }
};

// The data path hands table-1 records to the procedure while a step runs.
struct Events : CalibEvents {
    CalibProcedure* p = nullptr;
    bool TempCorr() const override { return true; }
    void ShowTempOffset(int32_t) override {}
    void makelive(int16_t) override {}
    void Makesmithlive(int16_t) override {}
    void showri(double, double) override {}
    void CalibrationNextIn(const VnaDataRec& r) override { p->CalibrationNextIn(r); }
    void ScanCalAfterCorrect(const VnaDataRec&) override {}
};

const int32_t kFreq[4] = {400000, 10000000, 20000000, 30000000};

class Procedure : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::unique_ptr<MeasureState> s = std::make_unique<MeasureState>();
    std::unique_ptr<CalibTable> cal = std::make_unique<CalibTable>();
    Link link;
    View view;
    Events ev;
    CalibProcedure p{*s, *cal, link};

    void SetUp() override {
        ev.p = &p;
        p.setView(&view);
        WriteControl("TTest calibration\r\nW=15\r\n+400000\r\n+10000000\r\n+20000000\r\n"
                     "+30000000\r\n");
    }
    void WriteControl(const std::string& text) {
        const std::string path = dir.filePath("test.CC").toStdString();
        std::ofstream(path, std::ios::binary) << text;
        p.setControlFile(path);
    }
    static int32_t Value(int plug, int speed, int point, int phase) {
        return 1000 * plug + 100 * speed + point + (phase ? 50 : 0);
    }
    VnaDataRec Rec(int idx, int speed, int B0, int32_t data) const {
        VnaDataRec r;
        r.table = 1;
        r.idx = static_cast<int16_t>(idx);
        r.Qrg = kFreq[idx / 2];
        r.Phase = static_cast<int16_t>(idx % 2 ? 8 : 0);
        r.Data = data;
        r.Speed = static_cast<int16_t>(speed);
        r.bits = 24;
        r.Time = 15;
        r.B[0] = static_cast<int16_t>(B0);
        return r;
    }
    void Feed(const VnaDataRec& r) { DataRecordIn(*s, *cal, ev, r); }
    // One whole scan of table 1 as the server reports it for the running step.
    void ScanStep() {
        const PlanStep& st = p.plan()[s->CurrentStep];
        for (int idx = 0; idx < 8; ++idx) {
            const int point = idx / 2 - 1;
            const int32_t data = idx == 1   ? 7000 + 10 * st.Plug + st.Speed
                                 : idx < 2 ? 0
                                           : Value(st.Plug, st.Speed, point, idx % 2);
            Feed(Rec(idx, st.Speed, st.B0(), data));
        }
        p.CalibrationStepEnded();
    }
};

TEST_F(Procedure, SwitchPlanRunsEveryStepIntoItsSlot) {
    PlanChoice c;
    c.S_Swi_Cal = true;
    c.Sped = {true, false, true, false};
    p.setAutoMount(true);
    ASSERT_TRUE(p.RedoGlobal(c));
    EXPECT_EQ(view.contTitle, "Test calibration");
    EXPECT_EQ(s->Calibrationpoints, 4);
    EXPECT_EQ(link.Count("setup 1 "), 4u);
    EXPECT_EQ(link.log[3], "setup 1 3 30000000 15");
    ASSERT_EQ(p.planSize(), 17);
    int prompts = 0;
    while (!p.planEnded()) {
        ASSERT_LT(prompts + s->CurrentStep, 40) << "the plan does not advance";
        if (p.waitingForUser()) {
            EXPECT_TRUE(view.done);
            EXPECT_EQ(view.message, p.plan()[s->CurrentStep].UserAction);
            ++prompts;
            p.CalibDone();
            continue;
        }
        ASSERT_TRUE(s->CalibrationOn);
        EXPECT_EQ(view.message, p.plan()[s->CurrentStep].Info);
        EXPECT_EQ(p.plan()[s->CurrentStep].time, 15);  // the control file's time
        ScanStep();
    }
    EXPECT_EQ(prompts, 4);
    EXPECT_EQ(s->CurrentStep, 16);
    EXPECT_EQ(view.message, "Calibration ended - save or close window");
    EXPECT_EQ(link.log.back(), "new 0");
    EXPECT_EQ(s->SwitchOption, " Switch ");
    for (int speed : {0, 2}) {
        const SpeedTable& t = cal->speed[speed];
        EXPECT_TRUE(t.Calibrated);
        EXPECT_EQ(t.CalTime, 15);
        EXPECT_EQ(t.CalAux, 24);
        EXPECT_EQ(t.CalOffsetValue, 7010 + speed);  // detector open ran after the load
        for (int pt = 0; pt < 3; ++pt) {
            EXPECT_EQ(t.points[pt].QRG, kFreq[pt + 1]);
            for (int plug = 0; plug < 8; ++plug)
                EXPECT_EQ(t.points[pt].slot[plug],
                          Cplx(Value(plug, speed, pt, 0), Value(plug, speed, pt, 1)))
                    << "speed " << speed << " point " << pt << " plug " << plug;
        }
    }
    EXPECT_FALSE(cal->speed[1].Calibrated);
    EXPECT_EQ(cal->Maxinuse, 2);
    EXPECT_EQ(view.marked, 2);
    EXPECT_EQ(p.stepRows(), 8);  // rows 0..7 of the last step's scan
    EXPECT_EQ(p.endedStepRows(), 8);
    EXPECT_EQ(view.progress, 7 * 10 / 4);
    // Each standard mounted in turn, the load without a prompt, then the device.
    EXPECT_EQ(link.Mounts(),
              (std::vector<std::string>{"THRU", "LOAD", "OPEND", "OPEN", "SHORT", "DUT"}));
    // The switch words: load and open and short NOSWAP 4, SWAP 12.
    EXPECT_EQ(link.Count("edit 1 11 B0 12"), 6u);
    EXPECT_EQ(link.Count("edit 1 0 VNATime 15"), 16u);
    EXPECT_EQ(link.Count("edit 1 12 "), 0u);
    // The dump lists the plan with every step ended.
    EXPECT_NE(p.ListCalibrationPlan().find("Sort W. Switch SWAP Speed= 2"), std::string::npos);
    EXPECT_TRUE(p.plan()[15].SE);
}

TEST_F(Procedure, PromptsWaitAndDoneRunsTheStepAtOnce) {
    PlanChoice c;
    c.Sped = {false, true, false, false};
    ASSERT_TRUE(p.RedoGlobal(c));
    EXPECT_TRUE(p.waitingForUser());
    EXPECT_TRUE(view.done);
    EXPECT_EQ(view.message, "Mount Thru Cable");
    EXPECT_FALSE(s->CalibrationOn);
    EXPECT_EQ(link.log.back(), "stop");  // the analyser rests while the user works
    EXPECT_EQ(link.Count("mount"), 0u);  // automatic mounting is off
    link.log.clear();
    p.CalibDone();
    EXPECT_FALSE(view.done);
    EXPECT_EQ(view.message, "Thru Speed= 1");
    EXPECT_TRUE(s->CalibrationOn);
    EXPECT_EQ(s->CalibrationPlug, 0);
    ASSERT_EQ(link.log.size(), 1u + 12u * 3u + 1u);  // rows 0..2*(4+1)+1, three fields each
    EXPECT_EQ(link.log[0], "stop");
    EXPECT_EQ(link.log[1], "edit 1 0 adcspeed 1");
    EXPECT_EQ(link.log[2], "edit 1 0 VNATime 15");
    EXPECT_EQ(link.log[3], "edit 1 0 B0 0");
    EXPECT_EQ(link.log.back(), "new 1");
    // Done again while the step runs changes nothing.
    p.CalibDone();
    EXPECT_EQ(link.log.back(), "new 1");
}

TEST_F(Procedure, ReferenceReadingOnlyFromDetectorOpenAndLoad) {
    PlanChoice c;
    ASSERT_TRUE(p.RedoGlobal(c));
    cal->speed[0].CalOffsetValue = 123;
    const int32_t want[5] = {123, 7010, 7010, 7010, 7040};
    for (int step = 0; step < 5; ++step) {
        ASSERT_TRUE(p.waitingForUser());
        p.CalibDone();
        EXPECT_EQ(s->CalibrationPlug, step);
        ScanStep();
        EXPECT_EQ(cal->speed[0].CalOffsetValue, want[step]) << "after plug " << step;
    }
    EXPECT_TRUE(p.planEnded());
}

TEST_F(Procedure, RowsOfAnotherScanAreNotFiled) {
    PlanChoice c;
    ASSERT_TRUE(p.RedoGlobal(c));
    p.CalibDone();
    // Rows of the scan before, still on their way: not this step's.
    Feed(Rec(6, 0, 0, 555));
    p.CalibrationStepEnded();  // that scan's end
    EXPECT_TRUE(s->CalibrationOn);
    EXPECT_EQ(cal->speed[0].points[2].slot[0], Cplx(0, 0));
    // Its own scan begins; a row with another switch word in it is dropped.
    Feed(Rec(0, 0, 0, 0));
    Feed(Rec(2, 0, 4, 999));
    EXPECT_EQ(cal->speed[0].points[0].slot[0], Cplx(0, 0));
    Feed(Rec(2, 0, 0, 11));
    Feed(Rec(3, 0, 0, 12));
    EXPECT_EQ(cal->speed[0].points[0].slot[0], Cplx(11, 12));
    EXPECT_TRUE(p.Trace(2, 0).empty());  // a row of another scan is traced in, not out
    EXPECT_EQ(p.Trace(2, 4),
              "Calibration Trace NextIn exit 0  Plug 0  Maxinuse 0  Saved Real 11  Saved Imag 12");
    EXPECT_EQ(p.Trace(1, 4), "Calibration Trace NextIn entry 0  Speed= 0  Vnaidx= 3  VnaPh= 8"
                             "  VnaDat= 12  VnaQrg= 10000000  VnaTab= 1");
    // Records of table 1 while no step runs are ignored.
    p.Abandon();
    Feed(Rec(4, 0, 0, 77));
    EXPECT_EQ(cal->speed[0].points[1].slot[0], Cplx(0, 0));
}

TEST_F(Procedure, PlanWithoutSpeedsEndsAtOnce) {
    PlanChoice c;
    c.Sped = {false, false, false, false};
    ASSERT_TRUE(p.RedoGlobal(c));
    EXPECT_TRUE(p.planEnded());
    EXPECT_EQ(view.message, "Calibration ended - save or close window");
    EXPECT_EQ(link.log.back(), "new 0");
}

TEST_F(Procedure, ControlFilesThatCannotServeAreRefused) {
    std::string many = "W=10\n";
    for (int i = 0; i < 122; ++i)
        many += "+" + std::to_string(400000 + 1000 * i) + "\n";
    for (const std::string& text : {many, std::string("TNo frequencies\nW=10\n")}) {
        WriteControl(text);
        link.log.clear();
        view.refused.clear();
        EXPECT_FALSE(p.RedoGlobal(PlanChoice{}));
        EXPECT_TRUE(link.log.empty()) << link.log.front();
        ASSERT_EQ(view.refused.size(), 1u);
        EXPECT_NE(view.refused[0].find("test.CC"), std::string::npos) << view.refused[0];
        EXPECT_TRUE(p.planEnded());
    }
    p.setControlFile(dir.filePath("missing.CC").toStdString());
    EXPECT_FALSE(p.RedoGlobal(PlanChoice{}));
    EXPECT_NE(view.message.find("missing.CC"), std::string::npos);
}

TEST_F(Procedure, RedoAbandonsTheRunningStep) {
    PlanChoice c;
    ASSERT_TRUE(p.RedoGlobal(c));
    p.CalibDone();
    Feed(Rec(0, 0, 0, 0));
    ASSERT_TRUE(s->CalibrationOn);
    link.log.clear();
    ASSERT_TRUE(p.RedoGlobal(c));
    EXPECT_EQ(link.log.front(), "stop");
    EXPECT_FALSE(s->CalibrationOn);
    EXPECT_TRUE(p.waitingForUser());
    // The old scan's end no longer ends anything.
    p.CalibrationStepEnded();
    EXPECT_EQ(s->CurrentStep, 0);
    EXPECT_FALSE(p.plan()[0].SE);
}

TEST_F(Procedure, DriverRunsThePlanOrTellsWhyNot) {
    PlanChoice c;
    c.Sped = {true, true, false, false};
    std::vector<std::string> prompts, ended;
    bool scanning = true;
    PlanDriver d;
    d.confirm = [&](const std::string& pr) {
        prompts.push_back(pr);
        return true;
    };
    d.wait = [&](const std::function<bool()>& done, double seconds) {
        EXPECT_EQ(seconds, 2.5);
        if (scanning)
            ScanStep();  // the server answers with the step's scan
        return done();
    };
    d.stepSeconds = [](const PlanStep&) { return 2.5; };
    d.stepEnded = [&](const PlanStep& st) { ended.push_back(st.Info); };
    ASSERT_TRUE(p.RedoGlobal(c));
    const PlanDriveResult r = DrivePlan(p, d);
    EXPECT_TRUE(r.ok) << r.message;
    EXPECT_TRUE(p.planEnded());
    EXPECT_EQ(prompts.size(), 5u);
    ASSERT_EQ(ended.size(), 10u);
    EXPECT_EQ(ended[1], "Thru Speed= 1");
    EXPECT_TRUE(cal->speed[1].Calibrated);

    // The server falls silent: the step is abandoned and the reason told.
    scanning = false;
    ASSERT_TRUE(p.RedoGlobal(c));
    const PlanDriveResult silent = DrivePlan(p, d);
    EXPECT_FALSE(silent.ok);
    EXPECT_NE(silent.message.find("Thru Speed= 0"), std::string::npos) << silent.message;
    EXPECT_FALSE(s->CalibrationOn);
    // A prompt declined ends the plan too.
    d.confirm = [](const std::string&) { return false; };
    ASSERT_TRUE(p.RedoGlobal(c));
    EXPECT_FALSE(DrivePlan(p, d).ok);
}

} // namespace
