// The graph control in a dialog of its own, judged by the pixels it paints, read back from the window.
// Expected places come from the chart's rules written out here, not from the control's own code.
#include <windows.h>

#include <cmath>
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

// --- GDI objects made by this program's own code and not deleted yet ---
// Wine's GetGuiResources counts nothing, so the program's imports of the functions that make and
// delete the objects the control uses are redirected through a count of live handles.

std::mutex g_gdiLock;
std::set<HANDLE> g_gdiLive;
decltype(&::CreatePen) g_createPen;
decltype(&::CreateSolidBrush) g_createSolidBrush;
decltype(&::CreateFontIndirectW) g_createFontIndirect;
decltype(&::CreateCompatibleBitmap) g_createCompatibleBitmap;
decltype(&::CreateCompatibleDC) g_createCompatibleDC;
decltype(&::DeleteObject) g_deleteObject;
decltype(&::DeleteDC) g_deleteDC;

template <class H> H Made(H handle) {
    if (handle) {
        const std::lock_guard<std::mutex> lock(g_gdiLock);
        g_gdiLive.insert(handle);
    }
    return handle;
}

BOOL Gone(HANDLE handle, BOOL deleted) {
    if (deleted) {
        const std::lock_guard<std::mutex> lock(g_gdiLock);
        g_gdiLive.erase(handle);
    }
    return deleted;
}

HPEN WINAPI CountedCreatePen(int style, int width, COLORREF colour) {
    return Made(g_createPen(style, width, colour));
}
HBRUSH WINAPI CountedCreateSolidBrush(COLORREF colour) {
    return Made(g_createSolidBrush(colour));
}
HFONT WINAPI CountedCreateFontIndirect(const LOGFONTW* font) {
    return Made(g_createFontIndirect(font));
}
HBITMAP WINAPI CountedCreateCompatibleBitmap(HDC dc, int width, int height) {
    return Made(g_createCompatibleBitmap(dc, width, height));
}
HDC WINAPI CountedCreateCompatibleDC(HDC dc) {
    return Made(g_createCompatibleDC(dc));
}
BOOL WINAPI CountedDeleteObject(HGDIOBJ object) {
    return Gone(object, g_deleteObject(object));
}
BOOL WINAPI CountedDeleteDC(HDC dc) {
    return Gone(dc, g_deleteDC(dc));
}

// Points this program's import slots for gdi32 at the counting functions; false when none was found.
bool CountGdiObjects() {
    static const bool installed = [] {
        struct Redirect {
            const char* name;
            void* counted;
            void** real;
        };
        const Redirect redirects[] = {
            {"CreatePen", reinterpret_cast<void*>(&CountedCreatePen), reinterpret_cast<void**>(&g_createPen)},
            {"CreateSolidBrush", reinterpret_cast<void*>(&CountedCreateSolidBrush),
             reinterpret_cast<void**>(&g_createSolidBrush)},
            {"CreateFontIndirectW", reinterpret_cast<void*>(&CountedCreateFontIndirect),
             reinterpret_cast<void**>(&g_createFontIndirect)},
            {"CreateCompatibleBitmap", reinterpret_cast<void*>(&CountedCreateCompatibleBitmap),
             reinterpret_cast<void**>(&g_createCompatibleBitmap)},
            {"CreateCompatibleDC", reinterpret_cast<void*>(&CountedCreateCompatibleDC),
             reinterpret_cast<void**>(&g_createCompatibleDC)},
            {"DeleteObject", reinterpret_cast<void*>(&CountedDeleteObject),
             reinterpret_cast<void**>(&g_deleteObject)},
            {"DeleteDC", reinterpret_cast<void*>(&CountedDeleteDC), reinterpret_cast<void**>(&g_deleteDC)},
        };
        auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
            base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        int redirected = 0;
        for (auto* library = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
             library->Name != 0; ++library) {
            if (::lstrcmpiA(reinterpret_cast<const char*>(base + library->Name), "gdi32.dll") != 0)
                continue;
            const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
            auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
            for (; names->u1.AddressOfData != 0; ++names, ++slots) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                    continue;
                const auto* byName =
                    reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                for (const Redirect& redirect : redirects) {
                    if (::lstrcmpA(reinterpret_cast<const char*>(byName->Name), redirect.name) != 0)
                        continue;
                    DWORD protection = 0;
                    ::VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE,
                                     &protection);
                    *redirect.real = reinterpret_cast<void*>(slots->u1.Function);
                    slots->u1.Function = reinterpret_cast<ULONG_PTR>(redirect.counted);
                    ::VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
                    ++redirected;
                }
            }
        }
        return redirected == static_cast<int>(std::size(redirects));
    }();
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
        if (x < 0 || y < 0 || x >= width || y >= height)
            return CLR_INVALID;
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
    int Count(COLORREF colour) const {
        int n = 0;
        for (const COLORREF pixel : pixels)
            n += pixel == colour ? 1 : 0;
        return n;
    }
    int CountInColumn(int x, int top, int bottom, COLORREF colour) const {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            n += At(x, y) == colour ? 1 : 0;
        return n;
    }
    int CountInRow(int y, int left, int right, COLORREF colour) const {
        int n = 0;
        for (int x = left; x < right; ++x)
            n += At(x, y) == colour ? 1 : 0;
        return n;
    }
};

