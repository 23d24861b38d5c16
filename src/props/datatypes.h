// Property data types: their tags in result files, display names and units.
#pragma once

#include <cstdint>

#include "framework/cstring.h"
#include "props/kestrumexport.h"

enum KESTRUMMOD_DATATYPE : int32_t {
    JDT_NULL = -1,
    JDT_UNKNOWN = 0,
    JDT_END = 36,
};

struct DataTypeRow {
    wchar_t tag[260];
    int32_t value;
    wchar_t name[260];
    wchar_t unit1[260];
    wchar_t unit2[260];
    wchar_t unit3[260];
};

struct JMatProHeaderRow {
    wchar_t heading[260];
    int32_t value;
};

inline constexpr int kDataTypeRows = 38;
inline constexpr int kJMatProHeaderRows = 22;
extern const DataTypeRow DataTypeTable[kDataTypeRows];
extern const JMatProHeaderRow JMatProHeaderTable[kJMatProHeaderRows];

// The data type of a column heading: the first tag that begins the text, overridden by the first
// JMatPro heading that begins it; JDT_UNKNOWN when neither matches.
KESTRUMMOD_API KESTRUMMOD_DATATYPE KESTRUMMOD_TagToDataType(const wchar_t* text);
KESTRUMMOD_API CString KESTRUMMOD_DataTypeToString(KESTRUMMOD_DATATYPE type);
KESTRUMMOD_API CString KESTRUMMOD_DataTypeToTag(KESTRUMMOD_DATATYPE type);

// 1 when the data type has a non-empty display unit (stored into `unit` when given), else 0.
int GetDataTypeUnit(KESTRUMMOD_DATATYPE type, CString* unit = nullptr);
