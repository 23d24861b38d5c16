// The job code on Windows: the temporary folder from TMP, and paths without regard to case.
#include <windows.h>

#include <cwctype>
#include <filesystem>
#include <string>

#include "calc/job.h"
#include "calc/jobos.h"
#include "calc/jobtest.h"

namespace fs = std::filesystem;

const wchar_t kSep = L'\\';
const wchar_t kForeign = L'/';

void SetTempFolder(const std::wstring& folder) {
    ::SetEnvironmentVariableW(L"TMP", folder.c_str());
}

TEST_F(JobTest, PathsCompareWithoutRegardToCase) {
    EXPECT_TRUE(jobos::SamePath(L"C:\\Users\\A\\Temp\\Kestrum", L"c:\\users\\a\\TEMP\\kestrum"));
    EXPECT_TRUE(jobos::SamePath(L"C:\\\u00C4rger", L"C:\\\u00E4RGER"));
    const CString job = CreateJobFolderName([] { return 8u; });
    ASSERT_EQ(CreateJobFolder(job), 1);
    std::wstring upper = GetJobResultPath(job).Str();
    for (wchar_t& c : upper)
        c = static_cast<wchar_t>(std::towupper(c));
    DeleteResultFolder(upper.c_str());
    EXPECT_FALSE(fs::exists(job.Str()));
}

// A TMP longer than a path may be fails GetTempPathW.
void LoseTempFolder() {
    ::SetEnvironmentVariableW(L"TMP", std::wstring(300, L'x').c_str());
}
