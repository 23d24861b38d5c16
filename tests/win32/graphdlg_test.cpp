// The graph window as a host shows it: owned by a host window whose message loop knows nothing of our
// dialogs (no IsDialogMessage), driven as a person would, with the export dialog and the file dialog.
// The graph is judged by the pixels it paints, read back from the window.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "calc/job.h"
#include "framework/cstring.h"
#include "framework/reschain.h"
#include "graph/graphdlg.h"
#include "res/resource.h"
#include "results/resultfile.h"
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

constexpr KESTRUMMOD_DATATYPE kRefused = JDT_VISC_LIQUID;
// Colours as a 32-bit top-down DIB holds them: 0x00RRGGBB.
constexpr DWORD kTeal = 0x008080;
constexpr DWORD kWhite = 0xFFFFFF;

// --- GDI objects this program's code made and has not deleted ---
// Wine's GetGuiResources counts nothing, so the program's imports of the functions that make and
// delete the control's objects are pointed at wrappers that keep the live handles.

std::mutex g_gdiLock;
std::set<void*> g_gdiLive;
template <class F> F* g_real = nullptr;

// A maker's handle is kept, a deleted one dropped.
template <class R, class... A> R Counted(A... args) {
    const R result = g_real<R(A...)>(args...);
    const std::lock_guard<std::mutex> lock(g_gdiLock);
    if constexpr (std::is_same_v<R, BOOL>) {
        if (result)
            (g_gdiLive.erase(args), ...);
    } else if (result) {
        g_gdiLive.insert(result);
    }
    return result;
}

// Points this program's import slot of gdi32's `name` at `counted`, keeping the function it held.
template <class R, class... A> bool Redirect(const char* name, R (*counted)(A...)) {
    const auto real = reinterpret_cast<ULONG_PTR>(::GetProcAddress(::GetModuleHandleW(L"gdi32.dll"), name));
    auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
    const IMAGE_DATA_DIRECTORY& slots = reinterpret_cast<const IMAGE_NT_HEADERS*>(
                                            base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew)
                                            ->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IAT];
    auto* slot = reinterpret_cast<ULONG_PTR*>(base + slots.VirtualAddress);
    for (auto* end = slot + slots.Size / sizeof *slot; slot != end; ++slot) {
        if (*slot != real)
            continue;
        DWORD protection = 0; // the slot stays writable: nothing else writes it
        g_real<R(A...)> = reinterpret_cast<R (*)(A...)>(real);
        ::VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
        *slot = reinterpret_cast<ULONG_PTR>(counted);
        return true;
    }
    return false;
}

bool CountGdiObjects() {
    static const bool installed = Redirect("CreatePen", &Counted<HPEN, int, int, COLORREF>) &&
                                  Redirect("CreateSolidBrush", &Counted<HBRUSH, COLORREF>) &&
                                  Redirect("CreateFontIndirectW", &Counted<HFONT, const LOGFONTW*>) &&
                                  Redirect("CreateCompatibleBitmap", &Counted<HBITMAP, HDC, int, int>) &&
                                  Redirect("CreateCompatibleDC", &Counted<HDC, HDC>) &&
                                  Redirect("DeleteObject", &Counted<BOOL, HGDIOBJ>) &&
                                  Redirect("DeleteDC", &Counted<BOOL, HDC>);
    return installed;
}

size_t LiveGdiObjects() {
    const std::lock_guard<std::mutex> lock(g_gdiLock);
    return g_gdiLive.size();
}

// --- Pixels ---

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;

    DWORD At(int x, int y) const {
        return x >= 0 && y >= 0 && x < width && y < height ? pixels[size_t(y * width + x)] : CLR_INVALID;
    }
    // Pixels of `colour` in the rectangle.
    int Count(DWORD colour, RECT r) const {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                n += At(x, y) == colour ? 1 : 0;
        return n;
    }
};

