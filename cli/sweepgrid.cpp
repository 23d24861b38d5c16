#include "cli/sweepgrid.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "cli/cli.h"
#include "cli/present.h"

namespace cli {

std::string CsvCell(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + '"';
}

const SweepColumn kSweepColumns[kSweepValueCount] = {
    {"solidus", "Solidus temperature", "C"},         {"liquidus", "Liquidus temperature", "C"},
    {"freezing_range", "Freezing range", "K"},       {"latent_heat", "Total latent heat", "J/kg"},
    {"shrinkage", "Solidification shrinkage", "%"},  {"density_start", "Density at the start", "kg/m^3"},
    {"density_end", "Density at the end", "kg/m^3"},
};

std::optional<double> SweepValue(const SweepValues& values, int column) {
    const std::optional<double> SweepValues::*members[kSweepValueCount] = {
        &SweepValues::solidus,    &SweepValues::liquidus,  &SweepValues::freezingRange,
        &SweepValues::latentHeat, &SweepValues::shrinkage, &SweepValues::densityStart,
        &SweepValues::densityEnd};
    return values.*members[column];
}

std::string ParseVaryRange(std::string_view text, bool stepOptional, VaryRange& range) {
    const std::string usage = stepOptional ? "EL=FROM:TO[:STEP]" : "EL=FROM:TO:STEP";
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos || equals == 0)
        return "--vary needs " + usage;
    range.element = std::string(text.substr(0, equals));
    std::vector<double> numbers;
    std::string_view rest = text.substr(equals + 1);
    for (;;) {
        const size_t colon = rest.find(':');
        double value = 0.0;
        if (!ParseNumber(rest.substr(0, colon), value))
            return "--vary needs " + usage + " with numbers: '" + std::string(text) + "'";
        numbers.push_back(value);
        if (colon == std::string_view::npos)
            break;
        rest.remove_prefix(colon + 1);
    }
    if (numbers.size() != 3 && !(stepOptional && numbers.size() == 2))
        return "--vary needs " + usage + ": '" + std::string(text) + "'";
    range.from = numbers[0];
    range.to = numbers[1];
    range.step = numbers.size() == 3 ? numbers[2] : 0.0;
    if (range.from < 0 || range.to > 100 || range.from > range.to)
        return "--vary needs 0 <= FROM <= TO <= 100: '" + std::string(text) + "'";
    if (numbers.size() == 3 && !(range.step > 0))
        return "--vary needs a STEP greater than 0: '" + std::string(text) + "'";
    return {};
}

std::vector<double> GridValues(const VaryRange& range) {
    std::vector<double> values;
    for (long long i = 0;; ++i) {
        const double value = range.from + static_cast<double>(i) * range.step;
        if (value > range.to + range.step * 1e-6)
            break;
        values.push_back(std::min(value, range.to));
    }
    return values;
}

std::vector<std::vector<double>> GridCompositions(const std::vector<VaryRange>& ranges) {
    std::vector<std::vector<double>> compositions{{}};
    for (const VaryRange& range : ranges) {
        std::vector<std::vector<double>> next;
        for (const auto& partial : compositions) {
            for (const double value : GridValues(range)) {
                next.push_back(partial);
                next.back().push_back(value);
            }
        }
        compositions = std::move(next);
    }
    return ranges.empty() ? std::vector<std::vector<double>>{} : compositions;
}

std::vector<std::vector<double>> SampleCompositions(const std::vector<VaryRange>& ranges, int count,
                                                    uint64_t seed) {
    std::mt19937_64 random(seed);
    std::vector<std::vector<double>> compositions;
    for (int i = 0; i < count; ++i) {
        std::vector<double> composition;
        for (const VaryRange& range : ranges) {
            const double unit = static_cast<double>(random() >> 11) * 0x1.0p-53;
            composition.push_back(range.from + unit * (range.to - range.from));
        }
        compositions.push_back(std::move(composition));
    }
    return compositions;
}

std::string SweepCsv(const std::vector<std::string>& elements, const std::vector<SweepRow>& rows) {
    std::string out;
    for (const std::string& element : elements)
        out += CsvCell(element) + ',';
    for (const SweepColumn& column : kSweepColumns)
        out += CsvCell(std::string(column.name) + " (" + column.unit + ")") + ',';
    out += "warning,error\n";
    for (const SweepRow& row : rows) {
        for (const double percent : row.composition)
            out += NumberText(percent) + ',';
        for (int k = 0; k < kSweepValueCount; ++k) {
            if (const std::optional<double> value = SweepValue(row.values, k))
                out += NumberText(*value);
            out += ',';
        }
        out += CsvCell(row.warning) + ',' + CsvCell(row.error) + '\n';
    }
    return out;
}

std::string SweepJson(const std::vector<std::string>& elements, const std::vector<SweepRow>& rows) {
    Json table{{"elements", elements}, {"rows", Json::array()}};
    for (const SweepRow& row : rows) {
        Json item{{"composition", Json::object()}};
        for (size_t i = 0; i < row.composition.size() && i < elements.size(); ++i)
            item["composition"][elements[i]] = JsonNumber(row.composition[i]);
        for (int k = 0; k < kSweepValueCount; ++k) {
            const std::optional<double> value = SweepValue(row.values, k);
            item[kSweepColumns[k].name] = value ? JsonNumber(*value) : nullptr;
        }
        item["warning"] = row.warning.empty() ? nullptr : Json(row.warning);
        item["error"] = row.error.empty() ? nullptr : Json(row.error);
        table["rows"].push_back(std::move(item));
    }
    return JsonLine(table);
}

std::vector<SweepSpread> SweepSpreads(const std::vector<SweepRow>& rows) {
    std::vector<SweepSpread> spreads(kSweepValueCount);
    for (const SweepRow& row : rows) {
        for (int k = 0; k < kSweepValueCount; ++k) {
            const std::optional<double> value = SweepValue(row.values, k);
            if (!value)
                continue;
            SweepSpread& spread = spreads[static_cast<size_t>(k)];
            spread.min = spread.min ? std::min(*spread.min, *value) : *value;
            spread.max = spread.max ? std::max(*spread.max, *value) : *value;
        }
    }
    return spreads;
}

} // namespace cli
