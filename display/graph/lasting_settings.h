#pragma once
// The display choices that last from one run to the next: the display
// settings, the traces' colours and visibility, the frequency graph's
// scales and frequency lock, and the markers. Kept with QSettings in the
// user's configuration directory (never in tavrel.Cfg). Everything read back
// is checked: a value out of its range is skipped, a damaged or foreign
// file is ignored as a whole; the caller shows the warnings.

#include "display/graph/graph_settings.h"
#include "display/graph/marker_model.h"
#include "display/graph/qrg_scales.h"
#include "display/measure/measure_state.h"

#include <QSettings>
#include <QStringList>

/// What is kept, by reference; the owners outlive it.
struct DisplayChoices {
    GraphSettings& settings;
    MeasureState& state;      ///< VnaScanSize, LineTykkelse
    ScaleSet& scales;         ///< the frequency graph's scales
    bool& frequencyLocked;    ///< QrgLock red ("F Lock")
    MarkerTable& markers;
};

/// The settings file: tavrel13.ini in the user's configuration directory.
QString LastingSettingsFile();

/// Writes every choice, with a format mark that tells the file as ours.
void SaveDisplayChoices(QSettings& q, const DisplayChoices& c);

/// True when the file could be parsed and carries our format mark.
bool IsDisplayChoicesFile(const QSettings& q);

/// Reads the choices back. A file that cannot be parsed, or that lacks our
/// format mark, changes nothing and gives one warning; a key whose value is
/// out of range is skipped with a warning. A file without keys (the first
/// run) changes nothing and gives none.
QStringList LoadDisplayChoices(QSettings& q, DisplayChoices& c);

/// The program's defaults of these choices: display settings, traces,
/// 100 points, thickness 1, the graph's first scales, the lock on, no markers.
void DefaultDisplayChoices(DisplayChoices& c);
