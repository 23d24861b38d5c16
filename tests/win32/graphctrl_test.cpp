// The graph control in a dialog of its own, judged by the pixels it paints, read back from the window.
// Expected places come from the chart's rules written out here, not from the control's own code.
#include <windows.h>

#include <algorithm>
#include <functional>
#include <mutex>
#include <regex>
#include <set>
#include <string>
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

// --- The chart's rules: plot margins 55, 10, 10, 35; values mapped in floats, truncated ---

RECT PlotOf(const Picture& client) {
    return RECT{55, 10, client.width - 10, client.height - 35};
}

struct Range {
    float lo;
    float hi;
};

int MapX(float x, Range r, const RECT& plot) {
    return static_cast<int>((x - r.lo) * static_cast<float>(plot.right - plot.left) / (r.hi - r.lo) +
                            static_cast<float>(plot.left));
}
int MapY(float y, Range r, const RECT& plot) {
    return static_cast<int>(static_cast<float>(plot.bottom) -
                            (y - r.lo) * static_cast<float>(plot.bottom - plot.top) / (r.hi - r.lo));
}
// The range drawn for two or more points from `low` to `high`: a tenth of the span each side.
Range Widened(float low, float high) {
    return Range{1.1f * low - 0.1f * high, 1.1f * high - 0.1f * low};
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

// Shows the chart, painted, to `look` on the script's thread, then closes the dialog.
void ShowGraph(const std::function<void(CGraphAxes&)>& setup,
               const std::function<void(CUiDriver&, HWND graph, const Picture&)>& look) {
    CGraphTestDlg dialog(setup);
    RunModalScript([&] { return dialog.DoModal(); },
                   [&](CUiDriver& ui) {
                       ASSERT_TRUE(ui.WaitForDialog());
                       ui.Repaint();
                       const HWND graph = ui.Item(IDC_GRAPHTEST_GRAPH);
                       look(ui, graph, ReadClient(graph));
                       ui.Click(IDCANCEL);
                   });
}

TEST(GraphCtrl, EmptyGraphShowsTheGridLabelsFrameAndTitlesOfTheDefaultRange) {
    ShowGraph(Chart({}, 1), [](CUiDriver&, HWND graph, const Picture& picture) {
        const RECT plot = PlotOf(picture);
        const Range range{0.0f - 0.1f, 10.0f + 0.1f};
        EXPECT_EQ(picture.Count(kTeal), 0);
        for (const int v : {0, 2, 4, 6, 8, 10}) {
            SCOPED_TRACE(v);
            // A dotted line across the plot at each tick; beside a vertical one only the six across cross.
            const int x = MapX(static_cast<float>(v), range, plot);
            const int y = MapY(static_cast<float>(v), range, plot);
            EXPECT_LE(picture.Count(kGrey, {x + 10, plot.top + 2, x + 11, plot.bottom - 2}), 6);
            EXPECT_GT(picture.Count(kGrey, {plot.left + 2, y, plot.right - 2, y + 1}), 80);
            EXPECT_TRUE(
                ShowsText(picture, graph, std::to_wstring(v), {x, plot.bottom + 5}, TA_CENTER | TA_TOP));
            EXPECT_TRUE(
                ShowsText(picture, graph, std::to_wstring(v), {plot.left - 5, y - 8}, TA_RIGHT | TA_TOP));
        }
        // White margins outside the plot, the bold titles (border and vertical grid lines: see the
        // real result below).
        const int midX = (plot.left + plot.right) / 2;
        const int midY = (plot.top + plot.bottom) / 2;
        const RECT margin{plot.right + 2, plot.top, picture.width, plot.bottom};
        EXPECT_EQ(picture.Count(kWhite, margin), (margin.right - margin.left) * (margin.bottom - margin.top));
        EXPECT_TRUE(ShowsText(picture, graph, L"Temperture (C)", {midX, picture.height - 2},
                              TA_CENTER | TA_BOTTOM, {14, 700, 0}));
        EXPECT_TRUE(ShowsText(picture, graph, L"Density alloy[kg/m^3]", {2, midY}, TA_CENTER | TA_TOP,
                              {14, 700, 900}));
    });
}

TEST(GraphCtrl, OnePointIsATealSquareCurvesRunInListOrderSymbolsFollowTheSwitch) {
    // Not sorted by x: along the bottom to the right, then back up to the middle.
    const std::vector<GraphPoint> curve{{0.0f, 0.0f}, {20.0f, 0.0f}, {10.0f, 10.0f}};
    for (const int symbols : {0, 1}) {
        SCOPED_TRACE(symbols);
        ShowGraph(Chart({{3.0f, 7.0f}}, symbols), [](CUiDriver&, HWND, const Picture& picture) {
            // One point: its value +- 0.1 on each axis, its 6 x 6 symbol whatever the switch.
            const RECT plot = PlotOf(picture);
            const int x = MapX(3.0f, {3.0f - 0.1f, 3.0f + 0.1f}, plot);
            const int y = MapY(7.0f, {7.0f - 0.1f, 7.0f + 0.1f}, plot);
            EXPECT_EQ(picture.Count(kTeal), 36);
            EXPECT_EQ(picture.Count(kTeal, {x - 3, y - 3, x + 3, y + 3}), 36);
        });
        ShowGraph(Chart(curve, symbols), [symbols](CUiDriver&, HWND, const Picture& picture) {
            const RECT plot = PlotOf(picture);
            const Range xs = Widened(0.0f, 20.0f);
            const Range ys = Widened(0.0f, 10.0f);
            const POINT a{MapX(0.0f, xs, plot), MapY(0.0f, ys, plot)};
            const POINT b{MapX(20.0f, xs, plot), MapY(0.0f, ys, plot)};
            const POINT c{MapX(10.0f, xs, plot), MapY(10.0f, ys, plot)};
            EXPECT_EQ(picture.Count(kTeal, {a.x, a.y, b.x, a.y + 1}), b.x - a.x);
            // The line up meets each row within a pixel of where it runs (its last pixel is not drawn).
            for (int y = c.y + 1; y < b.y; ++y) {
                const int x = c.x + (b.x - c.x) * (y - c.y) / (b.y - c.y);
                EXPECT_GT(picture.Count(kTeal, {x - 1, y, x + 2, y + 1}), 0) << y;
            }
            EXPECT_NE(picture.At((a.x + c.x) / 2, (a.y + c.y) / 2), kTeal) << "first joined to last";
            // Symbols show above the top point, where no line runs.
            EXPECT_EQ(picture.Count(kTeal, {c.x - 3, c.y - 3, c.x + 3, c.y}), symbols == 1 ? 18 : 0);
            const int lines = (b.x - a.x) + (b.y - c.y) + 2;
            EXPECT_LE(picture.Count(kTeal), lines + (symbols == 1 ? 3 * 36 : 0));
        });
    }
}

TEST(GraphCtrl, TinyYStepLabelsTheYAxisOnTwoLinesAndAConstantSeriesGetsARange) {
    ShowGraph(Chart({{0.0f, 0.0f}, {10.0f, 0.0001f}}, 0), [](CUiDriver&, HWND graph, const Picture& picture) {
        const RECT plot = PlotOf(picture);
        // 0.00012 / 5 gives the step 0.00002: ticks 0, 2e-5 ... 1e-4, mantissa above, exponent below.
        const Range ys = Widened(0.0f, 0.0001f);
        const struct {
            int k;
            const wchar_t* mantissa;
            const wchar_t* exponent;
        } labels[] = {{0, L"0.0000", L"e+000"}, {1, L"2.0000", L"e-005"}, {5, L"1.0000", L"e-004"}};
        for (const auto& label : labels) {
            SCOPED_TRACE(label.k);
            const int y = MapY(static_cast<float>(label.k) * 0.00002f, ys, plot);
            EXPECT_TRUE(ShowsText(picture, graph, label.mantissa, {plot.left - 5, y - 8}, TA_RIGHT | TA_TOP));
            EXPECT_TRUE(ShowsText(picture, graph, label.exponent, {plot.left - 5, y + 4}, TA_RIGHT | TA_TOP));
        }
    });
    ShowGraph(Chart({{0.0f, 5.0f}, {10.0f, 5.0f}}, 0), [](CUiDriver&, HWND graph, const Picture& picture) {
        // No span to widen by a tenth: the range is the value +- a tenth of it, 4.5 to 5.5.
        const RECT plot = PlotOf(picture);
        const int y = MapY(5.0f, {5.0f - 0.5f, 5.0f + 0.5f}, plot);
        const int from = MapX(0.0f, Widened(0.0f, 10.0f), plot);
        const int to = MapX(10.0f, Widened(0.0f, 10.0f), plot);
        EXPECT_EQ(picture.Count(kTeal, {from, y, to, y + 1}), to - from);
        EXPECT_TRUE(ShowsText(picture, graph, L"5", {plot.left - 5, y - 8}, TA_RIGHT | TA_TOP));
    });
}

// --- A real result, and the same chart as SVG ---

// The numbers of every `attribute="..."` in the SVG group of class `group`, in order.
std::vector<double> Attributes(const std::string& svg, const std::string& group,
                               const std::string& attribute) {
    const size_t start = svg.find("class=\"" + group + "\"");
    const std::string text =
        start == std::string::npos ? "" : svg.substr(start, svg.find("</g>", start) - start);
    std::vector<double> values;
    const std::regex pattern(" " + attribute + "=\"([^\"]*)\"");
    const std::regex number(R"(-?[0-9.]+)");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator();
         ++it) {
        const std::string value = (*it)[1].str();
        for (auto n = std::sregex_iterator(value.begin(), value.end(), number); n != std::sregex_iterator();
             ++n)
            values.push_back(std::stod(n->str()));
    }
    return values;
}

