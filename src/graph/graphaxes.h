// The graph control's axis state and arithmetic, without any drawing: point list, data extents, axis
// range and tick steps, the layout rectangles, value-to-pixel mapping and tick labels. The Windows
// control (CGraphCtrl : CStatic, CGraphAxes) paints from this state through GDI; the SVG writer paints
// from the same state, so both show the same chart.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "framework/cstring.h"
#include "props/matprops.h"

// Same member layout as the Windows RECT (four 32-bit LONGs).
struct GraphRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// The tick indices k of one axis: ticks at k * step for first <= k < end.
struct TickRange {
    int first;
    int end;
    int Count() const { return end > first ? end - first : 0; }
};

// A text of the chart at its reference point; the alignment is fixed by what the text is.
struct GraphLabel {
    CString text;
    int x;
    int y;
};

struct GraphPixel {
    int x;
    int y;
};

class CGraphAxes {
public:
    // Rectangles and steps zeroed, extents (0, 0)..(10, 10), then RecalcAxes: the empty chart's range.
    CGraphAxes();

    // Data minimum and maximum of the drawn points; (0, 0) and (10, 10) without any.
    void RecalcExtents();
    // Axis range and both tick steps from the extents.
    void RecalcAxes();
    // A step of 1, 2 or 5 times a power of ten giving about five intervals over [lower, upper].
    static float CalcTickStep(float upper, float lower);
    // The plot and title rectangles for a client rectangle and the margins.
    void CalcLayout(const GraphRect& client);

    // Pixel position of a value inside the plot rectangle, truncated toward zero.
    int X(float x) const;
    int Y(float y) const;

    static TickRange TickIndices(float lo, float hi, float step);
    TickRange XTicks() const { return TickIndices(m_axisMin.x, m_axisMax.x, m_tickStep.x); }
    TickRange YTicks() const { return TickIndices(m_axisMin.y, m_axisMax.y, m_tickStep.y); }

    // The label of the tick at `value` on an axis with `step`: "%4.4e" for steps below 0.0001 or above
    // 10000, else "%g", with three exponent digits.
    static CString FormatTickLabel(float value, float step);
    // A y label goes on two lines when it holds an exponent: the part before the first "e" and the
    // part from it on. `second` is empty for a label without "e".
    static void SplitLabel(const CString& label, CString& first, CString& second);

    // Where the chart's parts go, from the layout and the axes; the window and the SVG both draw these.
    // The pixel of each tick, in tick order.
    std::vector<int> XTickPixels() const;
    std::vector<int> YTickPixels() const;
    // x labels are centred on their tick under the plot, reference point at the text's top; y labels
    // end left of the plot, reference at the top, a label with an exponent as two entries (mantissa,
    // then the part from the "e" on a line below). With `every` n only the ticks k * step whose k is
    // a multiple of n are labelled (the control labels all).
    std::vector<GraphLabel> XLabels(int every = 1) const;
    std::vector<GraphLabel> YLabels(int every = 1) const;
    // The four margins' rectangles, cleared around the plot: top, left, right, bottom.
    std::array<GraphRect, 4> FrameRects() const;
    // The x title's reference point is the middle of its band's bottom edge (centre/bottom alignment);
    // the y title's, turned a quarter counter-clockwise, is its band's left edge halfway down
    // (centre/top alignment of the turned text).
    GraphPixel XTitleAnchor() const {
        return {(m_xTitleRect.left + m_xTitleRect.right) / 2, m_xTitleRect.bottom};
    }
    GraphPixel YTitleAnchor() const {
        return {m_yTitleRect.left, (m_yTitleRect.top + m_yTitleRect.bottom) / 2};
    }

    GraphPoint m_tickStep{0.0f, 0.0f};
    GraphPoint m_axisMax{0.0f, 0.0f};
    GraphPoint m_axisMin{0.0f, 0.0f};
    GraphPoint m_dataMin{0.0f, 0.0f};
    GraphPoint m_dataMax{10.0f, 10.0f};
    GraphRect m_margins{55, 10, 10, 35};
    GraphRect m_plotRect{0, 0, 0, 0};
    GraphRect m_clientRect{0, 0, 0, 0};
    GraphRect m_xTitleRect{0, 0, 0, 0};
    GraphRect m_yTitleRect{0, 0, 0, 0};
    std::vector<GraphPoint> m_points;
    int32_t m_symbolHalfSize = 3;
    int32_t m_lineWidth = 1;
    int32_t m_showSymbols = 0; // set by the owner
    CString m_xTitle;
    CString m_yTitle;
};

// Whether a point is drawn: both coordinates finite. A value that is not (a file's "nan" or "inf", or
// a number beyond single precision) counts as missing, as the reader treats a missing-value mark: it
// is left out of the extents, and the curve joins the points on either side of it.
inline bool IsDrawnPoint(GraphPoint p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}
std::vector<GraphPoint> DrawnPoints(const std::vector<GraphPoint>& points);

// Colours as Windows colour values, 0x00BBGGRR.
inline constexpr uint32_t kGraphWhite = 0xFFFFFF;
inline constexpr uint32_t kGraphBlack = 0x000000;
inline constexpr uint32_t kGraphGrey = 0x808080;
inline constexpr uint32_t kGraphTeal = 0x808000;

// Label and title font heights (cell heights, as in a LOGFONT with a positive height), title weight.
inline constexpr int kGraphLabelHeight = 12;
inline constexpr int kGraphTitleHeight = 14;
inline constexpr int kGraphTitleWeight = 700;
