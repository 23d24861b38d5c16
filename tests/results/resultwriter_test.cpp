#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/debugout.h"
#include "results/resultfile.h"
#include "support/series.h"
#include "support/testfiles.h"

TEST(ResultWriter, ExactFileForASmallSet) {
    TempDir dir;
    CMatProps set;
    set.m_series = {
        Series(4, {{500, 0}, {510, 0.5f}}),
        Series(15, {{500, 2700}, {510, 2450.5f}}), // density back in g/cm3
        Series(19, {{500, 150}, {510, 0.00125f}}), // viscosity back in mPa s
        Series(5, {{500, 0.3f}}),                  // too few points: not a column
        Series(0, {{500, 1}, {510, 2}}),           // unknown type: not a column
        Series(30, {{500, 0.01f}, {510, 0.01f}}),  // derived, no tag: not a column
    };
    const std::wstring path = dir.File(L"w.out");
    ASSERT_EQ(WriteResultFile(path.c_str(), set), 1);
    EXPECT_EQ(ReadBytes(path), "T(C)\tWT-LIQUID\tD-TOTAL\tVISC-TOTAL\t\r\n"
                               "500\t0\t2.7\t1.5\t\r\n"
                               "510\t0.5\t2.4505\t1.25e-05\t\r\n");
}

TEST(ResultWriter, HeadingAndLineEdgeCases) {
    TempDir dir;
    const std::wstring path = dir.File(L"w.out");

    // Only derived series: the temperature tag alone, and lines of nothing but the line end.
    CMatProps derived;
    derived.m_series = {Series(30, {{515, 0.01f}}), Series(34, {{3, 3}})};
    ASSERT_EQ(WriteResultFile(path.c_str(), derived), 1);
    EXPECT_EQ(ReadBytes(path), "T(C)\t\r\n\r\n");

    // A first series of unknown type still sets the number of lines; the heading's temperature tag
    // comes from the first series that qualifies (here in kelvin).
    CMatProps unknownFirst;
    unknownFirst.m_series = {Series(0, {{1, 1}}), Series(5, {{300, 0.3f}}, 1),
                             Series(6, {{300, 70}, {310, 69}})};
    ASSERT_EQ(WriteResultFile(path.c_str(), unknownFirst), 1);
    EXPECT_EQ(ReadBytes(path), "T(K)\tPR-TOTAL\t\r\n300\t0.3\t\r\n");

    // A first series without points: the heading, no data lines.
    CMatProps emptyFirst;
    emptyFirst.m_series = {Series(5, {}), Series(6, {{300, 70}})};
    ASSERT_EQ(WriteResultFile(path.c_str(), emptyFirst), 1);
    EXPECT_EQ(ReadBytes(path), "T(C)\tPR-TOTAL\t\r\n");
}

TEST(ResultWriter, RoundTripThroughTheReader) {
    TempDir dir;
    const std::wstring in = dir.File(L"in.dat");
    WriteBytes(in, "JMatPro run\n"
                   "T (K)\tFraction liquid (wt)-LIQUID\tDensity (g/(cm)^3)-TOTAL\tMolar volume (cm^3)-TOTAL\t"
                   "Total viscosity (mPa s)-\tSpecific heat (J/(g K))\n"
                   "973.15\t1\t2.371234\t10.9\t1.3\t1.18\n"
                   "893.15\t0.6\t2.45\t10.7\t4\t1.25\n"
                   "823.15\t0\t2.52\t10.4\t-123456789\t1.02\n");
    CMatProps first;
    ASSERT_EQ(ReadResultFile(in.c_str(), first, kFormatJMatPro), 1);
    const std::wstring out = in + L".out";
    ASSERT_EQ(WriteResultFile(out.c_str(), first), 1);
    CMatProps second;
    ASSERT_EQ(ReadResultFile(out.c_str(), second, kFormatEngine), 1);

    // The viscosity column lost a point to the missing mark and is left out (with its dynamic form);
    // derived series are computed anew, not read.
    std::erase_if(first.m_series,
                  [](const CMatPropData& s) { return s.m_dataType == 19 || s.m_dataType == 35; });
    for (CMatProps* set : {&first, &second})
        for (CMatPropData& s : set->m_series)
            SetSeriesName(s, nullptr);
    EXPECT_EQ(Dump(second), Dump(first));
}

TEST(ResultWriter, FailuresWriteNothingAndReport) {
    TempDir dir;
    CMatProps none;
    const std::wstring path = dir.File(L"none.out");
    EXPECT_EQ(WriteResultFile(path.c_str(), none), 0);
    EXPECT_FALSE(std::filesystem::exists(path));

    CMatProps set;
    set.m_series = {Series(5, {{1, 1}})};
    std::wstring captured;
    auto previous = SetDebugOutputSink([&](const wchar_t* text) { captured += text; });
    const std::wstring noFolder = dir.File(L"missing-folder/x.out");
    EXPECT_EQ(WriteResultFile(noFolder.c_str(), set), 0);
    SetDebugOutputSink(previous);
    EXPECT_NE(captured.find(L"x.out"), std::wstring::npos);
    EXPECT_EQ(captured.back(), L'\n');
}

#ifndef _WIN32
// A device that refuses every write: the error shows when the data is flushed.
TEST(ResultWriter, WriteErrorIsReportedNotLost) {
    CMatProps set;
    set.m_series = {Series(5, std::vector<GraphPoint>(20000, GraphPoint{1, 0.3f}))};
    std::wstring captured;
    auto previous = SetDebugOutputSink([&](const wchar_t* text) { captured += text; });
    EXPECT_EQ(WriteResultFile(L"/dev/full", set), 0);
    SetDebugOutputSink(previous);
    EXPECT_NE(captured.find(L"/dev/full"), std::wstring::npos);
    EXPECT_TRUE(std::filesystem::exists("/dev/full")); // a device is never removed
}
#endif
