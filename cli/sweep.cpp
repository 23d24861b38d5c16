// kestrumprops sweep: one calculation per composition of a grid or of random samples, several at once,
// and one table of their derived values.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <CLI/CLI.hpp>

#include "calc/catalogue.h"
#include "calc/matinput.h"
#include "cli/cli.h"
#include "cli/console.h"
#include "cli/present.h"
#include "cli/sweepgrid.h"
#include "framework/cstring.h"
#include "framework/utf.h"
#include "graph/svgplot.h"
#include "results/summary.h"

namespace cli {

namespace {

// More compositions than this are refused: a typing slip in a step should not start a week of runs.
constexpr size_t kMaxCompositions = 100000;
// The error cell of a composition that Ctrl-C kept from finishing.
constexpr char kInterruptedMark[] = "interrupted";

struct SweepOptions {
    ConditionArgs given;
    ConditionOptions condition;
    std::string preset;
    std::vector<std::string> vary;
    int samples = 0;
    uint64_t seed = 1;
    int jobs = 0;
    bool json = false;
    std::string output;
    std::string plot;
};

// What the sweep prints while it runs, on standard error so that the table alone goes to standard
// output: on a terminal one line rewritten in place (done/total, rate, time left), elsewhere a plain
// line at every tenth of the compositions.
class Progress {
public:
    Progress(size_t total, bool oneLine) : m_total(total), m_oneLine(oneLine), m_start(Clock::now()) {}

