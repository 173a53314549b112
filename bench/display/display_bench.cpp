// The display program's data path: records per second from arriving link
// text through framing, splitting, the record log, the point lists and the
// correction, without drawing; and the time from starting tavrel13 --batch
// on the simulated analyser (virtual time) to its first stored point.
#include "display/app/master_session.h"
#include "display/calib/calib_table.h"
#include "link/messages.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

// The reports of one default sweep (rows 0..203, then the end of scan), in
// the pieces they arrive in: one report each.
std::vector<QByteArray> SweepReports() {
    std::vector<QByteArray> pieces;
    const int32_t start = 500000, step = 6000000;
    for (int row = 0; row < 204; ++row) {
        const int entry = row / 2;
        const int32_t f = start + (entry - 1) * step;
        const int32_t reading = (row % 2 ? -1 : 1) * (100000 + 37 * row);
        pieces.push_back(QByteArray::fromStdString(msg::DataReady(
            0, static_cast<int16_t>(row), f, row % 2 ? 8 : 0, reading,
            static_cast<int16_t>(row), 0, 24, 20, 0, 0, 0, 0, 0)));
    }
    pieces.push_back(QByteArray::fromStdString(msg::EndScan()));
    return pieces;
}

void DataPath(benchmark::State& state) {
    auto s = std::make_unique<MeasureState>();
    auto cal = std::make_unique<CalibTable>();
    MasterSession m(*s, *cal);
    StartOptions o;
    o.workDir = QDir::tempPath();
    m.setOptions(o);
    const QString err = m.LoadCalibration(VNA_SOURCE_DIR "/data/Master.cd");
    if (!err.isEmpty()) {
        state.SkipWithError(err.toStdString().c_str());
        return;
    }
    const auto pieces = SweepReports();
    for (auto _ : state)
        for (const QByteArray& p : pieces)
            m.arrivalproc(p);
    state.SetItemsProcessed(state.iterations() * 204);
}

// Seconds from starting the batch to its line "first point stored".
double FirstPointSeconds() {
    QTemporaryDir dir;
    for (const char* f : {"tavrel.Cfg", "MastCalib.CC", "Master.cd"})
        QFile::copy(QString(VNA_SOURCE_DIR "/data/") + f, dir.filePath(f));
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.setReadChannel(QProcess::StandardError);
    QElapsedTimer t;
    t.start();
    p.start(TAVREL13_PATH, {"--batch", "--server", BRINDLEV1_PATH, "--virtual-time", "--out",
                            "m.s2p"});
    QByteArray err;
    double seconds = -1;
    while (p.waitForReadyRead(30000) || p.state() == QProcess::Running) {
        err += p.readAllStandardError();
        if (err.contains("first point stored")) {
            seconds = t.elapsed() / 1000.0;
            break;
        }
        if (t.elapsed() > 60000)
            break;
    }
    p.waitForFinished(60000);
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::RegisterBenchmark("display_data_path_sweep", DataPath)
        ->Unit(benchmark::kMicrosecond)
        ->MinTime(0.5);
    benchmark::Initialize(&argc, argv);

    struct Collector : benchmark::ConsoleReporter {
        double secondsPerIteration = 0;
        void ReportRuns(const std::vector<Run>& runs) override {
            for (const Run& r : runs)
                if (!r.error_occurred && r.iterations > 0)
                    secondsPerIteration = r.real_accumulated_time / r.iterations;
            ConsoleReporter::ReportRuns(runs);
        }
    } collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    if (collector.secondsPerIteration > 0)
        std::printf("display.records_per_s: %.0f\n", 204 / collector.secondsPerIteration);

    std::vector<double> runs;
    for (int i = 0; i < 3; ++i)
        if (const double s = FirstPointSeconds(); s >= 0)
            runs.push_back(s);
    if (!runs.empty()) {
        std::sort(runs.begin(), runs.end());
        std::printf("display.first_point_s: %.3f\n", runs[runs.size() / 2]);
    } else {
        std::printf("display.first_point_s: failed\n");
    }
    benchmark::Shutdown();
    return 0;
}
