// kestrumprops calc: the calculation the module runs when the user clicks "Start Calc", from a terminal.
// The record goes through the same chain: job folder, "input.vjp", the engine beside this program
// through the console process runner, "vuzaziza.out" through the result reader.

#include <cmath>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "calc/calcjob.h"
#include "calc/catalogue.h"
#include "cli/cli.h"
#include "cli/console.h"
#include "cli/present.h"
#include "engine/engine.h"
#include "framework/osfile.h"
#include "framework/utf.h"
#include "results/summary.h"

namespace cli {

namespace {

struct CalcOptions {
    ConditionArgs given;
    ConditionOptions condition;
    std::string preset;
    std::string out;
    std::string plot;
    bool keep = false;
};

int CheckCalc(CalcOptions& options) {
    if (const int status = ParseConditionArgs(options.given, options.condition); status != kExitOk)
        return status;
    const ConditionOptions& condition = options.condition;
    if (options.preset.empty() == (condition.family < 0))
        return Fail(kExitUsage, "calc needs either --preset FILE.vjp or --family");
    if (!options.preset.empty() && (!condition.elements.empty() || condition.graphite || condition.ferritic))
        return Fail(kExitUsage, "--set, --graphite and --ferritic describe a new condition, not a preset; "
                                "only the temperatures and the fraction limit of a preset can be changed");
    return kExitOk;
}

int LoadPreset(const CalcOptions& options, MatCondition& rec) {
    if (const int status = LoadCondition(options.preset, rec); status != kExitOk)
        return status;
    ApplyTemperatureOptions(options.condition, rec);
    return CheckTemperatures(rec, options.condition, "the preset's");
}

// Shows the engine's output as it arrives. On a terminal each line replaces the one before, so the
// progress stays on one line; elsewhere every line is printed as it is. Output comes from the runner's
// threads.
class EngineConsole {
public:
    // `shown` false keeps the output to itself (its last lines only), for runs side by side.
    explicit EngineConsole(bool oneLine, bool shown = true) : m_oneLine(oneLine), m_shown(shown) {}

    void OnOutput(const wchar_t* text) {
        std::lock_guard lock(m_lock);
        m_pending += WideToUtf8(text);
        size_t end;
        while ((end = m_pending.find('\n')) != std::string::npos) {
            Show(m_pending.substr(0, end));
            m_pending.erase(0, end + 1);
        }
    }

    // The engine has ended: the rest of its output, and the end of the progress line.
    void Finish() {
        std::lock_guard lock(m_lock);
        if (!m_pending.empty())
            Show(m_pending);
        m_pending.clear();
        if (m_shown && m_oneLine && m_shownWidth > 0)
            std::fputc('\n', stdout);
        std::fflush(stdout);
    }

    std::vector<std::string> LastLines() const {
        std::lock_guard lock(m_lock);
        return {m_last.begin(), m_last.end()};
    }

    // The liquidus (degrees Celsius) when the engine warned that the start lies below it.
    std::optional<double> BelowLiquidus() const {
        std::lock_guard lock(m_lock);
        return m_belowLiquidus;
    }

    // The engine's warnings of amounts outside the ranges the model was checked on.
    std::vector<RangeWarning> RangeWarnings() const {
        std::lock_guard lock(m_lock);
        return m_rangeWarnings;
    }

private:
    static constexpr size_t kLinesKept = 6;
    // Narrower than any terminal, so that a line never wraps and "\r" returns to its start.
    static constexpr size_t kLineWidth = 79;

    void Show(std::string line) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        // The runner's own exit line and end-of-stream report follow the engine's last output; the
        // summary says how the engine ended, so they are not shown.
        if (line.rfind("Exit Code: ", 0) == 0)
            m_runnerTrailer = true;
        if (m_runnerTrailer)
            return;
        // Before it calculates, the engine states its model's liquidus, solidus and latent heat (in
        // J/g). The summary gives the values derived from the result, as the module derives them, so
        // that the output holds one liquidus, in one unit: the engine's line is kept for a failure
        // report but not shown.
        const bool shown = m_shown && line.rfind("Liquidus ", 0) != 0;
        if (double liquidus = 0; ParseBelowLiquidusWarning(Utf8ToWide(line), &liquidus))
            m_belowLiquidus = liquidus;
        if (RangeWarning warning; ParseRangeWarning(Utf8ToWide(line), &warning))
            m_rangeWarnings.push_back(std::move(warning));
        m_last.push_back(line);
        if (m_last.size() > kLinesKept)
            m_last.pop_front();
        if (!shown)
            return;
        if (!m_oneLine) {
            std::fwrite(line.data(), 1, line.size(), stdout);
            std::fputc('\n', stdout);
            std::fflush(stdout);
            return;
        }
        if (line.empty())
            return;
        if (line.size() > kLineWidth)
            line.resize(kLineWidth);
        const size_t width = line.size();
        // Blanks over what is left of a longer line before.
        if (width < m_shownWidth)
            line.append(m_shownWidth - width, ' ');
        m_shownWidth = width;
        std::fputc('\r', stdout);
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fflush(stdout);
    }

