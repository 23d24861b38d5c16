// The series both chart benchmarks draw: a long property curve over a solidification range, a
// sigmoid from 2.7 to 2.4 with a slow ripple, as a raw (unthinned) series of many points looks.
#pragma once

#include <cmath>
#include <vector>

#include "graph/svgplot.h"
#include "props/matprops.h"

inline constexpr int kChartPoints = 100000;

inline std::vector<GraphPoint> ChartSeries(int count = kChartPoints) {
    std::vector<GraphPoint> points;
    points.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const double t = 450.0 + 250.0 * i / count;
        const double y = 2.4 + 0.3 / (1.0 + std::exp((t - 580.0) / 8.0)) + 0.01 * std::sin(t / 3.0);
        points.push_back(GraphPoint{static_cast<float>(t), static_cast<float>(y)});
    }
    return points;
}

// The chart of the series as the graph window shows a density: symbols on, titles, axes computed.
inline void SetUpChart(CGraphAxes& axes) {
    axes.m_points = ChartSeries();
    axes.m_showSymbols = 1;
    axes.m_xTitle = GraphXTitle();
    axes.m_yTitle = GraphYTitle(JDT_D_TOTAL);
    axes.RecalcExtents();
    axes.RecalcAxes();
}
