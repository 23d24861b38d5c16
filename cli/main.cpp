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
#include "cli/commands.h"
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

constexpr int kExitOk = 0;
constexpr int kExitFileError = 1;
constexpr int kExitUsage = 2;

constexpr char kUsage[] =
    "Usage: kestrumprops read FILE [--jmatpro] [--json]\n"
    "       kestrumprops convert FILE.dat [-o OUT]\n"
    "       kestrumprops condition show FILE.vjp [--json]\n"
    "       kestrumprops condition new --family N [--set EL=PERCENT ...] [--start C]\n"
    "                    [--end C] [--step C] [--fraction-limit F] [--graphite N]\n"
    "                    [--ferritic] -o FILE.vjp\n"
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
    "           --family N            material family index, 0 to 10; its default\n"
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
    "  plot     Draw each property series of a result file as an SVG chart, as the\n"
    "           graph window first shows it (thinned, with point symbols), one\n"
    "           file per property named after its tag (D-TOTAL.svg); prints the\n"
    "           files written. FILE is read as for read.\n"
    "           --type TAG  only the property with this tag (default: all)\n"
    "           -o DIR      the folder for the files, made when missing\n"
    "                       (default: the current folder)\n"
    "\n"
    "Exit status: 0 on success, 1 when a file cannot be read or written,\n"
    "2 on a usage error.\n";

// ---- Output -------------------------------------------------------------------------------------

// Every failure ends with exactly one line on standard error; returns the exit status for main.
int Fail(int status, std::string_view message) {
    std::string line = "kestrumprops: ";
    line += message;
    if (status == kExitUsage)
        line += " (try 'kestrumprops --help')";
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    return status;
}

// Writes the whole result at once so that a failed write (full disk, closed pipe) is seen here.
int WriteStdout(const std::string& text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
        return Fail(kExitFileError, "cannot write to standard output");
    return kExitOk;
}

// The series name is a fixed buffer; never read past it even when it lacks its terminator.
std::wstring_view SeriesName(const CMatPropData& series) {
    return {series.m_name, wcsnlen(series.m_name, std::size(series.m_name))};
}

// Reader and writer explain their failures through the debug output. While this is alive those messages
// are kept instead, so that the user gets them as part of our own single error line.
class DebugMessages {
public:
    DebugMessages() {
        m_previous = SetDebugOutputSink([this](const wchar_t* text) { m_text.emplace_back(text); });
    }
    ~DebugMessages() { SetDebugOutputSink(std::move(m_previous)); }
    DebugMessages(const DebugMessages&) = delete;
    DebugMessages& operator=(const DebugMessages&) = delete;

