#include "display/graph/qrg_plot.h"

#include "display/graph/trace_map.h"
#include "display/measure/point_list.h"
#include "display/sfile/sdata_lookup.h"

#include <cmath>

namespace {

constexpr int kMinArea = 67;  // 1000 units of the window at 15 units per pixel
constexpr int kStoredSteps = 100;
constexpr int kFirstStored = 9;

QRgb GridColour(int line) { return line == 5 ? qRgb(150, 150, 150) : qRgb(205, 205, 205); }

} // namespace

QrgPlot::QrgPlot(const MeasureState& s, const GraphSettings& settings, MarkerTable& markers)
    : s_(s), settings_(settings), markers_(markers) {
    SetupQrgScales(scales_, settings_);
}

void QrgPlot::Layout(QSize area) {
    if (area.width() < kMinArea || area.height() < kMinArea) {
        layoutValid_ = false;
        return;
    }
    for (int i = 0; i < kScaleCount; ++i) {
        scales_[i].setOffset(0);
        scales_[i].setPoints((i == kScaleQrg ? area.width() : area.height()) - 1);
    }
    if (store_.image().size() != area) {
        store_.Reset(area);
        live_.Forget();
        painted_.Forget();
    }
    layoutValid_ = true;
}

void QrgPlot::DrawGrid(QPainter& p, QSize size) const {
    const int w = size.width() - 1, h = size.height() - 1;
    for (int i = 1; i < 10; ++i) {
        p.setPen(QPen(QColor::fromRgb(GridColour(i)), 0));
        const int x = static_cast<int>(std::lround(i * w / 10.0));
        const int y = static_cast<int>(std::lround(i * h / 10.0));
        p.drawLine(x, 0, x, h);
        p.drawLine(0, y, w, y);
    }
    p.setPen(QPen(Qt::black, 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, w, h);
}

bool QrgPlot::LiveSegment(int16_t p, int trace, QPoint& a, QPoint& b) const {
    if (p < 2 || p >= kQrgPointCount)
        return false;
    const int16_t q = s_.QrgPoints[p].prev;
    if (q < 2 || q >= kQrgPointCount)
        return false;  // the first point of the sweep: no predecessor
    const size_t t = static_cast<size_t>(s_.Livestable);
    if (t >= static_cast<size_t>(kSdataTables))
        return false;
    const int k = trace == kTracePhase ? phaseParameter() : trace;
    if (!settings_.GrafProb[0] || !settings_.rows[0].visible[static_cast<size_t>(trace)] ||
        s_.SdataHead[t].State(k) == kSAbsent)
        return false;
    const SdataTable& tab = s_.Sdata[t];
    const Skala& x = scales_[kScaleQrg];
    const bool vswr = settings_.Vswr();
    const auto y = [&](int16_t i) {
        const Cplx db = tab[static_cast<size_t>(i)].S[static_cast<size_t>(k)].DB;
        if (trace == kTracePhase)
            return scales_[kScalePhase].GetPoint(PlotPhaseDeg(db.imag()));
        return scales_[MagnitudeScale(k, vswr)].GetPoint(PlotMagnitude(db.real(), k, vswr));
    };
    a = QPoint(x.GetPoint(s_.QrgPoints[q].Qrg), y(q));
    b = QPoint(x.GetPoint(s_.QrgPoints[p].Qrg), y(p));
    return true;
}

void QrgPlot::EachSegment(const Segment& seg) const {
    const int width = std::max<int>(1, s_.LineTykkelse);
    const bool vswr = settings_.Vswr();
    const Skala& x = scales_[kScaleQrg];
    // Stored tables over 100 steps of the shown frequency range.
    for (int t = kFirstStored; t < kSdataTables; ++t) {
        const SdataHeadRec& head = s_.SdataHead[static_cast<size_t>(t)];
        if (head.Length < 3 || !settings_.GrafProb[static_cast<size_t>(t)])
            continue;
        const TraceRow& row = settings_.rows[static_cast<size_t>(t)];
        int phaseOf = -1;
        for (int k = 0; k < 4; ++k)
            if (head.State(k) != kSAbsent && (phaseOf < 0 || k == phaseParameter()))
                phaseOf = k;
        for (int trace = 0; trace < kTraceCount; ++trace) {
            const int k = trace == kTracePhase ? phaseOf : trace;
            if (k < 0 || !row.visible[static_cast<size_t>(trace)] || head.State(k) == kSAbsent)
                continue;
            const Skala& ys = scales_[trace == kTracePhase ? int{kScalePhase} : MagnitudeScale(k, vswr)];
            const auto plotted = [&](const SdataSample& v) {
                return trace == kTracePhase ? double(PlotPhaseDeg(v.angle)) : PlotMagnitude(v.value, k, vswr);
            };
            const double lo = x.min(), step = (static_cast<double>(x.max()) - x.min()) / kStoredSteps;
            SdataSample a, b;
            SdataDBAt(s_.Sdata[static_cast<size_t>(t)], head, static_cast<int32_t>(std::lround(lo)), k, a);
            for (int i = 1; i <= kStoredSteps; ++i) {
                b = SdataSample{};
                SdataDBAt(s_.Sdata[static_cast<size_t>(t)], head,
                          static_cast<int32_t>(std::lround(lo + i * step)), k, b);
                if (a.found && b.found)
                    seg(-1, trace, QPoint(x.GetPoint(a.frequency), ys.GetPoint(plotted(a))),
                        QPoint(x.GetPoint(b.frequency), ys.GetPoint(plotted(b))),
                        row.colour[static_cast<size_t>(trace)], width, false);
                a = b;
            }
        }
    }
    // The live table, every visible trace over all its points.
    for (int trace = 0; trace < kTraceCount; ++trace) {
        const QRgb colour = settings_.rows[0].colour[static_cast<size_t>(trace)];
        for (int16_t p = NextLive(s_, kLowerEnd); p != kUpperEnd; p = NextLive(s_, p)) {
            QPoint a, b;
            if (LiveSegment(p, trace, a, b))
                seg(p, trace, a, b, colour, width, settings_.dots);
        }
    }
}

void QrgPlot::Refscreen() {
    if (!layoutValid_) {
        store_.Reset(store_.image().size());
        return;
    }
    store_.Reset(store_.image().size());
    live_.Forget();
    painted_.Forget();
    {
        QPainter p(&store_.image());
        DrawGrid(p, store_.image().size());
    }
    EachSegment([this](int point, int trace, QPoint a, QPoint b, QRgb colour, int width, bool dot) {
        if (SegmentRecord* r = live_.at(point, trace))
            store_.Replace(*r, a, b, colour, width, dot);
        else
            store_.XorSegment(a, b, colour, width, dot);
    });
    markers_.Follow(s_, settings_.Vswr());
    for (int k = 0; k < MarkerTable::kMarkers; ++k)
        marker(k);
}

void QrgPlot::makelive(int16_t p) {
    if (!layoutValid_ || p < 2 || p >= kQrgPointCount)
        return;
    const int width = std::max<int>(1, s_.LineTykkelse);
    {
        const auto painter = store_.XorPainter();
        if (!painter)
            return;
        for (int trace : {static_cast<int>(s_.Smessure), static_cast<int>(kTracePhase)}) {
            SegmentRecord* r = live_.at(p, trace);
            if (!r)
                continue;
            QPoint a, b;
            if (LiveSegment(p, trace, a, b)) {
                BackingStore::Replace(*painter, *r, a, b,
                                      settings_.rows[0].colour[static_cast<size_t>(trace)], width,
                                      settings_.dots);
            } else {
                // Drawn before, not now (hidden, or the point lost its predecessor).
                BackingStore::Remove(*painter, *r);
            }
        }
    }
    const int16_t q = s_.QrgPoints[p].prev;
    MarkersFollow(q >= 2 && q < kQrgPointCount ? s_.QrgPoints[q].Qrg : s_.QrgPoints[p].Qrg,
                  s_.QrgPoints[p].Qrg);
}

void QrgPlot::MarkersFollow(double fLow, double fHigh) {
    bool any = false;
    for (int k = 0; k < MarkerTable::kMarkers; ++k)
        any = any || (markers_.used(k) && markers_.at(k).frequency >= fLow && markers_.at(k).frequency <= fHigh);
    if (!any)
        return;
    const unsigned changed = markers_.Follow(s_, settings_.Vswr());
    for (int k = 0; k < MarkerTable::kMarkers; ++k)
        if (changed & (1u << k))
            marker(k);
}

QPoint QrgPlot::MarkerPoint(const MarkerRecord& m) const {
    const int scale = m.scale >= 0 && m.scale < kScaleQrg ? m.scale : 0;
    return QPoint(scales_[kScaleQrg].GetPoint(m.frequency), scales_[scale].GetPoint(m.value));
}

void QrgPlot::Unpaint(int k) { painted_.Unpaint(store_, k); }

void QrgPlot::marker(int k) {
    if (k < 0 || k >= MarkerTable::kMarkers)
        return;
    Unpaint(k);
    if (!layoutValid_ || !markers_.used(k))
        return;
    const MarkerRecord& m = markers_.at(k);
    painted_.Paint(store_, k, MarkerPoint(m), m.kind == kMarkQrg, k == markers_.reference());
}

std::optional<QPoint> QrgPlot::markerPos(int k) const { return painted_.HotSpot(k); }

void QrgPlot::DrawPicture(QPainter& p, const QRect& area) {
    std::array<std::pair<int32_t, int32_t>, kScaleCount> saved;
    for (int i = 0; i < kScaleCount; ++i) {
        saved[static_cast<size_t>(i)] = {scales_[i].Offset(), scales_[i].Points()};
        scales_[i].setOffset(0);
        scales_[i].setPoints((i == kScaleQrg ? area.width() : area.height()) - 1);
    }
    p.save();
    p.translate(area.topLeft());
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRect(QPoint(0, 0), area.size()), Qt::white);
    DrawGrid(p, area.size());
    // Every point is clamped into the area by the scales, so nothing needs
    // clipping (SVG output keeps no clip regions).
    EachSegment([&p](int, int, QPoint a, QPoint b, QRgb colour, int width, bool) {
        p.setPen(QPen(QColor::fromRgb(colour), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(a, b);
    });
    markers_.Follow(s_, settings_.Vswr());
    for (int k = 0; k < MarkerTable::kMarkers; ++k) {
        if (!markers_.used(k))
            continue;
        const MarkerRecord& m = markers_.at(k);
        const QPoint at = MarkerPoint(m);
        const QColor c = k == markers_.reference() ? QColor(200, 0, 0) : QColor(Qt::black);
        p.setPen(QPen(c, 1));
        p.setBrush(c);
        if (m.kind == kMarkQrg)
            p.drawPolygon(QPolygon({at, at + QPoint(-6, -9), at + QPoint(6, -9)}));
        else
            p.drawPolygon(QPolygon({at, at + QPoint(8, -6), at + QPoint(8, 6)}));
        p.drawText(m.kind == kMarkQrg ? at + QPoint(-3, -11) : at + QPoint(10, 4), QString::number(k + 1));
    }
    p.restore();
    for (int i = 0; i < kScaleCount; ++i) {
        scales_[i].setOffset(saved[static_cast<size_t>(i)].first);
        scales_[i].setPoints(saved[static_cast<size_t>(i)].second);
    }
}
