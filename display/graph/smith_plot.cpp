#include "display/graph/smith_plot.h"

#include "display/graph/marker_text.h"
#include "display/graph/trace_map.h"
#include "display/measure/formatting.h"
#include "display/measure/point_list.h"
#include "display/sfile/sdata_lookup.h"

#include <cmath>
#include <limits>

namespace {

constexpr int kMinArea = 67;  // 1000 units of the window at 15 units per pixel
constexpr int kMargin = 26;   // room for the labels around the unit circle
constexpr int kStoredSteps = 100;
constexpr int kFirstStored = 9;
constexpr double kPiSmith = 3.14159265358979;

constexpr std::array<ScaleRow, kScaleCount> kRows{{
    {false, -200, 200, 10, -100, 100},
    {false, 1, 1, 10, 1, 1},
    {false, 1, 100, 10, 1, 11},
    {false, -360, 360, 10, -150, 150},
    {false, 400000, 610000000, 10, 500000, 500000 + 500000000},
}};

const QColor kFore(120, 120, 120);  // the grid families
const QColor kRingRed(255, 0, 0);

QPoint Round(QPointF p) { return {static_cast<int>(std::lround(p.x())), static_cast<int>(std::lround(p.y()))}; }

} // namespace

SmithLines::SmithLines() {
    const char* const ohms[] = {"12.5", "25", "50", "100", "200", "400", ""};
    const char* const ratios[] = {"1.5", "2", "2.5", "3", "4", "", ""};
    for (int f = 0; f < kFamilyCount; ++f)
        for (int i = 0; i < kFields; ++i)
            fields[static_cast<size_t>(f)][static_cast<size_t>(i)] = f == kLVSWR ? ratios[i] : ohms[i];
}

const char* SmithLines::Name(int f) {
    static const char* const n[] = {"LR", "LPJ", "LNJ", "LVSWR"};
    return f >= 0 && f < kFamilyCount ? n[f] : "";
}
const char* SmithLines::LabelName(int f) {
    static const char* const n[] = {"LabLR", "LabLPJ", "LabLNJ", "LabLVSWR"};
    return f >= 0 && f < kFamilyCount ? n[f] : "";
}
const char* SmithLines::TickName(int f) {
    static const char* const n[] = {"LRL", "LPJL", "LNJL", "LVSWRL"};
    return f >= 0 && f < kFamilyCount ? n[f] : "";
}

void SetupSmithScales(ScaleSet& set, const GraphSettings& settings) {
    ConfigureScales(set, kRows);
    Skala& db = set[kScaleTrans];
    db.setNail(5);
    db.setDiv(10);
    // Div alone leaves max where it was; ten divisions again, so that the
    // ring labels (valu at 1..9) lie where the decibel mapping draws them.
    db.setMax(db.min() + 10 * db.Div());
    set[kScaleQrg].setMax(set[kScaleQrg].min() + 500000000);
    TickChange(set, settings);
}

QString SmithHoverText(const MarkerReading& r) {
    static const char* const names[] = {"S11", "S21", "S12", "S22"};
    if (!r.found)
        return {};
    const QString f = QString::fromStdString(QrgUnit(static_cast<int32_t>(std::lround(r.frequencyHz * 10))));
    const double m = std::abs(r.s), deg = std::arg(r.s) * 180.0 / kPiSmith;
    if (!IsReflection(r.k))
        return QString("%1  %2 = %3 dB ∠ %4°  (|%2| %5)")
            .arg(f, names[r.k], QString::number(r.db, 'f', 2), QString::number(deg, 'f', 1),
                 QString::number(m, 'f', 4));
    QString z;
    if (std::isfinite(r.z.real()))
        z = QString::number(r.z.real(), 'f', 2) + (r.z.imag() < 0 ? " - j" : " + j") +
            QString::number(std::abs(r.z.imag()), 'f', 2) + " Ω";
    else
        z = "∞";
    const QString lc = r.henry > 0 ? "L = " + SiText(r.henry, "H") : r.farad > 0 ? "C = " + SiText(r.farad, "F") : "";
    return QString("%1  Γ = %2 ∠ %3°  Z = %4  VSWR %5  %6")
        .arg(f, QString::number(m, 'f', 4), QString::number(deg, 'f', 1), z,
             std::isfinite(r.vswr) ? QString::number(r.vswr, 'f', 3) : QString("∞"), lc)
        .trimmed();
}

