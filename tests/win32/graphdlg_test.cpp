// The graph window as a host shows it: owned by a host window whose message loop knows nothing of our
// dialogs (no IsDialogMessage), driven as a person would, with the export dialog and the file dialog.
#include <windows.h>

#include <commctrl.h>

#include <cwchar>
#include <filesystem>
#include <functional>
#include <string>
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

// The host's side: what it was asked and what it was handed.
class CHostExport : public IKestrumModExport {
public:
    int32_t ApplyProps(std::vector<CMatPropData>* list) override {
        m_applied.push_back(list);
        m_flags.clear();
        for (const CMatPropData& series : *list)
            m_flags.push_back(series.m_exportFlag);
        return 1;
    }
    // 0 is a "yes" as good as any value but -1.
    int32_t QueryDataType(int32_t type) override {
        m_asked.push_back(type);
        return type == kRefused ? -1 : 0;
    }
    std::vector<int> m_asked;
    std::vector<const void*> m_applied;
    std::vector<int> m_flags;
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
const std::vector<GraphPoint> kFractionThinned{{0, 1}, {40, 0}};
const std::vector<GraphPoint> kDensityThinned{{0, 2700}, {20, 2680}, {40, 2320}};

// What the window shows, read on the user-interface thread.
struct View {
    std::vector<std::wstring> entries;
    std::vector<DWORD_PTR> items;
    int selected = -1;
    std::vector<GraphPoint> points;
    GraphPoint axisMax{};
    std::wstring xTitle, yTitle, tip;
    int symbols = -1;
    bool symbolBox = false, rawBox = false;
};

View Look(CUiDriver& ui) {
    View v;
    EXPECT_TRUE(ui.OnUiThread([&] {
        CGraphDlg& dlg = *g_pGraphDlg;
        for (int i = 0; i < dlg.m_propList.GetCount(); ++i) {
            v.entries.push_back(dlg.m_propList.GetLBText(i).Str());
            v.items.push_back(dlg.m_propList.GetItemData(i));
        }
        v.selected = dlg.m_propList.GetCurSel();
        v.points = dlg.m_graph.m_points;
        v.axisMax = dlg.m_graph.m_axisMax;
        v.xTitle = dlg.m_graph.m_xTitle.Str();
        v.yTitle = dlg.m_graph.m_yTitle.Str();
        v.symbols = dlg.m_graph.m_showSymbols;
        v.symbolBox = dlg.m_showSymbol.GetCheck() == BST_CHECKED;
        v.rawBox = dlg.m_rawData.GetCheck() == BST_CHECKED;
        wchar_t text[256] = {};
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = dlg.m_hWnd;
        tool.uId = reinterpret_cast<UINT_PTR>(dlg.m_propList.m_hWnd);
        tool.lpszText = text;
        dlg.m_toolTip.SendMessage(TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
        v.tip = text;
    }));
    return v;
}

// An arrow key in the property list, as a person clicks into it and presses the key.
void ListKey(CUiDriver& ui, UINT vk) {
    const HWND list = ui.Item(IDC_GRAPH_PROPERTY);
    ui.OnUiThread([list] { ::SetFocus(list); });
    ui.PressKey(vk);
}

HWND Focus(CUiDriver& ui) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(ui.Dialog(), nullptr), &info);
    return info.hwndFocus;
}

