#include "display/graph/widgets/marker_panel.h"

#include "display/graph/marker_text.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

MarkerPanel::MarkerPanel(const MeasureState& s, const MarkerTable& markers, QWidget* parent)
    : QWidget(parent), s_(s), markers_(markers) {
    setObjectName("MarkerPanel");
    auto* mp = new QHBoxLayout(this);
    mp->setContentsMargins(2, 2, 2, 2);
    table_ = new QTableWidget(0, MarkerColumns().size(), this);
    table_->setObjectName("MarkerTable");
    table_->setHorizontalHeaderLabels(MarkerColumns());
    table_->verticalHeader()->hide();
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->installEventFilter(this);
    mp->addWidget(table_, 1);
    auto* mb = new QVBoxLayout;
    auto* refBtn = new QPushButton("Reference", this);
    refBtn->setObjectName("MarkerRef");
    refBtn->setToolTip("Make the selected marker the reference; again to clear");
    connect(refBtn, &QPushButton::clicked, this, [this] {
        if (const int k = Selected(); k >= 0)
            emit ReferenceClicked(k);
    });
    auto* delBtn = new QPushButton("Delete", this);
    delBtn->setObjectName("MarkerDel");
    connect(delBtn, &QPushButton::clicked, this, [this] {
        if (const int k = Selected(); k >= 0)
            emit DeleteClicked(k);
    });
    mb->addWidget(refBtn);
    mb->addWidget(delBtn);
    mb->addStretch(1);
    mp->addLayout(mb);
}

int MarkerPanel::Selected() const {
    const int row = table_->currentRow();
    return row < 0 || !table_->item(row, 0) ? -1 : table_->item(row, 0)->data(Qt::UserRole).toInt();
}

bool MarkerPanel::eventFilter(QObject* o, QEvent* e) {
    if (o == table_ && e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Delete) {
        if (const int k = Selected(); k >= 0)
            emit DeleteClicked(k);
        return true;
    }
    return QWidget::eventFilter(o, e);
}

void MarkerPanel::Update() {
    const auto rows = MarkerRows(s_, markers_);
    const int current = table_->currentRow();
    table_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        for (int c = 0; c < table_->columnCount(); ++c) {
            QTableWidgetItem* item = table_->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                table_->setItem(r, c, item);
            }
            item->setText(c < rows[r].cells.size() ? rows[r].cells[c] : QString());
            item->setData(Qt::UserRole, rows[r].marker);
        }
    }
    if (current >= 0 && current < table_->rowCount())
        table_->selectRow(current);
}
