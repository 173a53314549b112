#include "display/calib/data_intake.h"

#include "display/calib/correction.h"
#include "display/measure/point_list.h"

#include <QLoggingCategory>

#include <algorithm>
#include <limits>

Q_LOGGING_CATEGORY(lcCalib, "vna.calib")

namespace {

bool SpeedValid(int16_t speed) { return speed >= 0 && speed < kCalSpeeds; }

int32_t Saturate32(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

} // namespace

void DataRecordIn(MeasureState& s, const CalibTable& cal, CalibEvents& ev,
                  const VnaDataRec& rec) {
    s.LogRecord(rec);
    s.VnaReportSpeed = rec.Speed;
    s.VnaReportTime = rec.Time;
    if (!SpeedValid(rec.Speed)) {
        qCWarning(lcCalib) << "data record with speed" << rec.Speed << "(table" << rec.table
                           << "row" << rec.idx << ") has no calibration set; not used";
        return;
    }
    if (s.CalibrationOn) {
        if (rec.table == 1)
            ev.CalibrationNextIn(rec);
        return;
    }
    if (rec.idx == 1) {
        s.OffsetValue = rec.Data;
        s.CalOffsetValue = cal.speed[rec.Speed].CalOffsetValue;
        s.drift = Saturate32(int64_t{s.CalOffsetValue} - s.OffsetValue);
        ev.ShowTempOffset(s.drift);
    } else if (rec.idx > 1 && rec.Qrg > 0 && rec.table == 0) {
        MeasurementIn(s, cal, ev, rec);
    }
}

void AttachCalibration(QrgPoint& pt, const CalibTable& cal, int speed, bool portSwap) {
    const SpeedTable& t = cal.speed[speed];
    const CalBracket b = FindCalBracket(t, cal.Maxinuse, pt.Qrg);
    const int32_t f = pt.Qrg;
    if (!pt.OpeDCaptured)
        pt.OpeD = InterpolateSlot(t, b, f, kSlotOpeD);
    if (!pt.ThruCaptured)
        pt.Thru = InterpolateSlot(t, b, f, kSlotThru);
    if (!pt.OpeBCaptured)
        pt.OpeB = InterpolateSlot(t, b, f, portSwap ? kSlotOpeBS : kSlotOpeB);
    if (!pt.LoadBCaptured)
        pt.LoadB = InterpolateSlot(t, b, f, portSwap ? kSlotLoadBS : kSlotLoadB);
    if (!pt.ShoBCaptured)
        pt.ShoB = InterpolateSlot(t, b, f, portSwap ? kSlotShoBS : kSlotShoB);
}

void MeasurementIn(MeasureState& s, const CalibTable& cal, CalibEvents& ev,
                   const VnaDataRec& rec) {
    if (!SpeedValid(rec.Speed))
        return;
    if (!ev.TempCorr())
        s.drift = 0;
    const int16_t p = InsertLive(s, rec.Qrg);
    if (p == kNoRecord) {
        qCWarning(lcCalib) << "no free frequency point for" << rec.Qrg << "; reading dropped";
        return;
    }
    QrgPoint& pt = s.QrgPoints[p];
    // Wider than 32 bits, so a reading near the limit plus the drift cannot wrap.
    const double reading = static_cast<double>(int64_t{rec.Data} + s.drift);
    if (rec.Phase != 0) {
        pt.Mess.imag(reading);
        pt.MessImagPresent = true;
    } else {
        pt.Mess.real(reading);
        pt.MessRealPresent = true;
    }
    if (pt.MessRealPresent && pt.MessImagPresent && rec.Qrg != 0)
        AttachCalibration(pt, cal, rec.Speed, s.PortSwapActive);
    if (rec.Phase != 0) {
        CorrectPoint(s, ev, p);
        ev.ScanCalAfterCorrect(rec);
    }
}

void CorrectPoint(MeasureState& s, CalibEvents& ev, int16_t p) {
    if (p < 2 || p >= kQrgPointCount)
        return;
    const QrgPoint& pt = s.QrgPoints[p];
    if (!pt.MessRealPresent || !pt.MessImagPresent)
        return;
    const int t = s.Livestable;
    const int k = s.Smessure;
    if (t < 0 || t >= kSdataTables || k < 0 || k > 3)
        return;
    SdataPoint& sp = s.Sdata[t][p];
    sp.Qrg = pt.Qrg;
    SBlock& block = sp.S[k];
    const bool reflection = (k == 0 || k == 3);
    bool ok;
    if (reflection) {
        const CorrectionResult r = CorrectReflection(pt.Mess, pt.OpeD, pt.OpeB, pt.ShoB, pt.LoadB);
        ok = StoreRi(block, r.value) && r.calibrated;
    } else {
        const CorrectionResult r = CorrectTransmission(pt.Mess, pt.OpeD, pt.Thru);
        ok = StoreMa(block, r.value) && r.calibrated;
    }
    s.SdataHead[t].State(k) = ok ? int16_t{kSLive} : int16_t{kSLiveUncalibrated};
    if (!reflection)
        ev.showri(block.RI.real(), block.RI.imag());
    ev.makelive(p);
    ev.Makesmithlive(p);
}
