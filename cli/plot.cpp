// kestrumprops plot: the property curves of result files as SVG charts in the graph window's layout,
// in the tool's units, under a title that names the file.
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/cli.h"
#include "cli/present.h"
#include "framework/cstring.h"
#include "framework/utf.h"
#include "graph/svgplot.h"
#include "props/datatypes.h"
#include "props/matprops.h"

namespace cli {

namespace {

struct PlotOptions {
    std::vector<std::string> files;
    bool overlay = false;
    std::string type;
    std::string range;
    std::string folder;
    bool jmatpro = false;
    PlotChoice choice;
};

bool IsCurveType(KESTRUMMOD_DATATYPE type) {
    return IsPlottedType(type) && DescribeDataType(type).shape == TypeShape::Series;
}

// A property by the name the tool knows it by (PropertyKey: D-TOTAL, Dynamic_viscosity), in any letter
// case; JDT_UNKNOWN when none has it.
KESTRUMMOD_DATATYPE FindProperty(const std::string& name) {
    const CString wide = CString::FromUtf8(name);
    for (const DataTypeInfo& info : DataTypes) {
        const std::wstring key = PropertyKey(info.type);
        if (!key.empty() && wide.CompareNoCase(key.c_str()) == 0)
            return info.type;
    }
    return JDT_UNKNOWN;
}

std::string CurveNames() {
    std::string names;
    for (const DataTypeInfo& info : DataTypes) {
        if (IsCurveType(info.type) && !PropertyKey(info.type).empty())
            names += (names.empty() ? "" : ", ") + WideToUtf8(PropertyKey(info.type));
    }
    return names;
}

// FROM:TO in degrees Celsius; either may be left out ("500:" from 500 C up).
int ParseRange(const std::string& text, PlotChoice& choice) {
    const size_t colon = text.find(':');
    const auto bound = [&](std::string_view part, std::optional<double>& value) {
        double number = 0;
        if (part.empty())
            return true;
        if (!ParseNumber(part, number))
            return false;
        value = number;
        return true;
    };
    if (colon == std::string::npos || !bound(std::string_view(text).substr(0, colon), choice.from) ||
        !bound(std::string_view(text).substr(colon + 1), choice.to) || (!choice.from && !choice.to))
        return Fail(kExitUsage, "option '--range' needs FROM:TO in degrees Celsius, such as 500:650 or 500:");
    if (choice.from && choice.to && !(*choice.from < *choice.to))
        return Fail(kExitUsage, "option '--range' needs FROM below TO: '" + text + "'");
    return kExitOk;
}

int CheckPlot(PlotOptions& options) {
    if (options.overlay && options.files.size() < 2)
        return Fail(kExitUsage, "plot --overlay needs two files or more");
    if (!options.overlay && options.files.size() > 1)
        return Fail(kExitUsage, "unexpected argument '" + options.files[1] + "' (more files need --overlay)");
    if (const int status =
            CheckFileArgument(options.files.empty() ? std::string() : options.files.front(), "plot");
        status != kExitOk)
        return status;
    if (!options.range.empty()) {
        if (const int status = ParseRange(options.range, options.choice); status != kExitOk)
            return status;
    }
    if (options.type.empty() || options.type == "all")
        return kExitOk;
    const KESTRUMMOD_DATATYPE type = FindProperty(options.type);
    if (type == JDT_UNKNOWN)
        return Fail(kExitUsage, "'" + options.type + "' names no property; plot draws " + CurveNames());
    if (!IsCurveType(type))
        return Fail(kExitUsage,
                    "'" + options.type + "' is a single value, not a curve: read and export give it");
    options.choice.only = type;
    return kExitOk;
}

bool Chosen(const CMatPropData& series, const PlotChoice& choice) {
    return IsCurveType(series.m_dataType) && (!choice.only || series.m_dataType == *choice.only) &&
           !ChartPoints(series, choice).empty();
}

// The name a file has in a title or legend: without its folder.
std::string BaseName(const std::string& file) {
    const size_t cut = file.find_last_of("/\\");
    return cut == std::string::npos ? file : file.substr(cut + 1);
}

// What a failure says when no curve is left to draw.
std::string NothingToDraw(const PlotChoice& choice) {
    std::string what =
        choice.only ? "no " + WideToUtf8(PropertyKey(*choice.only)) + " curve" : "no property curve";
    if (choice.from && choice.to)
        return what + WideToUtf8(Text(L" with points from %g to %g C", *choice.from, *choice.to));
    if (choice.from || choice.to)
        return what + WideToUtf8(Text(choice.from ? L" with points from %g C up" : L" with points up to %g C",
                                      choice.from ? *choice.from : *choice.to));
    return what;
}

// One SVG per property any of the files has, with a curve from each file that has it, without symbols
// (which would hide one curve under another) and named in the legend below the chart. A property's
// file takes the name plot gives it, after the first file that has the property.
int RunOverlay(const PlotOptions& options) {
    std::vector<CMatProps> sets(options.files.size());
    for (size_t k = 0; k < sets.size(); ++k) {
        const std::string& file = options.files[k];
        if (const int status = LoadSet(file, IsJMatProName(file, options.jmatpro), sets[k]);
            status != kExitOk)
            return status;
        sets[k] = InSiUnits(sets[k]);
    }
    CMatProps types;
    for (const CMatProps& set : sets) {
        for (const CMatPropData& series : set.m_series) {
            if (Chosen(series, options.choice) && !FindSeries(types, series.m_dataType))
                types.m_series.push_back(series);
        }
    }
    if (types.m_series.empty())
        return Fail(kExitFileError, NothingToDraw(options.choice) + " in any of the files");
    if (const int status = MakeFolder(options.folder); status != kExitOk)
        return status;
    std::string title = BaseName(options.files[0]);
    for (size_t k = 1; k < options.files.size(); ++k)
        title += " vs " + BaseName(options.files[k]);
    const std::vector<std::wstring> names = PlotFileNames(types);
    std::string out;
    for (size_t i = 0; i < types.m_series.size(); ++i) {
        SvgChart chart{{},
                       CString::FromUtf8(title),
                       TemperatureLabel().c_str(),
                       PropertyLabel(types.m_series[i]).c_str()};
        for (size_t k = 0; k < sets.size(); ++k) {
            const CMatPropData* series = FindSeries(sets[k], types.m_series[i].m_dataType);
            if (series && Chosen(*series, options.choice))
                chart.curves.push_back(
                    {ChartPoints(*series, options.choice), Utf8ToWide(BaseName(options.files[k]))});
        }
        const std::string path =
            (options.folder.empty() ? std::string() : options.folder + '/') + WideToUtf8(names[i]);
        if (const int status = WriteWholeFile(path, RenderChartSvg(chart)); status != kExitOk)
            return status;
        out += path + '\n';
    }
    return WriteStdout(out);
}

int RunPlot(PlotOptions& options) {
    if (const int status = CheckPlot(options); status != kExitOk)
        return status;
    if (options.overlay)
        return RunOverlay(options);
    const std::string& file = options.files.front();
    CMatProps set;
    if (const int status = LoadSet(file, IsJMatProName(file, options.jmatpro), set); status != kExitOk)
        return status;
    const CMatProps si = InSiUnits(set);
    // Nothing to draw is the file's problem; found before the folder is made.
    if (std::none_of(si.m_series.begin(), si.m_series.end(),
                     [&](const CMatPropData& series) { return Chosen(series, options.choice); }))
        return Fail(kExitFileError, file + ": " + NothingToDraw(options.choice));
    if (const int status = MakeFolder(options.folder); status != kExitOk)
        return status;
    std::vector<std::wstring> written;
    if (const int status = WritePlots(si, file, BaseName(file), options.folder, options.choice, written);
        status != kExitOk)
        return status;
    std::string out;
    for (const std::wstring& path : written)
        out += WideToUtf8(path) + '\n';
    return WriteStdout(out);
}

} // namespace

// Thinning is the graph window's first view: it keeps the points where the curve turns (ThinSeries).
// Points outside the chosen temperatures go before it, so that it works on what is shown.
std::vector<GraphPoint> ChartPoints(const CMatPropData& series, const PlotChoice& choice) {
    CMatPropData shown = series;
    shown.m_points.clear();
    for (const GraphPoint p : series.m_points) {
        if (IsDrawnPoint(p) && (!choice.from || p.x >= *choice.from) && (!choice.to || p.x <= *choice.to))
            shown.m_points.push_back(p);
    }
    if (choice.raw)
        return shown.m_points;
    CMatPropData thinned = shown;
    ThinSeries(shown, thinned);
    return thinned.m_points;
}

int WritePlots(const CMatProps& siSet, const std::string& source, const std::string& title,
               const std::string& folder, const PlotChoice& choice, std::vector<std::wstring>& written) {
    const std::vector<std::wstring> names = PlotFileNames(siSet);
    for (size_t i = 0; i < siSet.m_series.size(); ++i) {
        const CMatPropData& series = siSet.m_series[i];
        if (!Chosen(series, choice))
            continue;
        // Every point of a raw series is on the line; symbols at each would merge into a band.
        SvgCurve curve{ChartPoints(series, choice), L"", true, !choice.raw};
        const SvgChart chart{{std::move(curve)},
                             CString::FromUtf8(title),
                             TemperatureLabel().c_str(),
                             PropertyLabel(series).c_str()};
        const std::string path = (folder.empty() ? std::string() : folder + '/') + WideToUtf8(names[i]);
        if (WriteWholeFile(path, RenderChartSvg(chart)) != kExitOk)
            return kExitFileError;
        written.push_back(Utf8ToWide(path));
    }
    if (written.empty())
        return Fail(kExitFileError, source + ": " + NothingToDraw(choice));
    return kExitOk;
}

void AddPlotCommand(CLI::App& app, Runner& run) {
    auto options = std::make_shared<PlotOptions>();
    CLI::App* command = app.add_subcommand("plot");
    command->add_option("FILE", options->files)->take_all();
    command->add_flag("--jmatpro", options->jmatpro);
    command->add_flag("--overlay", options->overlay);
    command->add_flag("--raw", options->choice.raw);
    command->add_option("--range", options->range)->check([](const std::string& range) {
        return range.empty() ? std::string("needs FROM:TO") : std::string();
    });
    command->add_option("--type", options->type)->check([](const std::string& tag) {
        return tag.empty() ? std::string("needs a property name or 'all'") : std::string();
    });
    command->add_option("-o,--output", options->folder)->check(NotEmpty);
    command->callback([options, &run] { run = [options] { return RunPlot(*options); }; });
}

} // namespace cli
