#include "props/datatypes.h"

#include <cwchar>

namespace {

constexpr TypeOrigin kMarker = TypeOrigin::Marker;
constexpr TypeOrigin kAxis = TypeOrigin::Temperature;
constexpr TypeOrigin kRead = TypeOrigin::Read;
constexpr TypeOrigin kDerived = TypeOrigin::Derived;
constexpr TypeShape kSeries = TypeShape::Series;

} // namespace

// The files hold densities in g/cm3, specific and latent heat per gram and the total viscosity in
// hundreds of its held value; the reader scales them by `readScale` into the held unit.
// The SI factors undo what the held units hide: D-LIQUID is held in g/cm3, molar volumes in cm3 per
// mole, H-WT per gram, moduli in GPa; VISC-TOTAL holds 100 times its file value in mPa s, so
// 1e-5 gives Pa s, while the dynamic viscosity is held in Pa s already.
// clang-format off
constexpr std::array<DataTypeInfo, 38> DataTypes = {{
    {JDT_NULL,              L"JDT_NULL",      L"JDT_NULL",                          L"",             L"",             L"",             1.0f,    kMarker,  kSeries,             L"",                                          L"",          1},
    {JDT_UNKNOWN,           L"JDT_UNKNOWN",   L"JDT_UNKNOWN",                       L"",             L"",             L"",             1.0f,    kMarker,  kSeries,             L"",                                          L"",          1},
    {JDT_T_K,               L"T(K)",          L"Temperture (K)",                    L"K",            L"K",            L"K",            1.0f,    kAxis,    kSeries,             L"Temperature",                               L"K",         1},
    {JDT_T_C,               L"T(C)",          L"Temperture (C)",                    L"C",            L"C",            L"C",            1.0f,    kAxis,    kSeries,             L"Temperature",                               L"C",         1},
    {JDT_T_F,               L"T(F)",          L"Temperture (F)",                    L"F",            L"F",            L"F",            1.0f,    kAxis,    kSeries,             L"Temperature",                               L"F",         1},
    {JDT_WT_LIQUID,         L"WT-LIQUID",     L"Fraction liquid (weight fraction)", L"",             L"",             L"",             1.0f,    kRead,    kSeries,             L"Fraction liquid (weight fraction)",         L"",          1},
    {JDT_PR_TOTAL,          L"PR-TOTAL",      L"Poisson's ratio",                   L"",             L"",             L"",             1.0f,    kRead,    kSeries,             L"Poisson's ratio",                           L"",          1},
    {JDT_YM_TOTAL,          L"YM-TOTAL",      L"Young's modulus - TOTAL",           L"GPa",          L"GPa",          L"GPa",          1.0f,    kRead,    kSeries,             L"Young's modulus",                           L"GPa",       1},
    {JDT_YM_SPHEROIDAL,     L"YM-SPHEROIDAL", L"Young's modulus - SPHEROIDAL",      L"GPa",          L"GPa",          L"GPa",          1.0f,    kRead,    kSeries,             L"Young's modulus, spheroidal graphite",      L"GPa",       1},
    {JDT_YM_LAMELLAR,       L"YM-LAMELLAR",   L"Young's modulus - LAMELLAR",        L"GPa",          L"GPa",          L"GPa",          1.0f,    kRead,    kSeries,             L"Young's modulus, lamellar graphite",        L"GPa",       1},
    {JDT_YM_COMPACTED,      L"YM-COMPACTED",  L"Young's modulus - COMPACTED",       L"GPa",          L"GPa",          L"GPa",          1.0f,    kRead,    kSeries,             L"Young's modulus, compacted graphite",       L"GPa",       1},
    {JDT_TC_TOTAL,          L"TC-TOTAL",      L"Thermal conductivity - TOTAL",      L"W/(m*K)",      L"W/(m*K)",      L"W/(m*K)",      1.0f,    kRead,    kSeries,             L"Thermal conductivity",                      L"W/(m K)",   1},
    {JDT_TC_SPHEROIDAL,     L"TC-SPHEROIDAL", L"Thermal conductivity - SPHEROIDAL", L"W/(m*K)",      L"W/(m*K)",      L"W/(m*K)",      1.0f,    kRead,    kSeries,             L"Thermal conductivity, spheroidal graphite", L"W/(m K)",   1},
    {JDT_TC_LAMELLAR,       L"TC-LAMELLAR",   L"Thermal conductivity - LAMELLAR",   L"W/(m*K)",      L"W/(m*K)",      L"W/(m*K)",      1.0f,    kRead,    kSeries,             L"Thermal conductivity, lamellar graphite",   L"W/(m K)",   1},
    {JDT_TC_COMPACTED,      L"TC-COMPACTED",  L"Thermal conductivity - COMPACTED",  L"W/(m*K)",      L"W/(m*K)",      L"W/(m*K)",      1.0f,    kRead,    kSeries,             L"Thermal conductivity, compacted graphite",  L"W/(m K)",   1},
    {JDT_D_LIQUID,          L"D-LIQUID",      L"Density liquid",                    L"g/(cm)^3",     L"g/(cm)^3",     L"g/(cm)^3",     1.0f,    kRead,    kSeries,             L"Density of the liquid",                     L"kg/m^3",    1e3},
    {JDT_D_TOTAL,           L"D-TOTAL",       L"Density alloy",                     L"kg/m^3",       L"g/(cm)^3",     L"g/(cm)^3",     1000.0f, kRead,    kSeries,             L"Density",                                   L"kg/m^3",    1},
    {JDT_MV_LIQUID,         L"MV-LIQUID",     L"Molar volume liquid",               L"cm^3",         L"cm^3",         L"cm^3",         1.0f,    kRead,    kSeries,             L"Molar volume of the liquid",                L"cm^3/mol",  1},
    {JDT_MV_TOTAL,          L"MV-TOTAL",      L"Molar volume alloy",                L"cm^3",         L"cm^3",         L"cm^3",         1.0f,    kRead,    kSeries,             L"Molar volume",                              L"cm^3/mol",  1},
    {JDT_VISC_LIQUID,       L"VISC-LIQUID",   L"Liquid viscosity",                  L"mPa s",        L"mPa s",        L"mPa s",        1.0f,    kRead,    kSeries,             L"Viscosity of the liquid",                   L"Pa s",      1e-3},
    {JDT_VISC_TOTAL,        L"VISC-TOTAL",    L"Total viscosity",                   L"kg/m*s",       L"kg/m*s",       L"kg/m*s",       100.0f,  kRead,    kSeries,             L"Viscosity",                                 L"Pa s",      1e-5},
    {JDT_H_AT,              L"H-AT",          L"Enthalpy",                          L"J/(g mole)",   L"J/(g mole)",   L"J/(g mole)",   1.0f,    kRead,    kSeries,             L"Molar enthalpy",                            L"J/mol",     1},
    {JDT_H_WT,              L"H-WT",          L"Enthalpy",                          L"J/g",          L"J/g",          L"J/g",          1.0f,    kRead,    kSeries,             L"Enthalpy",                                  L"J/kg",      1e3},
    {JDT_CP_AT,             L"CP-AT",         L"Specific heat",                     L"J/(g K mole)", L"J/(g K mole)", L"J/(g K mole)", 1.0f,    kRead,    kSeries,             L"Molar heat capacity",                       L"J/(mol K)", 1},
    {JDT_CP_WT,             L"CP-WT",         L"Specific heat",                     L"J/(kg*K)",     L"J/(g K)",      L"J/(g K)",      1000.0f, kRead,    kSeries,             L"Specific heat",                             L"J/(kg K)",  1},
    {JDT_LH_WT,             L"LH-WT",         L"Latent heat",                       L"J/kg",         L"J/kg",         L"J/kg",         1000.0f, kRead,    kSeries,             L"Latent heat",                               L"J/kg",      1},
    {JDT_LH_AT,             L"LH-AT",         L"Latent heat",                       L"J/(g mole)",   L"J/(g mole)",   L"J/(g mole)",   1.0f,    kRead,    kSeries,             L"Molar latent heat",                         L"J/mol",     1},
    {JDT_AT_LIQUID,         L"AT-LIQUID",     L"Fraction liquid (atomic fraction)", L"",             L"",             L"",             1.0f,    kRead,    kSeries,             L"Fraction liquid (atomic fraction)",         L"",          1},
    {JDT_VOL_LIQUID,        L"VOL-LIQUID",    L"Fraction liquid (volume fraction)", L"",             L"",             L"",             1.0f,    kRead,    kSeries,             L"Fraction liquid (volume fraction)",         L"",          1},
    {JDT_BM_TOTAL,          L"BM-TOTAL",      L"Bulk modulus",                      L"GPa",          L"GPa",          L"GPa",          1.0f,    kRead,    kSeries,             L"Bulk modulus",                              L"GPa",       1},
    {JDT_SM_TOTAL,          L"SM-TOTAL",      L"Shear modulus",                     L"GPa",          L"GPa",          L"GPa",          1.0f,    kRead,    kSeries,             L"Shear modulus",                             L"GPa",       1},
    {JDT_SOLIDUS,           L"",              L"Solidus Temperature",               L"C",            L"C",            L"C",            1.0f,    kDerived, TypeShape::ValueOnX, L"Solidus temperature",                       L"C",         1},
    {JDT_LIQUIDUS,          L"",              L"Liquidus Temperature",              L"C",            L"C",            L"C",            1.0f,    kDerived, TypeShape::ValueOnX, L"Liquidus temperature",                      L"C",         1},
    {JDT_LATENT_HEAT,       L"",              L"Latent Heat",                       L"J/Kg",         L"J/Kg",         L"J/Kg",         1.0f,    kDerived, TypeShape::ValueOnY, L"Total latent heat",                         L"J/kg",      1},
    {JDT_VOLUME_CHANGE,     L"",              L"Volume Change",                     L"%",            L"%",            L"%",            1.0f,    kDerived, kSeries,             L"Volume change",                             L"%",         1},
    {JDT_SHRINKAGE,         L"",              L"Volume Change of Solidification Shrinkage", L"%",    L"%",            L"%",            1.0f,    kDerived, TypeShape::ValueOnY, L"Solidification shrinkage",                  L"%",         1},
    {JDT_DYNAMIC_VISCOSITY, L"",              L"Dynamic viscosity",                 L"kg/m*s",       L"kg/m*s",       L"kg/m*s",       1.0f,    kDerived, kSeries,             L"Dynamic viscosity",                         L"Pa s",      1},
    {JDT_END,               L"JDT_END",       L"JDT_END",                           L"",             L"",             L"",             1.0f,    kMarker,  kSeries,             L"",                                          L"",          1},
}};
// clang-format on

