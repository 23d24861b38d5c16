// The values an engineer asks of a result first, derived in one place for every command that shows
// them: solidus, liquidus, freezing range, latent heat, shrinkage and the density at both ends of the
// calculated range.
#pragma once

#include <optional>

#include "props/matprops.h"

struct ResultSummary {
    // Absent where the result has no such value (no liquidus when the range starts in the mush).
    std::optional<double> solidus, liquidus, freezingRange; // C, C, K
    std::optional<double> latentHeat;                       // J/kg
    std::optional<double> shrinkage;                        // %
    std::optional<double> densityStart, densityEnd;         // kg/m^3
    // The temperatures (C) of the two densities.
    double densityStartAt = 0, densityEndAt = 0;
};

// From a set as the result reader leaves it, its derived series included.
ResultSummary SummarizeResult(const CMatProps& set);
