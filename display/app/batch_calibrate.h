#pragma once
// Batch calibration of the simulated analyser: measures the calibration
// standards, which it mounts on the simulated bench itself, at the
// frequencies of a calibration control file, for each chosen converter
// speed, and writes the calibration data file (with the port-swap slots). Each
// step programs scan table 1 with the step's speed, settling time and switch
// word, mounts the standard on the simulated bench, runs one scan of table 1
// and files the readings into the step's calibration slot.

#include "display/app/batch_run.h"
#include "display/app/calibration_view.h"

#include <QString>
#include <QTextStream>

#include <vector>

struct CalibrateOptions {
    QString controlFile = "MastCalib.CC";  ///< the calibration frequencies
    QString out = "Master.cd";             ///< the calibration data file written
    std::vector<int16_t> speeds{0, 1, 2, 3};
    QString title = "Simulated analyser";
    double linkTimeout = 15;
    double stepTimeout = 0;  ///< seconds per step; 0: from the speed and points
    StartOptions start_;
};

/// One calibration step: the slot it fills, the fixture mounted and the
/// switch word (bridge 4, port swap 8).
struct CalStepPlan {
    int16_t plug;
    const char* fixture;
    int16_t B0;
};
/// Thru, detector open, then open, short and load at the bridge without and
/// with the port swap: slots 0..7.
extern const CalStepPlan kCalSteps[8];

/// Registered as the session's calibration window while it runs: the
/// records of each step's scan come to it.
class BatchCalibrate : public BatchJob, public CalibrationView {
    Q_OBJECT
public:
    BatchCalibrate(MasterSession& session, CalibrateOptions options, QTextStream& err);
    ~BatchCalibrate() override;
    int Run();

    // ---- CalibrationView ----
    void CalibrationNextIn(const VnaDataRec& rec) override;
    void CalibrationEndScan() override;
    void ScanCalAfterCorrect(const VnaDataRec&) override {}  // no scan calibration here

private:
    int RunStep(int16_t speed, const CalStepPlan& step);

    CalibrateOptions o_;
    int16_t entries_ = 0;
    int16_t time_ = 0;
    // The step under way: its scan counts from its row 0 with the step's
    // speed and switch word, until its end of scan.
    const CalStepPlan* step_ = nullptr;
    int16_t speed_ = 0;
    bool started_ = false;
    bool ended_ = false;
    int rows_ = 0;
};