Picture Read(HDC source, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}; // top-down
    void* bits = nullptr;
    const HDC memory = ::CreateCompatibleDC(source);
    const HBITMAP dib = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ::SelectObject(memory, dib);
    ::BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
    ::GdiFlush();
    Picture picture{width, height, {static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + width * height}};
    for (DWORD& pixel : picture.pixels)
        pixel &= 0xFFFFFF;
    ::DeleteDC(memory); // the bitmap goes with it out of the context
    ::DeleteObject(dib);
    return picture;
}

// The window shows `text` as GDI draws it on white at `at` with `align` in a copy of the control's
// font: every pixel of the text's ink box alike.
::testing::AssertionResult ShowsText(const Picture& window, HWND graph, const std::wstring& text, POINT at,
                                     UINT align, const FontChange& change = {12, 0, 0}) {
    CClientDC screen(nullptr);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(&screen, window.width, window.height);
    CFont font;
    font.CreateFromFont(reinterpret_cast<HFONT>(::SendMessageW(graph, WM_GETFONT, 0, 0)), change);
    CDC memory;
    memory.CreateCompatibleDC(&screen);
    memory.SelectObject(bitmap);
    memory.SelectObject(font);
    ::PatBlt(memory, 0, 0, window.width, window.height, WHITENESS);
    memory.SetTextAlign(align);
    memory.TextOut(at.x, at.y, text.c_str(), static_cast<int>(text.size()));
    const Picture reference = Read(memory, window.width, window.height);
    RECT ink{window.width, window.height, 0, 0};
    for (int i = 0; i < window.width * window.height; ++i) {
        const LONG x = i % window.width, y = i / window.width;
        if (reference.pixels[i] != kWhite)
            ink = {std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x + 1),
                   std::max(ink.bottom, y + 1)};
    }
    int differing = 0;
    for (int y = ink.top; y < ink.bottom; ++y)
        for (int x = ink.left; x < ink.right; ++x)
            differing += window.At(x, y) != reference.At(x, y) ? 1 : 0;
    if (ink.right == 0 || differing != 0)
        return ::testing::AssertionFailure() << differing << " pixels differ at " << at.x << "," << at.y;
    return ::testing::AssertionSuccess();
}

// The window paints the layout its axes give (their arithmetic and labels are checked without
// windows, against the SVG files): white margins, labels and titles in their fonts and alignments, and
// the curve in list order from each point to the next (GDI leaves a line's last pixel out), one pixel
// wide, and nothing else in teal.
void ExpectTheChart(const Picture& picture, HWND graph, const CGraphAxes& axes) {
    const GraphRect& p = axes.m_plotRect;
    const RECT margin{p.right + 2, p.top, picture.width, p.bottom};
    EXPECT_EQ(picture.Count(kWhite, margin), (margin.right - margin.left) * (margin.bottom - margin.top));
    for (const GraphLabel& label : axes.XLabels())
        EXPECT_TRUE(ShowsText(picture, graph, label.text.Str(), {label.x, label.y}, TA_CENTER | TA_TOP));
    for (const GraphLabel& label : axes.YLabels())
        EXPECT_TRUE(ShowsText(picture, graph, label.text.Str(), {label.x, label.y}, TA_RIGHT | TA_TOP));
    const GraphPixel x = axes.XTitleAnchor();
    const GraphPixel y = axes.YTitleAnchor();
    EXPECT_TRUE(
        ShowsText(picture, graph, axes.m_xTitle.Str(), {x.x, x.y}, TA_CENTER | TA_BOTTOM, {14, 700, 0}));
    EXPECT_TRUE(
        ShowsText(picture, graph, axes.m_yTitle.Str(), {y.x, y.y}, TA_CENTER | TA_TOP, {14, 700, 900}));
    // Each point's 6 x 6 symbol with the switch on, and always for a lone point.
    const bool symbols = axes.m_showSymbols == 1 || axes.m_points.size() == 1;
    int most = symbols ? 36 * static_cast<int>(axes.m_points.size()) : 0;
    for (size_t i = 0; i < axes.m_points.size(); ++i) {
        const POINT a{axes.X(axes.m_points[i].x), axes.Y(axes.m_points[i].y)};
        EXPECT_EQ(picture.Count(kTeal, {a.x - 3, a.y - 3, a.x + 3, a.y + 3}) == 36, symbols)
            << a.x << "," << a.y;
        if (i + 1 == axes.m_points.size())
            break;
        const POINT b{axes.X(axes.m_points[i + 1].x), axes.Y(axes.m_points[i + 1].y)};
        most += std::max(std::abs(b.x - a.x), std::abs(b.y - a.y)) + 1;
        const POINT m{(a.x + b.x) / 2, (a.y + b.y) / 2};
        EXPECT_EQ(picture.At(a.x, a.y), kTeal) << a.x << "," << a.y;
        EXPECT_GT(picture.Count(kTeal, {m.x - 1, m.y - 1, m.x + 2, m.y + 2}), 0) << m.x << "," << m.y;
    }
    EXPECT_LE(picture.Count(kTeal, {0, 0, picture.width, picture.height}), most);
}

