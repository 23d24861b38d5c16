// The library as a host links it (its export table, the module's virtual table in the order a host's
// compiler assumes), and the host program's window in this process, over the
// module's import library, driven as a person drives kestrumhost.exe: its buttons, the module's input,
// console and graph windows, the host's lists and status lines, and the job folders left in this
// test's own temporary folder.
#include <windows.h>

#include <commctrl.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "framework/cstring.h"
#include "host/hostwnd.h"
#include "res/resource.h"
#include "support/testfiles.h"
#include "win32/jobtemp.h"
#include "win32/uiharness.h"

namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::vector<std::wstring>>;

HMODULE Library() {
    return ::GetModuleHandleW(L"kestrummod64.dll");
}

void* Export(const char* name) {
    return reinterpret_cast<void*>(::GetProcAddress(Library(), name));
}

TEST(Library, ExportsTheModuleInterfaceAndNothingElseWithTheTableInItsOrder) {
    ASSERT_EQ(Export("_Z17KESTRUMMOD_CreatePKw"), reinterpret_cast<void*>(&KESTRUMMOD_Create));
    // The module's virtual table past its offset and type entries: the two destructor entries, then
    // the operations in the order a host's compiler assumes.
    const char* const slots[] = {"_ZN15CKestrumModImplD1Ev",
                                 "_ZN15CKestrumModImplD0Ev",
                                 "_ZNK15CKestrumModImpl18GetExportInterfaceEv",
                                 "_ZN15CKestrumModImpl18SetExportInterfaceEP17IKestrumModExport",
                                 "_ZN15CKestrumModImpl5QueryEv",
                                 "_ZN15CKestrumModImpl13Graph_IsValidEv",
                                 "_ZN15CKestrumModImpl10Graph_HideEv",
                                 "_ZN15CKestrumModImpl10Graph_ShowEP6HWND__"};
    const auto* vtable = static_cast<void* const*>(Export("_ZTV15CKestrumModImpl")) + 2;
    for (size_t slot = 0; slot < std::size(slots); ++slot)
        EXPECT_EQ(vtable[slot], Export(slots[slot])) << slots[slot];

    std::set<std::string> expected = {"_Z17KESTRUMMOD_CreatePKw",
                                      "_Z18KESTRUMMOD_ReleaseP11CKestrumMod",
                                      "_Z24KESTRUMMOD_TagToDataTypePKw",
                                      "_Z27KESTRUMMOD_DataTypeToString19KESTRUMMOD_DATATYPE",
                                      "_Z24KESTRUMMOD_DataTypeToTag19KESTRUMMOD_DATATYPE",
                                      "_ZN15CKestrumModImpl15DeleteTempFilesEv",
                                      "_ZN15CKestrumModImpl15GetPropFilePathEv",
                                      "_ZN15CKestrumModImpl10IsImportedEv"};
    expected.insert(std::begin(slots), std::end(slots));
    // Each class: its constructor (complete and base object), copy constructor, destructors (deleting,
    // complete, base), copy assignment, virtual table and type information.
    using namespace std::string_literals;
    for (const auto& [name, constructor] :
         {std::pair{"12CMatPropData"s, "Ev"s}, std::pair{"9CMatProps"s, "Ev"s},
          std::pair{"11CKestrumMod"s, "Ev"s}, std::pair{"15CKestrumModImpl"s, "EPKw"s}}) {
        for (const std::string& member : {"C1" + constructor, "C2" + constructor, "C1ERKS_"s, "C2ERKS_"s,
                                          "D0Ev"s, "D1Ev"s, "D2Ev"s, "aSERKS_"s})
            expected.insert("_ZN" + name + member);
        for (const char* table : {"_ZTV", "_ZTI"})
            expected.insert(table + name);
    }
    // Every name expected is there, and nothing else.
    for (const std::string& name : expected)
        EXPECT_NE(Export(name.c_str()), nullptr) << name;
    const auto* base = reinterpret_cast<const BYTE*>(Library());
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const DWORD table = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT].VirtualAddress;
    EXPECT_EQ(reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + table)->NumberOfNames, expected.size());
}

class HostWindow : public ::testing::Test {
protected:
    // Runs the host window in its own message loop, as kestrumhost.exe does, while `script` drives it;
    // the close box ends it afterwards.
    void Run(const std::function<void()>& script) {
        RunModalScript(
            [&] {
                CHostWnd host(ProgramFolder());
                m_host = &host;
                return host.Create(SW_SHOW) ? INT_PTR{CHostWnd::RunMessageLoop()} : INT_PTR{-1};
            },
            [&](CUiDriver& ui) {
                m_ui = &ui;
                ASSERT_TRUE(ui.WaitForDialog());
                script();
                if (ui.Open())
                    ui.PressCloseBox();
            });
    }

