#pragma once
// The Smith chart without widgets: its five scales, the grid definitions of
// "Smith Lines", the display mode, the backing store with the live segment
// records, the markers' painted state, the hover reading, and the one
// drawing routine that serves the window (into the backing store, live
// segments with the inverting pen) as well as pictures and prints (plain
// lines on any QPainter, clipped geometrically).

#include "display/graph/backing_store.h"
#include "display/graph/graph_settings.h"
#include "display/graph/marker_model.h"
#include "display/graph/qrg_scales.h"
#include "display/graph/smith_geometry.h"
#include "display/measure/measure_state.h"

#include <QPainter>
#include <QRect>
#include <QSize>
#include <QString>

#include <array>
#include <functional>
#include <optional>
#include <vector>

/// The four families of grid fields: constant resistance (LR), positive and
/// negative reactance (LPJ, LNJ), standing-wave ratio (LVSWR).
enum SmithFamily : int { kLR = 0, kLPJ, kLNJ, kLVSWR, kFamilyCount };

/// The frame "Smith Lines": seven value fields per family (ohms, or the
/// ratio) and a tick per family that shows its labels.
struct SmithLines {
    static constexpr int kFields = 7;
    std::array<std::array<QString, kFields>, kFamilyCount> fields;
    std::array<bool, kFamilyCount> labels{false, false, false, false};
    SmithLines();
    static const char* Name(int family);        ///< "LR", "LPJ", "LNJ", "LVSWR"
    static const char* LabelName(int family);   ///< "LabLR", ...
    static const char* TickName(int family);    ///< "LRL", ...
};

/// A grid label to show: which field it belongs to, its text and the pixel
/// its text is centred on (family -1: a ring of the polar plot).
struct GridLabel {
    int family = 0;
    int index = 0;
    QString text;
    QPointF at;
    bool red = false;
};

/// Configures the chart's scales: Low, High, Fine, the frequency scale's
/// Nail, min, max; then Nail 5 and Div 10 on the decibel scale, whose range
/// is made ten divisions again (so its rings and its mapping agree), and the
/// frequency scale 50 MHz wide; then the step sequences.
void SetupSmithScales(ScaleSet& set, const GraphSettings& settings);

/// The hover reading: the nearest drawn point of the shown parameter.
struct SmithHover {
    int16_t point = -1;
    QPointF at;
    MarkerReading reading;
};
/// The text of a hover reading: frequency, Γ (or S21) as magnitude and angle,
/// and for reflection Z = R + jX, VSWR and the equivalent L or C.
QString SmithHoverText(const MarkerReading& r);

class SmithPlot {
public:
    /// The state, settings and markers are shared with the rest of the
    /// program and outlive the plot.
    SmithPlot(const MeasureState& s, const GraphSettings& settings, MarkerTable& markers);

    ScaleSet& scales() { return scales_; }
    const ScaleSet& scales() const { return scales_; }
    SmithLines& lines() { return lines_; }
    const SmithLines& lines() const { return lines_; }
    const GraphSettings& settings() const { return settings_; }
    const MeasureState& state() const { return s_; }
    MarkerTable& markers() { return markers_; }
    BackingStore& store() { return store_; }
    const QImage& image() const { return store_.image(); }
    const SmithFrame& frame() const { return frame_; }

    /// Lays the chart into a drawing area of `area` pixels; a too small area
    /// clears the layout-valid flag and keeps the layout.
    void Layout(QSize area);
    bool layoutValid() const { return layoutValid_; }

    /// DispType: 0 "S11/S22", 1 "S21/S12", 2 "Auto" (following the measured
    /// parameter). Sets the display mode; the caller redraws.
    void setDispType(int index);
    int dispType() const { return dispType_; }
    /// 0 reflection (Smith grid), 1 transmission (polar rings).
    int mode() const { return mode_; }
    /// The parameter the readouts and the magnitude scale belong to.
    int shown() const { return shown_; }
    /// The measured parameter changed: under "Auto" the shown parameter and
    /// the mode follow it.
    void Messurechange(int k);
    /// Scale index of the shown parameter's magnitude: 1 for reflection, 0 for transmission.
    int MagnitudeScaleOfShown() const { return IsReflectionK(shown_) ? 1 : 0; }

    /// Full redraw of the chart: grid, stored tables, live traces, markers.
    void Refscreen();
    /// Draws the measured parameter's segment ending at live point p when its
    /// live box is ticked.
    void Makesmithlive(int16_t p);
    /// Draws the measured parameter's segment ending at p, replacing the
    /// recorded one; outside the frequency window the recorded one is removed.
    void Drawsmithlive(int16_t p);
    /// Repaints marker k at its frequency on the chart.
    void marker(int k);

    /// The labels the grid shows for the current mode and ticks.
    std::vector<GridLabel> Labels() const;
    /// The nearest drawn live point of the shown parameter within `reach`
    /// pixels of `pos`.
    std::optional<SmithHover> HoverAt(QPointF pos, double reach = 40) const;
    /// Where live point p's value of parameter k lies on the chart.
    std::optional<QPointF> LivePoint(int16_t p, int k) const;

    /// One value of the frequency slide readout: stored table t's parameter k
    /// at the slide frequency (linear magnitude for reflection, dB for
    /// transmission), and where it lies on the chart.
    struct SlideValue {
        int table = 0;
        int k = 0;
        bool found = false;
        double value = 0;
    };
    /// The slide readout at frequency f: removes the dots drawn before (XOR)
    /// and draws one dot per visible stored-table parameter found at f.
    std::vector<SlideValue> SlideReadout(double f);

    /// Draws the chart onto `p` inside `area` with plain lines: grid with its
    /// labels, stored tables, live traces, markers; lines clipped to the area.
    void DrawPicture(QPainter& p, const QRect& area);

private:
    static bool IsReflectionK(int k) { return k == 0 || k == 3; }
    using Segment = std::function<void(int point, int k, QPointF a, QPointF b, QRgb colour, int width)>;
    void EachSegment(const Segment& seg) const;
    bool LiveSegment(int16_t p, int k, QPointF& a, QPointF& b) const;
    bool InWindow(double f) const;
    void DrawGrid(QPainter& p) const;
    std::optional<QPointF> MarkerPoint(int k) const;
    void MarkersFollow(double fLow, double fHigh);
    void SetFrame(const SmithFrame& f);

    const MeasureState& s_;
    const GraphSettings& settings_;
    MarkerTable& markers_;
    ScaleSet scales_;
    SmithLines lines_;
    SmithFrame frame_;
    BackingStore store_;
    SegmentTable<4> live_;
    bool layoutValid_ = false;
    int dispType_ = 0;
    int mode_ = 0;
    int shown_ = 0;
    MarkerPaint painted_;
    std::vector<SegmentRecord> slideDots_;
};