// The graph as the window paints it now, checked against the layout of its axes.
Picture PaintedChart(CUiDriver& ui) {
    ui.Repaint();
    CGraphAxes axes;
    ui.OnUiThread([&] { axes = g_pGraphDlg->m_graph; });
    const HWND graph = ui.Item(IDC_GRAPH_GRAPH);
    RECT client{};
    ::GetClientRect(graph, &client);
    const HDC dc = ::GetDC(graph);
    const Picture picture = Read(dc, client.right, client.bottom);
    ::ReleaseDC(graph, dc);
    ExpectTheChart(picture, graph, axes);
    return picture;
}

// The host's side: what it was asked and what it was handed.
struct CHostExport : IKestrumModExport {
    int32_t ApplyProps(std::vector<CMatPropData>*) override {
        ++m_applied;
        return 1;
    }
    // 0 is a "yes" as good as any value but -1.
    int32_t QueryDataType(int32_t type) override {
        m_asked.push_back(type);
        return type == kRefused ? -1 : 0;
    }
    std::vector<int> m_asked;
    int m_applied = 0; // hand-overs
};

// What the window shows in one line, read on the user-interface thread: the selected entry, the
// points drawn (for none the x title and the axis' end), the Raw Data box, symbols drawn and their box,
// and the y title. The chart is checked against its axes on the way.
std::wstring State(CUiDriver& ui) {
    PaintedChart(ui);
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

// The export dialog's list in one line: "sortable" when its header takes clicks, the column widths
// ("fill" for the one that takes the client width less the others and a pixel), then each row's
// selection and focus (">" for both, "?" for either), check box ("x" or "_"), type name and point count.
std::wstring ExportTable(HWND list) {
    std::wstring table = ::IsWindowEnabled(ListView_GetHeader(list)) ? L"sortable" : L"";
    RECT client{};
    ::GetClientRect(list, &client);
    for (int column = 0; column < 3; ++column) {
        const int width = ListView_GetColumnWidth(list, column);
        table += (width == client.right - 123 ? L"fill" : std::to_wstring(width)) + L"|";
    }
    int row = 0;
    for (const auto& cells : ListViewRows(list)) {
        const UINT state = ListView_GetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED);
        table += state == (LVIS_SELECTED | LVIS_FOCUSED) ? L" >" : state ? L" ?" : L" ";
        table += (ListView_GetCheckState(list, row++) ? L"x " : L"_ ") + cells.at(1) + L" " + cells.at(2);
    }
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
    // The module's tables: temperature, a straight fraction-liquid line (thinned to its ends), a density
    // with one kink (thinned to three points), unknown, a type the host refuses (already flagged), one
    // without points, null.
    GraphWindow() {
        m_module.m_series = {Series(JDT_T_C, {{0, 0}, {10, 10}, {20, 20}}),
                             Series(JDT_WT_LIQUID, {{0, 1}, {10, 0.75f}, {20, 0.5f}, {30, 0.25f}, {40, 0}}),
                             Series(JDT_D_TOTAL, {{0, 2700}, {10, 2690}, {20, 2680}, {30, 2500}, {40, 2320}}),
                             Series(JDT_UNKNOWN, {{0, 1}, {1, 2}}),
                             Series(kRefused, {{0, 1}, {1, 2}}),
                             Series(JDT_TC_TOTAL),
                             Series(JDT_NULL, {{0, 1}})};
        m_module.m_series[4].m_exportFlag = 1;
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
        const std::wstring conductivity = L"; Thermal conductivity - TOTAL[W/(m*K)]";
        // Raw data is kept per property while another is shown, and thinned anew when turned off.
        const std::vector<std::pair<std::function<void()>, std::wstring>> steps{
            {[] {}, fraction},
            {[&] { ListKey(ui, VK_DOWN); }, density},
            {[&] { ui.Click(IDC_GRAPH_RAW_DATA); }, raw},
            {[&] { ListKey(ui, VK_UP); }, fraction},
            {[&] { ListKey(ui, VK_DOWN); }, raw},
            {[&] { ui.Click(IDC_GRAPH_RAW_DATA); }, density},
            {[&] { ListKey(ui, VK_DOWN); }, L"2 Temperture (C) to 101; raw0 sym11" + conductivity},
            {[&] { ui.Click(IDC_GRAPH_SHOW_SYMBOL); }, L"2 Temperture (C) to 101; raw0 sym00" + conductivity},
            {[&] { ui.Click(IDC_GRAPH_SHOW_SYMBOL); }, L"2 Temperture (C) to 101; raw0 sym11" + conductivity},
        };
        for (const auto& [act, state] : steps) {
            act();
            EXPECT_EQ(State(ui), state);
        }

        // Keys through the host's loop: the list's arrows above moved once, Enter closes.
        ui.OnUiThread([&] { ::SetFocus(ui.Item(IDC_GRAPH_RAW_DATA)); });
        ui.PressKey(VK_RETURN);
        EXPECT_TRUE(ui.ReturnFromPopup());
    });
}

