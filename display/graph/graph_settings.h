#pragma once
// The display choices the graphs share: the step sequences of the scales,
// the reflection unit, the dot switch, and for every S-data table row the
// traces shown and their colours. The display settings window edits them;
// the frequency graph and the Smith chart read them.

#include <QRgb>
#include <QString>

#include <array>
#include <cstdint>

/// The traces of one table row: S11, S21, S12, S22 and the phase trace.
enum Trace : int { kTraceS11 = 0, kTraceS21, kTraceS12, kTraceS22, kTracePhase, kTraceCount };

/// Visibility and colour of the traces of one table row (VisS.. / ColS..).
struct TraceRow {
    std::array<bool, kTraceCount> visible{true, true, true, true, true};
    std::array<QRgb, kTraceCount> colour{};
};

struct GraphSettings {
    QString DbDiv = "1,2,3,4,5,6,7,8,9";
    QString VswrStep = "1,2,3,4,5,6,7,8,9";
    QString PhaseStep = "1,3,6,9";
    QString FreqDiv = "1,2,5";
    /// RTLUnit(0): reflection in dB; RTLUnit(1): reflection as VSWR.
    std::array<bool, 2> RTLUnit{true, false};
    /// Dots at the end of every live segment.
    bool dots = true;
    /// Rows 0 (the live table) and 9..12 (stored tables) are used.
    std::array<TraceRow, 13> rows;
    /// GrafProb: whether the slot's table is drawn at all, one per S-data table.
    std::array<bool, 13> GrafProb{true, true, true, true, true, true, true,
                                  true, true, true, true, true, true};

    GraphSettings();
    /// True when reflection is shown as VSWR (RTLUnit(1) ticked, RTLUnit(0) not).
    bool Vswr() const { return RTLUnit[1] && !RTLUnit[0]; }
};

/// Default colours of the live traces and the stored rows.
QRgb DefaultTraceColour(int row, int trace);
