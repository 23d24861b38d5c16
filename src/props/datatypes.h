// Property data types: their tags in result files, display names and units, and what each layer needs
// to know of a type (how the reader scales it, whether it is read or derived, one value or a series).
#pragma once

#include <array>
#include <cstdint>

#include "framework/cstring.h"
#include "props/kestrumexport.h"

// The values are fixed: result files, hosts and the export interface carry them as numbers.
enum KESTRUMMOD_DATATYPE : int32_t {
    JDT_NULL = -1,
    JDT_UNKNOWN = 0,
    JDT_T_K = 1,
    JDT_T_C = 2,
    JDT_T_F = 3,
    JDT_WT_LIQUID = 4,
    JDT_PR_TOTAL = 5,
    JDT_YM_TOTAL = 6,
    JDT_YM_SPHEROIDAL = 7,
    JDT_YM_LAMELLAR = 8,
    JDT_YM_COMPACTED = 9,
    JDT_TC_TOTAL = 10,
    JDT_TC_SPHEROIDAL = 11,
    JDT_TC_LAMELLAR = 12,
    JDT_TC_COMPACTED = 13,
    JDT_D_LIQUID = 14,
    JDT_D_TOTAL = 15,
    JDT_MV_LIQUID = 16,
    JDT_MV_TOTAL = 17,
    JDT_VISC_LIQUID = 18,
    JDT_VISC_TOTAL = 19,
    JDT_H_AT = 20,
    JDT_H_WT = 21,
    JDT_CP_AT = 22,
    JDT_CP_WT = 23,
    JDT_LH_WT = 24,
    JDT_LH_AT = 25,
    JDT_AT_LIQUID = 26,
    JDT_VOL_LIQUID = 27,
    JDT_BM_TOTAL = 28,
    JDT_SM_TOTAL = 29,
    // Derived by the result reader; no tag.
    JDT_SOLIDUS = 30,
    JDT_LIQUIDUS = 31,
    JDT_LATENT_HEAT = 32,
    JDT_VOLUME_CHANGE = 33,
    JDT_SHRINKAGE = 34,
    JDT_DYNAMIC_VISCOSITY = 35,
    JDT_END = 36,
};

// Where a type's series comes from.
enum class TypeOrigin {
    Marker,      // JDT_NULL, JDT_UNKNOWN, JDT_END: no property
    Temperature, // the x axis of a result file
    Read,        // a column of a result file
    Derived,     // made by the reader from the columns
};

// How a series of the type holds its value.
enum class TypeShape {
    Series,   // one point per temperature
    ValueOnX, // one point, the value (a temperature) on x
    ValueOnY, // one point, the value on y
};

// One row per data type, the source of everything the layers know of it. `unit` is the unit of the
// values as the module holds them, after `readScale` turned the file's values into it.
//
// The module's names and units are the host's and stay as they are, misspellings and odd labels
// included. The command-line tool shows every property in SI units (temperatures in degrees
// Celsius): `title` is the property's plain name, `siUnit` its unit in ASCII ("C" for degrees
// Celsius, "^3" for cubed) and `siFactor` turns a held value into that unit.
struct DataTypeInfo {
    KESTRUMMOD_DATATYPE type;
    const wchar_t* tag;
    const wchar_t* name;
    const wchar_t* unit;
    const wchar_t* unit2; // kept in the table; nothing reads them
    const wchar_t* unit3;
    float readScale;
    TypeOrigin origin;
    TypeShape shape;
    const wchar_t* title;
    const wchar_t* siUnit;
    double siFactor;
};

// Every type from JDT_NULL to JDT_END, in value order.
extern const std::array<DataTypeInfo, 38> DataTypes;
// The row of a type; the JDT_UNKNOWN row for a value outside JDT_NULL to JDT_END.
const DataTypeInfo& DescribeDataType(KESTRUMMOD_DATATYPE type);
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
// The table the conversions search, in its own order (JDT_END first, the liquidus before the
// solidus), made from DataTypes.
extern const std::array<DataTypeRow, kDataTypeRows> DataTypeTable;
extern const JMatProHeaderRow JMatProHeaderTable[kJMatProHeaderRows];

// The data type of a column heading: the first tag that begins the text, overridden by the first
// JMatPro heading that begins it; JDT_UNKNOWN when neither matches.
KESTRUMMOD_API KESTRUMMOD_DATATYPE KESTRUMMOD_TagToDataType(const wchar_t* text);
KESTRUMMOD_API CString KESTRUMMOD_DataTypeToString(KESTRUMMOD_DATATYPE type);
KESTRUMMOD_API CString KESTRUMMOD_DataTypeToTag(KESTRUMMOD_DATATYPE type);

// 1 when the data type has a non-empty display unit (stored into `unit` when given), else 0.
int GetDataTypeUnit(KESTRUMMOD_DATATYPE type, CString* unit = nullptr);
