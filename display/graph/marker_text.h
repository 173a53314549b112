#pragma once
// The texts of the marker table: one row per marker and parameter, with the
// differences to the reference marker. Shared by the graph windows.

#include "display/graph/marker_model.h"

#include <QString>
#include <QStringList>

#include <vector>

/// A number with an SI prefix and unit: "12.3 nH", "4.70 pF", "1.25 MHz".
QString SiText(double value, const QString& unit, int digits = 3);

/// Column titles of the marker table.
QStringList MarkerColumns();

/// One row of the marker table.
struct MarkerRow {
    int marker = 0;   ///< 0..10
    int k = 0;        ///< parameter
    QStringList cells;
};

/// The rows for every used marker and every parameter the live table holds.
std::vector<MarkerRow> MarkerRows(const MeasureState& s, const MarkerTable& markers);
