// The graph control in a dialog of its own, judged by the pixels it paints, read back from the window.
#include <windows.h>

#include <algorithm>
#include <functional>
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
#include "results/resultfile.h"
#include "win32/graphtestres.h"
#include "win32/uiharness.h"

namespace {

const bool g_ready = [] {
    RegisterResourceModule(::GetModuleHandleW(nullptr));
    return true;
}();

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

// --- The dialog, set up as the graph window does: data written, then extents and axes ---

class CGraphTestDlg : public CDialog {
public:
    explicit CGraphTestDlg(std::function<void(CGraphAxes&)> setup)
        : CDialog(IDD_GRAPHTEST), m_setup(std::move(setup)) {}

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        m_setup(m_graph);
        m_graph.RecalcExtents();
        m_graph.RecalcAxes();
        return TRUE;
    }
    void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, IDC_GRAPHTEST_GRAPH, m_graph); }

    CGraphCtrl m_graph;

private:
    std::function<void(CGraphAxes&)> m_setup;
};

std::function<void(CGraphAxes&)> Chart(std::vector<GraphPoint> points, int symbols,
                                       KESTRUMMOD_DATATYPE type = static_cast<KESTRUMMOD_DATATYPE>(15)) {
    return [points, symbols, type](CGraphAxes& graph) {
        graph.m_points = points;
        graph.m_showSymbols = symbols;
        graph.m_xTitle = GraphXTitle();
        graph.m_yTitle = GraphYTitle(type);
    };
}

// Shows the chart, painted, to `look` on the script's thread with the axes it was laid out by, then
// closes the dialog.
void ShowGraph(const std::function<void(CGraphAxes&)>& setup,
               const std::function<void(CUiDriver&, HWND, const CGraphAxes&, const Picture&)>& look) {
    CGraphTestDlg dialog(setup);
    RunModalScript([&] { return dialog.DoModal(); },
                   [&](CUiDriver& ui) {
                       ASSERT_TRUE(ui.WaitForDialog());
                       ui.Repaint();
                       const HWND graph = ui.Item(IDC_GRAPHTEST_GRAPH);
                       look(ui, graph, dialog.m_graph, ReadClient(graph));
                       ui.Click(IDCANCEL);
                   });
}

// The window paints the layout its axes give (their arithmetic and labels are checked without
// windows, against the SVG files): white margins, the black frame, a dotted grey line at each tick,
// labels and titles in their fonts and alignments, and the curve through each point but the last
// (GDI leaves a line's last pixel out).
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
    for (size_t i = 0; i + 1 < axes.m_points.size(); ++i) {
        const POINT at{axes.X(axes.m_points[i].x), axes.Y(axes.m_points[i].y)};
        const bool inside = at.x > p.left && at.x < p.right && at.y > p.top && at.y < p.bottom;
        EXPECT_TRUE(!inside || picture.At(at.x, at.y) == kTeal) << at.x << "," << at.y;
    }
    EXPECT_EQ(picture.Count(kTeal) > 0, !axes.m_points.empty());
    // Each point's 6 x 6 symbol with the switch on, and always for a lone point, then all that is teal.
    const bool symbols = axes.m_showSymbols == 1 || axes.m_points.size() == 1;
    for (const GraphPoint& point : axes.m_points) {
        const int x = axes.X(point.x);
        const int y = axes.Y(point.y);
        EXPECT_EQ(picture.Count(kTeal, {x - 3, y - 3, x + 3, y + 3}) == 36, symbols) << x << "," << y;
    }
    EXPECT_TRUE(axes.m_points.size() != 1 || picture.Count(kTeal) == 36);
}

