#pragma once
// The colour swatches both graph windows show beside their trace boxes, and
// the colour dialog behind them.

#include "display/graph/graph_settings.h"

#include <QRgb>
#include <QString>

class QWidget;

/// The style of a swatch button showing colour `c`.
QString Swatch(QRgb c);

/// Lets the user choose the colour of `trace` in table row `row`; true when
/// a colour was chosen (and stored in `settings`), false when cancelled.
bool PickTraceColour(QWidget* parent, GraphSettings& settings, int row, int trace,
                     const QString& traceName);
