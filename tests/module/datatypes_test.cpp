#include <string>

#include <gtest/gtest.h>

#include "module/datatypes.h"
#include "support/testfiles.h"

namespace {

KESTRUMMOD_DATATYPE T(int type) {
    return static_cast<KESTRUMMOD_DATATYPE>(type);
}

// An independent transcription of the tags and names by value, 1 to 35.
struct Expected {
    int value;
    const wchar_t* tag;
    const wchar_t* name;
    const wchar_t* unit;
};
const Expected kExpected[] = {
    {1, L"T(K)", L"Temperture (K)", L"K"},
    {2, L"T(C)", L"Temperture (C)", L"C"},
    {3, L"T(F)", L"Temperture (F)", L"F"},
    {4, L"WT-LIQUID", L"Fraction liquid (weight fraction)", L""},
    {5, L"PR-TOTAL", L"Poisson's ratio", L""},
    {6, L"YM-TOTAL", L"Young's modulus - TOTAL", L"GPa"},
    {7, L"YM-SPHEROIDAL", L"Young's modulus - SPHEROIDAL", L"GPa"},
    {8, L"YM-LAMELLAR", L"Young's modulus - LAMELLAR", L"GPa"},
    {9, L"YM-COMPACTED", L"Young's modulus - COMPACTED", L"GPa"},
    {10, L"TC-TOTAL", L"Thermal conductivity - TOTAL", L"W/(m*K)"},
    {11, L"TC-SPHEROIDAL", L"Thermal conductivity - SPHEROIDAL", L"W/(m*K)"},
    {12, L"TC-LAMELLAR", L"Thermal conductivity - LAMELLAR", L"W/(m*K)"},
    {13, L"TC-COMPACTED", L"Thermal conductivity - COMPACTED", L"W/(m*K)"},
    {14, L"D-LIQUID", L"Density liquid", L"g/(cm)^3"},
    {15, L"D-TOTAL", L"Density alloy", L"kg/m^3"},
    {16, L"MV-LIQUID", L"Molar volume liquid", L"cm^3"},
    {17, L"MV-TOTAL", L"Molar volume alloy", L"cm^3"},
    {18, L"VISC-LIQUID", L"Liquid viscosity", L"mPa s"},
    {19, L"VISC-TOTAL", L"Total viscosity", L"kg/m*s"},
    {20, L"H-AT", L"Enthalpy", L"J/(g mole)"},
    {21, L"H-WT", L"Enthalpy", L"J/g"},
    {22, L"CP-AT", L"Specific heat", L"J/(g K mole)"},
    {23, L"CP-WT", L"Specific heat", L"J/(kg*K)"},
    {24, L"LH-WT", L"Latent heat", L"J/kg"},
    {25, L"LH-AT", L"Latent heat", L"J/(g mole)"},
    {26, L"AT-LIQUID", L"Fraction liquid (atomic fraction)", L""},
    {27, L"VOL-LIQUID", L"Fraction liquid (volume fraction)", L""},
    {28, L"BM-TOTAL", L"Bulk modulus", L"GPa"},
    {29, L"SM-TOTAL", L"Shear modulus", L"GPa"},
    {30, L"", L"Solidus Temperature", L"C"},
    {31, L"", L"Liquidus Temperature", L"C"},
    {32, L"", L"Latent Heat", L"J/Kg"},
    {33, L"", L"Volume Change", L"%"},
    {34, L"", L"Volume Change of Solidification Shrinkage", L"%"},
    {35, L"", L"Dynamic viscosity", L"kg/m*s"},
};

} // namespace

