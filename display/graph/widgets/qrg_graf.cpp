#include "display/graph/widgets/qrg_graf.h"
#include "display/graph/widgets/trace_colour.h"

#include "display/graph/widgets/print_window.h"

#include "display/graph/widgets/marker_panel.h"
#include "display/graph/qrg_picture.h"
#include "display/graph/trace_map.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

// The plot area: paints the backing store and hands its mouse events on.
class GrafArea : public QWidget {
public:
    GrafArea(QrgGraf* owner, QWidget* parent) : QWidget(parent), owner_(owner) {
        setObjectName("GrafArea");
        setMouseTracking(true);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QImage& img = owner_->plot().image();
        if (img.isNull())
            p.fillRect(rect(), Qt::white);
        else
            p.drawImage(0, 0, img);
    }
    void mousePressEvent(QMouseEvent* e) override { owner_->GrafArea_MouseDown(e->button(), e->position().toPoint()); }
    void mouseMoveEvent(QMouseEvent* e) override { owner_->GrafArea_MouseMove(e->buttons(), e->position().toPoint()); }
    void mouseReleaseEvent(QMouseEvent* e) override { owner_->GrafArea_MouseUp(e->button(), e->position().toPoint()); }

private:
    QrgGraf* owner_;
};

namespace {

const char* const kParam[] = {"S11", "S21", "S12", "S22"};
const char* const kTraceName[] = {"S11", "S21", "S12", "S22", "Ang"};
constexpr int kTop = 58;        // status line and buttons
constexpr int kLabelW = 46;     // one value label column
constexpr int kBottom = 22;     // frequency labels
constexpr int kTraceRow = 28;   // trace boxes and swatches
constexpr int kMarkerH = 130;   // marker table
constexpr int kDataSelH = 130;  // data selection panel

void Paint(QWidget* w, const QString& colour) {
    w->setStyleSheet(colour.isEmpty() ? QString() : QString("background-color: %1;").arg(colour));
}


} // namespace

QrgGraf::QrgGraf(const MeasureState& s, GraphSettings& settings, MarkerTable& markers, QWidget* parent)
    : QWidget(parent), s_(s), settings_(settings), plot_(s, settings, markers) {
    setObjectName("QRGGRAF");
    setWindowTitle("Frequency Graf");
    Build();
    // Loading: HlabelB(2) green, scale 0 selected, ticks, labels of 0..4.
    SelectNail(hB_[2]);
    selected_ = 0;
    TickChange();
    for (int i = 0; i < kScaleCount; ++i)
        QrgReScale(i);
    // Room for the plot beside the labels, bars and marker table.
    setMinimumSize(520, 400);
    resize(900, 640);
}

QrgGraf::~QrgGraf() = default;

