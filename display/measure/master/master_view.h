#pragma once
// What the main window's logic tells the windows. The main window, the
// graphs, the Smith chart and the diagnostic window implement the parts
// they show; every method has a do-nothing default so that a window that is
// not there yet (or the batch mode, which has none) simply ignores it.

#include <QString>

#include <cstdint>

class MasterView {
public:
    virtual ~MasterView() = default;

    // ---- main window ----
    /// A message box the user must acknowledge (start-up warnings).
    virtual void Message(const QString& text) {}
    /// The main window's caption (the title, later with the scan rate).
    virtual void SetCaption(const QString& caption) {}
    /// A line for the status bar (link state, calibration state, errors).
    virtual void Status(const QString& text) {}
    /// VnaMessure's caption changed ("Configuration S21" ...).
    virtual void VnaMessureCaption(const QString& caption) {}
    /// ConfigDone shown red (the user must reconnect the instrument) or hidden.
    virtual void ConfigDoneRed(bool red) {}

    // ---- graphs and Smith chart ----
    /// The swept range changed: QRGGRAF.NewQrg and SmithGraf.NewQrg.
    virtual void NewQrg(int32_t min, int32_t max) {}
    /// The measured S-parameter changed (0 S11 .. 3 S22): the graphs relabel.
    virtual void SmessureChanged(int16_t smessure) {}
    /// Live point p has a new value.
    virtual void makelive(int16_t p) {}
    virtual void Makesmithlive(int16_t p) {}
    /// The rectangular graph rescales its frequency axis and redraws.
    virtual void RescaleQrg() {}
    /// The rectangular graph redraws.
    virtual void Redraw() {}

    // ---- diagnostic window ----
    /// TempCorr ticked: readings are corrected by the drift.
    virtual bool TempCorr() const { return true; }
    /// Meter1 := drift / 10000 + 0.5, TempOffset := drift.
    virtual void ShowTempOffset(int32_t drift) {}
    /// Latest transmission result.
    virtual void showri(double re, double im) {}
    /// vsact := table of the latest record.
    virtual void ShowTable(int16_t table) {}
    /// vlowf := frequency of the latest record with idx 0.
    virtual void ShowLowQrg(int32_t qrg) {}
};