SmithPlot::SmithPlot(const MeasureState& s, const GraphSettings& settings, MarkerTable& markers)
    : s_(s), settings_(settings), markers_(markers) {
    SetupSmithScales(scales_, settings_);
}

void SmithPlot::SetFrame(const SmithFrame& f) {
    frame_ = f;
    for (int i = 0; i < kScaleQrg; ++i) {
        scales_[i].setOffset(0);
        scales_[i].setPoints(static_cast<int32_t>(std::lround(f.R)));
    }
}

void SmithPlot::Layout(QSize area) {
    if (area.width() < kMinArea || area.height() < kMinArea) {
        layoutValid_ = false;
        return;
    }
    SetFrame(SmithFrame::Fit(area.width(), area.height(), kMargin));
    if (store_.image().size() != area) {
        store_.Reset(area);
        live_.Forget();
        painted_.Forget();
    }
    layoutValid_ = true;
}

void SmithPlot::setDispType(int index) {
    if (index < 0 || index > 2)
        return;
    dispType_ = index;
    if (index == 2) {
        shown_ = s_.Smessure >= 0 && s_.Smessure <= 3 ? s_.Smessure : shown_;
        mode_ = IsReflectionK(shown_) ? 0 : 1;
    } else {
        mode_ = index;
    }
}

void SmithPlot::Messurechange(int k) {
    if (k < 0 || k > 3)
        return;
    shown_ = k;
    if (dispType_ == 2)
        mode_ = IsReflectionK(k) ? 0 : 1;
}

bool SmithPlot::InWindow(double f) const {
    const Skala& q = scales_[kScaleQrg];
    return f >= q.min() && f <= q.max();
}

std::optional<QPointF> SmithPlot::LivePoint(int16_t p, int k) const {
    if (p < 2 || p >= kQrgPointCount || k < 0 || k > 3)
        return std::nullopt;
    const size_t t = static_cast<size_t>(s_.Livestable);
    if (t >= static_cast<size_t>(kSdataTables))
        return std::nullopt;
    const SBlock& b = s_.Sdata[t][static_cast<size_t>(p)].S[static_cast<size_t>(k)];
    if (IsReflectionK(k)) {
        if (!std::isfinite(b.MA.real()) || !std::isfinite(b.MA.imag()))
            return std::nullopt;
        return frame_.Linear(b.MA.real(), b.MA.imag());
    }
    if (!std::isfinite(b.DB.imag()) || std::isnan(b.DB.real()))
        return std::nullopt;
    return frame_.Decibel(std::isfinite(b.DB.real()) ? b.DB.real() : -1000.0, b.DB.imag(), scales_[kScaleTrans]);
}

bool SmithPlot::LiveSegment(int16_t p, int k, QPointF& a, QPointF& b) const {
    if (p < 2 || p >= kQrgPointCount)
        return false;
    const int16_t q = s_.QrgPoints[p].prev;
    if (q < 2 || q >= kQrgPointCount)
        return false;  // the first point of the sweep
    const size_t t = static_cast<size_t>(s_.Livestable);
    if (t >= static_cast<size_t>(kSdataTables) || !settings_.rows[0].visible[static_cast<size_t>(k)] ||
        s_.SdataHead[t].State(k) == kSAbsent)
        return false;
    if (!InWindow(s_.QrgPoints[q].Qrg) || !InWindow(s_.QrgPoints[p].Qrg))
        return false;
    const auto pa = LivePoint(q, k), pb = LivePoint(p, k);
    if (!pa || !pb)
        return false;
    a = *pa;
    b = *pb;
    return true;
}