    void Done(size_t done) {
        std::lock_guard lock(m_lock);
        const double seconds = std::chrono::duration<double>(Clock::now() - m_start).count();
        const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0.0;
        const double left = rate > 0 ? static_cast<double>(m_total - done) / rate : 0.0;
        const std::string line =
            WideToUtf8(Text(L"sweep: %zu/%zu done, %.2f per second, %.0f s left", done, m_total, rate, left));
        if (m_oneLine) {
            std::fprintf(stderr, "\r%s  ", line.c_str());
            if (done == m_total)
                std::fputc('\n', stderr);
        } else if (done * 10 / m_total != (done - 1) * 10 / m_total || done == m_total) {
            std::fprintf(stderr, "%s\n", line.c_str());
        }
        std::fflush(stderr);
    }

private:
    using Clock = std::chrono::steady_clock;
    const size_t m_total;
    const bool m_oneLine;
    const Clock::time_point m_start;
    std::mutex m_lock;
};

int LoadBase(SweepOptions& options, MatCondition& rec) {
    if (const int status = ParseConditionArgs(options.given, options.condition); status != kExitOk)
        return status;
    if (options.preset.empty() == (options.condition.family < 0))
        return Fail(kExitUsage, "sweep needs either --preset FILE.vjp or --family");
    if (options.preset.empty())
        return BuildCondition(options.condition, rec);
    if (const int status = LoadCondition(options.preset, rec); status != kExitOk)
        return status;
    ApplyTemperatureOptions(options.condition, rec);
    return CheckTemperatures(rec, options.condition, "the preset's");
}

// The varied elements of the base condition's family: present, and not its base element.
int FindVaried(const std::vector<VaryRange>& ranges, const MatCondition& rec, std::vector<int32_t>& elements,
               std::vector<std::string>& symbols) {
    const int32_t base = CompositionRows(rec.compositions).front();
    for (const VaryRange& range : ranges) {
        const int32_t element = FindElement(range.element);
        if (element < 0)
            return Fail(kExitUsage, "'" + range.element + "' is not an element of the catalogue");
        const std::string symbol = WideToUtf8(ElementTable[element]);
        if (rec.compositions[element].present != 1)
            return Fail(kExitUsage,
                        symbol + " is not an element of family " + std::to_string(rec.materialType));
        if (element == base)
            return Fail(kExitUsage, symbol + " is the base element: it takes the balance");
        if (std::find(elements.begin(), elements.end(), element) != elements.end())
            return Fail(kExitUsage, symbol + " is varied twice");
        elements.push_back(element);
        symbols.push_back(symbol);
    }
    return kExitOk;
}

// The curves of one chart of a value over element `e`. With one element varied, one line. With more,
// the compositions that share the other elements' percentages form one line each, named in the
// legend ("Mg 0.2"); where that gives no line of two points or more (random samples) or more lines
// than a legend holds, the points stand alone, without a line to zig-zag between them.
std::vector<SvgCurve> SweepCurves(const std::vector<std::string>& symbols, const std::vector<SweepRow>& rows,
                                  int k, size_t e) {
    constexpr size_t kMaxLines = 8;
    std::vector<SvgCurve> curves;
    std::vector<std::vector<double>> keys;
    for (const SweepRow& row : rows) {
        const std::optional<double> value = SweepValue(row.values, k);
        if (!value)
            continue;
        std::vector<double> key = row.composition;
        key.erase(key.begin() + static_cast<std::ptrdiff_t>(e));
        const size_t at = static_cast<size_t>(std::find(keys.begin(), keys.end(), key) - keys.begin());
        if (at == keys.size()) {
            keys.push_back(key);
            std::wstring label;
            for (size_t i = 0, j = 0; i < symbols.size(); ++i) {
                if (i != e)
                    label +=
                        Utf8ToWide((label.empty() ? "" : ", ") + symbols[i] + ' ' + NumberText(key[j++]));
            }
            curves.push_back({{}, label, true, true});
        }
        curves[at].points.push_back({static_cast<float>(row.composition[e]), static_cast<float>(*value)});
    }
    for (SvgCurve& curve : curves)
        std::sort(curve.points.begin(), curve.points.end(),
                  [](GraphPoint a, GraphPoint b) { return a.x < b.x; });
    const bool lines =
        curves.size() <= kMaxLines &&
        std::all_of(curves.begin(), curves.end(), [](const SvgCurve& c) { return c.points.size() >= 2; });
    if (lines || curves.empty())
        return curves;
    SvgCurve points{{}, L"", false, true};
    for (const SvgCurve& curve : curves)
        points.points.insert(points.points.end(), curve.points.begin(), curve.points.end());
    return {points};
}

// One chart per value and varied element, named VALUE-EL.svg, the value over the element's percentage,
// into a folder made before the sweep started.
int WriteSweepPlots(const std::string& folder, const std::string& title,
                    const std::vector<std::string>& symbols, const std::vector<SweepRow>& rows,
                    size_t& written) {
    for (int k = 0; k < kSweepValueCount; ++k) {
        for (size_t e = 0; e < symbols.size(); ++e) {
            SvgChart chart{
                SweepCurves(symbols, rows, k, e), CString::FromUtf8(title),
                Utf8ToWide(symbols[e] + " (wt%)").c_str(),
                Utf8ToWide(std::string(kSweepColumns[k].title) + " (" + kSweepColumns[k].unit + ')').c_str()};
            if (chart.curves.empty())
                continue;
            const std::string name = std::string(kSweepColumns[k].name) + '-' + symbols[e] + ".svg";
            if (const int status = WriteWholeFile(folder + '/' + name, RenderChartSvg(chart));
                status != kExitOk)
                return status;
            ++written;
        }
    }
    return kExitOk;
}

// The chart title: the family, what the compositions share, and what varies.
std::string SweepTitle(const MatCondition& base, const std::vector<int32_t>& elements,
                       const std::vector<std::string>& symbols) {
    std::string title = WideToUtf8(Families[static_cast<size_t>(base.materialType)].name);
    for (const int32_t k : CompositionRows(base.compositions)) {
        const MatCompoEntry& entry = base.compositions[k];
        if (entry.base != 1 && entry.compo > 0 &&
            std::find(elements.begin(), elements.end(), k) == elements.end())
            title += ", " + WideToUtf8(ElementTable[k]) + ' ' + NumberText(entry.compo);
    }
    std::string varied;
    for (size_t i = 0; i < symbols.size(); ++i)
        varied += (i == 0 ? "" : i + 1 == symbols.size() ? " and " : ", ") + symbols[i];
    return title + "; " + varied + " varied";
}

int RunSweep(SweepOptions& options) {
    MatCondition base;
    if (const int status = LoadBase(options, base); status != kExitOk)
        return status;
    if (options.vary.empty())
        return Fail(kExitUsage, "sweep needs at least one --vary EL=FROM:TO:STEP");
    std::vector<VaryRange> ranges(options.vary.size());
    for (size_t i = 0; i < ranges.size(); ++i) {
        if (const std::string error = ParseVaryRange(options.vary[i], options.samples > 0, ranges[i]);
            !error.empty())
            return Fail(kExitUsage, error);
    }
    std::vector<int32_t> elements;
    std::vector<std::string> symbols;
    if (const int status = FindVaried(ranges, base, elements, symbols); status != kExitOk)
        return status;
    if (const int status = CheckFamilyData(base); status != kExitOk)
        return status;
    const std::vector<std::vector<double>> compositions =
        options.samples > 0 ? SampleCompositions(ranges, options.samples, options.seed)
                            : GridCompositions(ranges);
    if (compositions.size() > kMaxCompositions)
        return Fail(kExitUsage, std::to_string(compositions.size()) + " compositions are more than the " +
                                    std::to_string(kMaxCompositions) + " a sweep takes");
    // Every composition the engine would refuse, and every output that cannot be written, is found
    // before the first engine starts.
    for (const std::vector<double>& composition : compositions) {
        MatCondition rec = base;
        if (std::string failure; !SetComposition(rec, elements, composition, failure)) {
            std::string named;
            for (size_t i = 0; i < symbols.size(); ++i)
                named += (i == 0 ? "" : ", ") + symbols[i] + ' ' + NumberText(composition[i]);
            return Fail(kExitUsage, named + ": " + failure);
        }
    }
    if (const int status = PrepareOutputs(options.output, options.plot); status != kExitOk)
        return status;

    // Every composition gets a row, in order, whatever order the runs end in. A run the interrupt cut
    // short counts as not finished, as does one never started.
    std::vector<SweepRow> rows(compositions.size());
    std::vector<char> finished(rows.size(), 0);
    CatchInterrupt();
    Progress progress(rows.size(), StdoutIsTerminal());
    std::atomic<size_t> next{0};
    std::atomic<size_t> done{0};
    const auto work = [&] {
        for (size_t i; !Interrupted() && (i = next++) < rows.size();) {
            SweepRow& row = rows[i];
            row.composition = compositions[i];
            MatCondition rec = base;
            CMatProps set;
            if (SetComposition(rec, elements, row.composition, row.error) &&
                CalculateQuietly(rec, set, row.error, row.warning) == kExitOk)
                row.values = SummarizeResult(InSiUnits(set));
            finished[i] = row.error.empty() || !Interrupted();
            progress.Done(++done);
        }
    };
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t workers =
        std::min<size_t>(options.jobs > 0 ? static_cast<size_t>(options.jobs) : cores, rows.size());
    std::vector<std::thread> threads;
    for (size_t k = 1; k < workers; ++k)
        threads.emplace_back(work);
    work();
    for (std::thread& thread : threads)
        thread.join();
    // Nothing finished is lost: the table holds the finished compositions and marks the others.
    size_t unfinished = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (finished[i])
            continue;
        rows[i] = {compositions[i], {}, {}, kInterruptedMark};
        ++unfinished;
    }

