#include "display/graph/widgets/trace_colour.h"

#include <QCheckBox>
#include <QColor>
#include <QColorDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

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

void AddTraceBoxes(QWidget* parent, QHBoxLayout* lay, GraphSettings& settings, int row,
                   int traces, QObject* context, std::function<void()> changed,
                   std::function<void(int row, int trace)> chooseColour) {
    static const char* const kText[] = {"S11", "S21", "S12", "S22", "Phase"};
    for (int t = 0; t < traces && t < kTraceCount; ++t) {
        const bool phase = t == kTracePhase;
        auto* box = new QCheckBox(kText[t], parent);
        box->setObjectName(QString("%1_%2").arg(phase ? QString("AngVis") : QString("VisS") + &kText[t][1]).arg(row));
        box->setChecked(settings.rows[row].visible[t]);
        QObject::connect(box, &QCheckBox::toggled, context, [&settings, changed, row, t](bool on) {
            settings.rows[row].visible[t] = on;
            changed();
        });
        auto* sw = new QPushButton(parent);
        sw->setObjectName(QString("%1_%2").arg(phase ? QString("AngCol") : QString("ColS") + &kText[t][1]).arg(row));
        sw->setFixedSize(18, 14);
        QObject::connect(sw, &QPushButton::clicked, context, [chooseColour, row, t] { chooseColour(row, t); });
        lay->addWidget(box);
        lay->addWidget(sw);
        lay->addSpacing(8);
    }
}

QWidget* BuildDataSelection(QWidget* parent, int sideMargin,
                            const std::function<void(QWidget* line, QHBoxLayout* lay, int row)>& traceRow) {
    auto* panel = new QWidget(parent);
    panel->setObjectName("FrmDataSel");
    auto* ds = new QVBoxLayout(panel);
    ds->setContentsMargins(sideMargin, 0, sideMargin, 0);
    ds->setSpacing(0);
    for (int row = 9; row <= 12; ++row) {
        auto* line = new QWidget(panel);
        auto* lay = new QHBoxLayout(line);
        lay->setContentsMargins(0, 0, 0, 0);
        auto* src = new QLabel(line);
        src->setObjectName(QString("VisKilde_%1").arg(row));
        src->setMinimumWidth(160);
        lay->addWidget(src);
        traceRow(line, lay, row);
        lay->addStretch(1);
        ds->addWidget(line);
    }
    panel->hide();
    return panel;
}
