#include "cli/compare.h"

#include <algorithm>
#include <cmath>

#include "cli/present.h"
#include "cli/sweepgrid.h"
#include "framework/utf.h"
#include "graph/graphaxes.h"
#include "props/datatypes.h"

namespace cli {

namespace {

// The derived values hold one point each; they are compared as values, not as curves.
bool IsCurve(const CMatPropData& series) {
    return DescribeDataType(series.m_dataType).shape == TypeShape::Series && series.m_points.size() >= 2;
}

} // namespace

std::optional<double> Interpolate(const std::vector<GraphPoint>& points, double x) {
    if (points.empty() || x < points.front().x || x > points.back().x)
        return std::nullopt;
    const auto after = std::lower_bound(points.begin(), points.end(), x,
                                        [](const GraphPoint& p, double value) { return p.x < value; });
    if (after->x == x)
        return after->y;
    const GraphPoint& a = *(after - 1);
    const GraphPoint& b = *after;
    const double t = (x - a.x) / (static_cast<double>(b.x) - a.x);
    return a.y + t * (static_cast<double>(b.y) - a.y);
}

// Points that are not finite are left out of both series, as charts leave them out: a NaN would make
// every difference near it NaN, an infinity the largest.
std::vector<SeriesDifference> CompareSets(const CMatProps& first, const CMatProps& second) {
    std::vector<SeriesDifference> out;
    for (const CMatPropData& a : first.m_series) {
        const CMatPropData* b = FindSeries(second, a.m_dataType);
        if (!IsCurve(a) || !b || !IsCurve(*b) || FindSeries(first, a.m_dataType) != &a)
            continue;
        SeriesDifference difference;
        difference.type = a.m_dataType;
        const std::vector<GraphPoint> others = DrawnPoints(b->m_points);
        for (const GraphPoint& p : DrawnPoints(a.m_points)) {
            const std::optional<double> other = Interpolate(others, p.x);
            if (!other)
                continue;
            const double d = p.y - *other;
            if (difference.compared++ == 0 || std::fabs(d) > std::fabs(difference.largest)) {
                difference.largest = d;
                difference.at = p.x;
            }
        }
        out.push_back(difference);
    }
    return out;
}

std::string SeriesCsv(const CMatPropData& series) {
    const std::string label = CsvCell(WideToUtf8(PropertyLabel(series)));
    if (DescribeDataType(series.m_dataType).shape != TypeShape::Series) {
        const std::optional<double> value = SingleValue(series);
        return label + '\n' + (value ? NumberText(*value) : std::string()) + '\n';
    }
    std::string out = CsvCell(WideToUtf8(TemperatureLabel())) + ',' + label + '\n';
    for (const GraphPoint& p : series.m_points)
        out += NumberText(p.x) + ',' + NumberText(p.y) + '\n';
    return out;
}

} // namespace cli
