#pragma once
// The marker table of a graph window: one row per marker and measured
// parameter with its readings and the differences to the reference marker,
// and the buttons Reference and Delete (the Delete key works as well).

#include "display/graph/marker_model.h"

#include <QWidget>

class QTableWidget;

class MarkerPanel : public QWidget {
    Q_OBJECT
public:
    MarkerPanel(const MeasureState& s, const MarkerTable& markers, QWidget* parent = nullptr);

    /// Rewrites the rows from the markers and the live table.
    void Update();
    /// The marker of the selected row, -1 when none.
    int Selected() const;

signals:
    void ReferenceClicked(int marker);
    void DeleteClicked(int marker);

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    const MeasureState& s_;
    const MarkerTable& markers_;
    QTableWidget* table_;
};