TEST(DataTypes, EveryTypeHasItsTagNameAndUnit) {
    for (const auto& e : kExpected) {
        SCOPED_TRACE(e.value);
        EXPECT_EQ(KESTRUMMOD_DataTypeToTag(T(e.value)), e.tag);
        EXPECT_EQ(KESTRUMMOD_DataTypeToString(T(e.value)), e.name);
        CString unit = L"unchanged";
        EXPECT_EQ(GetDataTypeUnit(T(e.value), &unit), e.unit[0] ? 1 : 0);
        EXPECT_EQ(unit, e.unit[0] ? e.unit : L"unchanged");
        if (e.tag[0]) {
            EXPECT_EQ(KESTRUMMOD_TagToDataType(e.tag), e.value);
        }
    }
    // Unit 2 of density and specific heat differs from unit 1, which is the one shown.
    EXPECT_STREQ(DataTypeTable[17].unit2, L"g/(cm)^3");
    EXPECT_STREQ(DataTypeTable[25].unit2, L"J/(g K)");
    EXPECT_EQ(DataTypeTable[32].value, 31);
    EXPECT_EQ(DataTypeTable[33].value, 30);
}

// Tags and JMatPro's headings match as prefixes, the headings first; nothing is trimmed or folded.
TEST(DataTypes, TagsAndHeadingsMapToTheirTypes) {
    // clang-format off
    const std::pair<const wchar_t*, int> cases[] = {
        {L"T(C)", 2}, {L"T (C)", 2}, {L"T(C)elsius", 2}, {L"JDT_NULL", -1}, {L"JDT_END", 36}, {L"JDT_UNKNOWN", 0},
        {L"", 0}, {L"Density (g/(cm)^3)-TOTAL", 15}, {L"D-TOTAL (g/cm3)", 15},
        {L"Enthalpy (J/g) of the alloy", 21}, {L"Shear modulus(GPa)-TOTAL", 29},
        {L"Shear modulus (GPa)-TOTAL", 0}, {L"Liquid viscosity (mPa s)-", 18}, {L"Liquid viscosity (mPa s)", 0},
        {L" T(C)", 0}, {L"t(c)", 0}, {L"Solidus Temperature", 0}, {L"T (K)", 1}, {L"T (F)", 3},
        {L"Fraction liquid (wt)-LIQUID", 4}, {L"Poisson's ratio-TOTAL", 5}, {L"Young's modulus (GPa)-TOTAL", 6},
        {L"Young's modulus (GPa)-SPHEROIDAL", 7}, {L"Young's modulus (GPa)-LAMELLAR", 8},
        {L"Young's modulus (GPa)-COMPACTED", 9}, {L"Thermal conductivity (W/(m*K))-TOTAL", 10},
        {L"Thermal conductivity (W/(m*K))-SPHEROIDAL", 11}, {L"Thermal conductivity (W/(m*K))-LAMELLAR", 12},
        {L"Thermal conductivity (W/(m*K))-COMPACTED", 13}, {L"Molar volume (cm^3)-TOTAL", 17},
        {L"Total viscosity (mPa s)-", 19}, {L"Specific heat (J/(g K))", 23}, {L"Latent heat (J/g)", 24},
        {L"Bulk modulus (GPa)-TOTAL", 28},
    };
    // clang-format on
    for (const auto& [text, value] : cases)
        EXPECT_EQ(KESTRUMMOD_TagToDataType(text), value) << CString(text).ToUtf8();
}

TEST(DataTypes, OutOfRangeTypesGiveNothing) {
    for (int type : {-1, 36, 37, -100000, 0x7fffffff}) {
        EXPECT_TRUE(KESTRUMMOD_DataTypeToString(T(type)).IsEmpty()) << type;
        EXPECT_TRUE(KESTRUMMOD_DataTypeToTag(T(type)).IsEmpty()) << type;
        EXPECT_EQ(GetDataTypeUnit(T(type)), 0) << type;
    }
    EXPECT_EQ(KESTRUMMOD_DataTypeToString(T(0)), L"JDT_UNKNOWN");
    EXPECT_EQ(KESTRUMMOD_DataTypeToTag(T(0)), L"JDT_UNKNOWN");
    EXPECT_EQ(GetDataTypeUnit(T(15)), 1); // no string given
}
