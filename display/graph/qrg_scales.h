#pragma once
// The frequency graph's five scales and the texts written from them: the
// value labels at the eleven division lines, the five frequency labels, the
// mouse readout and the status line. Pure functions over Skala; no widgets.

#include "display/graph/graph_settings.h"
#include "display/graph/skala.h"

#include <QString>

#include <array>

/// Indexes of the scale set: 0 transmission dB, 1 reflection dB, 2 VSWR,
/// 3 phase (degrees), 4 frequency (0.1 Hz).
enum ScaleIndex : int { kScaleTrans = 0, kScaleRefl, kScaleVswr, kScalePhase, kScaleQrg, kScaleCount };

/// Five scales owned together; one set per graph window (and the batch picture).
struct ScaleSet {
    std::array<Skala, kScaleCount> s;
    Skala& operator[](int i) { return s[static_cast<size_t>(i)]; }
    const Skala& operator[](int i) const { return s[static_cast<size_t>(i)]; }
};

/// One scale's first configuration.
struct ScaleRow {
    bool reverse;
    int32_t low, high;
    int16_t fine;
    int32_t min, max;
};
/// Configures each scale from its row: Reverse, Low, High, Fine, the
/// frequency scale's Nail (5), min, max, in that order.
void ConfigureScales(ScaleSet& set, const std::array<ScaleRow, kScaleCount>& rows);

/// The seven scale tools of the graph windows on one scale: 0 Up, 1 FineUp,
/// 2 DecDiv, 3 Center, 4 IncDiv, 5 FineDn, 6 Dn. False for other indexes.
bool ScaleTool(Skala& scale, int index);

/// Configures the set as the frequency graph starts: Reverse, Low, High, Fine,
/// the frequency scale's Nail, min, max, in that order; then TickChange.
void SetupQrgScales(ScaleSet& set, const GraphSettings& settings);
/// Ticks of scales 0 and 1 from DbDiv, 2 from VswrStep, 3 from PhaseStep, 4 from FreqDiv.
void TickChange(ScaleSet& set, const GraphSettings& settings);

/// The whole-number texts of valu(0..10) of a value scale.
std::array<QString, 11> ValueLabels(const Skala& scale);
/// The five frequency labels at division lines 1, 3, 5, 7, 9: the centre
/// frequency in the middle (index 2), offsets of -4, -2, +2, +4 divisions
/// from it around it.
std::array<QString, 5> FreqLabels(const Skala& qrg);

/// The frequency shown for the pointer at pixel x: the value on the frequency
/// scale, stepped down to a twentieth of a division. Where a twentieth of a
/// division is below 1 unit the exact (rounded) frequency is shown.
int64_t ReadoutQrg(const Skala& qrg, int32_t x);
/// "Qrg = " and the frequency text of ReadoutQrg.
QString ReadoutText(const Skala& qrg, int32_t x);

/// "Speed=.. Wait=.. Div=.." and " Calibrated" when calibrated.
QString StatusText(int speed, int time, const Skala& qrg, bool calibrated);