// The export dialog lists the types the host takes, checked, with their point counts, row 0 focused;
// OK hands the working series over with the boxes' flags, Cancel or a list that lost a row nothing.
TEST_F(GraphWindow, ApplyHandsTheCheckedPropertiesOverAndCancelChangesNothing) {
    // Without an export interface every plotted type is listed and offered.
    for (const bool host : {true, false}) {
        SCOPED_TRACE(host);
        m_module.SetExportInterface(host ? &m_host : nullptr);
        m_host = CHostExport();
        std::vector<int> flags;
        Run([&](CUiDriver& ui) {
            EXPECT_EQ(Entries(ui).size(), host ? 3u : 4u);
            for (const int button : {IDCANCEL, IDRETRY, IDOK}) { // IDRETRY: a row deleted, then OK
                ASSERT_TRUE(ui.Click(IDC_GRAPH_APPLY) && ui.WaitForPopup());
                const HWND list = ui.Item(IDC_EXPORT_LIST);
                EXPECT_EQ(ExportTable(list), L"23|fill|100| >x Temperture (C) 2 x Fraction liquid (weight "
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
                EXPECT_TRUE(m_host.m_applied == 0 || button == IDOK);
            }
            ui.OnUiThread([&] {
                for (const CMatPropData& series : g_pGraphDlg->m_workProps.m_series)
                    flags.push_back(series.m_exportFlag);
            });
        });
        // Unlisted and cleared properties 0, the refused one's earlier flag too.
        const std::vector<int> expected{1, 0, 1, 0, host ? 0 : 1, 1, 0};
        EXPECT_EQ(flags, expected);
        EXPECT_EQ(m_host.m_applied, host ? 1 : 0);
    }
}

// The graph of a real result thinned and raw, with and without symbols, of a lone point and of a curve
// not sorted by x. Painting keeps the off-screen context and its bitmap for the window's life, makes
// no GDI object it does not delete, and gives back what each step selected: the kept context paints a
// chart alike after another.
TEST_F(GraphWindow, TheGraphPaintsEachKindOfChartAndLeavesNoGdiObjectsBehind) {
    CMatProps result;
    ASSERT_EQ(ReadResultFile(KESTRUM_EXAMPLES L"/alsi7mg.out", result, kFormatEngine).status, 1);
    m_module.m_series = {*FindSeries(result, KESTRUMMOD_DATATYPE(15)),
                         *FindSeries(result, KESTRUMMOD_DATATYPE(4)), Series(JDT_PR_TOTAL, {{3, 7}}),
                         Series(JDT_YM_TOTAL, {{0, 0}, {20, 0}, {10, 10}})};
    ASSERT_TRUE(CountGdiObjects());
    const size_t before = LiveGdiObjects();
    Run([&](CUiDriver& ui) {
        PaintedChart(ui);
        const size_t painted = LiveGdiObjects();
        EXPECT_EQ(painted, before + 2);
        for (const std::wstring name : {L"density", L"fraction_liquid", L"", L""}) {
            EXPECT_TRUE(name.empty() || ui.Screenshot(L"graph_" + name + L"_thinned"));
            ui.Click(IDC_GRAPH_RAW_DATA);
            const Picture raw = PaintedChart(ui);
            EXPECT_TRUE(name.empty() || ui.Screenshot(L"graph_" + name + L"_raw"));
            ui.Click(IDC_GRAPH_SHOW_SYMBOL);
            PaintedChart(ui);
            ui.Click(IDC_GRAPH_SHOW_SYMBOL);
            EXPECT_EQ(PaintedChart(ui).pixels, raw.pixels);
            ListKey(ui, VK_DOWN);
            PaintedChart(ui);
        }
        EXPECT_EQ(LiveGdiObjects(), painted);
    });
    EXPECT_EQ(LiveGdiObjects(), before);
}

// A failed copy says why; a second open only shows the window, its lists as they were; a module
// released while the window is open leaves it working on its copies, Save doing nothing, and its job
// folder untouched at closing.
TEST_F(GraphWindow, SaveFailureSecondOpenAndAModuleReleasedWhileOpen) {
    auto* module = new CKestrumModImpl(m_module);
    // A calculated result as a calculation leaves it: the result file in a fresh job folder.
    const CString job = CreateJobFolderName();
    ASSERT_EQ(CreateJobFolder(job.GetString()), 1);
    const CString result = GetJobResultPath(job.GetString());
    WriteBytes(result.Str(), "T(C)\tD-TOTAL\n1\t2\n");
    CopyToField(module->m_resultPath, result.GetString());
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
            module->m_series.push_back(Series(JDT_MV_TOTAL, {{0, 1}}));
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

// A parent that is no window opens nothing; empty tables list nothing, and their empty Apply list
// confirms: the host is handed the empty series.
TEST_F(GraphWindow, AParentThatIsNoWindowOpensNothingAndEmptyTablesAreHandedOver) {
    const HWND gone =
        ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
    ::DestroyWindow(gone);
    EXPECT_EQ(std::tuple(m_module.Graph_Show(gone), g_pGraphDlg, m_module.Graph_IsValid()),
              std::tuple(0, nullptr, 0));
    m_module.m_series.clear();
    Run([&](CUiDriver& ui) {
        EXPECT_TRUE(Entries(ui).empty());
        ASSERT_TRUE(ui.Click(IDC_GRAPH_APPLY) && ui.WaitForPopup());
        EXPECT_TRUE(ui.Click(IDOK) && ui.ReturnFromPopup());
    });
    EXPECT_EQ(m_host.m_applied, 1);
}

} // namespace
