#include "cli/sweepgrid.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace cli;

VaryRange Range(const char* text, bool stepOptional = false) {
    VaryRange range;
    EXPECT_EQ(ParseVaryRange(text, stepOptional, range), "") << text;
    return range;
}

TEST(SweepGrid, RangesParseAndBadOnesAreRefused) {
    const VaryRange si = Range("Si=6.5:7.5:0.1");
    EXPECT_EQ(si.element, "Si");
    EXPECT_EQ(si.from, 6.5);
    EXPECT_EQ(si.to, 7.5);
    EXPECT_EQ(si.step, 0.1);
    EXPECT_EQ(Range("Mg=0.25:0.45", true).step, 0.0);
    for (const char* bad : {"Si", "=1:2:1", "Si=1:2", "Si=1:2:0", "Si=1:2:-1", "Si=2:1:1", "Si=1:101:1",
                            "Si=-1:2:1", "Si=1:2:1:1", "Si=a:2:1", "Si=1,5:2:1", "Si=1:2:1x"}) {
        VaryRange range;
        EXPECT_NE(ParseVaryRange(bad, false, range), "") << bad;
    }
}

TEST(SweepGrid, GridIncludesBothEndsWithoutDrift) {
    // Ten additions of 0.1 overshoot 7.5 slightly; the end is still taken, and once.
    const std::vector<double> values = GridValues(Range("Si=6.5:7.5:0.1"));
    ASSERT_EQ(values.size(), 11u);
    EXPECT_EQ(values.front(), 6.5);
    EXPECT_EQ(values.back(), 7.5);
    EXPECT_EQ(GridValues(Range("Si=1:2:0.3")).size(), 4u); // 1, 1.3, 1.6, 1.9
    EXPECT_EQ(GridValues(Range("Si=3:3:1")), std::vector<double>{3.0});

    const auto grid = GridCompositions({Range("Si=6.5:7.5:0.5"), Range("Mg=0.25:0.45:0.1")});
    ASSERT_EQ(grid.size(), 9u);
    EXPECT_EQ(grid[0], (std::vector<double>{6.5, 0.25}));
    EXPECT_EQ(grid[1][0], 6.5); // the first range changes slowest
    EXPECT_EQ(grid[8], (std::vector<double>{7.5, 0.45}));
}

TEST(SweepGrid, SamplesStayInsideAndRepeatWithTheirSeed) {
    const std::vector<VaryRange> ranges{Range("Si=6.5:7.5", true), Range("Mg=0.25:0.45", true)};
    const auto samples = SampleCompositions(ranges, 500, 42);
    ASSERT_EQ(samples.size(), 500u);
    for (const auto& composition : samples) {
        ASSERT_EQ(composition.size(), 2u);
        EXPECT_TRUE(composition[0] >= 6.5 && composition[0] < 7.5);
        EXPECT_TRUE(composition[1] >= 0.25 && composition[1] < 0.45);
    }
    EXPECT_EQ(SampleCompositions(ranges, 500, 42), samples);
    EXPECT_NE(SampleCompositions(ranges, 500, 43), samples);
    // Spread over the range, not bunched at one end.
    const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
    EXPECT_LT((*low)[0], 6.6);
    EXPECT_GT((*high)[0], 7.4);
}

std::vector<SweepRow> SampleRows() {
    SweepRow ok{{7.0, 0.3}, {}, ""};
    ok.values.solidus = 555.25;
    ok.values.liquidus = 615.0;
    ok.values.densityStart = 2377.5;
    SweepRow other{{7.5, 0.3}, {}, ""};
    other.values.solidus = 554.0;
    SweepRow failed{{8.0, 0.3}, {}, "the engine failed with exit code 2: Error: \"x\", y"};
    return {ok, other, failed};
}

TEST(SweepTable, CsvReadsBackCellByCell) {
    const std::string csv = SweepCsv({"Si", "Mg"}, SampleRows());
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "Si,Mg,solidus (C),liquidus (C),freezing_range (K),latent_heat (J/kg),shrinkage (%),"
                    "density_start (kg/m^3),density_end (kg/m^3),error");
    std::getline(lines, line);
    EXPECT_EQ(line, "7,0.3,555.25,615,,,,2377.5,,");
    std::getline(lines, line);
    EXPECT_EQ(line, "7.5,0.3,554,,,,,,,");
    std::getline(lines, line);
    EXPECT_EQ(line, "8,0.3,,,,,,,,\"the engine failed with exit code 2: Error: \"\"x\"\", y\"");
    EXPECT_FALSE(std::getline(lines, line));
}

TEST(SweepTable, JsonAndSpread) {
    const auto doc = nlohmann::json::parse(SweepJson({"Si", "Mg"}, SampleRows()));
    ASSERT_EQ(doc["rows"].size(), 3u);
    EXPECT_EQ(doc["rows"][0]["composition"]["Si"], 7.0);
    EXPECT_EQ(doc["rows"][0]["solidus"], 555.25);
    EXPECT_TRUE(doc["rows"][0]["error"].is_null());
    EXPECT_TRUE(doc["rows"][2]["solidus"].is_null());
    EXPECT_EQ(doc["rows"][2]["error"], "the engine failed with exit code 2: Error: \"x\", y");

    const std::vector<SweepSpread> spreads = SweepSpreads(SampleRows());
    EXPECT_EQ(*spreads[0].min, 554.0);
    EXPECT_EQ(*spreads[0].max, 555.25);
    EXPECT_EQ(*spreads[1].min, 615.0);
    EXPECT_FALSE(spreads[2].min.has_value());
}

} // namespace
