#include <cmath>
#include <cwchar>
#include <cwctype>

#include <CLI/CLI.hpp>

#include "calc/catalogue.h"
#include "calc/matinput.h"
#include "cli/cli.h"
#include "framework/utf.h"

namespace cli {

namespace {

bool StartsWithNoCase(const wchar_t* text, const std::wstring& start) {
    for (size_t i = 0; i < start.size(); ++i) {
        if (text[i] == L'\0' || std::towlower(text[i]) != std::towlower(start[i]))
            return false;
    }
    return true;
}

} // namespace

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

int32_t FindFamily(const std::string& given) {
    int32_t index = -1;
    if (ParseIndex(given, kMaterialTypeCount - 1, index))
        return index;
    const std::wstring name = Utf8ToWide(given);
    if (name.empty())
        return -1;
    int32_t found = -1;
    for (uint32_t k = 0; k < kMaterialTypeCount; ++k) {
        const wchar_t* family = Families[k].name;
        if (CString(family).CompareNoCase(name.c_str()) == 0)
            return static_cast<int32_t>(k);
        if (StartsWithNoCase(family, name)) {
            if (found >= 0)
                return -1; // "ni" could be either nickel family
            found = static_cast<int32_t>(k);
        }
    }
    return found;
}

void AddConditionOptions(CLI::App& command, ConditionArgs& given) {
    for (auto [name, values] : {std::pair{"--family", &given.family},
                                {"--set", &given.sets},
                                {"--start", &given.start},
                                {"--end", &given.end},
                                {"--step", &given.step},
                                {"--fraction-limit", &given.fractionLimit},
                                {"--graphite", &given.graphite}})
        command.add_option(name, *values)->take_all()->allow_extra_args(false);
    command.add_flag("--ferritic", given.ferritic);
}

// Every value given is checked; of an option given twice the last value counts, --set adds up.
int ParseConditionArgs(const ConditionArgs& given, ConditionOptions& options) {
    for (const std::string& value : given.family) {
        options.family = FindFamily(value);
        if (options.family < 0)
            return Fail(kExitUsage, "option '--family' needs a family index from 0 to " +
                                        std::to_string(kMaterialTypeCount - 1) +
                                        " or the start of one family's name");
    }
    const auto number = [](const char* name, const std::vector<std::string>& values,
                           std::optional<double>& value) {
        for (const std::string& text : values) {
            double parsed = 0;
            if (!ParseNumber(text, parsed))
                return Fail(kExitUsage, std::string("option '") + name + "': '" + text + "' is not a number");
            value = parsed;
        }
        return kExitOk;
    };
    if (const int status = number("--start", given.start, options.start); status != kExitOk)
        return status;
    if (const int status = number("--end", given.end, options.end); status != kExitOk)
        return status;
    if (const int status = number("--fraction-limit", given.fractionLimit, options.fractionLimit);
        status != kExitOk)
        return status;
    if (const int status = number("--step", given.step, options.step); status != kExitOk)
        return status;
    if (options.step && !(*options.step > 0))
        return Fail(kExitUsage, "option '--step' needs a number greater than 0");
    for (const std::string& value : given.graphite) {
        int32_t graphite = 0;
        if (!ParseIndex(value, kGraphiteTypeCount - 1, graphite))
            return Fail(kExitUsage, "option '--graphite' needs a graphite type index from 0 to 2");
        options.graphite = graphite;
    }
    options.ferritic = given.ferritic;
    for (const std::string& value : given.sets) {
        const size_t equals = value.find('=');
        double percent = 0;
        if (equals == std::string::npos || equals == 0 ||
            !ParseNumber(std::string_view(value).substr(equals + 1), percent) || percent < 0 || percent > 100)
            return Fail(kExitUsage, "option '--set' needs ELEMENT=PERCENT with a percentage from 0 to 100");
        options.elements.emplace_back(value.substr(0, equals), static_cast<float>(percent));
    }
    return CheckConditionOptions(options);
}

int CheckConditionOptions(const ConditionOptions& options) {
    if ((options.graphite || options.ferritic) && options.family != kCastIronFamily)
        return Fail(kExitUsage, "--graphite and --ferritic belong to the cast iron family (2)");
    return kExitOk;
}

namespace {

// The engine builds its whole table in memory and refuses more rows than this; the tool refuses them
// before it starts one.
constexpr double kMaxTemperatures = 1000000;

// A temperature as the user gave it ("--start 500 C") or as the record had it ("the preset's start
// 500 C"), in the degrees Celsius the options take.
std::string Named(const std::optional<double>& given, const char* name, float kelvin,
                  const std::string& origin) {
    if (given)
        return WideToUtf8(Text(L"--%hs %g C", name, *given));
    return WideToUtf8(Text(L"%hs %hs %g C", origin.c_str(), name, CelsiusFromKelvin(kelvin)));
}

} // namespace

int CheckTemperatures(const MatCondition& rec, const ConditionOptions& options, const std::string& origin) {
    const std::string start = Named(options.start, "start", rec.tempStart, origin);
    const std::string end = Named(options.end, "end", rec.tempEnd, origin);
    if (!(rec.tempStart > rec.tempEnd))
        return Fail(kExitUsage,
                    start + " is not above " + end + ": the calculation runs from the start down to the end");
    if (!(rec.tempEnd > 0.0f))
        return Fail(kExitUsage, end + " is not above absolute zero (-273.15 C)");
    // The stored step runs downwards; a record may hold it either way, the engine takes a negative one.
    const double step = -static_cast<double>(rec.tempStep);
    if (!(step > 0))
        return Fail(kExitUsage, WideToUtf8(Text(L"%hs step %g K does not run from the start down to the end",
                                                origin.c_str(), static_cast<double>(rec.tempStep))));
    const double rows = std::floor((static_cast<double>(rec.tempStart) - rec.tempEnd) / step + 1e-3) + 1;
    if (!(rows <= kMaxTemperatures))
        return Fail(kExitUsage, WideToUtf8(Text(L"a step of %g K from %hs down to %hs gives %.0f "
                                                L"temperatures; the engine takes at most %.0f",
                                                step, start.c_str(), end.c_str(), rows, kMaxTemperatures)));
    return kExitOk;
}

int CheckFamilyData(const MatCondition& rec) {
    const FamilyDescription* family = FindFamilyDescription(rec.materialType);
    if (!family)
        return Fail(kExitUsage,
                    "material family " + std::to_string(rec.materialType) + " is not in the catalogue");
    if (!family->dataFile)
        return Fail(kExitUsage, "the engine has no data for family " + std::to_string(rec.materialType) +
                                    " (" + WideToUtf8(family->name) +
                                    "); 'kestrumprops families' lists the families it calculates");
    return kExitOk;
}

void ApplyTemperatureOptions(const ConditionOptions& options, MatCondition& rec) {
    if (options.start)
        rec.tempStart = KelvinFromCelsius(*options.start);
    if (options.end)
        rec.tempEnd = KelvinFromCelsius(*options.end);
    if (options.step)
        rec.tempStep = static_cast<float>(*options.step) * -1.0f;
    if (options.fractionLimit)
        rec.fractionLimit = static_cast<float>(*options.fractionLimit);
}

int BuildCondition(const ConditionOptions& options, MatCondition& rec) {
    const uint32_t family = static_cast<uint32_t>(options.family);
    float defaults[4] = {};
    GetMaterialDefaults(family, defaults);
    GetDefaultComposition(family, rec.compositions);
    rec.materialType = options.family;
    rec.tempStart = defaults[0];
    rec.tempEnd = defaults[1];
    rec.tempStep = defaults[2];
    rec.fractionLimit = defaults[3];
    ApplyTemperatureOptions(options, rec);
    if (options.family == kCastIronFamily) {
        rec.graphiteType = options.graphite.value_or(0);
        rec.pearlitic = options.ferritic ? 0 : 1;
    }

    const std::vector<int32_t> rows = CompositionRows(rec.compositions);
    const int32_t base = rows.front();
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
    // The balance, and the check the input dialog makes before it starts a calculation.
    if (std::string failure; !SetComposition(rec, {}, {}, failure))
        return Fail(kExitUsage, failure);
    return CheckTemperatures(rec, options, "the family's default");
}

} // namespace cli

namespace cli {

bool SetComposition(MatCondition& rec, const std::vector<int32_t>& elements,
                    const std::vector<double>& percents, std::string& failure) {
    for (size_t i = 0; i < elements.size() && i < percents.size(); ++i)
        rec.compositions[elements[i]].compo = static_cast<float>(percents[i]);
    const std::vector<int32_t> rows = CompositionRows(rec.compositions);
    const int32_t base = rows.front();
    rec.compositions[base].compo = SumComposition(rec.compositions, rows).Balance();
    if (!IsBalanceAcceptable(rec.compositions[base].compo)) {
        failure = "the other elements leave nothing for the base element " + WideToUtf8(ElementTable[base]);
        return false;
    }
    // What the engine would refuse as beyond its model, found before it starts.
    if (const FamilyDescription* family = FindFamilyDescription(rec.materialType)) {
        for (const int32_t element : rows) {
            const std::wstring refused = RefusedAmount(*family, element, rec.compositions[element].compo,
                                                       rec.compositions[base].compo);
            if (!refused.empty()) {
                failure = WideToUtf8(refused);
                return false;
            }
        }
    }
    return true;
}

} // namespace cli
