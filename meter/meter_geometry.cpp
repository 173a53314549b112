#include "meter_geometry.h"

#include <cmath>

namespace Pointel::geometry {

namespace {
double radians(double degrees) { return degrees * kPi / 180.0; }
}  // namespace

QPointF scalePoint(double w, double h, int m, double a) {
  const double theta = radians(120.0 - a);
  return {w / 2.0 + w * std::cos(theta), h / m + h - h * std::sin(theta)};
}

QPointF pivot(double w, double h, int m) { return {w / 2.0, h - h / m}; }

QRectF scaleArc(double w, double h, int m) { return {-w / 2.0, h / m, 2.0 * w, 2.0 * h}; }

QLineF arm(double w, double h, int m, double a) {
  return {scalePoint(w, h, m, a), pivot(w, h, m)};
}

QLineF tick(double w, double h, int m, int i) {
  const QLineF full = arm(w, h, m, kDegreesPerDivision * i);
  const double dx = (full.x1() - full.x2()) * m / 200.0;
  const double dy = (full.y1() - full.y2()) * m / 200.0;
  return {full.x1() + dx, full.y1() + dy, full.x1() - dx, full.y1() - dy};
}

QPointF labelTopLeft(const QLineF &t, double labelWidth) {
  const double top = (t.y1() + t.y2()) / 2.0 + std::abs(t.y1() - t.y2());
  const double left = (t.x1() + t.x2()) / 2.0 - (t.x1() - t.x2()) - labelWidth / 2.0;
  return {left, top};
}

QPointF makerTopLeft(double w, double h, QSizeF size) {
  return {w / 2.0 - size.width() / 2.0, h - size.height()};
}

QPointF captionTopLeft(double w, double h, int m, QSizeF size) {
  return {w / 2.0 - size.width() / 2.0, h / 2.0 - h / m};
}

int captionPointSize(const std::function<double(int)> &widthAt, double w) {
  for (int size : kCaptionSizes) {
    if (widthAt(size) >= w / 3.0) return size;
  }
  return kCaptionSizes.back();
}

}  // namespace Pointel::geometry
