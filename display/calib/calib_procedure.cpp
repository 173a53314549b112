#include "display/calib/calib_procedure.h"

#include "display/calib/calib_file.h"
#include "display/calib/calib_intake.h"
#include "link/text_rules.h"

#include <algorithm>

namespace {

std::string Num(long long v) { return txt::N(v); }
std::string NumD(double v) {
    const std::string t = txt::DecimalText(v);
    return v < 0 ? t : " " + t;
}

} // namespace

std::string_view FixtureOfPlug(int plug) {
    switch (plug) {
    case kSlotThru: return "THRU";
    case kSlotOpeD: return "OPEND";
    case kSlotOpeB:
    case kSlotOpeBS: return "OPEN";
    case kSlotShoB:
    case kSlotShoBS: return "SHORT";
    default: return "LOAD";
    }
}

CalibProcedure::CalibProcedure(MeasureState& s, CalibTable& cal, CalibLink& link)
    : s_(s), cal_(cal), link_(link) {
    plan_[0].End = true;
    plan_[0].Plug = kSlotLoadB;
    plan_[0].Speed = 4;
    plan_[0].Bits = 24;
}

void CalibProcedure::Tell(const std::string& message) {
    if (view_) {
        view_->CalibMessage(message);
        view_->Refused(message);
    }
}

void CalibProcedure::Mount(std::string_view fixture) {
    if (autoMount_)
        link_.VnaMount(fixture);
}

bool CalibProcedure::RedoGlobal(const PlanChoice& choice) {
    // A step still under way is abandoned; its scan is stopped so that its
    // rows cannot end up in the new plan.
    Abandon();
    // The control file first, so that every step gets the file's time. The
    // file is checked whole before anything is programmed.
    const ContfileResult cf = ReadContfile(controlFile_, false, link_);
    if (!cf.ok) {
        Tell("Calibration control file refused: " + cf.message);
        return false;
    }
    s_.CalWaitTime = cf.waitTime;
    s_.Calibrationpoints = cf.points;
    s_.CalprogressMark = 0;
    if (view_)
        view_->MastConttitle(cf.title);

    planSize_ = BuildCalibrationPlan(plan_, choice, s_.CalWaitTime, s_.SwitchOption);
    s_.CurrentStep = 0;
    planEnded_ = false;
    CalAuto();
    return true;
}

void CalibProcedure::Abandon() {
    if (s_.CalibrationOn)
        link_.VnaStopscan();
    s_.CalibrationOn = false;
    s_.CalibrationNxtIn = 0;
    started_ = false;
}

void CalibProcedure::CalAuto() {
    int c = s_.CurrentStep;
    if (c < 0 || c >= kPlanSteps)
        return;
    PlanStep* step = &plan_[static_cast<size_t>(c)];
    if (!step->Act) {
        step->Act = true;
    } else if (step->SE) {
        if (step->End || c + 1 >= kPlanSteps)
            return;
        ++c;
        s_.CurrentStep = static_cast<int16_t>(c);
        step = &plan_[static_cast<size_t>(c)];
        step->Act = true;
    }
    waiting_ = false;
    if (step->End) {
        planEnded_ = true;
        if (view_) {
            view_->ShowCalibDone(false);
            view_->CalibMessage("Calibration ended - save or close window");
        }
        Mount("DUT");
        link_.vnaNewScan(0);
    } else if (step->UE) {
        if (view_) {
            view_->CalibMessage(step->Info);
            view_->ShowCalibDone(false);
        }
        StartCalibrationStep(c);
    } else {
        // The analyser stays idle while the user changes the standard, so
        // that no row of the last scan is taken for the next one.
        link_.VnaStopscan();
        Mount(FixtureOfPlug(step->Plug));
        waiting_ = true;
        if (view_) {
            view_->CalibMessage(step->UserAction);
            view_->ShowCalibDone(true);
        }
    }
}

void CalibProcedure::CalibDone() {
    const int c = s_.CurrentStep;
    if (!waiting_ || c < 0 || c >= kPlanSteps)
        return;
    PlanStep& step = plan_[static_cast<size_t>(c)];
    waiting_ = false;
    if (view_)
        view_->ShowCalibDone(false);
    step.UE = true;
    if (view_)
        view_->CalibMessage(step.Info);
    CalAuto();
}

void CalibProcedure::StartCalibrationStep(int i) {
    if (i < 0 || i >= kPlanSteps)
        return;
    const PlanStep& step = plan_[static_cast<size_t>(i)];
    s_.CalibrationPlug = step.Plug;
    // Table 1 is reprogrammed while the analyser rests: no scan runs on
    // half-edited rows, and the server takes the edits at once.
    link_.VnaStopscan();
    Mount(FixtureOfPlug(step.Plug));
    SetCalibrationEntries(step.Speed, step.B0(), step.time);
    s_.CalibrationNxtIn = 0;
    started_ = false;
    stepRows_ = 0;
    if (view_)
        view_->CalProgress(0);
    s_.CalibrationOn = true;
    link_.vnaNewScan(1);
}

