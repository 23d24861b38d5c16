// kestrumprops calc: the calculation the module runs when the user clicks "Start Calc", from a terminal.
// The record goes through the same chain: job folder, "input.vjp", the engine beside this program
// through the console process runner, "vuzaziza.out" through the result reader.

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "calc/catalogue.h"
#include "calc/conproc.h"
#include "calc/job.h"
#include "calc/jobos.h"
#include "cli/cli.h"
#include "cli/console.h"
#include "engine/engine.h"
#include "framework/osfile.h"
#include "framework/utf.h"
#include "results/resultfile.h"

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
    return kExitOk;
}

int CopyPathInto(const CString& path, wchar_t (&field)[kMatPathChars]) {
    if (path.GetLength() >= kMatPathChars)
        return 0;
    std::copy_n(path.Str().c_str(), path.GetLength() + 1, field);
    return 1;
}

// Shows the engine's output as it arrives and waits for its end. On a terminal each line replaces the
// one before, so the progress stays on one line; elsewhere every line is printed as it is.
class EngineConsole : public IConProcOwner {
public:
    // `shown` false keeps the output to itself (its last lines only), for runs side by side.
    explicit EngineConsole(bool oneLine, bool shown = true) : m_oneLine(oneLine), m_shown(shown) {}

    void OnOutput(const wchar_t* text) override {
        if (!text)
            return;
        std::lock_guard lock(m_lock);
        m_pending += WideToUtf8(text);
        size_t end;
        while ((end = m_pending.find('\n')) != std::string::npos) {
            Show(m_pending.substr(0, end));
            m_pending.erase(0, end + 1);
        }
    }

    void OnExit(int exitCode) override {
        std::lock_guard lock(m_lock);
        if (!m_pending.empty())
            Show(m_pending);
        m_pending.clear();
        if (m_oneLine && m_shownWidth > 0)
            std::fputc('\n', stdout);
        std::fflush(stdout);
        m_exitCode = exitCode;
        m_exited = true;
        m_ended.notify_all();
    }

