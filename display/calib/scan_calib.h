#pragma once
// Scan calibration: the standards are captured straight into the frequency
// points of the running live sweep, one full sweep per standard (thru,
// detector open, open, short, load), driven by the main window's ScanCalib
// and ScanCalRdy buttons. States of ScanCalState: 0 idle, 1 advance to the
// next standard, 2 waiting for the user, 3 capturing, 4 sweep complete.

#include "display/measure/measure_state.h"

#include <functional>
#include <string>
#include <string_view>

/// The main window's two buttons.
class ScanCalView {
public:
    virtual ~ScanCalView() = default;
    virtual void ShowScanCalib(bool shown) {}
    virtual void ShowScanCalRdy(bool shown, const std::string& caption) {}
};

class ScanCalibration {
public:
    explicit ScanCalibration(MeasureState& s) : s_(s) {}
    void setView(ScanCalView* view) { view_ = view; }
    /// Called with the fixture of each standard prompted for ("THRU",
    /// "OPEND", "OPEN", "SHORT", "LOAD") and "DUT" at the end; the main
    /// window mounts it on the simulated analyser when asked to.
    void setMount(std::function<void(std::string_view)> mount) { mount_ = std::move(mount); }

    /// Starts: clears every point's captured flags, prompts "Mount Thru".
    void ScanCalib_Click();
    /// The user is ready (or the sweep wrapped): ScanCalEvent does the same.
    void ScanCalRdy_Click();
    void ScanCalEvent() { ScanCalRdy_Click(); }
    /// After the correction of a point for a quadrature record of table 0.
    void AfterCorrect(const VnaDataRec& rec);

private:
    void Prompt(int16_t plug, const char* caption);

    MeasureState& s_;
    ScanCalView* view_ = nullptr;
    std::function<void(std::string_view)> mount_;
};
