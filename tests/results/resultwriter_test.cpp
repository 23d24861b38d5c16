#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "results/resultfile.h"
#include "support/series.h"
#include "support/testfiles.h"

// Values go back into the engine's units. A column is a series with a tag and as many points as the
// first series; the temperature tag comes from the first series that qualifies.
TEST(ResultWriter, ExactFiles) {
    const struct {
        std::vector<CMatPropData> series;
        std::string file;
    } cases[] = {
        {{Series(JDT_WT_LIQUID, {{500, 0}, {510, 0.5f}}), Series(JDT_D_TOTAL, {{500, 2700}, {510, 2450.5f}}),
          Series(JDT_VISC_TOTAL, {{500, 150}, {510, 0.00125f}}), Series(JDT_PR_TOTAL, {{500, 0.3f}}),
          Series(JDT_UNKNOWN, {{500, 1}, {510, 2}}), Series(JDT_SOLIDUS, {{500, 0.01f}, {510, 0.01f}})},
         "T(C)\tWT-LIQUID\tD-TOTAL\tVISC-TOTAL\t\r\n500\t0\t2.7\t1.5\t\r\n510\t0.5\t2.4505\t1.25e-05\t\r\n"},
        // Only derived series: the temperature tag alone, and lines of nothing but the line end.
        {{Series(JDT_SOLIDUS, {{515, 0.01f}}), Series(JDT_SHRINKAGE, {{3, 3}})}, "T(C)\t\r\n\r\n"},
        {{Series(JDT_UNKNOWN, {{1, 1}}), Series(JDT_PR_TOTAL, {{300, 0.3f}}, JDT_T_K),
          Series(JDT_YM_TOTAL, {{300, 70}, {310, 69}})},
         "T(K)\tPR-TOTAL\t\r\n300\t0.3\t\r\n"},
        {{Series(JDT_PR_TOTAL, {}), Series(JDT_YM_TOTAL, {{300, 70}})}, "T(C)\tPR-TOTAL\t\r\n"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        CMatProps set;
        set.m_series = c.series;
        ASSERT_EQ(WriteResultFile(dir.File(L"w.out").c_str(), set).status, 1);
        EXPECT_EQ(ReadBytes(dir.File(L"w.out")), c.file);
    }
}

// Nothing to write, no folder, and natively a device that refuses every write (the error shows when
// the data is flushed): no file, and a message naming the file; a device is never removed.
TEST(ResultWriter, FailuresWriteNothingAndReport) {
    TempDir dir;
    CMatProps set;
    EXPECT_EQ(WriteResultFile(dir.File(L"none.out").c_str(), set).status, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.File(L"none.out")));
    set.m_series = {Series(JDT_PR_TOTAL, std::vector<GraphPoint>(20000, GraphPoint{1, 0.3f}))};
    std::vector<std::wstring> paths = {dir.File(L"missing-folder/x.out")};
#ifndef _WIN32
    paths.push_back(L"/dev/full");
#endif
    for (const std::wstring& path : paths) {
        FileResult result;
        const std::wstring message = DebugOutputOf([&] { result = WriteResultFile(path.c_str(), set); });
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.message + L"\n", message);
        EXPECT_NE(message.find(std::filesystem::path(path).filename().wstring()), std::wstring::npos);
        EXPECT_EQ(message.back(), L'\n');
    }
#ifndef _WIN32
    EXPECT_TRUE(std::filesystem::exists("/dev/full"));
#endif
}
