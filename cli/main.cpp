// kestrumprops: prints the property series of a result file, converts JMatPro output to the engine's
// result format, and shows or writes material condition documents.
//
// Arguments are UTF-8 (see arguments.h) and so is everything printed.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cwchar>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "calc/catalogue.h"
#include "cli/arguments.h"
#include "cli/cli.h"
#include "cli/compare.h"
#include "framework/cstring.h"
#include "framework/debugout.h"
#include "framework/osfile.h"
#include "framework/stdiofile.h"
#include "framework/utf.h"
#include "graph/svgplot.h"
#include "kestrumversion.h"
#include "props/datatypes.h"
#include "props/matprops.h"
#include "results/resultfile.h"
#include "xml/matcondition.h"

namespace {

using namespace cli;

constexpr char kUsage[] =
    "Usage: kestrumprops read FILE [--jmatpro] [--json]\n"
    "       kestrumprops convert FILE.dat [-o OUT]\n"
    "       kestrumprops condition show FILE.vjp [--json]\n"
    "       kestrumprops condition new --family N [--set EL=PERCENT ...] [--start C]\n"
    "                    [--end C] [--step C] [--fraction-limit F] [--graphite N]\n"
    "                    [--ferritic] -o FILE.vjp\n"
    "       kestrumprops calc (--preset FILE.vjp | --family NAME|N [--set EL=PERCENT ...])\n"
    "                    [--start C] [--end C] [--step C] [--fraction-limit F]\n"
    "                    [--graphite N] [--ferritic] [--out FILE.out] [--plot DIR] [--keep]\n"
    "       kestrumprops sweep (--preset FILE.vjp | --family NAME|N [--set EL=PERCENT ...])\n"
    "                    --vary EL=FROM:TO:STEP [--vary ...] [--samples N [--seed S]]\n"
    "                    [-j N] [--json] [-o FILE] [--plot DIR] [--start C] [--end C] ...\n"
    "       kestrumprops plot FILE [--jmatpro] [--type TAG|all] [-o DIR]\n"
    "       kestrumprops plot --overlay FILE FILE [FILE ...] [--type TAG|all] [-o DIR]\n"
    "       kestrumprops compare A B [--jmatpro]\n"
    "       kestrumprops export FILE --csv DIR [--jmatpro]\n"
    "       kestrumprops --help | --version\n"
    "\n"
    "Commands:\n"
    "  read     Print each property series of a result file (data type, name, unit,\n"
    "           points, temperature range) and the derived solidus, liquidus,\n"
    "           latent heat and shrinkage. FILE is read as JMatPro output when its\n"
    "           name ends in .dat (any case) or with --jmatpro, else in the engine's\n"
    "           format.\n"
    "           --json  print the series as one JSON object instead\n"
    "  convert  Read JMatPro output and write it as an engine result file, by default\n"
    "           FILE.dat.out beside the input; prints the path written.\n"
    "           -o OUT  write to OUT instead\n"
    "  condition show\n"
    "           Print the material condition document FILE.vjp: family, temperatures,\n"
    "           options, phases, composition and folders.\n"
    "           --json  print it as one JSON object instead\n"
    "  condition new\n"
    "           Write a material condition document, as the input dialog would.\n"
    "           --family NAME|N       material family, by index (0 to 10) or by the\n"
    "                                 start of its name (\"alu\", \"cast\"); its default\n"
    "                                 temperatures, step, fraction limit and\n"
    "                                 elements are the starting point\n"
    "           --set EL=PERCENT      one of the family's elements, by symbol or\n"
    "                                 index; the base element takes the balance\n"
    "           --start C, --end C    temperature range in degrees Celsius\n"
    "           --step C              step in degrees, greater than 0; the calculation\n"
    "                                 runs from the start down to the end\n"
    "           --fraction-limit F    fraction limit handed to the engine\n"
    "           --graphite N          cast iron: graphite type index, 0 to 2 (default 0)\n"
    "           --ferritic            cast iron: austenitic or ferritic matrix instead\n"
    "                                 of pearlitic\n"
    "           -o FILE.vjp           the document to write; prints its path\n"
    "  calc     Calculate an alloy's properties with the engine beside this program,\n"
    "           as the input dialog's Start Calc does: a job folder in the temporary\n"
    "           folder, its input.vjp, the engine's output shown as it runs, then a\n"
    "           summary of solidus, liquidus, freezing range, latent heat, shrinkage\n"
    "           and density. Ctrl-C terminates the engine.\n"
    "           --preset FILE.vjp     the material condition to calculate; --start,\n"
    "                                 --end, --step and --fraction-limit may change it\n"
    "           --family ...          or a new condition, with the options of\n"
    "                                 condition new\n"
    "           --out FILE.out        copy the engine's result file to FILE.out\n"
    "           --plot DIR            also write the plots of the plot command into DIR\n"
    "           --keep                keep the job folder and print its path\n"
    "  sweep    Calculate every composition of a grid (all combinations of the\n"
    "           --vary ranges, FROM and TO included) or, with --samples N, N random\n"
    "           compositions inside the ranges (EL=FROM:TO is enough then); the base\n"
    "           element takes the balance. Each runs as calc runs it, -j N at once\n"
    "           (default: the number of cores). Prints one table, CSV or with --json\n"
    "           JSON: the composition, solidus, liquidus, freezing range, latent heat,\n"
    "           shrinkage, density at the start and at the end, and for a failed\n"
    "           composition its reason. Progress and the spread (min, max) of each\n"
    "           value go to standard error. Exit status 3 when a composition failed.\n"
    "           --seed S      the random compositions' seed (default 1)\n"
    "           -o FILE       write the table to FILE instead\n"
    "           --plot DIR    one SVG per value and varied element (liquidus-Si.svg)\n"
    "  plot     Draw each property series of a result file as an SVG chart, as the\n"
    "           graph window first shows it (thinned, with point symbols), one\n"
    "           file per property named after its tag (D-TOTAL.svg); prints the\n"
    "           files written. FILE is read as for read.\n"
    "           --type TAG  only the property with this tag (default: all)\n"
    "           -o DIR      the folder for the files, made when missing\n"
    "                       (default: the current folder)\n"
    "           --overlay   two files or more: one SVG per property with a curve\n"
    "                       from each file that has it and a legend\n"
    "  compare  Read two result files (each as for read) and print, for each\n"
    "           property in both, the largest difference A - B over the temperatures\n"
    "           both cover (B interpolated on A's temperatures) and where it lies,\n"
    "           then the differences in solidus, liquidus and shrinkage.\n"
    "  export   Write one CSV per property of a result file into DIR (made when\n"
    "           missing), named as plot names its charts (D-TOTAL.csv): a heading\n"
    "           with the temperature in C and the property's name and unit, then\n"
    "           one line per point; prints the files written.\n"
    "\n"
    "Exit status: 0 on success, 1 when a file cannot be read or written,\n"
    "2 on a usage error, 3 when the calculation failed or was interrupted.\n";

// ---- JSON ---------------------------------------------------------------------------------------

using Json = nlohmann::ordered_json;

// Values are single precision: a float is stored as its exact double, and JSON has no infinities
// or NaN.
Json JsonNumber(float value) {
    if (!std::isfinite(value))
        return nullptr;
    return static_cast<double>(value);
}

// nlohmann writes a double in its shortest form for a double, which for a float's value runs to 17
// digits; nine significant digits bring every float back exactly. So the tree is walked here, numbers
// written as "%.9g" of the float and everything else (strings with their escapes, integers, null) by
// the library.
void DumpJson(const Json& value, std::string& out) {
    if (value.is_number_float()) {
        out += WideToUtf8(Text(L"%.9g", value.get<double>()));
    } else if (value.is_object()) {
        char separator = '{';
        for (const auto& [key, item] : value.items()) {
            out += separator;
            separator = ',';
            out += Json(key).dump() + ':';
            DumpJson(item, out);
        }
        out += separator == '{' ? "{}" : "}";
    } else if (value.is_array()) {
        char separator = '[';
        for (const Json& item : value) {
            out += separator;
            separator = ',';
            DumpJson(item, out);
        }
        out += separator == '[' ? "[]" : "]";
    } else {
        out += value.dump();
    }
}

std::string ToJsonLine(const Json& value) {
    std::string out;
    DumpJson(value, out);
    return out + '\n';
}

std::string SetToJson(const CMatProps& set) {
    Json series = Json::array();
    for (const CMatPropData& data : set.m_series) {
        Json points = Json::array();
        for (const GraphPoint& point : data.m_points)
            points.push_back(Json::array({JsonNumber(point.x), JsonNumber(point.y)}));
        series.push_back({{"exportFlag", data.m_exportFlag},
                          {"xDataType", static_cast<int32_t>(data.m_xDataType)},
                          {"dataType", static_cast<int32_t>(data.m_dataType)},
                          {"name", WideToUtf8(SeriesName(data))},
                          {"points", std::move(points)}});
    }
    return ToJsonLine(Json{{"series", std::move(series)}});
}

// ---- Table --------------------------------------------------------------------------------------

bool IsTemperatureType(KESTRUMMOD_DATATYPE type) {
    return type >= 1 && type <= 3;
}

// The shrinkage series holds its value on both axes, so its x is no temperature despite its x type.
std::wstring TemperatureRange(const CMatPropData& series) {
    if (series.m_points.empty() || !IsTemperatureType(series.m_xDataType) || series.m_dataType == 34)
        return L"-";
    const auto [low, high] = std::minmax_element(series.m_points.begin(), series.m_points.end(),
                                                 [](GraphPoint a, GraphPoint b) { return a.x < b.x; });
    std::wstring text = Text(L"%.1f", static_cast<double>(low->x));
    if (high->x != low->x)
        text += L" .. " + Text(L"%.1f", static_cast<double>(high->x));
    const std::wstring unit = UnitOf(series.m_xDataType);
    if (!unit.empty())
        text += L' ' + unit;
    return text;
}

std::string SetToTable(const CMatProps& set, const std::string& shownPath, bool jmatpro) {
    std::string out = shownPath + (jmatpro ? " (JMatPro output)" : " (engine result file)") + ": ";
    out += std::to_string(set.m_series.size()) + " series\n\n";

    std::vector<Row> rows{{L"Type", L"Name", L"Property", L"Unit", L"Points", L"Temperature range"}};
    for (const CMatPropData& series : set.m_series) {
        rows.push_back({Text(L"%d", static_cast<int>(series.m_dataType)), std::wstring(SeriesName(series)),
                        KESTRUMMOD_DataTypeToString(series.m_dataType).Str(), UnitOf(series.m_dataType),
                        Text(L"%zu", series.m_points.size()), TemperatureRange(series)});
    }
    out += FormatTable(rows, {true, false, false, false, true, false});

    out += "\nDerived values\n";
    std::vector<Row> derived;
    for (const int type : {30, 31, 32, 34})
        derived.push_back(DerivedRow(set, static_cast<KESTRUMMOD_DATATYPE>(type)));
    out += FormatTable(derived, {false, true, false});
    return out;
}

// ---- Commands -----------------------------------------------------------------------------------

struct Options {
    std::string file;
    std::string output;
    bool jmatpro = false;
    bool json = false;
};

int RunRead(const Options& options) {
    if (const int status = CheckFileArgument(options.file, "read"); status != kExitOk)
        return status;
    const bool jmatpro = IsJMatProName(options.file, options.jmatpro);
    CMatProps set;
    if (const int status = LoadSet(options.file, jmatpro, set, EmptySet::Warns); status != kExitOk)
        return status;
    return WriteStdout(options.json ? SetToJson(set) : SetToTable(set, options.file, jmatpro));
}

// The engine's format has one temperature column, and the writer leaves out what does not fit it: a
// property missing over part of the range, a heading it does not know. Reading the output back tells
// which series that was, so the user hears of it instead of finding out later.
void WarnAboutLeftOut(const CMatProps& input, const std::string& output) {
    CMatProps written;
    DebugMessages ignored;
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
    if (!names.empty()) {
        const std::string line = "kestrumprops: warning: not in " + output +
                                 " (unknown or not defined at every temperature): " + names + '\n';
        std::fwrite(line.data(), 1, line.size(), stderr);
    }
}

int RunConvert(const Options& options) {
    if (const int status = CheckFileArgument(options.file, "convert"); status != kExitOk)
        return status;
    CMatProps set;
    if (const int status = LoadSet(options.file, true, set); status != kExitOk)
        return status;
    // Appending to the UTF-8 argument keeps the printed name byte for byte what the user gave.
    const std::string output = options.output.empty() ? options.file + ".out" : options.output;
    DebugMessages messages;
    if (!WriteResultFile(Utf8ToWide(output).c_str(), set))
        return Fail(kExitFileError, FileFailure("cannot write", output, messages.Joined()));
    WarnAboutLeftOut(set, output);
    return WriteStdout(output + '\n');
}

struct CompareOptions {
    std::vector<std::string> files;
    bool jmatpro = false;
};

std::wstring DerivedDifference(const CMatProps& a, const CMatProps& b, int type) {
    const CMatPropData* first = FindSeries(a, static_cast<KESTRUMMOD_DATATYPE>(type));
    const CMatPropData* second = FindSeries(b, static_cast<KESTRUMMOD_DATATYPE>(type));
    if (!first || !second || first->m_points.empty() || second->m_points.empty())
        return L"n/a";
    const bool onX = type == 30 || type == 31;
    const GraphPoint p = first->m_points.front();
    const GraphPoint q = second->m_points.front();
    return Text(L"%+.4g", onX ? static_cast<double>(p.x) - q.x : static_cast<double>(p.y) - q.y);
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
    }
    std::string out = "First minus second, on the first file's temperatures where both have values\n"
                      "First:  " +
                      options.files[0] + "\nSecond: " + options.files[1] + "\n\n";
    std::vector<Row> rows{{L"Type", L"Property", L"Points", L"Largest difference", L"Unit", L"At"}};
    for (const SeriesDifference& d : CompareSets(sets[0], sets[1])) {
        const bool none = d.compared == 0;
        rows.push_back({Text(L"%d", static_cast<int>(d.type)), KESTRUMMOD_DataTypeToString(d.type).Str(),
                        Text(L"%zu", d.compared), none ? L"n/a" : Text(L"%+.6g", d.largest), UnitOf(d.type),
                        none ? L"" : Text(L"%.1f C", d.at)});
    }
    out += FormatTable(rows, {true, false, true, true, false, true});
    out += "\nDerived values\n";
    std::vector<Row> derived;
    for (const int type : {30, 31, 34}) {
        const Row row = DerivedRow(sets[0], static_cast<KESTRUMMOD_DATATYPE>(type));
        derived.push_back(
            {row[0].substr(2), DerivedDifference(sets[0], sets[1], type), type == 34 ? L"%" : L"C"});
    }
    out += FormatTable(derived, {false, true, false});
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
    const std::vector<std::wstring> names = PlotFileNames(set);
    std::string out;
    for (size_t i = 0; i < set.m_series.size(); ++i) {
        const CMatPropData& series = set.m_series[i];
        if (names[i].empty() || series.m_points.empty())
            continue;
        std::wstring name = names[i];
        name.replace(name.size() - 4, 4, L".csv");
        const std::string path = options.folder + '/' + WideToUtf8(name);
        const std::wstring label = SeriesName(series).empty()
                                       ? KESTRUMMOD_DataTypeToString(series.m_dataType).Str()
                                       : std::wstring(SeriesName(series));
        const std::string csv = SeriesCsv(series, WideToUtf8(label), WideToUtf8(UnitOf(series.m_dataType)));
        if (const int status = WriteWholeFile(path, csv); status != kExitOk)
            return status;
        out += path + '\n';
    }
    return WriteStdout(out);
}