void CalibProcedure::SetCalibrationEntries(int16_t speed, int16_t B0, int16_t time) {
    const int last = 2 * (s_.Calibrationpoints + 1) + 1;
    for (int e = 0; e <= last; ++e) {
        const auto row = static_cast<int16_t>(e);
        link_.VnaEditEntry(1, row, "adcspeed", speed);
        link_.VnaEditEntry(1, row, "VNATime", time);
        link_.VnaEditEntry(1, row, "B0", B0);
    }
}

int CalibProcedure::stepIndex() const {
    return std::clamp<int>(s_.CurrentStep, 0, kPlanSteps - 1);
}

const std::string& CalibProcedure::Trace(int ring, int i) const {
    static const std::string none;
    if ((ring != 1 && ring != 2) || i < 0 || i >= kVnaDataCount)
        return none;
    return trace_[static_cast<size_t>(ring - 1)][static_cast<size_t>(i)];
}

void CalibProcedure::CalibrationNextIn(const VnaDataRec& rec) {
    if (!s_.CalibrationOn || rec.table != 1)
        return;
    const int c = s_.CurrentStep;
    if (c < 0 || c >= kPlanSteps)
        return;
    const PlanStep& step = plan_[static_cast<size_t>(c)];
    const int16_t sp = rec.Speed;
    const int16_t P = s_.CalibrationPlug;
    // The record log has just taken this record.
    const size_t pos = static_cast<size_t>((s_.VnaDataNext + kVnaDataCount - 1) % kVnaDataCount);
    trace_[0][pos] = "Calibration Trace NextIn entry" + Num(s_.CalibrationNxtIn) + "  Speed=" +
                     Num(sp) + "  Vnaidx=" + Num(rec.idx) + "  VnaPh=" + Num(rec.Phase) +
                     "  VnaDat=" + Num(rec.Data) + "  VnaQrg=" + Num(rec.Qrg) +
                     "  VnaTab=" + Num(rec.table);
    trace_[1][pos].clear();

    // Only the rows of this step's own scan count: from its row 0 on, and
    // only rows measured with the step's speed and switch word.
    const bool mine = sp == step.Speed && rec.B[0] == step.B0();
    if (!started_ && mine && rec.idx == 0 && rec.Phase == 0)
        started_ = true;
    if (!started_ || !mine || sp < 0 || sp >= kCalSpeeds)
        return;

    FileCalibrationRecord(cal_, P, s_.CalibrationNxtIn, rec);
    ++stepRows_;
    const int16_t n = s_.CalibrationNxtIn;
    if (rec.idx == 2 && view_)
        view_->MarkSpeed(sp);
    if (n >= 0 && n < kCalPoints && P >= 0 && P < kCalSlots) {
        const Cplx& v = cal_.speed[static_cast<size_t>(sp)].points[static_cast<size_t>(n)]
                            .slot[static_cast<size_t>(P)];
        trace_[1][pos] = "Calibration Trace NextIn exit" + Num(n) + "  Plug" + Num(P) +
                         "  Maxinuse" + Num(cal_.Maxinuse) + "  Saved Real" + NumD(v.real()) +
                         "  Saved Imag" + NumD(v.imag());
    }
    if (view_ && s_.Calibrationpoints > 0) {
        const int value = rec.idx * 10 / s_.Calibrationpoints + s_.CalprogressMark;
        view_->CalProgress(std::min(value, kCalProgressMax));
    }
}

bool CalibProcedure::EndStep() {
    // The end of a scan that began before this step's own scan is not its end.
    if (!s_.CalibrationOn || !started_)
        return false;
    const int c = s_.CurrentStep;
    if (c >= 0 && c < kPlanSteps)
        plan_[static_cast<size_t>(c)].SE = true;
    endedRows_ = stepRows_;
    s_.CalibrationNxtIn = 0;
    s_.CalibrationOn = false;
    started_ = false;
    return true;
}

void CalibProcedure::CalibrationStepEnded() {
    if (EndStep())
        CalAuto();
}

// ---- files ----

std::string CalibProcedure::LoadCalibration(const std::string& fileName) {
    const CalibFileStatus st = ReadCalibrationFile(fileName, cal_, s_.SwitchOption);
    if (!st.ok)
        return st.message;
    s_.Calibrationpoints = cal_.Maxinuse;
    s_.CalMastData = true;
    if (view_)
        view_->MastCalTitle(cal_.title);
    return {};
}

std::string CalibProcedure::SaveCalibration(const std::string& fileName) const {
    const CalibFileStatus st = WriteCalibrationFile(fileName, cal_, s_.SwitchOption);
    return st.ok ? std::string{} : st.message;
}

std::string CalibProcedure::ChangeControlFile(const std::string& fileName) {
    const ContfileResult cf = ReadContfile(fileName, true, link_);
    if (!cf.ok)
        return cf.message;
    // Scan table 1 still holds the frequencies of the file read last, so
    // Calibrationpoints stays; Redo reads the new file and programs it.
    controlFile_ = fileName;
    s_.CalWaitTime = cf.waitTime;
    if (view_)
        view_->MastConttitle(cf.title);
    return {};
}
