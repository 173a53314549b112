#pragma once
// The trace boxes and colour swatches both graph windows show for the live
// row and the stored tables, and the colour dialog behind the swatches.

#include "display/graph/graph_settings.h"

#include <QRgb>
#include <QString>

#include <functional>

class QHBoxLayout;
class QObject;
class QWidget;

/// The style of a swatch button showing colour `c`.
QString Swatch(QRgb c);

/// Lets the user choose the colour of `trace` in table row `row`; true when
/// a colour was chosen (and stored in `settings`), false when cancelled.
bool PickTraceColour(QWidget* parent, GraphSettings& settings, int row, int trace,
                     const QString& traceName);

/// Adds to `lay` a check box and a colour swatch for each of the first
/// `traces` traces of table row `row` (S11, S21, S12, S22, then the phase):
/// boxes "VisS11_<row>" .. "VisS22_<row>", "AngVis_<row>", swatches
/// "ColS11_<row>" .. , "AngCol_<row>". A box shows and stores the trace's
/// visibility in `settings` and then calls `changed`; a swatch calls
/// `chooseColour(row, trace)`. `context` owns the connections.
void AddTraceBoxes(QWidget* parent, QHBoxLayout* lay, GraphSettings& settings, int row,
                   int traces, QObject* context, std::function<void()> changed,
                   std::function<void(int row, int trace)> chooseColour);

/// The stored tables' panel "FrmDataSel", hidden: for each row 9..12 a source
/// label "VisKilde_<row>", then what `traceRow` adds to the row's layout.
QWidget* BuildDataSelection(QWidget* parent, int sideMargin,
                            const std::function<void(QWidget* line, QHBoxLayout* lay, int row)>& traceRow);
