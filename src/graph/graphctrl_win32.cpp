#include "graph/graphctrl.h"

#include <vector>

namespace {

RECT ToRect(const GraphRect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

void DrawTextAt(CDC& dc, const CString& text, int x, int y) {
    dc.TextOut(x, y, text.GetString(), text.GetLength());
}

// Rectangles filled and outlined in one colour (solid brush, 1-pixel solid pen), as one drawing step.
void DrawRects(CDC& dc, COLORREF colour, const std::vector<RECT>& rects) {
    CBrush brush(colour);
    CPen pen(PS_SOLID, 1, colour);
    CDrawStep step(dc);
    step.SelectObject(brush);
    step.SelectObject(pen);
    for (const RECT& r : rects)
        dc.Rectangle(r);
}

} // namespace

void CGraphCtrl::CalcLayout() {
    RECT client{};
    GetClientRect(&client);
    CGraphAxes::CalcLayout({client.left, client.top, client.right, client.bottom});
}

LRESULT CGraphCtrl::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    // Background erasing and the mouse keep the static control's own handling; the paint covers the
    // whole client area.
    if (msg == WM_PAINT) {
        OnPaint();
        return 0;
    }
    return CStatic::WindowProc(msg, wParam, lParam);
}

void CGraphCtrl::OnPaint() {
    CPaintDC dc(m_hWnd);
    // The window is not resizable: bitmap and layout are made once, for the client area of the first
    // paint.
    if (!m_memDC) {
        m_memDC = std::make_unique<CMemDC>(&dc);
        CalcLayout();
    }
    CMemDC& mem = *m_memDC;
    DrawPlotBackground(mem);
    DrawGrid(mem);
    DrawCurve(mem);
    DrawFrame(mem);
    DrawLabels(mem);
    const RECT& client = mem.GetRect();
    dc.BitBlt(client.left, client.top, client.right - client.left, client.bottom - client.top, &mem, 0, 0,
              SRCCOPY);
}

void CGraphCtrl::DrawPlotBackground(CDC& dc) {
    DrawRects(dc, kGraphWhite, {ToRect(m_plotRect)});
}

void CGraphCtrl::DrawGrid(CDC& dc) {
    CPen pen(PS_DOT, 1, kGraphGrey);
    CDrawStep step(dc);
    step.SelectObject(pen);
    for (const int x : XTickPixels()) {
        dc.MoveTo(x, m_plotRect.bottom);
        dc.LineTo(x, m_plotRect.top);
    }
    for (const int y : YTickPixels()) {
        dc.MoveTo(m_plotRect.left, y);
        dc.LineTo(m_plotRect.right, y);
    }
}

// Points that are not finite are left out (IsDrawnPoint), as they are of the extents.
void CGraphCtrl::DrawCurve(CDC& dc) {
    const std::vector<GraphPoint> points = DrawnPoints(m_points);
    if (points.empty())
        return;
    if (points.size() >= 2) {
        CPen pen(PS_SOLID, m_lineWidth, kGraphTeal);
        CDrawStep step(dc);
        step.SelectObject(pen);
        // One polyline in list order draws the pixels of a move to the first point and a line to each
        // following one, in one call instead of one per point.
        std::vector<POINT> mapped;
        mapped.reserve(points.size());
        for (const GraphPoint& p : points)
            mapped.push_back(POINT{X(p.x), Y(p.y)});
        dc.Polyline(mapped.data(), static_cast<int>(mapped.size()));
    }
    // A lone point has no line to show it: its symbol is drawn whatever the switch.
    if (points.size() == 1 || m_showSymbols == 1) {
        const int h = m_symbolHalfSize;
        std::vector<RECT> symbols;
        symbols.reserve(points.size());
        for (const GraphPoint& p : points) {
            const int x = X(p.x);
            const int y = Y(p.y);
            symbols.push_back(RECT{x - h, y - h, x + h, y + h});
        }
        DrawRects(dc, kGraphTeal, symbols);
    }
}

void CGraphCtrl::DrawFrame(CDC& dc) {
    std::vector<RECT> margins;
    for (const GraphRect& r : FrameRects())
        margins.push_back(ToRect(r));
    DrawRects(dc, kGraphWhite, margins);
    CPen border(PS_SOLID, 2, kGraphBlack);
    CDrawStep step(dc);
    step.SelectObject(border);
    const GraphRect& plot = m_plotRect;
    dc.MoveTo(plot.left, plot.top);
    dc.LineTo(plot.right, plot.top);
    dc.LineTo(plot.right, plot.bottom);
    dc.LineTo(plot.left, plot.bottom);
    dc.LineTo(plot.left, plot.top);
}

// Labels and titles in the context's default colours: black text on an opaque white background.
void CGraphCtrl::DrawLabels(CDC& dc) {
    const HFONT controlFont = GetFont();
    CFont labelFont;
    labelFont.CreateFromFont(controlFont, FontChange{kGraphLabelHeight, 0, 0});
    CFont xTitleFont;
    xTitleFont.CreateFromFont(controlFont, FontChange{kGraphTitleHeight, kGraphTitleWeight, 0});
    CFont yTitleFont;
    yTitleFont.CreateFromFont(controlFont, FontChange{kGraphTitleHeight, kGraphTitleWeight, 900});
    CDrawStep step(dc);

    step.SelectObject(labelFont);
    dc.SetTextAlign(TA_CENTER | TA_TOP);
    for (const GraphLabel& label : XLabels())
        DrawTextAt(dc, label.text, label.x, label.y);
    dc.SetTextAlign(TA_RIGHT | TA_TOP);
    for (const GraphLabel& label : YLabels())
        DrawTextAt(dc, label.text, label.x, label.y);

    step.SelectObject(xTitleFont);
    dc.SetTextAlign(TA_CENTER | TA_BOTTOM);
    const GraphPixel x = XTitleAnchor();
    DrawTextAt(dc, m_xTitle, x.x, x.y);

    step.SelectObject(yTitleFont);
    dc.SetTextAlign(TA_CENTER | TA_TOP);
    const GraphPixel y = YTitleAnchor();
    DrawTextAt(dc, m_yTitle, y.x, y.y);
}