    // The engine's exit code; terminates it first when the user interrupts.
    int Wait(CConProc& runner) {
        std::unique_lock lock(m_lock);
        bool terminated = false;
        while (!m_ended.wait_for(lock, std::chrono::milliseconds(100), [this] { return m_exited; })) {
            if (Interrupted() && !terminated) {
                runner.Terminate();
                terminated = true;
            }
        }
        return m_exitCode;
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
        if (double liquidus = 0; ParseBelowLiquidusWarning(Utf8ToWide(line), &liquidus))
            m_belowLiquidus = liquidus;
        m_last.push_back(line);
        if (m_last.size() > kLinesKept)
            m_last.pop_front();
        if (!m_shown)
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
    std::condition_variable m_ended;
    std::string m_pending;
    std::deque<std::string> m_last;
    size_t m_shownWidth = 0;
    bool m_runnerTrailer = false;
    std::optional<double> m_belowLiquidus;
    bool m_exited = false;
    int m_exitCode = -1;
};

// Removes the job folder when the command ends, unless the user asked to keep it.
class JobFolder {
public:
    explicit JobFolder(CString folder) : m_folder(std::move(folder)) {}
    ~JobFolder() {
        if (!m_keep)
            DeleteFolderTree(m_folder.GetString());
        else if (!m_shown)
            Warn("job folder kept: " + m_folder.ToUtf8());
    }
    JobFolder(const JobFolder&) = delete;
    JobFolder& operator=(const JobFolder&) = delete;
    void Keep() { m_keep = true; }
    // The folder kept, as a line of the summary; empty when it is removed.
    std::string KeptLine() {
        m_shown = true;
        return m_keep ? "Job folder: " + m_folder.ToUtf8() + '\n' : std::string();
    }

private:
    CString m_folder;
    bool m_keep = false;
    bool m_shown = false;
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

std::string Summary(const MatCondition& rec, const CMatProps& set) {
    wchar_t family[kCatalogueNameMax + 1] = L"?";
    GetMaterialTypeName(static_cast<uint32_t>(rec.materialType), family);
    std::string out = WideToUtf8(Text(L"%s: %s (wt%%)\n", family, CompositionText(rec).c_str()));

    std::vector<Row> rows;
    for (const int type : {30, 31})
        rows.push_back(DerivedRow(set, static_cast<KESTRUMMOD_DATATYPE>(type)));
    GraphPoint solidus{}, liquidus{};
    if (FindSolidusPoint(set, solidus) && FindLiquidusPoint(set, liquidus))
        rows.push_back(
            {L"  Freezing range", Text(L"%.1f", static_cast<double>(liquidus.x - solidus.x)), L"K"});
    for (const int type : {32, 34})
        rows.push_back(DerivedRow(set, static_cast<KESTRUMMOD_DATATYPE>(type)));
    // The calculation runs downwards: its first temperature is the highest.
    if (const CMatPropData* density = FindSeries(set, static_cast<KESTRUMMOD_DATATYPE>(15));
        density && !density->m_points.empty()) {
        for (const GraphPoint& point : {density->m_points.back(), density->m_points.front()})
            rows.push_back({Text(L"  Density at %g C", static_cast<double>(point.x)),
                            Text(L"%.1f", static_cast<double>(point.y)), UnitOf(density->m_dataType)});
    }
    for (Row& row : rows)
        row[0].erase(0, 2);
    return out + FormatTable(rows, {false, true, false});
}

// The engine beside this program and the data folder beside it; false, with the reason, without one.
bool FindEngine(CString& engine, CString& dataPath, std::string& failure) {
    if (!GetEnginePath(&engine) || !os::IsRegularFile(engine.GetString())) {
        failure = "no calculation engine beside this program: " + engine.ToUtf8();
        return false;
    }
    const size_t cut = engine.Str().rfind(jobos::kSeparator);
    dataPath = engine.Left(static_cast<int>(cut + 1)) + L"dbdata" + CString(jobos::kSeparator);
    return true;
}

// What a job needs to run: the engine, its job folder and the input written there.
struct PreparedJob {
    CString engine;
    CString folder;
    CString input;
};

// Finds the engine and its data, names and creates a job folder (handed to `folder` at once, so that
// it goes whatever happens next) and writes `rec` into it as the engine's input; on failure the exit
// status and, in `failure`, why.
int PrepareJob(MatCondition& rec, PreparedJob& job, std::optional<JobFolder>& folder, std::string& failure) {
    CString dataPath;
    if (!FindEngine(job.engine, dataPath, failure))
        return kExitFileError;
    {
        // Job folders are named after the tick count, so two jobs started in the same millisecond
        // would find the same free name: naming and creating go together, one job at a time.
        static std::mutex naming;
        std::lock_guard lock(naming);
        job.folder = CreateJobFolderName();
        if (job.folder.IsEmpty()) {
            failure = "the temporary folder for the job folder cannot be found";
            return kExitFileError;
        }
        if (!CopyPathInto(dataPath, rec.dataPath) || !CopyPathInto(job.folder, rec.resPath)) {
            failure = "the path of the data or job folder is too long: " + job.folder.ToUtf8();
            return kExitFileError;
        }
        if (!CreateJobFolder(job.folder.GetString())) {
            failure = "cannot create the job folder " + job.folder.ToUtf8();
            return kExitFileError;
        }
    }
    folder.emplace(job.folder);
    job.input = GetJobInputPath(job.folder.GetString());
    if (!SaveMatCondition(job.input.GetString(), &rec)) {
        failure = "cannot write " + job.input.ToUtf8();
        return kExitFileError;
    }
    return kExitOk;
}

int Calculate(const CalcOptions& options, MatCondition& rec) {
    PreparedJob prepared;
    std::optional<JobFolder> folder;
    std::string failure;
    const int prepareStatus = PrepareJob(rec, prepared, folder, failure);
    if (folder && options.keep)
        folder->Keep();
    if (prepareStatus != kExitOk)
        return Fail(prepareStatus, failure);
    const CString& engine = prepared.engine;
    const CString& job = prepared.folder;
    const CString& input = prepared.input;

    CatchInterrupt();
    EngineConsole console(StdoutIsTerminal());
    CConProc runner;
    if (!runner.Create(&console, engine.GetString(), GetEngineCommandLine(input.GetString()).GetString()) ||
        !runner.Start())
        return Fail(kExitCalcFailed, "the engine could not be started");
    const int exitCode = console.Wait(runner);
    if (Interrupted())
        return Fail(kExitCalcFailed, "interrupted: the engine was terminated");
    if (exitCode != 0) {
        // Its last lines say why; on a terminal they were overwritten by the progress display.
        for (const std::string& line : console.LastLines())
            Warn("engine: " + line);
        return Fail(kExitCalcFailed, "the engine failed with exit code " + std::to_string(exitCode));
    }

    const CString result = GetJobResultPath(job.GetString());
    CMatProps set;
    DebugMessages messages;
    if (!ReadResultFile(result.GetString(), set, kFormatEngine) || set.m_series.empty())
        return Fail(kExitCalcFailed, FileFailure("the engine ended without a readable result:",
                                                 result.ToUtf8(), messages.Joined()));
    if (!options.out.empty()) {
        std::string reason;
        if (!CopyWholeFile(result.GetString(), Utf8ToWide(options.out).c_str(), reason))
            return Fail(kExitFileError, FileFailure("cannot write", options.out, reason));
    }
    std::string text = Summary(rec, set);
    if (const std::optional<double> liquidus = console.BelowLiquidus())
        text += BelowLiquidusNote(rec, *liquidus);
    if (!options.out.empty())
        text += "Result file: " + options.out + '\n';
    if (!options.plot.empty()) {
        std::vector<std::wstring> written;
        if (const int status = WritePlots(set, result.ToUtf8(), options.plot, std::nullopt, written);
            status != kExitOk)
            return status;
        text += "Plots: " + std::to_string(written.size()) + " SVG files in " + options.plot + '\n';
    }
    text += folder->KeptLine();
    return WriteStdout(text);
}

} // namespace

int CalculateQuietly(MatCondition rec, CMatProps& set, std::string& failure) {
    PreparedJob prepared;
    std::optional<JobFolder> folder;
    if (const int status = PrepareJob(rec, prepared, folder, failure); status != kExitOk)
        return status;
    const CString& engine = prepared.engine;
    const CString& job = prepared.folder;
    const CString& input = prepared.input;
    EngineConsole console(false, false);
    CConProc runner;
    if (!runner.Create(&console, engine.GetString(), GetEngineCommandLine(input.GetString()).GetString()) ||
        !runner.Start()) {
        failure = "the engine could not be started";
        return kExitCalcFailed;
    }
    const int exitCode = console.Wait(runner);
    if (Interrupted()) {
        failure = "interrupted";
        return kExitCalcFailed;
    }
    if (exitCode != 0) {
        const std::vector<std::string> last = console.LastLines();
        failure = "the engine failed with exit code " + std::to_string(exitCode) +
                  (last.empty() ? std::string() : ": " + last.back());
        return kExitCalcFailed;
    }
    // The reader's own explanations go to the debug output, which the caller owns: runs side by side
    // cannot each install a sink of their own.
    const CString result = GetJobResultPath(job.GetString());
    if (!ReadResultFile(result.GetString(), set, kFormatEngine) || set.m_series.empty()) {
        failure = "the engine ended without a readable result: " + result.ToUtf8();
        return kExitCalcFailed;
    }
    return kExitOk;
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
    return Calculate(options, rec);
}

} // namespace

void AddCalcCommand(CLI::App& app, Runner& run) {
    auto options = std::make_shared<CalcOptions>();
    CLI::App* command = app.add_subcommand("calc");
    AddConditionOptions(*command, options->given);
    command->add_option("--preset", options->preset);
    command->add_option("--out", options->out);
    command->add_option("--plot", options->plot);
    command->add_flag("--keep", options->keep);
    command->callback([options, &run] { run = [options] { return RunCalc(*options); }; });
}

} // namespace cli
