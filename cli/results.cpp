// The commands over result files: read, convert, compare and export. What they show is in the tool's
// units (present.h); convert writes what the module holds.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/cli.h"
#include "cli/compare.h"
#include "cli/present.h"
#include "framework/utf.h"
#include "graph/svgplot.h"
#include "results/resultfile.h"

namespace cli {

namespace {

struct Options {
    std::string file;
    std::string output;
    bool jmatpro = false;
    bool json = false;
};

// Each series with the name the tool knows its type by, its heading in the file, title and unit; a
// single value (solidus, liquidus, latent heat, shrinkage) as "value", the others as points
// [temperature, value].
std::string SetToJson(const CMatProps& siSet) {
    Json series = Json::array();
    for (const CMatPropData& data : siSet.m_series) {
        Json item{{"exportFlag", data.m_exportFlag},
                  {"xDataType", static_cast<int32_t>(data.m_xDataType)},
                  {"dataType", static_cast<int32_t>(data.m_dataType)},
                  {"tag", WideToUtf8(PropertyKey(data.m_dataType))},
                  {"name", WideToUtf8(SeriesName(data))},
                  {"title", WideToUtf8(PropertyTitle(data))},
                  {"unit", WideToUtf8(PropertyUnit(data.m_dataType))}};
        if (DescribeDataType(data.m_dataType).shape != TypeShape::Series) {
            const std::optional<double> value = SingleValue(data);
            item["value"] = value ? JsonNumber(*value) : nullptr;
        } else {
            Json points = Json::array();
            for (const GraphPoint& point : data.m_points)
                points.push_back(Json::array({JsonNumber(point.x), JsonNumber(point.y)}));
            item["points"] = std::move(points);
        }
        series.push_back(std::move(item));
    }
    const DataTypeInfo& temperature = DescribeDataType(JDT_T_C);
    return JsonLine(Json{
        {"temperature", {{"title", WideToUtf8(temperature.title)}, {"unit", WideToUtf8(temperature.siUnit)}}},
        {"series", std::move(series)}});
}

// The temperatures a curve covers.
std::wstring TemperatureRange(const CMatPropData& series) {
    const std::vector<GraphPoint> points = DrawnPoints(series.m_points);
    if (points.empty())
        return L"-";
    const auto [low, high] = std::minmax_element(points.begin(), points.end(),
                                                 [](GraphPoint a, GraphPoint b) { return a.x < b.x; });
    std::wstring text = Text(L"%.1f", static_cast<double>(low->x));
    if (high->x != low->x)
        text += L" .. " + Text(L"%.1f", static_cast<double>(high->x));
    return text + L' ' + PropertyUnit(JDT_T_C);
}

// The curves in one table, the single values (solidus, liquidus, ...) in another.
std::string SetToTable(const CMatProps& siSet, const std::string& shownPath, bool jmatpro) {
    std::vector<Row> rows{{L"Type", L"Tag", L"Property", L"Unit", L"Points", L"Temperature range"}};
    for (const CMatPropData& series : siSet.m_series) {
        if (DescribeDataType(series.m_dataType).shape == TypeShape::Series)
            rows.push_back({Text(L"%d", static_cast<int>(series.m_dataType)), PropertyKey(series.m_dataType),
                            PropertyTitle(series), PropertyUnit(series.m_dataType),
                            Text(L"%zu", series.m_points.size()), TemperatureRange(series)});
    }
    std::string out = shownPath + (jmatpro ? " (JMatPro output)" : " (engine result file)") + ": " +
                      std::to_string(rows.size() - 1) + " property series\n\n";
    out += FormatTextTable(rows, {true, false, false, false, true, false});

    out += "\nDerived values\n";
    std::vector<Row> derived;
    for (const DataTypeInfo& info : DataTypes) {
        if (info.shape != TypeShape::Series)
            derived.push_back(DerivedRow(siSet, info.type));
    }
    out += FormatTextTable(derived, {false, true, false});
    return out;
}

int RunRead(const Options& options) {
    if (const int status = CheckFileArgument(options.file, "read"); status != kExitOk)
        return status;
    const bool jmatpro = IsJMatProName(options.file, options.jmatpro);
    CMatProps set;
    if (const int status = LoadSet(options.file, jmatpro, set); status != kExitOk)
        return status;
    const CMatProps si = InSiUnits(set);
    return WriteStdout(options.json ? SetToJson(si) : SetToTable(si, options.file, jmatpro));
}

// The engine's format has one temperature column, and the writer leaves out what does not fit it: a
// property missing over part of the range, a heading it does not know. Reading the output back tells
// which series that was, so the user hears of it instead of finding out later.
void WarnAboutLeftOut(const CMatProps& input, const std::string& output) {
    CMatProps written;
    if (!ReadResultFile(Utf8ToWide(output).c_str(), written, kFormatEngine))
        return;
    std::string names;
    for (const CMatPropData& series : input.m_series) {
        // Derived series have no tag: the reader makes them anew from the columns.
        if (KESTRUMMOD_DataTypeToTag(series.m_dataType).IsEmpty() || FindSeries(written, series.m_dataType))
            continue;
        if (!names.empty())
            names += ", ";
        names += WideToUtf8(SeriesName(series));
    }
    if (!names.empty())
        Warn("warning: not in " + output + " (unknown or not defined at every temperature): " + names);
}

// The output is the module's own format, holding what the module holds: no unit is converted here.
int RunConvert(const Options& options) {
    if (const int status = CheckFileArgument(options.file, "convert"); status != kExitOk)
        return status;
    CMatProps set;
    if (const int status = LoadSet(options.file, true, set); status != kExitOk)
        return status;
    // Appending to the UTF-8 argument keeps the printed name byte for byte what the user gave.
    const std::string output = options.output.empty() ? options.file + ".out" : options.output;
    if (const FileResult written = WriteResultFile(Utf8ToWide(output).c_str(), set); !written)
        return Fail(kExitFileError, FileFailure("cannot write", output, WideToUtf8(written.message)));
    WarnAboutLeftOut(set, output);
    return WriteStdout(output + '\n');
}

struct CompareOptions {
    std::vector<std::string> files;
    bool jmatpro = false;
};

std::wstring DerivedDifference(const CMatProps& a, const CMatProps& b, KESTRUMMOD_DATATYPE type) {
    const CMatPropData* first = FindSeries(a, type);
    const CMatPropData* second = FindSeries(b, type);
    const std::optional<double> p = first ? SingleValue(*first) : std::nullopt;
    const std::optional<double> q = second ? SingleValue(*second) : std::nullopt;
    return p && q ? Text(L"%+.4g", *p - *q) : L"n/a";
}

int RunCompare(const CompareOptions& options) {
    if (options.files.size() != 2)
        return Fail(kExitUsage, "compare needs two files");
    CMatProps sets[2];
    for (int k = 0; k < 2; ++k) {
        if (const int status =
                LoadSet(options.files[k], IsJMatProName(options.files[k], options.jmatpro), sets[k]);
            status != kExitOk)
            return status;
        sets[k] = InSiUnits(sets[k]);
    }
    std::string out = "First minus second, on the first file's temperatures where both have values\n"
                      "First:  " +
                      options.files[0] + "\nSecond: " + options.files[1] + "\n\n";
    std::vector<Row> rows{{L"Type", L"Property", L"Points", L"Largest difference", L"Unit", L"At"}};
    for (const SeriesDifference& d : CompareSets(sets[0], sets[1])) {
        const bool none = d.compared == 0;
        rows.push_back({Text(L"%d", static_cast<int>(d.type)), PropertyTitle(*FindSeries(sets[0], d.type)),
                        Text(L"%zu", d.compared), none ? L"n/a" : Text(L"%+.6g", d.largest),
                        PropertyUnit(d.type), none ? L"" : Text(L"%.1f C", d.at)});
    }
    out += FormatTextTable(rows, {true, false, true, true, false, true});
    out += "\nDerived values\n";
    std::vector<Row> derived;
    for (const KESTRUMMOD_DATATYPE type : {JDT_SOLIDUS, JDT_LIQUIDUS, JDT_SHRINKAGE}) {
        derived.push_back(
            {DescribeDataType(type).title, DerivedDifference(sets[0], sets[1], type), PropertyUnit(type)});
    }
    out += FormatTextTable(derived, {false, true, false});
    return WriteStdout(out);
}

struct ExportOptions {
    std::string file;
    std::string folder;
    bool jmatpro = false;
};

// One CSV per plotted property, named as plot names its SVG files (D-TOTAL.csv).
int RunExport(const ExportOptions& options) {
    if (const int status = CheckFileArgument(options.file, "export"); status != kExitOk)
        return status;
    if (options.folder.empty())
        return Fail(kExitUsage, "export needs --csv DIR");
    CMatProps set;
    if (const int status = LoadSet(options.file, IsJMatProName(options.file, options.jmatpro), set);
        status != kExitOk)
        return status;
    if (const int status = MakeFolder(options.folder); status != kExitOk)
        return status;
    const CMatProps si = InSiUnits(set);
    const std::vector<std::wstring> names = PlotFileNames(si);
    std::string out;
    for (size_t i = 0; i < si.m_series.size(); ++i) {
        const CMatPropData& series = si.m_series[i];
        if (names[i].empty() || series.m_points.empty())
            continue;
        std::wstring name = names[i];
        name.replace(name.size() - 4, 4, L".csv");
        const std::string path = options.folder + '/' + WideToUtf8(name);
        if (const int status = WriteWholeFile(path, SeriesCsv(series)); status != kExitOk)
            return status;
        out += path + '\n';
    }
    return WriteStdout(out);
}

} // namespace

void AddResultCommands(CLI::App& app, Runner& run) {
    auto read = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand("read");
    command->add_option("FILE", read->file);
    command->add_flag("--jmatpro", read->jmatpro);
    command->add_flag("--json", read->json);
    command->callback([read, &run] { run = [read] { return RunRead(*read); }; });

    auto convert = std::make_shared<Options>();
    command = app.add_subcommand("convert");
    command->add_option("FILE", convert->file);
    command->add_option("-o,--output", convert->output)->check(NotEmpty);
    command->callback([convert, &run] { run = [convert] { return RunConvert(*convert); }; });

    auto compare = std::make_shared<CompareOptions>();
    command = app.add_subcommand("compare");
    command->add_option("FILES", compare->files)->take_all();
    command->add_flag("--jmatpro", compare->jmatpro);
    command->callback([compare, &run] { run = [compare] { return RunCompare(*compare); }; });

    auto exported = std::make_shared<ExportOptions>();
    command = app.add_subcommand("export");
    command->add_option("FILE", exported->file);
    command->add_option("--csv", exported->folder)->check(NotEmpty);
    command->add_flag("--jmatpro", exported->jmatpro);
    command->callback([exported, &run] { run = [exported] { return RunExport(*exported); }; });
}

} // namespace cli
