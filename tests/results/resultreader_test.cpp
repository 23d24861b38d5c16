#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/debugout.h"
#include "framework/numparse.h"
#include "results/resultfile.h"
#include "support/series.h"
#include "support/testfiles.h"

namespace {

KESTRUMMOD_DATATYPE T(int type) {
    return static_cast<KESTRUMMOD_DATATYPE>(type);
}

class ResultReader : public ::testing::Test {
protected:
    // Writes `content` to a file and reads it; the read's result is returned, the set kept.
    int Read(const std::string& content, int format = kFormatEngine, const std::wstring& name = L"r.out") {
        const std::wstring path = dir.File(name);
        WriteBytes(path, content);
        return ReadResultFile(path.c_str(), set, format);
    }
    const CMatPropData& Series(int type) {
        const CMatPropData* s = FindSeries(set, T(type));
        EXPECT_NE(s, nullptr) << "no series of type " << type;
        static const CMatPropData none;
        return s ? *s : none;
    }

    TempDir dir;
    CMatProps set;
};

GraphPoint P(float x, float y) {
    return GraphPoint{x, y};
}

} // namespace

TEST_F(ResultReader, EmptyFileAndHeadingOnly) {
    EXPECT_EQ(Read(""), 1);
    EXPECT_TRUE(set.m_series.empty());

    // Only a heading: one series per property column, no points, nothing derived.
    EXPECT_EQ(Read("T(C) WT-LIQUID\tD-TOTAL  MV-TOTAL\n"), 1);
    ASSERT_EQ(set.m_series.size(), 3u);
    EXPECT_EQ(set.m_series[0].m_dataType, 4);
    EXPECT_EQ(set.m_series[1].m_dataType, 15);
    EXPECT_EQ(set.m_series[2].m_dataType, 17);
    EXPECT_STREQ(set.m_series[1].m_name, L"D-TOTAL");
    for (const auto& s : set.m_series) {
        EXPECT_TRUE(s.m_points.empty());
        EXPECT_EQ(s.m_xDataType, 2);
        EXPECT_EQ(s.m_exportFlag, 0);
    }
}

TEST_F(ResultReader, TemperaturesBecomeCelsiusAndSorted) {
    ASSERT_EQ(Read("T(K)\tPR-TOTAL\n300\t0.3\n"), 1);
    EXPECT_EQ(Series(5).m_points.at(0).x, 300.0f - 273.15f);

    ASSERT_EQ(Read("T(F)\tPR-TOTAL\n212\t0.3\n32 0.31\n"), 1);
    EXPECT_EQ(Series(5).m_points.at(0).x, 0.0f);
    EXPECT_EQ(Series(5).m_points.at(1).x, 100.0f);

    ASSERT_EQ(Read("T(C)\tPR-TOTAL\n700\t1\n600\t2\n650\t3\n"), 1);
    const auto& pts = Series(5).m_points;
    ASSERT_EQ(pts.size(), 3u);
    EXPECT_EQ(pts[0].x, 600.0f);
    EXPECT_EQ(pts[0].y, 2.0f);
    EXPECT_EQ(pts[2].x, 700.0f);
}

TEST_F(ResultReader, ScalesIntoHeldUnitsAndSkipsMissingValues) {
    ASSERT_EQ(Read("T(C) D-TOTAL VISC-TOTAL CP-WT LH-WT D-LIQUID\n"
                   "700 2.7 1.5 1.1 390 2.4\n"
                   "690 -123456789 -123456789.0 1.2 -123456789 2.41\n"),
              1);
    EXPECT_EQ(Series(15).m_points.size(), 1u);
    EXPECT_FLOAT_EQ(Series(15).m_points[0].y, 2700.0f);
    EXPECT_FLOAT_EQ(Series(19).m_points[0].y, 150.0f);
    EXPECT_EQ(Series(23).m_points.size(), 2u);
    EXPECT_FLOAT_EQ(Series(23).m_points[0].y, 1200.0f);
    EXPECT_FLOAT_EQ(Series(14).m_points[1].y, 2.4f); // not scaled
    // Dynamic viscosity needs a solidus above 0 °C, which this file does not have.
    EXPECT_EQ(FindSeries(set, T(35)), nullptr);
}