namespace {

static_assert([] {
    for (std::size_t i = 0; i < DataTypes.size(); ++i) {
        if (DataTypes[i].type != static_cast<int32_t>(i) - 1)
            return false;
    }
    return true;
}());

constexpr void CopyText(wchar_t (&field)[260], const wchar_t* text) {
    std::size_t i = 0;
    for (; text[i] != L'\0'; ++i)
        field[i] = text[i];
    field[i] = L'\0';
}

constexpr DataTypeRow MakeRow(KESTRUMMOD_DATATYPE type) {
    const DataTypeInfo& info = DataTypes[static_cast<std::size_t>(type + 1)];
    DataTypeRow row{};
    CopyText(row.tag, info.tag);
    row.value = info.type;
    CopyText(row.name, info.name);
    CopyText(row.unit1, info.unit);
    CopyText(row.unit2, info.unit2);
    CopyText(row.unit3, info.unit3);
    return row;
}

} // namespace

// JDT_END first and the liquidus before the solidus: the conversions search in this order.
constexpr std::array<DataTypeRow, kDataTypeRows> DataTypeTable = [] {
    constexpr KESTRUMMOD_DATATYPE order[kDataTypeRows] = {
        JDT_END,         JDT_NULL,
        JDT_UNKNOWN,     JDT_T_K,
        JDT_T_C,         JDT_T_F,
        JDT_WT_LIQUID,   JDT_PR_TOTAL,
        JDT_YM_TOTAL,    JDT_YM_SPHEROIDAL,
        JDT_YM_LAMELLAR, JDT_YM_COMPACTED,
        JDT_TC_TOTAL,    JDT_TC_SPHEROIDAL,
        JDT_TC_LAMELLAR, JDT_TC_COMPACTED,
        JDT_D_LIQUID,    JDT_D_TOTAL,
        JDT_MV_LIQUID,   JDT_MV_TOTAL,
        JDT_VISC_LIQUID, JDT_VISC_TOTAL,
        JDT_H_AT,        JDT_H_WT,
        JDT_CP_AT,       JDT_CP_WT,
        JDT_LH_WT,       JDT_LH_AT,
        JDT_AT_LIQUID,   JDT_VOL_LIQUID,
        JDT_BM_TOTAL,    JDT_SM_TOTAL,
        JDT_LIQUIDUS,    JDT_SOLIDUS,
        JDT_LATENT_HEAT, JDT_VOLUME_CHANGE,
        JDT_SHRINKAGE,   JDT_DYNAMIC_VISCOSITY,
    };
    std::array<DataTypeRow, kDataTypeRows> rows{};
    for (int i = 0; i < kDataTypeRows; ++i)
        rows[static_cast<std::size_t>(i)] = MakeRow(order[i]);
    return rows;
}();

