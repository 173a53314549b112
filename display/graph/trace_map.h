#pragma once
// Which scale a trace is drawn on and the value it is drawn with. Reflection
// (S11, S22) goes on the reflection scale in dB, or on the VSWR scale as VSWR
// when that is the reflection unit, so that labels and trace agree;
// transmission (S21, S12) on the transmission scale in dB; the phase trace on
// the phase scale in whole degrees folded into -180 .. +180.

#include "display/graph/graph_settings.h"
#include "display/measure/store.h"

inline bool IsReflection(int k) { return k == 0 || k == 3; }

/// Scale index of parameter k's magnitude trace (0 S11 .. 3 S22).
int MagnitudeScale(int k, bool vswr);

/// The plotted phase of an angle in radians: whole degrees in -180 .. +180.
int PlotPhaseDeg(double radians);

/// The plotted magnitude of a (dB, angle) pair: the dB value, or for a
/// reflection under the VSWR unit the VSWR (1 + m) / (1 - m), capped at 1000
/// for |m| >= 1 (drawn at the top of the VSWR scale).
double PlotMagnitude(double db, int k, bool vswr);