void QrgGraf::Build() {
    // Two rows: what is measured and the status line; the buttons.
    topBar_ = new QWidget(this);
    auto* rows = new QVBoxLayout(topBar_);
    rows->setContentsMargins(2, 2, 2, 2);
    rows->setSpacing(2);
    auto* top = new QHBoxLayout;
    top->setSpacing(3);
    rows->addLayout(top);
    for (int k = 0; k < 4; ++k) {
        verId_[k] = new QLabel(kParam[k], topBar_);
        verId_[k]->setObjectName(QString("VerId_%1").arg(k));
        verId_[k]->setAlignment(Qt::AlignCenter);
        verId_[k]->setMinimumWidth(32);
        Paint(verId_[k], "#ffffff");
        top->addWidget(verId_[k]);
    }
    vnaRpt_ = new QLabel(topBar_);
    vnaRpt_->setObjectName("VnaRpt");
    Paint(vnaRpt_, "#ffffff");
    top->addWidget(vnaRpt_, 1);
    top = new QHBoxLayout;
    top->setSpacing(3);
    rows->addLayout(top);
    const char* const tulText[] = {"Up", "Fine+", "Div-", "Center", "Div+", "Fine-", "Dn"};
    const char* const tulTip[] = {"Move the selected scale one division up",
                                  "Move the selected scale a fine step up", "Smaller division",
                                  "Snap the nail line to a whole division", "Larger division",
                                  "Move the selected scale a fine step down",
                                  "Move the selected scale one division down"};
    for (int i = 0; i < 7; ++i) {
        tul_[i] = new QPushButton(tulText[i], topBar_);
        tul_[i]->setObjectName(QString("TulBut_%1").arg(i));
        tul_[i]->setToolTip(tulTip[i]);
        connect(tul_[i], &QPushButton::clicked, this, [this, i] { TulBut_Click(i); });
        top->addWidget(tul_[i]);
    }
    lock_ = new QPushButton("F Lock", topBar_);
    lock_->setObjectName("QrgLock");
    Paint(lock_, "#ff0000");
    connect(lock_, &QPushButton::clicked, this, &QrgGraf::QrgLock_Click);
    top->addWidget(lock_);
    auto* ref = new QPushButton("Refresh", topBar_);
    ref->setObjectName("GrafRef");
    connect(ref, &QPushButton::clicked, this, &QrgGraf::Refscreen);
    top->addWidget(ref);
    auto* sel = new QPushButton("Select Data", topBar_);
    sel->setObjectName("ShwSelDat");
    connect(sel, &QPushButton::clicked, this, [this] {
        dataSel_->setVisible(!dataSel_->isVisible());
        Resize();
        Refscreen();
    });
    top->addWidget(sel);
    auto* save = SaveImageButton(this, topBar_, "QrgSaveImage",
                                 [this](const QString& path) { return SaveImage(path); });
    top->addWidget(save);
    auto* print = new QPushButton("Print", topBar_);
    print->setObjectName("QrgPrint");
    connect(print, &QPushButton::clicked, this, &QrgGraf::QrgPrint_Click);
    top->addWidget(print);
    // The print caption stands where the buttons were while the picture is taken.
    printInfo_ = new QLabel(topBar_);
    printInfo_->setObjectName("PrintInfo");
    printInfo_->hide();
    top->addWidget(printInfo_);
    top->addStretch(1);

    area_ = new GrafArea(this, this);
    for (int k = 0; k <= 10; ++k) {
        const auto make = [&](const char* name, std::array<QLabel*, 11>& arr, void (QrgGraf::*)(int)) {
            auto* l = new QLabel(this);
            l->setObjectName(QString("%1_%2").arg(name).arg(k));
            l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            l->installEventFilter(this);
            Paint(l, "#ffffff");
            arr[k] = l;
        };
        make("VlabelA", vA_, &QrgGraf::VlabelA_Click);
        make("VlabelB", vB_, &QrgGraf::VlabelB_Click);
        make("VlabelC", vC_, &QrgGraf::VlabelC_Click);
        vC_[k]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    for (int k = 0; k < 5; ++k) {
        hB_[k] = new QLabel(this);
        hB_[k]->setObjectName(QString("HlabelB_%1").arg(k));
        hB_[k]->setAlignment(Qt::AlignCenter);
        hB_[k]->installEventFilter(this);
        Paint(hB_[k], "#ffffff");
    }

    // Trace boxes and swatches of a table row (0 live, 9..12 stored).
    const auto traceRow = [this](QWidget* parent, QHBoxLayout* lay, int row) {
        AddTraceBoxes(parent, lay, settings_, row, kTraceCount, this, [this] { Refscreen(); },
                      [this](int r, int t) { ChooseColour(r, t); });
    };
    traceBar_ = new QWidget(this);
    auto* tb = new QHBoxLayout(traceBar_);
    tb->setContentsMargins(4, 0, 4, 0);
    auto* info = new QLabel("Live:", traceBar_);
    info->setObjectName("InfoLintxt_0");
    tb->addWidget(info);
    traceRow(traceBar_, tb, 0);
    tb->addStretch(1);

    dataSel_ = BuildDataSelection(this, 4, traceRow);

    markerPanel_ = new MarkerPanel(s_, plot_.markers(), this);
    connect(markerPanel_, &MarkerPanel::DeleteClicked, this, [this](int k) {
        plot_.Unpaint(k);
        plot_.markers().Remove(k);
        MarkersChanged();
    });
    connect(markerPanel_, &MarkerPanel::ReferenceClicked, this, [this](int k) {
        plot_.markers().setReference(plot_.markers().reference() == k ? -1 : k);
        MarkersChanged();
    });

    menu_ = new QMenu(this);
    menu_->setObjectName("MarkerPopup");
    menu_->addSection("Marker")->setObjectName("MnuMarker");
    const auto entry = [this](const QString& name, const QString& text, int16_t kind) {
        QAction* a = menu_->addAction(text);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, [this, kind] { PlaceMarker(kind); });
    };
    entry("MnuMrkQrg", "Marker at this frequency", kMarkQrg);
    for (int k = 0; k < 4; ++k)
        entry(QString("MnuMrk") + kParam[k], QString("Marker on %1 magnitude").arg(kParam[k]),
              static_cast<int16_t>(kMarkMagS11 + k));
    for (int k = 0; k < 4; ++k)
        entry(QString("MnuMrk%1H").arg(kParam[k]), QString("Marker on %1 phase").arg(kParam[k]),
              static_cast<int16_t>(kMarkPhaseS11 + k));

    markerTimer_ = new QTimer(this);
    markerTimer_->setSingleShot(true);
    markerTimer_->setInterval(150);
    connect(markerTimer_, &QTimer::timeout, this, &QrgGraf::UpdateMarkerTable);
    ApplyColours();
}