Picture Read(HDC source, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HDC memory = ::CreateCompatibleDC(source);
    const HBITMAP dib = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = ::SelectObject(memory, dib);
    ::BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
    ::GdiFlush();
    Picture picture{width, height, {}};
    const auto* quads = static_cast<const DWORD*>(bits);
    for (int i = 0; i < width * height; ++i) {
        const DWORD q = quads[i];
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

// `text` drawn on white in a copy of the control's font, as the chart draws its labels and titles.
Picture Reference(HWND graph, const Picture& size, const std::wstring& text, POINT at, UINT align,
                  const FontChange& change) {
    const HDC screen = ::GetDC(nullptr);
    const HDC memory = ::CreateCompatibleDC(screen);
    const HBITMAP bitmap = ::CreateCompatibleBitmap(screen, size.width, size.height);
    const HGDIOBJ oldBitmap = ::SelectObject(memory, bitmap);
    ::PatBlt(memory, 0, 0, size.width, size.height, WHITENESS);
    CFont font;
    font.CreateFromFont(reinterpret_cast<HFONT>(::SendMessageW(graph, WM_GETFONT, 0, 0)), change);
    const HGDIOBJ oldFont = ::SelectObject(memory, font);
    ::SetTextAlign(memory, align);
    ::TextOutW(memory, at.x, at.y, text.c_str(), static_cast<int>(text.size()));
    Picture picture = Read(memory, size.width, size.height);
    ::SelectObject(memory, oldFont);
    ::SelectObject(memory, oldBitmap);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return picture;
}

constexpr FontChange kLabelFont{12, 0, 0};

// The window shows `text` at `at` as the reference draws it: every pixel of the text's ink box alike.
::testing::AssertionResult ShowsText(const Picture& window, HWND graph, const std::wstring& text, POINT at,
                                     UINT align, const FontChange& font = kLabelFont) {
    const Picture reference = Reference(graph, window, text, at, align, font);
    RECT ink{reference.width, reference.height, -1, -1};
    for (int y = 0; y < reference.height; ++y) {
        for (int x = 0; x < reference.width; ++x) {
            if (reference.At(x, y) == kWhite)
                continue;
            ink = {std::min<LONG>(ink.left, x), std::min<LONG>(ink.top, y), std::max<LONG>(ink.right, x + 1),
                   std::max<LONG>(ink.bottom, y + 1)};
        }
    }
    if (ink.right < 0)
        return ::testing::AssertionFailure() << "no ink for the reference text";
    int differing = 0;
    for (int y = ink.top; y < ink.bottom; ++y)
        for (int x = ink.left; x < ink.right; ++x)
            differing += window.At(x, y) != reference.At(x, y) ? 1 : 0;
    if (differing != 0)
        return ::testing::AssertionFailure()
               << differing << " pixels differ from \"" << std::string(text.begin(), text.end()) << "\" at "
               << at.x << "," << at.y;
    return ::testing::AssertionSuccess();
}

// --- The chart's rules ---

// The plot rectangle inside the client area: margins 55, 10, 10, 35.
RECT PlotOf(const Picture& client) {
    return RECT{55, 10, client.width - 10, client.height - 35};
}

struct Range {
    float lo;
    float hi;
};

// A value's pixel, in 32-bit floats and truncated toward zero.
int MapX(float x, Range r, const RECT& plot) {
    return static_cast<int>((x - r.lo) * static_cast<float>(plot.right - plot.left) / (r.hi - r.lo) +
                            static_cast<float>(plot.left));
}
int MapY(float y, Range r, const RECT& plot) {
    return static_cast<int>(static_cast<float>(plot.bottom) -
                            (y - r.lo) * static_cast<float>(plot.bottom - plot.top) / (r.hi - r.lo));
}
// The range drawn for data from `low` to `high` of two or more points: a tenth of the span each side.
Range Widened(float low, float high) {
    return Range{1.1f * low - 0.1f * high, 1.1f * high - 0.1f * low};
}

// --- The dialog ---

class CGraphTestDlg : public CDialog {
public:
    explicit CGraphTestDlg(std::function<void(CGraphAxes&)> setup)
        : CDialog(IDD_GRAPHTEST), m_setup(std::move(setup)) {}

    // As the graph window does: points, titles and switch written, then extents and axes.
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

std::function<void(CGraphAxes&)> Chart(std::vector<GraphPoint> points, int symbols) {
    return [points, symbols](CGraphAxes& graph) {
        graph.m_points = points;
        graph.m_showSymbols = symbols;
        graph.m_xTitle = L"Temperature";
        graph.m_yTitle = L"Value[unit]";
    };
}

// Shows the chart, painted, to `look` on the script's thread, then closes the dialog.
void ShowGraph(const std::function<void(CGraphAxes&)>& setup,
               const std::function<void(CUiDriver&, HWND graph)>& look) {
    CGraphTestDlg dialog(setup);
    RunModalScript([&] { return dialog.DoModal(); },
                   [&](CUiDriver& ui) {
                       ASSERT_TRUE(ui.WaitForDialog());
                       ui.Repaint();
                       look(ui, ui.Item(IDC_GRAPHTEST_GRAPH));
                       ui.Click(IDCANCEL);
                   });
}

std::wstring Text(float value) {
    wchar_t text[32];
    swprintf(text, 32, L"%g", static_cast<double>(value));
    return text;
}

TEST(GraphCtrl, EmptyGraphShowsTheGridLabelsFrameAndTitlesOfTheDefaultRange) {
    ShowGraph(Chart({}, 1), [](CUiDriver&, HWND graph) {
        const Picture picture = ReadClient(graph);
        const RECT plot = PlotOf(picture);
        const Range range{0.0f - 0.1f, 10.0f + 0.1f};
        EXPECT_EQ(picture.Count(kTeal), 0);
        const int plotHeight = plot.bottom - plot.top;
        const int plotWidth = plot.right - plot.left;
        for (const float v : {0.0f, 2.0f, 4.0f, 6.0f, 8.0f, 10.0f}) {
            SCOPED_TRACE(v);
            // Dotted grid lines through the plot at each tick; a column or row between ticks is only
            // crossed by the other axis's six lines.
            const int x = MapX(v, range, plot);
            const int y = MapY(v, range, plot);
            EXPECT_GT(picture.CountInColumn(x, plot.top + 2, plot.bottom - 2, kGrey), plotHeight / 3);
            EXPECT_LE(picture.CountInColumn(x + 10, plot.top + 2, plot.bottom - 2, kGrey), 6);
            EXPECT_GT(picture.CountInRow(y, plot.left + 2, plot.right - 2, kGrey), plotWidth / 3);
            EXPECT_LE(picture.CountInRow(y - 10, plot.left + 2, plot.right - 2, kGrey), 6);
            EXPECT_TRUE(ShowsText(picture, graph, Text(v), {x, plot.bottom + 5}, TA_CENTER | TA_TOP));
            EXPECT_TRUE(ShowsText(picture, graph, Text(v), {plot.left - 5, y - 8}, TA_RIGHT | TA_TOP));
        }
        // The black border on the plot's edges, and white margins outside it.
        const int midX = (plot.left + plot.right) / 2;
        const int midY = (plot.top + plot.bottom) / 2;
        for (const POINT p : {POINT{midX, plot.top}, POINT{midX, plot.bottom}, POINT{plot.left, midY},
                              POINT{plot.right, midY}})
            EXPECT_EQ(picture.At(p.x, p.y), kBlack) << p.x << "," << p.y;
        EXPECT_EQ(picture.At(midX, plot.top - 4), kWhite);
        EXPECT_EQ(picture.At(plot.right + 4, midY), kWhite);
        // Bold titles: under the plot, and turned a quarter left of it.
        const FontChange bold{14, 700, 0};
        EXPECT_TRUE(ShowsText(picture, graph, L"Temperature", {midX, picture.height - 2},
                              TA_CENTER | TA_BOTTOM, bold));
        EXPECT_TRUE(ShowsText(picture, graph, L"Value[unit]", {2, midY}, TA_CENTER | TA_TOP, {14, 700, 900}));
    });
}

TEST(GraphCtrl, OnePointIsATealSquareWhateverTheSymbolSwitch) {
    for (const int symbols : {0, 1}) {
        SCOPED_TRACE(symbols);
        ShowGraph(Chart({{3.0f, 7.0f}}, symbols), [](CUiDriver&, HWND graph) {
            const Picture picture = ReadClient(graph);
            const RECT plot = PlotOf(picture);
            // One point: its value +- 0.1 on each axis, so it sits in the middle.
            const int x = MapX(3.0f, {3.0f - 0.1f, 3.0f + 0.1f}, plot);
            const int y = MapY(7.0f, {7.0f - 0.1f, 7.0f + 0.1f}, plot);
            EXPECT_EQ(picture.Count(kTeal), 36);
            for (int dy = -3; dy < 3; ++dy)
                for (int dx = -3; dx < 3; ++dx)
                    EXPECT_EQ(picture.At(x + dx, y + dy), kTeal) << dx << "," << dy;
        });
    }
}

TEST(GraphCtrl, CurveRunsInListOrderAndSymbolsFollowTheSwitch) {
    // Not sorted by x: along the bottom to the right, then back up to the middle.
    const std::vector<GraphPoint> points{{0.0f, 0.0f}, {20.0f, 0.0f}, {10.0f, 10.0f}};
    for (const int symbols : {0, 1}) {
        SCOPED_TRACE(symbols);
        ShowGraph(Chart(points, symbols), [symbols](CUiDriver&, HWND graph) {
            const Picture picture = ReadClient(graph);
            const RECT plot = PlotOf(picture);
            const Range xs = Widened(0.0f, 20.0f);
            const Range ys = Widened(0.0f, 10.0f);
            const POINT a{MapX(0.0f, xs, plot), MapY(0.0f, ys, plot)};
            const POINT b{MapX(20.0f, xs, plot), MapY(0.0f, ys, plot)};
            const POINT c{MapX(10.0f, xs, plot), MapY(10.0f, ys, plot)};
            // The first segment is the row of the bottom points.
            for (int x = a.x; x < b.x; ++x)
                EXPECT_EQ(picture.At(x, a.y), kTeal) << x;
            // The second meets every row between its ends within a pixel of where the line runs.
            for (int y = c.y + 1; y < b.y; ++y) {
                const double along = static_cast<double>(y - c.y) / (b.y - c.y);
                const int x = static_cast<int>(std::lround(c.x + along * (b.x - c.x)));
                EXPECT_GT(picture.CountInRow(y, x - 1, x + 2, kTeal), 0) << y;
            }
            // Nothing joins the first point to the last.
            EXPECT_NE(picture.At((a.x + c.x) / 2, (a.y + c.y) / 2), kTeal);
            // Symbols: the 6 x 6 squares, seen above the top point where no line runs.
            EXPECT_EQ(picture.At(c.x, c.y - 3) == kTeal, symbols == 1);
            EXPECT_EQ(picture.At(a.x - 3, a.y - 3) == kTeal, symbols == 1);
            // Every teal pixel belongs to a segment or, with the switch on, to a symbol.
            int stray = 0;
            for (int y = 0; y < picture.height; ++y) {
                for (int x = 0; x < picture.width; ++x) {
                    if (picture.At(x, y) != kTeal)
                        continue;
                    bool onCurve = std::abs(y - a.y) <= 1 && x >= a.x - 1 && x <= b.x + 1;
                    const double t = static_cast<double>(y - c.y) / (b.y - c.y);
                    onCurve =
                        onCurve || (t >= -0.05 && t <= 1.05 && std::abs(x - (c.x + t * (b.x - c.x))) <= 1.5);
                    for (const POINT p : {a, b, c})
                        onCurve = onCurve || (symbols == 1 && x >= p.x - 3 && x < p.x + 3 && y >= p.y - 3 &&
                                              y < p.y + 3);
                    stray += onCurve ? 0 : 1;
                }
            }
            EXPECT_EQ(stray, 0);
        });
    }
}

TEST(GraphCtrl, ConstantSeriesIsDrawnAcrossTheMiddleOfARangeOfATenthOfItsValue) {
    ShowGraph(Chart({{0.0f, 5.0f}, {10.0f, 5.0f}}, 0), [](CUiDriver&, HWND graph) {
        const Picture picture = ReadClient(graph);
        const RECT plot = PlotOf(picture);
        // No span to widen by a tenth: the range is the value +- a tenth of it, 4.5 to 5.5.
        const int y = MapY(5.0f, {5.0f - 0.5f, 5.0f + 0.5f}, plot);
        const Range xs = Widened(0.0f, 10.0f);
        const int from = MapX(0.0f, xs, plot);
        const int to = MapX(10.0f, xs, plot);
        EXPECT_EQ(picture.CountInRow(y, from, to, kTeal), to - from);
        EXPECT_EQ(picture.Count(kTeal), to - from);
        EXPECT_TRUE(ShowsText(picture, graph, L"5", {plot.left - 5, y - 8}, TA_RIGHT | TA_TOP));
    });
}

TEST(GraphCtrl, TinyYStepLabelsTheYAxisOnTwoLines) {
    ShowGraph(Chart({{0.0f, 0.0f}, {10.0f, 0.0001f}}, 0), [](CUiDriver&, HWND graph) {
        const Picture picture = ReadClient(graph);
        const RECT plot = PlotOf(picture);
        // 0.00012 / 5 gives the step 0.00002: ticks at 0, 2e-5 ... 1e-4, mantissa above, exponent below.
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
        // The x axis keeps one-line "%g" labels.
        const int x = MapX(4.0f, Widened(0.0f, 10.0f), plot);
        EXPECT_TRUE(ShowsText(picture, graph, L"4", {x, plot.bottom + 5}, TA_CENTER | TA_TOP));
    });
}

// --- A real result, and the same chart as SVG ---

std::vector<double> Numbers(const std::string& text) {
    std::vector<double> numbers;
    static const std::regex number(R"(-?[0-9]+(\.[0-9]+)?)");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), number); it != std::sregex_iterator(); ++it)
        numbers.push_back(std::stod(it->str()));
    return numbers;
}