// ---- Material condition documents ---------------------------------------------------------------

// The record's folders are fixed arrays; never read past one that lacks its terminator.
std::string PathField(const wchar_t (&field)[kMatPathChars]) {
    return WideToUtf8(std::wstring_view(field, wcsnlen(field, kMatPathChars)));
}

std::string ConditionToJson(const MatCondition& rec) {
    Json phases = Json::array();
    for (int k = 0; k < kMatPhaseCount; ++k) {
        if (rec.phases[k] == 1)
            phases.push_back(k);
    }
    Json compositions = Json::array();
    for (int k = 0; k < kMatElementCount; ++k) {
        const MatCompoEntry& entry = rec.compositions[k];
        if (entry.present == 1)
            compositions.push_back({{"element", k},
                                    {"base", entry.base},
                                    {"present", entry.present},
                                    {"compo", JsonNumber(entry.compo)}});
    }
    const Json doc{{"materialType", rec.materialType},
                   {"tempStart", JsonNumber(rec.tempStart)},
                   {"tempEnd", JsonNumber(rec.tempEnd)},
                   {"tempStep", JsonNumber(rec.tempStep)},
                   {"fractionLimit", JsonNumber(rec.fractionLimit)},
                   {"graphiteType", rec.graphiteType},
                   {"pearlitic", rec.pearlitic},
                   {"pbSearch", rec.pbSearch},
                   {"fastInterStitial", rec.fastInterStitial},
                   {"allPhases", rec.allPhases},
                   {"phases", std::move(phases)},
                   {"compositions", std::move(compositions)},
                   {"dataPath", PathField(rec.dataPath)},
                   {"resPath", PathField(rec.resPath)}};
    return ToJsonLine(doc);
}

