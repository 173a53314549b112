#include "display/graph/widgets/smith_graf.h"
#include "display/graph/widgets/trace_colour.h"
#include "display/measure/qt_text.h"
#include "display/graph/widgets/print_window.h"

#include "display/graph/widgets/marker_panel.h"
#include "display/graph/smith_picture.h"
#include "display/measure/formatting.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

// The chart area: paints the backing store, lays the chart out when resized
// and hands the pointer on.
class SmithArea : public QWidget {
public:
    SmithArea(SmithGraf* owner, QWidget* parent) : QWidget(parent), owner_(owner) {
        setObjectName("SmithArea");
        setMouseTracking(true);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMinimumSize(200, 200);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QImage& img = owner_->plot().image();
        // White only where the picture does not reach (before the first
        // layout, or while a resize is under way).
        if (img.isNull() || img.width() < width() || img.height() < height())
            p.fillRect(rect(), Qt::white);
        if (!img.isNull())
            p.drawImage(0, 0, img);
    }
    void resizeEvent(QResizeEvent*) override {
        owner_->plot().Layout(size());
        owner_->Refscreen();
    }
    void mouseMoveEvent(QMouseEvent* e) override { owner_->SmithArea_MouseMove(e->position().toPoint()); }

private:
    SmithGraf* owner_;
};

namespace {

const char* const kParam[] = {"S11", "S21", "S12", "S22"};

QString Freq(double f) { return QString::fromStdString(QrgUnit(static_cast<int32_t>(std::lround(f)))); }
void Paint(QWidget* w, const char* colour) { w->setStyleSheet(QString("background-color: %1;").arg(colour)); }


} // namespace

SmithGraf::SmithGraf(const MeasureState& s, GraphSettings& settings, MarkerTable& markers, QWidget* parent)
    : QWidget(parent), s_(s), settings_(settings), plot_(s, settings, markers) {
    setObjectName("SmithGraf");
    setWindowTitle("Smith Chart");
    Build();
    // Loading: scale 0 while configuring, the ticks, S11 shown, then the
    // frequency scale selected and its division put on the step sequence.
    selected_ = kScaleTrans;
    SmithTickChange();
    plot_.Messurechange(0);
    selS_->setText("S11");
    selected_ = kScaleQrg;
    scaAdj_[0]->setChecked(true);
    resize(980, 700);
    TulBut_Click(4);
    TulBut_Click(2);
}

SmithGraf::~SmithGraf() = default;

