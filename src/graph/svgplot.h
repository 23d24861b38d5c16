// Property plots as SVG files, drawn in the graph control's layout from the same axis state.
#pragma once

#include <string>
#include <vector>

#include "framework/cstring.h"
#include "graph/graphaxes.h"
#include "props/matprops.h"

// Control 1021 of the "Property Graph" window is 186 x 182 dialog units in a Tahoma 9 pt dialog. The
// dialog's base units are 7 x 14 pixels at 96 dpi (MapDialogRect under Wine), so the control is
// MulDiv(186, 7, 4) x MulDiv(182, 14, 8) = 326 x 319 pixels; its one-pixel border leaves the client
// area the chart fills.
inline constexpr int kGraphClientWidth = 324;
inline constexpr int kGraphClientHeight = 317;

// Axis titles as the graph window sets them: x is the name of data type 2; y is "%s[%s]" from the
// name and unit of the series' data type, or the name alone when it has no unit.
CString GraphXTitle();
CString GraphYTitle(KESTRUMMOD_DATATYPE type);

// The chart of `axes` (points, extents and axes already computed, titles and symbol switch set) as an
// SVG document over a client area of width x height pixels; lays the axes out for that area. Tick
// labels that would run into each other, which the control draws over each other, are thinned to
// every 2nd, 5th, 10th, ... tick (the grid keeps every line).
std::string RenderGraphSvg(CGraphAxes& axes, int width, int height);

// A chart of the command-line tool: one or more curves over the control's layout, with a title band
// above the plot and the legend below it, so that neither covers a curve. Each curve has its own
// colour, the control's teal first.
struct SvgCurve {
    std::vector<GraphPoint> points; // in drawing order; points that are not finite are left out
    std::wstring label;             // its legend entry; the legend lists the curves that have one
    bool line = true;               // joined by a line
    bool symbols = false;           // a symbol at every point (also drawn for a lone point)
};
struct SvgChart {
    std::vector<SvgCurve> curves;
    CString title; // empty: no title band
    CString xTitle;
    CString yTitle;
};
std::string RenderChartSvg(const SvgChart& chart);
uint32_t CurveColour(size_t index);

// Whether the graph window lists a series of this data type: not null, unknown or temperature in C.
bool IsPlottedType(KESTRUMMOD_DATATYPE type);

// The stem of a property's file name: the data type's tag, or its name for the derived types that have
// none, with every character other than a letter, digit, "-" or "_" made "_" (runs of them one, none
// at the ends); "series" when nothing is left.
std::wstring PlotFileStem(KESTRUMMOD_DATATYPE type);
// The file name of each series of `set` (empty for a series that is not plotted): its stem and ".svg".
// A second series of the same name gets "-2", a third "-3", compared without case since Windows file
// names are.
std::vector<std::wstring> PlotFileNames(const CMatProps& set);
