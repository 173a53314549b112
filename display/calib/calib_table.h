#pragma once
// The calibration table: the stored readings of the calibration standards,
// one speed table per converter speed, 121 calibration points each with
// eight complex slots. One instance lives for the whole program run; it is
// filled by the calibration procedure and by the calibration data files.

#include "display/measure/cplx.h"

#include <array>
#include <cstdint>
#include <string>

constexpr int kCalSpeeds = 4;          ///< speed tables 0..3 (converter speed codes)
constexpr int kCalPoints = 121;        ///< calibration points 0..120 per speed table
constexpr int kCalSlots = 8;           ///< complex slots per point
constexpr int kCalSlotsNoSwitch = 5;   ///< slots used without the port switch

/// Slot numbers (the standard measured, CalibrationPlug).
enum CalSlot : int {
    kSlotThru = 0,    ///< thru cable, detector reading
    kSlotOpeD = 1,    ///< detector input open (detector zero)
    kSlotOpeB = 2,    ///< open at the bridge port
    kSlotShoB = 3,    ///< short at the bridge port
    kSlotLoadB = 4,   ///< load at the bridge port
    kSlotOpeBS = 5,   ///< open, port switch swapped
    kSlotShoBS = 6,   ///< short, port switch swapped
    kSlotLoadBS = 7,  ///< load, port switch swapped
};

/// One calibration frequency with its standards' readings.
struct CalPoint {
    int32_t QRG = 0;                    ///< frequency, 0.1 Hz
    std::array<Cplx, kCalSlots> slot{};  ///< readings, indexed by CalSlot
};

/// The calibration of one converter speed.
struct SpeedTable {
    int16_t CalTime = 0;          ///< time field of the first point record of the last step
    int16_t CalAux = 0;           ///< the record field after the speed, same record
    bool Calibrated = false;      ///< this speed holds calibration data
    int32_t CalOffsetValue = 0;   ///< reference reading of an open-detector or load step
    std::array<CalPoint, kCalPoints> points{};
};

/// The whole calibration (module CalibTable).
struct CalibTable {
    std::string title;        ///< shown in the calibration window
    int16_t Maxinuse = 0;     ///< highest point index holding data, 0..120
    std::array<SpeedTable, kCalSpeeds> speed{};
};

/// The two calibration points whose values are interpolated to frequency f:
/// lo and hi index the speed table's points. lo == hi when the table holds a
/// single point (Maxinuse 0).
struct CalBracket {
    int lo = 0;
    int hi = 0;
};

/// Bracket search over points 0..Maxinuse: the first point above f is the
/// upper end, the point before it the lower end. Below point 0 the bracket is
/// 0..1 and above the last point it is the last two points, so the two end
/// points extrapolate. Maxinuse is clamped to 0..120.
CalBracket FindCalBracket(const SpeedTable& table, int Maxinuse, int32_t f);

/// Slot `slot` (0..7) linearly interpolated to f between the bracket's
/// points, real and imaginary part separately.
Cplx InterpolateSlot(const SpeedTable& table, CalBracket b, int32_t f, int slot);
