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
#include "framework/texttable.h"
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

using Row = TextRow;
// A derived single value of a set in the tool's units (solidus, liquidus, latent heat, shrinkage) as
// title, value and unit; "n/a" without a unit where the set has none.
Row DerivedRow(const CMatProps& siSet, KESTRUMMOD_DATATYPE type);

// The check of an option that takes a file or folder name: the name may not be empty.
std::string NotEmpty(const std::string& value);
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
// Whether a file is read as JMatPro output: when asked for, or by its ".dat" extension in any case.
bool IsJMatProName(const std::string& file, bool jmatpro);
// Reads a result file into `set` as the module holds it; reports a failure and returns its status.
// A file in which no column heading names a property the module knows is refused, although the
// module's reader takes it (as a set without series, or of unknown ones): every command that reads
// a file is about properties. Values that are not finite are counted in a warning.
int LoadSet(const std::string& file, bool jmatpro, CMatProps& set);
// Checks before any work that `path` can be written: a file that is missing is created and removed
// again. A failure is reported with the system's reason.
int CheckWritable(const std::string& path);
// The outputs of a calculation, before it starts: the file (when named) can be written and the chart
// folder (when named) exists or is made.
int PrepareOutputs(const std::string& file, const std::string& plotFolder);
// Makes the folder (and its parents) when missing and checks that a file can be written into it; an
// empty name is the current folder.
int MakeFolder(const std::string& folder);
// Writes `bytes` as the whole file at `path` (UTF-8); a failure is reported with the system's reason.
int WriteWholeFile(const std::string& path, const std::string& bytes);

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
// The temperatures of a record that the options (or `origin`, "the preset's" or "the family's
// default") gave, checked as the engine would check them late: the start above the end, the end above
// absolute zero, not more temperatures than the engine takes. Reported in degrees Celsius.
int CheckTemperatures(const MatCondition& rec, const ConditionOptions& options, const std::string& origin);
// Whether the engine has data for the record's family.
int CheckFamilyData(const MatCondition& rec);
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
// last line) in `failure`; the engine's warnings of amounts outside the checked ranges, shortened, in
// `warnings`. Runs side by side in several threads.
int CalculateQuietly(MatCondition rec, CMatProps& set, std::string& failure, std::string& warnings);
// An element by its catalogue symbol (any letter case) or its index; -1 if none.
int32_t FindElement(const std::string& given);
// Sets the percentages of `elements` in `rec` and gives the base element the balance, as the input
// dialog does; false with the reason when the balance is not acceptable.
bool SetComposition(MatCondition& rec, const std::vector<int32_t>& elements,
                    const std::vector<double>& percents, std::string& failure);
void AddPlotCommand(CLI::App& app, Runner& run);
void AddResultCommands(CLI::App& app, Runner& run);
void AddFamiliesCommand(CLI::App& app, Runner& run);

// How plot draws a set: every point or thinned as the graph window first shows a series, and the
// temperatures shown.
struct PlotChoice {
    bool raw = false;
    std::optional<double> from, to; // C
    std::optional<KESTRUMMOD_DATATYPE> only;
};
// The points of a series as a chart shows them: finite, inside the chosen temperatures, and thinned
// unless every point was asked for.
std::vector<GraphPoint> ChartPoints(const CMatPropData& series, const PlotChoice& choice);
// One SVG per property curve of `siSet` (in the tool's units) into `folder` (made before the set was
// calculated or read), each under the title `title`; `source` names the set in a failure line. Single
// values (solidus, liquidus, latent heat, shrinkage) are values, not curves: read and export give them.
// The paths written are appended to `written`.
int WritePlots(const CMatProps& siSet, const std::string& source, const std::string& title,
               const std::string& folder, const PlotChoice& choice, std::vector<std::wstring>& written);

// The help text for the command the arguments name (the overview when they name none).
std::string HelpText(const std::vector<std::string>& args);

} // namespace cli