TEST_F(ResultReader, FieldRulesOfBothFormats) {
    // Title lines and blank lines before the heading are ignored; so are single fields later.
    ASSERT_EQ(Read("Results\n\nT(C)\tPR-TOTAL\n  \n500\t0.25\nend\n510\tabc\n"), 1);
    const auto& pts = Series(5).m_points;
    ASSERT_EQ(pts.size(), 2u);
    EXPECT_EQ(pts[1].y, 0.0f); // a field that is no number reads as 0

    // In JMatPro's format blanks belong to the field: this heading is a single field.
    ASSERT_EQ(
        Read("T(C)  WT-LIQUID\nT (C)\tPoisson's ratio-TOTAL  \tOdd column\n500\t0.3\t7\n", kFormatJMatPro),
        1);
    ASSERT_EQ(set.m_series.size(), 2u);
    EXPECT_EQ(set.m_series[0].m_dataType, 5);
    EXPECT_STREQ(set.m_series[0].m_name, L"Poisson's ratio-TOTAL"); // trailing blanks cut
    EXPECT_EQ(set.m_series[1].m_dataType, 0);
    EXPECT_EQ(set.m_series[1].m_points.at(0).y, 7.0f);

    // CR LF line ends and a missing final line end.
    ASSERT_EQ(Read("T(C)\tPR-TOTAL\r\n500\t0.25\r\n510\t0.26"), 1);
    EXPECT_EQ(Series(5).m_points.size(), 2u);

    // A short line gives no point to the remaining columns; extra fields have no column and are dropped.
    ASSERT_EQ(Read("T(C) PR-TOTAL YM-TOTAL\n500 0.3\n510 0.31 70 99 98\n"), 1);
    ASSERT_EQ(set.m_series.size(), 2u);
    EXPECT_EQ(set.m_series[0].m_points.size(), 2u);
    EXPECT_EQ(set.m_series[1].m_points.size(), 1u);
}

TEST_F(ResultReader, LongHeadingsAndLongLines) {
    const std::string longName(300, 'Q');
    ASSERT_EQ(Read("T(C) " + longName + "\n"), 1);
    ASSERT_EQ(set.m_series.size(), 1u);
    EXPECT_EQ(std::wstring(set.m_series[0].m_name), std::wstring(259, L'Q'));

    // A line longer than 1279 characters is read in pieces, each taken as a line of its own: the
    // second piece here is "7 8", a data line of its own.
    const std::string padded = "500" + std::string(1279 - 3 - 5, ' ') + "0.25 7 8\n";
    ASSERT_EQ(padded.find("7 8"), 1279u);
    ASSERT_EQ(Read("T(C) PR-TOTAL\n" + padded), 1);
    const auto& pts = Series(5).m_points;
    ASSERT_EQ(pts.size(), 2u);
    EXPECT_EQ(pts[0].x, 7.0f);
    EXPECT_EQ(pts[0].y, 8.0f);
    EXPECT_EQ(pts[1].x, 500.0f);
}

// A file that does not open, and natively a folder, which opens for reading but fails on the first
// read: either is reported with the file's name and the set keeps what it held.
TEST_F(ResultReader, OpenAndReadFailuresLeaveTheSetAndReport) {
    std::vector<std::wstring> paths = {dir.File(L"no-such.out")};
#ifndef _WIN32
    paths.push_back(dir.Path().wstring());
#endif
    for (const std::wstring& path : paths) {
        ASSERT_EQ(Read("T(C) PR-TOTAL\n500 0.3\n"), 1);
        std::wstring captured;
        auto previous = SetDebugOutputSink([&](const wchar_t* text) { captured += text; });
        EXPECT_EQ(ReadResultFile(path.c_str(), set, kFormatEngine), 0);
        SetDebugOutputSink(previous);
        EXPECT_EQ(set.m_series.size(), 1u);
        ASSERT_GE(captured.size(), 2u);
        EXPECT_NE(captured.find(std::filesystem::path(path).filename().wstring()), std::wstring::npos);
        EXPECT_EQ(captured.back(), L'\n');
    }
}

