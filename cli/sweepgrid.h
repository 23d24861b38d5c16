// The compositions of a sweep (a grid over ranges, or seeded random samples inside them) and the table
// of its results, without the engine: what the sweep command computes and writes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "results/summary.h"

namespace cli {

// One --vary EL=FROM:TO:STEP: percentages from FROM to TO (both included) in steps of STEP.
struct VaryRange {
    std::string element;
    double from = 0.0;
    double to = 0.0;
    double step = 0.0;
};

// Parses EL=FROM:TO:STEP; with `stepOptional` (random samples) EL=FROM:TO is taken too. An empty
// result when it parses; else the reason.
std::string ParseVaryRange(std::string_view text, bool stepOptional, VaryRange& range);

// The grid's values of one range: FROM + i * STEP while it does not pass TO by more than a millionth
// of a step, so that 6.5:7.5:0.1 ends at 7.5 although ten steps of 0.1 add up to a little more.
std::vector<double> GridValues(const VaryRange& range);

// Every combination of the ranges' grid values, the first range changing slowest; one value per
// range in each composition.
std::vector<std::vector<double>> GridCompositions(const std::vector<VaryRange>& ranges);

// `count` compositions drawn uniformly inside the ranges from a 64-bit Mersenne Twister seeded with
// `seed`. The draw is spelled out (53 random bits to [0, 1)) rather than left to a library
// distribution, so that a seed gives the same compositions with every standard library.
std::vector<std::vector<double>> SampleCompositions(const std::vector<VaryRange>& ranges, int count,
                                                    uint64_t seed);

// The derived values of one composition's result; absent when the result has none.
using SweepValues = ResultSummary;
inline constexpr int kSweepValueCount = 7;
// The columns of the values in table order: name (as in the CSV heading and the JSON keys), title (on
// charts) and unit, the tool's.
struct SweepColumn {
    const char* name;
    const char* title;
    const char* unit;
};
extern const SweepColumn kSweepColumns[kSweepValueCount];
std::optional<double> SweepValue(const SweepValues& values, int column);

struct SweepRow {
    std::vector<double> composition; // one percentage per varied element
    SweepValues values;
    std::string warning; // the engine's warnings of amounts outside the ranges the model was checked on
    std::string error;   // why the composition has no values; empty when it has them
};

// A CSV cell: quoted, with its quotes doubled, when it holds a comma, a quote or a line end.
std::string CsvCell(const std::string& text);

// The table as CSV: a heading (the varied elements' symbols, then the values' names with units,
// then "error"), one line per composition; numbers as NumberText writes them, a missing value an empty
// cell, a cell with a comma, quote or line end quoted.
std::string SweepCsv(const std::vector<std::string>& elements, const std::vector<SweepRow>& rows);
// The same as one JSON object: {"elements": [...], "rows": [{"composition": {...}, values..., "error"}]}.
std::string SweepJson(const std::vector<std::string>& elements, const std::vector<SweepRow>& rows);

// Per value, its smallest and largest over the rows that have it; absent when none has.
struct SweepSpread {
    std::optional<double> min, max;
};
std::vector<SweepSpread> SweepSpreads(const std::vector<SweepRow>& rows);

} // namespace cli
