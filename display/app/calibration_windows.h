#pragma once
// The calibration in the main window: the calibration window CalibWin as a
// child window toggled by the MenuCal entry (ticked while shown), the scan
// calibration buttons ScanCalib and ScanCalRdy, and the DUMDUM button. The
// main window's controls are found by their names, so the main window needs
// to know nothing of the calibration.

#include "display/calib/scan_calib.h"

#include <QObject>

class Calibration;
class CalibWin;
class Master;
class MasterSession;
class QAction;
class QMdiSubWindow;
class QPushButton;

class CalibrationWindows : public QObject, public ScanCalView {
    Q_OBJECT
public:
    CalibrationWindows(Master& master, MasterSession& session, Calibration& calibration);
    ~CalibrationWindows() override;

    /// After the start-up: the speeds by instrument type, the automatic
    /// mounting on the simulated analyser, the calibration file loaded.
    void AfterStartup();

    CalibWin* calibWin() const { return win_; }

    // ---- ScanCalView ----
    void ShowScanCalib(bool shown) override;
    void ShowScanCalRdy(bool shown, const std::string& caption) override;

public slots:
    void MenuCal_Click();
    void DUMDUM_Click();

private:
    Master& w_;
    MasterSession& m_;
    Calibration& c_;
    CalibWin* win_ = nullptr;
    QMdiSubWindow* sub_ = nullptr;
    QAction* MenuCal_ = nullptr;
    QPushButton* ScanCalib_ = nullptr;
    QPushButton* ScanCalRdy_ = nullptr;
};