void SmithGraf::Build() {
    auto* top = new QHBoxLayout(this);
    top->setContentsMargins(2, 2, 2, 2);
    auto* left = new QVBoxLayout;
    top->addLayout(left, 1);
    // The side column scrolls when the window is too low for it.
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(BuildSide());
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFixedWidth(320);
    top->addWidget(scroll);

    area_ = new SmithArea(this, this);
    left->addWidget(area_, 1);
    for (int f = 0; f < kFamilyCount; ++f)
        for (int i = 0; i < SmithLines::kFields; ++i) {
            auto* l = Named(new QLabel(area_), QString("%1_%2").arg(SmithLines::LabelName(f)).arg(i));
            l->setAttribute(Qt::WA_TransparentForMouseEvents);
            l->hide();
            labels_[f][i] = l;
        }
    for (int k = 0; k < 9; ++k) {
        ringLabels_[k] = Named(new QLabel(area_), QString("LabRing_%1").arg(k));
        ringLabels_[k]->setAttribute(Qt::WA_TransparentForMouseEvents);
        ringLabels_[k]->hide();
    }
    readout_ = Named(new QLabel(this), "SmithReadout");
    readout_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    left->addWidget(readout_);

    // The live row's boxes and swatches.
    const auto traceRow = [this](QWidget* parent, QHBoxLayout* lay, int row) {
        AddTraceBoxes(parent, lay, settings_, row, 4, this, [this] { redrawlive(); },
                      [this](int r, int k) { ChooseColour(r, k); });
    };
    auto* bar = new QWidget(this);
    auto* tb = new QHBoxLayout(bar);
    tb->setContentsMargins(0, 0, 0, 0);
    tb->addWidget(new QLabel("Live:", bar));
    traceRow(bar, tb, 0);
    tb->addStretch(1);
    left->addWidget(bar);

    // Stored tables 9..12, shown and hidden by ShwSelDat.
    dataSel_ = BuildDataSelection(this, 0, traceRow);
    left->addWidget(dataSel_);

    // The frequency slide readout.
    track_ = Named(new QFrame(this), "Frametest");
    track_->setFrameShape(QFrame::StyledPanel);
    track_->setFixedHeight(22);
    knob_ = Named(new QPushButton(track_), "Commandtest");
    knob_->setFixedSize(14, 18);
    knob_->move(0, 2);
    knob_->installEventFilter(this);
    slideVal_ = Named(new QLabel(track_), "SlideVal");
    slideVal_->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* ends = new QHBoxLayout;
    slideStart_ = Named(new QLabel(this), "QrgSlideStart");
    slideEnd_ = Named(new QLabel(this), "QrgSlideEnd");
    ends->addWidget(slideStart_);
    ends->addStretch(1);
    ends->addWidget(slideEnd_);
    left->addWidget(track_);
    left->addLayout(ends);

    // Legend rows with the slide values; the marker readings.
    auto* legend = new QGridLayout;
    for (int i = 0; i < kLegendRows; ++i) {
        legendTxt_[i] = Named(new QLabel(this), QString("InfoLintxt_%1").arg(i));
        legendColour_[i] = Named(new QLabel(this), QString("InfoLinColor_%1").arg(i));
        legendColour_[i]->setFixedSize(18, 10);
        legendValue_[i] = Named(new QLabel(this), QString("InfoValue_%1").arg(i));
        legend->addWidget(legendColour_[i], i / 4, (i % 4) * 3);
        legend->addWidget(legendTxt_[i], i / 4, (i % 4) * 3 + 1);
        legend->addWidget(legendValue_[i], i / 4, (i % 4) * 3 + 2);
    }
    left->addLayout(legend);
    markerPanel_ = Named(new MarkerPanel(s_, plot_.markers(), this), "SmithMarkerPanel");
    markerPanel_->setMaximumHeight(120);
    connect(markerPanel_, &MarkerPanel::ReferenceClicked, this, [this](int k) {
        plot_.markers().setReference(plot_.markers().reference() == k ? -1 : k);
        Refscreen();
        emit MarkersChanged();
    });
    connect(markerPanel_, &MarkerPanel::DeleteClicked, this, [this](int k) {
        plot_.markers().Remove(k);
        Refscreen();
        emit MarkersChanged();
    });
    left->addWidget(markerPanel_);
    markerTimer_ = new QTimer(this);
    markerTimer_->setSingleShot(true);
    markerTimer_->setInterval(150);
    connect(markerTimer_, &QTimer::timeout, this, &SmithGraf::UpdateMarkerTable);
    ApplyColours();
}