    // The host window's lists and status lines, whichever window is in front.
    Rows List(int id) const { return ListViewRows(::GetDlgItem(m_host->Handle(), id)); }
    std::wstring Status(int id) const {
        wchar_t text[2048] = {};
        return std::wstring(text, ::GetDlgItemTextW(m_host->Handle(), id, text, 2048));
    }
    // Query with the Al-Si-Mg preset loaded and calculated; back in the host window. Returns the
    // result file that the host shows. This program has resources with the module's IDs (a dialog 100,
    // a string 1010): the input dialog's controls are found only when the module's are not shadowed.
    std::wstring Calculate() {
        EXPECT_TRUE(m_ui->Click(IDC_HOST_QUERY) && m_ui->WaitForPopup());
        EXPECT_TRUE(m_ui->ChooseFileFrom(IDC_KESTRUM_LOAD, m_preset));
        EXPECT_TRUE(RunCalculation(*m_ui) && m_ui->ReturnFromPopup());
        const std::wstring result = Status(IDC_HOST_RESULT_FILE);
        EXPECT_EQ(fs::path(result).parent_path().parent_path(), m_jobTemp.JobParent());
        return result;
    }
    int GraphIsValid() const {
        int valid = -1;
        m_ui->OnUiThread([&] { valid = m_host->Module()->Graph_IsValid(); });
        return valid;
    }

    TempDir m_temp;
    CJobTemp m_jobTemp{m_temp.File(L"temp")};
    // The file dialogs take Windows paths: the preset is chosen from a copy in the test's folder.
    std::wstring m_preset = m_temp.File(L"alsi7mg0.3.vjp");
    CHostWnd* m_host = nullptr;
    CUiDriver* m_ui = nullptr;
};

