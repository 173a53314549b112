#include "display/app/sweep_control.h"

#include "display/app/window_views.h"
#include "display/graph/skala.h"
#include "display/measure/formatting.h"
#include "display/measure/point_list.h"
#include "link/text_rules.h"
#include "link/vna.h"

#include <algorithm>

namespace {

double TagValue(const QString& tag) { return txt::Val(tag.toStdString()); }

} // namespace

SweepControl::SweepControl(MeasureState& s, Skala& freq, vna& link, QObject* parent)
    : QObject(parent), s_(s), freq_(freq), link_(link) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &SweepControl::ScanUpdateTimer_Timer);
    QScaMo_Click(1);
}

void SweepControl::SetField(Field f, int64_t value) {
    fields_[f].tag = QString::number(value);
    fields_[f].text = QString::fromStdString(QrgShort(static_cast<int32_t>(value)));
}

void SweepControl::RestartTimer(int intervalMs) {
    timer_.stop();
    timer_.setInterval(intervalMs);
    timer_.start();
}

void SweepControl::FillFields() {
    SetField(QEnd, freq_.max());
    SetField(QStart, freq_.min());
    const int64_t centre = static_cast<int64_t>(
        txt::RoundHalfEven(freq_.min() + (static_cast<double>(freq_.max()) - freq_.min()) / 2));
    SetField(Qcent, centre);
    SetField(QSpan, static_cast<int64_t>(freq_.max()) - freq_.min());
    emit FieldsChanged();
}

void SweepControl::ApplyEdge(Field f, const QString& text) {
    fields_[f].text = text;
    if (!fields_[f].visible)
        return;
    const int32_t v = ParseFreq(text.toStdString());
    const bool start = f == QStart;
    // A start must stay below the current end, an end above the current start.
    const double other = TagValue(fields_[start ? QEnd : QStart].tag);
    if (!QrgInRange(v) || !(start ? v < other : v > other))
        return;
    if (start)
        freq_.setMin(v);
    else
        freq_.setMax(v);
    fields_[f].tag = QString::number(start ? freq_.min() : freq_.max());
    const double centre = freq_.min() + (static_cast<double>(freq_.max()) - freq_.min()) / 2;
    SetField(Qcent, static_cast<int64_t>(txt::RoundHalfEven(centre)));
    SetField(QSpan, static_cast<int64_t>(freq_.max()) - freq_.min());
    RestartTimer(start ? 1000 : 2000);
    emit FieldsChanged();
}

void SweepControl::QStart_Change(const QString& text) { ApplyEdge(QStart, text); }
void SweepControl::QEnd_Change(const QString& text) { ApplyEdge(QEnd, text); }

void SweepControl::ApplyCentreSpan(int intervalMs) {
    const double c = ParseFreq(fields_[Qcent].text.toStdString());
    const double span = ParseFreq(fields_[QSpan].text.toStdString());
    const double end = txt::RoundHalfEven(c + span / 2);
    const double start = txt::RoundHalfEven(c - span / 2);
    auto inRange = [](double f) { return f >= kQrgMin && f <= kQrgMax; };
    if (!inRange(end) || !inRange(start) || span < 100)
        return;
    freq_.setMax(static_cast<int32_t>(end));
    freq_.setMin(start);
    SetField(QStart, freq_.min());
    SetField(QEnd, freq_.max());
    RestartTimer(intervalMs);
    emit FieldsChanged();
}

void SweepControl::Qcent_Change(const QString& text) {
    fields_[Qcent].text = text;
    if (fields_[Qcent].visible)
        ApplyCentreSpan(2000);
}

void SweepControl::QSpan_Change(const QString& text) {
    fields_[QSpan].text = text;
    if (fields_[QSpan].visible)
        ApplyCentreSpan(1000);
}

void SweepControl::QScaMo_Click(int index) {
    if (index < 0 || index > 2)
        return;
    mode_ = index;
    stepsVisible_ = false;
    labelsVisible_ = false;
    for (auto& f : fields_)
        f.visible = false;
    if (index == 0) {
        fields_[Qcent].visible = fields_[QSpan].visible = true;
        lcommand1_ = "Center";
        lcommand3_ = "Span";
        labelsVisible_ = true;
    } else if (index == 1) {
        fields_[QStart].visible = fields_[QEnd].visible = true;
        lcommand1_ = "Start";
        lcommand3_ = "End";
        labelsVisible_ = true;
    } else {
        stepsVisible_ = true;
    }
    emit FieldsChanged();
}

void SweepControl::TulBut_Click(int index) {
    if (index < 0 || index >= kTulButs)
        return;
    ClearDone(s_);
    switch (index) {
    case 0: freq_.Up(); break;
    case 1: freq_.FineUp(); break;
    case 2: freq_.DecDiv(); break;
    case 3: freq_.Center(); break;
    case 4: freq_.IncDiv(); break;
    case 5: freq_.FineDn(); break;
    case 6: freq_.Dn(); break;
    }
    if (views_)
        views_->Refscreen();
    GetQRGLimits();
    RestartTimer(2000);
    SetField(QEnd, freq_.max());
    SetField(QStart, freq_.min());
    SetField(Qcent, freq_.Mid());
    SetField(QSpan, static_cast<int64_t>(freq_.max()) - freq_.min());
    emit FieldsChanged();
}

void SweepControl::EditEveryRow(const QByteArray& fieldName, int32_t value) {
    const int last = (s_.VnaScanSize + 1) * 2 + 1;
    for (int row = 0; row <= last; ++row)
        link_.EditEntry(0, static_cast<int16_t>(row), fieldName, value);
}

void SweepControl::SpeedSelect_Click() {
    if (VNAType_ == 0) {
        s_.SpeedSelected = 0;
    } else if (VNAType_ == 1) {
        ClearDone(s_);
        s_.SpeedSelected = static_cast<int16_t>((s_.SpeedSelected + 1) % 4);
        EditEveryRow("adcspeed", s_.SpeedSelected);
        InitLiv(s_);
    }
    // The LT2440 type keeps its speed: its converter is programmed through
    // the configuration's speed values instead.
    emit CaptionsChanged();
}

void SweepControl::TimeSlct_Click() {
    ClearDone(s_);
    const auto it = std::find(kTimes.begin(), kTimes.end(), s_.FilterTime);
    if (it == kTimes.end())
        return;
    const auto next = it + 1 == kTimes.end() ? kTimes.begin() : it + 1;
    s_.FilterTime = *next;
    EditEveryRow("VNATime", s_.FilterTime);
    emit CaptionsChanged();
}

void SweepControl::ScanUpdateTimer_Timer() {
    const int32_t start = std::max(freq_.min(), freq_.Low());
    const int32_t end = std::min(freq_.max(), freq_.High());
    link_.SetUpScan(0, s_.VnaScanSize, start, end, s_.SpeedSelected, s_.FilterTime, 24,
                    s_.ControlBytes[0], s_.ControlBytes[1], s_.ControlBytes[2],
                    s_.ControlBytes[3], s_.ControlBytes[4]);
    link_.NewScan(0);
    InitLiv(s_);
    // The graphs follow the range now swept (unless their frequency is free).
    GetQRGLimits();
    if (views_)
        views_->Refscreen();
    newRange_ = true;
    timer_.stop();
}

void SweepControl::GetQRGLimits() {
    if (views_)
        views_->NewQrg(freq_.min(), freq_.max());
    qrgInfo_ = "Center= " + QString::fromStdString(QrgUnit(freq_.valu(2))) + " Div= " +
               QString::fromStdString(QrgUnit(freq_.Div()));
    emit CaptionsChanged();
}
