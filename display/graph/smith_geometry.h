#pragma once
// The Smith chart as a coordinate system, without widgets: reflection
// coefficient Γ to chart pixel and back, the decibel mapping of the polar
// plot, and the grid as plain geometry (constant-resistance circles,
// constant-reactance arcs clipped to the unit circle, constant-VSWR circles,
// the nine rings of the polar plot) for the drawing code to paint.

#include <QLineF>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <array>
#include <complex>
#include <optional>

class Skala;

/// Reference impedance of the chart, ohms.
constexpr double kSmithZ0 = 50.0;

/// The unit circle in pixels: centre and radius.
struct SmithFrame {
    double cx = 0, cy = 0, R = 0;
    /// The frame of the largest chart that fits `size`, leaving `margin`
    /// pixels around it for labels.
    static SmithFrame Fit(double width, double height, double margin);

    /// Linear mapping: Γ to pixel (positive imaginary part above the axis).
    QPointF ToPixel(std::complex<double> gamma) const;
    /// Linear mapping of magnitude m and angle φ (radians).
    QPointF Linear(double m, double phi) const { return ToPixel(std::polar(m, phi)); }
    /// The inverse of ToPixel.
    std::complex<double> FromPixel(QPointF p) const;
    /// Decibel mapping: radius = scale 0's GetPoint of the dB magnitude, the
    /// angle turning the same way as the linear mapping (positive phase above
    /// the axis). Scale 0's Offset must be 0 and its Points R.
    QPointF Decibel(double db, double phi, const Skala& dbScale) const;
};

/// A circle of the grid, in pixels.
struct GridCircle {
    QPointF centre;
    double radius = 0;
};

/// A constant-reactance arc, in pixels: the part of its circle inside the
/// unit circle, from the chart's right-hand point to `meet`, where it meets
/// the unit circle. Angles in degrees, counter-clockwise on the screen, as
/// QPainter::drawArc takes them (times 16).
struct GridArc {
    GridCircle circle;
    double startDeg = 0, spanDeg = 0;
    std::complex<double> meetGamma;  ///< ((x² - 1) + 2jx) / (x² + 1)
    QPointF meet;
};

/// The value of a grid field: its leading number, 0 when it holds none.
double GridFieldValue(const QString& text);

/// The circle of resistance `ohm` (> 0): radius R / (r + 1), touching the
/// chart's right-hand point. Nothing for 0, negative or non-finite values.
std::optional<GridCircle> ResistanceCircle(const SmithFrame& f, double ohm);
/// The arc of reactance `ohm` (positive: inductive, above the axis;
/// negative: capacitive, below). Nothing for 0 or non-finite values.
std::optional<GridArc> ReactanceArc(const SmithFrame& f, double ohm);
/// The circle of standing-wave ratio s (> 1) around the centre, radius
/// R (s - 1) / (s + 1). Nothing for s <= 1 or non-finite values.
std::optional<GridCircle> VswrCircle(const SmithFrame& f, double s);
/// Radii of the nine rings of the polar plot: k R / 10 for k = 1..9, rounded.
std::array<int, 9> PolarRingRadii(const SmithFrame& f);

/// The part of segment `line` inside `rect`, for outputs that keep no clip
/// regions (SVG); nothing when it lies wholly outside.
std::optional<QLineF> ClipLine(const QLineF& line, const QRectF& rect);
