// kestrumprops: calculates alloys with the engine, reads, compares, draws and converts result files,
// and shows or writes material condition documents. This file holds the command line itself and the
// material condition commands; each other group of commands has a file of its own.
//
// Arguments are UTF-8 (see arguments.h) and so is everything printed.

#include <cwchar>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

#include "calc/catalogue.h"
#include "cli/arguments.h"
#include "cli/cli.h"
#include "cli/present.h"
#include "framework/cstring.h"
#include "framework/debugout.h"
#include "framework/utf.h"
#include "kestrumversion.h"
#include "xml/matcondition.h"

namespace {

using namespace cli;

// ---- Material condition documents ---------------------------------------------------------------

struct Options {
    std::string file;
    bool json = false;
};

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
    return JsonLine(doc);
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
        families[k] = Families[k].name;
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
    out += FormatTextTable(fields, {false, false});

    std::vector<Row> compositions{{L"Element", L"Base", L"Percent"}};
    for (int k = 0; k < kMatElementCount; ++k) {
        const MatCompoEntry& entry = rec.compositions[k];
        if (entry.present == 1)
            compositions.push_back({Text(L"%s", ElementTable[k]), entry.base ? L"base" : L"",
                                    Text(L"%g", static_cast<double>(entry.compo))});
    }
    out += "\nComposition\n";
    out += FormatTextTable(compositions, {true, false, true});
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
    // The writer does not say why it failed; trying the file first gives the system's reason.
    if (const int status = CheckWritable(given.output); status != kExitOk)
        return status;
    if (!SaveMatCondition(Utf8ToWide(given.output).c_str(), &rec))
        return Fail(kExitFileError, "cannot write " + given.output);
    return WriteStdout(given.output + '\n');
}

void AddConditionCommands(CLI::App& app, Runner& run) {
    CLI::App* condition = app.add_subcommand("condition");
    condition->require_subcommand(1);
    auto show = std::make_shared<Options>();
    CLI::App* command = condition->add_subcommand("show");
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
    // The help texts are ours, so that they read the same whatever the parser's version.
    if (WantsHelp(args))
        return WriteStdout(HelpText(args));
    // The project's version, from the one place CMake sets it.
    if (args.size() == 1 && args[0] == "--version")
        return WriteStdout("kestrumprops " KESTRUM_VERSION "\n");
    CLI::App app("kestrumprops");
    app.set_help_flag();
    // CLI11 takes "/name" for an option on Windows; here it is a path (Wine maps "/" to a drive).
    app.allow_windows_style_options(false);
    // An option given twice counts with its last value, as a shell alias with an override expects.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    Runner run;
    AddResultCommands(app, run);
    AddConditionCommands(app, run);
    AddFamiliesCommand(app, run);
    AddCalcCommand(app, run);
    AddSweepCommand(app, run);
    AddPlotCommand(app, run);
    AddValidateCommand(app, run);
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
    // The module's readers and writers also tell the debugger output why they failed, which natively
    // is standard error; the tool reports the reasons they return in its own single line instead.
    SetDebugOutputSink([](const wchar_t*) {});
    return Run(CommandLineArguments(argc, argv));
}
