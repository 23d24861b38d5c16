// The graph control in the graph window's template, judged by the pixels it paints, read back from the
// window.
#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "framework/dialog.h"
#include "framework/reschain.h"
#include "graph/graphctrl.h"
#include "graph/svgplot.h"
#include "res/resource.h"
#include "results/resultfile.h"
#include "win32/uiharness.h"

namespace {

const bool g_ready = (RegisterResourceModule(::GetModuleHandleW(nullptr)), true);

constexpr COLORREF kTeal = RGB(0, 128, 128);
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// --- GDI objects this program's code made and has not deleted ---
// Wine's GetGuiResources counts nothing, so the program's imports of the functions that make and
// delete the control's objects are pointed at wrappers that keep the live handles.

std::mutex g_gdiLock;
std::set<void*> g_gdiLive;
template <class F> F* g_real = nullptr;

template <class R, class... A> R Creating(A... args) {
    const R handle = g_real<R(A...)>(args...);
    const std::lock_guard<std::mutex> lock(g_gdiLock);
    if (handle)
        g_gdiLive.insert(handle);
    return handle;
}

template <class H> BOOL Deleting(H handle) {
    const BOOL deleted = g_real<BOOL(H)>(handle);
    const std::lock_guard<std::mutex> lock(g_gdiLock);
    if (deleted)
        g_gdiLive.erase(handle);
    return deleted;
}

// Points this program's import slot of gdi32's `name` at `counted`, keeping the function it held.
template <class R, class... A> bool Redirect(const char* name, R (*counted)(A...)) {
    auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto* library = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports); library->Name;
         ++library) {
        if (::lstrcmpiA(reinterpret_cast<const char*>(base + library->Name), "gdi32.dll") != 0)
            continue;
        const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) ||
                ::lstrcmpA(
                    reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name,
                    name) != 0)
                continue;
            DWORD protection = 0;
            ::VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
            g_real<R(A...)> = reinterpret_cast<R (*)(A...)>(slot->u1.Function);
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(counted);
            ::VirtualProtect(slot, sizeof *slot, protection, &protection);
            return true;
        }
    }
    return false;
}

bool CountGdiObjects() {
    static const bool installed = Redirect("CreatePen", &Creating<HPEN, int, int, COLORREF>) &&
                                  Redirect("CreateSolidBrush", &Creating<HBRUSH, COLORREF>) &&
                                  Redirect("CreateFontIndirectW", &Creating<HFONT, const LOGFONTW*>) &&
                                  Redirect("CreateCompatibleBitmap", &Creating<HBITMAP, HDC, int, int>) &&
                                  Redirect("CreateCompatibleDC", &Creating<HDC, HDC>) &&
                                  Redirect("DeleteObject", &Deleting<HGDIOBJ>) &&
                                  Redirect("DeleteDC", &Deleting<HDC>);
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
    std::vector<COLORREF> pixels;

    COLORREF At(int x, int y) const {
        const bool inside = x >= 0 && y >= 0 && x < width && y < height;
        return inside ? pixels[static_cast<size_t>(y * width + x)] : CLR_INVALID;
    }
    // Pixels of `colour` in the rectangle.
    int Count(COLORREF colour, RECT r) const {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                n += At(x, y) == colour ? 1 : 0;
        return n;
    }
    int Count(COLORREF colour) const { return Count(colour, {0, 0, width, height}); }
};

Picture Read(HDC source, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}; // top-down
    void* bits = nullptr;
    const HDC memory = ::CreateCompatibleDC(source);
    const HBITMAP dib = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = ::SelectObject(memory, dib);
    ::BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
    ::GdiFlush();
    Picture picture{width, height, {}};
    for (int i = 0; i < width * height; ++i) {
        const DWORD q = static_cast<const DWORD*>(bits)[i];
        picture.pixels.push_back(RGB((q >> 16) & 0xFF, (q >> 8) & 0xFF, q & 0xFF));
    }
    ::SelectObject(memory, old);
    ::DeleteObject(dib);
    ::DeleteDC(memory);
    return picture;
}

// What the window shows of its client area.
Picture ReadClient(HWND window) {
    RECT client{};
    ::GetClientRect(window, &client);
    const HDC dc = ::GetDC(window);
    Picture picture = Read(dc, client.right, client.bottom);
    ::ReleaseDC(window, dc);
    return picture;
}

constexpr FontChange kLabelFont{12, 0, 0};

// The window shows `text` as GDI draws it on white at `at` with `align` in a copy of the control's
// font: every pixel of the text's ink box alike.
::testing::AssertionResult ShowsText(const Picture& window, HWND graph, const std::wstring& text, POINT at,
                                     UINT align, const FontChange& change = kLabelFont) {
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
    for (int y = 0; y < reference.height; ++y) {
        for (int x = 0; x < reference.width; ++x) {
            if (reference.At(x, y) != kWhite)
                ink = {std::min<LONG>(ink.left, x), std::min<LONG>(ink.top, y),
                       std::max<LONG>(ink.right, x + 1), std::max<LONG>(ink.bottom, y + 1)};
        }
    }
    int differing = 0;
    for (int y = ink.top; y < ink.bottom; ++y)
        for (int x = ink.left; x < ink.right; ++x)
            differing += window.At(x, y) != reference.At(x, y) ? 1 : 0;
    if (ink.right == 0 || differing != 0)
        return ::testing::AssertionFailure() << differing << " pixels differ at " << at.x << "," << at.y;
    return ::testing::AssertionSuccess();
}

// The control alone in the graph window's template, its chart set by the script.
class CGraphTestDlg : public CDialog {
public:
    CGraphTestDlg() : CDialog(IDD_GRAPH) {}
    void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, IDC_GRAPH_GRAPH, m_graph); }

    CGraphCtrl m_graph;
};