// A calculation's tables, Apply and Save, then imports: a cancelled query or one whose file cannot be
// read keeps the earlier result, the host sees "Imported" and no "Save", and the user's files stay
// whatever is done; every job folder goes.
TEST_F(HostWindow, QueriesShowTheTablesTheGraphWindowAppliesSavesAndImportsAndNoJobFolderStays) {
    WriteBytes(m_preset, ReadBytes(CString(KESTRUM_EXAMPLES "/presets/alsi7mg0.3.vjp").Str()));
    const std::wstring copy = m_temp.File(L"copy.out");
    WriteBytes(copy, "older"); // replaced without a question
    // The import is a JMatPro file, which the input dialog converts into an engine result beside it
    // (without the viscosities, which the sample leaves undefined below the solidus).
    const std::wstring dat = m_temp.File(L"sample.DAT"), locked = m_temp.File(L"locked.out");
    fs::copy_file(KESTRUM_EXAMPLES "/jmatpro_sample.dat", dat);
    fs::copy_file(KESTRUM_EXAMPLES "/minimal.out", locked);
    std::wstring leftAtClose;
    Run([&] {
        const std::wstring shown = Calculate();
        EXPECT_EQ(Status(IDC_HOST_SOURCE), L"Calculated");
        // One row per series in the module's order: name, type, its name, points, first and last x.
        // Solidus and liquidus are the temperatures of the engine's single-point series, the shrinkage
        // the value of its own.
        std::vector<CMatPropData> series;
        m_ui->OnUiThread([&] { series = m_host->Module()->m_series; });
        const auto fixed = [](double value) {
            CString text;
            text.Format(L"%.2f", value);
            return text.Str();
        };
        Rows expected;
        for (const CMatPropData& s : series) {
            expected.push_back(
                {s.m_name, std::to_wstring(s.m_dataType), KESTRUMMOD_DataTypeToString(s.m_dataType).Str(),
                 std::to_wstring(s.m_points.size()), fixed(s.m_points.at(0).x), fixed(s.m_points.back().x)});
        }
        EXPECT_EQ(List(IDC_HOST_TABLES), expected);
        EXPECT_EQ(Status(IDC_HOST_SOLIDUS) + L"|" + Status(IDC_HOST_LIQUIDUS) + L"|" +
                      Status(IDC_HOST_SHRINKAGE),
                  L"555.00 C|614.82 C|6.25 %");
        EXPECT_TRUE(m_ui->Screenshot(L"host_tables"));

        // "Apply" with the first property cleared: the host receives every series, flagged where it
        // takes the type and the box stayed checked.
        ASSERT_TRUE(m_ui->Click(IDC_HOST_SHOW_GRAPH) && m_ui->WaitForPopup());
        ASSERT_TRUE(m_ui->Click(IDC_GRAPH_APPLY) && m_ui->WaitForPopup());
        ListView_SetCheckState(m_ui->Item(IDC_EXPORT_LIST), 0, FALSE);
        EXPECT_TRUE(m_ui->Click(IDOK) && m_ui->ReturnFromPopup());
        EXPECT_EQ(::GetForegroundWindow(), m_ui->Dialog()) << "the graph window is active again";
        const Rows applied = List(IDC_HOST_APPLIED);
        std::wstring flagged;
        for (const auto& row : applied)
            flagged += row[3] == L"1" ? row[1] + L" " : L"";
        EXPECT_EQ(applied.size(), series.size());
        // Every type the host takes, in the module's order, but fraction liquid (4) cleared.
        EXPECT_EQ(flagged, L"15 23 21 24 10 18 19 6 5 28 29 35 ");

        // "Save" copies the result file; closing the window removes its job folder.
        ASSERT_TRUE(m_ui->ChooseFileFrom(IDC_GRAPH_SAVE, copy));
        EXPECT_EQ(ReadBytes(copy), ReadBytes(shown));
        EXPECT_TRUE(m_ui->Click(IDCANCEL) && m_ui->ReturnFromPopup());
        EXPECT_EQ(
            std::tuple(fs::exists(fs::path(shown).parent_path()), GraphIsValid(), Status(IDC_HOST_SOURCE)),
            std::tuple(false, 0, L"None"));
        // A second clean-up has nothing to delete, even when a folder of that name exists again.
        fs::create_directory(fs::path(shown).parent_path());
        WriteBytes(shown, "kept");
        EXPECT_TRUE(m_ui->Click(IDC_HOST_DELETE_TEMP));
        EXPECT_EQ(ReadBytes(shown), "kept");

        // What the module holds (origin, result file, series count and working folder), read from a
        // copy, as a host may take one.
        const auto result = [&] {
            std::tuple<int, std::wstring, size_t, std::wstring> held;
            m_ui->OnUiThread([&] {
                CKestrumModImpl copy(*m_host->Module());
                held = {copy.IsImported(), copy.GetPropFilePath(), copy.m_series.size(), copy.m_workingPath};
            });
            return held;
        };
        const auto import = [&](const std::wstring& file) {
            EXPECT_TRUE(m_ui->Click(IDC_HOST_QUERY) && m_ui->WaitForPopup());
            EXPECT_TRUE(m_ui->ChooseFileFrom(IDC_KESTRUM_LOAD_RESULT, file) && m_ui->ReturnFromPopup());
        };
        import(dat);
        const auto imported = result();
        EXPECT_EQ(std::tuple(std::get<0>(imported), std::get<1>(imported), std::get<2>(imported),
                             std::get<3>(imported), Status(IDC_HOST_SOURCE)),
                  std::tuple(1, dat + L".out", size_t{16}, ProgramFolder(), L"Imported"));
        // The host refills its tables only when a query reports a result.
        ListView_DeleteAllItems(::GetDlgItem(m_host->Handle(), IDC_HOST_TABLES));
        ASSERT_TRUE(m_ui->Click(IDC_HOST_QUERY) && m_ui->WaitForPopup());
        EXPECT_TRUE(m_ui->RepeatUntilClosed([&] { m_ui->Click(IDCANCEL); }) && m_ui->ReturnFromPopup());
        EXPECT_EQ(std::pair(result(), List(IDC_HOST_TABLES).size()), std::pair(imported, size_t{0}));
        const HANDLE hold =
            ::CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        import(locked);
        ::CloseHandle(hold);
        EXPECT_EQ(std::pair(result(), List(IDC_HOST_TABLES).size()), std::pair(imported, size_t{0}));
        // The graph window's clean-up at closing forgets the imported result but leaves its file.
        ASSERT_TRUE(m_ui->Click(IDC_HOST_SHOW_GRAPH) && m_ui->WaitForPopup());
        EXPECT_FALSE(m_ui->Visible(IDC_GRAPH_SAVE));
        EXPECT_TRUE(m_ui->Click(IDCANCEL) && m_ui->ReturnFromPopup());
        EXPECT_EQ(Status(IDC_HOST_SOURCE), L"None");

        // A query closes an open graph window first, which then cannot touch the new result.
        EXPECT_TRUE(m_ui->Click(IDC_HOST_SHOW_GRAPH));
        EXPECT_TRUE(m_ui->WaitFor([&] { return GraphIsValid() == 1; }));
        leftAtClose = Calculate();
        EXPECT_EQ(std::tuple(GraphIsValid(), fs::exists(leftAtClose)), std::tuple(0, true));
    });
    // Closing the host removes the last calculation's job folder too.
    EXPECT_FALSE(fs::exists(fs::path(leftAtClose).parent_path()));
    for (const auto& file : {dat, dat + L".out", locked})
        EXPECT_TRUE(fs::exists(file)) << fs::path(file).string();
}

} // namespace
