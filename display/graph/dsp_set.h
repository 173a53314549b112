#pragma once
// The display settings of "Scan Parameter Settings" without widgets: the
// points in a scan, the scales' step lists, the line thickness, the
// reflection unit, which S-data slots are drawn, where each slot's data
// come from (the analyser, or a Touchstone file for slots 9..12) and the
// texts that label the slots. The window mirrors this state and calls the
// handlers; what must happen elsewhere (the sweep timer, the graphs' ticks
// and redraws, the link paused around a file load) goes through the hooks.

#include "display/graph/graph_settings.h"
#include "display/measure/measure_state.h"

#include <QString>

#include <array>
#include <functional>

/// What the settings ask of the rest of the program. Unset hooks are skipped.
struct DspSetHooks {
    /// Stop the sweep timer, set it to `ms` and start it again.
    std::function<void(int ms)> restartScanTimer;
    /// The graphs take the step lists again (TickChange, SmithTickChange).
    std::function<void()> tickRefresh;
    /// The main window's frequency scale takes the frequency steps.
    std::function<void(const QString& steps)> freqTicks;
    /// The graphs redraw.
    std::function<void()> redraw;
    /// A file load begins / has ended (the link and the graphs pause).
    std::function<void()> loadBegins;
    std::function<void()> loadEnds;
    /// The title of a slot changed.
    std::function<void(int slot, const QString& title)> titleChanged;
};

/// The data source of one slot as its source label shows it.
struct SlotSource {
    enum State { kNone, kGood, kBad };
    QString caption;      ///< "VNA", "File", or the chosen file's name
    State state = kNone;  ///< kGood green (2 points or more), kBad red
    QString path;         ///< the file read into a file slot (empty: none)
};

class DspSetModel {
public:
    static constexpr int kSlots = kSdataTables;   ///< slots 0..12
    static constexpr int kFirstFileSlot = 9;
    static constexpr std::array<int16_t, 4> kScanSizes{400, 200, 100, 50};
    /// Colours of a source label: green with data, red without.
    static constexpr QRgb kGreen = 0x00ff00, kRed = 0xff0000;

    DspSetModel(MeasureState& s, GraphSettings& settings);
    void setHooks(DspSetHooks hooks) { hooks_ = std::move(hooks); }

    const GraphSettings& settings() const { return settings_; }
    const MeasureState& state() const { return s_; }
    /// The RadioScan option that matches VnaScanSize (-1 when none does).
    int scanOption() const { return scanOptionOf(s_.VnaScanSize); }
    /// The RadioScan option of a number of points (-1 when none).
    static int scanOptionOf(int points);
    /// LineThik's caption: the thickness with a leading blank.
    QString LineThik() const;
    const SlotSource& source(int slot) const { return sources_[Clamp(slot)]; }
    QString VnaCTitle(int slot) const { return titles_[Clamp(slot)]; }
    QString VnaCAttn(int slot) const { return attn_[Clamp(slot)]; }
    QString VnaContParm(int slot) const { return cont_[Clamp(slot)]; }
    QString VnaAux(int slot) const { return aux_[Clamp(slot)]; }

    // ---- handlers ----
    /// Runs the step-list handlers in the order FreqDiv, VswrStep, DbDiv,
    /// tick refresh, PhaseStep (the window's load).
    void initdivisions();
    void DbDiv_Change(const QString& text);
    void VswrStep_Change(const QString& text);
    void PhaseStep_Change(const QString& text);
    void FreqDiv_Change(const QString& text);
    /// Points in a scan: 0 "400", 1 "200", 2 "100", 3 "50"; other indexes do nothing.
    void RadioScan_Click(int index);
    /// Line thickness 1..10 (values outside are brought into it).
    void LineThickScroll_Change(int value);
    /// 0 reflection as VSWR, 1 in dB.
    void RTLUnit_Click(int index);
    void GrafProb_Click(int slot, bool shown);
    void VnaCTitle_Change(int slot, const QString& text);
    void VnaCAttn_Change(int slot, const QString& text);
    void VnaContParm_Change(int slot, const QString& text);
    void VnaAux_Change(int slot, const QString& text);

    /// Loads a Touchstone file into slot 9..12 (other slots: false, nothing
    /// done). An empty name sets the caption "File" and reads nothing. A
    /// file the reader refuses leaves the slot as it was; `message` gets the
    /// reader's reason (also a note on a file it read). Returns true when
    /// the slot changed.
    bool LoadSlot(int slot, const QString& fileName, QString& message);

    static constexpr int kMinThickness = 1, kMaxThickness = 10;

private:
    static size_t Clamp(int slot) { return static_cast<size_t>(slot >= 0 && slot < kSlots ? slot : 0); }
    void TickRefresh();
    void Redraw();

    MeasureState& s_;
    GraphSettings& settings_;
    DspSetHooks hooks_;
    std::array<SlotSource, kSlots> sources_;
    std::array<QString, kSlots> titles_, attn_, cont_, aux_;
};