    const bool m_oneLine;
    const bool m_shown;
    mutable std::mutex m_lock;
    std::string m_pending;
    std::deque<std::string> m_last;
    size_t m_shownWidth = 0;
    bool m_runnerTrailer = false;
    std::optional<double> m_belowLiquidus;
    std::vector<RangeWarning> m_rangeWarnings;
};

bool CopyWholeFile(const wchar_t* from, const wchar_t* to, std::string& reason) {
    int error = 0;
    os::File in;
    os::File out;
    if (!in.OpenRead(from, error) || !out.OpenWrite(to, error)) {
        reason = WideToUtf8(os::ErrorMessage(error));
        return false;
    }
    char buffer[65536];
    std::ptrdiff_t read;
    while ((read = in.Read(buffer, sizeof buffer, error)) > 0) {
        if (!out.Write(buffer, static_cast<size_t>(read), error))
            break;
    }
    if (read != 0 || !out.Close(error)) {
        reason = WideToUtf8(os::ErrorMessage(error));
        return false;
    }
    return true;
}

std::wstring CompositionText(const MatCondition& rec) {
    std::wstring text;
    const auto add = [&](int k) {
        text += Text(L"%s%s %g", text.empty() ? L"" : L", ", ElementTable[k],
                     static_cast<double>(rec.compositions[k].compo));
    };
    for (int k = 0; k < kMatElementCount; ++k) {
        if (rec.compositions[k].base == 1)
            add(k);
    }
    for (int k = 0; k < kMatElementCount; ++k) {
        if (rec.compositions[k].present == 1 && rec.compositions[k].base != 1 &&
            rec.compositions[k].compo > 0)
            add(k);
    }
    return text;
}

// Why liquidus and shrinkage are missing, and the start that gives them: the next multiple of 10 C
// above the liquidus (any start above it makes the first rows wholly liquid).
std::string BelowLiquidusNote(const MatCondition& rec, double liquidus) {
    return WideToUtf8(
        Text(L"Liquidus and shrinkage are n/a: the start %.1f C lies below the liquidus %.1f C; "
             L"--start %g would give them.\n",
             static_cast<double>(rec.tempStart) - 273.15, liquidus, std::floor(liquidus / 10) * 10 + 10));
}

std::string AlloyText(const MatCondition& rec) {
    wchar_t family[kCatalogueNameMax + 1] = L"?";
    GetMaterialTypeName(static_cast<uint32_t>(rec.materialType), family);
    return WideToUtf8(Text(L"%s: %s (wt%%)", family, CompositionText(rec).c_str()));
}

// The summary of a result in the tool's units, under the properties' titles.
std::string Summary(const MatCondition& rec, const ResultSummary& summary) {
    std::string out = AlloyText(rec) + '\n';
    std::vector<Row> rows;
    const auto add = [&rows](std::wstring label, const std::optional<double>& value, const wchar_t* format,
                             std::wstring unit) {
        rows.push_back(value ? Row{std::move(label), Text(format, *value), std::move(unit)}
                             : Row{std::move(label), L"n/a", L""});
    };
    const auto title = [](KESTRUMMOD_DATATYPE type) { return std::wstring(DescribeDataType(type).title); };
    const auto unit = [](KESTRUMMOD_DATATYPE type) { return PropertyUnit(type); };
    // Temperatures to a tenth of a kelvin, the other values to six significant digits.
    add(title(JDT_SOLIDUS), summary.solidus, L"%.1f", unit(JDT_SOLIDUS));
    add(title(JDT_LIQUIDUS), summary.liquidus, L"%.1f", unit(JDT_LIQUIDUS));
    if (summary.freezingRange)
        add(L"Freezing range", summary.freezingRange, L"%.1f", L"K");
    add(title(JDT_LATENT_HEAT), summary.latentHeat, L"%g", unit(JDT_LATENT_HEAT));
    add(title(JDT_SHRINKAGE), summary.shrinkage, L"%g", unit(JDT_SHRINKAGE));
    for (const auto& [value, at] : {std::pair{summary.densityStart, summary.densityStartAt},
                                    std::pair{summary.densityEnd, summary.densityEndAt}}) {
        if (value)
            add(Text(L"%s at %g C", title(JDT_D_TOTAL).c_str(), at), value, L"%.1f", unit(JDT_D_TOTAL));
    }
    return out + FormatTextTable(rows, {false, true, false});
}

int Calculate(const CalcOptions& options, MatCondition& rec) {
    CCalcJob job;
    const JobOutcome prepared = job.Prepare(rec);
    if (options.keep)
        job.Keep();
    if (!prepared)
        return Fail(kExitFileError, WideToUtf8(prepared.reason));
    // A kept folder is named in the summary, or on the way out of a run that ends without one.
    std::string keptFolder = options.keep ? job.GetFolder().ToUtf8() : std::string();
    struct NameKeptFolder {
        const std::string& folder;
        ~NameKeptFolder() {
            if (!folder.empty())
                Warn("job folder kept: " + folder);
        }
    } nameKeptFolder{keptFolder};

    CatchInterrupt();
    EngineConsole console(StdoutIsTerminal());
    CMatProps set;
    const JobOutcome outcome = job.Run(
        rec, [&console](const wchar_t* text) { console.OnOutput(text); }, Interrupted, set);
    console.Finish();
    if (outcome.status == JobStatus::EngineFailed && outcome.exitCode != 0) {
        // Its last lines say why; on a terminal they were overwritten by the progress display.
        for (const std::string& line : console.LastLines())
            Warn("engine: " + line);
    }
    if (!outcome)
        return Fail(outcome.status == JobStatus::SetupFailed ? kExitFileError : kExitCalcFailed,
                    WideToUtf8(outcome.reason));
    if (!options.out.empty()) {
        std::string reason;
        if (!CopyWholeFile(job.GetResultPath(), Utf8ToWide(options.out).c_str(), reason))
            return Fail(kExitFileError, FileFailure("cannot write", options.out, reason));
    }
    std::string text = Summary(rec, SummarizeResult(InSiUnits(set)));
    if (const std::optional<double> liquidus = console.BelowLiquidus())
        text += BelowLiquidusNote(rec, *liquidus);
    // On a terminal the engine's own lines were overwritten by the progress display.
    for (const RangeWarning& warning : console.RangeWarnings())
        text += WideToUtf8(FormatRangeWarning(warning)) + '\n';
    if (!options.out.empty())
        text += "Result file: " + options.out + '\n';
    if (!options.plot.empty()) {
        std::vector<std::wstring> written;
        if (const int status = WritePlots(InSiUnits(set), job.GetResultPath().ToUtf8(), AlloyText(rec),
                                          options.plot, {}, written);
            status != kExitOk)
            return status;
        text += "Plots: " + std::to_string(written.size()) + " SVG files in " + options.plot + '\n';
    }
    if (!keptFolder.empty()) {
        text += "Job folder: " + keptFolder + '\n';
        keptFolder.clear();
    }
    return WriteStdout(text);
}

} // namespace