TEST(GraphCtrl, RealResultIsPaintedWhereTheSvgPutsThePlotTicksAndCurve) {
    CMatProps set;
    ASSERT_EQ(ReadResultFile(KESTRUM_EXAMPLES L"/alsi7mg.out", set, kFormatEngine), 1);
    struct Case {
        int type;
        bool thinned; // thinned with symbols, as the window opens; else raw without
        const wchar_t* screenshot;
    };
    const Case cases[] = {{15, true, L"graph_density_thinned"},
                          {4, true, L"graph_fraction_liquid_thinned"},
                          {15, false, L"graph_density_raw"},
                          {4, false, L"graph_fraction_liquid_raw"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        CMatPropData series;
        for (const CMatPropData& s : set.m_series)
            if (s.m_dataType == c.type)
                series = s;
        ASSERT_GE(series.m_points.size(), 3u);
        if (c.thinned)
            ThinSeries(CMatPropData(series), series);
        const auto setup = Chart(series.m_points, c.thinned ? 1 : 0, series.m_dataType);
        ShowGraph(setup, [&](CUiDriver& ui, HWND, const Picture& picture) {
            EXPECT_TRUE(ui.Screenshot(c.screenshot));
            CGraphAxes axes;
            setup(axes);
            axes.RecalcExtents();
            axes.RecalcAxes();
            const std::string svg = RenderGraphSvg(axes, picture.width, picture.height);
            const std::vector<double> plot = Attributes(svg, "plot", "(?:x|y|width|height)");
            ASSERT_EQ(plot.size(), 4u);
            const RECT p{static_cast<int>(plot[0]), static_cast<int>(plot[1]),
                         static_cast<int>(plot[0] + plot[2]), static_cast<int>(plot[1] + plot[3])};
            for (const POINT at : {POINT{p.left, p.top + 20}, POINT{p.right, p.top + 20},
                                   POINT{p.left + 20, p.top}, POINT{p.left + 20, p.bottom}})
                EXPECT_EQ(picture.At(at.x, at.y), kBlack) << at.x << "," << at.y;
            // Grid and curve run through pixel centres in the SVG: less a half, they are the window's pixels.
            const std::vector<double> x1 = Attributes(svg, "grid", "x1");
            const std::vector<double> x2 = Attributes(svg, "grid", "x2");
            for (size_t i = 0; i < x1.size(); ++i) {
                const int x = static_cast<int>(x1[i]);
                if (x1[i] == x2[i]) {
                    EXPECT_GT(picture.Count(kGrey, {x, p.top + 2, x + 1, p.bottom - 2}), 60) << x;
                }
            }
            const std::vector<double> curve = Attributes(svg, "curve", "points");
            ASSERT_EQ(curve.size(), series.m_points.size() * 2);
            // GDI leaves a line's last pixel out, so the final point shows only with its symbol.
            for (size_t i = 0; i + 2 < curve.size(); i += 2) {
                const POINT at{static_cast<int>(curve[i]), static_cast<int>(curve[i + 1])};
                if (at.x > p.left && at.x < p.right && at.y > p.top && at.y < p.bottom) {
                    EXPECT_EQ(picture.At(at.x, at.y), kTeal) << at.x << "," << at.y;
                }
            }
            EXPECT_EQ(Attributes(svg, "symbols", "x").size(), c.thinned ? series.m_points.size() : 0);
        });
    }
}

TEST(GraphCtrl, PaintingLeavesNoGdiObjectsBehind) {
    ASSERT_TRUE(CountGdiObjects());
    const size_t before = LiveGdiObjects();
    ShowGraph(Chart({{0.0f, 1.0f}, {5.0f, 3.0f}, {10.0f, 2.0f}}, 1),
              [&](CUiDriver& ui, HWND graph, const Picture& first) {
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
