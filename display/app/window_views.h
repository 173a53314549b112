#pragma once
// The windows registered with the session, one small interface each, and
// the one place that hands them what the session reports. An event that no
// registered window takes is counted (and logged once per kind, at debug
// level, under "vna.app"), so that a window that forgot to register shows
// in a test instead of failing silently. A question no window answers gets
// the program's default answer (TempCorr: true).

#include "display/app/calibration_view.h"
#include "display/app/diagnostic_view.h"
#include "display/app/graph_view.h"
#include "display/app/main_window_view.h"
#include "display/app/smith_view.h"

#include <QString>

#include <array>
#include <cstdint>

class WindowViews {
public:
    /// The kinds of event, for counting those no window took.
    enum Event {
        kMessage, kCaption, kStatus, kMessureCaption, kConfigDoneRed,
        kNewQrg, kMessurechange, kMakelive, kRefscreen, kMakesmithlive,
        kTempCorr, kTempOffset, kShowri, kShowTable, kShowLowQrg,
        kCalibrationNextIn, kCalibrationEndScan, kScanCalAfterCorrect,
        kEventCount
    };

    // ---- registration (nullptr unregisters; the window outlives its entry) ----
    void setMainWindow(MainWindowView* v) { main_ = v; }
    void setGraph(GraphView* v) { graph_ = v; }
    void setSmith(SmithView* v) { smith_ = v; }
    void setDiagnostic(DiagnosticView* v) { debug_ = v; }
    void setCalibration(CalibrationView* v) { calib_ = v; }

    /// How often an event of this kind found no window to take it.
    int unheard(Event e) const { return unheard_[static_cast<size_t>(e)]; }
    /// The name of an event kind, as logged.
    static const char* Name(Event e);

    // ---- main window ----
    void Message(const QString& text);
    void SetCaption(const QString& caption);
    void Status(const QString& text);
    void VnaMessureCaption(const QString& caption);
    void ConfigDoneRed(bool red);
    // ---- graph and Smith chart ----
    /// The new range to the graph and to the Smith chart.
    void NewQrg(int32_t min, int32_t max);
    /// The measured S-parameter to the graph and to the Smith chart.
    void Messurechange(int16_t smessure);
    void makelive(int16_t p);
    void Makesmithlive(int16_t p);
    void Refscreen();
    // ---- diagnostic window ----
    bool TempCorr();
    void ShowTempOffset(int32_t drift);
    void showri(double re, double im);
    void ShowTable(int16_t table);
    void ShowLowQrg(int32_t qrg);
    // ---- calibration window ----
    void CalibrationNextIn(const VnaDataRec& rec);
    void CalibrationEndScan();
    void ScanCalAfterCorrect(const VnaDataRec& rec);

private:
    /// Counts an event no window took; logs the first of each kind.
    void Unheard(Event e);

    MainWindowView* main_ = nullptr;
    GraphView* graph_ = nullptr;
    SmithView* smith_ = nullptr;
    DiagnosticView* debug_ = nullptr;
    CalibrationView* calib_ = nullptr;
    std::array<int, kEventCount> unheard_{};
};
