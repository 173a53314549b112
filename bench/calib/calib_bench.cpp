// Benchmarks of the calibration data path and files: the cost of one data
// record from DataRecordIn to a corrected live point (a default sweep of 101
// points, reflection and transmission), and reading and writing a full
// calibration data file (121 points, eight slots, four speeds).
// Headline figures: calib.record_reflection_ns and
// calib.record_transmission_ns (per record), calib.read_cd_us,
// calib.write_cd_text_us, calib.touchstone_read_501_us.

#include "display/calib/calib_file.h"
#include "display/calib/data_intake.h"
#include "display/sfile/touchstone_reader.h"
#include "display/sfile/touchstone_writer.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

std::unique_ptr<CalibTable> FullTable() {
    auto t = std::make_unique<CalibTable>();
    t->title = "bench";
    t->Maxinuse = kCalPoints - 1;
    for (SpeedTable& st : t->speed) {
        st.Calibrated = true;
        for (int p = 0; p < kCalPoints; ++p) {
            st.points[p].QRG = 1000000 + 5000000 * p;
            for (int k = 0; k < kCalSlots; ++k)
                st.points[p].slot[k] = {std::cos(p + k) * 1e6 + k * 1e5, std::sin(p - k) * 1e6};
        }
    }
    return t;
}

struct NoEvents : CalibEvents {
    bool TempCorr() const override { return true; }
    void ShowTempOffset(int32_t) override {}
    void makelive(int16_t p) override { benchmark::DoNotOptimize(p); }
    void Makesmithlive(int16_t) override {}
    void showri(double, double) override {}
    void CalibrationNextIn(const VnaDataRec&) override {}
    void ScanCalAfterCorrect(const VnaDataRec&) override {}
};

// One default sweep: the reference row and 101 points, two rows each.
void Sweep(benchmark::State& state) {
    const auto cal = FullTable();
    auto s = std::make_unique<MeasureState>();
    s->Smessure = int16_t(state.range(0));
    NoEvents ev;
    VnaDataRec r;
    r.Speed = 3;
    for (auto _ : state) {
        r.idx = 1;
        r.Data = 100;
        DataRecordIn(*s, *cal, ev, r);
        for (int i = 0; i <= 100; ++i) {
            r.Qrg = 490000 + 5995100 * i;
            r.idx = int16_t(2 + 2 * i);
            r.Phase = 0;
            r.Data = 300000 + i;
            DataRecordIn(*s, *cal, ev, r);
            r.idx++;
            r.Phase = 8;
            r.Data = -200000 + i;
            DataRecordIn(*s, *cal, ev, r);
        }
    }
}

void ReadCd(benchmark::State& state) {
    auto t = FullTable();
    const std::string text = CalibrationFileText(*t, true);
    std::string sw;
    for (auto _ : state) {
        const CalibFileStatus st = ParseCalibrationData(text, "bench.CD", *t, sw);
        benchmark::DoNotOptimize(st.ok);
    }
}

void WriteCdText(benchmark::State& state) {
    const auto t = FullTable();
    for (auto _ : state) {
        std::string text = CalibrationFileText(*t, true);
        benchmark::DoNotOptimize(text.data());
    }
}

void ReadTouchstone501(benchmark::State& state) {
    std::string text = "! bench\r\n# MHz S MA R 50\r\n";
    for (int i = 0; i < kSdataPoints; ++i)
        text += TouchstoneLine(100000 + 1000000.0 * i,
                               {0.5, -45.4, 0.9, 10.25, 0.8, -170, 0.4, 33.3}) + "\r\n";
    auto table = std::make_unique<SdataTable>();
    for (auto _ : state) {
        SdataHeadRec head;
        ParseTouchstone(text, "bench.S2P", *table, head);
        benchmark::DoNotOptimize(head.Length);
    }
}

class Collector : public benchmark::ConsoleReporter {
public:
    Collector() : ConsoleReporter(OO_Tabular) {}
    std::map<std::string, double> ns;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration)
                ns[r.benchmark_name().substr(0, r.benchmark_name().find("/min_time"))] =
                    r.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("sweep/reflection", Sweep)->Arg(0)->MinTime(0.3);
    benchmark::RegisterBenchmark("sweep/transmission", Sweep)->Arg(1)->MinTime(0.3);
    benchmark::RegisterBenchmark("read_cd", ReadCd)->Unit(benchmark::kMicrosecond)->MinTime(0.3);
    benchmark::RegisterBenchmark("write_cd_text", WriteCdText)
        ->Unit(benchmark::kMicrosecond)
        ->MinTime(0.3);
    benchmark::RegisterBenchmark("touchstone_read_501", ReadTouchstone501)
        ->Unit(benchmark::kMicrosecond)
        ->MinTime(0.3);
    benchmark::Initialize(&argc, argv);
    Collector c;
    benchmark::RunSpecifiedBenchmarks(&c);
    const double records = 2 + 2 * 101;  // per sweep
    // CPU time per iteration is reported in the run's unit (ns or us).
    if (c.ns.count("sweep/reflection/0"))
        std::printf("calib.record_reflection_ns: %.1f\n", c.ns["sweep/reflection/0"] / records);
    if (c.ns.count("sweep/transmission/1"))
        std::printf("calib.record_transmission_ns: %.1f\n",
                    c.ns["sweep/transmission/1"] / records);
    if (c.ns.count("read_cd"))
        std::printf("calib.read_cd_us: %.1f\n", c.ns["read_cd"]);
    if (c.ns.count("write_cd_text"))
        std::printf("calib.write_cd_text_us: %.1f\n", c.ns["write_cd_text"]);
    if (c.ns.count("touchstone_read_501"))
        std::printf("calib.touchstone_read_501_us: %.1f\n", c.ns["touchstone_read_501"]);
    benchmark::Shutdown();
    return 0;
}
