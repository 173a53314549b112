#include "display/measure/master/batch_calibrate.h"

#include "display/calib/calib_file.h"
#include "display/calib/contfile.h"

#include <QElapsedTimer>
#include <QTimer>

const CalStepPlan kCalSteps[8] = {
    {kSlotThru, "THRU", 0},   {kSlotOpeD, "OPEND", 0},  {kSlotOpeB, "OPEN", 4},
    {kSlotShoB, "SHORT", 4},  {kSlotLoadB, "LOAD", 4},  {kSlotOpeBS, "OPEN", 12},
    {kSlotShoBS, "SHORT", 12}, {kSlotLoadBS, "LOAD", 12},
};

void FileCalibrationRecord(CalibTable& cal, int16_t plug, int16_t& next, const VnaDataRec& rec) {
    if (rec.Speed < 0 || rec.Speed >= kCalSpeeds || plug < 0 || plug >= kCalSlots)
        return;
    SpeedTable& t = cal.speed[static_cast<size_t>(rec.Speed)];
    if (rec.Phase == 0 && rec.idx > 2)
        ++next;
    if (rec.idx == 2) {
        t.CalAux = rec.bits;
        t.CalTime = rec.Time;
        t.Calibrated = true;
    }
    if (rec.idx == 1 && (plug == kSlotOpeD || plug == kSlotLoadB))
        t.CalOffsetValue = rec.Data;
    if (rec.idx > 1 && next >= 0 && next < kCalPoints) {
        CalPoint& p = t.points[static_cast<size_t>(next)];
        p.QRG = rec.Qrg;
        Cplx& v = p.slot[static_cast<size_t>(plug)];
        if (rec.Phase != 0)
            v.imag(rec.Data);
        else
            v.real(rec.Data);
        if (next > cal.Maxinuse)
            cal.Maxinuse = next;
    }
}

BatchCalibrate::BatchCalibrate(MasterSession& session, CalibrateOptions options,
                               QTextStream& err)
    : BatchJob(session, err), o_(std::move(options)) {}

int BatchCalibrate::RunStep(int16_t speed, const CalStepPlan& step) {
    MeasureState& s = m_.state();
    // Program every row of table 1 with the step's speed, time and switches.
    const int last = 2 * (entries_ + 1) + 1;
    for (int e = 0; e <= last; ++e) {
        m_.VnaEditEntry(1, static_cast<int16_t>(e), "adcspeed", speed);
        m_.VnaEditEntry(1, static_cast<int16_t>(e), "VNATime", time_);
        m_.VnaEditEntry(1, static_cast<int16_t>(e), "B0", step.B0);
    }
    m_.VnaMount(step.fixture);
    s.CalibrationPlug = step.plug;
    s.CalibrationNxtIn = 0;
    s.CalibrationOn = true;
    m_.vnaNewScan(1);

    // The scan counts from its row 0 with this step's speed and switch word;
    // rows of the scan before, still on their way, do not.
    bool started = false, ended = false;
    int rows = 0;
    auto c1 = connect(&m_, &MasterSession::CalibrationRecord, this, [&](const VnaDataRec& r) {
        if (ended)
            return;
        if (!started && r.idx == 0 && r.Phase == 0 && r.Speed == speed && r.B[0] == step.B0)
            started = true;
        if (!started)
            return;
        FileCalibrationRecord(m_.calib(), step.plug, s.CalibrationNxtIn, r);
        ++rows;
    });
    auto c2 = connect(&m_, &MasterSession::CalibrationEndScan, this, [&] {
        if (started)
            ended = true;
    });
    const double timeout = o_.stepTimeout > 0
                               ? o_.stepTimeout
                               : 30 + 3 * RowSeconds(speed, time_) * 2 * (entries_ + 1) * 2;
    const bool ok = WaitFor([&] { return ended; }, timeout);
    disconnect(c1);
    disconnect(c2);
    s.CalibrationOn = false;
    s.CalibrationNxtIn = 0;
    // Stop the repeated scan and let what is still under way arrive.
    m_.VnaStopscan();
    QElapsedTimer quiet;
    quiet.start();
    auto c3 = connect(&m_, &MasterSession::CalibrationRecord, this, [&] { quiet.restart(); });
    WaitFor([&] { return quiet.elapsed() > 150; }, 5);
    disconnect(c3);
    if (!ok)
        return serverEnded_ ? kBatchServer : kBatchNoData;
    err_ << "tavrel13: calibrated " << step.fixture << (step.B0 & 8 ? " swapped" : "")
         << " speed " << speed << ": " << rows << " rows\n";
    err_.flush();
    return kBatchOk;
}

int BatchCalibrate::Run() {
    if (const int rc = StartAndConnect(o_.start_, o_.linkTimeout); rc != kBatchOk)
        return rc;
    MeasureState& s = m_.state();
    m_.VnaStopscan();
    const ContfileResult cf = ReadContfile(o_.controlFile.toStdString(), false, m_);
    if (!cf.ok) {
        err_ << "tavrel13: " << QString::fromStdString(cf.message) << "\n";
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
    const CalibFileStatus st = WriteCalibrationFile(o_.out.toStdString(), cal, " Switch ");
    if (!st.ok) {
        err_ << "tavrel13: " << QString::fromStdString(st.message) << "\n";
        return kBatchWrite;
    }
    err_ << "tavrel13: wrote the calibration (" << cal.Maxinuse + 1 << " points, "
         << o_.speeds.size() << " speeds) to " << o_.out << "\n";
    return kBatchOk;
}
