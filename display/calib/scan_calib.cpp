#include "display/calib/scan_calib.h"

#include "display/calib/calib_procedure.h"
#include "display/measure/point_list.h"

void ScanCalibration::Prompt(int16_t plug, const char* caption) {
    s_.CalibrationPlug = plug;
    s_.ScanCalState = 2;
    if (mount_)
        mount_(FixtureOfPlug(plug));
    if (view_)
        view_->ShowScanCalRdy(true, caption);
}

void ScanCalibration::ScanCalib_Click() {
    ClearDone(s_);
    if (view_)
        view_->ShowScanCalib(false);
    Prompt(0, "Mount Thru");
}

void ScanCalibration::ScanCalRdy_Click() {
    switch (s_.ScanCalState) {
    case 2:
        if (view_)
            view_->ShowScanCalRdy(false, {});
        s_.ScanCalState = 3;
        s_.ScanCalibrationON = true;
        break;
    case 4:
        s_.ScanCalState = 1;
        break;
    case 1:
        switch (s_.CalibrationPlug) {
        case 0: Prompt(1, "Open Detector"); break;
        case 1: Prompt(2, "Open Bridge"); break;
        case 2: Prompt(3, "Short Bridge"); break;
        case 3: Prompt(4, "Lad Bridge"); break;
        default:
            s_.ScanCalState = 0;
            s_.scancalOK = true;
            s_.ScanCalibrationON = false;
            if (mount_)
                mount_("DUT");
            if (view_)
                view_->ShowScanCalib(true);
            break;
        }
        break;
    default:  // 0 idle, 3 capturing: nothing
        break;
    }
}

void ScanCalibration::AfterCorrect(const VnaDataRec& rec) {
    if (s_.ScanCalState == 1)
        ScanCalEvent();
    if (s_.ScanCalState != 3 || s_.CalibrationPlug < 0 || s_.CalibrationPlug > 4)
        return;
    const int16_t q = FindQrg(s_, rec.Qrg);
    if (q < 2 || q >= kQrgPointCount)
        return;
    QrgPoint& p = s_.QrgPoints[q];
    Cplx* value[5] = {&p.Thru, &p.OpeD, &p.OpeB, &p.ShoB, &p.LoadB};
    bool* captured[5] = {&p.ThruCaptured, &p.OpeDCaptured, &p.OpeBCaptured, &p.ShoBCaptured,
                         &p.LoadBCaptured};
    const int k = s_.CalibrationPlug;
    *value[k] = p.Mess;
    if (*captured[k]) {
        // The sweep has come round to a point it captured already.
        s_.ScanCalState = 4;
        ScanCalEvent();
    } else {
        *captured[k] = true;
    }
}
