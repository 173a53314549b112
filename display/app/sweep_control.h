#pragma once
// The sweep range and speed controls of the main window, without widgets:
// the four entry fields (start, end, centre, span) with their tags and short
// texts, the three entry modes, the seven step buttons, the one-shot
// ScanUpdateTimer that sends an edited range once the typing pauses, and the
// speed and time menus. The window mirrors the state kept here and calls the
// handlers; edits change the frequency scale at once and reach the server
// only when the timer expires.

#include "display/measure/measure_state.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <cstdint>

class Skala;
class vna;
class WindowViews;

/// One entry field: its text, its tag (the number it last showed, as text)
/// and whether it is shown (a hidden field's change handler does nothing).
struct EntryField {
    QString text;
    QString tag;
    bool visible = false;
};

class SweepControl : public QObject {
    Q_OBJECT
public:
    enum Field { QStart = 0, QEnd = 1, Qcent = 2, QSpan = 3 };
    static constexpr int kTulButs = 7;
    /// The settling times the time menu cycles through.
    static constexpr std::array<int16_t, 7> kTimes{1, 2, 4, 8, 10, 15, 20};

    /// `freq` is the frequency scale Scales(4); `link` the transport object.
    SweepControl(MeasureState& s, Skala& freq, vna& link, QObject* parent = nullptr);

    /// The windows that follow the range (graph, Smith chart).
    void setViews(WindowViews* views) { views_ = views; }
    /// The instrument type of the configuration: 0 standard, 1 alternative
    /// converter clocking, 2 LT2440.
    void setVNAType(int type) { VNAType_ = type; }

    // ---- state the window shows ----
    const EntryField& field(Field f) const { return fields_[f]; }
    QString LCommand1() const { return lcommand1_; }
    QString LCommand3() const { return lcommand3_; }
    bool labelsVisible() const { return labelsVisible_; }
    bool stepButtonsVisible() const { return stepsVisible_; }  ///< TulBut(0..6) and QrgInfo
    QString QrgInfoCaption() const { return qrgInfo_; }
    QString SpeedSelectCaption() const { return "Speed=" + QString::number(s_.SpeedSelected); }
    QString TimeSlctCaption() const { return "Time=" + QString::number(s_.FilterTime); }
    int mode() const { return mode_; }

    QTimer& ScanUpdateTimer() { return timer_; }
    /// A new range was sent: the point list is tidied at the end of the scan.
    bool NewRange() const { return newRange_; }
    void clearNewRange() { newRange_ = false; }

    // ---- handlers ----
    void QStart_Change(const QString& text);
    void QEnd_Change(const QString& text);
    void Qcent_Change(const QString& text);
    void QSpan_Change(const QString& text);
    void QScaMo_Click(int index);
    void TulBut_Click(int index);
    void SpeedSelect_Click();
    void TimeSlct_Click();
    void ScanUpdateTimer_Timer();
    /// Refreshes the graphs' range and the QrgInfo caption.
    void GetQRGLimits();
    /// Fills the four fields from the frequency scale (start-up, step buttons).
    void FillFields();
    /// EditEntry on table 0 for every row of the current sweep size:
    /// rows 0 .. (VnaScanSize + 1) * 2 + 1.
    void EditEveryRow(const QByteArray& fieldName, int32_t value);

signals:
    /// Field texts, tags or visibility changed.
    void FieldsChanged();
    /// The speed or time caption, or the QrgInfo caption, changed.
    void CaptionsChanged();

private:
    void SetField(Field f, int64_t value);
    void ApplyEdge(Field f, const QString& text);
    void ApplyCentreSpan(int intervalMs);
    void RestartTimer(int intervalMs);

    MeasureState& s_;
    Skala& freq_;
    vna& link_;
    WindowViews* views_ = nullptr;
    int VNAType_ = 1;
    std::array<EntryField, 4> fields_;
    QString lcommand1_ = "Start", lcommand3_ = "End", qrgInfo_;
    bool labelsVisible_ = true;
    bool stepsVisible_ = false;
    int mode_ = 1;
    bool newRange_ = false;
    QTimer timer_;
};