// Temperatures as the input dialog shows them: the kelvin value less 273.15 in single precision.
std::wstring Kelvin(float kelvin) {
    return Text(L"%g K (%g C)", static_cast<double>(kelvin), static_cast<double>(kelvin - 273.15f));
}

std::wstring Folder(const wchar_t (&field)[kMatPathChars]) {
    return field[0] ? std::wstring(field, wcsnlen(field, kMatPathChars)) : L"-";
}

// Families and graphite types appear with their catalogue names, elements by symbol, phases by index.
std::string ConditionToTable(const MatCondition& rec, const std::string& shownPath) {
    std::wstring phases;
    for (int k = 0; k < kMatPhaseCount; ++k) {
        if (rec.phases[k] == 1)
            phases += (phases.empty() ? L"" : L" ") + Text(L"%d", k);
    }
    // An index with its catalogue name; an index the catalogue does not know is shown as it is.
    auto index = [](int32_t value, const wchar_t* const* names, uint32_t count) {
        if (value < 0)
            return Text(L"%d (none)", value);
        if (static_cast<uint32_t>(value) >= count)
            return Text(L"%d", value);
        return Text(L"%d (%s)", value, names[value]);
    };
    const wchar_t* families[kMaterialTypeCount];
    for (uint32_t k = 0; k < kMaterialTypeCount; ++k)
        families[k] = MaterialTypeTable[k].name;
    const std::vector<Row> fields{
        {L"Material family", index(rec.materialType, families, kMaterialTypeCount)},
        {L"Start", Kelvin(rec.tempStart)},
        {L"End", Kelvin(rec.tempEnd)},
        {L"Step", Text(L"%g K", static_cast<double>(rec.tempStep))},
        {L"Fraction limit", Text(L"%g", static_cast<double>(rec.fractionLimit))},
        {L"Graphite type", index(rec.graphiteType, GraphiteTypeTable, kGraphiteTypeCount)},
        {L"Pearlitic", Text(L"%d", rec.pearlitic)},
        {L"pbSearch", Text(L"%d", rec.pbSearch)},
        {L"fastInterStitial", Text(L"%d", rec.fastInterStitial)},
        {L"allPhases", Text(L"%d", rec.allPhases)},
        {L"Phases", phases.empty() ? L"none" : phases},
        {L"Data path", Folder(rec.dataPath)},
        {L"Job folder", Folder(rec.resPath)},
    };
    std::string out = shownPath + " (material condition document)\n\n";
    out += FormatTable(fields, {false, false});

    std::vector<Row> compositions{{L"Element", L"Base", L"Percent"}};
    for (int k = 0; k < kMatElementCount; ++k) {
        const MatCompoEntry& entry = rec.compositions[k];
        if (entry.present == 1)
            compositions.push_back({Text(L"%s", ElementTable[k]), entry.base ? L"base" : L"",
                                    Text(L"%g", static_cast<double>(entry.compo))});
    }
    out += "\nComposition\n";
    out += FormatTable(compositions, {true, false, true});
    return out;
}