// The empty chart, a lone point whatever the switch, a curve with and without symbols, labels with
// exponents on two lines, a constant series, and a real result as the window opens it (thinned, with
// symbols) and raw.
TEST(GraphCtrl, PaintsTheLayoutOfItsAxes) {
    CMatProps set;
    ASSERT_EQ(ReadResultFile(KESTRUM_EXAMPLES L"/alsi7mg.out", set, kFormatEngine), 1);
    const auto real = [&](int type, bool thinned) {
        CMatPropData series;
        for (const CMatPropData& s : set.m_series)
            if (s.m_dataType == type)
                series = s;
        EXPECT_GE(series.m_points.size(), 3u);
        if (thinned)
            ThinSeries(CMatPropData(series), series);
        return Chart(series.m_points, thinned ? 1 : 0, series.m_dataType);
    };
    const std::pair<const wchar_t*, std::function<void(CGraphAxes&)>> charts[] = {
        {L"", Chart({}, 1)},
        {L"", Chart({{3.0f, 7.0f}}, 0)},
        {L"", Chart({{3.0f, 7.0f}}, 1)},
        {L"", Chart({{0.0f, 1.0f}, {5.0f, 3.0f}, {10.0f, 2.0f}}, 0)},
        {L"", Chart({{0.0f, 1.0f}, {5.0f, 3.0f}, {10.0f, 2.0f}}, 1)},
        {L"", Chart({{0.0f, 0.0f}, {10.0f, 0.0001f}}, 0)},
        {L"", Chart({{0.0f, 5.0f}, {10.0f, 5.0f}}, 0)},
        {L"graph_density_thinned", real(15, true)},
        {L"graph_fraction_liquid_thinned", real(4, true)},
        {L"graph_density_raw", real(15, false)},
        {L"graph_fraction_liquid_raw", real(4, false)}};
    for (const auto& [screenshot, setup] : charts) {
        ShowGraph(setup, [&](CUiDriver& ui, HWND graph, const CGraphAxes& axes, const Picture& picture) {
            SCOPED_TRACE(axes.m_points.size());
            EXPECT_TRUE(!*screenshot || ui.Screenshot(screenshot));
            ExpectTheChart(picture, graph, axes);
        });
    }
}

// A curve runs in list order, here not sorted by x: along the bottom to the right, then back up to the
// middle, not back to the start.
TEST(GraphCtrl, CurvesRunInListOrder) {
    ShowGraph(Chart({{0.0f, 0.0f}, {20.0f, 0.0f}, {10.0f, 10.0f}}, 0),
              [](CUiDriver&, HWND, const CGraphAxes& axes, const Picture& picture) {
                  const POINT a{axes.X(0.0f), axes.Y(0.0f)};
                  const POINT b{axes.X(20.0f), axes.Y(0.0f)};
                  const POINT c{axes.X(10.0f), axes.Y(10.0f)};
                  EXPECT_EQ(picture.Count(kTeal, {a.x, a.y, b.x, a.y + 1}), b.x - a.x);
                  // The line up meets each row within a pixel of where it runs.
                  for (int y = c.y + 1; y < b.y; ++y) {
                      const int x = c.x + (b.x - c.x) * (y - c.y) / (b.y - c.y);
                      EXPECT_GT(picture.Count(kTeal, {x - 1, y, x + 2, y + 1}), 0) << y;
                  }
                  EXPECT_NE(picture.At((a.x + c.x) / 2, (a.y + c.y) / 2), kTeal) << "first joined to last";
                  EXPECT_LE(picture.Count(kTeal), (b.x - a.x) + (b.y - c.y) + 2);
              });
}

TEST(GraphCtrl, PaintingLeavesNoGdiObjectsBehind) {
    ASSERT_TRUE(CountGdiObjects());
    const size_t before = LiveGdiObjects();
    ShowGraph(Chart({{0.0f, 1.0f}, {5.0f, 3.0f}, {10.0f, 2.0f}}, 1),
              [&](CUiDriver& ui, HWND graph, const CGraphAxes&, const Picture& first) {
                  // The off-screen context and its bitmap stay for the control's life.
                  const size_t painted = LiveGdiObjects();
                  EXPECT_EQ(painted, before + 2);
                  for (int i = 0; i < 40; ++i)
                      ui.Repaint();
                  EXPECT_EQ(LiveGdiObjects(), painted);
                  // What each step selected went back: the kept context draws the same chart every time.
                  EXPECT_EQ(ReadClient(graph).pixels, first.pixels);
              });
    EXPECT_EQ(LiveGdiObjects(), before);
}

} // namespace
