// One calculation from end to end: the job step runs the stand-in engine (copied beside this program)
// on an Al-Si-Mg alloy with the engine's real data, and the result file it leaves is read.
#include <windows.h>

#include <cwchar>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "calc/job.h"
#include "calc/runcalc.h"
#include "framework/reschain.h"
#include "res/resource.h"
#include "results/resultfile.h"
#include "support/conditions.h"
#include "win32/uiharness.h"

namespace {

// The data folder as a Windows path ending in a separator, as the module's working path gives it:
// the folder beside the engine, found from this program's own folder.
std::wstring DataPath() {
    wchar_t program[2048];
    const DWORD length = ::GetModuleFileNameW(nullptr, program, 2048);
    std::wstring relative(program, length);
    relative.resize(relative.find_last_of(L'\\') + 1);
    for (const char ch : std::string_view(KESTRUM_DBDATA_FROM_TEST))
        relative += ch == '/' ? L'\\' : static_cast<wchar_t>(ch);
    wchar_t full[2048];
    const DWORD n = ::GetFullPathNameW(relative.c_str(), 2048, full, nullptr);
    const std::wstring path(full, n);
    return path.ends_with(L'\\') ? path : path + L'\\';
}

TEST(CalculationRun, TheEngineCalculatesAnAlloyAndTheModuleReadsItsResult) {
    RegisterResourceModule(::GetModuleHandleW(nullptr));
    const std::wstring dataPath = DataPath();
    ASSERT_NE(::GetFileAttributesW(dataPath.c_str()), INVALID_FILE_ATTRIBUTES)
        << "no engine data in " << std::string(dataPath.begin(), dataPath.end());
    MatCondition rec = AlSiMgCondition(CreateJobFolderName().GetString());
    // 100 000 rows keep the engine busy for a few seconds, so that the screenshot shows it running.
    rec.tempStep = -0.002f;
    std::wcsncpy(rec.dataPath, dataPath.c_str(), kMatPathChars - 1);

    CString resultPath;
    std::wstring output;
    const int result = RunModalScript(
        [&] { return RunCalculationJob(rec, &resultPath); },
        [&](CUiDriver& ui) {
            ASSERT_TRUE(ui.WaitForDialog());
            ASSERT_TRUE(ui.WaitFor(
                [&] { return ui.Text(IDC_CONSOLE_OUTPUT).find(L" %") != std::wstring::npos; }, 120000));
            EXPECT_TRUE(ui.Screenshot(L"console_engine"));
            ASSERT_TRUE(ui.WaitFor([&] { return ui.Enabled(IDOK); }, 240000));
            output = ui.Text(IDC_CONSOLE_OUTPUT);
            // "Close" works once the runner has seen the engine end, a moment after the exit line.
            EXPECT_TRUE(ui.RepeatUntilClosed([&] { ui.Click(IDOK); }));
        });
    ASSERT_EQ(result, IDOK) << std::string(output.begin(), output.end());
    EXPECT_EQ(resultPath, GetJobResultPath(rec.resPath));
    EXPECT_NE(output.find(L"Exit Code: 0"), std::wstring::npos);

    CMatProps set;
    ASSERT_EQ(ReadResultFile(resultPath, set, kFormatEngine), 1);
    EXPECT_FALSE(set.m_series.empty());
    for (const CMatPropData& series : set.m_series)
        EXPECT_FALSE(series.m_points.empty()) << series.m_dataType;
    DeleteResultFolder(resultPath);
}

} // namespace