void QrgGraf::ApplyColours() {
    for (int row : {0, 9, 10, 11, 12})
        for (int t = 0; t < kTraceCount; ++t) {
            const QString name = t == kTracePhase ? QString("AngCol_%1").arg(row)
                                                  : QString("ColS%1_%2").arg(&kTraceName[t][1]).arg(row);
            if (auto* sw = findChild<QPushButton*>(name))
                sw->setStyleSheet(Swatch(settings_.rows[row].colour[t]));
        }
}

void QrgGraf::Resize() {
    const int w = width(), h = height();
    topBar_->setGeometry(0, 0, w, kTop);
    const int below = kBottom + kTraceRow + kMarkerH + (dataSel_->isVisible() ? kDataSelH : 0);
    const QRect area(2 * kLabelW + 4, kTop + 10, w - 3 * kLabelW - 12, h - kTop - 10 - below);
    // A window too small to draw (for instance minimised) keeps its layout.
    plot_.Layout(area.size());
    if (!plot_.layoutValid())
        return;
    area_->setGeometry(area);
    const int lh = 16;
    for (int k = 0; k <= 10; ++k) {
        const int y = area.top() + plot_.scales()[kScaleTrans].GetPoint(plot_.scales()[kScaleTrans].valu(k)) - lh / 2;
        vA_[k]->setGeometry(2, y, kLabelW - 4, lh);
        vB_[k]->setGeometry(kLabelW + 2, y, kLabelW - 4, lh);
        vC_[k]->setGeometry(area.right() + 4, y, kLabelW - 4, lh);
    }
    for (int k = 0; k < 5; ++k) {
        const int x = area.left() + static_cast<int>(std::lround((2 * k + 1) * (area.width() - 1) / 10.0));
        hB_[k]->setGeometry(x - 45, area.bottom() + 3, 90, kBottom - 4);
    }
    int y = area.bottom() + kBottom;
    traceBar_->setGeometry(0, y, w, kTraceRow);
    y += kTraceRow;
    if (dataSel_->isVisible()) {
        dataSel_->setGeometry(0, y, w, kDataSelH);
        y += kDataSelH;
    }
    markerPanel_->setGeometry(0, y, w, kMarkerH);
}

