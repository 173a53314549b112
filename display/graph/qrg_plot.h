#pragma once
// The frequency graph's plot without widgets: the five scales, the backing
// store of the plot area, the live segment records, the markers' painted
// state, and the one drawing routine that serves the window (XOR into the
// backing store) as well as pictures and prints (plain lines on any
// QPainter: PNG, SVG, PDF).

#include "display/graph/backing_store.h"
#include "display/graph/graph_settings.h"
#include "display/graph/marker_model.h"
#include "display/graph/qrg_scales.h"
#include "display/measure/measure_state.h"

#include <QPainter>
#include <QSize>

#include <array>
#include <functional>
#include <optional>

class QrgPlot {
public:
    /// The state, settings and markers are shared with the rest of the program
    /// and outlive the plot.
    QrgPlot(const MeasureState& s, const GraphSettings& settings, MarkerTable& markers);

    ScaleSet& scales() { return scales_; }
    const ScaleSet& scales() const { return scales_; }
    const GraphSettings& settings() const { return settings_; }
    MarkerTable& markers() { return markers_; }
    const MeasureState& state() const { return s_; }
    BackingStore& store() { return store_; }
    const QImage& image() const { return store_.image(); }

    /// Lays the scales over a plot area of `area` pixels. An area smaller than
    /// 67 x 67 pixels (1000 x 1000 units of the window) clears the
    /// layout-valid flag and leaves the layout as it was.
    void Layout(QSize area);
    bool layoutValid() const { return layoutValid_; }

    /// The parameter whose phase the phase trace shows (the measured one).
    int phaseParameter() const { return s_.Smessure >= 0 && s_.Smessure <= 3 ? s_.Smessure : 1; }

    /// Full redraw of the plot area: grid, stored tables, the live traces and
    /// the markers. Nothing but a white area while the layout is not valid.
    void Refscreen();
    /// Draws the measured parameter's segments ending at live point p (and
    /// the phase trace's), replacing what the records hold; markers on that
    /// stretch follow. Nothing while the layout is not valid or p has no
    /// predecessor.
    void makelive(int16_t p);
    /// Repaints marker k from its record (removing it where it was painted).
    void marker(int k);
    /// Removes marker k's picture (before the record is changed or dropped).
    void Unpaint(int k);
    /// The painted position of marker k, if painted.
    std::optional<QPoint> markerPos(int k) const;

    /// Draws the plot's content with plain lines on `p`, the plot area being
    /// `area` in p's coordinates: grid, stored tables, live traces, markers.
    /// The scales' spans are set to the area for the call and restored.
    void DrawPicture(QPainter& p, const QRect& area);

private:
    using Segment = std::function<void(int point, int trace, QPoint a, QPoint b, QRgb colour, int width, bool dot)>;
    /// Walks every visible trace; `seg` gets each segment, point = -1 for
    /// stored-table segments (those have no record).
    void EachSegment(const Segment& seg) const;
    /// The pixels of the segment of `trace` ending at live point p; false when
    /// p has no predecessor or the trace is not drawn.
    bool LiveSegment(int16_t p, int trace, QPoint& a, QPoint& b) const;
    QPoint MarkerPoint(const MarkerRecord& m) const;
    void DrawGrid(QPainter& p, QSize size) const;
    void MarkersFollow(double fLow, double fHigh);

    const MeasureState& s_;
    const GraphSettings& settings_;
    MarkerTable& markers_;
    ScaleSet scales_;
    BackingStore store_;
    SegmentTable<kTraceCount> live_;
    bool layoutValid_ = false;
    MarkerPaint painted_;
};