int RunConditionShow(const Options& options) {
    if (const int status = CheckFileArgument(options.file, "condition show"); status != kExitOk)
        return status;
    MatCondition rec;
    if (const int status = LoadCondition(options.file, rec); status != kExitOk)
        return status;
    return WriteStdout(options.json ? ConditionToJson(rec) : ConditionToTable(rec, options.file));
}

struct ConditionNewOptions {
    ConditionArgs given;
    std::string output;
};

int RunConditionNew(const ConditionNewOptions& given) {
    ConditionOptions options;
    if (const int status = ParseConditionArgs(given.given, options); status != kExitOk)
        return status;
    if (options.family < 0)
        return Fail(kExitUsage, "missing --family for condition new");
    if (given.output.empty())
        return Fail(kExitUsage, "missing -o FILE.vjp for condition new");
    MatCondition rec;
    if (const int status = BuildCondition(options, rec); status != kExitOk)
        return status;
    if (!SaveMatCondition(Utf8ToWide(given.output).c_str(), &rec))
        return Fail(kExitFileError, "cannot write " + given.output);
    return WriteStdout(given.output + '\n');
}

// A file or folder name given to an option may not be empty.
std::string NotEmpty(const std::string& value) {
    return value.empty() ? std::string("needs a name") : std::string();
}

