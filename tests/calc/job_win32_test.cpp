// The job code on Windows: the temporary folder from TMP, the engine beside the module, paths without
// regard to case. (Links are checked natively: Wine cannot make them.)
#include <windows.h>

#include <cwctype>
#include <filesystem>
#include <optional>
#include <string>

#include "calc/job.h"
#include "calc/jobos.h"
#include "calc/jobtest.h"

namespace fs = std::filesystem;

const wchar_t kSep = L'\\';
const wchar_t kForeign = L'/';

namespace {
std::optional<std::wstring> g_savedTmp;
} // namespace

void RedirectTempFolder(const std::wstring& folder) {
    wchar_t old[2600];
    const DWORD n = ::GetEnvironmentVariableW(L"TMP", old, 2600);
    g_savedTmp = n > 0 && n < 2600 ? std::optional<std::wstring>(std::wstring(old, n)) : std::nullopt;
    ::SetEnvironmentVariableW(L"TMP", folder.c_str());
}

void RestoreTempFolder() {
    ::SetEnvironmentVariableW(L"TMP", g_savedTmp ? g_savedTmp->c_str() : nullptr);
}

TEST(Job, EngineBesideTheModule) {
    wchar_t program[1040];
    const DWORD n = ::GetModuleFileNameW(nullptr, program, 1040);
    ASSERT_GT(n, 0u);
    CString engine;
    ASSERT_EQ(GetEnginePath(&engine), 1);
    EXPECT_EQ(engine, CString((fs::path(std::wstring(program, n)).parent_path() / L"kestrum.exe").wstring()));
    EXPECT_EQ(GetEnginePath(nullptr), 0);
}

TEST_F(JobTest, PathsCompareWithoutRegardToCase) {
    EXPECT_TRUE(jobos::SamePath(L"C:\\Users\\A\\Temp\\Kestrum", L"c:\\users\\a\\TEMP\\kestrum"));
    EXPECT_TRUE(jobos::SamePath(L"C:\\\u00C4rger", L"C:\\\u00E4RGER"));
    EXPECT_FALSE(jobos::SamePath(L"C:\\Temp\\Kestrum", L"C:\\Temp\\Kestrum2"));
    EXPECT_FALSE(jobos::SamePath(L"C:\\Temp\\Kestrum", L"C:\\Temp\\Kestrun"));

    const CString job = CreateJobFolderName([] { return 8u; });
    ASSERT_EQ(CreateJobFolder(job), 1);
    std::wstring upper = GetJobResultPath(job).Str();
    for (wchar_t& c : upper)
        c = static_cast<wchar_t>(std::towupper(c));
    DeleteResultFolder(upper.c_str());
    EXPECT_FALSE(fs::exists(job.Str()));
}
