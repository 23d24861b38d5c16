#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "graph/svgplot.h"
#include "support/series.h"
#include "support/testfiles.h"

namespace {

// The chart as the graph window shows the series, in the control's size.
std::string Render(const CMatPropData& series, bool symbols) {
    CGraphAxes axes;
    axes.m_points = series.m_points;
    axes.RecalcExtents();
    axes.RecalcAxes();
    axes.m_showSymbols = symbols ? 1 : 0;
    axes.m_xTitle = GraphXTitle();
    axes.m_yTitle = GraphYTitle(series.m_dataType);
    return RenderGraphSvg(axes, kGraphClientWidth, kGraphClientHeight);
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// Whole documents against golden files: layout, grid, labels (exponents on two lines on y, one on
// x), frame, titles, curve in list order and symbols. A single point shows its symbol whatever the
// switch says, and no curve.
TEST(SvgPlot, ChartsAsTheGoldenFilesHaveThem) {
    const struct {
        CMatPropData series;
        bool symbols;
        const char* golden;
    } cases[] = {
        {Series(JDT_D_TOTAL, {}), true, "empty"},
        {Series(JDT_WT_LIQUID, {{5.0f, 5.0f}}), false, "one-point"},
        {Series(JDT_D_TOTAL, {{10.0f, 100.0f}, {0.0f, 0.0f}}), false, "two-points"},
        {Series(JDT_D_TOTAL, {{10.0f, 100.0f}, {0.0f, 0.0f}}), true, "two-points-symbols"},
        {Series(JDT_WT_LIQUID, {{0.0f, 0.0f}, {100000.0f, 0.00015f}}), true, "exponents"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Render(c.series, c.symbols),
                  Golden((std::string("graph/golden/") + c.golden + ".svg").c_str()))
            << c.golden;
}

TEST(SvgPlot, TextIsEscaped) {
    CGraphAxes axes;
    axes.m_xTitle = L"a<b & \"c\" 'd'\x01>";
    axes.m_yTitle = L"Zo\u00eb";
    const std::string svg = RenderGraphSvg(axes, 200, 150);
    EXPECT_NE(svg.find(">a&lt;b &amp; &quot;c&quot; &apos;d&apos;&gt;</text>"), std::string::npos);
    EXPECT_NE(svg.find(">Zo\xc3\xab</text>"), std::string::npos);
}

TEST(SvgPlot, OneFileNamePerPlottedSeriesAfterItsTag) {
    CMatProps set;
    set.m_series = {Series(JDT_T_C), Series(JDT_D_TOTAL), Series(JDT_WT_LIQUID), Series(JDT_LIQUIDUS),
                    Series(JDT_T_K), Series(JDT_D_TOTAL), Series(JDT_UNKNOWN)};
    EXPECT_EQ(PlotFileNames(set),
              (std::vector<std::wstring>{L"", L"D-TOTAL.svg", L"WT-LIQUID.svg", L"Liquidus_Temperature.svg",
                                         L"T_K.svg", L"D-TOTAL-2.svg", L""}));
}

SvgCurve Curve(std::vector<GraphPoint> points, std::wstring label = L"") {
    SvgCurve curve;
    curve.points = std::move(points);
    curve.label = std::move(label);
    return curve;
}

// The pixel positions of one class of texts, in document order.
std::vector<double> TextPositions(const std::string& svg, const std::string& group, const char* axis) {
    std::vector<double> positions;
    const size_t begin = svg.find("class=\"" + group + "\"");
    const size_t end = svg.find("</g>", begin);
    for (size_t at = svg.find(std::string("<text ") + axis + "=\"", begin); at < end;
         at = svg.find(std::string("<text ") + axis + "=\"", at + 1))
        positions.push_back(std::stod(svg.substr(at + 9)));
    return positions;
}

// 0.2 to 0.4 gets a tick every 0.02 over 259 pixels: 21 pixels, too close for "0.24" beside "0.26",
// which the control draws over each other. The SVG labels every other tick instead.
TEST(SvgPlot, TickLabelsThatWouldRunTogetherAreThinned) {
    SvgChart chart;
    chart.curves.push_back(Curve({{0.2f, 1.0f}, {0.4f, 1.0e-4f}}));
    const std::string svg = RenderChartSvg(chart);
    const std::vector<double> x = TextPositions(svg, "x-labels", "x");
    ASSERT_GE(x.size(), 3u);
    EXPECT_LE(x.size(), 7u);
    for (size_t i = 1; i < x.size(); ++i)
        EXPECT_GE(x[i] - x[i - 1], 30) << i;
    EXPECT_NE(svg.find(">0.24</text>"), std::string::npos);
    EXPECT_EQ(svg.find(">0.26</text>"), std::string::npos);
    // The grid keeps a line at every tick: the vertical ones run from the plot's bottom, y 282.
    const size_t grid = svg.find("class=\"grid\"");
    EXPECT_GE(Count(svg.substr(grid, svg.find("</g>", grid) - grid), "y1=\"282\""), 2 * x.size() - 1);
}

// A point that is not finite takes no part in the axes or the curve; the others are drawn as without it.
TEST(SvgPlot, PointsThatAreNotFiniteAreLeftOut) {
    const float inf = std::numeric_limits<float>::infinity();
    SvgChart with;
    with.curves.push_back(Curve({{500, 1}, {550, std::nanf("")}, {600, 2}, {650, inf}, {-inf, 5}, {700, 3}}));
    SvgChart without;
    without.curves.push_back(Curve({{500, 1}, {600, 2}, {700, 3}}));
    EXPECT_EQ(RenderChartSvg(with), RenderChartSvg(without));
}

// The title above the plot and the legend below it: neither lies over the plot, where the curves are.
TEST(SvgPlot, TitleAndLegendStayOutsideThePlot) {
    SvgChart chart;
    chart.title = L"alsi7mg.out";
    chart.curves = {Curve({{0, 0}, {10, 10}}, L"first"), Curve({{0, 10}, {10, 0}}, L"second & third")};
    const std::string svg = RenderChartSvg(chart);
    EXPECT_NE(svg.find("height=\"379\""), std::string::npos); // 24 + 317 + 2 lines of 16 + 6
    const std::vector<double> title = TextPositions(svg, "title", "x");
    ASSERT_EQ(title.size(), 1u);
    const size_t legend = svg.find("class=\"legend\"");
    ASSERT_NE(legend, std::string::npos);
    EXPECT_NE(svg.find(">second &amp; third</text>", legend), std::string::npos);
    // The plot spans y 34 to 306; the legend's first line runs at 341 + 2 + 8.
    EXPECT_NE(svg.find("<rect x=\"55\" y=\"34\" width=\"259\" height=\"272\"/>"), std::string::npos);
    EXPECT_NE(svg.find("y1=\"351\"", legend), std::string::npos);
}

} // namespace