void SmithPlot::EachSegment(const Segment& seg) const {
    const int width = std::max<int>(1, s_.LineTykkelse);
    const Skala& x = scales_[kScaleQrg];
    for (int t = kFirstStored; t < kSdataTables; ++t) {
        const SdataHeadRec& head = s_.SdataHead[static_cast<size_t>(t)];
        if (head.Length < 3)
            continue;
        const TraceRow& row = settings_.rows[static_cast<size_t>(t)];
        for (int k = 0; k < 4; ++k) {
            if (!row.visible[static_cast<size_t>(k)] || head.State(k) == kSAbsent)
                continue;
            const bool refl = IsReflectionK(k);
            const auto sample = [&](double f, SdataSample& v) {
                v = SdataSample{};
                const auto fi = static_cast<int32_t>(std::lround(f));
                if (refl)
                    SdataMAAt(s_.Sdata[static_cast<size_t>(t)], head, fi, k, v);
                else
                    SdataDBAt(s_.Sdata[static_cast<size_t>(t)], head, fi, k, v);
            };
            const auto place = [&](const SdataSample& v) {
                return refl ? frame_.Linear(v.value, v.angle) : frame_.Decibel(v.value, v.angle, scales_[kScaleTrans]);
            };
            const double lo = x.min(), step = (static_cast<double>(x.max()) - x.min()) / kStoredSteps;
            SdataSample a, b;
            sample(lo, a);
            for (int i = 1; i <= kStoredSteps; ++i) {
                sample(lo + i * step, b);
                if (a.found && b.found)
                    seg(-1, k, place(a), place(b), row.colour[static_cast<size_t>(k)], width);
                a = b;
            }
        }
    }
    for (int k = 0; k < 4; ++k) {
        const QRgb colour = settings_.rows[0].colour[static_cast<size_t>(k)];
        for (int16_t p = NextLive(s_, kLowerEnd); p != kUpperEnd; p = NextLive(s_, p)) {
            QPointF a, b;
            if (LiveSegment(p, k, a, b))
                seg(p, k, a, b, colour, width);
        }
    }
}

void SmithPlot::DrawGrid(QPainter& p) const {
    const SmithFrame& f = frame_;
    const int w = std::max<int>(1, s_.LineTykkelse);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(Qt::NoBrush);
    const QPointF c(f.cx, f.cy);
    if (mode_ == 0) {
        for (int fam = 0; fam < kFamilyCount; ++fam) {
            QPen pen(kFore, w);
            if (fam == kLVSWR)
                pen.setStyle(Qt::DashLine);
            p.setPen(pen);
            for (const QString& text : lines_.fields[static_cast<size_t>(fam)]) {
                const double v = GridFieldValue(text);
                if (v == 0)
                    continue;
                if (fam == kLR) {
                    if (const auto circle = ResistanceCircle(f, v))
                        p.drawEllipse(circle->centre, circle->radius, circle->radius);
                } else if (fam == kLVSWR) {
                    if (const auto circle = VswrCircle(f, v))
                        p.drawEllipse(circle->centre, circle->radius, circle->radius);
                } else if (const auto arc = ReactanceArc(f, fam == kLPJ ? v : -v)) {
                    const double r = arc->circle.radius;
                    p.drawArc(QRectF(arc->circle.centre - QPointF(r, r), QSizeF(2 * r, 2 * r)),
                              static_cast<int>(std::lround(arc->startDeg * 16)),
                              static_cast<int>(std::lround(arc->spanDeg * 16)));
                }
            }
        }
    } else {
        const auto radii = PolarRingRadii(f);
        for (int k = 1; k <= 9; ++k) {
            p.setPen(QPen(k == 5 ? kRingRed : QColor(Qt::black), w));
            const double r = radii[static_cast<size_t>(k - 1)];
            p.drawEllipse(c, r, r);
        }
    }
    // The unit circle and the horizontal axis.
    p.setPen(QPen(Qt::black, w));
    p.drawEllipse(c, f.R, f.R);
    p.drawLine(QPointF(f.cx - f.R, f.cy), QPointF(f.cx + f.R, f.cy));
}

std::vector<GridLabel> SmithPlot::Labels() const {
    std::vector<GridLabel> out;
    const SmithFrame& f = frame_;
    if (mode_ == 1) {
        const auto radii = PolarRingRadii(f);
        for (int k = 1; k <= 9; ++k)
            out.push_back({-1, k, QString::number(scales_[kScaleTrans].valu(k)),
                           QPointF(f.cx, f.cy - radii[static_cast<size_t>(k - 1)] - 7), k == 5});
        return out;
    }
    for (int fam = 0; fam < kFamilyCount; ++fam) {
        if (!lines_.labels[static_cast<size_t>(fam)])
            continue;
        for (int i = 0; i < SmithLines::kFields; ++i) {
            const QString text = lines_.fields[static_cast<size_t>(fam)][static_cast<size_t>(i)].trimmed();
            const double v = GridFieldValue(text);
            if (v == 0)
                continue;
            GridLabel l{fam, i, text, {}, false};
            if (fam == kLR) {
                const auto circle = ResistanceCircle(f, v);
                if (!circle)
                    continue;
                l.at = QPointF(circle->centre.x(), circle->centre.y() - circle->radius - 7);
            } else if (fam == kLVSWR) {
                const auto circle = VswrCircle(f, v);
                if (!circle)
                    continue;
                l.at = QPointF(f.cx - circle->radius, f.cy + 8);
            } else {
                const auto arc = ReactanceArc(f, fam == kLPJ ? v : -v);
                if (!arc)
                    continue;
                const std::complex<double> out1 = arc->meetGamma * 1.09;
                l.at = f.ToPixel(out1);
            }
            out.push_back(l);
        }
    }
    return out;
}

