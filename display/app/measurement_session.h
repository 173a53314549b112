#pragma once
// The measurement as the display program runs it: the commands to the
// server's scan tables, the data records from their arrival to the live
// S-data table, the end of each scan, the sweep controls, and the choice of
// the measured S-parameter with the switch word it needs. What the windows
// show goes through WindowViews; the state it works on is the program's one
// MeasureState and calibration table.

#include "display/app/sweep_control.h"
#include "display/calib/calib_events.h"
#include "display/calib/calib_table.h"
#include "display/measure/measure_state.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>

class Skala;
class WindowViews;
class vna;

/// What the measurement announces to whoever listens (the batch mode,
/// tests); the session is one, so that the records reach its listeners
/// without a second signal in between.
class MeasurementEvents : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    /// A data record arrived, before it is filed.
    void RecordArriving(const VnaDataRec& rec);
    /// A data record arrived (after it was filed).
    void RecordIn(const VnaDataRec& rec);
    /// The server reported the end of a scan (after it was handled).
    void ScanEnded();
};

class MeasurementSession : public QObject, public CalibEvents {
    Q_OBJECT
public:
    /// `client` is the link's client object, `freq` the frequency scale,
    /// `events` where records and ends of scan are announced.
    MeasurementSession(MeasureState& s, CalibTable& cal, vna& client, Skala& freq,
                       WindowViews& views, MeasurementEvents& events,
                       QObject* parent = nullptr);

    SweepControl& sweep() { return sweep_; }
    /// With the S-parameter switch option the switch follows VnaMessure at once.
    void setSwitchOption(bool sparmSw) { sparmSw_ = sparmSw; }

    // ---- the first scan ----
    /// Sends the first scan (table 0, the frequency scale's range). The
    /// server cannot hear it before it has connected, so it goes out again
    /// once the server has connected and reports its first row; from then
    /// on records are not filed until the first row of the user's sweep
    /// arrives, so that rows of the server's own start-up table still on
    /// their way never reach the live list.
    void SendFirstScan();
    /// The link to the server is up. A server that connects after another
    /// went away starts on its own table: the sweep in force goes to it as
    /// the first scan did, once it reports its first row.
    void LinkConnected();
    /// The server closed the link.
    void LinkLost() { linkReady_ = false; }
    /// The server is connected, scans, and has been sent the first scan.
    bool scanning() const { return linkReady_ && !firstScanPending_; }

    // ---- measured S-parameter ----
    void VnaMessure_Click();
    void ConfigDone_Click();
    /// The scan is stopped until ConfigDone is pressed.
    bool configDoneRed() const { return configDoneRed_; }
    /// "Configuration S11" .. "Configuration S22".
    static QString MessureCaption(int smessure);
    /// Sets Smessure and the switch word for it (bridge and port switch).
    void SetMeasured(int16_t smessure);

    // ---- CalibEvents ----
    bool TempCorr() const override;
    void ShowTempOffset(int32_t drift) override;
    void makelive(int16_t p) override;
    void Makesmithlive(int16_t p) override;
    void showri(double re, double im) override;
    void CalibrationNextIn(const VnaDataRec& rec) override;
    void ScanCalAfterCorrect(const VnaDataRec& rec) override;

private:
    void vna_DataReady(qint16 ta, qint16 Idx, qint32 rf, qint16 LOPH, qint32 dat, qint16 tag,
                       qint16 ADCS, qint16 ADCBits, qint16 VNATime, qint16 B0, qint16 B1,
                       qint16 B2, qint16 B3, qint16 B4);
    void vna_EndScan();
    /// SetUpScan and NewScan of table 0 over the frequency scale's range.
    void SendScan();
    /// The scan in force goes out on the server's first row.
    void ScanPending();
    /// Row 0 of a sweep of table 0 with the switch word and speed of the
    /// first scan, or of the ones in force now.
    bool UsersSweepBegins(const VnaDataRec& rec) const;

    MeasureState& s_;
    CalibTable& cal_;
    vna& client_;
    Skala& freq_;
    WindowViews& views_;
    MeasurementEvents& events_;
    SweepControl sweep_;
    bool sparmSw_ = false;
    bool TakeData_ = true;
    bool configDoneRed_ = false;
    bool firstScanPending_ = false;
    bool linkReady_ = false;
    bool everSent_ = false;         // a scan has been sent (a new server gets it again)
    bool awaitUsersSweep_ = false;  // the start-up table's rows may still arrive
    VnaDataRec firstScan_;          // B[0] and Speed of the first scan sent
};
