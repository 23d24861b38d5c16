#include "cli/compare.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "cli/present.h"
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
    // A value that is not finite is left out, not compared as NaN.
    first.m_series = {Series(JDT_D_TOTAL, {{400, 2600}, {500, 2550}, {550, NAN}, {600, 2400}, {700, 2380}}),
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

// In SI units from what the module holds (D-LIQUID in g/cm3, VISC-TOTAL in hundreds of mPa s), each
// number as short as reads back the same; an empty cell for a value that is not finite; a single value
// alone under its heading, not as a pair with the fraction it was found at.
TEST(Compare, SeriesCsvInSiUnits) {
    CMatProps held;
    held.m_series = {Series(JDT_D_LIQUID, {{475.5f, 2.3812f}, {500, NAN}}),
                     Series(JDT_VISC_TOTAL, {{560, 8803.958f}}), Series(JDT_LIQUIDUS, {{614.26f, 0.99f}}),
                     Series(JDT_UNKNOWN, {{1, 2}}, JDT_T_C, L"Hardness, HV")};
    const CMatProps si = InSiUnits(held);
    EXPECT_EQ(SeriesCsv(si.m_series[0]),
              "Temperature (C),Density of the liquid (kg/m^3)\n475.5,2381.2\n500,\n");
    EXPECT_EQ(SeriesCsv(si.m_series[1]), "Temperature (C),Viscosity (Pa s)\n560,0.08803958\n");
    EXPECT_EQ(SeriesCsv(si.m_series[2]), "Liquidus temperature (C)\n614.26\n");
    EXPECT_EQ(SeriesCsv(si.m_series[3]), "Temperature (C),\"Hardness, HV\"\n1,2\n");
}

} // namespace