// The body of the SVG group of class `cls`.
std::string Group(const std::string& svg, const std::string& cls) {
    const size_t start = svg.find("<g class=\"" + cls + "\"");
    return start == std::string::npos ? std::string() : svg.substr(start, svg.find("</g>", start) - start);
}

// The numbers of every `attribute="..."` in `text`, in order.
std::vector<double> Attributes(const std::string& text, const std::string& attribute) {
    std::vector<double> values;
    const std::regex pattern(" " + attribute + "=\"([^\"]*)\"");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator();
         ++it)
        for (const double v : Numbers((*it)[1].str()))
            values.push_back(v);
    return values;
}

CMatPropData ExampleSeries(KESTRUMMOD_DATATYPE type, bool thinned) {
    CMatProps set;
    EXPECT_EQ(ReadResultFile(KESTRUM_EXAMPLES L"/alsi7mg.out", set, kFormatEngine), 1);
    for (const CMatPropData& series : set.m_series) {
        if (series.m_dataType != type)
            continue;
        if (!thinned)
            return series;
        CMatPropData thin = series;
        ThinSeries(series, thin);
        return thin;
    }
    ADD_FAILURE() << "no series of type " << type;
    return {};
}

std::function<void(CGraphAxes&)> PropertyChart(const CMatPropData& series, int symbols) {
    return [series, symbols](CGraphAxes& graph) {
        graph.m_points = series.m_points;
        graph.m_showSymbols = symbols;
        graph.m_xTitle = GraphXTitle();
        graph.m_yTitle = GraphYTitle(series.m_dataType);
    };
}