void SmithPlot::Refscreen() {
    store_.Reset(store_.image().size());
    live_.Forget();
    slideDots_.clear();
    painted_.Forget();
    if (!layoutValid_ || !store_.valid())
        return;
    {
        // One painter for the whole picture: the grid and the stored tables
        // with the copy pen, the live segments with the inverting one.
        QPainter p(&store_.image());
        DrawGrid(p);
        EachSegment([&](int point, int k, QPointF a, QPointF b, QRgb colour, int width) {
            if (SegmentRecord* r = live_.at(point, k)) {
                p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
                BackingStore::Replace(p, *r, Round(a), Round(b), colour, width, false);
            } else {
                p.setCompositionMode(QPainter::CompositionMode_SourceOver);
                p.setPen(QPen(QColor::fromRgb(colour), width, Qt::SolidLine, Qt::RoundCap));
                p.drawLine(Round(a), Round(b));
            }
        });
    }
    markers_.Follow(s_, settings_.Vswr());
    for (int k = 0; k < MarkerTable::kMarkers; ++k)
        marker(k);
}

void SmithPlot::Makesmithlive(int16_t p) {
    const int k = s_.Smessure;
    if (k >= 0 && k <= 3 && settings_.rows[0].visible[static_cast<size_t>(k)])
        Drawsmithlive(p);
}

void SmithPlot::Drawsmithlive(int16_t p) {
    const int k = s_.Smessure;
    if (!layoutValid_ || p < 2 || p >= kQrgPointCount || k < 0 || k > 3)
        return;
    SegmentRecord* r = live_.at(p, k);
    if (!r)
        return;
    QPointF a, b;
    if (LiveSegment(p, k, a, b)) {
        store_.Replace(*r, Round(a), Round(b), settings_.rows[0].colour[static_cast<size_t>(k)],
                       std::max<int>(1, s_.LineTykkelse), false);
    } else if (r->drawn) {
        if (auto xp = store_.XorPainter())
            BackingStore::Remove(*xp, *r);
    }
    const int16_t q = s_.QrgPoints[p].prev;
    MarkersFollow(q >= 2 && q < kQrgPointCount ? s_.QrgPoints[q].Qrg : s_.QrgPoints[p].Qrg, s_.QrgPoints[p].Qrg);
}

void SmithPlot::MarkersFollow(double fLow, double fHigh) {
    for (int k = 0; k < MarkerTable::kMarkers; ++k) {
        if (markers_.used(k) && markers_.at(k).frequency >= fLow && markers_.at(k).frequency <= fHigh)
            marker(k);
        else if (!markers_.used(k))
            painted_.Unpaint(store_, k);  // deleted in another window
    }
}

std::optional<QPointF> SmithPlot::MarkerPoint(int k) const {
    if (!markers_.used(k) || !InWindow(markers_.at(k).frequency))
        return std::nullopt;
    const int par = MarkerTable::Parameter(markers_.at(k).kind, s_.Smessure);
    const MarkerReading r = ReadAt(s_, s_.Livestable, markers_.at(k).frequency, par);
    if (!r.found)
        return std::nullopt;
    if (IsReflectionK(par))
        return frame_.ToPixel(r.s);
    return frame_.Decibel(std::isfinite(r.db) ? r.db : -1000.0, std::arg(r.s), scales_[kScaleTrans]);
}

void SmithPlot::marker(int k) {
    if (k < 0 || k >= MarkerTable::kMarkers)
        return;
    painted_.Unpaint(store_, k);
    if (!layoutValid_)
        return;
    if (const auto at = MarkerPoint(k))
        painted_.Paint(store_, k, Round(*at), true, k == markers_.reference());
}

std::optional<SmithHover> SmithPlot::HoverAt(QPointF pos, double reach) const {
    const int k = shown_;
    const size_t t = static_cast<size_t>(s_.Livestable);
    if (!layoutValid_ || t >= static_cast<size_t>(kSdataTables) || s_.SdataHead[t].State(k) == kSAbsent)
        return std::nullopt;
    std::optional<SmithHover> best;
    double bestD = reach * reach;
    for (int16_t p = NextLive(s_, kLowerEnd); p != kUpperEnd; p = NextLive(s_, p)) {
        if (!InWindow(s_.QrgPoints[p].Qrg) || !s_.QrgPoints[p].Complete())
            continue;
        const auto at = LivePoint(p, k);
        if (!at)
            continue;
        const QPointF d = *at - pos;
        const double dd = d.x() * d.x() + d.y() * d.y();
        if (dd <= bestD) {
            bestD = dd;
            best = SmithHover{p, *at, {}};
        }
    }
    if (best)
        best->reading = ReadAt(s_, s_.Livestable, s_.QrgPoints[best->point].Qrg, k);
    return best;
}

