// Job folders under the temporary folder and their removal.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "calc/job.h"
#include "calc/jobtest.h"

namespace fs = std::filesystem;

namespace {

// The name made from the given tick counts, handed out in turn.
CString NameFor(std::vector<uint32_t> counts) {
    size_t taken = 0;
    return CreateJobFolderName([&] { return counts.at(taken++); });
}

void MakeTree(const fs::path& root) {
    fs::create_directories(root / L"a" / L"b" / L"c");
    fs::create_directories(root / L"empty");
    WriteBytes((root / L"input.vjp").wstring(), "x");
    WriteBytes((root / L"a" / L"b" / L"c" / L"deep.txt").wstring(), "z");
}

} // namespace

TEST_F(JobTest, FolderNameIsTheParentAndTheSignedCountAndHoldsInputAndResult) {
    // Counts from 2^31 on show as negative numbers.
    const std::pair<uint32_t, const wchar_t*> cases[] = {
        {12345, L"12345"}, {0x7FFFFFFFu, L"2147483647"}, {0x80000000u, L"-2147483648"}, {0xFFFFFFFFu, L"-1"}};
    for (const auto& [count, text] : cases)
        EXPECT_EQ(NameFor({count}), CString(Parent() + kSep + text + kSep));
    // The parent is made; the job folder is not (CreateJobFolder, which makes it, fails on one that exists).
    EXPECT_TRUE(fs::is_directory(Parent()));
    // A name in use, by a folder or by a file, takes the next count.
    fs::create_directories(Parent() + kSep + L"777");
    WriteBytes(Parent() + kSep + L"778", "a file of that name");
    EXPECT_EQ(NameFor({777, 778, 779}), CString(Parent() + kSep + L"779" + kSep));

    // The input and result paths in a job folder.
    const std::wstring job = Parent() + kSep + L"9" + kSep;
    // A trailing separator leaves no doubled one; foreign separators become ours.
    EXPECT_EQ(GetJobInputPath(job.c_str()), CString(job + L"input.vjp"));
    EXPECT_EQ(GetJobResultPath(job.c_str()), CString(job + L"vuzaziza.out"));
    const std::wstring foreign = Parent() + kForeign + L"9";
    EXPECT_EQ(GetJobInputPath(foreign.c_str()), CString(job + L"input.vjp"));
    EXPECT_EQ(GetJobResultPath(foreign.c_str()), CString(job + L"vuzaziza.out"));
    // The two orders of normalisation differ for a foreign separator next to ours: the input path
    // collapses it, the result path keeps the pair.
    const std::wstring mixed = Parent() + kSep + L"9" + kForeign;
    EXPECT_EQ(GetJobInputPath(mixed.c_str()), CString(job + L"input.vjp"));
    EXPECT_EQ(GetJobResultPath(mixed.c_str()), CString(job + kSep + L"vuzaziza.out"));
}

TEST_F(JobTest, DeleteFolderTreeRemovesNestedTrees) {
    // Also given with a trailing separator, as job folders are.
    const fs::path root = Outside().Path() / L"job";
    for (const std::wstring& tail : {std::wstring(), std::wstring(1, kSep)}) {
        MakeTree(root);
        EXPECT_EQ(DeleteFolderTree((root.wstring() + tail).c_str()), 1);
        EXPECT_FALSE(fs::exists(root));
    }
    // Nothing there, not a folder, or an empty name: the result says the folder was not removed.
    EXPECT_EQ(DeleteFolderTree(root.wstring().c_str()), 0);
    const std::wstring file = Outside().File(L"plain.txt");
    WriteBytes(file, "keep");
    EXPECT_EQ(DeleteFolderTree(file.c_str()), 0);
    EXPECT_EQ(ReadBytes(file), "keep");
    EXPECT_EQ(DeleteFolderTree(L""), 0);
}

TEST_F(JobTest, DeleteResultFolderRemovesFoldersInsideTheParentOnly) {
    const CString job = NameFor({4242});
    ASSERT_EQ(CreateJobFolder(job), 1);
    MakeTree(job.Str());
    DeleteResultFolder(GetJobResultPath(job));
    EXPECT_FALSE(fs::exists(job.Str()));

    // A deeper folder inside the parent is inside too, also named with foreign separators.
    const std::wstring deep = Parent() + kSep + L"1" + kSep + L"sub";
    fs::create_directories(deep);
    DeleteResultFolder((deep + kForeign + L"x.out").c_str());
    EXPECT_FALSE(fs::exists(deep));
    EXPECT_TRUE(fs::exists(Parent() + kSep + L"1"));

    // Refused: a user's folder, also reached by climbing out of a job folder; the parent, also named
    // through a job folder and ".."; the temporary folder that holds it; a folder beside the parent
    // whose name differs in its last letter; names without any folder.
    const CString kept = NameFor({5});
    ASSERT_EQ(CreateJobFolder(kept), 1);
    const std::wstring user = Outside().File(L"result.out");
    const std::wstring inParent = Parent() + kSep + L"loose.out";
    const std::wstring inTemp = Temp() + L"t.out";
    const std::wstring beside = Temp() + L"Kestrun" + kSep + L"1" + kSep + L"r.out";
    fs::create_directories(fs::path(beside).parent_path());
    for (const std::wstring& file : {user, inParent, inTemp, beside})
        WriteBytes(file, "keep");
    const std::wstring up = kept.Str() + L".." + kSep;
    const std::wstring climb =
        up + L".." + kSep + L".." + kSep + Outside().Path().filename().wstring() + kSep + L"result.out";
    ASSERT_TRUE(fs::exists(climb));
    for (const std::wstring& path :
         {user, climb, inParent, up + L"loose.out", inTemp, beside, std::wstring(L"r.out"), std::wstring()})
        DeleteResultFolder(path.c_str());
    for (const std::wstring& file : {user, inParent, inTemp, beside})
        EXPECT_EQ(ReadBytes(file), "keep");
    EXPECT_TRUE(fs::is_directory(kept.Str()));
}

// Without a temporary folder there is no job folder name, and nothing is made in the current folder.
TEST_F(JobTest, NoTemporaryFolderGivesNoJobFolder) {
    const fs::path current = fs::current_path();
    fs::current_path(Outside().Path());
    LoseTempFolder();
    const CString parent = GetJobParentFolder();
    const CString name = NameFor({5});
    fs::current_path(current);
    EXPECT_EQ(parent, CString());
    EXPECT_EQ(name, CString());
    EXPECT_EQ(CreateJobFolder(name), 0);
    EXPECT_TRUE(fs::is_empty(Outside().Path()));
}