void QrgGraf::resizeEvent(QResizeEvent*) {
    Resize();
    Refscreen();
}

void QrgGraf::showEvent(QShowEvent*) {
    Resize();
    Refscreen();
}

void QrgGraf::NewQrg(int32_t start, int32_t end) {
    Skala& f = plot_.scales()[kScaleQrg];
    if (!locked_ || (f.min() == start && f.max() == end))
        return;
    plot_.scales()[kScaleQrg].setMin(start);
    plot_.scales()[kScaleQrg].setMax(end);
    Refscreen();
}

void QrgGraf::makelive(int16_t p) {
    if (!plot_.layoutValid())
        return;
    vnaRpt_->setText(StatusText(s_.VnaReportSpeed, s_.VnaReportTime, plot_.scales()[kScaleQrg], s_.scancalOK));
    if (vnaRptGreen_ != s_.scancalOK) {  // a style change costs a relayout: only on change
        vnaRptGreen_ = s_.scancalOK;
        Paint(vnaRpt_, vnaRptGreen_ ? "#00ff00" : "#ffffff");
    }
    plot_.makelive(p);
    area_->update();
    if (plot_.markers().count() > 0 && !markerTimer_->isActive())
        markerTimer_->start();
}

void QrgGraf::QrgReScale(int scale) {
    const ScaleSet& sc = plot_.scales();
    switch (scale) {
    case kScaleTrans:
    case kScalePhase: {
        const auto t = ValueLabels(sc[scale]);
        for (int k = 0; k <= 10; ++k)
            (scale == kScaleTrans ? vA_ : vC_)[k]->setText(t[k]);
        break;
    }
    case kScaleRefl:
    case kScaleVswr:
        if ((scale == kScaleRefl) == !settings_.Vswr()) {
            const auto t = ValueLabels(sc[scale]);
            for (int k = 0; k <= 10; ++k)
                vB_[k]->setText(t[k]);
        }
        break;
    case kScaleQrg: {
        const auto t = FreqLabels(sc[kScaleQrg]);
        for (int k = 0; k < 5; ++k)
            hB_[k]->setText(t[k]);
        break;
    }
    default:
        break;
    }
}

void QrgGraf::TickChange() { ::TickChange(plot_.scales(), settings_); }

void QrgGraf::Refscreen() {
    QrgReScale(kScaleQrg);
    Resize();
    if (plot_.layoutValid()) {
        QrgReScale(kScaleTrans);
        QrgReScale(settings_.Vswr() ? kScaleVswr : kScaleRefl);
        QrgReScale(kScalePhase);
        for (int row = 9; row <= 12; ++row)
            if (auto* l = findChild<QLabel*>(QString("VisKilde_%1").arg(row))) {
                const SdataHeadRec& h = s_.SdataHead[row];
                l->setText(h.Length >= 3 ? QString::fromStdString(h.Filename) : QString("(table %1 empty)").arg(row));
            }
    }
    plot_.Refscreen();
    area_->update();
    UpdateMarkerTable();
}

void QrgGraf::marker(int k) {
    plot_.marker(k);
    area_->update();
}

void QrgGraf::Messurechange(int parameter) {
    for (int k = 0; k < 4; ++k)
        Paint(verId_[k], "#ffffff");
    if (parameter >= 0 && parameter <= 3)
        Paint(verId_[parameter], "#00ff00");
}

void QrgGraf::TulBut_Click(int index) {
    if (!ScaleTool(plot_.scales()[selected_], index))
        return;
    Refscreen();
    QrgReScale(selected_);
}

void QrgGraf::SelectNail(QLabel* label) {
    if (nail_)
        Paint(nail_, "#ffffff");
    nail_ = label;
    if (nail_)
        Paint(nail_, "#00ff00");
}

