// Job folders under the temporary folder and their removal.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "calc/job.h"
#include "calc/jobtest.h"

namespace fs = std::filesystem;

namespace {

// A tick source that hands out the given counts in turn and records how often it was asked.
struct Ticks {
    std::vector<uint32_t> counts;
    size_t asked = 0;
    uint32_t operator()() { return counts.at(asked++); }
};

CString NameFor(std::vector<uint32_t> counts, size_t* asked = nullptr) {
    Ticks ticks{std::move(counts)};
    const CString name = CreateJobFolderName([&ticks] { return ticks(); });
    if (asked)
        *asked = ticks.asked;
    return name;
}

void MakeTree(const fs::path& root) {
    fs::create_directories(root / L"a" / L"b" / L"c");
    fs::create_directories(root / L"empty");
    WriteBytes((root / L"input.vjp").wstring(), "x");
    WriteBytes((root / L"a" / L"vuzaziza.out").wstring(), "y");
    WriteBytes((root / L"a" / L"b" / L"c" / L"deep.txt").wstring(), "z");
}

} // namespace

TEST_F(JobTest, FolderNameUnderTheParent) {
    ASSERT_FALSE(fs::exists(Parent()));
    EXPECT_EQ(GetJobParentFolder(), CString(Parent()));
    const CString name = NameFor({12345});
    EXPECT_EQ(name, CString(Parent() + kSep + L"12345" + kSep));
    // The parent is made, the job folder is not.
    EXPECT_TRUE(fs::is_directory(Parent()));
    EXPECT_FALSE(fs::exists(Parent() + kSep + L"12345"));

    // With the system's own count: the parent, a separator, a signed decimal and a separator; an
    // existing parent is no obstacle.
    const std::wstring real = CreateJobFolderName().Str();
    const std::wstring head = Parent() + kSep;
    ASSERT_EQ(real.compare(0, head.size(), head), 0) << CString(real).ToUtf8();
    ASSERT_EQ(real.back(), kSep);
    const std::wstring count = real.substr(head.size(), real.size() - head.size() - 1);
    ASSERT_FALSE(count.empty());
    EXPECT_EQ(count.find_first_not_of(L"-0123456789"), std::wstring::npos);
}

TEST_F(JobTest, CountsFromTwoToThe31AreNegative) {
    EXPECT_EQ(NameFor({0x80000000u}), CString(Parent() + kSep + L"-2147483648" + kSep));
    EXPECT_EQ(NameFor({0xFFFFFFFFu}), CString(Parent() + kSep + L"-1" + kSep));
    EXPECT_EQ(NameFor({0x7FFFFFFFu}), CString(Parent() + kSep + L"2147483647" + kSep));
}

TEST_F(JobTest, ExistingNamesTakeANewCount) {
    fs::create_directories(Parent() + kSep + L"777");
    WriteBytes(Parent() + kSep + L"778", "a file of that name");
    size_t asked = 0;
    EXPECT_EQ(NameFor({777, 778, 779}, &asked), CString(Parent() + kSep + L"779" + kSep));
    EXPECT_EQ(asked, 3u);
}

TEST_F(JobTest, DeleteFolderTreeRemovesNestedTrees) {
    const fs::path root = Outside().Path() / L"job";
    MakeTree(root);
    EXPECT_EQ(DeleteFolderTree(root.wstring().c_str()), 1);
    EXPECT_FALSE(fs::exists(root));

    // Given with a trailing separator, as job folders are.
    MakeTree(root);
    EXPECT_EQ(DeleteFolderTree((root.wstring() + kSep).c_str()), 1);
    EXPECT_FALSE(fs::exists(root));

    // Nothing there, or not a folder: the result says the folder was not removed.
    EXPECT_EQ(DeleteFolderTree(root.wstring().c_str()), 0);
    const std::wstring file = Outside().File(L"plain.txt");
    WriteBytes(file, "keep");
    EXPECT_EQ(DeleteFolderTree(file.c_str()), 0);
    EXPECT_EQ(ReadBytes(file), "keep");
    EXPECT_EQ(DeleteFolderTree(nullptr), 0);
    EXPECT_TRUE(fs::exists(Outside().Path()));
}