// "Shear modulus(GPa)-TOTAL" has no blank before the parenthesis, and the viscosity headings end in
// a hyphen: the headings are as JMatPro writes them.
const JMatProHeaderRow JMatProHeaderTable[kJMatProHeaderRows] = {
    {L"T (K)", JDT_T_K},
    {L"T (C)", JDT_T_C},
    {L"T (F)", JDT_T_F},
    {L"Fraction liquid (wt)-LIQUID", JDT_WT_LIQUID},
    {L"Poisson's ratio-TOTAL", JDT_PR_TOTAL},
    {L"Young's modulus (GPa)-TOTAL", JDT_YM_TOTAL},
    {L"Young's modulus (GPa)-SPHEROIDAL", JDT_YM_SPHEROIDAL},
    {L"Young's modulus (GPa)-LAMELLAR", JDT_YM_LAMELLAR},
    {L"Young's modulus (GPa)-COMPACTED", JDT_YM_COMPACTED},
    {L"Thermal conductivity (W/(m*K))-TOTAL", JDT_TC_TOTAL},
    {L"Thermal conductivity (W/(m*K))-SPHEROIDAL", JDT_TC_SPHEROIDAL},
    {L"Thermal conductivity (W/(m*K))-LAMELLAR", JDT_TC_LAMELLAR},
    {L"Thermal conductivity (W/(m*K))-COMPACTED", JDT_TC_COMPACTED},
    {L"Density (g/(cm)^3)-TOTAL", JDT_D_TOTAL},
    {L"Molar volume (cm^3)-TOTAL", JDT_MV_TOTAL},
    {L"Liquid viscosity (mPa s)-", JDT_VISC_LIQUID},
    {L"Total viscosity (mPa s)-", JDT_VISC_TOTAL},
    {L"Enthalpy (J/g)", JDT_H_WT},
    {L"Specific heat (J/(g K))", JDT_CP_WT},
    {L"Latent heat (J/g)", JDT_LH_WT},
    {L"Bulk modulus (GPa)-TOTAL", JDT_BM_TOTAL},
    {L"Shear modulus(GPa)-TOTAL", JDT_SM_TOTAL},
};

