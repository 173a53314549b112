#include "display/app/batch_calibrate.h"

#include "display/app/calibration.h"
#include "display/measure/qt_text.h"
#include "display/calib/plan_driver.h"

#include <QDir>
#include <QElapsedTimer>

#include <iostream>
#include <string>

namespace {

/// The procedure's messages on the error stream.
class TerminalCalibView : public CalibView {
public:
    explicit TerminalCalibView(QTextStream& err) : err_(err) {}
    void Refused(const std::string& message) override {
        err_ << "tavrel13: " << Q(message) << "\n";
        err_.flush();
    }

private:
    QTextStream& err_;
};

} // namespace

BatchCalibrate::BatchCalibrate(MasterSession& session, Calibration& calibration,
                               CalibrateOptions options, QTextStream& err)
    : BatchJob(session, err), c_(calibration), o_(std::move(options)) {}

void BatchCalibrate::WaitQuiet() {
    QElapsedTimer quiet;
    quiet.start();
    auto c = connect(&m_, &MasterSession::RecordArriving, this, [&](const VnaDataRec&) {
        quiet.restart();
    });
    WaitFor([&] { return quiet.elapsed() > 150; }, 5);
    disconnect(c);
}

bool BatchCalibrate::Confirm(const std::string& prompt, bool simulated) {
    if (!simulated) {
        err_ << "tavrel13: " << Q(prompt) << ", then press Enter\n";
        err_.flush();
        std::string line;
        if (!std::getline(std::cin, line))
            return false;
    }
    // The scan stopped at the prompt; rows of it still under way go first,
    // so that none of them is taken for the next step's.
    WaitQuiet();
    return true;
}

int BatchCalibrate::Run() {
    if (const int rc = StartAndConnect(o_.start_, o_.linkTimeout); rc != kBatchOk)
        return rc;
    CalibProcedure& p = c_.procedure();
    TerminalCalibView view(err_);
    p.setView(&view);
    const bool simulated = c_.Simulated();
    p.setAutoMount(simulated);
    p.setControlFile(QDir(m_.options().workDir).filePath(o_.controlFile).toStdString());

    // A fresh table: nothing of the calibration loaded at start-up stays.
    CalibTable& cal = m_.calib();
    cal = CalibTable{};
    cal.title = o_.title.toStdString();
    PlanChoice choice;
    choice.S_Swi_Cal = true;
    choice.RefCal = true;
    choice.Sped = {false, false, false, false};
    for (int16_t speed : o_.speeds)
        choice.Sped[static_cast<size_t>(speed)] = true;
    if (!p.RedoGlobal(choice)) {
        p.setView(nullptr);
        return kBatchUsage;
    }
    const MeasureState& s = m_.state();
    err_ << "tavrel13: " << s.Calibrationpoints << " calibration entries from "
         << o_.controlFile << ", settling time " << s.CalWaitTime << ", " << p.planSize()
         << " steps\n";
    err_.flush();

    PlanDriver d;
    d.confirm = [&](const std::string& prompt) { return Confirm(prompt, simulated); };
    d.wait = [this](const std::function<bool()>& done, double seconds) {
        return WaitFor(done, seconds);
    };
    d.stepSeconds = [&](const PlanStep& step) {
        return o_.stepTimeout > 0
                   ? o_.stepTimeout
                   : 30 + 3 * RowSeconds(step.Speed, step.time) * 2 * (s.Calibrationpoints + 1) * 2;
    };
    d.stepEnded = [&](const PlanStep& step) {
        err_ << "tavrel13: calibrated " << FixtureOfPlug(step.Plug).data()
             << (step.Swap ? " swapped" : "") << " speed " << step.Speed << ": " << p.endedStepRows()
             << " rows\n";
        err_.flush();
    };
    const PlanDriveResult r = DrivePlan(p, d);
    p.setView(nullptr);
    // The plan ends by restarting the live sweep; a batch has no use for it.
    m_.VnaStopscan();
    WaitQuiet();
    if (!r.ok) {
        Fail(Q(r.message));
        return serverEnded_ ? kBatchServer : kBatchNoData;
    }
    if (const std::string e = p.SaveCalibration(o_.out.toStdString()); !e.empty()) {
        err_ << "tavrel13: " << Q(e) << "\n";
        return kBatchWrite;
    }
    err_ << "tavrel13: wrote the calibration (" << cal.Maxinuse + 1 << " points, "
         << o_.speeds.size() << " speeds) to " << o_.out << "\n";
    return kBatchOk;
}
