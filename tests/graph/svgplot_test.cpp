#include <filesystem>
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

// The body of the group with the given class, or "" when the document has none.
std::string Group(const std::string& svg, const std::string& cls) {
    const size_t start = svg.find("<g class=\"" + cls + "\"");
    if (start == std::string::npos)
        return {};
    return svg.substr(start, svg.find("</g>", start) - start);
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// The texts of the group, in document order.
std::vector<std::string> Texts(const std::string& group) {
    std::vector<std::string> texts;
    for (size_t at = group.find("<text"); at != std::string::npos; at = group.find("<text", at + 1)) {
        const size_t open = group.find('>', at) + 1;
        texts.push_back(group.substr(open, group.find("</text>", open) - open));
    }
    return texts;
}

TEST(SvgPlot, EmptySeriesDrawsGridLabelsFrameAndTitlesOnly) {
    const std::string svg = Render(Series(15, {}), true);
    EXPECT_NE(svg.find("width=\"324\" height=\"317\""), std::string::npos);
    // Layout of a 324 x 317 client area: plot 55, 10, 314, 282.
    EXPECT_NE(Group(svg, "plot").find("<rect x=\"55\" y=\"10\" width=\"259\" height=\"272\"/>"),
              std::string::npos);
    EXPECT_EQ(Count(Group(svg, "grid"), "<line"), 12);
    const std::vector<std::string> expected{"0", "2", "4", "6", "8", "10"};
    EXPECT_EQ(Texts(Group(svg, "x-labels")), expected);
    EXPECT_EQ(Texts(Group(svg, "y-labels")), expected);
    EXPECT_EQ(svg.find("class=\"curve\""), std::string::npos);
    EXPECT_EQ(Group(svg, "symbols"), "");
    EXPECT_EQ(Count(Group(svg, "frame"), "<rect"), 4);
    EXPECT_NE(svg.find("class=\"border\" fill=\"none\" stroke=\"#000000\" stroke-width=\"2\" "
                       "points=\"55,10 314,10 314,282 55,282 55,10\""),
              std::string::npos);
    EXPECT_EQ(Texts(Group(svg, "x-title")), std::vector<std::string>{"Temperture (C)"});
    EXPECT_EQ(Texts(Group(svg, "y-title")), std::vector<std::string>{"Density alloy[kg/m^3]"});
    EXPECT_NE(Group(svg, "y-title").find("rotate(-90)"), std::string::npos);
    // Painted in the control's order: the frame covers whatever the curve drew into the margins.
    EXPECT_LT(svg.find("class=\"grid\""), svg.find("class=\"frame\""));
}

TEST(SvgPlot, CurveAndSymbols) {
    // One point: its symbol whatever the switch says, and no curve.
    const std::string one = Render(Series(4, {{5.0f, 5.0f}}), false);
    EXPECT_EQ(one.find("class=\"curve\""), std::string::npos);
    EXPECT_EQ(Count(Group(one, "symbols"), "<rect"), 1);
    EXPECT_NE(Group(one, "symbols").find("fill=\"#008080\""), std::string::npos);
    // A data type without a unit is titled by its name alone.
    EXPECT_EQ(Texts(Group(one, "y-title")), std::vector<std::string>{"Fraction liquid (weight fraction)"});

    // Two points: the curve in list order, with symbols only when switched on. The axis ends of
    // (0, 0)..(10, 100) are (-1, -10)..(11, 110), so the points map to (76, 259) and (292, 32).
    const CMatPropData two = Series(15, {{10.0f, 100.0f}, {0.0f, 0.0f}});
    const std::string plain = Render(two, false);
    EXPECT_NE(plain.find("stroke=\"#008080\" stroke-width=\"1\" points=\"292.5,32.5 76.5,259.5\""),
              std::string::npos);
    EXPECT_EQ(Group(plain, "symbols"), "");
    const std::string marked = Render(two, true);
    EXPECT_NE(Group(marked, "symbols").find("<rect x=\"289\" y=\"29\" width=\"6\" height=\"6\"/>"),
              std::string::npos);
    EXPECT_EQ(Count(Group(marked, "symbols"), "<rect"), 2);
}

TEST(SvgPlot, ExponentLabelsOnTwoLinesOnYAndOneOnX) {
    // y: -0.000015..0.000165 gives the step 0.00002; x: -10000..110000 the step 20000.
    const std::string svg = Render(Series(4, {{0.0f, 0.0f}, {100000.0f, 0.00015f}}), true);
    const std::vector<std::string> y = Texts(Group(svg, "y-labels"));
    ASSERT_EQ(y.size(), 18u);
    EXPECT_EQ(y[0], "0.0000");
    EXPECT_EQ(y[1], "e+000");
    EXPECT_EQ(y[2], "2.0000");
    EXPECT_EQ(y[3], "e-005");
    // The exponent line sits 12 pixels below its mantissa.
    const std::string group = Group(svg, "y-labels");
    EXPECT_NE(group.find("<text x=\"50\" y=\"260.947\">0.0000</text>\n<text x=\"50\" y=\"272.947\">e+000"),
              std::string::npos);
    EXPECT_EQ(Texts(Group(svg, "x-labels")),
              (std::vector<std::string>{"0.0000e+000", "2.0000e+004", "4.0000e+004", "6.0000e+004",
                                        "8.0000e+004", "1.0000e+005"}));
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
    set.m_series = {Series(2, {{1.0f, 1.0f}, {2.0f, 2.0f}}),                // the temperature axis
                    Series(15, {{1.0f, 1.0f}, {2.0f, 2.0f}, {3.0f, 3.0f}}), // thinned to its ends
                    Series(4, {}),                                          // no points
                    Series(31, {{600.0f, 0.0f}}),                           // derived: no tag
                    Series(1, {{1.0f, 1.0f}}),
                    Series(15, {{1.0f, 5.0f}}),
                    Series(0, {{1.0f, 5.0f}})};
    EXPECT_EQ(PlotFileNames(set),
              (std::vector<std::wstring>{L"", L"D-TOTAL.svg", L"WT-LIQUID.svg", L"Liquidus_Temperature.svg",
                                         L"T_K.svg", L"D-TOTAL-2.svg", L""}));
    TempDir dir;
    const std::wstring folder = dir.Path().wstring();
    std::vector<std::wstring> written;
    ASSERT_EQ(WritePropertyPlots(set, folder.c_str(), std::nullopt, &written), 1);
    ASSERT_EQ(written.size(), 4u);
    EXPECT_EQ(written[0], dir.File(L"D-TOTAL.svg"));
    EXPECT_EQ(written[3], dir.File(L"D-TOTAL-2.svg"));
    const std::string density = ReadBytes(written[0]);
    EXPECT_EQ(Count(Group(density, "symbols"), "<rect"), 2); // the middle point thinned away

    std::vector<std::wstring> only;
    ASSERT_EQ(WritePropertyPlots(
                  set, (folder + static_cast<wchar_t>(std::filesystem::path::preferred_separator)).c_str(),
                  static_cast<KESTRUMMOD_DATATYPE>(15), &only),
              1);
    EXPECT_EQ(only, (std::vector<std::wstring>{dir.File(L"D-TOTAL.svg"), dir.File(L"D-TOTAL-2.svg")}));

    std::vector<std::wstring> none;
    EXPECT_EQ(WritePropertyPlots(set, dir.File(L"missing").c_str(), std::nullopt, &none), 0);
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(WriteSeriesSvg(set.m_series[1], dir.File(L"missing/x.svg").c_str(), true), 0);
}

} // namespace