void AddFileCommands(CLI::App& app, Runner& run) {
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

    CLI::App* condition = app.add_subcommand("condition");
    condition->require_subcommand(1);
    auto show = std::make_shared<Options>();
    command = condition->add_subcommand("show");
    command->add_option("FILE", show->file);
    command->add_flag("--json", show->json);
    command->callback([show, &run] { run = [show] { return RunConditionShow(*show); }; });

    auto created = std::make_shared<ConditionNewOptions>();
    command = condition->add_subcommand("new");
    AddConditionOptions(*command, created->given);
    command->add_option("-o,--output", created->output)->check(NotEmpty);
    command->callback([created, &run] { run = [created] { return RunConditionNew(*created); }; });
}

bool WantsHelp(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--")
            return false;
        if (arg == "--help" || arg == "-h")
            return true;
    }
    return false;
}

int Run(const std::vector<std::string>& args) {
    // The usage text is ours, so that it reads the same whatever the parser's version.
    if (WantsHelp(args))
        return WriteStdout(kUsage);
    if (args.size() == 1 && args[0] == "--version")
        return WriteStdout("kestrumprops " KESTRUM_VERSION "\n");
    CLI::App app("kestrumprops");
    app.set_help_flag();
    // CLI11 takes "/name" for an option on Windows; here it is a path (Wine maps "/" to a drive).
    app.allow_windows_style_options(false);
    // An option given twice counts with its last value, as a shell alias with an override expects.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    Runner run;
    AddFileCommands(app, run);
    AddCalcCommand(app, run);
    AddSweepCommand(app, run);
    AddPlotCommand(app, run);
    if (args.empty())
        return Fail(kExitUsage, "missing command");
    const auto commands =
        app.get_subcommands([&args](CLI::App* command) { return command->get_name() == args[0]; });
    if (commands.empty())
        return Fail(kExitUsage, "unknown command '" + args[0] + "'");
    app.require_subcommand(1);
    try {
        // CLI11 takes the arguments last first.
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        // The parser's messages begin a sentence; ours continue "kestrumprops: ".
        std::string message = error.what();
        if (!message.empty() && message[0] >= 'A' && message[0] <= 'Z')
            message[0] = static_cast<char>(message[0] - 'A' + 'a');
        return Fail(kExitUsage, message);
    }
    return run ? run() : Fail(kExitUsage, "missing command");
}

} // namespace

int main(int argc, char** argv) {
    return Run(CommandLineArguments(argc, argv));
}
