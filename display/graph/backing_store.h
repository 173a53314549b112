#pragma once
// The picture a graph window paints: a QImage that segments and markers are
// drawn into with an inverting raster operation (source XOR destination),
// so drawing the same thing a second time restores every pixel, and a sweep
// replaces its segments one by one without a full redraw. The segment
// records remember what was drawn so it can be taken away again. Shared by
// the frequency graph and the Smith chart.

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QPainter>
#include <QRgb>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

/// The pen colour that shows as `colour` on white under the XOR operation.
inline QRgb XorPen(QRgb colour) { return (colour ^ 0xFFFFFFu) | 0xFF000000u; }

/// One drawn segment: what to draw again to remove it.
struct SegmentRecord {
    bool drawn = false;
    bool dot = false;   ///< a dot was drawn at p2
    QRgb colour = 0;    ///< the trace colour (not the XOR pen)
    int16_t width = 1;
    QPoint p1, p2;
};

class BackingStore {
public:
    /// Makes a white image of the given size (an empty size gives a null image).
    void Reset(QSize size);
    QImage& image() { return image_; }
    const QImage& image() const { return image_; }
    bool valid() const { return !image_.isNull(); }

    /// Draws the line p1-p2 in `colour` and width with the XOR operation and,
    /// when `dot`, a square dot of 3 x width at p2.
    void XorSegment(QPoint p1, QPoint p2, QRgb colour, int width, bool dot);
    /// Replaces what `record` holds by the new segment: the old one removed,
    /// the new one drawn, the record updated.
    void Replace(SegmentRecord& record, QPoint p1, QPoint p2, QRgb colour, int width, bool dot);
    /// The same with a painter already open on image() in the XOR operation
    /// (several segments at once).
    static void Replace(QPainter& p, SegmentRecord& record, QPoint p1, QPoint p2, QRgb colour,
                        int width, bool dot);
    /// Takes a recorded segment off (if drawn) and clears its drawn flag.
    static void Remove(QPainter& p, SegmentRecord& record);
    /// A painter on the image in the XOR operation.
    std::unique_ptr<QPainter> XorPainter();
    /// XORs an image onto the store with its top left corner at `at`.
    void XorImage(const QImage& glyph, QPoint at);

private:
    QImage image_;
};

/// Segment records of `Traces` traces for each of the 501 frequency points,
/// allocated once.
template <int Traces>
class SegmentTable {
public:
    static constexpr int kPoints = 501;
    SegmentTable() : rec_(static_cast<size_t>(kPoints) * Traces) {}
    /// The record of (point p, trace t); nullptr for indexes out of range.
    SegmentRecord* at(int p, int t) {
        if (p < 0 || p >= kPoints || t < 0 || t >= Traces)
            return nullptr;
        return &rec_[static_cast<size_t>(p) * Traces + static_cast<size_t>(t)];
    }
    /// Forgets every record (after the image was cleared).
    void Forget() {
        for (SegmentRecord& r : rec_)
            r.drawn = false;
    }

private:
    std::vector<SegmentRecord> rec_;
};

/// Marker images for the XOR operation: black where the plot stays, the XOR
/// pen of `colour` where the marker shows. `northSouth`: a downward pointer
/// whose tip is at the hot spot (frequency markers); otherwise a pointer from
/// the left. The number 1..11 is written beside the tip.
QImage MarkerGlyph(bool northSouth, int number, QRgb colour);
/// Where the hot spot of a marker glyph lies, from its top left corner.
QPoint MarkerHotSpot(bool northSouth);

/// The marker glyphs painted on a backing store with the XOR operation, by
/// marker number: what is painted where, so that painting it again takes it
/// off without a redraw.
class MarkerPaint {
public:
    static constexpr int kMarkers = 11;
    /// Takes marker k off the image if it is painted.
    void Unpaint(BackingStore& store, int k);
    /// Paints marker k (labelled k + 1, red when `reference`) with its hot
    /// spot at `at`, when that lies on the image.
    void Paint(BackingStore& store, int k, QPoint at, bool northSouth, bool reference);
    /// Forgets every painted marker (after the image was cleared).
    void Forget();
    /// Where marker k's hot spot is painted, if it is.
    std::optional<QPoint> HotSpot(int k) const;

private:
    struct Painted {
        bool painted = false;
        bool northSouth = false;
        QPoint pos;
        QImage glyph;
    };
    std::array<Painted, kMarkers> p_{};
};