TEST_F(ResultReader, SolidusLiquidusAndTheirCrossings) {
    ASSERT_EQ(Read("T(C) WT-LIQUID\n500 0\n510 0\n520 0.5\n530 1\n540 1\n"), 1);
    const auto& sol = Series(30);
    ASSERT_EQ(sol.m_points.size(), 1u);
    EXPECT_GT(sol.m_points[0].x, 510.0f);
    EXPECT_LT(sol.m_points[0].x, 520.0f);
    EXPECT_EQ(sol.m_points[0].y, 0.01f);
    EXPECT_STREQ(sol.m_name, L"Solidus Temperature");
    const auto& liq = Series(31);
    ASSERT_EQ(liq.m_points.size(), 1u);
    EXPECT_GT(liq.m_points[0].x, 520.0f);
    EXPECT_LT(liq.m_points[0].x, 530.0f);
    EXPECT_EQ(liq.m_points[0].y, 0.99f);
    // Without a molar volume there is no volume change, and so no shrinkage.
    EXPECT_EQ(FindSeries(set, T(33)), nullptr);
    EXPECT_EQ(FindSeries(set, T(34)), nullptr);
}

TEST_F(ResultReader, SolidusAndLiquidusShortcuts) {
    // The first point already liquid: it is the solidus. A fraction below 0.01 gives the point before.
    ASSERT_EQ(Read("T(C) WT-LIQUID\n500 0.2\n510 1\n"), 1);
    EXPECT_EQ(Series(30).m_points.at(0).x, 500.0f);
    EXPECT_EQ(Series(30).m_points.at(0).y, 0.2f);

    ASSERT_EQ(Read("T(C) WT-LIQUID\n500 0\n510 0.005\n520 0.995\n530 1\n"), 1);
    EXPECT_EQ(Series(30).m_points.at(0).x, 500.0f);
    EXPECT_EQ(Series(31).m_points.at(0).x, 530.0f);

    // Never fully liquid: no liquidus. Never liquid at all: no solidus.
    ASSERT_EQ(Read("T(C) WT-LIQUID\n500 0\n510 0.5\n"), 1);
    EXPECT_EQ(FindSeries(set, T(31)), nullptr);
    ASSERT_EQ(Read("T(C) WT-LIQUID\n500 0\n510 0\n"), 1);
    EXPECT_EQ(FindSeries(set, T(30)), nullptr);
}

TEST_F(ResultReader, CrossingAtTheEndsOfTheSeries) {
    // The crossing segments start at index 1 and end at the last index: missing outer neighbours.
    ASSERT_EQ(Read("T(C) WT-LIQUID\n600 0\n700 1\n"), 1);
    const float ts = Series(30).m_points.at(0).x;
    const float tl = Series(31).m_points.at(0).x;
    EXPECT_GT(ts, 600.0f);
    EXPECT_LT(ts, tl);
    EXPECT_LT(tl, 700.0f);
}

