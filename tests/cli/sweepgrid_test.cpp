#include "cli/sweepgrid.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace cli;

VaryRange Range(const char* text, bool stepOptional = false) {
    VaryRange range;
    EXPECT_EQ(ParseVaryRange(text, stepOptional, range), "") << text;
    return range;
}

// Good ranges run end to end in cli_test.sh; these are the forms a range must not take.
TEST(SweepGrid, BadRangesAreRefused) {
    for (const char* bad : {"Si", "=1:2:1", "Si=1:2", "Si=1:2:0", "Si=1:2:-1", "Si=2:1:1", "Si=1:101:1",
                            "Si=-1:2:1", "Si=1:2:1:1", "Si=a:2:1", "Si=1,5:2:1", "Si=1:2:1x"}) {
        VaryRange range;
        EXPECT_NE(ParseVaryRange(bad, false, range), "") << bad;
    }
}

TEST(SweepGrid, GridIncludesBothEndsWithoutDrift) {
    // Ten additions of 0.1 overshoot 7.5 slightly; the end is still taken, and once.
    const std::vector<double> values = GridValues(Range("Si=6.5:7.5:0.1"));
    EXPECT_EQ(std::tuple(values.size(), values.front(), values.back()), std::tuple(11u, 6.5, 7.5));
    EXPECT_EQ(GridValues(Range("Si=1:2:0.3")).size(), 4u); // 1, 1.3, 1.6, 1.9
    EXPECT_EQ(GridValues(Range("Si=3:3:1")), std::vector<double>{3.0});
}

TEST(SweepGrid, SamplesSpreadOverTheRangesAndFollowTheirSeed) {
    const std::vector<VaryRange> ranges{Range("Si=6.5:7.5", true), Range("Mg=0.25:0.45", true)};
    const auto samples = SampleCompositions(ranges, 500, 42);
    for (const auto& c : samples)
        EXPECT_TRUE(c.size() == 2 && c[0] >= 6.5 && c[0] < 7.5 && c[1] >= 0.25 && c[1] < 0.45);
    EXPECT_NE(SampleCompositions(ranges, 500, 43), samples);
    // Not bunched at one end.
    const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
    EXPECT_LT((*low)[0], 6.6);
    EXPECT_GT((*high)[0], 7.4);
}

// A row without a value leaves its cell empty (null in JSON) and the spread out of it; a warning stands
// beside its values; an error is quoted as CSV quotes.
std::vector<SweepRow> SampleRows() {
    SweepRow ok{{7.0, 0.3}, {}, "", ""};
    ok.values.solidus = 555.25;
    ok.values.liquidus = 615.0;
    ok.values.densityStart = 2377.5;
    SweepRow other{{7.5, 0.3}, {}, "Si 7.5 wt% outside 0 to 7 wt%", ""};
    other.values.solidus = 554.0;
    SweepRow failed{{8.0, 0.3}, {}, "", "the engine failed with exit code 2: Error: \"x\", y"};
    return {ok, other, failed};
}

TEST(SweepTable, CsvJsonAndSpread) {
    EXPECT_EQ(SweepCsv({"Si", "Mg"}, SampleRows()),
              "Si,Mg,solidus (C),liquidus (C),freezing_range (K),latent_heat (J/kg),shrinkage (%),"
              "density_start (kg/m^3),density_end (kg/m^3),warning,error\n"
              "7,0.3,555.25,615,,,,2377.5,,,\n"
              "7.5,0.3,554,,,,,,,Si 7.5 wt% outside 0 to 7 wt%,\n"
              "8,0.3,,,,,,,,,\"the engine failed with exit code 2: Error: \"\"x\"\", y\"\n");

    const auto doc = nlohmann::json::parse(SweepJson({"Si", "Mg"}, SampleRows()));
    ASSERT_EQ(doc["rows"].size(), 3u);
    EXPECT_TRUE(doc["rows"][2]["solidus"].is_null());
    EXPECT_EQ(doc["rows"][1]["warning"], "Si 7.5 wt% outside 0 to 7 wt%");
    EXPECT_EQ(doc["rows"][2]["error"], "the engine failed with exit code 2: Error: \"x\", y");

    const std::vector<SweepSpread> spreads = SweepSpreads(SampleRows());
    EXPECT_EQ(std::tuple(*spreads[0].min, *spreads[0].max, *spreads[1].min),
              std::tuple(554.0, 555.25, 615.0));
    EXPECT_FALSE(spreads[2].min.has_value());
}

} // namespace