QWidget* SmithGraf::BuildSide() {
    auto* side = new QWidget;
    side->setFixedWidth(300);
    auto* v = new QVBoxLayout(side);
    v->setContentsMargins(2, 0, 2, 0);

    auto* disp = Named(new QGroupBox("Select Display", side), "FrmDispType");
    auto* dl = new QHBoxLayout(disp);
    const char* const dispText[] = {"S11/S22", "S21/S12", "Auto"};
    for (int i = 0; i < 3; ++i) {
        dispType_[i] = Named(new QRadioButton(dispText[i], disp), QString("DispType_%1").arg(i));
        connect(dispType_[i], &QRadioButton::clicked, this, [this, i] { DispType_Click(i); });
        dl->addWidget(dispType_[i]);
    }
    dispType_[0]->setChecked(true);
    v->addWidget(disp);

    auto* scaleRow = new QHBoxLayout;
    selS_ = Named(new QLabel("S11", side), "SmiSelS");
    Paint(selS_, "#ffffff");
    scaleRow->addWidget(selS_);
    const char* const adjText[] = {"Frequency", "Magnitude"};
    for (int i = 0; i < 2; ++i) {
        scaAdj_[i] = Named(new QRadioButton(adjText[i], side), QString("SmiScaAdj_%1").arg(i));
        connect(scaAdj_[i], &QRadioButton::clicked, this, [this, i] { SmiScaAdj_Click(i); });
        scaleRow->addWidget(scaAdj_[i]);
    }
    v->addLayout(scaleRow);

    auto* tools = new QGridLayout;
    const char* const tulText[] = {"Up", "Fine+", "Div-", "Center", "Div+", "Fine-", "Dn"};
    for (int i = 0; i < 7; ++i) {
        auto* b = Named(new QPushButton(tulText[i], side), QString("TulBut_%1").arg(i));
        connect(b, &QPushButton::clicked, this, [this, i] { TulBut_Click(i); });
        tools->addWidget(b, i / 4, i % 4);
    }
    lock_ = Named(new QPushButton("F Lock", side), "QrgLock");
    Paint(lock_, "#ff0000");
    connect(lock_, &QPushButton::clicked, this, &SmithGraf::QrgLock_Click);
    tools->addWidget(lock_, 1, 3);
    v->addLayout(tools);

    auto* buttons = new QGridLayout;
    auto* ref = Named(new QPushButton("Refresh", side), "GrafRef");
    connect(ref, &QPushButton::clicked, this, &SmithGraf::redrawlive);
    auto* info = Named(new QPushButton("Info", side), "SmiIndi");
    connect(info, &QPushButton::clicked, this, &SmithGraf::SmiIndi_Click);
    auto* sel = Named(new QPushButton("Select Data", side), "ShwSelDat");
    connect(sel, &QPushButton::clicked, this, [this] {
        dataSel_->setVisible(!dataSel_->isVisible());
        redrawlive();
    });
    auto* print = Named(new QPushButton("Print", side), "SmiPrint");
    connect(print, &QPushButton::clicked, this, &SmithGraf::SmiPrint_Click);
    auto* save = SaveImageButton(this, side, "SmiSaveImage",
                                 [this](const QString& path) { return SaveImage(path); });
    buttons->addWidget(ref, 0, 0);
    buttons->addWidget(info, 0, 1);
    buttons->addWidget(sel, 0, 2);
    buttons->addWidget(print, 1, 0);
    buttons->addWidget(save, 1, 1);
    v->addLayout(buttons);
    printInfo_ = Named(new QLabel(side), "PrintInfo");
    printInfo_->setWordWrap(true);
    printInfo_->hide();
    v->addWidget(printInfo_);

    indi_ = Named(new QFrame(side), "RfmIndi");
    indi_->setFrameShape(QFrame::StyledPanel);
    auto* il = new QGridLayout(indi_);
    const auto row = [&](int r, const char* caption, QLabel*& a, const char* na, QLabel*& b, const char* nb) {
        il->addWidget(new QLabel(caption, indi_), r, 0);
        a = Named(new QLabel(indi_), na);
        b = Named(new QLabel(indi_), nb);
        il->addWidget(a, r, 1);
        il->addWidget(b, r, 2);
    };
    row(0, "Centre / Div", labQrgCenter_, "LabQrgCenter", labQrgDiv_, "LabQrgDiv");
    row(1, "Magnitude / Div", labMag_, "LabMag", labMagDiv_, "LabMagDiv");
    row(2, "Speed / Wait", vnaSpd_, "VnaSpd", vnaTi_, "VnaTi");
    calib_ = Named(new QLabel(indi_), "SmithCalib");
    il->addWidget(calib_, 3, 0, 1, 3);
    v->addWidget(indi_);
    v->addWidget(BuildLines());
    v->addStretch(1);
    return side;
}

QWidget* SmithGraf::BuildLines() {
    auto* box = Named(new QGroupBox("Smith Lines", this), "FrmSmithLines");
    auto* g = new QGridLayout(box);
    g->setSpacing(2);
    const char* const caption[] = {"R", "+jX", "-jX", "VSWR"};
    for (int f = 0; f < kFamilyCount; ++f) {
        auto* tick = Named(new QCheckBox(caption[f], box), SmithLines::TickName(f));
        tick->setToolTip("Show the labels of this family");
        tick->setChecked(plot_.lines().labels[f]);
        connect(tick, &QCheckBox::toggled, this, [this, f](bool on) {
            plot_.lines().labels[f] = on;
            PlaceLabels();
        });
        g->addWidget(tick, 0, f);
        for (int i = 0; i < SmithLines::kFields; ++i) {
            auto* e = Named(new QLineEdit(plot_.lines().fields[f][i], box), QString("%1_%2").arg(SmithLines::Name(f)).arg(i));
            e->setMaximumWidth(64);
            connect(e, &QLineEdit::editingFinished, this, [this, f, i, e] {
                plot_.lines().fields[f][i] = e->text();
                Refscreen();
            });
            fields_[f][i] = e;
            g->addWidget(e, i + 1, f);
        }
    }
    return box;
}

void SmithGraf::ApplyColours() {
    for (int row : {0, 9, 10, 11, 12})
        for (int k = 0; k < 4; ++k)
            if (auto* sw = findChild<QPushButton*>(QString("ColS%1_%2").arg(&kParam[k][1]).arg(row)))
                sw->setStyleSheet(Swatch(settings_.rows[row].colour[k]));
}

void SmithGraf::ChooseColour(int row, int k) {
    if (!PickTraceColour(this, settings_, row, k, kParam[k]))
        return;
    ApplyColours();
    redrawlive();
    emit ColoursChanged();
}

