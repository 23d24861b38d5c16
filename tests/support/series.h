// Property series as the tests build and compare them.
#pragma once

#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "props/matprops.h"

// A series of data type `type` over the temperature in Celsius unless `xType` says otherwise.
inline CMatPropData Series(KESTRUMMOD_DATATYPE type, std::vector<GraphPoint> points = {},
                           KESTRUMMOD_DATATYPE xType = JDT_T_C, const wchar_t* name = nullptr) {
    CMatPropData s;
    s.m_xDataType = xType;
    s.m_dataType = type;
    SetSeriesName(s, name);
    s.m_points = std::move(points);
    return s;
}

inline bool operator==(const GraphPoint& a, const GraphPoint& b) {
    return a.x == b.x && a.y == b.y;
}
inline std::ostream& operator<<(std::ostream& os, const GraphPoint& p) {
    return os << p.x << ':' << p.y;
}

// A series as text: data type, name and points; the x type and export flag only when not 2 and 0.
inline std::string Dump(const CMatPropData& s) {
    std::ostringstream out;
    out << s.m_dataType;
    if (s.m_xDataType != 2)
        out << '/' << s.m_xDataType;
    if (s.m_exportFlag)
        out << '*';
    out << ' ';
    for (const wchar_t* c = s.m_name; *c; ++c)
        out << static_cast<char>(*c);
    for (const GraphPoint& p : s.m_points)
        out << ' ' << p;
    return out.str();
}
// A set as text, one series a line.
inline std::string Dump(const CMatProps& set) {
    std::string out;
    for (const CMatPropData& s : set.m_series)
        out += Dump(s) + '\n';
    return out;
}
