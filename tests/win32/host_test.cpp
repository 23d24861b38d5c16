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
#include "framework/numparse.h"
#include "host/hostwnd.h"
#include "res/resource.h"
#include "support/testfiles.h"
#include "win32/jobtemp.h"
#include "win32/screenshot.h"
#include "win32/uiharness.h"

namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::vector<std::wstring>>;

// The folder of the loaded module, where the engine and its "dbdata" lie: the host's working path.
std::wstring ModuleFolder() {
    wchar_t path[2048] = {};
    const std::wstring file(path, ::GetModuleFileNameW(::GetModuleHandleW(L"kestrummod64.dll"), path, 2048));
    return file.substr(0, file.find_last_of(L'\\') + 1);
}

class HostWindow : public ::testing::Test {
protected:
    HostWindow() {
        WriteBytes(m_preset, ReadBytes(CString(KESTRUM_EXAMPLES "/presets/alsi7mg0.3.vjp").Str()));
    }

    // Runs the host window in its own message loop, as kestrumhost.exe does, while `script` drives it;
    // the close box ends it afterwards.
    void Run(const std::function<void()>& script) {
        RunModalScript(
            [&] {
                CHostWnd host(ModuleFolder());
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
    Rows List(int id) const {
        const HWND list = ::GetDlgItem(m_host->Handle(), id);
        Rows rows(static_cast<size_t>(ListView_GetItemCount(list)));
        for (size_t row = 0; row < rows.size(); ++row) {
            for (int column = 0; column < Header_GetItemCount(ListView_GetHeader(list)); ++column) {
                wchar_t text[512] = {};
                ListView_GetItemText(list, static_cast<int>(row), column, text, 512);
                rows[row].push_back(text);
            }
        }
        return rows;
    }
    std::wstring Status(int id) const {
        wchar_t text[2048] = {};
        return std::wstring(text, ::GetDlgItemTextW(m_host->Handle(), id, text, 2048));
    }
    // A copy of the module's tables, taken where the module lives.
    std::vector<CMatPropData> ModuleSeries() const {
        std::vector<CMatPropData> series;
        m_ui->OnUiThread([&] { series = m_host->Module()->m_series; });
        return series;
    }
    // Opens a file dialog from a button of the window in front and chooses `path` in it.
    void ThroughFileDialog(int button, const std::wstring& path) {
        ASSERT_TRUE(m_ui->Click(button));
        ASSERT_TRUE(m_ui->WaitForPopup());
        m_ui->ChooseFile(path);
        ASSERT_TRUE(m_ui->ReturnFromPopup());
    }
    // Query, the Al-Si-Mg preset loaded, "Start Calc", the console's "Close" once the engine ended;
    // back in the host window. Returns the result file that the host shows.
    std::wstring Calculate() {
        EXPECT_TRUE(m_ui->Click(IDC_HOST_QUERY));
        EXPECT_TRUE(m_ui->WaitForPopup());
        ThroughFileDialog(IDC_KESTRUM_LOAD, m_preset);
        EXPECT_TRUE(m_ui->Click(IDOK));
        EXPECT_TRUE(m_ui->WaitForPopup());
        EXPECT_TRUE(m_ui->WaitFor([&] { return m_ui->Enabled(IDOK); }, 120000));
        EXPECT_TRUE(m_ui->RepeatUntilClosed([&] { m_ui->Click(IDOK); }));
        EXPECT_TRUE(m_ui->ReturnFromPopup() && m_ui->ReturnFromPopup());
        const std::wstring result = Status(IDC_HOST_RESULT_FILE);
        EXPECT_EQ(fs::path(result).parent_path().parent_path(), m_jobTemp.JobParent());
        EXPECT_TRUE(fs::exists(result));
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
    std::wstring deleted, leftAtClose;
    Run([&] {
        EXPECT_EQ(std::tuple(List(IDC_HOST_TABLES).size(), Status(IDC_HOST_RESULT_FILE),
                             Status(IDC_HOST_SOURCE), Status(IDC_HOST_SOLIDUS)),
                  std::tuple(0u, L"None", L"None", L"-"));

        deleted = Calculate();
        EXPECT_EQ(Status(IDC_HOST_SOURCE), L"Calculated");
        // One row per series in the module's order: name, type, its name, points, first and last x.
        const std::vector<CMatPropData> series = ModuleSeries();
        const Rows rows = List(IDC_HOST_TABLES);
        ASSERT_EQ(rows.size(), series.size());
        std::map<int, GraphPoint> first; // the first point of each data type's first series
        for (size_t i = 0; i < rows.size(); ++i) {
            const CMatPropData& s = series[i];
            ASSERT_FALSE(s.m_points.empty());
            EXPECT_EQ(
                std::tuple(rows[i][0], rows[i][1], rows[i][3]),
                std::tuple(s.m_name, std::to_wstring(s.m_dataType), std::to_wstring(s.m_points.size())));
            EXPECT_NEAR(ParseLeadingDouble(rows[i][4].c_str()), s.m_points.front().x, 0.006);
            EXPECT_NEAR(ParseLeadingDouble(rows[i][5].c_str()), s.m_points.back().x, 0.006);
            if (s.m_dataType == 15) {
                EXPECT_EQ(rows[i][2], L"Density alloy"); // the name comes from the module's function
            }
            first.try_emplace(s.m_dataType, s.m_points.front());
        }
        // Solidus and liquidus are the temperatures of the module's single-point series, the shrinkage
        // the value of its own.
        EXPECT_NEAR(ParseLeadingDouble(Status(IDC_HOST_SOLIDUS).c_str()), first.at(30).x, 0.006);
        EXPECT_NEAR(ParseLeadingDouble(Status(IDC_HOST_LIQUIDUS).c_str()), first.at(31).x, 0.006);
        EXPECT_NEAR(ParseLeadingDouble(Status(IDC_HOST_SHRINKAGE).c_str()), first.at(34).y, 0.006);
        EXPECT_TRUE(Status(IDC_HOST_LIQUIDUS).ends_with(L" C") &&
                    Status(IDC_HOST_SHRINKAGE).ends_with(L" %"));
        EXPECT_TRUE(m_ui->Screenshot(L"host_tables"));

        // The job folder goes; the tables stay, as the module keeps them.
        EXPECT_TRUE(m_ui->Click(IDC_HOST_DELETE_TEMP));
        EXPECT_FALSE(fs::exists(fs::path(deleted).parent_path()));
        EXPECT_EQ(
            std::tuple(Status(IDC_HOST_RESULT_FILE), Status(IDC_HOST_SOURCE), List(IDC_HOST_TABLES).size()),
            std::tuple(L"None", L"None", rows.size()));

        // The graph window beside the host lists what the host takes; another property, raw data on and
        // off, no symbols.
        const std::wstring shown = Calculate();
        ASSERT_TRUE(m_ui->Click(IDC_HOST_SHOW_GRAPH));
        ASSERT_TRUE(m_ui->WaitForPopup());
        // The export flags ApplyProps should bring: the first property the host takes is cleared.
        std::wstring expected, flags;
        int taken = 0;
        for (const CMatPropData& s : series)
            expected += CHostExport().QueryDataType(s.m_dataType) >= 0 && taken++ > 0 ? L'1' : L'0';
        const HWND property = m_ui->Item(IDC_GRAPH_PROPERTY);
        EXPECT_EQ(::SendMessageW(property, CB_GETCOUNT, 0, 0), taken);
        ::SendMessageW(property, CB_SETCURSEL, 1, 0);
        m_ui->Notify(IDC_GRAPH_PROPERTY, CBN_SELCHANGE);
        for (const int box : {IDC_GRAPH_RAW_DATA, IDC_GRAPH_RAW_DATA, IDC_GRAPH_SHOW_SYMBOL})
            EXPECT_TRUE(m_ui->Click(box));
        ScreenShot(L"host_graph");

        // "Apply" with the first property cleared: the host receives every series, that one unflagged.
        ASSERT_TRUE(m_ui->Click(IDC_GRAPH_APPLY));
        ASSERT_TRUE(m_ui->WaitForPopup());
        ListView_SetCheckState(m_ui->Item(IDC_EXPORT_LIST), 0, FALSE);
        ScreenShot(L"host_export");
        EXPECT_TRUE(m_ui->Click(IDOK));
        ASSERT_TRUE(m_ui->ReturnFromPopup());
        EXPECT_EQ(::GetForegroundWindow(), m_ui->Dialog()) << "the graph window is active again";
        for (const auto& row : List(IDC_HOST_APPLIED))
            flags += row[3];
        EXPECT_EQ(flags, expected);
        ScreenShot(L"host_applied");

        // "Save" copies the result file; closing the window removes its job folder.
        ThroughFileDialog(IDC_GRAPH_SAVE, m_temp.File(L"copy.out"));
        EXPECT_EQ(ReadBytes(m_temp.File(L"copy.out")), ReadBytes(shown));
        EXPECT_TRUE(m_ui->Click(IDCANCEL));
        ASSERT_TRUE(m_ui->ReturnFromPopup());
        EXPECT_EQ(
            std::tuple(fs::exists(fs::path(shown).parent_path()), GraphIsValid(), Status(IDC_HOST_SOURCE)),
            std::tuple(false, 0, L"None"));
        // Escape closes it while the host's own loop runs.
        ASSERT_TRUE(m_ui->Click(IDC_HOST_SHOW_GRAPH));
        ASSERT_TRUE(m_ui->WaitForPopup());
        m_ui->PressKey(VK_ESCAPE);
        EXPECT_TRUE(m_ui->ReturnFromPopup());
        EXPECT_EQ(GraphIsValid(), 0);

        // A query closes an open graph window first, which then cannot touch the new result.
        EXPECT_TRUE(m_ui->Click(IDC_HOST_SHOW_GRAPH));
        EXPECT_TRUE(m_ui->WaitFor([&] { return GraphIsValid() == 1; }));
        leftAtClose = Calculate();
        EXPECT_EQ(GraphIsValid(), 0);
    });
    // Closing the host removes the last calculation's job folder too.
    EXPECT_FALSE(fs::exists(fs::path(leftAtClose).parent_path()));
}

TEST_F(HostWindow, AnImportedJMatProFileIsShownAsImportedAndNeverDeleted) {
    const std::wstring dat = m_temp.File(L"sample.dat"), out = dat + L".out";
    const std::string bytes = ReadBytes(CString(KESTRUM_EXAMPLES "/jmatpro_sample.dat").Str());
    WriteBytes(dat, bytes);
    Run([&] {
        ASSERT_TRUE(m_ui->Click(IDC_HOST_QUERY));
        ASSERT_TRUE(m_ui->WaitForPopup());
        ThroughFileDialog(IDC_KESTRUM_LOAD_RESULT, dat);
        ASSERT_TRUE(m_ui->ReturnFromPopup());
        EXPECT_EQ(std::tuple(Status(IDC_HOST_RESULT_FILE), Status(IDC_HOST_SOURCE)),
                  std::tuple(out, L"Imported"));
        EXPECT_FALSE(List(IDC_HOST_TABLES).empty());
        // No "Save" for the user's own file; closing the graph window leaves it, as does deleting.
        ASSERT_TRUE(m_ui->Click(IDC_HOST_SHOW_GRAPH));
        ASSERT_TRUE(m_ui->WaitForPopup());
        EXPECT_FALSE(m_ui->Visible(IDC_GRAPH_SAVE));
        EXPECT_TRUE(m_ui->Click(IDCANCEL));
        ASSERT_TRUE(m_ui->ReturnFromPopup());
        EXPECT_TRUE(m_ui->Click(IDC_HOST_DELETE_TEMP));
        EXPECT_EQ(Status(IDC_HOST_SOURCE), L"None");
    });
    EXPECT_EQ(ReadBytes(dat), bytes);
    EXPECT_TRUE(fs::exists(out));
}

// The host takes fraction liquid, the elastic moduli, conductivity, density, viscosities, enthalpy,
// specific and latent heat per mass, each in a slot of its own; nothing else.
TEST(HostExport, TakesTheCastingPropertiesEachInASlotOfItsOwn) {
    CHostExport host;
    std::wstring slots;
    for (int32_t type = -1; type <= 36; ++type)
        slots += std::to_wstring(host.QueryDataType(type)) + L" ";
    EXPECT_EQ(slots,
              L"-1 -1 -1 -1 -1 0 1 2 -1 -1 -1 3 -1 -1 -1 -1 4 -1 -1 5 6 -1 7 -1 8 9 -1 -1 -1 10 11 -1 -1 -1 "
              L"-1 -1 12 -1 ");
}

} // namespace
