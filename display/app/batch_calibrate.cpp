#include "display/app/batch_calibrate.h"

#include "display/app/qt_text.h"
#include "display/calib/calib_file.h"
#include "display/calib/calib_intake.h"
#include "display/calib/contfile.h"

#include <QElapsedTimer>
#include <QTimer>

const CalStepPlan kCalSteps[8] = {
    {kSlotThru, "THRU", 0},   {kSlotOpeD, "OPEND", 0},  {kSlotOpeB, "OPEN", 4},
    {kSlotShoB, "SHORT", 4},  {kSlotLoadB, "LOAD", 4},  {kSlotOpeBS, "OPEN", 12},
    {kSlotShoBS, "SHORT", 12}, {kSlotLoadBS, "LOAD", 12},
};

BatchCalibrate::BatchCalibrate(MasterSession& session, CalibrateOptions options,
                               QTextStream& err)
    : BatchJob(session, err), o_(std::move(options)) {}

BatchCalibrate::~BatchCalibrate() { m_.setCalibration(nullptr); }

void BatchCalibrate::CalibrationNextIn(const VnaDataRec& r) {
    if (!step_ || ended_)
        return;
    if (!started_ && r.idx == 0 && r.Phase == 0 && r.Speed == speed_ && r.B[0] == step_->B0)
        started_ = true;
    if (!started_)
        return;
    FileCalibrationRecord(m_.calib(), step_->plug, m_.state().CalibrationNxtIn, r);
    ++rows_;
}

void BatchCalibrate::CalibrationEndScan() {
    if (step_ && started_)
        ended_ = true;
}

int BatchCalibrate::RunStep(int16_t speed, const CalStepPlan& step) {
    MeasureState& s = m_.state();
    // Program every row of table 1 with the step's speed, time and switches.
    const int last = 2 * (entries_ + 1) + 1;
    for (int e = 0; e <= last; ++e) {
        m_.VnaEditEntry(1, static_cast<int16_t>(e), "adcspeed", speed);
        m_.VnaEditEntry(1, static_cast<int16_t>(e), "VNATime", time_);
        m_.VnaEditEntry(1, static_cast<int16_t>(e), "B0", step.B0);
    }
    // The scan counts from its row 0 with this step's speed and switch word;
    // rows of the scan before, still on their way, do not.
    step_ = &step;
    speed_ = speed;
    started_ = ended_ = false;
    rows_ = 0;
    m_.VnaMount(step.fixture);
    s.CalibrationPlug = step.plug;
    s.CalibrationNxtIn = 0;
    s.CalibrationOn = true;
    m_.vnaNewScan(1);

    const double timeout = o_.stepTimeout > 0
                               ? o_.stepTimeout
                               : 30 + 3 * RowSeconds(speed, time_) * 2 * (entries_ + 1) * 2;
    const bool ok = WaitFor([this] { return ended_; }, timeout);
    step_ = nullptr;
    s.CalibrationOn = false;
    s.CalibrationNxtIn = 0;
    // Stop the repeated scan and let what is still under way arrive.
    m_.VnaStopscan();
    QElapsedTimer quiet;
    quiet.start();
    auto c3 = connect(&m_, &MasterSession::RecordArriving, this, [&](const VnaDataRec& r) {
        if (r.table == 1)
            quiet.restart();
    });
    WaitFor([&] { return quiet.elapsed() > 150; }, 5);
    disconnect(c3);
    if (!ok)
        return serverEnded_ ? kBatchServer : kBatchNoData;
    err_ << "tavrel13: calibrated " << step.fixture << (step.B0 & 8 ? " swapped" : "")
         << " speed " << speed << ": " << rows_ << " rows\n";
    err_.flush();
    return kBatchOk;
}

int BatchCalibrate::Run() {
    m_.setCalibration(this);
    if (const int rc = StartAndConnect(o_.start_, o_.linkTimeout); rc != kBatchOk)
        return rc;
    MeasureState& s = m_.state();
    m_.VnaStopscan();
    const ContfileResult cf = ReadContfile(o_.controlFile.toStdString(), false, m_);
    if (!cf.ok) {
        err_ << "tavrel13: " << Q(cf.message) << "\n";
        return kBatchUsage;
    }
    entries_ = cf.points;
    time_ = cf.waitTime;
    s.Calibrationpoints = cf.points;
    s.CalWaitTime = cf.waitTime;
    s.CalprogressMark = 0;
    err_ << "tavrel13: " << cf.points << " calibration entries from " << o_.controlFile
         << ", settling time " << cf.waitTime << "\n";

    // A fresh table: nothing of the calibration loaded at start-up stays.
    CalibTable& cal = m_.calib();
    cal = CalibTable{};
    cal.title = o_.title.toStdString();
    for (int16_t speed : o_.speeds)
        for (const CalStepPlan& step : kCalSteps)
            if (const int rc = RunStep(speed, step); rc != kBatchOk) {
                Fail(QString("the calibration scan of %1 did not end in time").arg(step.fixture));
                return rc;
            }
    m_.VnaMount("DUT");
    const CalibFileStatus st = WriteCalibrationFile(o_.out.toStdString(), cal, kSwitchMarker);
    if (!st.ok) {
        err_ << "tavrel13: " << Q(st.message) << "\n";
        return kBatchWrite;
    }
    err_ << "tavrel13: wrote the calibration (" << cal.Maxinuse + 1 << " points, "
         << o_.speeds.size() << " speeds) to " << o_.out << "\n";
    return kBatchOk;
}
