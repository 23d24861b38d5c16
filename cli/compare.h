// Two property sets side by side: the largest difference of each property over the temperatures both
// cover, and one CSV per property for other tools.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "props/matprops.h"

namespace cli {

// The value of the series at `x` by linear interpolation between the neighbouring points (sorted by
// temperature, as the reader leaves them); absent outside the series' range. Of points with the same
// temperature, the first counts.
std::optional<double> Interpolate(const std::vector<GraphPoint>& points, double x);

struct SeriesDifference {
    KESTRUMMOD_DATATYPE type = JDT_NULL;
    size_t compared = 0;  // points of the first set inside the common range
    double largest = 0.0; // first minus second where that is largest in size
    double at = 0.0;      // its temperature
};

// For each data type of the first set that the second has too (the first series of each type, curves
// only: not the single-point derived values), the difference on the first set's temperatures inside
// the range both cover, of the points that are finite. A type without a common range gives
// compared == 0.
std::vector<SeriesDifference> CompareSets(const CMatProps& first, const CMatProps& second);

// One property of a set in the tool's units as CSV: a heading with the temperature and the property's
// title and unit, then one line per point, numbers as NumberText writes them and an empty cell for a
// value that is not finite. A single value (solidus, liquidus, ...) is one column: heading and value.
std::string SeriesCsv(const CMatPropData& series);

} // namespace cli
