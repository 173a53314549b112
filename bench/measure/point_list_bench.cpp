// Cost of the point lookups of the data path: for every reading of a sweep
// the data path calls InsertLive (find or create the point), and the graphs
// and calibration find points with FindQrg. A sweep delivered in ascending
// order (as the server sends it) against the same sweep in random order.
#include "display/measure/point_list.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<int32_t> Sweep(int points, bool random) {
    std::vector<int32_t> f;
    const int32_t start = 500000, end = 600500000;
    for (int k = 0; k < points; ++k)
        f.push_back(start + static_cast<int32_t>(int64_t{end - start} * k / (points - 1)));
    if (random)
        std::shuffle(f.begin(), f.end(), std::mt19937(42));
    return f;
}

// One iteration: every frequency of the sweep once through InsertLive and
// once through FindQrg. With `fresh`, the lists start empty (a new range),
// otherwise the points exist (continuous scanning).
void InsertFind(benchmark::State& state, int points, bool random, bool fresh) {
    MeasureState s;
    const auto freqs = Sweep(points, random);
    for (int32_t f : freqs)
        InsertLive(s, f);
    for (auto _ : state) {
        if (fresh) {
            state.PauseTiming();
            InitLiv(s);
            state.ResumeTiming();
        }
        for (int32_t f : freqs) {
            benchmark::DoNotOptimize(InsertLive(s, f));
            benchmark::DoNotOptimize(FindQrg(s, f));
        }
    }
    state.counters["calls"] = 2.0 * points;
}

struct Figure {
    const char* bench;
    const char* name;
    int points;
};

const Figure kFigures[] = {
    {"ascending_101", "measure.insert_find_ascending_ns", 101},
    {"random_101", "measure.insert_find_random_ns", 101},
    {"ascending_499", "measure.insert_find_ascending_499_ns", 499},
    {"random_499", "measure.insert_find_random_499_ns", 499},
    {"ascending_101_new_range", "measure.insert_find_new_range_ns", 101},
};

// Keeps the CPU time per iteration of every run, by benchmark name.
class Collector : public benchmark::ConsoleReporter {
public:
    Collector() : ConsoleReporter(OO_Tabular) {}
    std::map<std::string, double> nsPerIteration;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration)
                continue;
            std::string name = r.benchmark_name();
            name = name.substr(0, name.find('/'));  // without "/min_time:..."
            // CPU time: the machine is shared, wall time would count the others.
            nsPerIteration[name] = r.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    for (const Figure& f : kFigures) {
        const std::string name = f.bench;
        const bool random = name.rfind("random", 0) == 0;
        const bool fresh = name.find("new_range") != std::string::npos;
        benchmark::RegisterBenchmark(f.bench, InsertFind, f.points, random, fresh)
            ->Unit(benchmark::kNanosecond)
            ->MinTime(0.3);
    }
    benchmark::Initialize(&argc, argv);
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    std::map<std::string, double> perCall;
    for (const Figure& f : kFigures) {
        auto it = collector.nsPerIteration.find(f.bench);
        if (it == collector.nsPerIteration.end())
            continue;
        perCall[f.name] = it->second / (2.0 * f.points);
        std::printf("%s: %.2f\n", f.name, perCall[f.name]);
    }
    if (perCall.count("measure.insert_find_ascending_ns") &&
        perCall.count("measure.insert_find_random_ns"))
        std::printf("measure.random_to_ascending_ratio: %.2f\n",
                    perCall["measure.insert_find_random_ns"] /
                        perCall["measure.insert_find_ascending_ns"]);
    benchmark::Shutdown();
    return 0;
}