void SmithGraf::InfoLabels() {
    const Skala& q = plot_.scales()[kScaleQrg];
    labQrgCenter_->setText(Freq(q.valu(5)));
    labQrgDiv_->setText(Freq(q.Div()));
    const Skala& m = plot_.scales()[plot_.MagnitudeScaleOfShown()];
    labMag_->setText(QString::number(m.valu(5)));
    labMagDiv_->setText(QString::number(m.Div()));
    vnaSpd_->setText(QString::number(s_.VnaReportSpeed));
    vnaTi_->setText(QString::number(s_.VnaReportTime));
    calib_->setText(s_.scancalOK ? " Calibrated" : "Not Calibrated");
}

void SmithGraf::PlaceLabels() {
    for (auto& fam : labels_)
        for (QLabel* l : fam)
            l->hide();
    for (QLabel* l : ringLabels_)
        l->hide();
    if (!plot_.layoutValid())
        return;
    for (const GridLabel& g : plot_.Labels()) {
        QLabel* l = g.family < 0 ? ringLabels_[g.index - 1] : labels_[g.family][g.index];
        l->setText(g.text);
        l->setStyleSheet(g.red ? "color: red;" : "color: #404040;");
        l->adjustSize();
        l->move(static_cast<int>(g.at.x()) - l->width() / 2, static_cast<int>(g.at.y()) - l->height() / 2);
        l->show();
    }
}

void SmithGraf::SlideLabels() {
    const Skala& q = plot_.scales()[kScaleQrg];
    slideStart_->setText(Freq(q.min()));
    slideEnd_->setText(Freq(q.max()));
}

void SmithGraf::Refscreen() {
    plot_.Refscreen();
    InfoLabels();
    PlaceLabels();
    SlideLabels();
    area_->update();
    UpdateMarkerTable();
}

void SmithGraf::redrawlive() {
    Legend();
    Refscreen();
}

void SmithGraf::Legend() {
    legendRows_.clear();
    const SdataHeadRec& live = s_.SdataHead[static_cast<size_t>(s_.Livestable)];
    for (int k = 0; k < 4; ++k)
        if (settings_.rows[0].visible[k] && live.State(k) != kSAbsent)
            legendRows_.emplace_back(0, k);
    for (int t = 9; t <= 12; ++t) {
        const SdataHeadRec& h = s_.SdataHead[static_cast<size_t>(t)];
        if (auto* l = findChild<QLabel*>(QString("VisKilde_%1").arg(t)))
            l->setText(h.Length >= 3 ? QString::fromStdString(h.Filename) : QString("(table %1 empty)").arg(t));
        for (int k = 0; k < 4; ++k)
            if (h.Length >= 3 && settings_.rows[t].visible[k] && h.State(k) != kSAbsent)
                legendRows_.emplace_back(t, k);
    }
    for (int i = 0; i < kLegendRows; ++i) {
        const bool used = i < static_cast<int>(legendRows_.size());
        legendTxt_[i]->setVisible(used);
        legendColour_[i]->setVisible(used);
        legendValue_[i]->setVisible(used);
        legendValue_[i]->clear();
        if (!used)
            continue;
        const auto [t, k] = legendRows_[static_cast<size_t>(i)];
        legendTxt_[i]->setText(t == 0 ? QString("%1 ").arg(kParam[k]) : QString("T%1 %2 ").arg(t).arg(kParam[k]));
        legendColour_[i]->setStyleSheet(Swatch(settings_.rows[t].colour[k]));
    }
}

void SmithGraf::Makesmithlive(int16_t p) {
    const int k = s_.Smessure;
    if (k >= 0 && k <= 3 && settings_.rows[0].visible[k])
        Drawsmithlive(p);
}

void SmithGraf::Drawsmithlive(int16_t p) {
    InfoLabels();
    // The first point of a parameter that was not measured before: its legend row.
    const int k = s_.Smessure;
    if (k >= 0 && k <= 3 && std::find(legendRows_.begin(), legendRows_.end(), std::make_pair(0, k)) == legendRows_.end() &&
        s_.SdataHead[static_cast<size_t>(s_.Livestable)].State(k) != kSAbsent && settings_.rows[0].visible[k])
        Legend();
    plot_.Drawsmithlive(p);
    area_->update();
    if (plot_.markers().count() > 0 && !markerTimer_->isActive())
        markerTimer_->start();
}

void SmithGraf::SmithTickChange() { ::TickChange(plot_.scales(), settings_); }

void SmithGraf::Messurechange(int parameter) {
    if (parameter < 0 || parameter > 3)
        return;
    selS_->setText(kParam[parameter]);
    plot_.Messurechange(parameter);
    if (scaAdj_[1]->isChecked())
        selected_ = plot_.MagnitudeScaleOfShown();
    redrawlive();
}

