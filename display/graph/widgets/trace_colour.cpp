#include "display/graph/widgets/trace_colour.h"

#include <QColor>
#include <QColorDialog>

QString Swatch(QRgb c) {
    return QString("background-color: %1; border: 1px solid black;").arg(QColor(c).name());
}

bool PickTraceColour(QWidget* parent, GraphSettings& settings, int row, int trace,
                     const QString& traceName) {
    QRgb& colour = settings.rows[row].colour[trace];
    const QColor c = QColorDialog::getColor(QColor(colour), parent, QString("Colour of %1").arg(traceName));
    if (!c.isValid())
        return false;
    colour = c.rgb();
    return true;
}
