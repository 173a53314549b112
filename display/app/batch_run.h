#pragma once
// The batch mode of the display program: the start-up of the main window
// without windows, then sweeps of the chosen range for each chosen
// S-parameter, and the last complete sweep written as a Touchstone file.
// Progress goes to the error stream; every failure ends with a message and
// a non-zero exit status.

#include "display/app/main_window_view.h"
#include "display/app/master_session.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <vector>

struct BatchOptions {
    QString start = "1M";   ///< frequency texts as the entry fields read them
    QString end = "60M";
    int points = 100;       ///< frequency steps: 50, 100, 200 or 400
    int speed = 0;          ///< converter speed 0..3
    int time = 20;          ///< settling time: 1, 2, 4, 8, 10, 15 or 20
    QString measure = "S21";  ///< S11, S21, S12, S22 or all
    int sweeps = 1;         ///< complete sweeps per S-parameter; the last is kept
    QString out = "measurement.s2p";
    QString plot;             ///< picture of the measurement (.png, .svg, .pdf); empty: none
    QString smith;            ///< Smith chart of the measurement (.png, .svg, .pdf); empty: none
    QString plotSize = "1200x800";  ///< size of the pictures in pixels, WxH
    /// Seconds to wait for the server to connect; 0: 15, or 60 for a server
    /// on another machine (it may still have to be started there).
    double linkTimeout = 0;
    double sweepTimeout = 0;  ///< seconds per sweep; 0: from speed, time and points
    StartOptions start_;      ///< working directory, server, calibration file
};

/// Exit statuses of the batch mode.
enum BatchExit : int {
    kBatchOk = 0,
    kBatchUsage = 2,        ///< a bad option
    kBatchServer = 3,       ///< server not found, not started, or it ended
    kBatchLink = 4,         ///< the link did not come up in time
    kBatchNoData = 5,       ///< no complete sweep in time
    kBatchWrite = 6,        ///< the output file could not be written
};

/// Physical time of one scanned row at a converter speed and settling time,
/// seconds; the batch jobs wait a few times that before giving up.
double RowSeconds(int speed, int timeMs);

/// Checks the measurement options; an empty text when they are fine.
QString CheckBatchOptions(const BatchOptions& o, int32_t* start = nullptr,
                          int32_t* end = nullptr, std::vector<int16_t>* params = nullptr);

/// What every batch job shares: the session, the error stream, waiting on
/// the event loop, and noticing that the server has ended.
class BatchJob : public QObject {
    Q_OBJECT
public:
    BatchJob(MasterSession& session, QTextStream& err);

protected:
    /// Runs the event loop until `done` holds; false when `seconds` pass or
    /// the server ends first.
    bool WaitFor(const std::function<bool()>& done, double seconds);
    /// Start-up with `options`, then waits for the link (`linkTimeout`
    /// seconds, 0: the default). Returns kBatchOk or the exit status, after
    /// telling why.
    int StartAndConnect(const StartOptions& options, double linkTimeout);
    /// "the server ended: ..." or `otherwise`, on the error stream.
    void Fail(const QString& otherwise);

    MasterSession& m_;
    QTextStream& err_;
    bool serverEnded_ = false;
    QString serverError_;
};

class BatchRun : public BatchJob {
    Q_OBJECT
public:
    BatchRun(MasterSession& session, BatchOptions options, QTextStream& err);
    /// Runs the whole batch; returns the exit status.
    int Run();

private:
    int MeasureOne(int16_t smessure);
    int TakeSweep(int16_t smessure, const std::set<int32_t>& freqs);
    double SweepSeconds() const;

    BatchOptions o_;
    int32_t start_ = 0, end_ = 0;
    /// Magnitude and angle (degrees) of S11, S21, S12, S22 per frequency.
    std::map<int32_t, std::array<double, 8>> result_;
    QElapsedTimer clock_;  // since the batch began
    bool firstPointShown_ = false;
};

/// What the batch mode shows of the main window's reports: messages and
/// status lines on the error stream; the caption and the buttons it has
/// not.
class BatchView : public MainWindowView {
public:
    explicit BatchView(QTextStream& err) : err_(err) {}
    void Message(const QString& text) override { Line(text); }
    void Status(const QString& text) override {
        if (!text.isEmpty())
            Line(text);
    }
    void SetCaption(const QString&) override {}
    void VnaMessureCaption(const QString&) override {}
    void ConfigDoneRed(bool) override {}

private:
    void Line(const QString& text) {
        err_ << "tavrel13: " << text << "\n";
        err_.flush();
    }

private:
    QTextStream& err_;
};
