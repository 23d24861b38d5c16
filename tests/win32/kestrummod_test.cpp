// The library as a host sees it: loaded through its import library from a folder that holds it with
// the engine and the engine's data, its export table and version record, and the module object's
// results kept, replaced and cleaned up through real queries. This program has resources of its own
// with the module's IDs, which must not shadow the module's.
#include <windows.h>

#include <commctrl.h>

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "module/kestrummod.h"
#include "support/testfiles.h"
#include "win32/jobtemp.h"
#include "win32/uiharness.h"

namespace {

// Control IDs of the input dialog and the console window, as a host's tester knows them from the
// screen: the module's resource header is not part of what a host gets.
constexpr int kComposition = 1009;
constexpr int kLoadResult = 1027;
constexpr int kConsoleOutput = 1032;

HMODULE Library() {
    return ::GetModuleHandleW(L"kestrummod64.dll");
}

std::wstring ProgramFolder() {
    wchar_t program[2048];
    const std::wstring path(program, ::GetModuleFileNameW(nullptr, program, 2048));
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

std::set<std::string> ExportedNames(HMODULE module) {
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    const auto* directory = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
    const auto* names = reinterpret_cast<const DWORD*>(base + directory->AddressOfNames);
    std::set<std::string> result;
    for (DWORD i = 0; i < directory->NumberOfNames; ++i)
        result.insert(reinterpret_cast<const char*>(base + names[i]));
    return result;
}

void* Export(const char* name) {
    return reinterpret_cast<void*>(::GetProcAddress(Library(), name));
}

TEST(Library, ExportsTheModuleInterfaceAndNothingElseWithTheTableInItsOrder) {
    ASSERT_NE(Library(), nullptr);
    // The module's virtual table past its offset and type entries: the two destructor entries, then
    // the operations in the order a host's compiler assumes.
    const char* const slots[] = {
        "_ZN15CKestrumModImplD1Ev",
        "_ZN15CKestrumModImplD0Ev",
        "_ZNK15CKestrumModImpl18GetExportInterfaceEv",
        "_ZN15CKestrumModImpl18SetExportInterfaceEP17IKestrumModExport",
        "_ZN15CKestrumModImpl5QueryEv",
        "_ZN15CKestrumModImpl13Graph_IsValidEv",
        "_ZN15CKestrumModImpl10Graph_HideEv",
        "_ZN15CKestrumModImpl10Graph_ShowEP6HWND__",
    };
    const auto* table = static_cast<void* const*>(Export("_ZTV15CKestrumModImpl")) + 2;
    for (size_t slot = 0; slot < std::size(slots); ++slot)
        EXPECT_EQ(table[slot], Export(slots[slot])) << slots[slot];

    std::set<std::string> expected = {
        "_Z17KESTRUMMOD_CreatePKw",
        "_Z18KESTRUMMOD_ReleaseP11CKestrumMod",
        "_Z24KESTRUMMOD_TagToDataTypePKw",
        "_Z27KESTRUMMOD_DataTypeToString19KESTRUMMOD_DATATYPE",
        "_Z24KESTRUMMOD_DataTypeToTag19KESTRUMMOD_DATATYPE",
        "_ZN15CKestrumModImpl15DeleteTempFilesEv",
        "_ZN15CKestrumModImpl15GetPropFilePathEv",
        "_ZN15CKestrumModImpl10IsImportedEv",
    };
    expected.insert(std::begin(slots), std::end(slots));
    // Each class: its constructor (complete and base object), copy constructor, destructors (deleting,
    // complete, base), copy assignment, virtual table and type information.
    for (const auto& [name, constructor] :
         {std::pair{"12CMatPropData", "Ev"}, std::pair{"9CMatProps", "Ev"}, std::pair{"11CKestrumMod", "Ev"},
          std::pair{"15CKestrumModImpl", "EPKw"}}) {
        for (const std::string member : {"C1", "C2"}) {
            expected.insert("_ZN" + std::string(name) + member + constructor);
            expected.insert("_ZN" + std::string(name) + member + "ERKS_");
        }
        for (const char* member : {"D0Ev", "D1Ev", "D2Ev", "aSERKS_"})
            expected.insert("_ZN" + std::string(name) + member);
        expected.insert("_ZTV" + std::string(name));
        expected.insert("_ZTI" + std::string(name));
    }
    EXPECT_EQ(ExportedNames(Library()), expected);
}

TEST(Library, VersionRecordNamesTheFile) {
    wchar_t path[2048];
    ASSERT_GT(::GetModuleFileNameW(Library(), path, 2048), 0u);
    DWORD ignored = 0;
    std::string record(::GetFileVersionInfoSizeW(path, &ignored), '\0');
    ASSERT_FALSE(record.empty());
    ASSERT_TRUE(::GetFileVersionInfoW(path, 0, static_cast<DWORD>(record.size()), record.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(::VerQueryValueW(record.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
    wchar_t* description = nullptr;
    ASSERT_TRUE(::VerQueryValueW(record.data(), L"\\StringFileInfo\\040904B0\\FileDescription",
                                 reinterpret_cast<void**>(&description), &size));
    EXPECT_EQ(std::tuple(fixed->dwFileVersionMS, fixed->dwProductVersionMS, fixed->dwFileType,
                         std::wstring(description)),
              std::tuple(DWORD{MAKELONG(KESTRUM_VERSION_MINOR, KESTRUM_VERSION_MAJOR)},
                         DWORD{MAKELONG(KESTRUM_VERSION_MINOR, KESTRUM_VERSION_MAJOR)}, DWORD{VFT_DLL},
                         std::wstring(L"Kestrum material property module")));
}

struct ReleaseModule {
    void operator()(CKestrumMod* module) const { KESTRUMMOD_Release(module); }
};

// A module created as a host creates it, with job folders sent to the test's own temporary folder.
class Module : public ::testing::Test {
protected:
    Module() { std::filesystem::create_directory(m_userFolder); }

    CKestrumModImpl& Impl() { return *static_cast<CKestrumModImpl*>(m_module.get()); }

    // Runs a query while `script` acts on the input dialog.
    int32_t Query(const std::function<void(CUiDriver&)>& script) {
        return static_cast<int32_t>(RunModalScript([&] { return m_module->Query(); },
                                                   [&](CUiDriver& ui) {
                                                       ASSERT_TRUE(ui.WaitForDialog());
                                                       script(ui);
                                                   }));
    }
    int32_t Import(const std::wstring& path) {
        return Query([&](CUiDriver& ui) {
            ASSERT_TRUE(ui.Click(kLoadResult));
            ASSERT_TRUE(ui.WaitForPopup());
            ui.ChooseFile(path);
            ASSERT_TRUE(ui.ReturnFromPopup());
        });
    }
    int32_t Cancel() {
        return Query([](CUiDriver& ui) { EXPECT_TRUE(ui.RepeatUntilClosed([&] { ui.Click(IDCANCEL); })); });
    }
    int32_t Calculate() {
        return Query([](CUiDriver& ui) {
            ASSERT_TRUE(ui.Click(IDOK));
            ASSERT_TRUE(ui.WaitForPopup());
            ASSERT_TRUE(ui.WaitFor([&] { return ui.Enabled(IDOK); }, 120000));
            EXPECT_NE(ui.Text(kConsoleOutput).find(L"Exit Code: 0"), std::wstring::npos);
            EXPECT_TRUE(ui.RepeatUntilClosed([&] { ui.Click(IDOK); }));
            EXPECT_TRUE(ui.ReturnFromPopup());
        });
    }
    // What a host reads: origin, result file and the tables' series count.
    std::tuple<int32_t, std::wstring, size_t> Result() {
        return {Impl().IsImported(), Impl().GetPropFilePath(), m_module->m_series.size()};
    }

    TempDir m_temp;
    CJobTemp m_jobTemp{m_temp.File(L"temp")};
    std::wstring m_userFolder = m_temp.File(L"user");
    std::unique_ptr<CKestrumMod, ReleaseModule> m_module{KESTRUMMOD_Create(ProgramFolder().c_str())};
};

TEST_F(Module, ImportsKeepTheUsersFilesAndACancelledOrUnreadableQueryKeepsTheEarlierResult) {
    ASSERT_NE(m_module, nullptr);
    KESTRUMMOD_Release(nullptr);
    EXPECT_EQ(std::tuple(Result(), Impl().Graph_IsValid(), Impl().Graph_Hide(), Impl().Graph_IsValid()),
              std::tuple(std::tuple(0, std::wstring(), size_t{0}), 0, 1, 0));

    const std::wstring out = m_userFolder + L"\\alsi7mg.out";
    std::filesystem::copy_file(KESTRUM_EXAMPLES L"/alsi7mg.out", out);
    // The dialog is the module's own although this program has a dialog 100 and a string 1010.
    ASSERT_EQ(Query([&](CUiDriver& ui) {
                  wchar_t caption[64] = {};
                  ::GetWindowTextW(ui.Dialog(), caption, 64);
                  wchar_t heading[64] = {};
                  LVCOLUMNW column{};
                  column.mask = LVCF_TEXT;
                  column.pszText = heading;
                  column.cchTextMax = 64;
                  ListView_GetColumn(ui.Item(kComposition), 0, &column);
                  EXPECT_EQ(std::wstring(caption) + L"|" + heading, L"Kestrum Input Dialog|Element");
                  ASSERT_TRUE(ui.Click(kLoadResult));
                  ASSERT_TRUE(ui.WaitForPopup());
                  ui.ChooseFile(out);
                  ASSERT_TRUE(ui.ReturnFromPopup());
              }),
              1);
    const auto imported = Result();
    EXPECT_EQ(std::get<0>(imported), 1);
    EXPECT_EQ(std::get<1>(imported), out);
    EXPECT_GT(std::get<2>(imported), 10u);

    EXPECT_EQ(Cancel(), 0);
    EXPECT_EQ(Result(), imported);
    // A result file that cannot be opened when the query reads it changes nothing either.
    const std::wstring locked = m_userFolder + L"\\locked.out";
    std::filesystem::copy_file(KESTRUM_EXAMPLES L"/minimal.out", locked);
    const HANDLE hold = ::CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hold, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Import(locked), 0);
    ::CloseHandle(hold);
    EXPECT_EQ(Result(), imported);

    // A JMatPro file is converted beside itself, and the conversion is what the module holds.
    const std::wstring dat = m_userFolder + L"\\sample.dat";
    std::filesystem::copy_file(KESTRUM_EXAMPLES L"/jmatpro_sample.dat", dat);
    ASSERT_EQ(Import(dat), 1);
    EXPECT_EQ(std::get<1>(Result()), dat + L".out");
    EXPECT_EQ(Impl().IsImported(), 1);

    // The copy a host may take holds the same result.
    CKestrumModImpl copy(Impl());
    EXPECT_EQ(std::tuple(copy.IsImported(), std::wstring(copy.GetPropFilePath()), copy.m_series.size(),
                         std::wstring(copy.m_workingPath)),
              std::tuple(1, dat + L".out", m_module->m_series.size(), ProgramFolder()));

    Impl().DeleteTempFiles();
    EXPECT_EQ(std::tuple(Impl().IsImported(), std::wstring(Impl().GetPropFilePath())),
              std::tuple(0, std::wstring()));
    for (const auto& file : {out, dat, dat + L".out", locked})
        EXPECT_TRUE(std::filesystem::exists(file)) << std::filesystem::path(file).string();
}

TEST_F(Module, CalculatedResultLivesInItsJobFolderUntilCleanedUpOnce) {
    ASSERT_EQ(Calculate(), 1);
    const auto calculated = Result();
    const std::filesystem::path result = std::get<1>(calculated);
    EXPECT_EQ(std::get<0>(calculated), 0);
    EXPECT_EQ(result.parent_path().parent_path(), m_jobTemp.JobParent());
    EXPECT_EQ(result.filename(), L"vuzaziza.out");
    EXPECT_GT(std::get<2>(calculated), 10u);
    EXPECT_EQ(Cancel(), 0);
    EXPECT_EQ(Result(), calculated);

    Impl().DeleteTempFiles();
    EXPECT_FALSE(std::filesystem::exists(result.parent_path()));
    EXPECT_EQ(std::wstring(Impl().GetPropFilePath()), L"");
    // A second clean-up has nothing to delete, even when a folder of that name exists again.
    std::filesystem::create_directory(result.parent_path());
    WriteBytes(result.wstring(), "kept");
    Impl().DeleteTempFiles();
    EXPECT_EQ(ReadBytes(result.wstring()), "kept");
}

} // namespace
