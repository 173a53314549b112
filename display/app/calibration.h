#pragma once
// The program's calibration: the plan procedure of the calibration window
// and the main window's scan calibration, both over the session. It is the
// session's calibration window (CalibrationView) in the window program and
// in the batch calibration alike, so there is one procedure and one intake.

#include "display/app/calibration_view.h"
#include "display/calib/calib_link.h"
#include "display/calib/calib_procedure.h"
#include "display/calib/scan_calib.h"

#include <QObject>

class MasterSession;

class Calibration : public CalibrationView {
public:
    /// Registers itself with the session; unregisters when it goes.
    explicit Calibration(MasterSession& session);
    ~Calibration() override;
    Calibration(const Calibration&) = delete;
    Calibration& operator=(const Calibration&) = delete;

    CalibProcedure& procedure() { return procedure_; }
    const CalibProcedure& procedure() const { return procedure_; }
    ScanCalibration& scan() { return scan_; }

    /// The server runs the simulated analyser (the driver asked for on the
    /// command line, else the configuration's): standards can be mounted.
    bool Simulated() const;

    // ---- CalibrationView ----
    void CalibrationNextIn(const VnaDataRec& rec) override { procedure_.CalibrationNextIn(rec); }
    /// Ends the step at once; the next one starts from the event loop, not
    /// from inside the server's end-of-scan report (the server waits for
    /// that report to be taken before it hears the next step's commands).
    void CalibrationEndScan() override;
    void ScanCalAfterCorrect(const VnaDataRec& rec) override { scan_.AfterCorrect(rec); }

private:
    MasterSession& m_;
    MainCalibLink<MasterSession> link_;
    CalibProcedure procedure_;
    ScanCalibration scan_;
    QObject context_;  // for the calls queued to the event loop
};
