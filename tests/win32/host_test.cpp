// The host program's window in this process, over the module's import library, driven as a person
// drives kestrumhost.exe: its buttons, the module's input and console windows, the host's lists and
// status lines, and the job folders left in this test's own temporary folder.
#include <windows.h>

#include <commctrl.h>

#include <cmath>
#include <cwchar>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "framework/cstring.h"
#include "host/hostwnd.h"
#include "res/resource.h"
#include "support/testfiles.h"
#include "win32/uiharness.h"

namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::vector<std::wstring>>;

// The folder of the loaded module, where the engine and its "dbdata" lie: the host's working path.
std::wstring ModuleFolder() {
    wchar_t path[2048] = {};
    const DWORD n = ::GetModuleFileNameW(::GetModuleHandleW(L"kestrummod64.dll"), path, 2048);
    const std::wstring file(path, n);
    return file.substr(0, file.find_last_of(L'\\') + 1);
}

Rows ListRows(HWND list) {
    Rows rows(static_cast<size_t>(ListView_GetItemCount(list)));
    const int columns = Header_GetItemCount(ListView_GetHeader(list));
    for (size_t row = 0; row < rows.size(); ++row) {
        for (int column = 0; column < columns; ++column) {
            wchar_t text[512] = {};
            ListView_GetItemText(list, static_cast<int>(row), column, text, 512);
            rows[row].push_back(text);
        }
    }
    return rows;
}

// The number at the start of a status line or a cell; NaN when there is none.
double Leading(const std::wstring& text) {
    wchar_t* end = nullptr;
    const double value = std::wcstod(text.c_str(), &end);
    return end == text.c_str() ? std::nan("") : value;
}

class HostWindow : public ::testing::Test {
protected:
    // Job folders go to the test's own temporary folder.
    HostWindow() {
        fs::create_directory(m_jobTemp);
        ::GetEnvironmentVariableW(L"TMP", m_savedTmp, MAX_PATH);
        ::SetEnvironmentVariableW(L"TMP", m_jobTemp.c_str());
        WriteBytes(m_preset, ReadBytes(CString(KESTRUM_EXAMPLES "/presets/alsi7mg0.3.vjp").Str()));
    }
    ~HostWindow() override { ::SetEnvironmentVariableW(L"TMP", m_savedTmp[0] ? m_savedTmp : nullptr); }

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

    Rows Tables() const { return ListRows(m_ui->Item(IDC_HOST_TABLES)); }
    Rows Applied() const { return ListRows(m_ui->Item(IDC_HOST_APPLIED)); }
    std::wstring Status(int id) const { return m_ui->Text(id); }
    // A copy of the module's tables, taken where the module lives.
    std::vector<CMatPropData> ModuleSeries() const {
        std::vector<CMatPropData> series;
        m_ui->OnUiThread([&] { series = m_host->Module()->m_series; });
        return series;
    }

    // Opens a file dialog from a button of the input dialog and chooses `path` in it.
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
        EXPECT_NE(m_ui->Text(IDC_CONSOLE_OUTPUT).find(L"Exit Code: 0"), std::wstring::npos);
        EXPECT_TRUE(m_ui->RepeatUntilClosed([&] { m_ui->Click(IDOK); }));
        EXPECT_TRUE(m_ui->ReturnFromPopup());
        EXPECT_TRUE(m_ui->ReturnFromPopup());
        return Status(IDC_HOST_RESULT_FILE);
    }
    bool InJobParent(const std::wstring& file) const {
        return fs::path(file).parent_path().parent_path() == fs::path(m_jobTemp) / L"Kestrum";
    }

    TempDir m_temp;
    std::wstring m_jobTemp = m_temp.File(L"temp");
    wchar_t m_savedTmp[MAX_PATH] = {};
    // The file dialogs take Windows paths: the preset is chosen from a copy in the test's folder.
    std::wstring m_preset = m_temp.File(L"alsi7mg0.3.vjp");
    CHostWnd* m_host = nullptr;
    CUiDriver* m_ui = nullptr;
};

