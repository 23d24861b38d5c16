// The host program's window in this process, over the module's import library, driven as a person
// drives kestrumhost.exe: its buttons, the module's input, console and graph windows, the host's lists
// and status lines, and the job folders left in this test's own temporary folder.
#include <windows.h>

#include <commctrl.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "framework/cstring.h"
#include "host/hostwnd.h"
#include "res/resource.h"
#include "support/testfiles.h"
#include "win32/jobtemp.h"
#include "win32/screenshot.h"
#include "win32/uiharness.h"

namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::vector<std::wstring>>;

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
    // result file that the host shows.
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
    // The whole screen: the host with the module's windows beside and over it.
    void ScreenShot(const wchar_t* name) const {
        m_ui->Repaint();
        EXPECT_TRUE(SaveScreenshot(::GetDesktopWindow(), name));
    }

    TempDir m_temp;
    CJobTemp m_jobTemp{m_temp.File(L"temp")};
    // The file dialogs take Windows paths: the preset is chosen from a copy in the test's folder.
    std::wstring m_preset = m_temp.File(L"alsi7mg0.3.vjp");
    CHostWnd* m_host = nullptr;
    CUiDriver* m_ui = nullptr;
};

TEST_F(HostWindow, QueryShowsTheTablesTheGraphWindowAppliesAndSavesAndEveryJobFolderGoes) {
    WriteBytes(m_preset, ReadBytes(CString(KESTRUM_EXAMPLES "/presets/alsi7mg0.3.vjp").Str()));
    const std::wstring copy = m_temp.File(L"copy.out");
    WriteBytes(copy, "older"); // replaced without a question
    std::wstring leftAtClose;
    Run([&] {
        EXPECT_EQ(std::tuple(List(IDC_HOST_TABLES).size(), Status(IDC_HOST_RESULT_FILE),
                             Status(IDC_HOST_SOURCE), Status(IDC_HOST_SOLIDUS)),
                  std::tuple(0u, L"None", L"None", L"-"));
        const std::wstring shown = Calculate();
        EXPECT_EQ(Status(IDC_HOST_SOURCE), L"Calculated");
        // One row per series in the module's order: name, type, its name, points, first and last x.
        // Solidus and liquidus are the temperatures of the module's single-point series, the shrinkage
        // the value of its own.
        std::vector<CMatPropData> series;
        m_ui->OnUiThread([&] { series = m_host->Module()->m_series; });
        const auto fixed = [](double value, const wchar_t* unit) {
            CString text;
            text.Format(L"%.2f%s", value, unit);
            return text.Str();
        };
        Rows expected;
        std::map<int, GraphPoint> first; // the first point of each data type's first series
        for (const CMatPropData& s : series) {
            expected.push_back({s.m_name, std::to_wstring(s.m_dataType),
                                KESTRUMMOD_DataTypeToString(s.m_dataType).Str(),
                                std::to_wstring(s.m_points.size()), fixed(s.m_points.at(0).x, L""),
                                fixed(s.m_points.back().x, L"")});
            first.try_emplace(s.m_dataType, s.m_points.front());
        }
        EXPECT_EQ(List(IDC_HOST_TABLES), expected);
        EXPECT_EQ(
            Status(IDC_HOST_SOLIDUS) + L"|" + Status(IDC_HOST_LIQUIDUS) + L"|" + Status(IDC_HOST_SHRINKAGE),
            fixed(first.at(30).x, L" C|") + fixed(first.at(31).x, L" C|") + fixed(first.at(34).y, L" %"));
        EXPECT_TRUE(m_ui->Screenshot(L"host_tables"));

        // "Apply" with the first property cleared: the host receives every series, flagged where it
        // takes the type and the box stayed checked.
        ASSERT_TRUE(m_ui->Click(IDC_HOST_SHOW_GRAPH) && m_ui->WaitForPopup());
        ScreenShot(L"host_graph");
        ASSERT_TRUE(m_ui->Click(IDC_GRAPH_APPLY) && m_ui->WaitForPopup());
        ListView_SetCheckState(m_ui->Item(IDC_EXPORT_LIST), 0, FALSE);
        ScreenShot(L"host_export");
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
        // Escape closes it while the host's own loop runs.
        ASSERT_TRUE(m_ui->Click(IDC_HOST_SHOW_GRAPH) && m_ui->WaitForPopup());
        m_ui->PressKey(VK_ESCAPE);
        EXPECT_TRUE(m_ui->ReturnFromPopup());
        EXPECT_EQ(GraphIsValid(), 0);

        // A query closes an open graph window first, which then cannot touch the new result.
        EXPECT_TRUE(m_ui->Click(IDC_HOST_SHOW_GRAPH));
        EXPECT_TRUE(m_ui->WaitFor([&] { return GraphIsValid() == 1; }));
        leftAtClose = Calculate();
        EXPECT_EQ(std::tuple(GraphIsValid(), fs::exists(leftAtClose)), std::tuple(0, true));
    });
    // Closing the host removes the last calculation's job folder too.
    EXPECT_FALSE(fs::exists(fs::path(leftAtClose).parent_path()));
}