    // All messages on one line, separated by "; ", or empty.
    std::string Joined() const {
        std::string out;
        for (const std::wstring& message : m_text) {
            std::string line = WideToUtf8(message);
            std::replace_if(
                line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
            const auto first = line.find_first_not_of(" \t");
            if (first == std::string::npos)
                continue;
            line = line.substr(first, line.find_last_not_of(" \t") - first + 1);
            if (!out.empty())
                out += "; ";
            out += line;
        }
        return out;
    }

private:
    DebugOutputSink m_previous;
    std::vector<std::wstring> m_text;
};

// ---- Numbers ------------------------------------------------------------------------------------
// std::to_chars never looks at the locale, so the output is the same under any LC_NUMERIC.

// Table cells through the framework's formatter, which is locale-free as well.
template <class... Args> std::wstring Text(const wchar_t* format, Args... args) {
    CString text;
    text.Format(format, args...);
    return text.Str();
}

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

// Cells are wide so that widths count characters, not UTF-8 bytes.
using Row = std::vector<std::wstring>;

std::wstring UnitOf(KESTRUMMOD_DATATYPE type) {
    CString unit;
    return GetDataTypeUnit(type, &unit) ? unit.Str() : std::wstring();
}

// Columns listed in `rightAligned` hold numbers. Two blanks between columns; no trailing blanks.
std::string FormatTable(const std::vector<Row>& rows, const std::vector<bool>& rightAligned) {
    std::vector<size_t> widths(rightAligned.size(), 0);
    for (const Row& row : rows) {
        for (size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row[i].size());
    }
    std::wstring text;
    for (const Row& row : rows) {
        std::wstring line;
        for (size_t i = 0; i < row.size(); ++i) {
            if (i > 0)
                line += L"  ";
            const std::wstring pad(widths[i] - row[i].size(), L' ');
            line += rightAligned[i] ? pad + row[i] : row[i] + pad;
        }
        line.erase(line.find_last_not_of(L' ') + 1);
        text += line;
        text += L'\n';
    }
    return WideToUtf8(text);
}

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

// The derived values are one-point series. Solidus and liquidus are temperatures on x; latent heat and
// shrinkage carry their value on y. Returns the label, value and unit cells.
Row DerivedRow(const CMatProps& set, KESTRUMMOD_DATATYPE type) {
    Row row{L"  " + KESTRUMMOD_DataTypeToString(type).Str(), L"n/a", L""};
    const CMatPropData* series = FindSeries(set, type);
    if (!series || series->m_points.empty())
        return row;
    const GraphPoint point = series->m_points.front();
    const bool onX = type == 30 || type == 31;
    const double value = onX ? point.x : point.y;
    if (!std::isfinite(value))
        return row;
    row[1] = Text(onX ? L"%.1f" : L"%g", value);
    row[2] = UnitOf(onX ? series->m_xDataType : type);
    return row;
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

// Opening it ourselves gives the system's reason (no such file, no permission) for the error line.
int CheckInputFile(const std::wstring& path) {
    CStdioFile file;
    CFileException error;
    if (!file.Open(path.c_str(), CStdioFile::modeRead | CStdioFile::shareDenyWrite, &error))
        return Fail(kExitFileError, error.GetErrorMessage().ToUtf8());
    file.Abort();
    if (!os::IsRegularFile(path.c_str()))
        return Fail(kExitFileError, WideToUtf8(path) + ": not a regular file");
    return kExitOk;
}

// "cannot read F" with the reason, which often begins with the file name already.
std::string FileFailure(const std::string& what, const std::string& file, const std::string& reason) {
    if (reason.empty())
        return what + ' ' + file;
    if (reason.rfind(file + ": ", 0) == 0)
        return what + ' ' + reason;
    return what + ' ' + file + ": " + reason;
}

int LoadSet(const std::string& file, bool jmatpro, CMatProps& set) {
    const std::wstring path = Utf8ToWide(file);
    if (const int status = CheckInputFile(path); status != kExitOk)
        return status;
    DebugMessages messages;
    if (!ReadResultFile(path.c_str(), set, jmatpro ? kFormatJMatPro : kFormatEngine))
        return Fail(kExitFileError, FileFailure("cannot read", file, messages.Joined()));
    // The reader takes a file without a heading line as an empty table; to a user that is the wrong file.
    if (set.m_series.empty())
        return Fail(kExitFileError, file + ": no heading line with property columns found");
    return kExitOk;
}

int RunRead(const Options& options) {
    const bool jmatpro =
        options.jmatpro || CString::FromUtf8(options.file).Right(4).CompareNoCase(L".dat") == 0;
    CMatProps set;
    if (const int status = LoadSet(options.file, jmatpro, set); status != kExitOk)
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
        return Fail(
            kExitFileError,
            file + ": not a material condition document (not well-formed XML, or a required part missing)");
    return WriteStdout(json ? ConditionToJson(rec) : ConditionToTable(rec, file));
}

// A whole argument as a finite number; from_chars never looks at the locale.
bool ParseNumber(std::string_view text, double& value) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-')
            return false;
    }
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && result.ec == std::errc() && result.ptr == text.data() + text.size() &&
           std::isfinite(value);
}

