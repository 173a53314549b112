#include "display/graph/smith_geometry.h"

#include "display/graph/skala.h"
#include "link/text_rules.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kDeg = 180.0 / 3.14159265358979;
}

SmithFrame SmithFrame::Fit(double width, double height, double margin) {
    SmithFrame f;
    f.cx = std::floor(width / 2.0);
    f.cy = std::floor(height / 2.0);
    f.R = std::max(1.0, std::floor(std::min(width, height) / 2.0 - margin));
    return f;
}

QPointF SmithFrame::ToPixel(std::complex<double> g) const {
    return {cx + R * g.real(), cy - R * g.imag()};
}

std::complex<double> SmithFrame::FromPixel(QPointF p) const {
    if (R <= 0)
        return {};
    return {(p.x() - cx) / R, (cy - p.y()) / R};
}

QPointF SmithFrame::Decibel(double db, double phi, const Skala& dbScale) const {
    const double rho = dbScale.GetPoint(db) - dbScale.Offset();
    return {cx + rho * std::cos(phi), cy - rho * std::sin(phi)};
}

double GridFieldValue(const QString& text) {
    const double v = txt::Val(text.toStdString());
    return std::isfinite(v) ? v : 0.0;
}

std::optional<GridCircle> ResistanceCircle(const SmithFrame& f, double ohm) {
    if (!(ohm > 0) || !std::isfinite(ohm))
        return std::nullopt;
    const double r = ohm / kSmithZ0;
    const double radius = f.R / (r + 1);
    return GridCircle{QPointF(f.cx + f.R - radius, f.cy), radius};
}

std::optional<GridArc> ReactanceArc(const SmithFrame& f, double ohm) {
    if (ohm == 0 || !std::isfinite(ohm))
        return std::nullopt;
    const double x = ohm / kSmithZ0;
    GridArc a;
    // Circle of centre (1, 1/x) and radius 1/|x| in the reflection plane.
    const std::complex<double> c(1.0, 1.0 / x);
    a.circle = GridCircle{f.ToPixel(c), f.R / std::abs(x)};
    a.meetGamma = std::complex<double>(x * x - 1, 2 * x) / (x * x + 1);
    a.meet = f.ToPixel(a.meetGamma);
    const std::complex<double> from = std::complex<double>(1, 0) - c, to = a.meetGamma - c;
    a.startDeg = std::atan2(from.imag(), from.real()) * kDeg;
    double span = (std::atan2(to.imag(), to.real()) - std::atan2(from.imag(), from.real())) * kDeg;
    // Above the axis the arc turns clockwise from the right-hand point, below
    // it counter-clockwise; either way the short way inside the unit circle.
    if (x > 0)
        while (span > 0) span -= 360;
    else
        while (span < 0) span += 360;
    a.spanDeg = span;
    return a;
}

std::optional<GridCircle> VswrCircle(const SmithFrame& f, double s) {
    if (!(s > 1) || !std::isfinite(s))
        return std::nullopt;
    return GridCircle{QPointF(f.cx, f.cy), f.R * (s - 1) / (s + 1)};
}

std::array<int, 9> PolarRingRadii(const SmithFrame& f) {
    std::array<int, 9> r{};
    for (int k = 1; k <= 9; ++k)
        r[static_cast<size_t>(k - 1)] = static_cast<int>(txt::RoundHalfEven(k * f.R / 10.0));
    return r;
}

std::optional<QLineF> ClipLine(const QLineF& line, const QRectF& rect) {
    // Liang-Barsky.
    const double dx = line.dx(), dy = line.dy();
    double t0 = 0, t1 = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {line.x1() - rect.left(), rect.right() - line.x1(), line.y1() - rect.top(),
                         rect.bottom() - line.y1()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return std::nullopt;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return std::nullopt;
    }
    return QLineF(line.pointAt(t0), line.pointAt(t1));
}