int CalculateQuietly(MatCondition rec, CMatProps& set, std::string& failure, std::string& warnings) {
    CCalcJob job;
    EngineConsole console(false, false);
    JobOutcome outcome = job.Prepare(rec);
    if (outcome)
        outcome = job.Run(
            rec, [&console](const wchar_t* text) { console.OnOutput(text); }, Interrupted, set);
    console.Finish();
    for (const RangeWarning& warning : console.RangeWarnings()) {
        warnings += (warnings.empty() ? "" : "; ") +
                    WideToUtf8(Text(L"%s %g wt%% outside %g to %g wt%%", warning.element.c_str(),
                                    warning.amount, warning.low, warning.high));
    }
    if (outcome)
        return kExitOk;
    failure = WideToUtf8(outcome.reason);
    if (outcome.status == JobStatus::EngineFailed && outcome.exitCode != 0) {
        if (const std::vector<std::string> last = console.LastLines(); !last.empty())
            failure += ": " + last.back();
    }
    return outcome.status == JobStatus::SetupFailed ? kExitFileError : kExitCalcFailed;
}

namespace {

int RunCalc(CalcOptions& options) {
    if (const int status = CheckCalc(options); status != kExitOk)
        return status;
    MatCondition rec;
    const int status =
        options.preset.empty() ? BuildCondition(options.condition, rec) : LoadPreset(options, rec);
    if (status != kExitOk)
        return status;
    // Everything that can fail without the engine fails before it starts.
    if (const int family = CheckFamilyData(rec); family != kExitOk)
        return family;
    if (const int outputs = PrepareOutputs(options.out, options.plot); outputs != kExitOk)
        return outputs;
    return Calculate(options, rec);
}

} // namespace

void AddCalcCommand(CLI::App& app, Runner& run) {
    auto options = std::make_shared<CalcOptions>();
    CLI::App* command = app.add_subcommand("calc");
    AddConditionOptions(*command, options->given);
    command->add_option("--preset", options->preset);
    command->add_option("--out", options->out)->check(NotEmpty);
    command->add_option("--plot", options->plot)->check(NotEmpty);
    command->add_flag("--keep", options->keep);
    command->callback([options, &run] { run = [options] { return RunCalc(*options); }; });
}

} // namespace cli
