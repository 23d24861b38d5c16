#include "results/summary.h"

#include <cmath>

namespace {

std::optional<double> Finite(double value) {
    return std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

// The single value of a derived series, on the axis its type keeps it on.
std::optional<double> SingleValue(const CMatProps& set, KESTRUMMOD_DATATYPE type) {
    const CMatPropData* series = FindSeries(set, type);
    if (!series || series->m_points.empty())
        return std::nullopt;
    const GraphPoint point = series->m_points.front();
    return Finite(DescribeDataType(type).shape == TypeShape::ValueOnX ? point.x : point.y);
}

} // namespace

ResultSummary SummarizeResult(const CMatProps& set) {
    ResultSummary summary;
    summary.solidus = SingleValue(set, JDT_SOLIDUS);
    summary.liquidus = SingleValue(set, JDT_LIQUIDUS);
    // In single precision, as the series hold them.
    if (summary.solidus && summary.liquidus)
        summary.freezingRange =
            Finite(static_cast<float>(*summary.liquidus) - static_cast<float>(*summary.solidus));
    summary.latentHeat = SingleValue(set, JDT_LATENT_HEAT);
    summary.shrinkage = SingleValue(set, JDT_SHRINKAGE);
    // The calculation runs downwards: its start is the highest temperature, the last point.
    if (const CMatPropData* density = FindSeries(set, JDT_D_TOTAL); density && !density->m_points.empty()) {
        summary.densityStart = Finite(density->m_points.back().y);
        summary.densityStartAt = density->m_points.back().x;
        summary.densityEnd = Finite(density->m_points.front().y);
        summary.densityEndAt = density->m_points.front().x;
    }
    return summary;
}
