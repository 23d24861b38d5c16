#include <cmath>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "framework/utf.h"
#include "results/resultfile.h"
#include "support/series.h"
#include "support/testfiles.h"

namespace {

// Each file as read, set by set (derived series after the columns).
TEST(ResultReader, ColumnsUnitsFieldsAndDerivedSeries) {
    const std::string longName(300, 'Q');
    // A line longer than 1279 characters is read in pieces, each a line of its own: here "7 8".
    const std::string padded = "500" + std::string(1279 - 3 - 5, ' ') + "0.25 7 8\n";
    const struct {
        std::string file;
        int format;
        std::string set;
    } cases[] = {
        {"T(C) WT-LIQUID\tD-TOTAL  MV-TOTAL\n", 0, "4 WT-LIQUID\n15 D-TOTAL\n17 MV-TOTAL\n"},
        {"T(K)\tPR-TOTAL\n300\t0.3\n", 0, "5 PR-TOTAL 26.85:0.3\n"},
        {"T(F)\tPR-TOTAL\n212\t0.3\n32 0.31\n", 0, "5 PR-TOTAL 0:0.31 100:0.3\n"},
        {"T(C)\tPR-TOTAL\n700\t1\n600\t2\n650\t3\n", 0, "5 PR-TOTAL 600:2 650:3 700:1\n"},
        {"T(C) D-TOTAL VISC-TOTAL CP-WT LH-WT D-LIQUID\n700 2.7 1.5 1.1 390 2.4\n"
         "690 -123456789 -123456789.0 1.2 -123456789 2.41\n",
         0,
         "15 D-TOTAL 700:2700\n19 VISC-TOTAL 700:150\n23 CP-WT 690:1200 700:1100\n24 LH-WT 700:390000\n"
         "14 D-LIQUID 690:2.41 700:2.4\n32 Latent Heat 700:390000\n"},
        // Title and blank lines before the heading, single fields after it; no number reads as 0.
        {"Results\n\nT(C)\tPR-TOTAL\n  \n500\t0.25\nend\n510\tabc\n", 0, "5 PR-TOTAL 500:0.25 510:0\n"},
        // JMatPro's fields hold blanks; trailing ones are cut.
        {"T(C)  WT-LIQUID\nT (C)\tPoisson's ratio-TOTAL  \tOdd column\n500\t0.3\t7\n", 1,
         "5 Poisson's ratio-TOTAL 500:0.3\n0 Odd column 500:7\n"},
        {"T(C)\tPR-TOTAL\r\n500\t0.25\r\n510\t0.26", 0, "5 PR-TOTAL 500:0.25 510:0.26\n"},
        {"T(C) PR-TOTAL YM-TOTAL\n500 0.3\n510 0.31 70 99 98\n", 0,
         "5 PR-TOTAL 500:0.3 510:0.31\n6 YM-TOTAL 510:70\n"},
        {"T(C) " + longName + "\n", 0, "0 " + std::string(259, 'Q') + "\n"},
        // Fields by their rules, whether the row is parsed as bytes or, holding another byte or a NUL,
        // decoded first; an integer part of -123456789 marks a missing value.
        {"T(C)\tPR-TOTAL\n500\t0.25\n500\t-0\n500\t-123456789\n500\t-123456789.5\n500\t-1234567890\n500\t+5\n"
         "500\t-inf\n500\tnan\n500\tinfinit\n500\t1e\n500\t12abc\n500\t-.\n500\t.5\n500\t\v7\n500\t1e400\n"
         "500\t7e-46\n500\t0.26\xC3\xA9\n500\t0.27" +
             std::string("\0x", 2) + "\n500\t0.28\xFF\n",
         0,
         "5 PR-TOTAL 500:0.25 500:-0 500:-1.23457e+09 500:5 500:-inf 500:nan 500:inf 500:1 500:12 500:0 "
         "500:0.5 "
         "500:7 500:inf 500:0 500:0.26 500:0.27 500:0.28\n"},
        {"T(C) PR-TOTAL\n" + padded, 0, "5 PR-TOTAL 7:8 500:0.25\n"},
        // Solidus and liquidus: crossings, an already liquid start, near-limit fractions, none.
        {"T(C) WT-LIQUID\n500 0\n510 0\n520 0.5\n530 1\n540 1\n", 0,
         "4 WT-LIQUID 500:0 510:0 520:0.5 530:1 540:1\n30 Solidus Temperature 510.373:0.01\n"
         "31 Liquidus Temperature 529.627:0.99\n"},
        {"T(C) WT-LIQUID\n500 0.2\n510 1\n", 0,
         "4 WT-LIQUID 500:0.2 510:1\n30 Solidus Temperature 500:0.2\n31 Liquidus Temperature 509.875:0.99\n"},
        {"T(C) WT-LIQUID\n500 0\n510 0.005\n520 0.995\n530 1\n", 0,
         "4 WT-LIQUID 500:0 510:0.005 520:0.995 530:1\n30 Solidus Temperature 500:0\n"
         "31 Liquidus Temperature 530:1\n"},
        {"T(C) WT-LIQUID\n500 0\n510 0.5\n", 0,
         "4 WT-LIQUID 500:0 510:0.5\n30 Solidus Temperature 500.2:0.01\n"},
        {"T(C) WT-LIQUID\n500 0\n510 0\n", 0, "4 WT-LIQUID 500:0 510:0\n"},
        {"T(C) WT-LIQUID\n600 0\n700 1\n", 0,
         "4 WT-LIQUID 600:0 700:1\n30 Solidus Temperature 600.999:0.01\n31 Liquidus Temperature "
         "699.001:0.99\n"},
        {"T(C)\tWT-LIQUID\tMV-TOTAL\tVISC-TOTAL\tLH-WT\n700\t1\t11.0\t1.5\t0\n640\t1\t10.9\t1.6\t0\n"
         "600\t0.5\t10.6\t5\t200\n560\t0\t10.4\t-123456789\t390\n500\t0\t10.35\t-123456789\t390\n",
         0,
         "4 WT-LIQUID 500:0 560:0 600:0.5 640:1 700:1\n17 MV-TOTAL 500:10.35 560:10.4 600:10.6 640:10.9 "
         "700:11\n"
         "19 VISC-TOTAL 600:500 640:160 700:150\n24 LH-WT 500:390000 560:390000 600:200000 640:0 700:0\n"
         "33  500:-5.90909 560:-5.45455 600:-3.63636 640:-0.909094 700:0\n32 Latent Heat 500:390000\n"
         "30 Solidus Temperature 561.837:0.01\n35  600:0.005 640:0.0016 700:0.0015\n"
         "31 Liquidus Temperature 638.163:0.99\n34 Volume Change of Solidification Shrinkage "
         "4.54545:4.54545\n"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        WriteBytes(dir.File(L"r.out"), c.file);
        CMatProps set;
        EXPECT_EQ(ReadResultFile(dir.File(L"r.out").c_str(), set, c.format).status, 1);
        EXPECT_EQ(Dump(set), c.set) << c.file.substr(0, 200);
    }
}

// A file that does not open, and natively a folder, which opens but fails on the first read: the
// set keeps what it held and the failure names the file.
TEST(ResultReader, OpenAndReadFailuresLeaveTheSetAndReport) {
    TempDir dir;
    std::vector<std::wstring> paths = {dir.File(L"no-such.out")};
#ifndef _WIN32
    paths.push_back(dir.Path().wstring());
#endif
    for (const std::wstring& path : paths) {
        CMatProps set;
        set.m_series = {Series(JDT_PR_TOTAL, {{500, 0.3f}}, JDT_T_C, L"PR-TOTAL")};
        FileResult result;
        const std::wstring captured =
            DebugOutputOf([&] { result = ReadResultFile(path.c_str(), set, kFormatEngine); });
        EXPECT_EQ(result.status, 0);
        // The caller gets the words of the debugger output.
        EXPECT_EQ(result.message + L"\n", captured);
        EXPECT_EQ(Dump(set), "5 PR-TOTAL 500:0.3\n");
        const std::wstring name = std::filesystem::path(path).filename().wstring();
        EXPECT_TRUE(captured.find(name) != captured.npos && captured.back() == L'\n') << WideToUtf8(captured);
    }
}

// Derived series on one set. The volume change is against the first point at the highest temperature
// (800:8). Shrinkage takes the first of equally near points of it (solidus 750: 700, liquidus 850: the
// first 800), none 10000 or more away, and needs exactly one solidus point. The dynamic viscosity factor
// is the float just above 1e-5; its series is appended even with no point above the solidus.
TEST(DerivedProperties, VolumeChangeShrinkageAndDynamicViscosity) {
    CMatProps set;
    set.m_series = {Series(JDT_MV_TOTAL, {{700, 10}, {800, 8}, {800, 9}, {600, 4}}),
                    Series(JDT_SOLIDUS, {{750, 0.01f}}), Series(JDT_LIQUIDUS, {{850, 0.99f}})};
    ASSERT_EQ(AddVolumeChange(set), 1);
    EXPECT_EQ(Dump(set.m_series.back()), "33  700:25 800:0 800:12.5 600:-50");
    float v = 0;
    EXPECT_EQ((std::pair{CalcShrinkage(set, v), v}),
              std::make_pair(1, 25.0f - 0.0f)); // |solidus| - |liquidus|
    set.m_series[1].m_points[0].x = 10799.0f;
    EXPECT_EQ(CalcShrinkage(set, v), 1);
    set.m_series[1].m_points[0].x = 10800.0f;
    EXPECT_EQ(CalcShrinkage(set, v), 0);
    set.m_series[1].m_points = {{750, 0}, {751, 0}};
    EXPECT_EQ(CalcShrinkage(set, v), 0);

    EXPECT_EQ(AddDynamicViscosity(set, 5.0f), 0); // no total viscosity
    set.m_series.push_back(Series(JDT_VISC_TOTAL, {{10, 100000.0f}, {20, 1.0f}}));
    ASSERT_EQ(AddDynamicViscosity(set, 5.0f), 1);
    const float f = std::nextafter(1e-5f, 1.0f);
    EXPECT_EQ(set.m_series.back().m_points, (std::vector<GraphPoint>{{10, 100000.0f * f}, {20, f}}));
    ASSERT_EQ(AddDynamicViscosity(set, 50.0f), 1);
    EXPECT_EQ(Dump(set.m_series.back()), "35 ");

    CMatProps cold;
    cold.m_series = {Series(JDT_MV_TOTAL, {{-1000, 1}})};
    EXPECT_EQ(AddVolumeChange(cold), 0);
}

// Bisects a symmetric segment; at the start within tolerance; refused when never reached or already above.
TEST(DerivedProperties, FindCrossingBisectsAndRefuses) {
    const GraphPoint p0{0, 0}, p1{1, 0}, p2{2, 1}, p3{3, 1};
    float half = -1, start = -1, x = -1;
    EXPECT_EQ(
        (std::tuple{FindCrossing(half, 0.5, p0, p1, p2, p3), FindCrossing(start, 0.0, p0, p1, p2, p3),
                    FindCrossing(x, 2.0, p0, p1, p2, p3), FindCrossing(x, -1.0, p0, p1, p2, p3), start}),
        std::make_tuple(1, 1, 0, 0, 1.0f));
    EXPECT_NEAR(half, 1.5f, 1e-4f);
}

// The points of the one series a file of "T(C)\tPR-TOTAL" rows gives.
std::vector<GraphPoint> ReadPoints(const std::string& text, ReadThreads threads = ReadThreads::Caller) {
    TempDir dir;
    WriteBytes(dir.File(L"r.out"), text);
    CMatProps set;
    EXPECT_EQ(ReadResultFile(dir.File(L"r.out").c_str(), set, kFormatEngine, threads).status, 1);
    return set.m_series.empty() ? std::vector<GraphPoint>() : set.m_series.front().m_points;
}

// A file past a megabyte, read by one thread or in two halves side by side: every line comes back
// once, in order, whichever half it falls in and whether it is plain, decoded or ends in CR LF.
TEST(ResultReader, LargeFilesReadEveryLineOnceInOrder) {
    constexpr int kRows = 80000;
    std::string text = "T(C)\tPR-TOTAL\n";
    for (int i = 0; i < kRows; ++i) {
        // One temperature throughout: the points then keep the order they were read in.
        text += "500\t" + std::to_string(i) + ".25";
        text += i % 997 == 0 ? "\t\xC3\xA9\n" : (i % 2 ? "\r\n" : "\n");
    }
    ASSERT_GT(text.size(), 1u << 20);
    for (const ReadThreads threads : {ReadThreads::Caller, ReadThreads::CallerAndHelper}) {
        const std::vector<GraphPoint> pts = ReadPoints(text, threads);
        ASSERT_EQ(pts.size(), static_cast<std::size_t>(kRows));
        for (int i = 0; i < kRows; ++i) {
            ASSERT_EQ(pts[static_cast<std::size_t>(i)].y, static_cast<float>(i + 0.25)) << i;
        }
    }
}

} // namespace