TEST_F(ResultReader, DerivedSeriesOfAFullResult) {
    ASSERT_EQ(Read("T(C)\tWT-LIQUID\tMV-TOTAL\tVISC-TOTAL\tLH-WT\n"
                   "700\t1\t11.0\t1.5\t0\n"
                   "640\t1\t10.9\t1.6\t0\n"
                   "600\t0.5\t10.6\t5\t200\n"
                   "560\t0\t10.4\t-123456789\t390\n"
                   "500\t0\t10.35\t-123456789\t390\n"),
              1);
    // Volume change against the molar volume at the highest temperature.
    const auto& change = Series(33).m_points;
    ASSERT_EQ(change.size(), 5u);
    EXPECT_EQ(change.back().y, 0.0f);
    EXPECT_FLOAT_EQ(change.front().y, (10.35f - 11.0f) * 100.0f / 11.0f);
    // Latent heat at the lowest temperature, scaled to J/kg.
    EXPECT_EQ(Series(32).m_points.at(0).x, 500.0f);
    EXPECT_FLOAT_EQ(Series(32).m_points.at(0).y, 390000.0f);
    // Dynamic viscosity above the solidus only, total viscosity as in the file / 1000.
    const float solidus = Series(30).m_points.at(0).x;
    const auto& dyn = Series(35).m_points;
    ASSERT_EQ(dyn.size(), 3u);
    for (const auto& p : dyn)
        EXPECT_GT(p.x, solidus);
    EXPECT_FLOAT_EQ(dyn.back().y, 0.0015f);
    // Shrinkage from the volume change at the points nearest to solidus and liquidus.
    const auto& shrink = Series(34).m_points;
    ASSERT_EQ(shrink.size(), 1u);
    EXPECT_EQ(shrink[0].x, shrink[0].y);
    EXPECT_FLOAT_EQ(shrink[0].x, std::fabs(change[1].y) - std::fabs(change[3].y));
    // Order of the derived series after the columns.
    ASSERT_EQ(set.m_series.size(), 4u + 6u);
    const int order[] = {33, 32, 30, 35, 31, 34};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(set.m_series[4 + i].m_dataType, order[i]);
}

TEST(DerivedProperties, DynamicViscosityFactorIsTheFloatAboveOneE5) {
    CMatProps set;
    set.m_series = {Series(19, {P(10, 100000.0f), P(20, 1.0f)})};
    ASSERT_EQ(AddDynamicViscosity(set, 5.0f), 1);
    const auto& dyn = set.m_series.back();
    EXPECT_EQ(dyn.m_dataType, 35);
    EXPECT_EQ(dyn.m_points.at(1).y, std::nextafter(1e-5f, 1.0f));
    EXPECT_EQ(dyn.m_points.at(0).y, 100000.0f * std::nextafter(1e-5f, 1.0f));

    // Appended even when no point lies above the solidus; none without a total viscosity.
    ASSERT_EQ(AddDynamicViscosity(set, 50.0f), 1);
    EXPECT_TRUE(set.m_series.back().m_points.empty());
    CMatProps empty;
    EXPECT_EQ(AddDynamicViscosity(empty, 5.0f), 0);
}

TEST(DerivedProperties, FindCrossingBisectsAndRefuses) {
    const GraphPoint p0{0, 0}, p1{1, 0}, p2{2, 1}, p3{3, 1};
    float x = -1;
    ASSERT_EQ(FindCrossing(x, 0.5, p0, p1, p2, p3), 1);
    EXPECT_NEAR(x, 1.5f, 1e-4f); // symmetric segment
    ASSERT_EQ(FindCrossing(x, 0.0, p0, p1, p2, p3), 1);
    EXPECT_EQ(x, 1.0f);                                  // at the start within tolerance
    EXPECT_EQ(FindCrossing(x, 2.0, p0, p1, p2, p3), 0);  // never reached
    EXPECT_EQ(FindCrossing(x, -1.0, p0, p1, p2, p3), 0); // already above at the start

    const CatmullRomPoint mid = EvalCatmullRom(0.5, p0, p1, p2, p3);
    EXPECT_DOUBLE_EQ(mid.x, 1.5);
    EXPECT_DOUBLE_EQ(mid.y, 0.5);
}

TEST(DerivedProperties, ShrinkageTakesTheFirstNearestPoint) {
    // 515 is equally near 510 and 520: the first wins. 525 likewise between 520 and 530.
    CMatProps set;
    set.m_series = {Series(30, {P(515, 0.01f)}), Series(31, {P(525, 0.99f)}),
                    Series(33, {P(510, -6), P(520, -2), P(530, -1)})};
    float v = 0;
    ASSERT_EQ(CalcShrinkage(set, v), 1);
    EXPECT_EQ(v, 6.0f - 2.0f);

    // A point 10000 or more away is never taken.
    set.m_series[0].m_points[0].x = 20510.0f;
    EXPECT_EQ(CalcShrinkage(set, v), 0);
    // The solidus series must have exactly one point.
    set.m_series[0].m_points = {P(515, 0), P(516, 0)};
    EXPECT_EQ(CalcShrinkage(set, v), 0);
}

