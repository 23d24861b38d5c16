// Thinning a long series to the points where it turns. A smooth curve collapses in few passes; noise
// turns at almost every point, which is the expensive case.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>

#include "props/matprops.h"

namespace {

constexpr int kPoints = 1000000;

// A solidification-like sigmoid with a slow ripple, over 0..1000.
double Smooth(double x) {
    return 1.0 / (1.0 + std::exp(-(x - 500.0) / 40.0)) + 0.05 * std::sin(x / 25.0);
}

CMatPropData MakeSeries(double noise) {
    CMatPropData series;
    series.m_points.reserve(kPoints);
    // mt19937's sequence is fixed by the standard; the distributions are not, so scale its output here.
    std::mt19937 random(12345);
    for (int i = 0; i < kPoints; ++i) {
        const double x = i * (1000.0 / kPoints);
        const double jitter = noise * (static_cast<double>(random()) / 4294967296.0 - 0.5);
        series.m_points.push_back(GraphPoint{static_cast<float>(x), static_cast<float>(Smooth(x) + jitter)});
    }
    return series;
}

void RunThin(benchmark::State& state, const CMatPropData& source) {
    std::size_t kept = 0;
    for (auto _ : state) {
        CMatPropData thinned;
        ThinSeries(source, thinned);
        kept = thinned.m_points.size();
        benchmark::DoNotOptimize(thinned.m_points.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(source.m_points.size()));
    state.counters["kept"] = static_cast<double>(kept);
}

void BM_ThinSeriesSmooth(benchmark::State& state) {
    static const CMatPropData source = MakeSeries(0.0);
    RunThin(state, source);
}

void BM_ThinSeriesNoisy(benchmark::State& state) {
    static const CMatPropData source = MakeSeries(0.02);
    RunThin(state, source);
}

BENCHMARK(BM_ThinSeriesSmooth)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ThinSeriesNoisy)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
