#include <cmath>
#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

#include "module/matprops.h"
#include "support/series.h"

namespace {

template <class Object, class Member> std::ptrdiff_t OffsetOf(const Object& object, const Member& member) {
    return reinterpret_cast<const char*>(&member) - reinterpret_cast<const char*>(&object);
}

CMatPropData Named(int type, const wchar_t* name, std::vector<GraphPoint> points = {}) {
    return Series(type, std::move(points), 2, name);
}

std::vector<GraphPoint> Thin(std::vector<GraphPoint> points) {
    CMatPropData source;
    source.m_points = std::move(points);
    CMatPropData destination = Named(15, L"kept");
    destination.m_exportFlag = 1;
    EXPECT_EQ(ThinSeries(source, destination), 1);
    EXPECT_EQ(destination.m_exportFlag, 1); // only the points are replaced
    EXPECT_STREQ(destination.m_name, L"kept");
    return destination.m_points;
}

bool Same(const std::vector<GraphPoint>& a, const std::vector<GraphPoint>& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].x != b[i].x || a[i].y != b[i].y)
            return false;
    }
    return true;
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

    EXPECT_EQ(s.m_exportFlag, 0);
    EXPECT_EQ(s.m_xDataType, -1);
    EXPECT_EQ(s.m_dataType, -1);
    EXPECT_EQ(s.m_name[0], L'\0');
}

// A set copies as its vector does; a series copies every member, the whole name array included.
TEST(PropertyTables, CopiesAreDeepAndSelfAssignmentIsHarmless) {
    CMatPropData a = Named(15, L"D-TOTAL", {{1, 2}, {3, 4}});
    a.m_exportFlag = 1;
    a.m_xDataType = static_cast<KESTRUMMOD_DATATYPE>(1);
    a.m_name[200] = L'Z'; // beyond the terminator
    CMatPropData copied(a);
    CMatPropData assigned = Named(9, L"x", {{5, 6}});
    assigned = a;
    for (CMatPropData* b : {&copied, &assigned}) {
        EXPECT_EQ(b->m_exportFlag, 1);
        EXPECT_EQ(b->m_xDataType, 1);
        EXPECT_EQ(b->m_dataType, 15);
        EXPECT_EQ(b->m_name[200], L'Z');
        ASSERT_EQ(b->m_points.size(), 2u);
        b->m_points[0].y = 99;
    }
    EXPECT_EQ(a.m_points[0].y, 2);

    CMatPropData& alias = a;
    a = alias;
    EXPECT_STREQ(a.m_name, L"D-TOTAL");
    EXPECT_EQ(a.m_points.size(), 2u);
}

TEST(PropertyTables, FindSeriesTakesTheFirstMatch) {
    CMatProps set;
    EXPECT_EQ(FindSeries(set, static_cast<KESTRUMMOD_DATATYPE>(4)), nullptr);
    set.m_series = {Named(4, L"first"), Named(15, L"d"), Named(4, L"second")};
    ASSERT_NE(FindSeries(set, static_cast<KESTRUMMOD_DATATYPE>(4)), nullptr);
    EXPECT_STREQ(FindSeries(set, static_cast<KESTRUMMOD_DATATYPE>(4))->m_name, L"first");
    EXPECT_EQ(FindSeries(set, static_cast<KESTRUMMOD_DATATYPE>(17)), nullptr);
}

TEST(Thinning, ShortAndDegenerateSeries) {
    EXPECT_TRUE(Thin({}).empty());
    EXPECT_TRUE(Same(Thin({{1, 2}}), {{1, 2}}));
    EXPECT_TRUE(Same(Thin({{1, 2}, {3, 5}}), {{1, 2}, {3, 5}}));
    EXPECT_TRUE(Same(Thin({{0, 0}, {1, 1}, {2, 2}, {3, 3}}), {{0, 0}, {3, 3}}));

    // Constant y: an infinite scale makes every cosine undefined, and every point survives.
    const std::vector<GraphPoint> flat = {{0, 5}, {1, 5}, {2, 5}, {3, 5}};
    EXPECT_TRUE(Same(Thin(flat), flat));
    // Constant x: a zero scale leaves only x differences, all zero: nothing between the ends stays.
    EXPECT_TRUE(Same(Thin({{7, 0}, {7, 1}, {7, 5}, {7, 2}}), {{7, 0}, {7, 2}}));
}

TEST(Thinning, KeepsTheCornersOfAPolyline) {
    // Up, flat, down: the two corners turn by 45° or more in scaled units and survive.
    std::vector<GraphPoint> line;
    for (int i = 0; i <= 10; ++i)
        line.push_back({static_cast<float>(i), static_cast<float>(i)});
    for (int i = 11; i <= 20; ++i)
        line.push_back({static_cast<float>(i), 10.0f});
    for (int i = 21; i <= 30; ++i)
        line.push_back({static_cast<float>(i), static_cast<float>(30 - i)});
    EXPECT_TRUE(Same(Thin(line), {{0, 0}, {10, 10}, {20, 10}, {30, 0}}));
}

TEST(Thinning, SmoothCurveShrinksAndStaysASubsequence) {
    std::vector<GraphPoint> curve;
    for (int i = 0; i < 2000; ++i) {
        const float x = 400.0f + 0.2f * static_cast<float>(i);
        curve.push_back({x, 1.0f / (1.0f + std::exp(-(x - 600.0f) / 10.0f))});
    }
    const auto thin = Thin(curve);
    ASSERT_GE(thin.size(), 4u);
    EXPECT_LT(thin.size(), 100u);
    EXPECT_EQ(thin.front().x, curve.front().x);
    EXPECT_EQ(thin.back().x, curve.back().x);
    size_t j = 0;
    for (const auto& p : thin) {
        while (j < curve.size() && (curve[j].x != p.x || curve[j].y != p.y))
            ++j;
        ASSERT_LT(j, curve.size()) << "thinned point not in the source, or out of order";
    }
    // A second thinning finds nothing more to remove.
    EXPECT_TRUE(Same(Thin(thin), thin));
}
