// kestrumprops validate: the engine beside the tool held against the published values of
// engine/validation/published.json (engine/validation/README.md).
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "calc/job.h"
#include "calc/jobos.h"
#include "cli/cli.h"
#include "engine/validation/validation.h"
#include "framework/utf.h"

namespace cli {

namespace {

// A value outside its tolerance without a listed reason, or a listed miss that now passes.
constexpr int kExitValidationFailed = 4;

struct ValidateOptions {
    std::string table;
    std::string data;
    std::string readme;
    bool markdown = false;
};

// The folder of the engine beside this program, ending in a separator.
std::wstring ToolFolder() {
    CString engine;
    GetEnginePath(&engine);
    const std::wstring path = engine.Str();
    const size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut + 1);
}

int RunValidate(const ValidateOptions& options) {
    const std::wstring folder = ToolFolder();
    const std::wstring table = options.table.empty()
                                   ? folder + L"validation" + jobos::kSeparator + L"published.json"
                                   : Utf8ToWide(options.table);
    const std::wstring data =
        options.data.empty() ? folder + L"dbdata" + jobos::kSeparator : Utf8ToWide(options.data);
    std::vector<validation::Alloy> alloys;
    std::string error;
    if (!validation::LoadTable(table, alloys, error))
        return Fail(kExitFileError, error);
    std::vector<std::string> failures;
    const std::vector<validation::Result> results = validation::ValidateAll(alloys, data, failures);
    for (const std::string& failure : failures)
        Warn("calculation failed: " + failure);
    if (!options.readme.empty()) {
        std::string text;
        std::ifstream in{std::filesystem::path(Utf8ToWide(options.readme)), std::ios::binary};
        if (!in)
            return Fail(kExitFileError, "cannot read " + options.readme);
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (!validation::ReplaceSection(text, validation::FormatMarkdown(results)))
            return Fail(kExitFileError,
                        options.readme + " has no validation table section (its marker lines)");
        // The families' composition ranges stand beside the table; they are made anew with it.
        validation::ReplaceSection(text, validation::FormatRanges(), validation::kRangesStart,
                                   validation::kRangesEnd);
        if (const int status = WriteWholeFile(options.readme, text); status != kExitOk)
            return status;
    }
    const std::string report =
        options.markdown ? validation::FormatMarkdown(results) : validation::FormatText(results);
    if (const int status = WriteStdout(report); status != kExitOk)
        return status;
    if (!failures.empty())
        return kExitCalcFailed;
    for (const validation::Result& result : results) {
        if (validation::Failed(result.outcome))
            return kExitValidationFailed;
    }
    return kExitOk;
}

} // namespace

void AddValidateCommand(CLI::App& app, Runner& run) {
    auto options = std::make_shared<ValidateOptions>();
    CLI::App* command = app.add_subcommand("validate");
    command->add_option("--table", options->table);
    command->add_option("--data", options->data);
    command->add_option("--readme", options->readme);
    command->add_flag("--markdown", options->markdown);
    command->callback([options, &run] { run = [options] { return RunValidate(*options); }; });
}

} // namespace cli
