#pragma once
// Record types and sizes of the display program's measurement store: the
// frequency point table, the S-data tables and their headers. The tables
// themselves are fixed-size members of the display program's state object,
// allocated once; nothing here allocates per measurement.

#include "display/measure/cplx.h"

#include <array>
#include <cstdint>
#include <string>

constexpr int kQrgPointCount = 501;  ///< QrgPoints indices 0..500
constexpr int kSdataTables = 13;     ///< Sdata / SdataHead indices 0..12
constexpr int kSdataPoints = 501;    ///< points per S-data table, 0..500
constexpr int kLivestable = 0;       ///< the live measurement table

/// One frequency point: list links, frequency, raw reading and the
/// calibration values interpolated (or captured) at this frequency.
struct QrgPoint {
    int16_t next = 0;
    int16_t prev = 0;
    int32_t Qrg = 0;
    int16_t mark = 0;
    Cplx Mess;               ///< in-phase (real) and quadrature (imaginary) reading
    bool MessRealPresent = false;
    bool MessImagPresent = false;
    bool ThruCaptured = false;
    bool OpeDCaptured = false;
    bool OpeBCaptured = false;
    bool ShoBCaptured = false;
    bool LoadBCaptured = false;
    Cplx OpeD;   ///< open at the detector (calibration slot 1)
    Cplx Thru;   ///< thru (slot 0)
    Cplx ShoB;   ///< short at the bridge (slot 3, or 6 while the ports are swapped)
    Cplx OpeB;   ///< open at the bridge (slot 2, or 5 while swapped)
    Cplx LoadB;  ///< load at the bridge (slot 4, or 7 while swapped)

    /// Both halves of the raw reading of the current sweep have arrived; only
    /// then is the point corrected and drawn.
    bool Complete() const { return MessRealPresent && MessImagPresent; }
};

/// State of one S-parameter in an S-data table. kSLiveUncalibrated: live,
/// but its points could not be corrected (no calibration for the speed, or
/// standards that define no correction); they hold 0 and can be drawn.
enum SState : int16_t { kSAbsent = -1, kSLiveUncalibrated = 1, kSLive = 2, kSFromFile = 3 };

/// Header of one S-data table.
struct SdataHeadRec {
    bool LiveDead = false;
    int16_t Length = 0;
    int16_t S11 = kSAbsent;
    int16_t S21 = kSAbsent;
    int16_t S12 = kSAbsent;
    int16_t S22 = kSAbsent;
    double StartQRG = 0;
    double EndQRG = 0;
    std::string Info;
    int16_t Impedanse = 50;
    std::string Sform;
    std::string Unit;
    std::string Type;
    std::string Fileext;
    std::string Filename;

    /// The state field of S-parameter `s` (0 S11, 1 S21, 2 S12, 3 S22).
    int16_t& State(int s) { return s == 0 ? S11 : s == 1 ? S21 : s == 2 ? S12 : S22; }
    int16_t State(int s) const { return s == 0 ? S11 : s == 1 ? S21 : s == 2 ? S12 : S22; }
};

/// One S-parameter of a point in its four notations.
struct SBlock {
    Cplx MA;    ///< linear magnitude, angle (radians)
    Cplx DB;    ///< 20 log10 magnitude, angle
    Cplx RI;    ///< real, imaginary
    Cplx VSWR;  ///< (1 + m)/(1 - m), angle
};

/// One point of an S-data table; block index = Smessure (0 S11, 1 S21,
/// 2 S12, 3 S22).
struct SdataPoint {
    int32_t Qrg = 0;
    std::array<SBlock, 4> S;
};

using SdataTable = std::array<SdataPoint, kSdataPoints>;
using QrgPointTable = std::array<QrgPoint, kQrgPointCount>;
