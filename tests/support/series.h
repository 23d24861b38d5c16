// Property series as the tests build them.
#pragma once

#include <utility>
#include <vector>

#include "module/matprops.h"

// A series of data type `type` over the temperature in Celsius unless `xType` says otherwise.
inline CMatPropData Series(int type, std::vector<GraphPoint> points = {}, int xType = 2,
                           const wchar_t* name = nullptr) {
    CMatPropData s;
    s.m_xDataType = static_cast<KESTRUMMOD_DATATYPE>(xType);
    s.m_dataType = static_cast<KESTRUMMOD_DATATYPE>(type);
    SetSeriesName(s, name);
    s.m_points = std::move(points);
    return s;
}