TEST_F(HostWindow, QueryCalculatesTheListShowsTheModuleTablesAndTheJobFoldersGoWithDeleteAndWithClosing) {
    std::wstring deleted, leftAtClose;
    Run([&] {
        EXPECT_EQ(std::tuple(Tables().size(), Status(IDC_HOST_RESULT_FILE), Status(IDC_HOST_SOURCE),
                             Status(IDC_HOST_SOLIDUS)),
                  std::tuple(0u, L"None", L"None", L"-"));
        // A cancelled query changes nothing.
        ASSERT_TRUE(m_ui->Click(IDC_HOST_QUERY));
        ASSERT_TRUE(m_ui->WaitForPopup());
        EXPECT_TRUE(m_ui->Click(IDCANCEL));
        ASSERT_TRUE(m_ui->ReturnFromPopup());
        EXPECT_EQ(std::tuple(Tables().size(), Status(IDC_HOST_SOURCE)), std::tuple(0u, L"None"));

        deleted = Calculate();
        EXPECT_TRUE(InJobParent(deleted)) << CString(deleted.c_str()).ToUtf8();
        EXPECT_TRUE(fs::exists(deleted));
        EXPECT_EQ(Status(IDC_HOST_SOURCE), L"Calculated");

        // One row per series, in the module's order, its first and last temperature rounded.
        const std::vector<CMatPropData> series = ModuleSeries();
        const Rows rows = Tables();
        ASSERT_EQ(rows.size(), series.size());
        ASSERT_FALSE(rows.empty());
        for (size_t i = 0; i < rows.size(); ++i) {
            const CMatPropData& s = series[i];
            SCOPED_TRACE(s.m_dataType);
            EXPECT_EQ(std::tuple(rows[i][0], rows[i][1], rows[i][3]),
                      std::tuple(std::wstring(s.m_name), std::to_wstring(s.m_dataType),
                                 std::to_wstring(s.m_points.size())));
            if (!s.m_points.empty()) {
                EXPECT_NEAR(Leading(rows[i][4]), s.m_points.front().x, 0.006);
                EXPECT_NEAR(Leading(rows[i][5]), s.m_points.back().x, 0.006);
            }
        }
        // The data type's name beside its number, for a few that the reader always adds here.
        std::vector<std::wstring> names;
        for (const auto& row : rows) {
            if (row[1] == L"15" || row[1] == L"30" || row[1] == L"34")
                names.push_back(row[2]);
        }
        EXPECT_EQ(names, (std::vector<std::wstring>{L"Density alloy", L"Solidus Temperature",
                                                    L"Volume Change of Solidification Shrinkage"}));

        // Solidus and liquidus are the temperatures of the module's single-point series, the shrinkage
        // the value of its own.
        const auto point = [&](int type) {
            for (const CMatPropData& s : series) {
                if (s.m_dataType == type)
                    return s.m_points.at(0);
            }
            return GraphPoint{-1.0f, -1.0f};
        };
        EXPECT_NEAR(Leading(Status(IDC_HOST_SOLIDUS)), point(30).x, 0.006);
        EXPECT_NEAR(Leading(Status(IDC_HOST_LIQUIDUS)), point(31).x, 0.006);
        EXPECT_NEAR(Leading(Status(IDC_HOST_SHRINKAGE)), point(34).y, 0.006);
        EXPECT_TRUE(Status(IDC_HOST_LIQUIDUS).ends_with(L" C"));
        EXPECT_TRUE(Status(IDC_HOST_SHRINKAGE).ends_with(L" %"));
        EXPECT_TRUE(m_ui->Screenshot(L"host_tables"));

        // The job folder goes; the tables stay, as the module keeps them.
        EXPECT_TRUE(m_ui->Click(IDC_HOST_DELETE_TEMP));
        EXPECT_FALSE(fs::exists(fs::path(deleted).parent_path()));
        EXPECT_EQ(std::tuple(Status(IDC_HOST_RESULT_FILE), Status(IDC_HOST_SOURCE), Tables().size()),
                  std::tuple(L"None", L"None", rows.size()));

        leftAtClose = Calculate();
        EXPECT_TRUE(fs::exists(leftAtClose));
    });
    // Closing the host removes the last calculation's job folder too.
    EXPECT_TRUE(InJobParent(leftAtClose));
    EXPECT_NE(leftAtClose, deleted);
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
        EXPECT_FALSE(Tables().empty());
        EXPECT_TRUE(m_ui->Click(IDC_HOST_DELETE_TEMP));
        EXPECT_EQ(Status(IDC_HOST_SOURCE), L"None");
    });
    EXPECT_EQ(ReadBytes(dat), bytes);
    EXPECT_TRUE(fs::exists(out));
}

// The data types the host takes each get a slot of their own; temperatures, per-mole variants, the
// unknown and null types and the single-value derived ones do not.
TEST(HostExport, TakesTheCastingPropertiesAndHandsOverWhatApplyPropsReceived) {
    CHostExport host;
    std::vector<int32_t> slots;
    for (const int32_t type : {4, 5, 6, 10, 15, 18, 19, 21, 23, 24, 28, 29, 35})
        slots.push_back(host.QueryDataType(type));
    EXPECT_EQ(slots, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    for (const int32_t type : {-1, 0, 1, 2, 3, 14, 20, 22, 25, 30, 31, 34, 36})
        EXPECT_EQ(host.QueryDataType(type), -1) << type;

    int calls = 0;
    host.onApply = [&] { ++calls; };
    std::vector<CMatPropData> list(2);
    list[0].m_dataType = static_cast<KESTRUMMOD_DATATYPE>(15);
    list[0].m_exportFlag = 1;
    list[0].m_points = {{1.0f, 2.0f}, {3.0f, 4.0f}};
    std::wcscpy(list[0].m_name, L"D-TOTAL");
    list[1].m_dataType = static_cast<KESTRUMMOD_DATATYPE>(4);
    host.ApplyProps(&list);
    list.clear();
    ASSERT_EQ(host.Applied().size(), 2u);
    EXPECT_EQ(std::tuple(host.Applied()[0].name, host.Applied()[0].dataType, host.Applied()[0].exportFlag,
                         host.Applied()[0].pointCount, host.Applied()[1].exportFlag, calls),
              std::tuple(L"D-TOTAL", 15, 1, 2u, 0, 1));
}

} // namespace
