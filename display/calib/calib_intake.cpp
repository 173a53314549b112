#include "display/calib/calib_intake.h"

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