TEST_F(JobTest, DeleteResultFolderRemovesAJobFolder) {
    const CString job = NameFor({4242});
    ASSERT_EQ(CreateJobFolder(job), 1);
    MakeTree(job.Str());
    DeleteResultFolder(GetJobResultPath(job));
    EXPECT_FALSE(fs::exists(job.Str()));
    EXPECT_TRUE(fs::is_directory(Parent())); // the parent stays

    // A deeper folder inside the parent is inside too; a path given with foreign separators names
    // the same folder.
    const std::wstring deep = Parent() + kSep + L"1" + kSep + L"sub";
    fs::create_directories(deep);
    WriteBytes(deep + kSep + L"x.out", "x");
    std::wstring foreign = deep + kForeign + L"x.out";
    DeleteResultFolder(foreign.c_str());
    EXPECT_FALSE(fs::exists(deep));
    EXPECT_TRUE(fs::exists(Parent() + kSep + L"1"));
}

TEST_F(JobTest, DeleteResultFolderRefusesFoldersOutsideTheParent) {
    // A user's folder elsewhere.
    const std::wstring outside = Outside().File(L"result.out");
    WriteBytes(outside, "user data");
    DeleteResultFolder(outside.c_str());
    EXPECT_EQ(ReadBytes(outside), "user data");

    // The parent itself, also named through a job folder and "..".
    const CString job = NameFor({5});
    ASSERT_EQ(CreateJobFolder(job), 1);
    const std::wstring inParent = Parent() + kSep + L"loose.out";
    WriteBytes(inParent, "p");
    DeleteResultFolder(inParent.c_str());
    DeleteResultFolder((job.Str() + L".." + kSep + L"loose.out").c_str());
    EXPECT_EQ(ReadBytes(inParent), "p");
    EXPECT_TRUE(fs::is_directory(job.Str()));

    // Climbing out of a job folder into the user's folder.
    const std::wstring climb = job.Str() + L".." + kSep + L".." + kSep + L".." + kSep +
                               Outside().Path().filename().wstring() + kSep + L"result.out";
    ASSERT_TRUE(fs::exists(climb));
    DeleteResultFolder(climb.c_str());
    EXPECT_EQ(ReadBytes(outside), "user data");

    // The temporary folder that holds the parent, and names without any folder.
    const std::wstring inTemp = Temp() + L"t.out";
    WriteBytes(inTemp, "t");
    DeleteResultFolder(inTemp.c_str());
    DeleteResultFolder(L"vuzaziza.out");
    DeleteResultFolder(L"");
    DeleteResultFolder(nullptr);
    EXPECT_EQ(ReadBytes(inTemp), "t");
    EXPECT_TRUE(fs::is_directory(job.Str()));
}

TEST_F(JobTest, InputAndResultPaths) {
    const std::wstring job = Parent() + kSep + L"9" + kSep;
    // A trailing separator leaves no doubled one; foreign separators become ours.
    EXPECT_EQ(GetJobInputPath(job.c_str()), CString(job + L"input.vjp"));
    EXPECT_EQ(GetJobResultPath(job.c_str()), CString(job + L"vuzaziza.out"));
    std::wstring mixed = Parent() + kForeign + L"9";
    EXPECT_EQ(GetJobInputPath(mixed.c_str()), CString(Parent() + kSep + L"9" + kSep + L"input.vjp"));
    EXPECT_EQ(GetJobResultPath(mixed.c_str()), CString(Parent() + kSep + L"9" + kSep + L"vuzaziza.out"));
    // The two orders of normalisation differ for a foreign separator next to ours: the input path
    // collapses it, the result path keeps the pair.
    mixed = Parent() + kSep + L"9" + kForeign;
    EXPECT_EQ(GetJobInputPath(mixed.c_str()), CString(Parent() + kSep + L"9" + kSep + L"input.vjp"));
    EXPECT_EQ(GetJobResultPath(mixed.c_str()),
              CString(Parent() + kSep + L"9" + kSep + kSep + L"vuzaziza.out"));

    // The command line is the quoted input path, nothing more.
    const CString input = GetJobInputPath(job.c_str());
    EXPECT_EQ(GetEngineCommandLine(input), CString(L"\"" + job + L"input.vjp\""));
    EXPECT_EQ(GetEngineCommandLine(L"a b"), CString(L"\"a b\""));
}