    const std::string table = options.json ? SweepJson(symbols, rows) : SweepCsv(symbols, rows);
    if (options.output.empty()) {
        if (const int status = WriteStdout(table); status != kExitOk)
            return status;
    } else if (const int status = WriteWholeFile(options.output, table); status != kExitOk) {
        return status;
    }

    size_t plots = 0;
    if (!options.plot.empty()) {
        if (const int status =
                WriteSweepPlots(options.plot, SweepTitle(base, elements, symbols), symbols, rows, plots);
            status != kExitOk)
            return status;
    }

    // The spread goes with the progress, on standard error, so that standard output stays one table.
    std::string spread = "Spread over " + std::to_string(rows.size()) + " compositions:\n";
    std::vector<Row> spreadRows;
    const std::vector<SweepSpread> spreads = SweepSpreads(rows);
    for (int k = 0; k < kSweepValueCount; ++k) {
        const SweepSpread& s = spreads[static_cast<size_t>(k)];
        spreadRows.push_back({Utf8ToWide(kSweepColumns[k].name), s.min ? Text(L"%.6g", *s.min) : L"n/a",
                              s.max ? Text(L"%.6g", *s.max) : L"n/a", Utf8ToWide(kSweepColumns[k].unit)});
    }
    spread += FormatTextTable(spreadRows, {false, true, true, false});
    const auto failed =
        std::count_if(rows.begin(), rows.end(), [](const SweepRow& r) { return !r.error.empty(); }) -
        static_cast<std::ptrdiff_t>(unfinished);
    if (!options.plot.empty())
        spread += "Plots: " + std::to_string(plots) + " SVG files in " + options.plot + '\n';
    if (failed > 0)
        spread += std::to_string(failed) + " of " + std::to_string(rows.size()) + " compositions failed\n";
    if (const auto outside =
            std::count_if(rows.begin(), rows.end(), [](const SweepRow& r) { return !r.warning.empty(); });
        outside > 0)
        spread += std::to_string(outside) + " of " + std::to_string(rows.size()) +
                  " compositions lie outside the ranges the model was checked on (the warning column)\n";
    std::fwrite(spread.data(), 1, spread.size(), stderr);
    if (Interrupted())
        return Fail(kExitCalcFailed,
                    "interrupted: every engine was terminated and every job folder removed; " +
                        std::to_string(rows.size() - unfinished) + " of " + std::to_string(rows.size()) +
                        " compositions finished, the table marks " + "the others \"" + kInterruptedMark +
                        '"');
    // A sweep with failed compositions still writes its table, and says so by its exit status.
    return failed > 0 ? kExitCalcFailed : kExitOk;
}

} // namespace

void AddSweepCommand(CLI::App& app, Runner& run) {
    auto options = std::make_shared<SweepOptions>();
    CLI::App* command = app.add_subcommand("sweep");
    AddConditionOptions(*command, options->given);
    command->add_option("--preset", options->preset);
    command->add_option("--vary", options->vary)->take_all()->allow_extra_args(false);
    command->add_option("--samples", options->samples)->check(CLI::Range(1, 1000000));
    command->add_option("--seed", options->seed);
    command->add_option("-j,--jobs", options->jobs)->check(CLI::Range(1, 256));
    command->add_flag("--json", options->json);
    command->add_option("-o,--output", options->output)->check(NotEmpty);
    command->add_option("--plot", options->plot)->check(NotEmpty);
    command->callback([options, &run] { run = [options] { return RunSweep(*options); }; });
}

} // namespace cli
