// The SVG follows the control's paint step by step (plot background, grid, curve, symbols, margin
// frame, border, labels, titles) so that a file looks like the window. GDI fills a rectangle's pixels
// from left/top up to but not including right/bottom, which is what an SVG rect over the same numbers
// covers; one-pixel lines run through pixel centres, hence the half-pixel offsets.
#include "graph/svgplot.h"

#include <algorithm>
#include <cstdlib>
#include <functional>

#include "framework/utf.h"

namespace {

// Tahoma's cell (ascent 2049 + descent 423) is 2472 font units to the 2048 of its em. GDI font
// heights here are cell heights, SVG font sizes are em sizes, and SVG places text by its baseline
// where GDI places it by the cell's top or bottom.
constexpr double kEmPerCell = 2048.0 / 2472.0;
constexpr double kAscentPerCell = 2049.0 / 2472.0;
constexpr double kDescentPerCell = 423.0 / 2472.0;
constexpr wchar_t kFontFamily[] = L"Tahoma, 'DejaVu Sans', sans-serif";

// GDI's PS_DOT on a one-pixel pen: three pixels on, three off.
constexpr wchar_t kDotPattern[] = L"3 3";

CString Number(double value) {
    CString text;
    text.Format(L"%g", value);
    return text;
}

// #RRGGBB from a Windows colour value 0x00BBGGRR.
CString Colour(uint32_t value) {
    CString text;
    text.Format(L"#%02x%02x%02x", value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
    return text;
}

// Text content and attribute values. Characters XML 1.0 cannot carry at all are left out.
void AppendEscaped(std::wstring& out, const wchar_t* text) {
    for (const wchar_t* p = text; *p != L'\0'; ++p) {
        const wchar_t c = *p;
        switch (c) {
        case L'&':
            out += L"&amp;";
            break;
        case L'<':
            out += L"&lt;";
            break;
        case L'>':
            out += L"&gt;";
            break;
        case L'"':
            out += L"&quot;";
            break;
        case L'\'':
            out += L"&apos;";
            break;
        default:
            if ((c < 0x20 && c != L'\t' && c != L'\n' && c != L'\r') || c == 0xFFFE || c == 0xFFFF)
                break;
            out += c;
        }
    }
}

void AppendRect(std::wstring& out, int left, int top, int right, int bottom) {
    CString rect;
    rect.Format(L"<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\"/>\n", left, top, right - left,
                bottom - top);
    out += rect.Str();
}

void AppendLine(std::wstring& out, double x1, double y1, double x2, double y2) {
    out += L"<line x1=\"" + Number(x1).Str() + L"\" y1=\"" + Number(y1).Str() + L"\" x2=\"" +
           Number(x2).Str() + L"\" y2=\"" + Number(y2).Str() + L"\"/>\n";
}

// One text at a GDI reference point: `anchor` is the horizontal alignment, `fromTop` chooses TA_TOP
// (else TA_BOTTOM) for the vertical one.
void AppendText(std::wstring& out, const CString& text, int x, int y, int cellHeight, bool fromTop) {
    const double baseline = fromTop ? y + cellHeight * kAscentPerCell : y - cellHeight * kDescentPerCell;
    out += L"<text x=\"" + Number(x).Str() + L"\" y=\"" + Number(baseline).Str() + L"\">";
    AppendEscaped(out, text);
    out += L"</text>\n";
}

void AppendGrid(std::wstring& out, const CGraphAxes& axes) {
    const GraphRect& plot = axes.m_plotRect;
    out += L"<g class=\"grid\" stroke=\"" + Colour(kGraphGrey).Str() +
           L"\" stroke-width=\"1\" stroke-dasharray=\"" + kDotPattern + L"\">\n";
    for (const int x : axes.XTickPixels())
        AppendLine(out, x + 0.5, plot.bottom, x + 0.5, plot.top);
    for (const int y : axes.YTickPixels())
        AppendLine(out, plot.left, y + 0.5, plot.right, y + 0.5);
    out += L"</g>\n";
}

std::wstring SvgHead(int width, int height) {
    CString head;
    head.Format(L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                L"<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" viewBox=\"0 0 %d %d\" "
                L"font-family=\"%s\">\n",
                width, height, width, height, kFontFamily);
    return head.Str();
}

// Points that are not finite are left out (IsDrawnPoint), as they are of the extents.
void AppendCurve(std::wstring& out, const CGraphAxes& axes, const std::vector<GraphPoint>& all,
                 uint32_t colour, bool line, bool symbols) {
    const std::vector<GraphPoint> points = DrawnPoints(all);
    if (line && points.size() >= 2) {
        out += L"<polyline class=\"curve\" fill=\"none\" stroke=\"" + Colour(colour).Str() +
               L"\" stroke-width=\"" + Number(axes.m_lineWidth).Str() + L"\" points=\"";
        for (size_t i = 0; i < points.size(); ++i) {
            if (i > 0)
                out += L' ';
            out += Number(axes.X(points[i].x) + 0.5).Str() + L',' + Number(axes.Y(points[i].y) + 0.5).Str();
        }
        out += L"\"/>\n";
    }
    if (!points.empty() && (points.size() == 1 || symbols || !line)) {
        const int h = axes.m_symbolHalfSize;
        out += L"<g class=\"symbols\" fill=\"" + Colour(colour).Str() + L"\">\n";
        for (const GraphPoint& p : points) {
            const int x = axes.X(p.x);
            const int y = axes.Y(p.y);
            AppendRect(out, x - h, y - h, x + h, y + h);
        }
        out += L"</g>\n";
    }
}

void AppendFrame(std::wstring& out, const CGraphAxes& axes) {
    const GraphRect& plot = axes.m_plotRect;
    out += L"<g class=\"frame\" fill=\"" + Colour(kGraphWhite).Str() + L"\">\n";
    for (const GraphRect& r : axes.FrameRects())
        AppendRect(out, r.left, r.top, r.right, r.bottom);
    out += L"</g>\n";
    CString border;
    border.Format(L"<polyline class=\"border\" fill=\"none\" stroke=\"%s\" stroke-width=\"2\" "
                  L"points=\"%d,%d %d,%d %d,%d %d,%d %d,%d\"/>\n",
                  Colour(kGraphBlack).GetString(), plot.left, plot.top, plot.right, plot.top, plot.right,
                  plot.bottom, plot.left, plot.bottom, plot.left, plot.top);
    out += border.Str();
}

// A label's width in pixels at the label font, estimated from Tahoma's advance widths (digits 0.55 em,
// "." 0.3 em, the other characters of a tick label at most 0.75 em); no font is measured here.
double LabelWidth(const CString& text) {
    const double em = kGraphLabelHeight * kEmPerCell;
    double width = 0;
    for (const wchar_t c : text.Str())
        width += em * (c >= L'0' && c <= L'9' ? 0.55 : c == L'.' ? 0.3 : 0.75);
    return width;
}

// The smallest stride of 1, 2, 5, 10, 20, 50, ... ticks at which labels `extent` pixels long (plus a
// gap) fit between ticks `spacing` pixels apart.
int LabelStride(int spacing, double extent) {
    if (spacing <= 0)
        return 1;
    for (int decade = 1;; decade *= 10) {
        for (const int n : {decade, 2 * decade, 5 * decade}) {
            if (n * spacing >= extent + 4 || n >= 1000)
                return n;
        }
    }
}

int TickSpacing(const std::vector<int>& pixels) {
    return pixels.size() < 2 ? 0 : std::abs(pixels[1] - pixels[0]);
}

void AppendLabels(std::wstring& out, const CGraphAxes& axes) {
    double widest = 0;
    for (const GraphLabel& label : axes.XLabels())
        widest = std::max(widest, LabelWidth(label.text));
    // A y label is one line of the label font, two when it holds an exponent: YLabels gives the
    // exponent as an entry of its own that begins with the "e".
    int lines = 1;
    for (const GraphLabel& label : axes.YLabels())
        lines = label.text.Find(L'e') == 0 ? 2 : lines;
    const int xEvery = LabelStride(TickSpacing(axes.XTickPixels()), widest);
    const int yEvery = LabelStride(TickSpacing(axes.YTickPixels()), lines * kGraphLabelHeight);
    const CString size = Number(kGraphLabelHeight * kEmPerCell);
    out += L"<g class=\"x-labels\" font-size=\"" + size.Str() + L"\" text-anchor=\"middle\">\n";
    for (const GraphLabel& label : axes.XLabels(xEvery))
        AppendText(out, label.text, label.x, label.y, kGraphLabelHeight, true);
    out += L"</g>\n<g class=\"y-labels\" font-size=\"" + size.Str() + L"\" text-anchor=\"end\">\n";
    for (const GraphLabel& label : axes.YLabels(yEvery))
        AppendText(out, label.text, label.x, label.y, kGraphLabelHeight, true);
    out += L"</g>\n";
}

void AppendTitles(std::wstring& out, const CGraphAxes& axes) {
    const CString size = Number(kGraphTitleHeight * kEmPerCell);
    const GraphPixel x = axes.XTitleAnchor();
    out += L"<g class=\"x-title\" font-size=\"" + size.Str() + L"\" font-weight=\"" +
           Number(kGraphTitleWeight).Str() + L"\" text-anchor=\"middle\">\n";
    AppendText(out, axes.m_xTitle, x.x, x.y, kGraphTitleHeight, false);
    out += L"</g>\n";
    // Escapement 900 turns the text a quarter counter-clockwise; its cell's top then faces left, so
    // the baseline lies one ascent to the right of the reference point.
    const GraphPixel y = axes.YTitleAnchor();
    const double baseline = y.x + kGraphTitleHeight * kAscentPerCell;
    out += L"<g class=\"y-title\" font-size=\"" + size.Str() + L"\" font-weight=\"" +
           Number(kGraphTitleWeight).Str() + L"\" text-anchor=\"middle\" transform=\"translate(" +
           Number(baseline).Str() + L' ' + Number(y.y).Str() + L") rotate(-90)\">\n";
    out += L"<text x=\"0\" y=\"0\">";
    AppendEscaped(out, axes.m_yTitle);
    out += L"</text>\n</g>\n";
}

std::wstring Sanitised(const std::wstring& text) {
    std::wstring out;
    bool gap = false;
    for (const wchar_t c : text) {
        const bool kept = (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') ||
                          c == L'-' || c == L'_';
        if (!kept) {
            gap = true;
            continue;
        }
        if (gap && !out.empty())
            out += L'_';
        gap = false;
        out += c;
    }
    return out;
}

bool SameNoCase(const std::wstring& a, const std::wstring& b) {
    return CString(a).CompareNoCase(b.c_str()) == 0;
}

} // namespace

CString GraphXTitle() {
    return KESTRUMMOD_DataTypeToString(JDT_T_C);
}

CString GraphYTitle(KESTRUMMOD_DATATYPE type) {
    const CString name = KESTRUMMOD_DataTypeToString(type);
    CString unit;
    if (!GetDataTypeUnit(type, &unit))
        return name;
    CString title;
    title.Format(L"%s[%s]", name.GetString(), unit.GetString());
    return title;
}

namespace {

// The chart over `client` (the control's client area, moved down by any band above it): background,
// grid, what `drawCurves` adds, frame, tick labels and titles.
void AppendChart(std::wstring& out, CGraphAxes& axes, const GraphRect& client,
                 const std::function<void(std::wstring&)>& drawCurves) {
    axes.CalcLayout(client);
    out += L"<g class=\"plot\" fill=\"" + Colour(kGraphWhite).Str() + L"\">\n";
    AppendRect(out, axes.m_plotRect.left, axes.m_plotRect.top, axes.m_plotRect.right, axes.m_plotRect.bottom);
    out += L"</g>\n";
    AppendGrid(out, axes);
    drawCurves(out);
    AppendFrame(out, axes);
    AppendLabels(out, axes);
    AppendTitles(out, axes);
}

// The band above the chart and its title, centred in the axis titles' bold font, made smaller when the
// title would be wider than the chart (same width estimate as the tick labels).
constexpr int kTitleBand = 24;

void AppendChartTitle(std::wstring& out, const CString& title, int width) {
    double size = kGraphTitleHeight * kEmPerCell;
    const double wide = LabelWidth(title) * kGraphTitleHeight / kGraphLabelHeight;
    if (wide > width - 8)
        size *= (width - 8) / wide;
    out += L"<g class=\"title\" font-size=\"" + Number(size).Str() + L"\" font-weight=\"" +
           Number(kGraphTitleWeight).Str() + L"\" text-anchor=\"middle\">\n<text x=\"" +
           Number(width / 2).Str() + L"\" y=\"" + Number(kTitleBand - 8).Str() + L"\">";
    AppendEscaped(out, title);
    out += L"</text>\n</g>\n";
}

// The legend below the chart, one line per labelled curve: its line and symbol in its colour, then
// its label.
constexpr int kLegendLine = kGraphLabelHeight + 4;

void AppendLegend(std::wstring& out, const std::vector<SvgCurve>& curves, int left, int top) {
    out += L"<g class=\"legend\" font-size=\"" + Number(kGraphLabelHeight * kEmPerCell).Str() + L"\">\n";
    int y = top + kLegendLine / 2;
    for (size_t i = 0; i < curves.size(); ++i) {
        if (curves[i].label.empty())
            continue;
        const CString colour = Colour(CurveColour(i));
        CString entry;
        if (curves[i].line)
            entry.Format(
                L"<line x1=\"%d\" y1=\"%d\" x2=\"%d\" y2=\"%d\" stroke=\"%s\" stroke-width=\"2\"/>\n", left,
                y, left + 20, y, colour.GetString());
        if (curves[i].symbols || !curves[i].line) {
            CString symbol;
            symbol.Format(L"<rect x=\"%d\" y=\"%d\" width=\"6\" height=\"6\" fill=\"%s\"/>\n", left + 7,
                          y - 3, colour.GetString());
            entry += symbol;
        }
        CString text;
        text.Format(L"<text x=\"%d\" y=\"%d\">", left + 26, y + kGraphLabelHeight / 3);
        out += (entry + text).Str();
        AppendEscaped(out, curves[i].label.c_str());
        out += L"</text>\n";
        y += kLegendLine;
    }
    out += L"</g>\n";
}

} // namespace

std::string RenderGraphSvg(CGraphAxes& axes, int width, int height) {
    std::wstring out = SvgHead(width, height);
    AppendChart(out, axes, {0, 0, width, height}, [&axes](std::wstring& svg) {
        AppendCurve(svg, axes, axes.m_points, kGraphTeal, true, axes.m_showSymbols == 1);
    });
    out += L"</svg>\n";
    return WideToUtf8(out);
}

uint32_t CurveColour(size_t index) {
    // The graph control's teal first, then colours apart from it and from each other.
    static constexpr uint32_t kColours[] = {kGraphTeal, 0x0000C0, 0xC00000, 0x008000, 0x800080, 0x0080FF};
    return kColours[index % std::size(kColours)];
}

std::string RenderChartSvg(const SvgChart& chart) {
    CGraphAxes axes;
    for (const SvgCurve& curve : chart.curves)
        axes.m_points.insert(axes.m_points.end(), curve.points.begin(), curve.points.end());
    axes.RecalcExtents();
    axes.RecalcAxes();
    axes.m_xTitle = chart.xTitle;
    axes.m_yTitle = chart.yTitle;
    const int width = kGraphClientWidth;
    const int top = chart.title.IsEmpty() ? 0 : kTitleBand;
    const auto labelled = std::count_if(chart.curves.begin(), chart.curves.end(),
                                        [](const SvgCurve& curve) { return !curve.label.empty(); });
    const int legend = labelled > 0 ? static_cast<int>(labelled) * kLegendLine + 6 : 0;
    const int height = top + kGraphClientHeight + legend;

    std::wstring out = SvgHead(width, height);
    CString background;
    background.Format(
        L"<rect class=\"background\" x=\"0\" y=\"0\" width=\"%d\" height=\"%d\" fill=\"%s\"/>\n", width,
        height, Colour(kGraphWhite).GetString());
    out += background.Str();
    if (top > 0)
        AppendChartTitle(out, chart.title, width);
    AppendChart(out, axes, {0, top, width, top + kGraphClientHeight}, [&](std::wstring& svg) {
        for (size_t i = 0; i < chart.curves.size(); ++i) {
            const SvgCurve& curve = chart.curves[i];
            AppendCurve(svg, axes, curve.points, CurveColour(i), curve.line, curve.symbols);
        }
    });
    if (legend > 0)
        AppendLegend(out, chart.curves, axes.m_plotRect.left, top + kGraphClientHeight + 2);
    out += L"</svg>\n";
    return WideToUtf8(out);
}

bool IsPlottedType(KESTRUMMOD_DATATYPE type) {
    return type != JDT_NULL && type != JDT_UNKNOWN && type != JDT_T_C;
}

std::wstring PlotFileStem(KESTRUMMOD_DATATYPE type) {
    CString label = KESTRUMMOD_DataTypeToTag(type);
    if (label.IsEmpty())
        label = KESTRUMMOD_DataTypeToString(type);
    const std::wstring stem = Sanitised(label.Str());
    return stem.empty() ? L"series" : stem;
}

std::vector<std::wstring> PlotFileNames(const CMatProps& set) {
    std::vector<std::wstring> names;
    std::vector<std::wstring> used;
    for (const CMatPropData& series : set.m_series) {
        if (!IsPlottedType(series.m_dataType)) {
            names.emplace_back();
            continue;
        }
        const std::wstring stem = PlotFileStem(series.m_dataType);
        std::wstring name = stem;
        for (int n = 2;; ++n) {
            bool taken = false;
            for (const std::wstring& other : used)
                taken = taken || SameNoCase(other, name);
            if (!taken)
                break;
            name = stem + L'-' + std::to_wstring(n);
        }
        used.push_back(name);
        names.push_back(name + L".svg");
    }
    return names;
}
