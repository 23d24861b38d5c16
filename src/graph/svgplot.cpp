// The SVG follows the control's paint step by step (plot background, grid, curve, symbols, margin
// frame, border, labels, titles) so that a file looks like the window. GDI fills a rectangle's pixels
// from left/top up to but not including right/bottom, which is what an SVG rect over the same numbers
// covers; one-pixel lines run through pixel centres, hence the half-pixel offsets.
#include "graph/svgplot.h"

#include <filesystem>
#include <functional>

#include "framework/osfile.h"
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

void AppendCurve(std::wstring& out, const CGraphAxes& axes, const std::vector<GraphPoint>& points,
                 uint32_t colour, bool symbols) {
    if (points.size() >= 2) {
        out += L"<polyline class=\"curve\" fill=\"none\" stroke=\"" + Colour(colour).Str() +
               L"\" stroke-width=\"" + Number(axes.m_lineWidth).Str() + L"\" points=\"";
        for (size_t i = 0; i < points.size(); ++i) {
            if (i > 0)
                out += L' ';
            out += Number(axes.X(points[i].x) + 0.5).Str() + L',' + Number(axes.Y(points[i].y) + 0.5).Str();
        }
        out += L"\"/>\n";
    }
    if (!points.empty() && (points.size() == 1 || symbols)) {
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

// The legend of an overlay, in the plot's top right corner: a short stroke of each curve's colour and
// its label, one line each, on white so that the curves beneath do not cross the text.
void AppendLegend(std::wstring& out, const CGraphAxes& axes, const std::vector<COverlayCurve>& curves) {
    const int line = kGraphLabelHeight + 2;
    const int width = 150;
    const int left = axes.m_plotRect.right - 4 - width;
    const int top = axes.m_plotRect.top + 4;
    out += L"<g class=\"legend\" font-size=\"" + Number(kGraphLabelHeight * kEmPerCell).Str() + L"\">\n";
    CString box;
    box.Format(L"<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"%s\" stroke=\"%s\"/>\n", left, top,
               width, line * static_cast<int>(curves.size()) + 4, Colour(kGraphWhite).GetString(),
               Colour(kGraphGrey).GetString());
    out += box.Str();
    for (size_t i = 0; i < curves.size(); ++i) {
        const int y = top + 2 + line * static_cast<int>(i) + line / 2;
        CString entry;
        entry.Format(L"<line x1=\"%d\" y1=\"%d\" x2=\"%d\" y2=\"%d\" stroke=\"%s\" stroke-width=\"2\"/>\n"
                     L"<text x=\"%d\" y=\"%d\">",
                     left + 4, y, left + 24, y, Colour(OverlayColour(i)).GetString(), left + 28,
                     y + kGraphLabelHeight / 3);
        out += entry.Str();
        AppendEscaped(out, curves[i].label.c_str());
        out += L"</text>\n";
    }
    out += L"</g>\n";
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

void AppendLabels(std::wstring& out, const CGraphAxes& axes) {
    const CString size = Number(kGraphLabelHeight * kEmPerCell);
    out += L"<g class=\"x-labels\" font-size=\"" + size.Str() + L"\" text-anchor=\"middle\">\n";
    for (const GraphLabel& label : axes.XLabels())
        AppendText(out, label.text, label.x, label.y, kGraphLabelHeight, true);
    out += L"</g>\n<g class=\"y-labels\" font-size=\"" + size.Str() + L"\" text-anchor=\"end\">\n";
    for (const GraphLabel& label : axes.YLabels())
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

bool WriteFile(const wchar_t* path, const std::string& bytes) {
    os::File file;
    int error = 0;
    return file.OpenWrite(path, error) && file.Write(bytes.data(), bytes.size(), error) && file.Close(error);
}

CGraphAxes AxesFor(std::vector<GraphPoint> points, const CString& xTitle, const CString& yTitle,
                   bool showSymbols) {
    CGraphAxes axes;
    axes.m_points = std::move(points);
    axes.RecalcExtents();
    axes.RecalcAxes();
    axes.m_showSymbols = showSymbols ? 1 : 0;
    axes.m_xTitle = xTitle;
    axes.m_yTitle = yTitle;
    return axes;
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

std::wstring InFolder(const wchar_t* folder, const std::wstring& name) {
    std::wstring path = folder != nullptr ? folder : L"";
    if (!path.empty() && path.back() != L'/' && path.back() != std::filesystem::path::preferred_separator)
        path += std::filesystem::path::preferred_separator;
    return path + name;
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

// The chart around its curves, still open for more: background, grid, what `drawCurves` adds, frame,
// tick labels and titles.
std::wstring RenderChart(CGraphAxes& axes, int width, int height,
                         const std::function<void(std::wstring&)>& drawCurves) {
    axes.CalcLayout({0, 0, width, height});
    std::wstring out = SvgHead(width, height);
    out += L"<g class=\"plot\" fill=\"" + Colour(kGraphWhite).Str() + L"\">\n";
    AppendRect(out, axes.m_plotRect.left, axes.m_plotRect.top, axes.m_plotRect.right, axes.m_plotRect.bottom);
    out += L"</g>\n";
    AppendGrid(out, axes);
    drawCurves(out);
    AppendFrame(out, axes);
    AppendLabels(out, axes);
    AppendTitles(out, axes);
    return out;
}

std::string RenderGraphSvg(CGraphAxes& axes, int width, int height) {
    std::wstring out = RenderChart(axes, width, height, [&axes](std::wstring& svg) {
        AppendCurve(svg, axes, axes.m_points, kGraphTeal, axes.m_showSymbols == 1);
    });
    out += L"</svg>\n";
    return WideToUtf8(out);
}

uint32_t OverlayColour(size_t index) {
    // The graph control's teal first, then colours apart from it and from each other.
    static constexpr uint32_t kColours[] = {kGraphTeal, 0x0000C0, 0xC00000, 0x008000, 0x800080, 0x0080FF};
    return kColours[index % std::size(kColours)];
}

std::string RenderOverlaySvg(const std::vector<COverlayCurve>& curves, const CString& xTitle,
                             const CString& yTitle, int width, int height) {
    std::vector<GraphPoint> all;
    for (const COverlayCurve& curve : curves)
        all.insert(all.end(), curve.points.begin(), curve.points.end());
    CGraphAxes axes = AxesFor(std::move(all), xTitle, yTitle, false);
    std::wstring out = RenderChart(axes, width, height, [&axes, &curves](std::wstring& svg) {
        for (size_t i = 0; i < curves.size(); ++i)
            AppendCurve(svg, axes, curves[i].points, OverlayColour(i), false);
    });
    AppendLegend(out, axes, curves);
    out += L"</svg>\n";
    return WideToUtf8(out);
}

int WriteSeriesSvg(const CMatPropData& series, const wchar_t* path, bool showSymbols) {
    return WritePointsSvg(series.m_points, GraphXTitle(), GraphYTitle(series.m_dataType), path, showSymbols);
}

int WritePointsSvg(std::vector<GraphPoint> points, const CString& xTitle, const CString& yTitle,
                   const wchar_t* path, bool showSymbols) {
    CGraphAxes axes = AxesFor(std::move(points), xTitle, yTitle, showSymbols);
    return WriteFile(path, RenderGraphSvg(axes, kGraphClientWidth, kGraphClientHeight)) ? 1 : 0;
}

bool IsPlottedType(KESTRUMMOD_DATATYPE type) {
    return type != JDT_NULL && type != JDT_UNKNOWN && type != JDT_T_C;
}

std::vector<std::wstring> PlotFileNames(const CMatProps& set) {
    std::vector<std::wstring> names;
    std::vector<std::wstring> used;
    for (const CMatPropData& series : set.m_series) {
        if (!IsPlottedType(series.m_dataType)) {
            names.emplace_back();
            continue;
        }
        CString label = KESTRUMMOD_DataTypeToTag(series.m_dataType);
        if (label.IsEmpty())
            label = KESTRUMMOD_DataTypeToString(series.m_dataType);
        std::wstring stem = Sanitised(label.Str());
        if (stem.empty())
            stem = L"series";
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

int WritePropertyPlots(const CMatProps& set, const wchar_t* folder, std::optional<KESTRUMMOD_DATATYPE> only,
                       std::vector<std::wstring>* written) {
    const std::vector<std::wstring> names = PlotFileNames(set);
    for (size_t i = 0; i < set.m_series.size(); ++i) {
        const CMatPropData& series = set.m_series[i];
        if (names[i].empty() || series.m_points.empty() || (only && series.m_dataType != *only))
            continue;
        CMatPropData thinned = series;
        ThinSeries(series, thinned);
        const std::wstring path = InFolder(folder, names[i]);
        if (!WriteSeriesSvg(thinned, path.c_str(), true))
            return 0;
        if (written != nullptr)
            written->push_back(path);
    }
    return 1;
}