namespace {

bool StartsWith(const wchar_t* text, const wchar_t* prefix) {
    const std::size_t n = std::wcslen(prefix);
    return n > 0 && std::wcsncmp(text, prefix, n) == 0;
}

// The conversions take the type as unsigned: negatives and everything from JDT_END on are out of range.
const DataTypeInfo* FindType(KESTRUMMOD_DATATYPE type) {
    if (static_cast<uint32_t>(type) >= static_cast<uint32_t>(JDT_END))
        return nullptr;
    return &DataTypes[static_cast<std::size_t>(type) + 1];
}

} // namespace

const DataTypeInfo& DescribeDataType(KESTRUMMOD_DATATYPE type) {
    if (type < JDT_NULL || type > JDT_END)
        return DataTypes[JDT_UNKNOWN + 1];
    return DataTypes[static_cast<std::size_t>(type + 1)];
}

KESTRUMMOD_DATATYPE KESTRUMMOD_TagToDataType(const wchar_t* text) {
    if (!text)
        return JDT_UNKNOWN;
    int32_t result = JDT_UNKNOWN;
    for (const auto& row : DataTypeTable) {
        if (StartsWith(text, row.tag)) {
            result = row.value;
            break;
        }
    }
    // A JMatPro heading wins over a tag.
    for (const auto& row : JMatProHeaderTable) {
        if (StartsWith(text, row.heading))
            return static_cast<KESTRUMMOD_DATATYPE>(row.value);
    }
    return static_cast<KESTRUMMOD_DATATYPE>(result);
}

CString KESTRUMMOD_DataTypeToString(KESTRUMMOD_DATATYPE type) {
    const DataTypeInfo* info = FindType(type);
    return info ? CString(info->name) : CString();
}

CString KESTRUMMOD_DataTypeToTag(KESTRUMMOD_DATATYPE type) {
    const DataTypeInfo* info = FindType(type);
    return info ? CString(info->tag) : CString();
}

int GetDataTypeUnit(KESTRUMMOD_DATATYPE type, CString* unit) {
    const DataTypeInfo* info = FindType(type);
    if (!info || info->unit[0] == L'\0')
        return 0;
    if (unit)
        *unit = info->unit;
    return 1;
}
