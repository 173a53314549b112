#pragma once
// Runs a calibration plan to its end without a window (the batch
// calibration): prompts are answered by a callback (the terminal, or at
// once when the standards are mounted automatically) and each step is given
// a time to end in.

#include "display/calib/calib_procedure.h"

#include <functional>
#include <string>

struct PlanDriver {
    /// Asked at each prompt with the prompt text; false gives up.
    std::function<bool(const std::string& prompt)> confirm;
    /// Runs the event loop until `done` holds; false when `seconds` pass
    /// (or the link is lost) first.
    std::function<bool(const std::function<bool()>& done, double seconds)> wait;
    /// How long the step may take, seconds.
    std::function<double(const PlanStep& step)> stepSeconds;
    /// Told after each step that ended.
    std::function<void(const PlanStep& step)> stepEnded;
};

struct PlanDriveResult {
    bool ok = true;
    std::string message;  ///< why the plan did not end
};

/// Drives `procedure`, whose plan RedoGlobal has just started, to its End
/// step. A step that does not end in its time, or a prompt declined, stops
/// the plan (the running step is abandoned).
PlanDriveResult DrivePlan(CalibProcedure& procedure, const PlanDriver& driver);