constexpr KESTRUMMOD_DATATYPE kDensity = static_cast<KESTRUMMOD_DATATYPE>(15);
constexpr KESTRUMMOD_DATATYPE kFractionLiquid = static_cast<KESTRUMMOD_DATATYPE>(4);

TEST(GraphCtrl, WindowPaintsTheRectangleTicksAndCurveWhereTheSvgPutsThem) {
    const CMatPropData density = ExampleSeries(kDensity, true);
    ASSERT_GE(density.m_points.size(), 3u);
    ShowGraph(PropertyChart(density, 1), [&](CUiDriver& ui, HWND graph) {
        ASSERT_TRUE(ui.Screenshot(L"graph_density_thinned"));
        const Picture picture = ReadClient(graph);
        CGraphAxes axes;
        PropertyChart(density, 1)(axes);
        axes.RecalcExtents();
        axes.RecalcAxes();
        const std::string svg = RenderGraphSvg(axes, picture.width, picture.height);

        const std::string plot = Group(svg, "plot");
        ASSERT_EQ(Attributes(plot, "x").size(), 1u);
        const int left = static_cast<int>(Attributes(plot, "x")[0]);
        const int top = static_cast<int>(Attributes(plot, "y")[0]);
        const int right = left + static_cast<int>(Attributes(plot, "width")[0]);
        const int bottom = top + static_cast<int>(Attributes(plot, "height")[0]);
        const int midX = (left + right) / 2;
        const int midY = (top + bottom) / 2;
        for (const POINT p : {POINT{midX, top}, POINT{midX, bottom}, POINT{left, midY}, POINT{right, midY}})
            EXPECT_EQ(picture.At(p.x, p.y), kBlack) << p.x << "," << p.y;

        // Grid lines run through pixel centres in the SVG: x1 - 0.5 is the window's column.
        const std::string grid = Group(svg, "grid");
        const std::vector<double> x1 = Attributes(grid, "x1");
        const std::vector<double> x2 = Attributes(grid, "x2");
        const std::vector<double> y1 = Attributes(grid, "y1");
        ASSERT_FALSE(x1.empty());
        for (size_t i = 0; i < x1.size(); ++i) {
            if (x1[i] == x2[i]) {
                const int x = static_cast<int>(x1[i] - 0.5);
                EXPECT_GT(picture.CountInColumn(x, top + 2, bottom - 2, kGrey) +
                              picture.CountInColumn(x, top + 2, bottom - 2, kTeal),
                          (bottom - top) / 3)
                    << "column " << x;
            } else {
                const int y = static_cast<int>(y1[i] - 0.5);
                EXPECT_GT(picture.CountInRow(y, left + 2, right - 2, kGrey), (right - left) / 4)
                    << "row " << y;
            }
        }
        // Each vertex of the curve, and each symbol square whole.
        const size_t polyline = svg.find("class=\"curve\"");
        ASSERT_NE(polyline, std::string::npos);
        const std::vector<double> curve =
            Attributes(svg.substr(polyline, svg.find("/>", polyline) - polyline), "points");
        ASSERT_EQ(curve.size(), density.m_points.size() * 2);
        const std::string squares = Group(svg, "symbols");
        const std::vector<double> xs = Attributes(squares, "x");
        const std::vector<double> ys = Attributes(squares, "y");
        ASSERT_EQ(xs.size(), density.m_points.size());
        for (size_t i = 0; i + 1 < curve.size(); i += 2) {
            const int x = static_cast<int>(curve[i] - 0.5);
            const int y = static_cast<int>(curve[i + 1] - 0.5);
            if (x >= left && x < right && y > top && y < bottom) {
                EXPECT_EQ(picture.At(x, y), kTeal) << x << "," << y;
            }
        }
        for (size_t i = 0; i < xs.size(); ++i) {
            const int x = static_cast<int>(xs[i]);
            const int y = static_cast<int>(ys[i]);
            // Within the plot: the frame covers what reaches into the margins.
            if (x > left && x + 6 < right && y > top && y + 6 < bottom) {
                EXPECT_TRUE(picture.At(x, y) == kTeal && picture.At(x + 5, y + 5) == kTeal) << x << "," << y;
            }
        }
    });
}