TEST(DerivedProperties, VolumeChangeReferenceIsTheHighestTemperature) {
    CMatProps set;
    CMatPropData mv;
    mv.m_dataType = T(17);
    mv.m_points = {P(700, 10), P(800, 8), P(800, 9), P(600, 4)};
    set.m_series.push_back(mv);
    ASSERT_EQ(AddVolumeChange(set), 1);
    const auto& change = set.m_series.back().m_points;
    ASSERT_EQ(change.size(), 4u);
    EXPECT_FLOAT_EQ(change[0].y, 25.0f); // reference 8: the first point at 800
    EXPECT_FLOAT_EQ(change[3].y, -50.0f);

    CMatProps cold;
    mv.m_points = {P(-1000, 1)};
    cold.m_series.push_back(mv);
    EXPECT_EQ(AddVolumeChange(cold), 0);
}

namespace {

// Plain ASCII rows are parsed as bytes; a row with another byte or a NUL is decoded first. Both ways
// must give what the field rules give for each field.
TEST_F(ResultReader, FieldsReadByBytesAsByTheirRules) {
    const std::string fields[] = {
        "0.25",    "-0",  "-123456789", "-123456789.5", "-1234567890",  "+5",
        "-inf",    "nan", "infinit",    "1e",           "12abc",        "-.",
        ".5",      "\v7", "1e400",      "7e-46",        "0.26\xC3\xA9", std::string("0.27\0x", 6),
        "0.28\xFF"};
    std::string text = "T(C)\tPR-TOTAL\n";
    for (const auto& field : fields)
        text += "500\t" + field + "\n";
    ASSERT_EQ(Read(text), 1);
    const auto& pts = Series(5).m_points;
    std::size_t next = 0;
    for (const auto& field : fields) {
        // Up to a NUL, where the field ends; the bytes past ASCII end the number either way.
        const std::wstring wide(field.c_str(), field.c_str() + std::strlen(field.c_str()));
        if (ParseLeadingInt(wide.c_str()) == -123456789)
            continue;
        ASSERT_LT(next, pts.size());
        const float expected = static_cast<float>(ParseLeadingDouble(wide.c_str()));
        const float actual = pts[next++].y;
        EXPECT_TRUE(std::memcmp(&actual, &expected, sizeof actual) == 0 ||
                    (std::isnan(actual) && std::isnan(expected)))
            << field << " read as " << actual;
    }
    EXPECT_EQ(next, pts.size());
}

} // namespace

namespace {

// A file past a megabyte is read in two halves side by side; every line comes back once, in order,
// whichever half it falls in and whether it is plain, decoded or ends in CR LF.
TEST_F(ResultReader, LargeFilesReadEveryLineOnceInOrder) {
    constexpr int kRows = 80000;
    std::string text = "T(C)\tPR-TOTAL\n";
    for (int i = 0; i < kRows; ++i) {
        // One temperature throughout: the points then keep the order they were read in.
        text += "500\t" + std::to_string(i) + ".25";
        text += i % 997 == 0 ? "\t\xC3\xA9\n" : (i % 2 ? "\r\n" : "\n");
    }
    ASSERT_GT(text.size(), 1u << 20);
    ASSERT_EQ(Read(text), 1);
    const auto& pts = Series(5).m_points;
    ASSERT_EQ(pts.size(), static_cast<std::size_t>(kRows));
    for (int i = 0; i < kRows; ++i) {
        ASSERT_EQ(pts[static_cast<std::size_t>(i)].y, static_cast<float>(i + 0.25)) << i;
    }
}

} // namespace
