#include "display/calib/plan_driver.h"

PlanDriveResult DrivePlan(CalibProcedure& p, const PlanDriver& d) {
    PlanDriveResult r;
    while (!p.planEnded()) {
        const PlanStep& step = p.plan()[static_cast<size_t>(p.stepIndex())];
        if (p.waitingForUser()) {
            if (!d.confirm(step.UserAction)) {
                r.ok = false;
                r.message = "calibration given up at \"" + step.UserAction + "\"";
                return r;
            }
            p.CalibDone();
            continue;
        }
        const int index = p.stepIndex();
        const bool ended = d.wait(
            [&] { return p.planEnded() || p.waitingForUser() || p.stepIndex() != index; },
            d.stepSeconds(step));
        if (!ended) {
            p.Abandon();
            r.ok = false;
            r.message = "the calibration scan of step " + std::to_string(index) + " (" +
                        step.Info + ") did not end in time";
            return r;
        }
        if (d.stepEnded)
            d.stepEnded(p.plan()[static_cast<size_t>(index)]);
    }
    return r;
}