void QrgGraf::QrgLock_Click() {
    if (locked_) {
        locked_ = false;
        lock_->setText("F Free");
        Paint(lock_, "#00ff00");
        return;
    }
    locked_ = true;
    lock_->setText("F Lock");
    Paint(lock_, "#ff0000");
    selected_ = kScaleTrans;
    SelectNail(vA_[plot_.scales()[kScaleTrans].Nail()]);
    if (getQrgLimits_)
        getQrgLimits_();
}

void QrgGraf::VlabelA_Click(int index) {
    selected_ = kScaleTrans;
    plot_.scales()[selected_].setNail(static_cast<int16_t>(index));
    SelectNail(vA_[index]);
}

void QrgGraf::VlabelB_Click(int index) {
    selected_ = settings_.Vswr() ? kScaleVswr : kScaleRefl;
    plot_.scales()[selected_].setNail(static_cast<int16_t>(index));
    SelectNail(vB_[index]);
}

void QrgGraf::VlabelC_Click(int index) {
    selected_ = kScalePhase;
    plot_.scales()[selected_].setNail(static_cast<int16_t>(index));
    SelectNail(vC_[index]);
}

void QrgGraf::HlabelB_Click(int index) {
    if (locked_)
        return;  // the frequency scale follows the sweep while locked
    selected_ = kScaleQrg;
    plot_.scales()[selected_].setNail(static_cast<int16_t>(2 * index + 1));
    SelectNail(hB_[index]);
}

bool QrgGraf::eventFilter(QObject* o, QEvent* e) {
    if (e->type() == QEvent::MouseButtonPress) {
        for (int k = 0; k <= 10; ++k) {
            if (o == vA_[k]) { VlabelA_Click(k); return true; }
            if (o == vB_[k]) { VlabelB_Click(k); return true; }
            if (o == vC_[k]) { VlabelC_Click(k); return true; }
        }
        for (int k = 0; k < 5; ++k)
            if (o == hB_[k]) { HlabelB_Click(k); return true; }
    }
    return QWidget::eventFilter(o, e);
}

void QrgGraf::GrafArea_MouseDown(Qt::MouseButton button, QPoint pos) {
    downButton_ = button;
    downPos_ = pos;
    dragging_ = -1;
    if (button != Qt::LeftButton)
        return;
    for (int k = 0; k < MarkerTable::kMarkers; ++k)
        if (const auto at = plot_.markerPos(k); at && (*at - pos).manhattanLength() <= 8) {
            dragging_ = k;
            return;
        }
}

void QrgGraf::GrafArea_MouseMove(Qt::MouseButtons buttons, QPoint pos) {
    if (!plot_.layoutValid() || !QRect(QPoint(0, 0), plot_.image().size()).contains(pos))
        return;
    const QString text = ReadoutText(plot_.scales()[kScaleQrg], pos.x());
    area_->setToolTip(text);
    if (area_->isVisible() && area_->underMouse())
        QToolTip::showText(area_->mapToGlobal(pos), text, area_);
    if (dragging_ >= 0 && (buttons & Qt::LeftButton)) {
        plot_.Unpaint(dragging_);
        plot_.markers().Move(dragging_, static_cast<double>(ReadoutQrg(plot_.scales()[kScaleQrg], pos.x())));
        plot_.markers().Follow(s_, settings_.Vswr());
        marker(dragging_);
        UpdateMarkerTable();
    }
}

