#include "props/matprops.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

CMatPropData::CMatPropData() : m_exportFlag(0), m_xDataType(JDT_NULL), m_dataType(JDT_NULL), m_name{} {}

CMatPropData::CMatPropData(const CMatPropData& other)
    : m_exportFlag(other.m_exportFlag), m_xDataType(other.m_xDataType), m_dataType(other.m_dataType),
      m_points(other.m_points) {
    std::wmemcpy(m_name, other.m_name, std::size(m_name));
}

CMatPropData::~CMatPropData() = default;

CMatPropData& CMatPropData::operator=(const CMatPropData& other) {
    if (this != &other) {
        m_exportFlag = other.m_exportFlag;
        m_xDataType = other.m_xDataType;
        m_dataType = other.m_dataType;
        std::wmemcpy(m_name, other.m_name, std::size(m_name));
        m_points = other.m_points;
    }
    return *this;
}

CMatProps::CMatProps() = default;
CMatProps::CMatProps(const CMatProps& other) = default;
CMatProps::~CMatProps() = default;

// The vector's copy assignment reuses existing series by copy assignment and destroys the surplus.
CMatProps& CMatProps::operator=(const CMatProps& other) {
    if (this != &other)
        m_series = other.m_series;
    return *this;
}

void SetSeriesName(CMatPropData& series, const wchar_t* name) {
    CopyToField(series.m_name, name);
}

CMatPropData* FindSeries(CMatProps& set, KESTRUMMOD_DATATYPE type) {
    return const_cast<CMatPropData*>(FindSeries(static_cast<const CMatProps&>(set), type));
}

const CMatPropData* FindSeries(const CMatProps& set, KESTRUMMOD_DATATYPE type) {
    for (const auto& series : set.m_series) {
        if (series.m_dataType == type)
            return &series;
    }
    return nullptr;
}

// A source without points leaves the destination without points: the graph window thins every
// series, including headings that never got data, and shows those as empty graphs.
int ThinSeries(const CMatPropData& source, CMatPropData& destination) {
    const auto& points = source.m_points;
    if (points.empty()) {
        destination.m_points.clear();
        return 1;
    }
    GraphPoint minimum = points.front();
    GraphPoint maximum = points.front();
    for (const auto& p : points) {
        minimum.x = std::min(minimum.x, p.x);
        minimum.y = std::min(minimum.y, p.y);
        maximum.x = std::max(maximum.x, p.x);
        maximum.y = std::max(maximum.y, p.y);
    }
    std::vector<GraphPoint> a = points;
    std::vector<GraphPoint> b;
    ThinPass(a, b, maximum, minimum);
    while (b.size() != a.size()) {
        std::swap(a, b);
        b.clear();
        ThinPass(a, b, maximum, minimum);
    }
    destination.m_points = std::move(b);
    return 1;
}

int ThinPass(const std::vector<GraphPoint>& a, std::vector<GraphPoint>& b, GraphPoint maximum,
             GraphPoint minimum) {
    const std::size_t n = a.size();
    if (n < 2) {
        b = a;
        return 1;
    }
    // The scale is a single-precision quotient; everything after it is double precision, so that the
    // y range weighs as much as the x range. An all-equal y gives an infinite scale, NaN cosines, and
    // keeps every point.
    const float rf = (maximum.x - minimum.x) / (maximum.y - minimum.y);
    const double r = rf;
    b.reserve(n);
    b.push_back(a[0]);
    GraphPoint anchor = a[0];
    GraphPoint next = a[1];
    GraphPoint last = a[1];
    for (std::size_t k = 2; k < n; ++k) {
        const GraphPoint prev = a[k - 1];
        const GraphPoint cur = a[k];
        last = cur;
        const double ux = static_cast<float>(next.x - anchor.x);
        const double uy = static_cast<double>(static_cast<float>(next.y - anchor.y)) * r;
        const double vx = static_cast<float>(cur.x - prev.x);
        const double vy = static_cast<double>(static_cast<float>(cur.y - prev.y)) * r;
        const double lu = std::sqrt(ux * ux + uy * uy);
        const double lv = std::sqrt(vx * vx + vy * vy);
        if (lu == 0.0 || lv == 0.0)
            continue;
        const double c = (ux * vx + uy * vy) / (lu * lv);
        if (c > 0.97)
            continue;
        b.push_back(prev);
        anchor = prev;
        next = cur;
    }
    b.push_back(last);
    return 1;
}
