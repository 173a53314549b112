#pragma once
// The calibration procedure: runs the calibration plan step by step. Each
// step programs scan table 1 with its speed, time and switch word, runs one
// scan of it and files the readings into the step's slot of the calibration
// table; where the standard has to be changed the plan waits for the user.
// The same object serves the calibration window and the batch calibration;
// it reaches the server through CalibLink and shows through CalibView, so it
// never touches a widget. Runs on the user-interface thread.

#include "display/calib/calib_plan.h"
#include "display/calib/calib_table.h"
#include "display/calib/contfile.h"
#include "display/measure/measure_state.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

/// The requests the procedure sends to the server (the main window's
/// vnaSetUpEntry, vnaMarkEnd, VnaEditEntry, vnaNewScan, VnaStopscan, and
/// the simulated analyser's fixture command).
class CalibLink : public ScanTableTarget {
public:
    virtual void VnaEditEntry(int16_t ta, int16_t Idx, std::string_view Fiel, int32_t valu) = 0;
    virtual void vnaNewScan(int16_t ta) = 0;
    virtual void VnaStopscan() = 0;
    /// Mounts "THRU", "OPEND", "OPEN", "SHORT", "LOAD" or "DUT" on the
    /// simulated analyser; real hardware ignores it.
    virtual void VnaMount(std::string_view fixture) = 0;
    /// Link traffic paused around a file dialog, and resumed.
    virtual void VnaStopTCP() {}
    virtual void VnaStartTCP() {}
};

/// What the procedure shows: the calibration window's controls, or the
/// batch mode's terminal. Every method has a do-nothing default.
class CalibView {
public:
    virtual ~CalibView() = default;
    /// CalibMessage: the prompt, the step description or a fault.
    virtual void CalibMessage(const std::string& text) {}
    /// CalibDone shown (the plan waits for the user) or hidden.
    virtual void ShowCalibDone(bool shown) {}
    /// Sped(speed) turns red, the other Sped boxes get the face colour.
    virtual void MarkSpeed(int speed) {}
    /// CalProgress's value, 0..kCalProgressMax.
    virtual void CalProgress(int value) {}
    virtual void MastCalTitle(const std::string& title) {}
    virtual void MastConttitle(const std::string& title) {}
    /// A file could not be read or written, or a control file was refused;
    /// the text names the file and says why.
    virtual void Refused(const std::string& message) {}
};

constexpr int kCalProgressMax = 20;  ///< CalProgress: two rows per entry, 10 per entry count

/// The fixture of the simulated analyser that stands for slot `plug`.
std::string_view FixtureOfPlug(int plug);

class CalibProcedure {
public:
    CalibProcedure(MeasureState& s, CalibTable& cal, CalibLink& link);

    void setView(CalibView* view) { view_ = view; }
    /// Mount each step's standard on the simulated analyser (and the device
    /// under test again when the plan ends).
    void setAutoMount(bool on) { autoMount_ = on; }
    bool autoMount() const { return autoMount_; }
    /// The control file the plan reads (CalMastCont); "MastCalib.CC" at first.
    void setControlFile(const std::string& name) { controlFile_ = name; }
    const std::string& controlFile() const { return controlFile_; }

    // ---- the plan ----
    /// Reads the control file (programming scan table 1), then builds the
    /// plan with the file's time and starts it. A control file that cannot
    /// be read, holds more frequencies than the table's 121 points or none
    /// is refused (told through the view): nothing is programmed and the
    /// plan stays as it was. A step still running is abandoned first.
    bool RedoGlobal(const PlanChoice& choice);
    /// Advances the plan and runs the next step, or waits for the user.
    void CalAuto();
    /// The user has carried out the prompted action.
    void CalibDone();
    void StartCalibrationStep(int i);
    /// Programs every row of scan table 1 with the speed, time and B0.
    void SetCalibrationEntries(int16_t speed, int16_t B0, int16_t time);
    /// A record of table 1 while a step runs: files it into the step's slot.
    /// Rows count from the step scan's own row 0; rows measured with another
    /// speed or switch word (still on their way from before) are not filed.
    void CalibrationNextIn(const VnaDataRec& rec);
    /// The server ended a scan: ends the running step and goes on.
    void CalibrationStepEnded();
    /// Ends the running step (true) without going on; CalAuto then goes on.
    /// For callers that must leave the link's handler before the next step.
    bool EndStep();
    /// Abandons the running step: no more records are filed.
    void Abandon();

    const CalibPlan& plan() const { return plan_; }
    int planSize() const { return planSize_; }
    /// CurrentStep, kept within the plan.
    int stepIndex() const;
    bool planEnded() const { return planEnded_; }
    /// The plan shows a prompt and waits for CalibDone.
    bool waitingForUser() const { return waiting_; }
    /// A step's scan is under way and has passed its row 0.
    bool stepScanStarted() const { return started_; }
    /// Rows filed by the step started last, and by the step that ended last.
    int stepRows() const { return stepRows_; }
    int endedStepRows() const { return endedRows_; }
    std::string ListCalibrationPlan() const { return ::ListCalibrationPlan(plan_); }

    /// Trace ring 1 (entry) or 2 (exit) at record-log index i (0..200).
    const std::string& Trace(int ring, int i) const;

    // ---- the files ----
    /// Reads a calibration data file into the table; on failure the table
    /// stays as it was and the message names the file (empty on success).
    std::string LoadCalibration(const std::string& fileName);
    std::string SaveCalibration(const std::string& fileName) const;
    /// Makes `fileName` the control file after reading its title (nothing
    /// programmed); on failure the control file stays the one it was.
    std::string ChangeControlFile(const std::string& fileName);

    /// Mounts a fixture on the simulated analyser when AutoMount is on.
    void Mount(std::string_view fixture);
    /// The link pauses around a file dialog.
    void StopTCP() { link_.VnaStopTCP(); }
    void StartTCP() { link_.VnaStartTCP(); }

private:
    void Tell(const std::string& message);

    MeasureState& s_;
    CalibTable& cal_;
    CalibLink& link_;
    CalibView* view_ = nullptr;
    CalibPlan plan_{};
    int planSize_ = 0;
    bool planEnded_ = true;
    bool waiting_ = false;
    bool started_ = false;
    bool autoMount_ = false;
    int stepRows_ = 0;
    int endedRows_ = 0;
    std::string controlFile_ = "MastCalib.CC";
    std::array<std::array<std::string, kVnaDataCount>, 2> trace_{};
};
