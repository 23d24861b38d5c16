#include <algorithm>
#include <cmath>
#include <cstdint>

#include <gtest/gtest.h>

#include "props/matprops.h"
#include "support/series.h"

namespace {

using Points = std::vector<GraphPoint>;

template <class Object, class Member> std::ptrdiff_t OffsetOf(const Object& object, const Member& member) {
    return reinterpret_cast<const char*>(&member) - reinterpret_cast<const char*>(&object);
}

// Thins into a destination that keeps everything but its points.
Points Thin(Points points) {
    CMatPropData destination = Series(JDT_D_TOTAL, {}, JDT_T_C, L"kept");
    destination.m_exportFlag = 1;
    EXPECT_EQ(ThinSeries(Series(JDT_WT_LIQUID, std::move(points)), destination), 1);
    EXPECT_EQ(Dump(destination).substr(0, 8), "15* kept");
    return destination.m_points;
}

} // namespace

// The host reads the members directly: the virtual table pointer first, then the members in order.
TEST(PropertyTables, LayoutTheHostReads) {
    CMatPropData s;
    EXPECT_EQ(sizeof(GraphPoint), 8u);
    EXPECT_EQ(OffsetOf(s, s.m_exportFlag), static_cast<std::ptrdiff_t>(sizeof(void*)));
    EXPECT_EQ(OffsetOf(s, s.m_xDataType), OffsetOf(s, s.m_exportFlag) + 4);
    EXPECT_EQ(OffsetOf(s, s.m_dataType), OffsetOf(s, s.m_xDataType) + 4);
    EXPECT_EQ(OffsetOf(s, s.m_name), OffsetOf(s, s.m_dataType) + 4);
    EXPECT_GE(OffsetOf(s, s.m_points), OffsetOf(s, s.m_name) + static_cast<std::ptrdiff_t>(sizeof s.m_name));
    CMatProps set;
    EXPECT_EQ(OffsetOf(set, set.m_series), static_cast<std::ptrdiff_t>(sizeof(void*)));
}

// A series copies every member, the whole name array included; the copies share no points.
TEST(PropertyTables, CopiesAreDeep) {
    CMatPropData a = Series(JDT_D_TOTAL, {{1, 2}, {3, 4}}, JDT_T_K, L"D-TOTAL");
    a.m_exportFlag = 1;
    a.m_name[200] = L'Z'; // beyond the terminator
    CMatPropData copied(a);
    CMatPropData assigned = Series(JDT_YM_COMPACTED, {{5, 6}});
    assigned = a;
    for (CMatPropData* b : {&copied, &assigned}) {
        EXPECT_EQ(Dump(*b), "15/1* D-TOTAL 1:2 3:4");
        EXPECT_EQ(b->m_name[200], L'Z');
        b->m_points[0].y = 99;
    }
    EXPECT_EQ(Dump(a), "15/1* D-TOTAL 1:2 3:4");
}

TEST(PropertyTables, FindSeriesTakesTheFirstMatch) {
    CMatProps set;
    EXPECT_EQ(FindSeries(set, JDT_WT_LIQUID), nullptr);
    set.m_series = {Series(JDT_WT_LIQUID, {}, JDT_T_C, L"first"), Series(JDT_D_TOTAL),
                    Series(JDT_WT_LIQUID, {}, JDT_T_C, L"second")};
    EXPECT_EQ(FindSeries(set, JDT_WT_LIQUID), &set.m_series[0]);
    EXPECT_EQ(FindSeries(set, JDT_MV_TOTAL), nullptr);
}

TEST(Thinning, ShortDegenerateAndCorneredSeries) {
    // Up, flat, down: the two corners turn by 45° or more in scaled units and survive.
    Points line;
    for (int i = 0; i <= 30; ++i)
        line.push_back({static_cast<float>(i), static_cast<float>(i <= 10 ? i : i <= 20 ? 10 : 30 - i)});
    const Points flat = {{0, 5}, {1, 5}, {2, 5}, {3, 5}};
    const struct {
        Points in, out;
    } cases[] = {
        {{}, {}},
        {{{1, 2}}, {{1, 2}}},
        {{{1, 2}, {3, 5}}, {{1, 2}, {3, 5}}},
        {{{0, 0}, {1, 1}, {2, 2}, {3, 3}}, {{0, 0}, {3, 3}}},
        // Constant y: an infinite scale makes every cosine undefined, and every point survives.
        {flat, flat},
        // Constant x: a zero scale leaves only x differences, all zero: nothing between the ends stays.
        {{{7, 0}, {7, 1}, {7, 5}, {7, 2}}, {{7, 0}, {7, 2}}},
        {line, {{0, 0}, {10, 10}, {20, 10}, {30, 0}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Thin(c.in), c.out) << c.in.size() << " points";
}

TEST(Thinning, SmoothCurveShrinksAndStaysASubsequence) {
    Points curve;
    for (int i = 0; i < 2000; ++i) {
        const float x = 400.0f + 0.2f * static_cast<float>(i);
        curve.push_back({x, 1.0f / (1.0f + std::exp(-(x - 600.0f) / 10.0f))});
    }
    const Points thin = Thin(curve);
    ASSERT_GE(thin.size(), 4u);
    EXPECT_LT(thin.size(), 100u);
    EXPECT_EQ(thin.front(), curve.front());
    EXPECT_EQ(thin.back(), curve.back());
    auto j = curve.begin();
    for (const auto& p : thin) {
        j = std::find(j, curve.end(), p);
        ASSERT_NE(j, curve.end()) << "thinned point not in the source, or out of order";
    }
    // A second thinning finds nothing more to remove.
    EXPECT_EQ(Thin(thin), thin);
}
