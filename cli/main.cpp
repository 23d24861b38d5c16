// kestrumprops: prints the property series of a result file, converts JMatPro output to the engine's
// result format, and shows or writes material condition documents.
//
// Arguments are UTF-8 (see arguments.h) and so is everything printed.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cwchar>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "calc/catalogue.h"
#include "cli/arguments.h"
#include "cli/cli.h"
#include "framework/cstring.h"
#include "framework/debugout.h"
#include "framework/osfile.h"
#include "framework/stdiofile.h"
#include "framework/utf.h"
#include "module/datatypes.h"
#include "module/matprops.h"
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
    "       kestrumprops plot FILE [--jmatpro] [--type TAG|all] [-o DIR]\n"
    "       kestrumprops --help\n"
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
    "  plot     Draw each property series of a result file as an SVG chart, as the\n"
    "           graph window first shows it (thinned, with point symbols), one\n"
    "           file per property named after its tag (D-TOTAL.svg); prints the\n"
    "           files written. FILE is read as for read.\n"
    "           --type TAG  only the property with this tag (default: all)\n"
    "           -o DIR      the folder for the files, made when missing\n"
    "                       (default: the current folder)\n"
    "\n"
    "Exit status: 0 on success, 1 when a file cannot be read or written,\n"
    "2 on a usage error, 3 when the calculation failed or was interrupted.\n";

// ---- Numbers ------------------------------------------------------------------------------------
// std::to_chars never looks at the locale, so the output is the same under any LC_NUMERIC.

std::string FormatGeneral(double value, int digits) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits);
    return result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string("?");
}

