#pragma once
// Face geometry of the needle meter: pure functions of the inner size
// (w, h in pixels), the margin divisor and the scale angle. No widgets.
//
// Scale angles a run from 0 (left end) to 60 (right end) degrees; the drawing
// angle is 120 - a. The margin divisor m must not be 0 (the caller replaces
// 0 by 10 before laying out).

#include <QLineF>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <array>
#include <functional>

namespace Pointel::geometry {

inline constexpr double kPi = 3.14159265358979;
inline constexpr int kDivisions = 11;        // ticks and labels 0 ... 10
inline constexpr double kDegreesPerDivision = 6.0;
inline constexpr double kMidScale = 30.0;    // angle the needle returns to
inline constexpr double kFullScale = 60.0;   // angle of Value 1
inline constexpr int kDefaultMarg = 10;
// Font sizes (points) tried for the unit caption, smallest first.
inline constexpr std::array<int, 5> kCaptionSizes{8, 10, 12, 14, 18};

// Point on the scale ellipse for scale angle a.
QPointF scalePoint(double w, double h, int m, double a);

// Inner end of the needle and of the unlabelled tick lines: (w/2, h - h/m).
QPointF pivot(double w, double h, int m);

// Bounding rectangle of the scale ellipse: left -w/2, top h/m, size 2w x 2h.
QRectF scaleArc(double w, double h, int m);

// The needle for scale angle a: p1 on the scale, p2 at the pivot.
QLineF arm(double w, double h, int m, double a);

// Tick i (0 ... 10): the line from the scale point towards the pivot,
// shortened to m/100 of its length and centred on the scale point; p1 lies
// outside the arc, p2 inside.
QLineF tick(double w, double h, int m, int i);

// Top-left corner of a label of the given width placed against a tick:
// centred one tick length inside the arc.
QPointF labelTopLeft(const QLineF &tick, double labelWidth);

// Top-left corner of the maker's caption (bottom centre of the face).
QPointF makerTopLeft(double w, double h, QSizeF size);

// Top-left corner of the unit caption (centred, h/2 - h/m from the top).
QPointF captionTopLeft(double w, double h, int m, QSizeF size);

// The caption font size: the first of kCaptionSizes at which widthAt(size)
// reaches a third of w, else the largest.
int captionPointSize(const std::function<double(int)> &widthAt, double w);

}  // namespace Pointel::geometry