TEST(GraphCtrl, RealResultScreenshots) {
    struct Case {
        KESTRUMMOD_DATATYPE type;
        bool thinned;
        const wchar_t* name;
    };
    const Case cases[] = {{kFractionLiquid, true, L"graph_fraction_liquid_thinned"},
                          {kDensity, false, L"graph_density_raw"},
                          {kFractionLiquid, false, L"graph_fraction_liquid_raw"}};
    for (const Case& c : cases) {
        const CMatPropData series = ExampleSeries(c.type, c.thinned);
        // Thinned with symbols, as the window opens; raw without.
        const int symbols = c.thinned ? 1 : 0;
        ShowGraph(PropertyChart(series, symbols), [&](CUiDriver& ui, HWND graph) {
            EXPECT_TRUE(ui.Screenshot(c.name));
            EXPECT_GT(ReadClient(graph).Count(kTeal), 0);
        });
    }
}

TEST(GraphCtrl, PaintingLeavesNoGdiObjectsBehind) {
    ASSERT_TRUE(CountGdiObjects());
    const size_t before = LiveGdiObjects();
    ShowGraph(Chart({{0.0f, 1.0f}, {5.0f, 3.0f}, {10.0f, 2.0f}}, 1), [&](CUiDriver& ui, HWND graph) {
        const Picture first = ReadClient(graph);
        const size_t painted = LiveGdiObjects();
        // The off-screen context and its bitmap stay for the control's life.
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