std::vector<SmithPlot::SlideValue> SmithPlot::SlideReadout(double f) {
    if (auto xp = store_.XorPainter())
        for (SegmentRecord& d : slideDots_)
            BackingStore::Remove(*xp, d);
    slideDots_.clear();
    std::vector<SlideValue> out;
    const int width = std::max<int>(1, s_.LineTykkelse);
    for (int t = kFirstStored; t < kSdataTables; ++t) {
        const SdataHeadRec& head = s_.SdataHead[static_cast<size_t>(t)];
        if (head.Length < 3)
            continue;
        for (int k = 0; k < 4; ++k) {
            if (!settings_.rows[static_cast<size_t>(t)].visible[static_cast<size_t>(k)] || head.State(k) == kSAbsent)
                continue;
            SdataSample v;
            const auto fi = static_cast<int32_t>(std::lround(f));
            const bool refl = IsReflectionK(k);
            if (refl)
                SdataMAAt(s_.Sdata[static_cast<size_t>(t)], head, fi, k, v);
            else
                SdataDBAt(s_.Sdata[static_cast<size_t>(t)], head, fi, k, v);
            out.push_back({t, k, v.found, v.value});
            if (!v.found || !layoutValid_)
                continue;
            const QPoint at = Round(refl ? frame_.Linear(v.value, v.angle)
                                         : frame_.Decibel(v.value, v.angle, scales_[kScaleTrans]));
            SegmentRecord d;
            store_.Replace(d, at, at, settings_.rows[static_cast<size_t>(t)].colour[static_cast<size_t>(k)], width, true);
            slideDots_.push_back(d);
        }
    }
    return out;
}

void SmithPlot::DrawPicture(QPainter& p, const QRect& area) {
    const SmithFrame saved = frame_;
    SetFrame(SmithFrame::Fit(area.width(), area.height(), kMargin));
    p.save();
    p.translate(area.topLeft());
    p.fillRect(QRect(QPoint(0, 0), area.size()), Qt::white);
    DrawGrid(p);
    const QFontMetrics fm = p.fontMetrics();
    for (const GridLabel& l : Labels()) {
        p.setPen(l.red ? kRingRed : QColor(60, 60, 60));
        const int w = fm.horizontalAdvance(l.text) + 4, h = fm.height();
        p.drawText(QRectF(l.at.x() - w / 2.0, l.at.y() - h / 2.0, w, h), Qt::AlignCenter, l.text);
    }
    // Lines are clipped by geometry: SVG output keeps no clip regions.
    const QRectF clip(0, 0, area.width() - 1, area.height() - 1);
    p.setRenderHint(QPainter::Antialiasing, true);
    EachSegment([&](int, int, QPointF a, QPointF b, QRgb colour, int width) {
        if (const auto l = ClipLine(QLineF(a, b), clip)) {
            p.setPen(QPen(QColor::fromRgb(colour), width + 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawLine(*l);
        }
        // A dot on every point: a trace that stays in one place (a short, an
        // attenuator) still shows.
        if (settings_.dots && clip.contains(b)) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor::fromRgb(colour));
            p.drawEllipse(b, 1.5 * width + 0.5, 1.5 * width + 0.5);
            p.setBrush(Qt::NoBrush);
        }
    });
    p.setRenderHint(QPainter::Antialiasing, false);
    markers_.Follow(s_, settings_.Vswr());
    for (int k = 0; k < MarkerTable::kMarkers; ++k) {
        const auto at = MarkerPoint(k);
        if (!at || !clip.contains(*at))
            continue;
        const QColor c = k == markers_.reference() ? QColor(200, 0, 0) : QColor(Qt::black);
        p.setPen(QPen(c, 1));
        p.setBrush(c);
        const QPointF a = *at;
        p.drawPolygon(QPolygonF({a, a + QPointF(-6, -9), a + QPointF(6, -9)}));
        p.drawText(a + QPointF(-3, -11), QString::number(k + 1));
    }
    p.restore();
    SetFrame(saved);
}