// The window paints the layout its axes give (their arithmetic and labels are checked without
// windows, against the SVG files): white margins, the black frame, a dotted grey line at each tick,
// labels and titles in their fonts and alignments, and the curve in list order from each point to
// the next (GDI leaves a line's last pixel out), one pixel wide, and nothing else in teal.
void ExpectTheChart(const Picture& picture, HWND graph, const CGraphAxes& axes) {
    const GraphRect& p = axes.m_plotRect;
    // Grid pixels, where the curve may run over them; the frame covers a line on the plot's edge.
    const auto gridPixels = [&](RECT r) { return picture.Count(kGrey, r) + picture.Count(kTeal, r); };
    const RECT margin{p.right + 2, p.top, picture.width, p.bottom};
    EXPECT_EQ(picture.Count(kWhite, margin), (margin.right - margin.left) * (margin.bottom - margin.top));
    for (const POINT at : {POINT{p.left, p.top + 20}, POINT{p.right, p.top + 20}, POINT{p.left + 20, p.top},
                           POINT{p.left + 20, p.bottom}})
        EXPECT_EQ(picture.At(at.x, at.y), kBlack) << at.x << "," << at.y;
    for (const int x : axes.XTickPixels())
        EXPECT_TRUE(x <= p.left + 1 || x >= p.right - 1 ||
                    gridPixels({x, p.top + 2, x + 1, p.bottom - 2}) > 60)
            << x;
    for (const int y : axes.YTickPixels())
        EXPECT_TRUE(y <= p.top + 1 || y >= p.bottom - 1 ||
                    gridPixels({p.left + 2, y, p.right - 2, y + 1}) > 80)
            << y;
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
    EXPECT_EQ(picture.Count(kTeal) > 0, !axes.m_points.empty());
    EXPECT_LE(picture.Count(kTeal), most);
}

// One window shows the charts in turn: the empty one, a lone point whatever the switch, a curve with
// and without symbols, one not sorted by x, and a real result as the graph window shows it (thinned,
// with symbols) and raw. Painting keeps the off-screen context and its bitmap for the window's life,
// makes no GDI object it does not delete, and gives back what each step selected: the kept context
// draws the first chart alike at the end.
TEST(GraphCtrl, PaintsTheLayoutOfItsAxesAndLeavesNoGdiObjectsBehind) {
    struct Chart {
        std::wstring screenshot;
        std::vector<GraphPoint> points;
        int symbols;
        int type;
    };
    std::vector<Chart> charts{{L"", {{0.0f, 1.0f}, {5.0f, 3.0f}, {10.0f, 2.0f}}, 1, 15},
                              {L"", {}, 1, 15},
                              {L"", {{3.0f, 7.0f}}, 0, 15},
                              {L"", {{3.0f, 7.0f}}, 1, 15},
                              {L"", {{0.0f, 1.0f}, {5.0f, 3.0f}, {10.0f, 2.0f}}, 0, 15},
                              {L"", {{0.0f, 0.0f}, {20.0f, 0.0f}, {10.0f, 10.0f}}, 0, 15}};
    CMatProps set;
    ASSERT_EQ(ReadResultFile(KESTRUM_EXAMPLES L"/alsi7mg.out", set, kFormatEngine), 1);
    for (const int thinned : {1, 0}) {
        for (const auto& [type, name] : {std::pair{15, L"density"}, std::pair{4, L"fraction_liquid"}}) {
            CMatPropData series = *FindSeries(set, static_cast<KESTRUMMOD_DATATYPE>(type));
            if (thinned)
                ThinSeries(CMatPropData(series), series);
            charts.push_back({L"graph_" + std::wstring(name) + (thinned ? L"_thinned" : L"_raw"),
                              series.m_points, thinned, type});
        }
    }
    ASSERT_TRUE(CountGdiObjects());
    const size_t before = LiveGdiObjects();
    auto dialog = std::make_unique<CGraphTestDlg>();
    RunModalScript([&] { return dialog->DoModal(); },
                   [&](CUiDriver& ui) {
                       ASSERT_TRUE(ui.WaitForDialog());
                       const HWND graph = ui.Item(IDC_GRAPH_GRAPH);
                       std::vector<COLORREF> first;
                       size_t painted = 0;
                       for (size_t i = 0; i <= charts.size(); ++i) {
                           const Chart& chart = charts[i % charts.size()];
                           CGraphAxes axes;
                           ui.OnUiThread([&] {
                               CGraphAxes& g = dialog->m_graph;
                               g.m_points = chart.points;
                               g.m_showSymbols = chart.symbols;
                               g.m_xTitle = GraphXTitle();
                               g.m_yTitle = GraphYTitle(static_cast<KESTRUMMOD_DATATYPE>(chart.type));
                               g.RecalcExtents();
                               g.RecalcAxes();
                               axes = g;
                           });
                           ui.Repaint();
                           SCOPED_TRACE(i);
                           const Picture picture = ReadClient(graph);
                           ExpectTheChart(picture, graph, axes);
                           EXPECT_TRUE(chart.screenshot.empty() || ui.Screenshot(chart.screenshot));
                           if (i == 0) {
                               first = picture.pixels;
                               painted = LiveGdiObjects();
                               EXPECT_EQ(painted, before + 2);
                           }
                       }
                       EXPECT_EQ(ReadClient(graph).pixels, first);
                       EXPECT_EQ(LiveGdiObjects(), painted);
                       ui.Click(IDCANCEL);
                   });
    dialog.reset();
    EXPECT_EQ(LiveGdiObjects(), before);
}

} // namespace
