// kestrumprops: prints the property series of a result file, or converts JMatPro output to the engine's
// result format.
//
// Arguments are UTF-8 (see arguments.h) and so is everything printed.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cwchar>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "cli/arguments.h"
#include "framework/cstring.h"
#include "framework/debugout.h"
#include "framework/osfile.h"
#include "framework/stdiofile.h"
#include "framework/utf.h"
#include "module/datatypes.h"
#include "module/matprops.h"
#include "results/resultfile.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFileError = 1;
constexpr int kExitUsage = 2;

constexpr char kUsage[] = "Usage: kestrumprops read FILE [--jmatpro] [--json]\n"
                          "       kestrumprops convert FILE.dat [-o OUT]\n"
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
    Options options;
    if (const int status = ParseArguments(args, options); status != kExitOk)
        return status;
    return options.command == "read" ? RunRead(options) : RunConvert(options);
}

} // namespace

int main(int argc, char** argv) {
    return Run(CommandLineArguments(argc, argv));
}
