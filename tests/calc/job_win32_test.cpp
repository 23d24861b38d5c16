// The job code on Windows: the temporary folder from TMP, paths without regard to case, and links that must
// never lead the removal out of a job folder.
#include <windows.h>

#include <cwctype>
#include <filesystem>
#include <string>

#include "calc/job.h"
#include "calc/jobtest.h"

namespace fs = std::filesystem;

const wchar_t kSep = L'\\';
const wchar_t kForeign = L'/';

void SetTempFolder(const std::wstring& folder) {
    ::SetEnvironmentVariableW(L"TMP", folder.c_str());
}

TEST_F(JobTest, PathsCompareWithoutRegardToCase) {
    const CString job = CreateJobFolderName([] { return 8u; });
    ASSERT_EQ(CreateJobFolder(job), 1);
    std::wstring upper = GetJobResultPath(job).Str();
    for (wchar_t& c : upper)
        c = static_cast<wchar_t>(std::towupper(c));
    DeleteResultFolder(upper.c_str());
    EXPECT_FALSE(fs::exists(job.Str()));
}

TEST_F(JobTest, LinksAreNeverFollowed) {
    const fs::path user = Outside().Path() / L"documents";
    fs::create_directories(user);
    WriteBytes((user / L"keep.txt").wstring(), "keep");
    const CString job = CreateJobFolderName([] { return 31u; });
    ASSERT_EQ(CreateJobFolder(job), 1);
    // Wine 8 cannot make links: its symbolic link call makes nothing, and it has no reparse points.
    const fs::path inside = fs::path(job.Str()) / L"folder-link";
    const fs::path named = fs::path(Parent()) / L"66";
    for (const fs::path& link : {inside, named}) {
        const BOOL made = ::CreateSymbolicLinkW(link.c_str(), user.c_str(),
                                                SYMBOLIC_LINK_FLAG_DIRECTORY |
                                                    SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
        const std::string why =
            made ? "reported success but made none" : "failed with error " + std::to_string(::GetLastError());
        const DWORD attributes = ::GetFileAttributesW(link.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            GTEST_SKIP() << "no folder link: CreateSymbolicLinkW " << why;
    }
    // A link inside a job folder is removed as a link.
    DeleteResultFolder(GetJobResultPath(job));
    EXPECT_FALSE(fs::exists(job.Str()));
    // A job folder name that is a link resolves outside the parent: nothing happens, the link included.
    // Removed as a tree, the link goes and its target stays.
    DeleteResultFolder((named / L"keep.txt").wstring().c_str());
    EXPECT_TRUE(fs::exists(named));
    EXPECT_EQ(DeleteFolderTree((named.wstring() + L"\\").c_str()), 1);
    EXPECT_EQ(ReadBytes((user / L"keep.txt").wstring()), "keep");
}

// A TMP longer than a path may be fails GetTempPathW.
void LoseTempFolder() {
    ::SetEnvironmentVariableW(L"TMP", std::wstring(300, L'x').c_str());
}
