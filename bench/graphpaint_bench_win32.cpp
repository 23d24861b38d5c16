// One full paint of the graph control over the long chart series, in a window of the graph window's
// size: the off-screen drawing and the block transfer, as WM_PAINT runs them. Google Benchmark is not
// built for the Windows tree, so this is a plain timing loop printing the median of its runs.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "graph/graphctrl.h"
#include "graph/svgplot.h"
#include "graphseries.h"

namespace {

constexpr int kRuns = 15;

double PaintMilliseconds(CGraphCtrl& graph) {
    const auto start = std::chrono::steady_clock::now();
    graph.Invalidate(FALSE);
    ::UpdateWindow(graph);
    ::GdiFlush();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main() {
    // The control's client area as in the graph window (a border around it, as there).
    RECT frame{0, 0, kGraphClientWidth, kGraphClientHeight};
    ::AdjustWindowRectEx(&frame, WS_POPUP | WS_BORDER, FALSE, 0);
    const RECT place{100, 100, 100 + frame.right - frame.left, 100 + frame.bottom - frame.top};
    CGraphCtrl graph;
    const HWND window = ::CreateWindowExW(0, L"Static", L"", WS_POPUP | WS_BORDER | WS_VISIBLE, place.left,
                                          place.top, place.right - place.left, place.bottom - place.top,
                                          nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (!window || !graph.SubclassWindow(window)) {
        std::fprintf(stderr, "no window (is there a display?)\n");
        return 1;
    }
    graph.SetFont(static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    SetUpChart(graph);

    const double first = PaintMilliseconds(graph);
    for (const int symbols : {1, 0}) {
        graph.m_showSymbols = symbols;
        std::vector<double> times;
        for (int i = 0; i < kRuns; ++i)
            times.push_back(PaintMilliseconds(graph));
        std::printf("paint of %d points, symbols %d: median %.2f ms, fastest %.2f ms (%d runs)\n",
                    kChartPoints, symbols, Median(times), *std::min_element(times.begin(), times.end()),
                    kRuns);
    }
    std::printf("first paint (off-screen bitmap made): %.2f ms\n", first);
    graph.UnsubclassWindow();
    ::DestroyWindow(window);
    return 0;
}