void SmithGraf::SmithNewQrg(int32_t start, int32_t end) {
    if (!locked_)
        return;
    plot_.scales()[kScaleQrg].setMin(start);
    plot_.scales()[kScaleQrg].setMax(end);
    Refscreen();
}

void SmithGraf::DispType_Click(int index) {
    plot_.setDispType(index);
    if (index == 2)
        selS_->setText(kParam[plot_.shown()]);
    dispType_[static_cast<size_t>(index)]->setChecked(true);
    Refscreen();
}

void SmithGraf::SmiScaAdj_Click(int index) {
    selected_ = index == 0 ? int{kScaleQrg} : plot_.MagnitudeScaleOfShown();
    scaAdj_[static_cast<size_t>(index == 0 ? 0 : 1)]->setChecked(true);
}

void SmithGraf::TulBut_Click(int index) {
    if (!ScaleTool(plot_.scales()[selected_], index))
        return;
    Refscreen();
}

void SmithGraf::QrgLock_Click() {
    locked_ = !locked_;
    lock_->setText(locked_ ? "F Lock" : "F Free");
    Paint(lock_, locked_ ? "#ff0000" : "#00ff00");
    if (locked_ && getQrgLimits_)
        getQrgLimits_();
}

void SmithGraf::SmiIndi_Click() { indi_->setVisible(!indi_->isVisible()); }

void SmithGraf::Commandtest_MouseMove(int x) {
    const int w = track_->width();
    const int half = knob_->width() / 2;
    const int centre = std::clamp(x, std::min(half + 1, w / 2), std::max(w - half - 1, w / 2));
    knob_->move(centre - half, knob_->y());
    slideVal_->adjustSize();
    slideVal_->move(centre > w / 2 ? w / 4 : w * 3 / 5, (track_->height() - slideVal_->height()) / 2);
    const Skala& q = plot_.scales()[kScaleQrg];
    const auto f = static_cast<int64_t>(q.min() + static_cast<double>(knob_->x() + half) * (static_cast<double>(q.max()) - q.min()) / std::max(1, w));
    const int64_t step = std::max<int64_t>(1, q.Div() / 100);
    slideVal_->setText(Freq(static_cast<double>(f - f % step)));
    slideVal_->adjustSize();
    const auto values = plot_.SlideReadout(static_cast<double>(f));
    for (int i = 0; i < kLegendRows && i < static_cast<int>(legendRows_.size()); ++i) {
        legendValue_[i]->clear();
        for (const auto& v : values)
            if (v.found && v.table == legendRows_[static_cast<size_t>(i)].first && v.k == legendRows_[static_cast<size_t>(i)].second)
                legendValue_[i]->setText(QString::number(v.value, 'f', 1));
    }
    area_->update();
}

bool SmithGraf::eventFilter(QObject* o, QEvent* e) {
    if (o == knob_ && e->type() == QEvent::MouseMove) {
        auto* m = static_cast<QMouseEvent*>(e);
        if (m->buttons() & Qt::LeftButton) {
            Commandtest_MouseMove(knob_->mapToParent(m->position().toPoint()).x());
            return true;
        }
    }
    return QWidget::eventFilter(o, e);
}

void SmithGraf::SmithArea_MouseMove(QPoint pos) {
    const auto h = plot_.HoverAt(pos);
    const QString text = h ? SmithHoverText(h->reading) : QString();
    readout_->setText(text);
    area_->setToolTip(text);
    if (!text.isEmpty() && area_->isVisible() && area_->underMouse())
        QToolTip::showText(area_->mapToGlobal(pos), text, area_);
}

void SmithGraf::UpdateMarkerTable() { markerPanel_->Update(); }

QString SmithGraf::SaveImage(const QString& path) {
    return SaveSmithPicture(path, QSize(900, 900), plot_, windowTitle());
}

QList<QWidget*> SmithGraf::PrintHidden() const {
    // The tool and file buttons stay off the printed page; the caption takes
    // their place.
    QList<QWidget*> hide;
    for (QPushButton* b : findChildren<QPushButton*>())
        if (b->objectName().startsWith("TulBut_"))
            hide << b;
    for (const char* name : {"GrafRef", "SmiIndi", "ShwSelDat", "SmiPrint", "SmiSaveImage"})
        if (auto* b = findChild<QPushButton*>(name))
            hide << b;
    return hide;
}

QImage SmithGraf::PrintPicture(const QString& caption) {
    return CaptureClientArea(*this, printInfo_, PrintHidden(), caption);
}

void SmithGraf::SmiPrint_Click() { PrintWindow(*this, printInfo_, PrintHidden()); }
