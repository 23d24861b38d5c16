#include "engine/validation/validation.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <nlohmann/json.hpp>

#include "calc/calcjob.h"
#include "calc/catalogue.h"
#include "engine/engine.h"
#include "engine/enginedata.h"
#include "framework/texttable.h"
#include "framework/utf.h"
#include "results/resultfile.h"

namespace validation {

namespace {

using Json = nlohmann::json;
constexpr double kRoomCelsius = 25.0;

// The tolerances are the targets of the engine's validation (engine/validation/README.md).
const std::vector<Property> kProperties = {
    {"liquidus", "Liquidus", "C", 15, false},
    {"solidus", "Solidus", "C", 25, false},
    {"density", "Density at 25 C", "kg/m3", 1.5, true},
    {"density_liquid", "Liquid density", "kg/m3", 3, true},
    {"cp", "Specific heat at 25 C", "J/(kg K)", 10, true},
    {"k", "Conductivity at 25 C", "W/(m K)", 15, true},
    {"k_solidus", "Conductivity near the solidus", "W/(m K)", 20, true},
    {"E", "Young's modulus at 25 C", "GPa", 10, true},
    {"latent_heat", "Latent heat", "kJ/kg", 12, true},
    {"shrinkage", "Solidification shrinkage", "%", 1, false},
};

// Decimals shown per property.
int Decimals(const std::string& key) {
    if (key == "density" || key == "density_liquid" || key == "cp" || key == "latent_heat")
        return 0;
    if (key == "shrinkage")
        return 2;
    return 1;
}

std::string Fixed(double value, int decimals) {
    if (std::isnan(value))
        return "-";
    char buffer[64];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return error == std::errc() ? std::string(buffer, end) : std::string("?");
}

std::string Shortest(double value) {
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc() ? std::string(buffer, end) : std::string("?");
}

const CMatPropData* Series(const CMatProps& set, KESTRUMMOD_DATATYPE type) {
    return FindSeries(set, type);
}

// The single point of a derived series, NaN without one.
double DerivedX(const CMatProps& set, KESTRUMMOD_DATATYPE type) {
    const CMatPropData* series = Series(set, type);
    return series && series->m_points.size() == 1 ? series->m_points[0].x : std::nan("");
}
double DerivedY(const CMatProps& set, KESTRUMMOD_DATATYPE type) {
    const CMatPropData* series = Series(set, type);
    return series && series->m_points.size() == 1 ? series->m_points[0].y : std::nan("");
}

// A series at `celsius`, linear between its points (sorted by the reader); NaN outside them.
double At(const CMatProps& set, KESTRUMMOD_DATATYPE type, double celsius) {
    const CMatPropData* series = Series(set, type);
    if (!series || series->m_points.empty() || std::isnan(celsius))
        return std::nan("");
    const std::vector<GraphPoint>& p = series->m_points;
    constexpr double kEdge = 1e-3; // rows are single precision
    if (celsius < p.front().x - kEdge || celsius > p.back().x + kEdge)
        return std::nan("");
    const auto upper = std::lower_bound(p.begin(), p.end(), celsius,
                                        [](const GraphPoint& point, double t) { return point.x < t; });
    if (upper == p.begin())
        return p.front().y;
    if (upper == p.end())
        return p.back().y;
    const GraphPoint& a = *(upper - 1);
    const GraphPoint& b = *upper;
    if (b.x == a.x)
        return b.y;
    return a.y + (b.y - a.y) * (celsius - a.x) / (b.x - a.x);
}

// Cast iron's conductivity and modulus are those of its graphite form (Spheroidal, Compacted,
// Lamellar).
KESTRUMMOD_DATATYPE ConductivityType(const Alloy& alloy) {
    if (alloy.rec.materialType != kCastIronFamily)
        return JDT_TC_TOTAL;
    static const KESTRUMMOD_DATATYPE types[kGraphiteTypeCount] = {JDT_TC_SPHEROIDAL, JDT_TC_COMPACTED,
                                                                  JDT_TC_LAMELLAR};
    return types[alloy.rec.graphiteType];
}
KESTRUMMOD_DATATYPE YoungType(const Alloy& alloy) {
    if (alloy.rec.materialType != kCastIronFamily)
        return JDT_YM_TOTAL;
    static const KESTRUMMOD_DATATYPE types[kGraphiteTypeCount] = {JDT_YM_SPHEROIDAL, JDT_YM_COMPACTED,
                                                                  JDT_YM_LAMELLAR};
    return types[alloy.rec.graphiteType];
}

class CCollect : public IEngineOutput {
public:
    void Line(const std::wstring& text) override { m_last = text; }
    const std::wstring& Last() const { return m_last; }

private:
    std::wstring m_last;
};

bool Fail(std::string& error, const std::string& reason) {
    error = reason;
    return false;
}

bool ReadAlloy(const Json& item, Alloy& alloy, std::string& error) {
    if (!item.is_object() || !item.contains("id") || !item["id"].is_string())
        return Fail(error, "an alloy without an id");
    alloy.id = item["id"].get<std::string>();
    const std::string where = "alloy " + alloy.id + ": ";
    alloy.name = item.value("name", alloy.id);
    alloy.preset = item.value("preset", "");
    if (!item.contains("family") || !item["family"].is_number_integer())
        return Fail(error, where + "no family index");
    const int family = item["family"].get<int>();
    if (family < 0 || family >= static_cast<int>(kMaterialTypeCount) || !IsMaterialTypeOffered(family))
        return Fail(error, where + "family " + std::to_string(family) + " is not offered");
    MatCondition& rec = alloy.rec;
    rec = MatCondition();
    rec.materialType = family;
    const FamilyDescription& defaults = Families[static_cast<size_t>(family)];
    rec.tempStart = item.contains("start_C") ? static_cast<float>(item["start_C"].get<double>() + 273.15)
                                             : defaults.tempStart;
    // Down to room temperature or a step below it, so that the 25 C values exist.
    rec.tempStep = defaults.tempStep;
    const double steps = std::ceil((rec.tempStart - (kRoomCelsius + 273.15)) / -rec.tempStep - 1e-6);
    rec.tempEnd = static_cast<float>(rec.tempStart + steps * rec.tempStep);
    rec.fractionLimit = defaults.fractionLimit;
    if (family == kCastIronFamily)
        rec.graphiteType = item.value("graphite", 0);
    if (rec.graphiteType >= static_cast<int32_t>(kGraphiteTypeCount))
        return Fail(error, where + "graphite type out of range");
    const int base = DefaultCompositionTable[family][0];
    double sum = 0;
    std::string text;
    if (item.contains("composition")) {
        for (const auto& [symbol, amount] : item["composition"].items()) {
            const int element = FindElementSymbol(Utf8ToWide(symbol));
            if (element < 0 || element == base || !amount.is_number() || !(amount.get<double>() >= 0))
                return Fail(error, where + "composition entry " + symbol);
            rec.compositions[element] = MatCompoEntry{0, 1, amount.get<float>()};
            sum += amount.get<double>();
            text += (text.empty() ? "" : ", ") + symbol + " " + Shortest(amount.get<double>());
        }
    }
    if (!(sum < 100))
        return Fail(error, where + "the composition leaves no balance");
    rec.compositions[base] = MatCompoEntry{1, 1, static_cast<float>(100.0 - sum)};
    alloy.compositionText = WideToUtf8(ElementTable[base]) + " bal." + (text.empty() ? "" : ", " + text);
    if (!item.contains("values") || !item["values"].is_array())
        return Fail(error, where + "no values");
    for (const Json& entry : item["values"]) {
        PublishedValue value;
        value.property = entry.value("property", "");
        if (!FindProperty(value.property))
            return Fail(error, where + "unknown property \"" + value.property + "\"");
        if (!entry.contains("value") || !entry["value"].is_number())
            return Fail(error, where + value.property + " has no number");
        value.value = entry["value"].get<double>();
        if (entry.contains("at_C"))
            value.atCelsius = entry["at_C"].get<double>();
        value.source = entry.value("source", "");
        if (value.source.empty())
            return Fail(error, where + value.property + " has no source");
        value.others = entry.value("others", "");
        value.miss = entry.value("miss", "");
        alloy.values.push_back(value);
    }
    return true;
}

} // namespace

const std::vector<Property>& Properties() {
    return kProperties;
}

const Property* FindProperty(const std::string& key) {
    for (const Property& property : kProperties) {
        if (key == property.key)
            return &property;
    }
    return nullptr;
}

bool LoadTable(const std::wstring& path, std::vector<Alloy>& alloys, std::string& error) {
    const std::string shown = WideToUtf8(path);
    std::ifstream file{std::filesystem::path(path), std::ios::binary};
    if (!file)
        return Fail(error, "cannot read " + shown);
    std::stringstream bytes;
    bytes << file.rdbuf();
    const Json table = Json::parse(bytes.str(), nullptr, false);
    if (table.is_discarded() || !table.contains("alloys") || !table["alloys"].is_array())
        return Fail(error, shown + ": not a table of alloys (JSON with an \"alloys\" array)");
    std::vector<Alloy> read;
    for (const Json& item : table["alloys"]) {
        Alloy alloy;
        if (!ReadAlloy(item, alloy, error)) {
            error = shown + ": " + error;
            return false;
        }
        read.push_back(std::move(alloy));
    }
    alloys = std::move(read);
    return true;
}

bool Calculate(const Alloy& alloy, const std::wstring& dataFolder, CMatProps& set, std::string& failure) {
    // A job's folder, input and result as the tool's calculations have them; the engine runs in this
    // process, so that the table is held against the model without the program beside it.
    MatCondition rec = alloy.rec;
    CCalcJob job;
    JobOutcome outcome = job.Prepare(rec, dataFolder.c_str());
    if (outcome)
        outcome = job.WriteInput(rec);
    if (!outcome)
        return Fail(failure, WideToUtf8(outcome.reason));
    CCollect output;
    if (const int exit = RunEngine(job.GetInputPath().Str(), output); exit != kEngineExitOk)
        return Fail(failure,
                    "the engine ended with " + std::to_string(exit) + ": " + WideToUtf8(output.Last()));
    if (outcome = job.ReadResult(set); !outcome)
        return Fail(failure, WideToUtf8(outcome.reason));
    return true;
}

double ModelValue(const CMatProps& set, const Alloy& alloy, const PublishedValue& value) {
    const std::string& key = value.property;
    const double at = value.atCelsius;
    const double room = std::isnan(at) ? kRoomCelsius : at;
    if (key == "liquidus")
        return DerivedX(set, JDT_LIQUIDUS);
    if (key == "solidus")
        return DerivedX(set, JDT_SOLIDUS);
    if (key == "latent_heat")
        return DerivedY(set, JDT_LATENT_HEAT) / 1000.0; // J/kg
    if (key == "shrinkage")
        return DerivedY(set, JDT_SHRINKAGE);
    if (key == "density")
        return At(set, JDT_D_TOTAL, room);
    if (key == "density_liquid") // g/cm3: the reader scales only the alloy's density
        return 1000.0 * At(set, JDT_D_LIQUID, std::isnan(at) ? DerivedX(set, JDT_LIQUIDUS) : at);
    if (key == "cp")
        return At(set, JDT_CP_WT, room);
    if (key == "k")
        return At(set, ConductivityType(alloy), room);
    if (key == "k_solidus")
        return At(set, ConductivityType(alloy), std::isnan(at) ? DerivedX(set, JDT_SOLIDUS) : at);
    if (key == "E")
        return At(set, YoungType(alloy), room);
    return std::nan("");
}

Result Compare(const Alloy& alloy, const PublishedValue& value, const CMatProps& set) {
    Result result;
    result.alloy = &alloy;
    result.published = &value;
    result.property = FindProperty(value.property);
    result.model = ModelValue(set, alloy, value);
    if (std::isnan(result.model) || !result.property) {
        result.outcome = Outcome::NoModelValue;
        return result;
    }
    const double difference = result.model - value.value;
    result.deviation = result.property->relative ? 100.0 * difference / value.value : difference;
    const bool within = std::fabs(result.deviation) <= result.property->tolerance;
    if (value.miss.empty())
        result.outcome = within ? Outcome::Pass : Outcome::Miss;
    else
        result.outcome = within ? Outcome::StaleMiss : Outcome::ListedMiss;
    return result;
}

bool Failed(Outcome outcome) {
    return outcome == Outcome::Miss || outcome == Outcome::StaleMiss || outcome == Outcome::NoModelValue;
}

const char* OutcomeText(Outcome outcome) {
    switch (outcome) {
    case Outcome::Pass:
        return "pass";
    case Outcome::ListedMiss:
        return "miss (listed)";
    case Outcome::Miss:
        return "MISS";
    case Outcome::StaleMiss:
        return "PASSES, listed as a miss";
    case Outcome::NoModelValue:
        return "NO MODEL VALUE";
    }
    return "?";
}

std::vector<Result> ValidateAll(const std::vector<Alloy>& alloys, const std::wstring& dataFolder,
                                std::vector<std::string>& failures) {
    std::vector<Result> results;
    for (const Alloy& alloy : alloys) {
        CMatProps set;
        std::string failure;
        if (!Calculate(alloy, dataFolder, set, failure)) {
            failures.push_back(alloy.id + ": " + failure);
            continue;
        }
        for (const PublishedValue& value : alloy.values)
            results.push_back(Compare(alloy, value, set));
    }
    return results;
}

namespace {

std::string PropertyText(const Result& result) {
    std::string text = result.property ? result.property->label : result.published->property;
    if (!std::isnan(result.published->atCelsius)) {
        const size_t at = text.find(" at 25 C");
        const std::string when = " at " + Fixed(result.published->atCelsius, 0) + " C";
        text = at == std::string::npos ? text + when : text.substr(0, at) + when;
    }
    return text;
}

std::string Unit(const Result& result) {
    return result.property ? result.property->unit : "";
}

std::string DeviationText(const Result& result) {
    if (std::isnan(result.deviation))
        return "-";
    const std::string sign = result.deviation >= 0 ? "+" : "";
    if (result.property->relative)
        return sign + Fixed(result.deviation, 1) + " %";
    return sign + Fixed(result.deviation, Decimals(result.published->property)) + " " + Unit(result);
}

std::string ToleranceText(const Property& property) {
    return property.relative ? Shortest(property.tolerance) + " %"
                             : Shortest(property.tolerance) + " " + property.unit;
}

std::string ValueText(const Result& result, double value) {
    return Fixed(value, Decimals(result.published->property));
}

// The text table's cells, wide for the formatter.
std::string Columns(const std::vector<std::vector<std::string>>& rows) {
    std::vector<TextRow> wide;
    for (const auto& row : rows) {
        TextRow cells;
        for (const std::string& cell : row)
            cells.push_back(Utf8ToWide(cell));
        wide.push_back(std::move(cells));
    }
    return FormatTextTable(wide);
}

std::string MarkdownCell(std::string text) {
    for (size_t at = text.find('|'); at != std::string::npos; at = text.find('|', at + 2))
        text.replace(at, 1, "\\|");
    return text;
}

} // namespace

std::vector<Count> CountByProperty(const std::vector<Result>& results) {
    std::vector<Count> counts;
    for (const Property& property : kProperties) {
        Count count{property.key, 0, 0};
        for (const Result& result : results) {
            if (result.published->property != property.key)
                continue;
            ++count.total;
            if (result.outcome == Outcome::Pass || result.outcome == Outcome::StaleMiss)
                ++count.passed;
        }
        if (count.total > 0)
            counts.push_back(count);
    }
    return counts;
}

std::string FormatText(const std::vector<Result>& results) {
    std::vector<std::vector<std::string>> rows{
        {"Alloy", "Property", "Published", "Model", "Unit", "Deviation", "Tolerance", "Result", "Source"}};
    for (const Result& result : results) {
        rows.push_back({result.alloy->id, PropertyText(result), ValueText(result, result.published->value),
                        ValueText(result, result.model), Unit(result), DeviationText(result),
                        result.property ? ToleranceText(*result.property) : "-", OutcomeText(result.outcome),
                        result.published->source});
    }
    std::string out = Columns(rows);
    out += "\nWithin tolerance, per property\n";
    std::vector<std::vector<std::string>> counts;
    int passed = 0, total = 0;
    for (const Count& count : CountByProperty(results)) {
        counts.push_back({FindProperty(count.property)->label,
                          std::to_string(count.passed) + " of " + std::to_string(count.total)});
        passed += count.passed;
        total += count.total;
    }
    counts.push_back({"All", std::to_string(passed) + " of " + std::to_string(total)});
    out += Columns(counts);
    bool listed = false;
    for (const Result& result : results) {
        if (result.published->miss.empty())
            continue;
        if (!listed)
            out += "\nListed misses\n";
        listed = true;
        out += "  " + result.alloy->id + ", " + PropertyText(result) + ": " + result.published->miss + '\n';
    }
    return out;
}

std::string FormatMarkdown(const std::vector<Result>& results) {
    std::string out = "| Alloy | Property | Published | Model | Deviation | Tolerance | Result | Source |\n"
                      "|---|---|---:|---:|---:|---:|---|---|\n";
    const Alloy* previous = nullptr;
    for (const Result& result : results) {
        std::string source = result.published->source;
        if (!result.published->others.empty())
            source += "; others: " + result.published->others;
        std::string outcome = OutcomeText(result.outcome);
        if (!result.published->miss.empty())
            outcome += ": " + result.published->miss;
        const std::string alloy = result.alloy == previous ? "" : result.alloy->name;
        previous = result.alloy;
        out += "| " + MarkdownCell(alloy) + " | " + PropertyText(result) + " | " +
               ValueText(result, result.published->value) + " " + Unit(result) + " | " +
               ValueText(result, result.model) + " | " + DeviationText(result) + " | " +
               (result.property ? ToleranceText(*result.property) : "-") + " | " + MarkdownCell(outcome) +
               " | " + MarkdownCell(source) + " |\n";
    }
    out += "\n| Property | Within tolerance |\n|---|---:|\n";
    int passed = 0, total = 0;
    for (const Count& count : CountByProperty(results)) {
        out += std::string("| ") + FindProperty(count.property)->label + " | " +
               std::to_string(count.passed) + " of " + std::to_string(count.total) + " |\n";
        passed += count.passed;
        total += count.total;
    }
    out += "| All | " + std::to_string(passed) + " of " + std::to_string(total) + " |\n";
    return out;
}

std::string FormatRanges() {
    // Shortest form of the single-precision value, so that 0.65f reads 0.65.
    const auto number = [](float value) {
        char buffer[32];
        const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
        return error == std::errc() ? std::string(buffer, end) : std::string("?");
    };
    std::string out = "| Family | Element: checked range (refused above), wt% |\n|---|---|\n";
    for (uint32_t f = 0; f < kMaterialTypeCount; ++f) {
        const FamilyDescription& family = Families[f];
        if (family.ranges.empty())
            continue;
        std::string cell;
        for (const CompositionRange& range : family.ranges)
            cell += (cell.empty() ? "" : "; ") + WideToUtf8(ElementTable[range.element]) + " " +
                    number(range.low) + "–" + number(range.high) + " (" + number(range.limit) + ")";
        out += "| " + WideToUtf8(family.name) + " (" + std::to_string(f) + ", base " +
               WideToUtf8(ElementTable[family.Base()]) + ") | " + cell + " |\n";
    }
    return out;
}

bool ReplaceSection(std::string& text, const std::string& section) {
    return ReplaceSection(text, section, kSectionStart, kSectionEnd);
}

bool ReplaceSection(std::string& text, const std::string& section, const char* startMarker,
                    const char* endMarker) {
    const size_t start = text.find(startMarker);
    if (start == std::string::npos)
        return false;
    const size_t body = text.find('\n', start);
    const size_t end = text.find(endMarker, start);
    if (body == std::string::npos || end == std::string::npos || end < body)
        return false;
    text.replace(body + 1, end - body - 1, section);
    return true;
}

} // namespace validation
