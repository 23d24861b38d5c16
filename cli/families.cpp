// kestrumprops families: the material families of the catalogue as --family takes them, with what a
// new condition starts from (base element, default temperatures) and the elements --set takes.
#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "calc/catalogue.h"
#include "calc/matinput.h"
#include "cli/cli.h"
#include "cli/present.h"
#include "framework/utf.h"

namespace cli {

namespace {

std::string Symbol(int32_t element) {
    return WideToUtf8(ElementTable[element]);
}

// One element of a family as the listing names it: the range the model was checked on and, in
// brackets, the amount above which the engine refuses it (wt%).
std::string ElementText(const FamilyDescription& family, int32_t element) {
    const CompositionRange* range = family.FindRange(element);
    if (!range)
        return Symbol(element);
    return Symbol(element) + ' ' +
           WideToUtf8(Text(L"%g-%g(%g)", static_cast<double>(range->low), static_cast<double>(range->high),
                           static_cast<double>(range->limit)));
}

std::string FamiliesText() {
    std::string out = "Material families: --family takes the index or the start of the name, --set the\n"
                      "elements listed; the base element takes the balance. After each element, in wt%,\n"
                      "the range the engine's model was checked on (outside it the engine warns) and,\n"
                      "in brackets, the amount above which it refuses the composition.\n";
    for (size_t k = 0; k < Families.size(); ++k) {
        const FamilyDescription& family = Families[k];
        out += WideToUtf8(Text(L"\n%2zu  %s\n", k, family.name));
        out += WideToUtf8(Text(L"    base %hs; from %g C down to %g C in steps of %g K, fraction limit %g\n",
                               Symbol(family.Base()).c_str(), CelsiusFromKelvin(family.tempStart),
                               CelsiusFromKelvin(family.tempEnd), -static_cast<double>(family.tempStep),
                               static_cast<double>(family.fractionLimit)));
        // Elements on lines of at most 80 characters.
        std::string line = family.ranges.empty() ? "    elements" : "    elements, wt%";
        for (size_t e = 1; e < family.elements.size(); ++e) {
            const std::string element = ElementText(family, family.elements[e]);
            if (line.size() + 1 + element.size() > 80) {
                out += line + '\n';
                line = "            ";
            }
            line += ' ' + element;
        }
        out += line + '\n';
        if (!family.dataFile)
            out += "    the engine has no data for this family: calc and sweep refuse it\n";
    }
    return out;
}

std::string FamiliesJson() {
    Json families = Json::array();
    for (size_t k = 0; k < Families.size(); ++k) {
        const FamilyDescription& family = Families[k];
        Json elements = Json::array();
        for (size_t e = 1; e < family.elements.size(); ++e) {
            Json item{{"symbol", Symbol(family.elements[e])}};
            if (const CompositionRange* range = family.FindRange(family.elements[e])) {
                item["low"] = JsonNumber(range->low);
                item["high"] = JsonNumber(range->high);
                item["limit"] = JsonNumber(range->limit);
            }
            elements.push_back(std::move(item));
        }
        families.push_back({{"index", k},
                            {"name", WideToUtf8(family.name)},
                            {"base", Symbol(family.Base())},
                            {"start", JsonNumber(CelsiusFromKelvin(family.tempStart))},
                            {"end", JsonNumber(CelsiusFromKelvin(family.tempEnd))},
                            {"step", JsonNumber(-family.tempStep)},
                            {"fractionLimit", JsonNumber(family.fractionLimit)},
                            {"elements", std::move(elements)},
                            {"engineData", family.dataFile != nullptr}});
    }
    return JsonLine(Json{{"families", std::move(families)}});
}

} // namespace

void AddFamiliesCommand(CLI::App& app, Runner& run) {
    auto json = std::make_shared<bool>(false);
    CLI::App* command = app.add_subcommand("families");
    command->add_flag("--json", *json);
    command->callback(
        [json, &run] { run = [json] { return WriteStdout(*json ? FamiliesJson() : FamiliesText()); }; });
}

} // namespace cli
