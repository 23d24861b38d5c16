// What the commands of kestrumprops share: exit statuses, the one-line failure report, output, tables,
// reading a result file, and the options that describe a material condition.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/cstring.h"
#include "props/datatypes.h"
#include "props/matprops.h"
#include "xml/matcondition.h"

namespace CLI {
class App;
}

namespace cli {

constexpr int kExitOk = 0;
constexpr int kExitFileError = 1;
constexpr int kExitUsage = 2;
// The engine failed, wrote no readable result, or the user interrupted the calculation.
constexpr int kExitCalcFailed = 3;

// ---- Output

// Every failure ends with exactly one line on standard error; returns the exit status for main.
int Fail(int status, std::string_view message);
// Writes the whole result at once so that a failed write (full disk, closed pipe) is seen here.
int WriteStdout(const std::string& text);
// A line on standard error that does not end the command.
void Warn(std::string_view message);

// The series name is a fixed buffer; never read past it even when it lacks its terminator.
std::wstring_view SeriesName(const CMatPropData& series);

// ---- Numbers and tables

// Table cells through the framework's formatter, which is locale-free.
template <class... Args> std::wstring Text(const wchar_t* format, Args... args) {
    CString text;
    text.Format(format, args...);
    return text.Str();
}

// Cells are wide so that widths count characters, not UTF-8 bytes.
using Row = std::vector<std::wstring>;
// Columns listed in `rightAligned` hold numbers. Two blanks between columns; no trailing blanks.
std::string FormatTable(const std::vector<Row>& rows, const std::vector<bool>& rightAligned);
std::wstring UnitOf(KESTRUMMOD_DATATYPE type);
// The derived values (solidus 30, liquidus 31, latent heat 32, shrinkage 34) as label, value, unit.
Row DerivedRow(const CMatProps& set, KESTRUMMOD_DATATYPE type);

// The one positional FILE argument as given: a usage error when it is missing or empty.
int CheckFileArgument(const std::string& file, const std::string& command);

// A whole argument as a finite number; from_chars never looks at the locale.
bool ParseNumber(std::string_view text, double& value);
bool ParseIndex(std::string_view text, int last, int32_t& value);

// ---- Files

// Opening it ourselves gives the system's reason (no such file, no permission) for the error line.
int CheckInputFile(const std::wstring& path);
// "cannot read F" with the reason, which often begins with the file name already; line ends in the
// reason become blanks, so that the failure stays one line.
std::string FileFailure(const std::string& what, const std::string& file, std::string reason);
// Reads a result file into `set`; reports a failure and returns its status. A file that gives no
// series fails, or, with EmptySet::Warns, gives a warning and an empty set, as the module reads it.
enum class EmptySet { Fails, Warns };
// Whether a file is read as JMatPro output: when asked for, or by its ".dat" extension in any case.
bool IsJMatProName(const std::string& file, bool jmatpro);
int LoadSet(const std::string& file, bool jmatpro, CMatProps& set, EmptySet empty = EmptySet::Fails);

// Reads a material condition document into `rec`; reports a failure (with why the document did not
// load) and returns its status, `rec` then unchanged.
int LoadCondition(const std::string& file, MatCondition& rec);

// ---- Material conditions from options

struct ConditionOptions {
    int32_t family = -1;
    std::vector<std::pair<std::string, float>> elements; // as given, checked against the family
    std::optional<double> start, end, step, fractionLimit;
    std::optional<int32_t> graphite;
    bool ferritic = false;
};

// The condition options as given on the command line (--family, --set, --start, --end, --step,
// --fraction-limit, --graphite, --ferritic), before they are checked.
struct ConditionArgs {
    std::vector<std::string> family, sets, start, end, step, fractionLimit, graphite;
    bool ferritic = false;
};
void AddConditionOptions(CLI::App& command, ConditionArgs& given);
// Checks the values given and fills `options`; kExitOk or the status of a usage error already reported.
int ParseConditionArgs(const ConditionArgs& given, ConditionOptions& options);
// The checks that need every option: cast-iron options only for cast iron.
int CheckConditionOptions(const ConditionOptions& options);
// A family by index, by catalogue name or by the unambiguous start of one (any letter case); -1 if none.
int32_t FindFamily(const std::string& given);
// Builds the record as the input dialog does: the family's defaults and default composition, the
// values given in place of the boxes' contents, the base element rebalanced to 100 less the others.
int BuildCondition(const ConditionOptions& options, MatCondition& rec);
// Puts the temperatures and fraction limit that were given into a record that has them already.
void ApplyTemperatureOptions(const ConditionOptions& options, MatCondition& rec);

// ---- Commands

// A command registers itself as a subcommand of `app`; after a successful parse the runner that
// `run` was set to carries it out.
using Runner = std::function<int()>;
void AddCalcCommand(CLI::App& app, Runner& run);
void AddSweepCommand(CLI::App& app, Runner& run);
void AddValidateCommand(CLI::App& app, Runner& run); // validate.cpp

// One calculation job without output, as calc runs it, its folder removed in every case and the engine
// stopped by an interrupt. kExitOk with `set` filled, or a status with the reason (and the engine's
// last line) in `failure`. Runs side by side in several threads.
int CalculateQuietly(MatCondition rec, CMatProps& set, std::string& failure);
// An element by its catalogue symbol (any letter case) or its index; -1 if none.
int32_t FindElement(const std::string& given);
// Sets the percentages of `elements` in `rec` and gives the base element the balance, as the input
// dialog does; false with the reason when the balance is not acceptable.
bool SetComposition(MatCondition& rec, const std::vector<int32_t>& elements,
                    const std::vector<double>& percents, std::string& failure);
void AddPlotCommand(CLI::App& app, Runner& run);
// Writes `bytes` as the whole file at `path` (UTF-8); a failure is reported with the system's reason.
int WriteWholeFile(const std::string& path, const std::string& bytes);
// Makes the folder (and its parents) when missing; an empty name is the current folder.
int MakeFolder(const std::string& folder);
// One SVG per plotted property of `set` (or only of data type `only`) into `folder`, made when missing;
// `source` names the set in a failure line. The paths written are appended to `written`.
int WritePlots(const CMatProps& set, const std::string& source, const std::string& folder,
               std::optional<KESTRUMMOD_DATATYPE> only, std::vector<std::wstring>& written);

} // namespace cli
