// kestrumprops plot: the property series of a result file as SVG charts in the graph window's layout.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/cli.h"
#include "framework/cstring.h"
#include "framework/debugout.h"
#include "framework/osfile.h"
#include "framework/utf.h"
#include "graph/svgplot.h"
#include "props/datatypes.h"
#include "props/matprops.h"
#include "results/resultfile.h"

namespace cli {

namespace {

struct PlotOptions {
    std::vector<std::string> files;
    std::string file;
    bool overlay = false;
    std::string type;
    std::string folder;
    bool jmatpro = false;
    std::optional<KESTRUMMOD_DATATYPE> only;
};

// A property by its exact tag (the reader's prefix matching would take "D-TOTALX" for D-TOTAL). The
// temperature axis and the JDT_ rows are no properties; the derived types have no tag.
bool FindProperty(const std::string& tag, KESTRUMMOD_DATATYPE& type) {
    const std::wstring wide = Utf8ToWide(tag);
    for (const DataTypeInfo& info : DataTypes) {
        if (info.tag[0] != L'\0' && wide == info.tag && IsPlottedType(info.type) && info.type != JDT_END) {
            type = info.type;
            return true;
        }
    }
    return false;
}

int CheckPlot(PlotOptions& options) {
    if (options.overlay && options.files.size() < 2)
        return Fail(kExitUsage, "plot --overlay needs two files or more");
    if (!options.overlay && options.files.size() > 1)
        return Fail(kExitUsage, "unexpected argument '" + options.files[1] + "' (more files need --overlay)");
    options.file = options.files.empty() ? std::string() : options.files.front();
    if (const int status = CheckFileArgument(options.file, "plot"); status != kExitOk)
        return status;
    if (options.type.empty() || options.type == "all")
        return kExitOk;
    KESTRUMMOD_DATATYPE type = JDT_NULL;
    if (!FindProperty(options.type, type))
        return Fail(kExitUsage, "'" + options.type + "' is not the tag of a property (such as D-TOTAL)");
    options.only = type;
    return kExitOk;
}

} // namespace

// The folder is made when missing; a UTF-8 path names the same file on every platform.
int MakeFolder(const std::string& folder) {
    if (folder.empty())
        return kExitOk;
    const std::filesystem::path path(std::u8string(folder.begin(), folder.end()));
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (!std::filesystem::is_directory(path))
        return Fail(kExitFileError, "cannot create folder " + folder + (error ? ": " + error.message() : ""));
    return kExitOk;
}

int WritePlots(const CMatProps& set, const std::string& source, const std::string& folder,
               std::optional<KESTRUMMOD_DATATYPE> only, std::vector<std::wstring>& written) {
    // Nothing to draw is the file's problem; found before the folder is made.
    const bool anything = std::any_of(set.m_series.begin(), set.m_series.end(), [&](const CMatPropData& s) {
        return IsPlottedType(s.m_dataType) && !s.m_points.empty() && (!only || s.m_dataType == *only);
    });
    if (!anything)
        return Fail(kExitFileError,
                    source + (only ? ": no " + WideToUtf8(KESTRUMMOD_DataTypeToTag(*only).Str()) +
                                         " series with points"
                                   : ": no property series with points"));
    if (const int status = MakeFolder(folder); status != kExitOk)
        return status;
    if (!WritePropertyPlots(set, Utf8ToWide(folder).c_str(), only, &written))
        return Fail(kExitFileError, "cannot write the plots into " + (folder.empty() ? "." : folder));
    return kExitOk;
}

// The name a curve has in an overlay's legend: its file's name without the folder.
std::wstring CurveLabel(const std::string& file) {
    const std::wstring path = Utf8ToWide(file);
    const size_t cut = path.find_last_of(L"/\\");
    return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

// One SVG per property any of the files has, with a curve from each file that has it: thinned as plot
// draws a series, without symbols, which would hide one curve under another. A property's file takes
// the name plot gives it, after the first file that has the property.
int RunOverlay(const PlotOptions& options) {
    std::vector<CMatProps> sets(options.files.size());
    for (size_t k = 0; k < sets.size(); ++k) {
        const std::string& file = options.files[k];
        if (const int status = LoadSet(file, IsJMatProName(file, options.jmatpro), sets[k]);
            status != kExitOk)
            return status;
    }
    CMatProps types;
    for (const CMatProps& set : sets) {
        for (const CMatPropData& series : set.m_series) {
            if (IsPlottedType(series.m_dataType) && !series.m_points.empty() &&
                (!options.only || series.m_dataType == *options.only) &&
                !FindSeries(types, series.m_dataType))
                types.m_series.push_back(series);
        }
    }
    if (types.m_series.empty())
        return Fail(kExitFileError, "none of the files has a property series with points" +
                                        (options.only ? std::string(" of that type") : std::string()));
    if (const int status = MakeFolder(options.folder); status != kExitOk)
        return status;
    const std::vector<std::wstring> names = PlotFileNames(types);
    std::string out;
    for (size_t i = 0; i < types.m_series.size(); ++i) {
        const KESTRUMMOD_DATATYPE type = types.m_series[i].m_dataType;
        std::vector<COverlayCurve> curves;
        for (size_t k = 0; k < sets.size(); ++k) {
            const CMatPropData* series = FindSeries(sets[k], type);
            if (!series || series->m_points.empty())
                continue;
            CMatPropData thinned = *series;
            ThinSeries(*series, thinned);
            curves.push_back({thinned.m_points, CurveLabel(options.files[k])});
        }
        const std::string path =
            (options.folder.empty() ? std::string() : options.folder + '/') + WideToUtf8(names[i]);
        const std::string svg =
            RenderOverlaySvg(curves, GraphXTitle(), GraphYTitle(type), kGraphClientWidth, kGraphClientHeight);
        if (const int status = WriteWholeFile(path, svg); status != kExitOk)
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
    CMatProps set;
    if (const int status = LoadSet(options.file, IsJMatProName(options.file, options.jmatpro), set);
        status != kExitOk)
        return status;
    std::vector<std::wstring> written;
    if (const int status = WritePlots(set, options.file, options.folder, options.only, written);
        status != kExitOk)
        return status;
    std::string out;
    for (const std::wstring& path : written)
        out += WideToUtf8(path) + '\n';
    return WriteStdout(out);
}

void AddPlotCommand(CLI::App& app, Runner& run) {
    auto options = std::make_shared<PlotOptions>();
    CLI::App* command = app.add_subcommand("plot");
    command->add_option("FILE", options->files)->take_all();
    command->add_flag("--jmatpro", options->jmatpro);
    command->add_flag("--overlay", options->overlay);
    command->add_option("--type", options->type)->check([](const std::string& tag) {
        return tag.empty() ? std::string("needs a tag or 'all'") : std::string();
    });
    command->add_option("-o,--output", options->folder)->check([](const std::string& folder) {
        return folder.empty() ? std::string("needs a folder name") : std::string();
    });
    command->callback([options, &run] { run = [options] { return RunPlot(*options); }; });
}

} // namespace cli
