// Property plots as SVG files, drawn in the graph control's layout from the same axis state.
#pragma once

#include <optional>
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
// SVG document over a client area of width x height pixels; lays the axes out for that area.
std::string RenderGraphSvg(CGraphAxes& axes, int width, int height);

// Several curves on one chart, as an overlay to judge by eye: each in its own colour (the first in the
// graph control's), without symbols, and a legend in the plot's top right corner naming them.
struct COverlayCurve {
    std::vector<GraphPoint> points;
    std::wstring label;
};
uint32_t OverlayColour(size_t index);
std::string RenderOverlaySvg(const std::vector<COverlayCurve>& curves, const CString& xTitle,
                             const CString& yTitle, int width, int height);

// Writes the series' points, unthinned, as the graph control draws them. 1 when written, else 0.
int WriteSeriesSvg(const CMatPropData& series, const wchar_t* path, bool showSymbols);

// Writes `points` as the graph control draws a series, under the given axis titles: for charts of
// values other than a property over temperature. 1 when written, else 0.
int WritePointsSvg(std::vector<GraphPoint> points, const CString& xTitle, const CString& yTitle,
                   const wchar_t* path, bool showSymbols);

// Whether the graph window lists a series of this data type: not null, unknown or temperature in C.
bool IsPlottedType(KESTRUMMOD_DATATYPE type);

// One SVG per listed series with points, or only those of data type `only`, drawn as the graph window
// first shows them: the thinned series, with symbols. Files go into `folder` (empty: the current
// folder) under names from PlotFileNames, replacing files of the same name; the paths written are
// appended to `written`. 1 when every file was written, 0 at the first that could not be.
int WritePropertyPlots(const CMatProps& set, const wchar_t* folder, std::optional<KESTRUMMOD_DATATYPE> only,
                       std::vector<std::wstring>* written);

// The file name of each series of `set` (empty for a series that is not plotted): the data type's tag,
// or its name for the derived types that have none, with every character other than a letter, digit,
// "-" or "_" made "_" (runs of them one, none at the ends) and ".svg" appended. A second series of the
// same name gets "-2", a third "-3", compared without case since Windows file names are.
std::vector<std::wstring> PlotFileNames(const CMatProps& set);
