#pragma once
// Batch calibration: runs the calibration window's plan without a window,
// with the S-parameter switch and the chosen converter speeds, at the
// frequencies of a calibration control file, and writes the calibration
// data file. On the simulated analyser the standards are mounted for each
// step; on real hardware each prompt waits on the terminal ("Mount Thru
// Cable, then press Enter").

#include "display/app/batch_run.h"

#include <QString>
#include <QTextStream>

#include <vector>

class Calibration;

struct CalibrateOptions {
    QString controlFile = "MastCalib.CC";  ///< the calibration frequencies
    QString out = "Master.cd";             ///< the calibration data file written
    std::vector<int16_t> speeds{0, 1, 2, 3};
    QString title = "Simulated analyser";
    double linkTimeout = 0;  ///< seconds to wait for the link; 0: the default (BatchOptions)
    double stepTimeout = 0;  ///< seconds per step; 0: from the speed and points
    StartOptions start_;
};

class BatchCalibrate : public BatchJob {
    Q_OBJECT
public:
    BatchCalibrate(MasterSession& session, Calibration& calibration, CalibrateOptions options,
                   QTextStream& err);
    int Run();

private:
    bool Confirm(const std::string& prompt, bool simulated);
    /// Waits until no row has arrived for a moment.
    void WaitQuiet();

    Calibration& c_;
    CalibrateOptions o_;
};
