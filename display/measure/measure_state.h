#pragma once
// The display program's working state: the frequency point table with its
// live and dead lists, the S-data tables and their headers, the record log
// of the latest data records, and the control variables of the measurement
// and calibration logic. One object, owned by main() and handed to the
// windows by reference; the member names are the names the diagnostic dump
// prints. Every table is allocated once, when the object is made.

#include "display/measure/fixed_table.h"
#include "display/measure/store.h"

#include <array>
#include <cstdint>
#include <string>

constexpr int kVnaDataCount = 201;   ///< record log VnaData, indices 0..200
constexpr int kControlBytes = 5;     ///< ControlBytes B0..B4

/// One data record as the instrument server reports it (one measured row).
struct VnaDataRec {
    int16_t table = 0;   ///< 0 measurement sweep, 1 calibration scan
    int16_t idx = 0;     ///< row: entry number * 2, +1 for the quadrature row
    int32_t Qrg = 0;     ///< entry frequency, 0.1 Hz
    int16_t Phase = 0;   ///< 0 in-phase reading, otherwise quadrature
    int32_t Data = 0;    ///< converter reading
    int16_t Vnatag = 0;  ///< tag of the entry
    int16_t Speed = 0;   ///< converter speed 0..3 as reported
    int16_t bits = 0;    ///< converter bit count (carried, not used)
    int16_t Time = 0;    ///< time setting used
    std::array<int16_t, 5> B{};  ///< the entry's user bytes B0..B4
};

/// The display program's module-level state (see the file comment).
struct MeasureState {
    // ---- Frequency points and their lists ----
    FixedTable<QrgPoint, kQrgPointCount> QrgPoints;  ///< records 0 and 1 are the list ends
    int16_t DeadHead = 2;   ///< first free record; -1 when every record is in use
    int16_t LiveCount = 2;  ///< records in the live list, both end records included
    /// Where the frequency search starts (the last point found); a live
    /// record, kept valid by the list operations. Not part of the dump.
    int16_t FindStart = 1;

    // ---- S-data tables ----
    std::array<SdataHeadRec, kSdataTables> SdataHead;
    FixedTable<SdataTable, kSdataTables> Sdata;  ///< Sdata[table][point]

    // ---- Record log of the latest data records (a ring) ----
    std::array<VnaDataRec, kVnaDataCount> VnaData{};
    int16_t VnaDataNext = 0;  ///< next write position, wraps to 0 after 200

    // ---- Control variables (dump order) ----
    int16_t Messtype = 0;
    std::string VNAPort = "&H278";    ///< first field of the server command line
    std::string VNAClock = "148.344"; ///< second field of the server command line
    bool VNARunning = false;
    bool DDEServer = false;           ///< the window-message link is the chosen protocol
    int16_t Laststate = 0;            ///< last state report of the server
    bool CalibrationOn = false;       ///< a calibration step scan is running
    bool ScanCalibrationON = false;   ///< scan calibration capture is enabled
    int16_t CalibrationNxtIn = 0;     ///< current calibration point
    int16_t CalibrationPlug = 0;      ///< calibration slot being measured
    bool CalibrationNewScanFlag = false;
    int16_t LastSpeed = 0;
    int16_t CalibrationNewSpeed = 0;
    int16_t Calibrationpoints = 0;    ///< frequency entries of the calibration scan
    int16_t CalprogressMark = 0;
    bool CalMastData = false;         ///< the master calibration data are loaded
    int32_t OffsetValue = 0;          ///< reading of row 1 of the latest sweep
    int32_t CalOffsetValue = 0;       ///< the calibration's reference for the current speed
    bool Onescan = false;
    bool OneMoreScan = false;
    bool scancalOK = false;
    int16_t ScanCalState = 0;         ///< scan calibration: 0 idle .. 4 sweep complete
    int16_t Smessure = 1;             ///< measured S-parameter: 0 S11, 1 S21, 2 S12, 3 S22
    bool SAutmatic = false;
    int16_t SpeedSelected = 0;        ///< converter speed 0..3 sent with every scan
    int16_t FilterTime = 20;          ///< settling time value sent with every scan
    bool ScaleInitDone = false;       ///< the scales are set up and may be used
    int16_t VnaScanSize = 100;        ///< frequency steps of a sweep
    int16_t VnaReportSpeed = 0;       ///< speed of the latest data record
    int16_t VnaReportTime = 0;        ///< time setting of the latest data record
    int16_t Livestable = kLivestable; ///< S-data table of the live measurement
    int16_t LineTykkelse = 1;         ///< graph line thickness in pixels
    std::string Helppage;             ///< address of the help page
    int16_t DotsPerQrg = 0;

    // ---- Further shared variables of the data path and calibration ----
    /// OffsetDelta: CalOffsetValue - OffsetValue, added to every reading;
    /// 0 while the drift correction is switched off.
    int32_t drift = 0;
    bool PortSwapActive = false;      ///< the port switch is swapped (B0 bit 3)
    /// The user bytes B0..B4 every scan entry carries: [0] is the switch
    /// word B0; B1..B4 start at 1, what every sweep has always carried, until
    /// the configuration's external-control frames set them.
    std::array<int16_t, kControlBytes> ControlBytes{0, 1, 1, 1, 1};
    std::string SwitchOption;         ///< " Switch " with the S-parameter switch option, else ""
    int16_t CurrentStep = 0;          ///< running step of the calibration plan
    int16_t CalWaitTime = 0;          ///< from the calibration control file

    /// Makes the tables and sets the lists as after InitLiv.
    MeasureState();
    MeasureState(const MeasureState&) = delete;
    MeasureState& operator=(const MeasureState&) = delete;

    /// Writes a record into the log at VnaDataNext and advances it (wrapping).
    void LogRecord(const VnaDataRec& rec);
};
