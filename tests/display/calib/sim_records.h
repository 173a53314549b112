#pragma once
// Records of VNA01 on the simulated analyser handed to the display's data
// path, for the end-to-end tests: the record as the link would carry it,
// and calibration events that nobody watches.

#include "display/calib/data_intake.h"
#include "server/engine/vna_events.h"

/// The engine's record as the display program receives it.
inline VnaDataRec ToRec(const engine::DataRecord& d) {
    VnaDataRec r;
    r.table = d.ta;
    r.idx = d.Idx;
    r.Qrg = d.rf;
    r.Phase = d.LOPH;
    r.Data = d.dat;
    r.Vnatag = d.tag;
    r.Speed = d.ADCS;
    r.bits = d.ADCBits;
    r.Time = d.VNATime;
    r.B = {d.B0, d.B1, d.B2, d.B3, d.B4};
    return r;
}

/// Calibration events with temperature correction on and no windows.
struct QuietEvents : CalibEvents {
    bool TempCorr() const override { return true; }
    void ShowTempOffset(int32_t) override {}
    void makelive(int16_t) override {}
    void Makesmithlive(int16_t) override {}
    void showri(double, double) override {}
    void CalibrationNextIn(const VnaDataRec&) override {}
    void ScanCalAfterCorrect(const VnaDataRec&) override {}
};
