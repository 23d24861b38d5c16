#include <array>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "graph/graphaxes.h"
#include "support/testfiles.h"

// Whole charts, with their layout, ticks and labels, are in the golden files of the SVG tests; these
// are the rules those charts do not reach.
namespace {

CGraphAxes WithPoints(std::vector<GraphPoint> points) {
    CGraphAxes axes;
    axes.m_points = std::move(points);
    axes.RecalcExtents();
    axes.RecalcAxes();
    return axes;
}

void ExpectRange(const CGraphAxes& axes, float x0, float x1, float y0, float y1) {
    EXPECT_FLOAT_EQ(axes.m_axisMin.x, x0);
    EXPECT_FLOAT_EQ(axes.m_axisMax.x, x1);
    EXPECT_FLOAT_EQ(axes.m_axisMin.y, y0);
    EXPECT_FLOAT_EQ(axes.m_axisMax.y, y1);
}

std::vector<CString> Labels(TickRange ticks, float step) {
    std::vector<CString> labels;
    for (int k = ticks.first; k < ticks.end; ++k)
        labels.push_back(CGraphAxes::FormatTickLabel(static_cast<float>(k) * step, step));
    return labels;
}

TEST(GraphAxes, TickStepIsOneTwoOrFiveTimesAPowerOfTen) {
    const std::array<float, 3> cases[] = {
        {1.0f, 1.35f, 0.05f},     // x = 0.07, e = -2, d = 7 -> 5
        {0.0f, 20.0f, 2.0f},      // d = 4 -> 2
        {0.0f, 5.0f, 1.0f},       // d = 1
        {-700.0f, -450.0f, 50.0f} // negative bounds: only the span counts
    };
    for (const auto& [lower, upper, step] : cases)
        EXPECT_FLOAT_EQ(CGraphAxes::CalcTickStep(upper, lower), step) << lower << ".." << upper;
    // No span, a reversed one or one that is not finite gives no step, and then no ticks.
    const std::pair<float, float> none[] = {
        {5.0f, 5.0f}, {1.0f, 2.0f}, {std::numeric_limits<float>::infinity(), 0.0f}, {std::nanf(""), 0.0f}};
    for (const auto& [upper, lower] : none)
        EXPECT_EQ(CGraphAxes::CalcTickStep(upper, lower), 0.0f) << upper;
    EXPECT_EQ(CGraphAxes::TickIndices(0.0f, 10.0f, 0.0f).Count(), 0);
}

// Points that share one value on an axis are widened by a tenth of that value's magnitude (0.1 for
// the value 0), keeping a span that gives a tick step and a mapping; a single point by 0.1, and no
// point at all gives the empty chart's -0.1..10.1.
TEST(GraphAxes, ZeroSpanIsWidenedByATenthOfTheValue) {
    ExpectRange(CGraphAxes(), -0.1f, 10.1f, -0.1f, 10.1f);
    ExpectRange(WithPoints({{600.0f, 2.5f}}), 599.9f, 600.1f, 2.4f, 2.6f);
    // A point that is not finite does not count: one point is left, not two on one value.
    ExpectRange(WithPoints({{std::nanf(""), 1.0f}, {600.0f, 2.5f}}), 599.9f, 600.1f, 2.4f, 2.6f);
    const CGraphAxes constant = WithPoints({{450.0f, 2500.0f}, {700.0f, 2500.0f}, {600.0f, 2500.0f}});
    ExpectRange(constant, 425.0f, 725.0f, 2250.0f, 2750.0f); // x widened as usual
    EXPECT_EQ(Labels(constant.YTicks(), constant.m_tickStep.y),
              (std::vector<CString>{L"2300", L"2400", L"2500", L"2600", L"2700"}));
    ExpectRange(WithPoints({{-40.0f, 1.0f}, {-40.0f, 2.0f}}), -44.0f, -36.0f, 0.9f, 2.1f);
    const CGraphAxes zero = WithPoints({{1.0f, 0.0f}, {2.0f, 0.0f}});
    ExpectRange(zero, 0.9f, 2.1f, -0.1f, 0.1f);

    CGraphAxes huge = WithPoints({{1.0f, 3e30f}, {2.0f, 3e30f}});
    EXPECT_FLOAT_EQ(huge.m_tickStep.y, 1e29f);
    huge.CalcLayout({0, 0, 324, 317});
    EXPECT_EQ(huge.Y(3e30f), 146); // the middle of the plot, 10..282
    // A value far outside the range still maps to a defined pixel.
    EXPECT_EQ(huge.X(std::numeric_limits<float>::max()), 10000000);
}

TEST(GraphAxes, TickOnANegativeBoundIsDrawnBelowAndSkippedAbove) {
    const TickRange negative = CGraphAxes::TickIndices(-10.0f, -2.0f, 2.0f);
    EXPECT_EQ(std::pair(negative.first, negative.end), std::pair(-5, -1));
    // More grid lines than any window holds: none at all rather than an endless loop.
    EXPECT_EQ(CGraphAxes::TickIndices(0.0f, 1e6f, 1e-3f).Count(), 0);
}

// "%g" at the edges of the usual steps; past them three-digit exponents as the Windows runtime prints.
TEST(GraphAxes, LabelsAtTheEdgesOfTheUsualSteps) {
    EXPECT_EQ(CGraphAxes::FormatTickLabel(30000.0f, 10000.0f), L"30000");
    EXPECT_EQ(CGraphAxes::FormatTickLabel(2000000.0f, 10000.0f), L"2e+006");
    // 0.0001f lies just below 0.0001 in double: compared in float it would not.
    EXPECT_EQ(CGraphAxes::FormatTickLabel(3.0f * 0.0001f, 0.0001f), L"3.0000e-004");
    EXPECT_EQ(CGraphAxes::FormatTickLabel(3.0f * 0.05f, 0.05f), L"0.15");
}

} // namespace
