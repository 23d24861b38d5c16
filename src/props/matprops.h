// Property series and sets: the tables that carry every result to the host.
#pragma once

#include <cstdint>
#include <vector>

#include "props/datatypes.h"
#include "props/kestrumexport.h"

struct GraphPoint {
    float x;
    float y;
};

// The host reads these members directly: their order and types are the layout it relies on.
class KESTRUMMOD_API CMatPropData {
public:
    CMatPropData();
    CMatPropData(const CMatPropData& other);
    virtual ~CMatPropData();
    CMatPropData& operator=(const CMatPropData& other);

    int32_t m_exportFlag;
    KESTRUMMOD_DATATYPE m_xDataType;
    KESTRUMMOD_DATATYPE m_dataType;
    wchar_t m_name[260];
    std::vector<GraphPoint> m_points;
};

class KESTRUMMOD_API CMatProps {
public:
    CMatProps();
    CMatProps(const CMatProps& other);
    virtual ~CMatProps();
    CMatProps& operator=(const CMatProps& other);

    std::vector<CMatPropData> m_series;
};

// Copies `name` into the series' name, cut to 259 characters.
void SetSeriesName(CMatPropData& series, const wchar_t* name);

// The first series of the data type in set order, or null.
CMatPropData* FindSeries(CMatProps& set, KESTRUMMOD_DATATYPE type);
const CMatPropData* FindSeries(const CMatProps& set, KESTRUMMOD_DATATYPE type);

// Reduces the source's points to those where the curve turns, into the destination's points.
int ThinSeries(const CMatPropData& source, CMatPropData& destination);
int ThinPass(const std::vector<GraphPoint>& a, std::vector<GraphPoint>& b, GraphPoint maximum,
             GraphPoint minimum);
