// The frequency graph's drawing: one live point drawn (segment replaced in
// the backing store), a full redraw with 501 points on four live traces and
// four stored tables, and the display program's data path with the graph
// drawing live; the Smith chart's live point and full redraw.
#include "bench/display/sweep_reports.h"
#include "display/app/graph_view.h"
#include "display/app/master_session.h"
#include "display/calib/calib_table.h"
#include "display/calib/correction.h"
#include "display/graph/qrg_plot.h"
#include "display/graph/smith_plot.h"
#include "display/measure/point_list.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QGuiApplication>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

std::map<std::string, double> figures;  // seconds per iteration, by benchmark

/// A state with 501 live points holding all four parameters, and four
/// stored tables of 201 points.
std::unique_ptr<MeasureState> FullState() {
    auto s = std::make_unique<MeasureState>();
    for (int i = 0; i < 499; ++i) {
        const int32_t f = 500000 + i * 1200000;
        const int16_t p = InsertLive(*s, f);
        s->Sdata[0][p].Qrg = f;
        for (int k = 0; k < 4; ++k)
            StoreRi(s->Sdata[0][p].S[k], std::polar(0.2 + 0.15 * k + 0.1 * std::sin(i / 9.0), 0.05 * i * (k + 1)));
    }
    for (int k = 0; k < 4; ++k)
        s->SdataHead[0].State(k) = kSLive;
    for (int t = 9; t <= 12; ++t) {
        SdataHeadRec& h = s->SdataHead[t];
        h.Length = 201;
        for (int k = 0; k < 4; ++k)
            h.State(k) = kSFromFile;
        for (int i = 0; i < 201; ++i) {
            s->Sdata[t][i].Qrg = 500000 + i * 3000000;
            for (int k = 0; k < 4; ++k)
                StoreRi(s->Sdata[t][i].S[k], std::polar(0.1 * (t - 8) + 0.02 * k, -0.03 * i));
        }
    }
    return s;
}

void Makelive(benchmark::State& state) {
    auto s = FullState();
    GraphSettings settings;
    MarkerTable markers;
    QrgPlot plot(*s, settings, markers);
    plot.Layout(QSize(900, 500));
    plot.Refscreen();
    int16_t p = NextLive(*s, kLowerEnd);
    for (auto _ : state) {
        plot.makelive(p);
        p = NextLive(*s, p);
        if (p == kUpperEnd)
            p = NextLive(*s, kLowerEnd);
    }
    benchmark::DoNotOptimize(plot.image().constBits());
}

void Refscreen(benchmark::State& state) {
    auto s = FullState();
    GraphSettings settings;
    MarkerTable markers;
    QrgPlot plot(*s, settings, markers);
    plot.Layout(QSize(900, 500));
    for (auto _ : state)
        plot.Refscreen();
    benchmark::DoNotOptimize(plot.image().constBits());
}

/// The Smith chart over the whole sweep of FullState, S11 measured.
struct SmithBench {
    std::unique_ptr<MeasureState> s = FullState();
    GraphSettings settings;
    MarkerTable markers;
    SmithPlot plot{*s, settings, markers};
    SmithBench() {
        s->Smessure = 0;
        plot.Layout(QSize(600, 600));
        plot.scales()[kScaleQrg].setMax(600500000);
        plot.scales()[kScaleQrg].setMin(500000);
        plot.Refscreen();
    }
};

void SmithLive(benchmark::State& state) {
    SmithBench b;
    int16_t p = NextLive(*b.s, kLowerEnd);
    for (auto _ : state) {
        b.plot.Makesmithlive(p);
        p = NextLive(*b.s, p);
        if (p == kUpperEnd)
            p = NextLive(*b.s, kLowerEnd);
    }
    benchmark::DoNotOptimize(b.plot.image().constBits());
}

void SmithRedraw(benchmark::State& state) {
    SmithBench b;
    for (auto _ : state)
        b.plot.Refscreen();
    benchmark::DoNotOptimize(b.plot.image().constBits());
}

/// The session's reports to the graph, drawn at once.
class PlotView : public GraphView {
public:
    explicit PlotView(QrgPlot& p) : p_(p) {}
    void NewQrg(int32_t, int32_t) override {}
    void Messurechange(int16_t) override {}
    void makelive(int16_t p) override { p_.makelive(p); }
    void Refscreen() override { p_.Refscreen(); }

private:
    QrgPlot& p_;
};

void DataPathDrawing(benchmark::State& state) {
    auto s = std::make_unique<MeasureState>();
    auto cal = std::make_unique<CalibTable>();
    MasterSession m(*s, *cal);
    if (const QString err = PrepareBenchSession(m); !err.isEmpty()) {
        state.SkipWithError(err.toStdString().c_str());
        return;
    }
    GraphSettings settings;
    MarkerTable markers;
    QrgPlot plot(*s, settings, markers);
    plot.Layout(QSize(900, 500));
    plot.scales()[kScaleQrg].setMax(600500000);
    plot.scales()[kScaleQrg].setMin(500000);
    plot.Refscreen();
    PlotView view(plot);
    m.setGraph(&view);
    const auto pieces = SweepReports();
    for (auto _ : state)
        for (const QByteArray& p : pieces)
            m.arrivalproc(p);
    state.SetItemsProcessed(state.iterations() * 204);
    m.setGraph(nullptr);
}

struct Collector : benchmark::ConsoleReporter {
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (!r.error_occurred && r.iterations > 0)
                figures[r.run_name.function_name] = r.real_accumulated_time / r.iterations;
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    benchmark::RegisterBenchmark("graph_makelive", Makelive)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("graph_refscreen", Refscreen)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("graph_data_path_drawing", DataPathDrawing)
        ->Unit(benchmark::kMicrosecond)
        ->MinTime(0.5);
    benchmark::RegisterBenchmark("smith_live", SmithLive)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("smith_redraw", SmithRedraw)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    if (figures.count("graph_makelive"))
        std::printf("graph.makelive_us: %.2f\n", figures["graph_makelive"] * 1e6);
    if (figures.count("graph_refscreen"))
        std::printf("graph.refscreen_ms: %.2f\n", figures["graph_refscreen"] * 1e3);
    if (figures.count("graph_data_path_drawing"))
        std::printf("display.records_per_s_drawing: %.0f\n", 204 / figures["graph_data_path_drawing"]);
    if (figures.count("smith_live"))
        std::printf("smith.live_us: %.2f\n", figures["smith_live"] * 1e6);
    if (figures.count("smith_redraw"))
        std::printf("smith.redraw_ms: %.2f\n", figures["smith_redraw"] * 1e3);
    benchmark::Shutdown();
    return 0;
}