template <typename Int> void AppendInt(std::string& out, Int value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

// ---- JSON ---------------------------------------------------------------------------------------

// Nine significant digits bring every float back exactly; JSON has no infinities or NaN.
void AppendJsonNumber(std::string& out, float value) {
    const double wide = value;
    if (!std::isfinite(wide)) {
        out += "null";
        return;
    }
    out += FormatGeneral(wide, 9);
}

void AppendJsonString(std::string& out, std::string_view utf8) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20) {
                out += "\\u00";
                out += kHex[byte >> 4];
                out += kHex[byte & 0xF];
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

std::string SetToJson(const CMatProps& set) {
    std::string out = "{\"series\":[";
    bool firstSeries = true;
    for (const CMatPropData& series : set.m_series) {
        if (!firstSeries)
            out += ',';
        firstSeries = false;
        out += "{\"exportFlag\":";
        AppendInt(out, series.m_exportFlag);
        out += ",\"xDataType\":";
        AppendInt(out, static_cast<int32_t>(series.m_xDataType));
        out += ",\"dataType\":";
        AppendInt(out, static_cast<int32_t>(series.m_dataType));
        out += ",\"name\":";
        AppendJsonString(out, WideToUtf8(SeriesName(series)));
        out += ",\"points\":[";
        bool firstPoint = true;
        for (const GraphPoint& point : series.m_points) {
            out += firstPoint ? "[" : ",[";
            firstPoint = false;
            AppendJsonNumber(out, point.x);
            out += ',';
            AppendJsonNumber(out, point.y);
            out += ']';
        }
        out += "]}";
    }
    out += "]}\n";
    return out;
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
    AppendInt(out, set.m_series.size());
    out += " series\n\n";

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
    std::string command;
    std::string file;
    std::string output;
    bool jmatpro = false;
    bool json = false;
};

int RunRead(const Options& options) {
    const bool jmatpro =
        options.jmatpro || CString::FromUtf8(options.file).Right(4).CompareNoCase(L".dat") == 0;
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

// ---- Material condition documents ---------------------------------------------------------------

// The record's folders are fixed arrays; never read past one that lacks its terminator.
std::string PathField(const wchar_t (&field)[kMatPathChars]) {
    return WideToUtf8(std::wstring_view(field, wcsnlen(field, kMatPathChars)));
}

std::string ConditionToJson(const MatCondition& rec) {
    std::string out = "{\"materialType\":";
    AppendInt(out, rec.materialType);
    const auto key = [&out](const char* name) -> std::string& {
        return out.append(",\"").append(name).append("\":");
    };
    const std::pair<const char*, float> temps[] = {{"tempStart", rec.tempStart},
                                                   {"tempEnd", rec.tempEnd},
                                                   {"tempStep", rec.tempStep},
                                                   {"fractionLimit", rec.fractionLimit}};
    for (const auto& [name, value] : temps)
        AppendJsonNumber(key(name), value);
    const std::pair<const char*, int32_t> integers[] = {{"graphiteType", rec.graphiteType},
                                                        {"pearlitic", rec.pearlitic},
                                                        {"pbSearch", rec.pbSearch},
                                                        {"fastInterStitial", rec.fastInterStitial},
                                                        {"allPhases", rec.allPhases}};
    for (const auto& [name, value] : integers)
        AppendInt(key(name), value);
    out += ",\"phases\":[";
    bool first = true;
    for (int k = 0; k < kMatPhaseCount; ++k) {
        if (rec.phases[k] != 1)
            continue;
        if (!first)
            out += ',';
        first = false;
        AppendInt(out, k);
    }
    out += "],\"compositions\":[";
    first = true;
    for (int k = 0; k < kMatElementCount; ++k) {
        const MatCompoEntry& entry = rec.compositions[k];
        if (entry.present != 1)
            continue;
        out += first ? "{\"element\":" : ",{\"element\":";
        first = false;
        AppendInt(out, k);
        out += ",\"base\":";
        AppendInt(out, entry.base);
        out += ",\"present\":";
        AppendInt(out, entry.present);
        out += ",\"compo\":";
        AppendJsonNumber(out, entry.compo);
        out += '}';
    }
    out += "],\"dataPath\":";
    AppendJsonString(out, PathField(rec.dataPath));
    out += ",\"resPath\":";
    AppendJsonString(out, PathField(rec.resPath));
    out += "}\n";
    return out;
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

int RunConditionShow(const std::string& file, bool json) {
    const std::wstring path = Utf8ToWide(file);
    if (const int status = CheckInputFile(path); status != kExitOk)
        return status;
    // As the input dialog loads: into a record in the reset state, which counts only when whole.
    MatCondition rec;
    if (!LoadMatCondition(path.c_str(), &rec))
        return Fail(kExitFileError, ConditionLoadFailure(file));
    return WriteStdout(json ? ConditionToJson(rec) : ConditionToTable(rec, file));
}

int ParseConditionNew(const std::vector<std::string>& args, ConditionOptions& options, std::string& output) {
    for (size_t i = 2; i < args.size(); ++i) {
        const std::string& arg = args[i];
        bool taken = false;
        if (const int status = ParseConditionOption(args, i, options, taken); status != kExitOk)
            return status;
        if (taken)
            continue;
        if (arg == "-o" || arg == "--output") {
            if (const int status = TakeOptionValue(args, i, "file name", output); status != kExitOk)
                return status;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Fail(kExitUsage, "unknown option '" + arg + "' for condition new");
        } else {
            return Fail(kExitUsage, "unexpected argument '" + arg + "'");
        }
    }
    if (options.family < 0)
        return Fail(kExitUsage, "missing --family for condition new");
    if (const int status = CheckConditionOptions(options); status != kExitOk)
        return status;
    if (output.empty())
        return Fail(kExitUsage, "missing -o FILE.vjp for condition new");
    return kExitOk;
}

int RunConditionNew(const std::vector<std::string>& args) {
    ConditionOptions options;
    std::string output;
    if (const int status = ParseConditionNew(args, options, output); status != kExitOk)
        return status;
    MatCondition rec;
    if (const int status = BuildCondition(options, rec); status != kExitOk)
        return status;
    if (!SaveMatCondition(Utf8ToWide(output).c_str(), &rec))
        return Fail(kExitFileError, "cannot write " + output);
    return WriteStdout(output + '\n');
}

int RunCondition(const std::vector<std::string>& args) {
    const std::string sub = args.size() > 1 ? args[1] : std::string();
    if (sub == "new")
        return RunConditionNew(args);
    if (sub != "show")
        return Fail(kExitUsage, sub.empty() ? "missing condition command (show or new)"
                                            : "unknown condition command '" + sub + "'");
    std::string file;
    bool json = false;
    bool optionsEnded = false;
    for (size_t i = 2; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg == "--json") {
            json = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return Fail(kExitUsage, "unknown option '" + arg + "' for condition show");
        } else if (file.empty() && !arg.empty()) {
            file = arg;
        } else {
            return Fail(kExitUsage, arg.empty() ? "empty file name" : "unexpected argument '" + arg + "'");
        }
    }
    if (file.empty())
        return Fail(kExitUsage, "missing FILE for condition show");
    return RunConditionShow(file, json);
}

// Returns kExitOk with `options` filled, or the status of the usage error already reported.
int ParseArguments(const std::vector<std::string>& args, Options& options) {
    if (args.empty())
        return Fail(kExitUsage, "missing command");
    options.command = args[0];
    const bool read = options.command == "read";
    if (!read && options.command != "convert")
        return Fail(kExitUsage, "unknown command '" + options.command + "'");

    bool optionsEnded = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            if (arg == "--") {
                optionsEnded = true;
            } else if (read && arg == "--jmatpro") {
                options.jmatpro = true;
            } else if (read && arg == "--json") {
                options.json = true;
            } else if (!read && (arg == "-o" || arg == "--output")) {
                if (const int status = TakeOptionValue(args, i, "file name", options.output);
                    status != kExitOk)
                    return status;
            } else {
                return Fail(kExitUsage, "unknown option '" + arg + "' for " + options.command);
            }
        } else if (const int status = TakeFileArgument(arg, options.file); status != kExitOk) {
            return status;
        }
    }
    if (options.file.empty())
        return Fail(kExitUsage, "missing FILE for " + options.command);
    return kExitOk;
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
    if (WantsHelp(args))
        return WriteStdout(kUsage);
    if (!args.empty() && args[0] == "condition")
        return RunCondition(args);
    if (!args.empty() && args[0] == "calc")
        return RunCalc(args);
    if (!args.empty() && args[0] == "plot")
        return RunPlot(args);
    Options options;
    if (const int status = ParseArguments(args, options); status != kExitOk)
        return status;
    return options.command == "read" ? RunRead(options) : RunConvert(options);
}

} // namespace

int main(int argc, char** argv) {
    return Run(CommandLineArguments(argc, argv));
}
