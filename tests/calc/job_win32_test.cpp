// The job code on Windows: its separators, the temporary folder from TMP, the engine beside the
// module, and links that must never lead the removal out of a job folder.
#include <windows.h>
#include <winioctl.h>

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

std::optional<std::wstring> Environment(const wchar_t* name) {
    wchar_t buffer[2600];
    const DWORD n = ::GetEnvironmentVariableW(name, buffer, 2600);
    return n > 0 && n < 2600 ? std::optional<std::wstring>(std::wstring(buffer, n)) : std::nullopt;
}

bool IsLink(const fs::path& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// A junction: an empty folder turned into a mount point reparse point.
bool MakeJunction(const fs::path& link, const fs::path& target, std::string* why) {
    if (!::CreateDirectoryW(link.c_str(), nullptr)) {
        *why = "CreateDirectoryW failed with error " + std::to_string(::GetLastError());
        return false;
    }
    const std::wstring substitute = L"\\??\\" + fs::absolute(target).wstring();
    const std::wstring print = fs::absolute(target).wstring();
    struct {
        DWORD tag;
        WORD length;
        WORD reserved;
        WORD substituteOffset, substituteLength, printOffset, printLength;
        wchar_t names[1024];
    } data{};
    data.tag = IO_REPARSE_TAG_MOUNT_POINT;
    data.substituteLength = static_cast<WORD>(substitute.size() * sizeof(wchar_t));
    data.printOffset = static_cast<WORD>(data.substituteLength + sizeof(wchar_t));
    data.printLength = static_cast<WORD>(print.size() * sizeof(wchar_t));
    substitute.copy(data.names, substitute.size());
    print.copy(data.names + substitute.size() + 1, print.size());
    data.length = static_cast<WORD>(8 + data.printOffset + data.printLength + sizeof(wchar_t));
    const HANDLE handle = ::CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    DWORD returned = 0;
    const bool ok =
        handle != INVALID_HANDLE_VALUE && ::DeviceIoControl(handle, FSCTL_SET_REPARSE_POINT, &data,
                                                            data.length + 8u, nullptr, 0, &returned, nullptr);
    const DWORD error = ::GetLastError();
    if (handle != INVALID_HANDLE_VALUE)
        ::CloseHandle(handle);
    if (!ok || !IsLink(link)) {
        ::RemoveDirectoryW(link.c_str());
        *why = "FSCTL_SET_REPARSE_POINT failed with error " + std::to_string(error);
        return false;
    }
    return true;
}

// A folder link: a directory symbolic link where the system allows one, else a junction; false with
// the reasons when neither can be made (Wine 8: the symbolic link call is a stub that makes nothing,
// and reparse points are not supported).
bool MakeFolderLink(const fs::path& link, const fs::path& target, std::string* why) {
    const bool made =
        ::CreateSymbolicLinkW(link.c_str(), target.c_str(),
                              SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
    if (made && IsLink(link))
        return true;
    const std::string symlinkWhy = made ? "CreateSymbolicLinkW reported success but made no link"
                                        : "no symbolic link (error " + std::to_string(::GetLastError()) + ")";
    if (MakeJunction(link, target, why))
        return true;
    *why = symlinkWhy + ", no junction (" + *why + ")";
    return false;
}

} // namespace

void RedirectTempFolder(const std::wstring& folder) {
    g_savedTmp = Environment(L"TMP");
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

TEST(Job, PathsCompareWithoutRegardToCase) {
    EXPECT_TRUE(jobos::SamePath(L"C:\\Users\\A\\Temp\\Kestrum", L"c:\\users\\a\\TEMP\\kestrum"));
    EXPECT_TRUE(jobos::SamePath(L"C:\\\u00C4rger", L"C:\\\u00E4RGER"));
    EXPECT_FALSE(jobos::SamePath(L"C:\\Temp\\Kestrum", L"C:\\Temp\\Kestrum2"));
    EXPECT_FALSE(jobos::SamePath(L"C:\\Temp\\Kestrum", L"C:\\Temp\\Kestrun"));
}

TEST_F(JobTest, ParentComparedWithoutRegardToCase) {
    const CString job = CreateJobFolderName([] { return 8u; });
    ASSERT_EQ(CreateJobFolder(job), 1);
    std::wstring upper = GetJobResultPath(job).Str();
    for (wchar_t& c : upper)
        c = static_cast<wchar_t>(std::towupper(c));
    DeleteResultFolder(upper.c_str());
    EXPECT_FALSE(fs::exists(job.Str()));
}

TEST_F(JobTest, LinksInsideAJobFolderAreRemovedAsLinks) {
    const fs::path user = Outside().Path() / L"documents";
    fs::create_directories(user / L"inner");
    WriteBytes((user / L"keep.txt").wstring(), "keep");
    WriteBytes((user / L"inner" / L"deep.txt").wstring(), "deep");

    const CString job = CreateJobFolderName([] { return 31u; });
    ASSERT_EQ(CreateJobFolder(job), 1);
    const fs::path jobPath = job.Str();
    std::string why;
    if (!MakeFolderLink(jobPath / L"folder-link", user, &why)) {
        DeleteFolderTree(job);
        GTEST_SKIP() << why;
    }
    WriteBytes((jobPath / L"vuzaziza.out").wstring(), "r");
    DeleteResultFolder(GetJobResultPath(job));
    EXPECT_FALSE(fs::exists(jobPath));
    EXPECT_EQ(ReadBytes((user / L"keep.txt").wstring()), "keep");
    EXPECT_EQ(ReadBytes((user / L"inner" / L"deep.txt").wstring()), "deep");
}

TEST_F(JobTest, ALinkedJobFolderIsNeverEntered) {
    const fs::path user = Outside().Path() / L"documents";
    fs::create_directories(user);
    WriteBytes((user / L"keep.txt").wstring(), "keep");
    fs::create_directories(Parent());
    const fs::path link = fs::path(Parent()) / L"66";
    std::string why;
    if (!MakeFolderLink(link, user, &why))
        GTEST_SKIP() << why;
    // Resolved, the folder lies outside the parent: nothing happens, the link included.
    DeleteResultFolder((link / L"keep.txt").wstring().c_str());
    EXPECT_TRUE(fs::exists(link));
    // Removed as a tree, the link goes and its target stays.
    EXPECT_EQ(DeleteFolderTree((link.wstring() + L"\\").c_str()), 1);
    EXPECT_EQ(ReadBytes((user / L"keep.txt").wstring()), "keep");
}
