// The SVG writer over the long chart series: the text the window's paint corresponds to.

#include <benchmark/benchmark.h>

#include "graph/svgplot.h"
#include "graphseries.h"

namespace {

void BM_RenderGraphSvg(benchmark::State& state) {
    CGraphAxes axes;
    SetUpChart(axes);
    size_t bytes = 0;
    for (auto _ : state) {
        const std::string svg = RenderGraphSvg(axes, kGraphClientWidth, kGraphClientHeight);
        bytes = svg.size();
        benchmark::DoNotOptimize(svg.data());
    }
    state.SetItemsProcessed(state.iterations() * kChartPoints);
    state.counters["bytes"] = static_cast<double>(bytes);
}

BENCHMARK(BM_RenderGraphSvg)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5);

} // namespace
