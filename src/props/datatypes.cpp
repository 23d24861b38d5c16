#include "props/datatypes.h"

#include <cwchar>

// Rows 32 and 33 hold 31 before 30; the derived types 30 to 35 have no tag.
const DataTypeRow DataTypeTable[kDataTypeRows] = {
    {L"JDT_END", 36, L"JDT_END", L"", L"", L""},
    {L"JDT_NULL", -1, L"JDT_NULL", L"", L"", L""},
    {L"JDT_UNKNOWN", 0, L"JDT_UNKNOWN", L"", L"", L""},
    {L"T(K)", 1, L"Temperture (K)", L"K", L"K", L"K"},
    {L"T(C)", 2, L"Temperture (C)", L"C", L"C", L"C"},
    {L"T(F)", 3, L"Temperture (F)", L"F", L"F", L"F"},
    {L"WT-LIQUID", 4, L"Fraction liquid (weight fraction)", L"", L"", L""},
    {L"PR-TOTAL", 5, L"Poisson's ratio", L"", L"", L""},
    {L"YM-TOTAL", 6, L"Young's modulus - TOTAL", L"GPa", L"GPa", L"GPa"},
    {L"YM-SPHEROIDAL", 7, L"Young's modulus - SPHEROIDAL", L"GPa", L"GPa", L"GPa"},
    {L"YM-LAMELLAR", 8, L"Young's modulus - LAMELLAR", L"GPa", L"GPa", L"GPa"},
    {L"YM-COMPACTED", 9, L"Young's modulus - COMPACTED", L"GPa", L"GPa", L"GPa"},
    {L"TC-TOTAL", 10, L"Thermal conductivity - TOTAL", L"W/(m*K)", L"W/(m*K)", L"W/(m*K)"},
    {L"TC-SPHEROIDAL", 11, L"Thermal conductivity - SPHEROIDAL", L"W/(m*K)", L"W/(m*K)", L"W/(m*K)"},
    {L"TC-LAMELLAR", 12, L"Thermal conductivity - LAMELLAR", L"W/(m*K)", L"W/(m*K)", L"W/(m*K)"},
    {L"TC-COMPACTED", 13, L"Thermal conductivity - COMPACTED", L"W/(m*K)", L"W/(m*K)", L"W/(m*K)"},
    {L"D-LIQUID", 14, L"Density liquid", L"g/(cm)^3", L"g/(cm)^3", L"g/(cm)^3"},
    {L"D-TOTAL", 15, L"Density alloy", L"kg/m^3", L"g/(cm)^3", L"g/(cm)^3"},
    {L"MV-LIQUID", 16, L"Molar volume liquid", L"cm^3", L"cm^3", L"cm^3"},
    {L"MV-TOTAL", 17, L"Molar volume alloy", L"cm^3", L"cm^3", L"cm^3"},
    {L"VISC-LIQUID", 18, L"Liquid viscosity", L"mPa s", L"mPa s", L"mPa s"},
    {L"VISC-TOTAL", 19, L"Total viscosity", L"kg/m*s", L"kg/m*s", L"kg/m*s"},
    {L"H-AT", 20, L"Enthalpy", L"J/(g mole)", L"J/(g mole)", L"J/(g mole)"},
    {L"H-WT", 21, L"Enthalpy", L"J/g", L"J/g", L"J/g"},
    {L"CP-AT", 22, L"Specific heat", L"J/(g K mole)", L"J/(g K mole)", L"J/(g K mole)"},
    {L"CP-WT", 23, L"Specific heat", L"J/(kg*K)", L"J/(g K)", L"J/(g K)"},
    {L"LH-WT", 24, L"Latent heat", L"J/kg", L"J/kg", L"J/kg"},
    {L"LH-AT", 25, L"Latent heat", L"J/(g mole)", L"J/(g mole)", L"J/(g mole)"},
    {L"AT-LIQUID", 26, L"Fraction liquid (atomic fraction)", L"", L"", L""},
    {L"VOL-LIQUID", 27, L"Fraction liquid (volume fraction)", L"", L"", L""},
    {L"BM-TOTAL", 28, L"Bulk modulus", L"GPa", L"GPa", L"GPa"},
    {L"SM-TOTAL", 29, L"Shear modulus", L"GPa", L"GPa", L"GPa"},
    {L"", 31, L"Liquidus Temperature", L"C", L"C", L"C"},
    {L"", 30, L"Solidus Temperature", L"C", L"C", L"C"},
    {L"", 32, L"Latent Heat", L"J/Kg", L"J/Kg", L"J/Kg"},
    {L"", 33, L"Volume Change", L"%", L"%", L"%"},
    {L"", 34, L"Volume Change of Solidification Shrinkage", L"%", L"%", L"%"},
    {L"", 35, L"Dynamic viscosity", L"kg/m*s", L"kg/m*s", L"kg/m*s"},
};

// "Shear modulus(GPa)-TOTAL" has no blank before the parenthesis, and the viscosity headings end in
// a hyphen: the headings are as JMatPro writes them.
const JMatProHeaderRow JMatProHeaderTable[kJMatProHeaderRows] = {
    {L"T (K)", 1},
    {L"T (C)", 2},
    {L"T (F)", 3},
    {L"Fraction liquid (wt)-LIQUID", 4},
    {L"Poisson's ratio-TOTAL", 5},
    {L"Young's modulus (GPa)-TOTAL", 6},
    {L"Young's modulus (GPa)-SPHEROIDAL", 7},
    {L"Young's modulus (GPa)-LAMELLAR", 8},
    {L"Young's modulus (GPa)-COMPACTED", 9},
    {L"Thermal conductivity (W/(m*K))-TOTAL", 10},
    {L"Thermal conductivity (W/(m*K))-SPHEROIDAL", 11},
    {L"Thermal conductivity (W/(m*K))-LAMELLAR", 12},
    {L"Thermal conductivity (W/(m*K))-COMPACTED", 13},
    {L"Density (g/(cm)^3)-TOTAL", 15},
    {L"Molar volume (cm^3)-TOTAL", 17},
    {L"Liquid viscosity (mPa s)-", 18},
    {L"Total viscosity (mPa s)-", 19},
    {L"Enthalpy (J/g)", 21},
    {L"Specific heat (J/(g K))", 23},
    {L"Latent heat (J/g)", 24},
    {L"Bulk modulus (GPa)-TOTAL", 28},
    {L"Shear modulus(GPa)-TOTAL", 29},
};

namespace {

bool StartsWith(const wchar_t* text, const wchar_t* prefix) {
    const std::size_t n = std::wcslen(prefix);
    return n > 0 && std::wcsncmp(text, prefix, n) == 0;
}

// Types taken as unsigned: negatives and everything from 36 on are out of range.
const DataTypeRow* FindRow(KESTRUMMOD_DATATYPE type) {
    if (static_cast<uint32_t>(type) > 35)
        return nullptr;
    for (const auto& row : DataTypeTable) {
        if (row.value == type)
            return &row;
    }
    return nullptr;
}

} // namespace

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
    const DataTypeRow* row = FindRow(type);
    return row ? CString(row->name) : CString();
}

CString KESTRUMMOD_DataTypeToTag(KESTRUMMOD_DATATYPE type) {
    const DataTypeRow* row = FindRow(type);
    return row ? CString(row->tag) : CString();
}

int GetDataTypeUnit(KESTRUMMOD_DATATYPE type, CString* unit) {
    const DataTypeRow* row = FindRow(type);
    if (!row || row->unit1[0] == L'\0')
        return 0;
    if (unit)
        *unit = row->unit1;
    return 1;
}
