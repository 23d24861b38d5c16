#include "cli/compare.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/series.h"

namespace {

using namespace cli;

TEST(Compare, InterpolatesInsideTheRangeOnly) {
    const std::vector<GraphPoint> points{{500, 10}, {510, 20}, {510, 99}, {530, 0}};
    const struct {
        double x;
        std::optional<double> expected;
    } cases[] = {{500, 10.0}, {505, 15.0},           {510, 20.0},          {520, 49.5},
                 {530, 0.0},  {499.9, std::nullopt}, {530.1, std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(Interpolate(points, c.x), c.expected) << c.x;
    EXPECT_EQ(Interpolate({}, 500), std::nullopt);
}

// Properties of both sets over their common range; derived values are compared apart.
TEST(Compare, LargestDifferenceOverTheCommonRange) {
    CMatProps first;
    first.m_series = {Series(JDT_D_TOTAL, {{400, 2600}, {500, 2550}, {600, 2400}, {700, 2380}}),
                      Series(JDT_WT_LIQUID, {{500, 0}, {600, 1}}), Series(JDT_SOLIDUS, {{555, 0.01f}}),
                      Series(JDT_CP_WT, {{100, 1}, {200, 1}})};
    CMatProps second;
    // The common density range is 450..650 C: at 500 C the second reads 2515 (35 less), at 600 C
    // 2422.5 (22.5 more).
    second.m_series = {Series(JDT_D_TOTAL, {{450, 2565}, {550, 2465}, {650, 2380}}),
                       Series(JDT_WT_LIQUID, {{500, 0}, {600, 1}}), Series(JDT_SOLIDUS, {{550, 0.01f}}),
                       Series(JDT_CP_WT, {{300, 1}, {400, 1}})};
    const std::vector<SeriesDifference> differences = CompareSets(first, second);
    ASSERT_EQ(differences.size(), 3u);      // density, fraction liquid, and specific heat without overlap
    EXPECT_EQ(differences[0].compared, 2u); // 500 and 600 lie inside 450..650
    EXPECT_DOUBLE_EQ(differences[0].largest, 35.0);
    EXPECT_EQ(differences[0].at, 500.0);
    EXPECT_EQ(differences[2].compared, 0u);
}

// Nine digits bring a float back; a heading with a comma is quoted.
TEST(Compare, SeriesCsv) {
    EXPECT_EQ(SeriesCsv(Series(JDT_D_TOTAL, {{475.5f, 2598.95f}}), "D-TOTAL", "kg/m^3"),
              "Temperature (C),D-TOTAL (kg/m^3)\n475.5,2598.94995\n");
    EXPECT_EQ(SeriesCsv(Series(JDT_WT_LIQUID, {}), "Fraction, liquid", ""),
              "Temperature (C),\"Fraction, liquid\"\n");
}

} // namespace
