// The job code natively: the temporary folder from TMPDIR, private folders, and symbolic links that must
// never lead the removal out of a job folder.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "calc/job.h"
#include "calc/jobtest.h"

namespace fs = std::filesystem;

const wchar_t kSep = L'/';
const wchar_t kForeign = L'\\';

void SetTempFolder(const std::wstring& folder) {
    ::setenv("TMPDIR", fs::path(folder).string().c_str(), 1);
}

TEST_F(JobTest, PrivateFoldersUnderTmpdirAndRootNamesNeverRemoved) {
    const CString job = CreateJobFolderName([] { return 5u; });
    ASSERT_EQ(CreateJobFolder(job), 1);
    for (const fs::path& folder : {fs::path(Parent()), fs::path(job.Str())})
        EXPECT_EQ(fs::status(folder).permissions() & (fs::perms::group_all | fs::perms::others_all),
                  fs::perms::none)
            << folder;
    // One level only: a job folder whose parent is missing is not made.
    EXPECT_EQ(CreateJobFolder((Parent() + L"/missing/1/").c_str()), 0);

    // A name ending in a drive's colon is refused like "/" is (only this harmless form is tried here).
    const fs::path drive = Outside().Path() / "x:";
    fs::create_directories(drive / "sub");
    EXPECT_EQ(DeleteFolderTree(drive.wstring().c_str()), 0);
    EXPECT_EQ(DeleteFolderTree((drive.wstring() + L"/").c_str()), 0);
    EXPECT_TRUE(fs::is_directory(drive / "sub"));

    // TMPDIR given with a trailing "/" gives no doubled separator; an empty or missing one means /tmp.
    ::setenv("TMPDIR", fs::path(Temp()).string().c_str(), 1);
    EXPECT_EQ(GetJobParentFolder(), CString(Parent()));
    ::setenv("TMPDIR", "", 1);
    EXPECT_EQ(GetJobParentFolder(), CString(L"/tmp/Kestrum"));
    ::unsetenv("TMPDIR");
    EXPECT_EQ(GetJobParentFolder(), CString(L"/tmp/Kestrum"));
}

TEST_F(JobTest, LinksAreNeverFollowed) {
    // The user's folder, reached from a job folder through links to it and to a file in it.
    const fs::path user = Outside().Path() / "documents";
    fs::create_directories(user / "inner");
    WriteBytes((user / "keep.txt").wstring(), "keep");
    WriteBytes((user / "inner" / "deep.txt").wstring(), "deep");
    const CString job = CreateJobFolderName([] { return 31u; });
    ASSERT_EQ(CreateJobFolder(job), 1);
    const fs::path jobPath = job.Str();
    fs::create_directories(jobPath / "sub");
    fs::create_directory_symlink(user, jobPath / "folder-link");
    fs::create_directory_symlink(user, jobPath / "sub" / "nested-link");
    fs::create_symlink(user / "keep.txt", jobPath / "file-link");
    DeleteResultFolder(GetJobResultPath(job));
    EXPECT_FALSE(fs::exists(fs::symlink_status(jobPath)));

    // A job folder name that is a link to the user's folder resolves outside the parent: nothing
    // happens, the link included. Removed as a tree, the link goes and its target stays.
    const fs::path link = fs::path(Parent()) / "66";
    fs::create_directory_symlink(user, link);
    DeleteResultFolder((link / "keep.txt").wstring().c_str());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(DeleteFolderTree((link.wstring() + L"/").c_str()), 1);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    EXPECT_EQ(ReadBytes((user / "keep.txt").wstring()), "keep");
    EXPECT_EQ(ReadBytes((user / "inner" / "deep.txt").wstring()), "deep");

    // The temporary folder may itself be reached through a link: the parent is compared resolved.
    const fs::path tempLink = Outside().Path() / "temp-link";
    fs::create_directory_symlink(fs::path(Temp()).parent_path(), tempLink);
    ::setenv("TMPDIR", tempLink.string().c_str(), 1);
    const CString linked = CreateJobFolderName([] { return 67u; });
    ASSERT_EQ(CreateJobFolder(linked), 1);
    DeleteResultFolder(GetJobResultPath(linked));
    EXPECT_FALSE(fs::exists(fs::path(Parent()) / "67"));
}

void LoseTempFolder() {
    ::setenv("TMPDIR", "relative-temp", 1);
}
