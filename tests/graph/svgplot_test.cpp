#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "graph/svgplot.h"
#include "support/series.h"
#include "support/testfiles.h"

namespace {

std::string Render(const CMatPropData& series, bool symbols) {
    TempDir dir;
    const std::wstring path = dir.File(L"chart.svg");
    EXPECT_EQ(WriteSeriesSvg(series, path.c_str(), symbols), 1);
    return ReadBytes(path);
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

TEST(SvgPlot, OneFilePerPlottedSeriesNamedAfterItsTag) {
    CMatProps set;
    set.m_series = {Series(JDT_T_C, {{1.0f, 1.0f}, {2.0f, 2.0f}}),                   // the temperature axis
                    Series(JDT_D_TOTAL, {{1.0f, 1.0f}, {2.0f, 2.0f}, {3.0f, 3.0f}}), // thinned to its ends
                    Series(JDT_WT_LIQUID, {}),                                       // no points
                    Series(JDT_LIQUIDUS, {{600.0f, 0.0f}}),                          // derived: no tag
                    Series(JDT_T_K, {{1.0f, 1.0f}}),
                    Series(JDT_D_TOTAL, {{1.0f, 5.0f}}),
                    Series(JDT_UNKNOWN, {{1.0f, 5.0f}})};
    EXPECT_EQ(PlotFileNames(set),
              (std::vector<std::wstring>{L"", L"D-TOTAL.svg", L"WT-LIQUID.svg", L"Liquidus_Temperature.svg",
                                         L"T_K.svg", L"D-TOTAL-2.svg", L""}));
    TempDir dir;
    const std::wstring folder = dir.Path().wstring();
    std::vector<std::wstring> written;
    ASSERT_EQ(WritePropertyPlots(set, folder.c_str(), std::nullopt, &written), 1);
    ASSERT_EQ(written,
              (std::vector<std::wstring>{dir.File(L"D-TOTAL.svg"), dir.File(L"Liquidus_Temperature.svg"),
                                         dir.File(L"T_K.svg"), dir.File(L"D-TOTAL-2.svg")}));
    EXPECT_EQ(Count(ReadBytes(written[0]), "<rect"),
              5 + 2); // the plot and frame, and symbols at the ends only

    std::vector<std::wstring> none;
    EXPECT_EQ(WritePropertyPlots(set, dir.File(L"missing").c_str(), std::nullopt, &none), 0);
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(WriteSeriesSvg(set.m_series[1], dir.File(L"missing/x.svg").c_str(), true), 0);
}

} // namespace