// A host's plain loop around its window; the graph window is owned by it and closes with it.
void RunHostLoop() {
    static const ATOM hostClass = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = L"KestrumTestHost";
        return ::RegisterClassW(&wc);
    }();
    const HWND owner =
        ::CreateWindowExW(0, MAKEINTATOM(hostClass), L"Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 30, 40, 320,
                          300, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ::SetFocus(owner);
    MSG msg;
    while (::IsWindow(owner) && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    if (::IsWindow(owner))
        ::DestroyWindow(owner);
}

class GraphWindow : public ::testing::Test {
protected:
    GraphWindow() {
        m_module.CMatProps::operator=(Tables());
        m_module.SetExportInterface(&m_host);
    }
    ~GraphWindow() override { EXPECT_EQ(g_pGraphDlg, nullptr); }

    // A calculated result as a calculation leaves it: the result file in a fresh job folder.
    static std::wstring MakeJob(CKestrumModImpl& module) {
        const CString folder = CreateJobFolderName();
        EXPECT_EQ(CreateJobFolder(folder.GetString()), 1);
        const CString result = GetJobResultPath(folder.GetString());
        WriteBytes(result.Str(), "T(C)\tD-TOTAL\n1\t2\n");
        module.m_resultKind = 1;
        std::wcscpy(module.m_resultPath, result.GetString());
        return folder.Str();
    }

    // Opens `module`'s graph window over the host's window and runs `script` on it; the host then
    // closes its own window.
    void Run(CKestrumModImpl& module, const std::function<void(CUiDriver&)>& script) {
        RunModalScript(
            [] {
                RunHostLoop();
                return INT_PTR(0);
            },
            [&](CUiDriver& ui) {
                ASSERT_TRUE(ui.WaitForDialog());
                m_owner = ui.Dialog();
                int opened = 0;
                ASSERT_TRUE(ui.OnUiThread([&] { opened = module.Graph_Show(m_owner); }));
                EXPECT_EQ(opened, 1);
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
        EXPECT_EQ(graph.left, host.right);
        EXPECT_EQ(graph.top, host.top);
        EXPECT_EQ(m_host.m_asked, (std::vector<int>{2, 4, 15, 0, kRefused, 10, -1}));
        EXPECT_TRUE(ui.Visible(IDC_GRAPH_SAVE) && ui.Enabled(IDC_GRAPH_SAVE));

        View v = Look(ui);
        EXPECT_EQ(v.entries, (std::vector<std::wstring>{L"Fraction liquid (weight fraction) [ No Unit ]",
                                                        L"Density alloy [ kg/m^3 ]",
                                                        L"Thermal conductivity - TOTAL [ W/(m*K) ]"}));
        EXPECT_EQ(v.items, (std::vector<DWORD_PTR>{1, 2, 5}));
        EXPECT_EQ(v.selected, 0);
        EXPECT_EQ(v.points, kFractionThinned);
        EXPECT_EQ(v.xTitle, L"Temperture (C)");
        EXPECT_EQ(v.yTitle, L"Fraction liquid (weight fraction)");
        EXPECT_EQ(v.tip, v.yTitle);
        EXPECT_TRUE(v.symbols == 1 && v.symbolBox && !v.rawBox);

        // The list has the focus: arrow keys choose the property.
        EXPECT_EQ(Focus(ui), ui.Item(IDC_GRAPH_PROPERTY));
        ListKey(ui, VK_DOWN);
        v = Look(ui);
        EXPECT_EQ(v.points, kDensityThinned);
        EXPECT_EQ(v.yTitle, L"Density alloy[kg/m^3]");
        EXPECT_EQ(v.tip, v.yTitle);
        EXPECT_TRUE(ui.Screenshot(L"graph_window"));

        // Raw data per property: kept while another is shown, thinned anew when turned off.
        ui.Click(IDC_GRAPH_RAW_DATA);
        EXPECT_EQ(Look(ui).points, Tables().m_series[2].m_points);
        ui.Notify(IDC_GRAPH_PROPERTY, CBN_SELCHANGE); // the same selection again changes nothing
        EXPECT_TRUE(Look(ui).rawBox);
        ListKey(ui, VK_UP);
        EXPECT_FALSE(Look(ui).rawBox);
        ListKey(ui, VK_DOWN);
        v = Look(ui);
        EXPECT_TRUE(v.rawBox);
        EXPECT_EQ(v.points.size(), 5u);
        ui.Click(IDC_GRAPH_RAW_DATA);
        v = Look(ui);
        EXPECT_FALSE(v.rawBox);
        EXPECT_EQ(v.points, kDensityThinned);

        // A property without points: the empty graph's range.
        ListKey(ui, VK_DOWN);
        v = Look(ui);
        EXPECT_TRUE(v.points.empty());
        EXPECT_FLOAT_EQ(v.axisMax.x, 10.1f);

        ui.Click(IDC_GRAPH_SHOW_SYMBOL);
        EXPECT_EQ(Look(ui).symbols, 0);
        ui.Click(IDC_GRAPH_SHOW_SYMBOL);
        EXPECT_EQ(Look(ui).symbols, 1);

        // Keys through the host's loop: Tab moves on, Enter closes.
        ui.OnUiThread([&] { ::SetFocus(ui.Item(IDC_GRAPH_SHOW_SYMBOL)); });
        ui.PressKey(VK_TAB);
        EXPECT_EQ(Focus(ui), ui.Item(IDC_GRAPH_SAVE));
        ui.OnUiThread([&] { ::SetFocus(ui.Item(IDC_GRAPH_RAW_DATA)); });
        ui.PressKey(VK_RETURN);
        EXPECT_TRUE(ui.ReturnFromPopup());
        EXPECT_EQ(g_pGraphDlg, nullptr);
    });
}

TEST_F(GraphWindow, ApplyHandsTheCheckedPropertiesOverAndCancelChangesNothing) {
    struct Case {
        bool host;
        size_t entries;
        std::vector<std::wstring> rows; // type name and point count of each row
    };
    const std::vector<std::wstring> taken{L"Temperture (C) 2", L"Fraction liquid (weight fraction) 2",
                                          L"Density alloy 3", L"Thermal conductivity - TOTAL 0"};
    std::vector<std::wstring> all = taken;
    all.insert(all.begin() + 3, L"Liquid viscosity 2");
    // Without an export interface every plotted type is listed and offered.
    for (const Case& c : {Case{true, 3, taken}, Case{false, 4, all}}) {
        SCOPED_TRACE(c.host);
        m_module.SetExportInterface(c.host ? &m_host : nullptr);
        m_host = CHostExport();
        std::vector<int> flags;
        const void* working = nullptr;
        Run([&](CUiDriver& ui) {
            EXPECT_EQ(Look(ui).entries.size(), c.entries);
            for (const int button : {IDCANCEL, IDOK}) {
                ASSERT_TRUE(ui.Click(IDC_GRAPH_APPLY));
                ASSERT_TRUE(ui.WaitForPopup());
                const HWND list = ui.Item(IDC_EXPORT_LIST);
                std::vector<std::wstring> rows;
                for (int row = 0; row < ListView_GetItemCount(list); ++row) {
                    wchar_t name[128] = {}, count[16] = {};
                    ListView_GetItemText(list, row, 1, name, 128);
                    ListView_GetItemText(list, row, 2, count, 16);
                    rows.push_back(std::wstring(name) + L" " + count);
                }
                EXPECT_EQ(rows, c.rows);
                if (button == IDOK) {
                    EXPECT_TRUE(!c.host || ui.Screenshot(L"graph_window_apply"));
                    ui.PressKey(VK_DOWN); // fraction liquid's box cleared
                    ui.PressKey(VK_SPACE);
                }
                ui.Click(button);
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
        const std::vector<int> expected{1, 0, 1, 0, c.host ? 0 : 1, 1, 0};
        EXPECT_EQ(flags, expected);
        if (c.host) {
            EXPECT_EQ(m_host.m_applied, std::vector<const void*>{working});
            EXPECT_EQ(m_host.m_flags, expected);
        }
    }
}

TEST_F(GraphWindow, SaveCopiesTheResultAndClosingRemovesItsJobFolder) {
    const std::wstring job = MakeJob(m_module);
    const std::wstring copy = m_temp.File(L"copy.out");
    const std::wstring nowhere = m_temp.File(L"missing\\copy.out");
    WriteBytes(copy, "older");
    std::wstring message;
    Run([&](CUiDriver& ui) {
        // An existing file is replaced without a question.
        ASSERT_TRUE(ui.Click(IDC_GRAPH_SAVE));
        ASSERT_TRUE(ui.WaitForPopup());
        ui.ChooseFile(copy);
        ASSERT_TRUE(ui.ReturnFromPopup());
        EXPECT_EQ(ReadBytes(copy), ReadBytes(m_module.m_resultPath));

        ASSERT_TRUE(ui.Click(IDC_GRAPH_SAVE));
        ASSERT_TRUE(ui.WaitForPopup());
        ui.ChooseFile(nowhere);
        ASSERT_TRUE(ui.ReturnFromPopup());
        ASSERT_TRUE(ui.WaitForPopup());
        message = ui.MessageText();
        ui.Click(IDOK);
        ASSERT_TRUE(ui.ReturnFromPopup());

        // A second open only shows the window: the lists stay as they were.
        const CGraphDlg* first = g_pGraphDlg;
        ui.OnUiThread([&] {
            ::SetFocus(m_owner);
            m_module.m_series.push_back(Series(17, {{0, 1}}));
            m_module.Graph_Show(m_owner);
        });
        EXPECT_EQ(g_pGraphDlg, first);
        EXPECT_EQ(::GetForegroundWindow(), ui.Dialog());
        EXPECT_EQ(Look(ui).entries.size(), 3u);

        int hidden = 0, again = 0, valid = -1;
        ui.OnUiThread([&] {
            hidden = m_module.Graph_Hide();
            valid = m_module.Graph_IsValid();
            again = m_module.Graph_Hide();
        });
        EXPECT_TRUE(ui.ReturnFromPopup());
        EXPECT_EQ(std::vector<int>({hidden, valid, again}), std::vector<int>({1, 0, 1}));
    });
    EXPECT_EQ(message, L"Failed to copy the output file.(3)\n" + job + L"vuzaziza.out\n" + nowhere);
    EXPECT_FALSE(std::filesystem::exists(job));
    EXPECT_EQ(m_module.m_resultPath[0], L'\0');
}

TEST_F(GraphWindow, ImportedResultHidesSaveAndAReleasedModuleIsLeftAlone) {
    // Imported: no Save, and Escape's clean-up leaves the user's file.
    const std::wstring mine = m_temp.File(L"mine.out");
    WriteBytes(mine, "T(C)\n");
    m_module.m_resultKind = 0;
    std::wcscpy(m_module.m_resultPath, mine.c_str());
    Run([&](CUiDriver& ui) {
        EXPECT_FALSE(ui.Visible(IDC_GRAPH_SAVE) || ui.Enabled(IDC_GRAPH_SAVE));
        ui.PressKey(VK_ESCAPE);
        EXPECT_TRUE(ui.ReturnFromPopup());
    });
    EXPECT_TRUE(std::filesystem::exists(mine));
    EXPECT_EQ(m_module.IsImported(), 0);

    // Released while open: the window works on its copies, Save does nothing, closing touches nothing.
    auto* released = static_cast<CKestrumModImpl*>(KESTRUMMOD_Create(L""));
    released->CMatProps::operator=(Tables());
    released->SetExportInterface(&m_host);
    const std::wstring job = MakeJob(*released);
    Run(*released, [&](CUiDriver& ui) {
        ui.OnUiThread([&] { KESTRUMMOD_Release(released); });
        EXPECT_EQ(g_pGraphModule, nullptr);
        ListKey(ui, VK_DOWN);
        EXPECT_EQ(Look(ui).points, kDensityThinned);
        ui.Click(IDC_GRAPH_SAVE);
        EXPECT_EQ(ui.WaitForPopup(1000), nullptr);
        ui.Click(IDCANCEL);
        EXPECT_TRUE(ui.ReturnFromPopup());
    });
    EXPECT_TRUE(std::filesystem::exists(job));
}

TEST_F(GraphWindow, AParentThatIsNoWindowOpensNothing) {
    const HWND gone =
        ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ::DestroyWindow(gone);
    EXPECT_EQ(m_module.Graph_Show(gone), 0);
    EXPECT_EQ(g_pGraphDlg, nullptr);
    EXPECT_EQ(m_module.Graph_IsValid(), 0);
}

} // namespace