// Imports: a cancelled query or one whose file cannot be read keeps the earlier result, the host sees
// "Imported" and no "Save", and the user's files stay whatever is done. This program has resources
// with the module's IDs (a dialog 100, a string 1010), which must not shadow the module's.
TEST_F(HostWindow, ImportsKeepTheUsersFilesAndAFailedQueryKeepsTheEarlierResult) {
    const std::wstring out = m_temp.File(L"alsi7mg.out"), locked = m_temp.File(L"locked.out"),
                       dat = m_temp.File(L"sample.dat");
    fs::copy_file(KESTRUM_EXAMPLES "/alsi7mg.out", out);
    fs::copy_file(KESTRUM_EXAMPLES "/minimal.out", locked);
    fs::copy_file(KESTRUM_EXAMPLES "/jmatpro_sample.dat", dat);
    Run([&] {
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
        import(out);
        const auto imported = result();
        EXPECT_EQ(std::tuple(std::get<0>(imported), std::get<1>(imported), std::get<2>(imported) > 10,
                             std::get<3>(imported)),
                  std::tuple(1, out, true, ProgramFolder()));
        // The host refills its tables only when a query reports a result.
        ListView_DeleteAllItems(::GetDlgItem(m_host->Handle(), IDC_HOST_TABLES));
        ASSERT_TRUE(m_ui->Click(IDC_HOST_QUERY) && m_ui->WaitForPopup());
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT;
        wchar_t caption[64] = {}, heading[64] = {};
        ::GetWindowTextW(m_ui->Dialog(), caption, 64);
        column.pszText = heading;
        column.cchTextMax = 64;
        ListView_GetColumn(m_ui->Item(IDC_KESTRUM_COMPOSITION), 0, &column);
        EXPECT_EQ(std::wstring(caption) + L"|" + heading, L"Kestrum Input Dialog|Element");
        EXPECT_TRUE(m_ui->RepeatUntilClosed([&] { m_ui->Click(IDCANCEL); }) && m_ui->ReturnFromPopup());
        EXPECT_EQ(std::pair(result(), List(IDC_HOST_TABLES).size()), std::pair(imported, size_t{0}));
        const HANDLE hold =
            ::CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        import(locked);
        ::CloseHandle(hold);
        EXPECT_EQ(std::pair(result(), List(IDC_HOST_TABLES).size()), std::pair(imported, size_t{0}));

        EXPECT_TRUE(m_ui->Click(IDC_HOST_DELETE_TEMP));
        EXPECT_EQ(Status(IDC_HOST_SOURCE), L"None");

        // A JMatPro file is converted beside itself.
        import(dat);
        EXPECT_EQ(std::tuple(Status(IDC_HOST_RESULT_FILE), Status(IDC_HOST_SOURCE)),
                  std::tuple(dat + L".out", L"Imported"));
        ASSERT_TRUE(m_ui->Click(IDC_HOST_SHOW_GRAPH) && m_ui->WaitForPopup());
        EXPECT_FALSE(m_ui->Visible(IDC_GRAPH_SAVE));
        EXPECT_TRUE(m_ui->Click(IDCANCEL) && m_ui->ReturnFromPopup());
        EXPECT_TRUE(m_ui->Click(IDC_HOST_DELETE_TEMP));
        EXPECT_EQ(std::pair(Status(IDC_HOST_SOURCE), List(IDC_HOST_TABLES).empty()),
                  std::pair(std::wstring(L"None"), false));
    });
    for (const auto& file : {out, locked, dat, dat + L".out"})
        EXPECT_TRUE(fs::exists(file)) << fs::path(file).string();
}

} // namespace
