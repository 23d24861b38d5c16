// The graph window as a host shows it: owned by a host window whose message loop knows nothing of our
// dialogs (no IsDialogMessage), driven as a person would, with the export dialog and the file dialog.
#include <windows.h>

#include <commctrl.h>

#include <cwchar>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "calc/job.h"
#include "framework/reschain.h"
#include "graph/graphdlg.h"
#include "res/resource.h"
#include "support/series.h"
#include "support/testfiles.h"
#include "win32/jobtemp.h"
#include "win32/uiharness.h"

namespace {

const bool g_ready = [] {
    RegisterResourceModule(::GetModuleHandleW(nullptr));
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    return ::InitCommonControlsEx(&controls) != FALSE;
}();

constexpr int kRefused = 18;

// The host's side: what it was asked and what it was handed, with the flags it found.
struct CHostExport : IKestrumModExport {
    int32_t ApplyProps(std::vector<CMatPropData>* list) override {
        m_applied.push_back(list);
        for (const CMatPropData& series : *list)
            m_flags.push_back(series.m_exportFlag);
        return 1;
    }
    // 0 is a "yes" as good as any value but -1.
    int32_t QueryDataType(int32_t type) override {
        m_asked.push_back(type);
        return type == kRefused ? -1 : 0;
    }
    std::vector<int> m_asked, m_flags;
    std::vector<const void*> m_applied;
};

// Temperature, a straight fraction-liquid line (thinned to its ends), a density with one kink (thinned
// to three points), unknown, a type the host refuses (already flagged), one without points, null.
CMatProps Tables() {
    CMatProps set;
    set.m_series = {Series(2, {{0, 0}, {10, 10}, {20, 20}}),
                    Series(4, {{0, 1}, {10, 0.75f}, {20, 0.5f}, {30, 0.25f}, {40, 0}}),
                    Series(15, {{0, 2700}, {10, 2690}, {20, 2680}, {30, 2500}, {40, 2320}}),
                    Series(0, {{0, 1}, {1, 2}}),
                    Series(kRefused, {{0, 1}, {1, 2}}),
                    Series(10),
                    Series(-1, {{0, 1}})};
    set.m_series[4].m_exportFlag = 1;
    return set;
}

// What the window shows in one line, read on the user-interface thread: the selected entry, the
// points drawn (for none the x title and the axis' end), the Raw Data box, symbols drawn and their box,
// and the y title (which the list's tip repeats).
std::wstring State(CUiDriver& ui) {
    std::wstring line;
    EXPECT_TRUE(ui.OnUiThread([&] {
        CGraphDlg& dlg = *g_pGraphDlg;
        line = std::to_wstring(dlg.m_propList.GetCurSel());
        for (const GraphPoint& p : dlg.m_graph.m_points)
            line += L" " + std::to_wstring(int(p.x)) + L":" + std::to_wstring(int(p.y));
        if (dlg.m_graph.m_points.empty())
            line += L" " + dlg.m_graph.m_xTitle.Str() + L" to " +
                    std::to_wstring(int(dlg.m_graph.m_axisMax.x * 10));
        line += L"; raw" + std::to_wstring(dlg.m_rawData.GetCheck()) + L" sym" +
                std::to_wstring(dlg.m_graph.m_showSymbols) + std::to_wstring(dlg.m_showSymbol.GetCheck()) +
                L"; " + dlg.m_graph.m_yTitle.Str();
        wchar_t tip[256] = {};
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = dlg.m_hWnd;
        tool.uId = reinterpret_cast<UINT_PTR>(dlg.m_propList.m_hWnd);
        tool.lpszText = tip;
        dlg.m_toolTip.SendMessage(TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
        if (tip != dlg.m_graph.m_yTitle.Str())
            line += L"; tip " + std::wstring(tip);
    }));
    return line;
}

std::vector<std::wstring> Entries(CUiDriver& ui) {
    std::vector<std::wstring> entries;
    ui.OnUiThread([&] {
        for (int i = 0; i < g_pGraphDlg->m_propList.GetCount(); ++i)
            entries.push_back(g_pGraphDlg->m_propList.GetLBText(i).Str() + L" #" +
                              std::to_wstring(g_pGraphDlg->m_propList.GetItemData(i)));
    });
    return entries;
}

// The export dialog's list in one line: each column's heading and width (-1 for the one that fills the
// client width less 123), then each row's check box ("x" or "_"), type name and point count.
std::wstring ExportTable(HWND list) {
    RECT client{};
    ::GetClientRect(list, &client);
    std::wstring table = ::IsWindowEnabled(ListView_GetHeader(list)) ? L"sortable" : L"";
    for (int i = 0; i < 3; ++i) {
        wchar_t heading[64] = {};
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = heading;
        column.cchTextMax = 64;
        ListView_GetColumn(list, i, &column);
        table += heading + (L"/" + std::to_wstring(column.cx == client.right - 123 ? -1 : column.cx)) + L"|";
    }
    int row = 0;
    for (const auto& cells : ListViewRows(list))
        table += (ListView_GetCheckState(list, row++) ? L" x " : L" _ ") + cells.at(1) + L" " + cells.at(2);
    return table;
}

// An arrow key in the property list, as a person clicks into it and presses the key.
void ListKey(CUiDriver& ui, UINT vk) {
    const HWND list = ui.Item(IDC_GRAPH_PROPERTY);
    ui.OnUiThread([list] { ::SetFocus(list); });
    ui.PressKey(vk);
}

// A host's plain loop around its window; the graph window is owned by it and closes with it.
INT_PTR RunHostLoop() {
    const HWND owner = ::CreateWindowExW(0, L"STATIC", L"Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 30, 40, 320,
                                         300, nullptr, nullptr, nullptr, nullptr);
    ::SetFocus(owner);
    MSG msg;
    while (::IsWindow(owner) && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}

class GraphWindow : public ::testing::Test {
protected:
    GraphWindow() {
        m_module.CMatProps::operator=(Tables());
        m_module.SetExportInterface(&m_host);
    }
    ~GraphWindow() override { EXPECT_EQ(g_pGraphDlg, nullptr); }

    // Opens `module`'s graph window over the host's window and runs `script` on it; the host then
    // closes its own window.
    void Run(CKestrumModImpl& module, const std::function<void(CUiDriver&)>& script) {
        RunModalScript(RunHostLoop, [&](CUiDriver& ui) {
            ASSERT_TRUE(ui.WaitForDialog());
            m_owner = ui.Dialog();
            ui.OnUiThread([&] { EXPECT_EQ(module.Graph_Show(m_owner), 1); });
            ASSERT_TRUE(ui.WaitForPopup());
            script(ui);
            ::PostMessageW(m_owner, WM_CLOSE, 0, 0);
        });
    }
    void Run(const std::function<void(CUiDriver&)>& script) { Run(m_module, script); }

    TempDir m_temp;
    CJobTemp m_jobTemp{m_temp.File(L"temp")};
    CHostExport m_host;
    CKestrumModImpl m_module{L""};
    HWND m_owner = nullptr;
};

TEST_F(GraphWindow, OpensBesideTheHostListsWhatItTakesAndFollowsTheControls) {
    Run([&](CUiDriver& ui) {
        RECT host{}, graph{};
        ::GetWindowRect(m_owner, &host);
        ::GetWindowRect(ui.Dialog(), &graph);
        EXPECT_EQ(std::pair(graph.left, graph.top), std::pair(host.right, host.top));
        EXPECT_EQ(m_host.m_asked, (std::vector<int>{2, 4, 15, 0, kRefused, 10, -1}));
        EXPECT_EQ(Entries(ui), (std::vector<std::wstring>{L"Fraction liquid (weight fraction) [ No Unit ] #1",
                                                          L"Density alloy [ kg/m^3 ] #2",
                                                          L"Thermal conductivity - TOTAL [ W/(m*K) ] #5"}));
        EXPECT_EQ(ui.Focus(), ui.Item(IDC_GRAPH_PROPERTY)) << "arrow keys choose the property";
        const std::wstring fraction = L"0 0:1 40:0; raw0 sym11; Fraction liquid (weight fraction)";
        const std::wstring density = L"1 0:2700 20:2680 40:2320; raw0 sym11; Density alloy[kg/m^3]";
        const std::wstring raw =
            L"1 0:2700 10:2690 20:2680 30:2500 40:2320; raw1 sym11; Density alloy[kg/m^3]";
        const std::wstring conductivity = L"2 Temperture (C) to 101; raw0 sym";
        // Raw data is kept per property while another is shown, and thinned anew when turned off.
        const std::vector<std::pair<std::function<void()>, std::wstring>> steps{
            {[] {}, fraction},
            {[&] { ListKey(ui, VK_DOWN); }, density},
            {[&] { ui.Click(IDC_GRAPH_RAW_DATA); }, raw},
            {[&] { ui.Notify(IDC_GRAPH_PROPERTY, CBN_SELCHANGE); }, raw}, // the same entry again
            {[&] { ListKey(ui, VK_UP); }, fraction},
            {[&] { ListKey(ui, VK_DOWN); }, raw},
            {[&] { ui.Click(IDC_GRAPH_RAW_DATA); }, density},
            {[&] { ListKey(ui, VK_DOWN); }, conductivity + L"11; Thermal conductivity - TOTAL[W/(m*K)]"},
            {[&] { ui.Click(IDC_GRAPH_SHOW_SYMBOL); },
             conductivity + L"00; Thermal conductivity - TOTAL[W/(m*K)]"},
            {[&] { ui.Click(IDC_GRAPH_SHOW_SYMBOL); },
             conductivity + L"11; Thermal conductivity - TOTAL[W/(m*K)]"},
        };
        for (const auto& [act, state] : steps) {
            act();
            EXPECT_EQ(State(ui), state);
        }
        ListKey(ui, VK_UP);
        EXPECT_TRUE(ui.Screenshot(L"graph_window"));

        // Keys through the host's loop: Tab moves on, Enter closes.
        ui.OnUiThread([&] { ::SetFocus(ui.Item(IDC_GRAPH_SHOW_SYMBOL)); });
        ui.PressKey(VK_TAB);
        EXPECT_EQ(ui.Focus(), ui.Item(IDC_GRAPH_SAVE));
        ui.OnUiThread([&] { ::SetFocus(ui.Item(IDC_GRAPH_RAW_DATA)); });
        ui.PressKey(VK_RETURN);
        EXPECT_TRUE(ui.ReturnFromPopup());
    });
}

// The export dialog lists the types the host takes, checked, with their point counts, row 0 focused;
// OK hands the working series over with the boxes' flags, Cancel or a list that lost a row nothing.
// An empty list confirms.
TEST_F(GraphWindow, ApplyHandsTheCheckedPropertiesOverAndCancelChangesNothing) {
    // Without an export interface every plotted type is listed and offered.
    for (const bool host : {true, false}) {
        SCOPED_TRACE(host);
        m_module.SetExportInterface(host ? &m_host : nullptr);
        m_host = CHostExport();
        std::vector<int> flags;
        const void* working = nullptr;
        Run([&](CUiDriver& ui) {
            EXPECT_EQ(Entries(ui).size(), host ? 3u : 4u);
            for (const int button : {IDCANCEL, IDRETRY, IDOK}) { // IDRETRY: a row deleted, then OK
                ASSERT_TRUE(ui.Click(IDC_GRAPH_APPLY) && ui.WaitForPopup());
                const HWND list = ui.Item(IDC_EXPORT_LIST);
                EXPECT_EQ(
                    ExportTable(list),
                    L"/23|Property Type/-1|Data Count/100| x Temperture (C) 2 x Fraction liquid (weight "
                    L"fraction) 2 x Density alloy 3" +
                        std::wstring(host ? L"" : L" x Liquid viscosity 2") +
                        L" x Thermal conductivity - TOTAL 0");
                EXPECT_TRUE(button != IDOK || ui.Screenshot(L"export_dialog"));
                if (button == IDRETRY)
                    ListView_DeleteItem(list, 0);
                if (button == IDOK) {
                    ui.PressKey(VK_DOWN); // fraction liquid's box cleared
                    ui.PressKey(VK_SPACE);
                }
                ui.Click(button == IDCANCEL ? IDCANCEL : IDOK);
                ASSERT_TRUE(ui.ReturnFromPopup());
                EXPECT_TRUE(m_host.m_applied.empty() || button == IDOK);
            }
            ui.OnUiThread([&] {
                working = &g_pGraphDlg->m_workProps.m_series;
                for (const CMatPropData& series : g_pGraphDlg->m_workProps.m_series)
                    flags.push_back(series.m_exportFlag);
            });
        });
        // Unlisted and cleared properties 0, the refused one's earlier flag too.
        const std::vector<int> expected{1, 0, 1, 0, host ? 0 : 1, 1, 0};
        EXPECT_EQ(flags, expected);
        EXPECT_EQ(m_host.m_applied, host ? std::vector<const void*>{working} : std::vector<const void*>{});
        EXPECT_EQ(m_host.m_flags, host ? expected : std::vector<int>{});
    }
    // The host (left empty by the last pass) is handed a module's empty tables.
    CKestrumModImpl none{L""};
    none.SetExportInterface(&m_host);
    Run(none, [&](CUiDriver& ui) {
        ASSERT_TRUE(ui.Click(IDC_GRAPH_APPLY) && ui.WaitForPopup());
        EXPECT_TRUE(ui.Click(IDOK) && ui.ReturnFromPopup());
    });
    EXPECT_EQ(m_host.m_applied.size(), 1u);
}

// A failed copy says why; a second open only shows the window, its lists as they were; a module
// released while the window is open leaves it working on its copies, Save doing nothing, and its job
// folder untouched at closing.
TEST_F(GraphWindow, SaveFailureSecondOpenAndAModuleReleasedWhileOpen) {
    auto* module = static_cast<CKestrumModImpl*>(KESTRUMMOD_Create(L""));
    module->CMatProps::operator=(Tables());
    module->SetExportInterface(&m_host);
    // A calculated result as a calculation leaves it: the result file in a fresh job folder.
    const CString job = CreateJobFolderName();
    ASSERT_EQ(CreateJobFolder(job.GetString()), 1);
    const CString result = GetJobResultPath(job.GetString());
    WriteBytes(result.Str(), "T(C)\tD-TOTAL\n1\t2\n");
    std::wcscpy(module->m_resultPath, result.GetString());
    const std::wstring nowhere = m_temp.File(L"missing\\copy.out");
    std::wstring message;
    Run(*module, [&](CUiDriver& ui) {
        ASSERT_TRUE(ui.ChooseFileFrom(IDC_GRAPH_SAVE, nowhere));
        ASSERT_TRUE(ui.WaitForPopup());
        message = ui.MessageText();
        ASSERT_TRUE(ui.Click(IDOK) && ui.ReturnFromPopup());

        const CGraphDlg* first = g_pGraphDlg;
        ui.OnUiThread([&] {
            ::SetFocus(m_owner);
            module->m_series.push_back(Series(17, {{0, 1}}));
            module->Graph_Show(m_owner);
        });
        EXPECT_EQ(std::tuple(g_pGraphDlg, ::GetForegroundWindow(), Entries(ui).size()),
                  std::tuple(first, ui.Dialog(), 3u));

        ui.OnUiThread([&] { KESTRUMMOD_Release(module); });
        EXPECT_EQ(g_pGraphModule, nullptr);
        ListKey(ui, VK_DOWN);
        EXPECT_EQ(State(ui), L"1 0:2700 20:2680 40:2320; raw0 sym11; Density alloy[kg/m^3]");
        ui.Click(IDC_GRAPH_SAVE);
        EXPECT_EQ(ui.WaitForPopup(1000), nullptr);
        EXPECT_TRUE(ui.Click(IDCANCEL) && ui.ReturnFromPopup());
    });
    EXPECT_EQ(message, L"Failed to copy the output file.(3)\n" + result.Str() + L"\n" + nowhere);
    EXPECT_TRUE(std::filesystem::exists(job.Str()));
}

TEST_F(GraphWindow, AParentThatIsNoWindowOpensNothing) {
    const HWND gone =
        ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
    ::DestroyWindow(gone);
    EXPECT_EQ(std::tuple(m_module.Graph_Show(gone), g_pGraphDlg, m_module.Graph_IsValid()),
              std::tuple(0, nullptr, 0));
}

} // namespace