void QrgGraf::GrafArea_MouseUp(Qt::MouseButton button, QPoint pos) {
    dragging_ = -1;
    if (button != Qt::RightButton || downButton_ != Qt::RightButton)
        return;
    downButton_ = Qt::NoButton;
    const ScaleSet& sc = plot_.scales();
    const Skala& x = sc[kScaleQrg];
    const Skala& y = sc[kScaleTrans];
    // Inside the bounds of the frequency scale and scale 0, bounds exclusive.
    if (!plot_.layoutValid() || downPos_.x() <= x.Offset() || downPos_.x() >= x.Offset() + x.Points() ||
        downPos_.y() <= y.Offset() || downPos_.y() >= y.Offset() + y.Points())
        return;
    // The frequency as the readout shows it, so markers sit on whole steps.
    plot_.markers().MarkerId(static_cast<double>(ReadoutQrg(x, downPos_.x())), sc[0].GetValue(downPos_.y()), sc[1].GetValue(downPos_.y()),
                             sc[2].GetValue(downPos_.y()), sc[3].GetValue(downPos_.y()));
    const SdataHeadRec& head = s_.SdataHead[s_.Livestable];
    for (int k = 0; k < 4; ++k) {
        const bool shown = head.State(k) != kSAbsent;
        menu_->findChild<QAction*>(QString("MnuMrk") + kParam[k])->setVisible(shown && settings_.rows[0].visible[k]);
        menu_->findChild<QAction*>(QString("MnuMrk%1H").arg(kParam[k]))
            ->setVisible(shown && settings_.rows[0].visible[kTracePhase] && k == plot_.phaseParameter());
    }
    menu_->popup(area_->mapToGlobal(pos));
}

void QrgGraf::PlaceMarker(int16_t kind) {
    const int k = plot_.markers().Place(kind, s_.Smessure, settings_.Vswr());
    if (k < 0) {
        if (plot_.markers().count() >= MarkerTable::kMarkers)
            QMessageBox::information(this, "Markers", "All eleven markers are in use; delete one first.");
        return;
    }
    plot_.markers().Follow(s_, settings_.Vswr());
    marker(k);
    UpdateMarkerTable();
}

void QrgGraf::MarkersChanged() {
    for (int k = 0; k < MarkerTable::kMarkers; ++k)
        plot_.marker(k);
    area_->update();
    UpdateMarkerTable();
}

void QrgGraf::UpdateMarkerTable() { markerPanel_->Update(); }

void QrgGraf::ChooseColour(int row, int trace) {
    if (!PickTraceColour(this, settings_, row, trace, kTraceName[trace]))
        return;
    ApplyColours();
    Refscreen();
    emit ColoursChanged();
}

void QrgGraf::SettingsChanged(bool frequencyLocked) {
    for (int row : {0, 9, 10, 11, 12})
        for (int t = 0; t < kTraceCount; ++t) {
            const QString base = t == kTracePhase ? QString("AngVis") : QString("VisS") + &kTraceName[t][1];
            if (auto* box = findChild<QCheckBox*>(QString("%1_%2").arg(base).arg(row))) {
                const QSignalBlocker block(box);
                box->setChecked(settings_.rows[row].visible[t]);
            }
        }
    ApplyColours();
    if (frequencyLocked != locked_)
        QrgLock_Click();
    TickChange();
    for (int i = 0; i < kScaleCount; ++i)
        QrgReScale(i);
    Refscreen();
}

QList<QWidget*> QrgGraf::PrintHidden() const {
    QList<QWidget*> hide(tul_.begin(), tul_.end());
    for (const char* name : {"GrafRef", "ShwSelDat", "QrgSaveImage", "QrgPrint"})
        hide << findChild<QPushButton*>(name);
    return hide;
}

QImage QrgGraf::PrintPicture(const QString& caption) {
    return CaptureClientArea(*this, printInfo_, PrintHidden(), caption);
}

void QrgGraf::QrgPrint_Click() { PrintWindow(*this, printInfo_, PrintHidden()); }

QString QrgGraf::SaveImage(const QString& path) {
    const QSize size = plot_.layoutValid() ? QSize(std::max(600, width()), std::max(400, height() - kMarkerH))
                                           : QSize(1200, 800);
    return SaveQrgPicture(path, size, plot_, windowTitle());
}