bool ParseIndex(std::string_view text, int last, int32_t& value) {
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && result.ec == std::errc() && result.ptr == text.data() + text.size() &&
           value >= 0 && value <= last;
}

struct NewCondition {
    std::string output;
    int32_t family = -1;
    std::vector<std::pair<std::string, float>> elements; // as given, checked against the family
    std::optional<double> start, end, step, fractionLimit;
    std::optional<int32_t> graphite;
    bool ferritic = false;
};

// An element by its catalogue symbol (any letter case) or its index.
int32_t FindElement(const std::string& given) {
    int32_t index = -1;
    if (ParseIndex(given, kMatElementCount - 1, index))
        return index;
    const std::wstring symbol = Utf8ToWide(given);
    for (uint32_t k = 0; k < kElementCount; ++k) {
        if (CString(ElementTable[k]).CompareNoCase(symbol.c_str()) == 0)
            return static_cast<int32_t>(k);
    }
    return -1;
}

int ParseConditionNew(const std::vector<std::string>& args, NewCondition& options) {
    const auto number = [&](size_t& i, std::optional<double>& value) {
        if (i + 1 == args.size())
            return Fail(kExitUsage, "option '" + args[i] + "' needs a number");
        double parsed = 0;
        if (!ParseNumber(args[i + 1], parsed))
            return Fail(kExitUsage, "option '" + args[i] + "': '" + args[i + 1] + "' is not a number");
        value = parsed;
        ++i;
        return kExitOk;
    };
    for (size_t i = 2; i < args.size(); ++i) {
        const std::string& arg = args[i];
        int status = kExitOk;
        if (arg == "--start") {
            status = number(i, options.start);
        } else if (arg == "--end") {
            status = number(i, options.end);
        } else if (arg == "--step") {
            status = number(i, options.step);
            if (status == kExitOk && !(*options.step > 0))
                return Fail(kExitUsage, "option '--step' needs a number greater than 0");
        } else if (arg == "--fraction-limit") {
            status = number(i, options.fractionLimit);
        } else if (arg == "--family") {
            if (i + 1 == args.size() || !ParseIndex(args[i + 1], kMaterialTypeCount - 1, options.family))
                return Fail(kExitUsage, "option '--family' needs a family index from 0 to 10");
            ++i;
        } else if (arg == "--graphite") {
            int32_t graphite = 0;
            if (i + 1 == args.size() || !ParseIndex(args[i + 1], kGraphiteTypeCount - 1, graphite))
                return Fail(kExitUsage, "option '--graphite' needs a graphite type index from 0 to 2");
            options.graphite = graphite;
            ++i;
        } else if (arg == "--ferritic") {
            options.ferritic = true;
        } else if (arg == "--set") {
            const std::string value = i + 1 < args.size() ? args[++i] : std::string();
            const size_t equals = value.find('=');
            double percent = 0;
            if (equals == std::string::npos || equals == 0 ||
                !ParseNumber(std::string_view(value).substr(equals + 1), percent) || percent < 0 ||
                percent > 100)
                return Fail(kExitUsage,
                            "option '--set' needs ELEMENT=PERCENT with a percentage from 0 to 100");
            options.elements.emplace_back(value.substr(0, equals), static_cast<float>(percent));
        } else if (arg == "-o" || arg == "--output") {
            if (i + 1 == args.size() || args[i + 1].empty())
                return Fail(kExitUsage, "option '" + arg + "' needs a file name");
            options.output = args[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Fail(kExitUsage, "unknown option '" + arg + "' for condition new");
        } else {
            return Fail(kExitUsage, "unexpected argument '" + arg + "'");
        }
        if (status != kExitOk)
            return status;
    }
    if (options.family < 0)
        return Fail(kExitUsage, "missing --family for condition new");
    if ((options.graphite || options.ferritic) && options.family != kCastIronFamily)
        return Fail(kExitUsage, "--graphite and --ferritic belong to the cast iron family (2)");
    if (options.output.empty())
        return Fail(kExitUsage, "missing -o FILE.vjp for condition new");
    return kExitOk;
}

// Builds the record as the input dialog does: the family's defaults and default composition, the
// values given in place of the boxes' contents, the base element rebalanced to 100 less the others.
int BuildCondition(const NewCondition& options, MatCondition& rec) {
    const uint32_t family = static_cast<uint32_t>(options.family);
    float defaults[4] = {};
    GetMaterialDefaults(family, defaults);
    GetDefaultComposition(family, rec.compositions);
    rec.materialType = options.family;
    // A value given in degrees Celsius is read in single precision and then raised by 273.15.
    const auto kelvin = [](const std::optional<double>& celsius, float fallback) {
        return celsius ? static_cast<float>(static_cast<float>(*celsius) + 273.15) : fallback;
    };
    rec.tempStart = kelvin(options.start, defaults[0]);
    rec.tempEnd = kelvin(options.end, defaults[1]);
    rec.tempStep = options.step ? static_cast<float>(*options.step) * -1.0f : defaults[2];
    rec.fractionLimit = options.fractionLimit ? static_cast<float>(*options.fractionLimit) : defaults[3];
    if (options.family == kCastIronFamily) {
        rec.graphiteType = options.graphite.value_or(0);
        rec.pearlitic = options.ferritic ? 0 : 1;
    }

    int32_t base = -1;
    for (int32_t k = 0; k < kMatElementCount; ++k) {
        if (rec.compositions[k].base == 1)
            base = k;
    }
    for (const auto& [given, percent] : options.elements) {
        const int32_t element = FindElement(given);
        if (element < 0)
            return Fail(kExitUsage, "'" + given + "' is not an element of the catalogue");
        if (rec.compositions[element].present != 1)
            return Fail(kExitUsage, WideToUtf8(ElementTable[element]) + " is not an element of family " +
                                        std::to_string(options.family));
        if (element == base)
            return Fail(kExitUsage,
                        WideToUtf8(ElementTable[element]) + " is the base element: it takes the balance");
        rec.compositions[element].compo = percent;
    }
    float sum = 0.0f;
    for (int32_t k = 0; k < kMatElementCount; ++k) {
        if (k != base && rec.compositions[k].present == 1)
            sum += rec.compositions[k].compo;
    }
    rec.compositions[base].compo = 100.0f - sum;
    // The check the input dialog makes before it starts a calculation.
    if (!(rec.compositions[base].compo > 0.0f))
        return Fail(kExitUsage, "the other elements leave nothing for the base element " +
                                    WideToUtf8(ElementTable[base]));
    return kExitOk;
}

int RunConditionNew(const std::vector<std::string>& args) {
    NewCondition options;
    if (const int status = ParseConditionNew(args, options); status != kExitOk)
        return status;
    MatCondition rec;
    if (const int status = BuildCondition(options, rec); status != kExitOk)
        return status;
    if (!SaveMatCondition(Utf8ToWide(options.output).c_str(), &rec))
        return Fail(kExitFileError, "cannot write " + options.output);
    return WriteStdout(options.output + '\n');
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
                if (i + 1 == args.size())
                    return Fail(kExitUsage, "option '" + arg + "' needs a file name");
                options.output = args[++i];
                if (options.output.empty())
                    return Fail(kExitUsage, "option '" + arg + "' needs a file name");
            } else {
                return Fail(kExitUsage, "unknown option '" + arg + "' for " + options.command);
            }
        } else if (options.file.empty()) {
            if (arg.empty())
                return Fail(kExitUsage, "empty file name");
            options.file = arg;
        } else {
            return Fail(kExitUsage, "unexpected argument '" + arg + "'");
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
