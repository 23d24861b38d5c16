#include "cli/compare.h"

#include <algorithm>
#include <cmath>

#include "cli/sweepgrid.h"
#include "framework/cstring.h"
#include "props/datatypes.h"

namespace cli {

namespace {

// The derived values hold one point each; they are compared as values, not as curves.
bool IsCurve(const CMatPropData& series) {
    return series.m_dataType != 30 && series.m_dataType != 31 && series.m_dataType != 32 &&
           series.m_dataType != 34 && series.m_points.size() >= 2;
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

std::vector<SeriesDifference> CompareSets(const CMatProps& first, const CMatProps& second) {
    std::vector<SeriesDifference> out;
    for (const CMatPropData& a : first.m_series) {
        const CMatPropData* b = FindSeries(second, a.m_dataType);
        if (!IsCurve(a) || !b || !IsCurve(*b) || FindSeries(first, a.m_dataType) != &a)
            continue;
        SeriesDifference difference;
        difference.type = a.m_dataType;
        for (const GraphPoint& p : a.m_points) {
            const std::optional<double> other = Interpolate(b->m_points, p.x);
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

std::string SeriesCsv(const CMatPropData& series, const std::string& name, const std::string& unit) {
    std::string out = "Temperature (C)," + CsvCell(unit.empty() ? name : name + " (" + unit + ")") + '\n';
    for (const GraphPoint& p : series.m_points) {
        CString line;
        line.Format(L"%.9g,%.9g\n", static_cast<double>(p.x), static_cast<double>(p.y));
        out += line.ToUtf8();
    }
    return out;
}

} // namespace cli
