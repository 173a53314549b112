#include "display/app/measurement_session.h"

#include "display/app/window_views.h"
#include "display/calib/data_intake.h"
#include "display/graph/skala.h"
#include "display/measure/formatting.h"
#include "display/measure/point_list.h"
#include "link/vna.h"

MeasurementSession::MeasurementSession(MeasureState& s, CalibTable& cal, vna& client,
                                       Skala& freq, WindowViews& views,
                                       MeasurementEvents& events, QObject* parent)
    : QObject(parent), s_(s), cal_(cal), client_(client), freq_(freq), views_(views),
      events_(events), sweep_(s, freq, client) {
    sweep_.setViews(&views_);
    connect(&client_, &vna::DataReady, this, &MeasurementSession::vna_DataReady);
    connect(&client_, &vna::EndScan, this, &MeasurementSession::vna_EndScan);
}

void MeasurementSession::SendFirstScan() {
    ScanPending();
    SendScan();
}

void MeasurementSession::ScanPending() {
    firstScanPending_ = true;
    firstScan_.B[0] = s_.ControlBytes[0];
    firstScan_.Speed = s_.SpeedSelected;
}

void MeasurementSession::LinkConnected() {
    linkReady_ = true;
    if (!firstScanPending_ && everSent_)
        ScanPending();
}

void MeasurementSession::SendScan() {
    everSent_ = true;
    client_.SetUpScan(0, s_.VnaScanSize, freq_.min(), freq_.max(), s_.SpeedSelected,
                      s_.FilterTime, 24, s_.ControlBytes[0], s_.ControlBytes[1],
                      s_.ControlBytes[2], s_.ControlBytes[3], s_.ControlBytes[4]);
    client_.NewScan(0);
}

// ---- incoming reports ----

void MeasurementSession::vna_DataReady(qint16 ta, qint16 Idx, qint32 rf, qint16 LOPH,
                                       qint32 dat, qint16 tag, qint16 ADCS, qint16 ADCBits,
                                       qint16 VNATime, qint16 B0, qint16 B1, qint16 B2,
                                       qint16 B3, qint16 B4) {
    VnaDataRec rec;
    rec.table = ta;
    rec.idx = Idx;
    rec.Qrg = rf;
    rec.Phase = LOPH;
    rec.Data = dat;
    rec.Vnatag = tag;
    rec.Speed = ADCS;
    rec.bits = ADCBits;
    rec.Time = VNATime;
    rec.B = {B0, B1, B2, B3, B4};
    // The gate of one-scan mode: nothing sets it, so every record is taken.
    if (Idx == 0 && LOPH == 0) {
        if (!s_.Onescan) {
            TakeData_ = true;
        } else {
            TakeData_ = s_.OneMoreScan;
            s_.OneMoreScan = false;
        }
    } else if (!s_.Onescan) {
        TakeData_ = true;
    }
    bool take = TakeData_;
    if (firstScanPending_ && linkReady_) {
        // The server scans: its own start-up table is in place, and the
        // first scan, sent before the server could hear it, goes out again.
        // Over the local link the user's first rows can arrive while it is
        // delivered; this record is still one of the start-up table.
        firstScanPending_ = false;
        awaitUsersSweep_ = true;
        take = false;
        SendScan();
        if (configDoneRed_)
            client_.Stopscan();  // still waiting for the user's Config Done
    } else if (awaitUsersSweep_ && rec.table == 0) {
        // Calibration scans (table 1) are never held back.
        if (UsersSweepBegins(rec))
            awaitUsersSweep_ = false;
        else
            take = false;  // a row of the server's start-up table
    }
    emit events_.RecordArriving(rec);
    if (take)
        DataRecordIn(s_, cal_, *this, rec);
    views_.ShowTable(ta);
    if (Idx == 0)
        views_.ShowLowQrg(rf);
    emit events_.RecordIn(rec);
}

bool MeasurementSession::UsersSweepBegins(const VnaDataRec& rec) const {
    if (rec.table != 0 || rec.idx != 0 || rec.Phase != 0)
        return false;
    // (The reference entry of row 0 settles longer than the sweep's time.)
    auto same = [&rec](int16_t B0, int16_t speed) {
        return rec.B[0] == B0 && rec.Speed == speed;
    };
    return same(firstScan_.B[0], firstScan_.Speed) ||
           same(s_.ControlBytes[0], s_.SpeedSelected);
}

void MeasurementSession::vna_EndScan() {
    if (s_.CalibrationOn && TakeData_) {
        views_.CalibrationEndScan();
    } else if (sweep_.NewRange()) {
        RemoveMarked(s_);
        views_.Refscreen();
        sweep_.clearNewRange();
    }
    emit events_.ScanEnded();
}

// ---- measured S-parameter ----

QString MeasurementSession::MessureCaption(int smessure) {
    static const char* names[4] = {"S11", "S21", "S12", "S22"};
    return QString("Configuration ") + names[((smessure % 4) + 4) % 4];
}

void MeasurementSession::SetMeasured(int16_t smessure) {
    s_.Smessure = static_cast<int16_t>(((smessure % 4) + 4) % 4);
    // S11: bridge; S21: neither; S12: port swap; S22: both.
    const bool bridge = s_.Smessure == 0 || s_.Smessure == 3;
    const bool swap = s_.Smessure == 2 || s_.Smessure == 3;
    SetSwitch(s_.ControlBytes[0], "SWIBRI", bridge);
    SetSwitch(s_.ControlBytes[0], "SWIPOR", swap);
    s_.PortSwapActive = swap;
}

void MeasurementSession::VnaMessure_Click() {
    const int16_t next = static_cast<int16_t>((s_.Smessure + 1) % 4);
    s_.Smessure = next;
    views_.VnaMessureCaption(MessureCaption(next));
    views_.Messurechange(next);
    if (sparmSw_) {
        // The test-set switch follows at once; scanning goes on.
        SetMeasured(next);
        sweep_.EditEveryRow("B0", s_.ControlBytes[0]);
        return;
    }
    // Without the switch the user reconnects by hand: stop until ConfigDone.
    s_.PortSwapActive = false;
    client_.Stopscan();
    configDoneRed_ = true;
    views_.ConfigDoneRed(true);
}

void MeasurementSession::ConfigDone_Click() {
    if (!configDoneRed_)
        return;
    client_.NewScan(0);
    configDoneRed_ = false;
    views_.ConfigDoneRed(false);
}

// ---- CalibEvents ----

bool MeasurementSession::TempCorr() const { return views_.TempCorr(); }
void MeasurementSession::ShowTempOffset(int32_t drift) { views_.ShowTempOffset(drift); }
void MeasurementSession::makelive(int16_t p) { views_.makelive(p); }
void MeasurementSession::Makesmithlive(int16_t p) { views_.Makesmithlive(p); }
void MeasurementSession::showri(double re, double im) { views_.showri(re, im); }
void MeasurementSession::CalibrationNextIn(const VnaDataRec& rec) {
    views_.CalibrationNextIn(rec);
}
void MeasurementSession::ScanCalAfterCorrect(const VnaDataRec& rec) {
    views_.ScanCalAfterCorrect(rec);
}
