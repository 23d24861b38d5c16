#include "calc/catalogue.h"

#include <cwchar>

#include "framework/cstring.h"

// clang-format off

const wchar_t* const GraphiteTypeTable[kGraphiteTypeCount] = {L"Spheroidal", L"Compacted", L"Lamellar"};

const wchar_t* const ElementTable[kElementCount] = {
    L"Al", L"Ca", L"Co", L"Cr", L"Cu", L"Fe", L"La", L"Mg", L"Mn", L"Ni", L"Pb",
    L"Sc", L"Si", L"Sn", L"Sr", L"Ti", L"V", L"Zn", L"Zr", L"B", L"C", L"Ce",
    L"Gd", L"Nd", L"Y", L"Mo", L"Nb", L"Ta", L"N", L"P", L"S", L"O", L"W",
    L"Hf", L"Pt", L"Re", L"Ru", L"H", L"Ag", L"Au", L"Bi", L"In", L"Sb",
};

namespace {

// Element indexes by symbol, in table order, for writing the composition rows legibly.
enum : int32_t {
    eAl, eCa, eCo, eCr, eCu, eFe, eLa, eMg, eMn, eNi, ePb,
    eSc, eSi, eSn, eSr, eTi, eV, eZn, eZr, eB, eC, eCe,
    eGd, eNd, eY, eMo, eNb, eTa, eN, eP, eS, eO, eW,
    eHf, ePt, eRe, eRu, eH, eAg, eAu, eBi, eIn, eSb,
};

} // namespace
// clang-format on

namespace {

// Each family's elements, base element first, and its phases, LIQUID first.
constexpr int32_t kAluminiumElements[] = {eAl, eCa, eCo, eCr, eCu, eFe, eLa, eMg, eMn, eNi, ePb,
                                          eSc, eSi, eSn, eSr, eTi, eV,  eZn, eZr, eB,  eC};
constexpr int32_t kMagnesiumElements[] = {eMg, eAl, eCa, eCe, eCu, eFe, eGd, eLa,
                                          eMn, eNd, eSc, eSi, eSr, eZn, eZr, eY};
constexpr int32_t kCastIronElements[] = {eFe, eAl, eNi, eTi, eMo, eCr, eCu, eMg, eMn,
                                         eNb, eSi, eTa, eV,  eC,  eN,  eP,  eS};
constexpr int32_t kStainlessSteelElements[] = {eFe, eAl, eCo, eCr, eCu, eMn, eMo, eNb, eNi,
                                               eO,  eSi, eTi, eV,  eW,  eC,  eN,  eP,  eS};
constexpr int32_t kCobaltElements[] = {eCo, eAl, eNi, eCr, eFe, eHf, eMn, eMo, eNb,
                                       eSi, eTa, eTi, eW,  eZr, eB,  eC,  eN};
constexpr int32_t kNickelElements[] = {eNi, eAl, eCo, eCr, eCu, eFe, eHf, eMn, eMo, eNb, eO, ePt,
                                       eRe, eRu, eSi, eTa, eTi, eV,  eW,  eZr, eB,  eC,  eN};
constexpr int32_t kNickelIronElements[] = {eNi, eAl, eCo, eCr, eCu, eFe, eMn, eMo,
                                           eNb, eSi, eTa, eTi, eW,  eB,  eC,  eN};
constexpr int32_t kSingleCrystalElements[] = {eNi, eAl, eCo, eCr, eHf, eMo, eNb, ePt,
                                              eRe, eRu, eSi, eTa, eTi, eW,  eB,  eC};
constexpr int32_t kTitaniumElements[] = {eTi, eAl, eCr, eCu, eFe, eH,  eMo, eNb, eNi, eRe,
                                         eRu, eSi, eSn, eTa, eV,  eZr, eC,  eO,  eN,  eB};
constexpr int32_t kGeneralSteelElements[] = {eFe, eAl, eCr, eCu, eCo, eMn, eMo, eNb, eNi, eO,
                                             eSi, eTa, eTi, eV,  eW,  eB,  eC,  eN,  eP,  eS};
constexpr int32_t kSolderElements[] = {eSn, eAg, eAl, eAu, eBi, eCu, eIn, eNi, ePb, eSb, eZn};
constexpr int32_t kAluminiumPhases[] = {0,   1,   2,  3,   4,   173, 137, 5,  6,  178, 179, 148, 7,  8,  9,
                                        131, 122, 80, 101, 79,  10,  11,  12, 13, 14,  15,  16,  91, 17, 18,
                                        19,  20,  21, 22,  119, 133, 23,  24, 25, 26,  156, 27,  28};
constexpr int32_t kMagnesiumPhases[] = {0,   118, 119, 120, 121, 122, 123, 124, 125, 126, 127, 128,
                                        129, 130, 131, 132, 133, 134, 135, 136, 137, 138, 139, 140,
                                        141, 142, 143, 144, 145, 146, 147, 148, 149, 150, 151};
constexpr int32_t kCastIronPhases[] = {0,  29, 30, 31, 63, 32, 33, 34, 35, 36,
                                       37, 38, 39, 40, 41, 42, 43, 44, 45};
constexpr int32_t kStainlessSteelPhases[] = {0,  29, 30, 63, 35, 36, 37, 34, 32, 39, 64, 47, 65, 48, 49,
                                             50, 66, 67, 40, 41, 42, 43, 44, 56, 57, 58, 59, 60, 61, 62};
constexpr int32_t kCobaltPhases[] = {0,  68, 69, 70, 71, 72, 73, 64, 74, 47, 75, 76,
                                     48, 77, 78, 79, 33, 35, 37, 36, 34, 51, 80};
constexpr int32_t kNickelPhases[] = {0,  68, 69, 70, 71, 72, 73, 81, 64, 74, 47, 75, 76,
                                     48, 77, 82, 79, 33, 35, 37, 36, 34, 51, 80, 56, 57,
                                     58, 59, 60, 61, 62, 83, 84, 85, 86, 87, 88, 89};
constexpr int32_t kNickelIronPhases[] = {0,  68, 69, 70, 71, 72, 73, 81, 64, 74, 47, 75,
                                         48, 77, 82, 79, 33, 35, 37, 36, 34, 51, 80};
constexpr int32_t kSingleCrystalPhases[] = {0,  68, 69, 81, 72, 64, 74, 75, 76, 82, 90, 79,
                                            35, 37, 51, 80, 83, 84, 85, 86, 87, 88, 89};
constexpr int32_t kTitaniumPhases[] = {0,  91, 92,  93,  47,  94,  95,  96,  79, 97,
                                       98, 99, 100, 101, 102, 103, 104, 105, 106};
constexpr int32_t kGeneralSteelPhases[] = {0,  29, 30, 63, 34, 32, 33, 35, 37, 36, 39, 46, 47, 48, 49, 50, 40,
                                           41, 42, 43, 44, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62};
constexpr int32_t kSolderPhases[] = {
    0,   152, 153, 154, 155, 156, 157, 158, 159, 160, 161, 162, 163, 164, 165, 166, 167, 168, 169,
    170, 171, 172, 173, 174, 175, 176, 177, 178, 179, 81,  180, 181, 182, 183, 184, 185, 186, 187,
    188, 189, 190, 191, 192, 193, 194, 195, 196, 197, 198, 199, 200, 201, 202, 203, 204, 205, 206,
    207, 208, 209, 210, 211, 212, 213, 214, 215, 216, 217, 218, 219, 220, 221, 222, 223, 224, 225,
    226, 227, 228, 229, 230, 231, 232, 233, 234, 235, 236, 237, 238, 239, 240};

// Composition ranges, wt%: {element, low, high, limit}; engine/README.md "Valid composition ranges"
// gives the rule and every basis. low to high: the alloys the family was checked on, each end widened
// to its grade's limits; an element none of them holds, up to the 0.05 % its grades allow any other
// element (0.1 % for Ti-6Al-4V). limit: where the element's data in the engine's files end: a
// primary-phase branch's reach, the base's binary eutectic or peritectic where it lies closer, else
// where the element's slope alone would move the liquidus by the family's freezing span (the base's
// melting point less the lowest end of solidification), at most 50 (the base must stay the balance).
// clang-format off
constexpr CompositionRange kAluminiumRanges[] = {
    // A356, A380, 319, A390 (its 16-18 % Si), Al 99.99, Al-11.6Si.
    {eSi, 0, 18, 25},     // the primary-silicon branch, read on the diagram to 20 %
    {eCu, 0, 5, 33},      // Al-Al2Cu eutectic, 33.2 %
    {eMg, 0, 0.65f, 22},
    {eFe, 0, 1.3f, 2},    // Al-Al13Fe4 eutectic 1.8 %; 380 allows 2 %
    {eZn, 0, 3, 50},
    {eMn, 0, 0.5f, 1.9f}, // Al-Al6Mn eutectic
    {eNi, 0, 0.5f, 6.1f}, // Al-Al3Ni eutectic
    {eSn, 0, 0.35f, 50},
    {eTi, 0, 0.25f, 0.25f}, // Al-Al3Ti peritectic 0.15 %; 319 allows 0.25 %
    {eCa, 0, 0.05f, 7.6f},  // Al-Al4Ca eutectic
    {eCo, 0, 0.05f, 1},     // Al-Al9Co2 eutectic
    {eCr, 0, 0.05f, 0.41f}, // Al-Al7Cr peritectic
    {eLa, 0, 0.05f, 50},
    {ePb, 0, 0.05f, 1.5f},  // the monotectic: beyond it two liquids
    {eSc, 0, 0.05f, 0.55f}, // Al-Al3Sc eutectic
    {eSr, 0, 0.05f, 50},
    {eV, 0, 0.05f, 13},
    {eZr, 0, 0.05f, 0.11f}, // Al-Al3Zr peritectic
    {eB, 0, 0.022f, 0.022f}, // Al-AlB2 eutectic
    {eC, 0, 0.05f, 50},
};
constexpr CompositionRange kMagnesiumRanges[] = {
    // AZ91D.
    {eAl, 8.3f, 9.7f, 32},   // Mg-Mg17Al12 eutectic, 32.3 %
    {eZn, 0.35f, 1, 42},
    {eMn, 0.15f, 0.5f, 2},   // Mg-Mn peritectic
    {eSi, 0, 0.1f, 1.34f},   // Mg-Mg2Si eutectic
    {eCu, 0, 0.03f, 39},
    {eFe, 0, 0.005f, 50},
    {eCa, 0, 0.05f, 25}, {eCe, 0, 0.05f, 50}, {eGd, 0, 0.05f, 50}, {eLa, 0, 0.05f, 50}, {eNd, 0, 0.05f, 50},
    {eSc, 0, 0.05f, 50}, {eSr, 0, 0.05f, 32}, {eZr, 0, 0.05f, 30}, {eY, 0, 0.05f, 50},
};
constexpr CompositionRange kCastIronRanges[] = {
    // GJL-250, GJS-400 and the hypereutectic ductile iron of the validation table.
    {eC, 3.3f, 3.9f, 5},    // the graphite branch: about the most carbon iron dissolves when cast
    {eSi, 2, 2.8f, 4.5f},   // the carbon equivalent's lines are straight to about 4.5 % Si
    {eMn, 0, 0.6f, 50},
    {eP, 0, 0.1f, 8},
    {eS, 0, 0.08f, 10},
    {eMg, 0, 0.045f, 50},
    {eAl, 0, 0.05f, 50}, {eNi, 0, 0.05f, 50}, {eTi, 0, 0.05f, 21}, {eMo, 0, 0.05f, 50}, {eCr, 0, 0.05f, 50},
    {eCu, 0, 0.05f, 50}, {eNb, 0, 0.05f, 50}, {eTa, 0, 0.05f, 50}, {eV, 0, 0.05f, 50}, {eN, 0, 0.05f, 6.4f},
};
constexpr CompositionRange kCobaltRanges[] = {
    // Stellite 6: the ranges its preset was made from (AWS A5.13 ECoCr-A).
    {eCr, 26, 32, 50}, {eW, 3, 6, 50}, {eC, 0.9f, 1.4f, 8.3f}, {eNi, 0, 3, 50}, {eFe, 0, 3, 50},
    {eSi, 0, 2, 13}, {eMn, 0, 1, 50}, {eMo, 0, 1, 48},
    {eAl, 0, 0.05f, 26}, {eHf, 0, 0.05f, 23}, {eNb, 0, 0.05f, 26}, {eTa, 0, 0.05f, 50}, {eTi, 0, 0.05f, 23},
    {eZr, 0, 0.05f, 13}, {eB, 0, 0.05f, 2}, {eN, 0, 0.05f, 20},
};
constexpr CompositionRange kNickelRanges[] = {
    // IN-713C: the Nickel Institute's limits.
    {eCr, 12, 14, 50}, {eAl, 5.5f, 6.5f, 12}, {eMo, 3.8f, 5.2f, 50}, {eNb, 1.8f, 2.8f, 26},
    {eTi, 0.5f, 1, 18}, {eC, 0.08f, 0.2f, 3.3f}, {eB, 0.005f, 0.015f, 1.9f}, {eZr, 0.05f, 0.15f, 8.8f},
    {eFe, 0, 2.5f, 50}, {eMn, 0, 0.25f, 50}, {eSi, 0, 0.5f, 7.2f}, {eCu, 0, 0.5f, 50},
    {eCo, 0, 0.05f, 50}, {eHf, 0, 0.05f, 20}, {eO, 0, 0.05f, 6.4f}, {ePt, 0, 0.05f, 50}, {eRe, 0, 0.05f, 48},
    {eRu, 0, 0.05f, 50}, {eTa, 0, 0.05f, 50}, {eV, 0, 0.05f, 50}, {eW, 0, 0.05f, 50}, {eN, 0, 0.05f, 19},
};
constexpr CompositionRange kNickelIronRanges[] = {
    // IN-718: Special Metals' limits; iron is the balance they leave.
    {eCr, 17, 21, 50}, {eFe, 11, 25, 50}, {eNb, 4.75f, 5.5f, 21}, {eMo, 2.8f, 3.3f, 50},
    {eTi, 0.65f, 1.15f, 18}, {eAl, 0.2f, 0.8f, 32}, {eCo, 0, 1, 50}, {eC, 0, 0.08f, 3.3f},
    {eMn, 0, 0.35f, 50}, {eSi, 0, 0.35f, 7.2f}, {eCu, 0, 0.3f, 50}, {eB, 0, 0.006f, 1.9f},
    {eTa, 0, 0.05f, 50}, {eW, 0, 0.05f, 50}, {eN, 0, 0.05f, 19},
};
constexpr CompositionRange kSingleCrystalRanges[] = {
    // CMSX-4: a nominal composition, each amount within 10 % of it.
    {eCo, 8.1f, 9.9f, 50}, {eCr, 5.85f, 7.15f, 50}, {eTa, 5.85f, 7.15f, 50}, {eW, 5.4f, 6.6f, 50},
    {eAl, 5.04f, 6.16f, 14}, {eRe, 2.7f, 3.3f, 33}, {eTi, 0.9f, 1.1f, 12}, {eMo, 0.54f, 0.66f, 50},
    {eHf, 0.09f, 0.11f, 14},
    {eNb, 0, 0.05f, 18}, {ePt, 0, 0.05f, 50}, {eRu, 0, 0.05f, 50}, {eSi, 0, 0.05f, 4.9f}, {eB, 0, 0.05f, 1.3f},
    {eC, 0, 0.05f, 2.3f},
};
constexpr CompositionRange kTitaniumRanges[] = {
    // Ti-6Al-4V: ASTM grade 5.
    {eAl, 5.5f, 6.75f, 50}, {eV, 3.5f, 4.5f, 50}, {eFe, 0, 0.4f, 40}, {eO, 0, 0.2f, 48}, {eC, 0, 0.08f, 18},
    {eN, 0, 0.05f, 36}, {eH, 0, 0.015f, 50},
    {eCr, 0, 0.1f, 50}, {eCu, 0, 0.1f, 40}, {eMo, 0, 0.1f, 50}, {eNb, 0, 0.1f, 50}, {eNi, 0, 0.1f, 27},
    {eRe, 0, 0.1f, 50}, {eRu, 0, 0.1f, 50}, {eSi, 0, 0.1f, 18}, {eSn, 0, 0.1f, 50}, {eTa, 0, 0.1f, 50},
    {eZr, 0, 0.1f, 50}, {eB, 0, 0.1f, 5.6f},
};
constexpr CompositionRange kSolderRanges[] = {
    // SAC305 and Sn63Pb37.
    {ePb, 0, 37.5f, 38},   // the Sn-Pb eutectic: beyond it lead's side, which the model lacks
    {eAg, 0, 3.2f, 4},     // Sn-Ag3Sn eutectic 3.5 %, the ternary one near 3.8 %
    {eCu, 0, 0.6f, 0.9f},  // Sn-Cu6Sn5 eutectic, 0.7 to 0.9 %
    {eAl, 0, 0.05f, 0.5f}, // Sn-Al eutectic
    {eAu, 0, 0.05f, 10},   // Sn-AuSn4 eutectic
    {eBi, 0, 0.05f, 25}, {eIn, 0, 0.05f, 22}, {eNi, 0, 0.05f, 10},
    {eSb, 0, 0.05f, 10},   // Sn-SnSb peritectic
    {eZn, 0, 0.05f, 8.8f}, // Sn-Zn eutectic
};
// clang-format on

} // namespace

// clang-format off
constexpr std::array<FamilyDescription, kMaterialTypeCount> Families = {{
    {L"Aluminium Alloy",          973.15f,  300.15f, -5.0f, 0.01f, 1, kAluminiumElements,      kAluminiumPhases,      L"aluminium.csv",     kAluminiumRanges},
    {L"Magnesium Alloy",          973.15f,  300.15f, -5.0f, 0.01f, 1, kMagnesiumElements,      kMagnesiumPhases,      L"magnesium.csv",     kMagnesiumRanges},
    {L"Cast Iron",               1673.15f, 1273.15f, -5.0f, 0.01f, 1, kCastIronElements,       kCastIronPhases,       L"castiron.csv",      kCastIronRanges},
    {L"Stainless Steel",         1773.15f,  873.15f, -5.0f, 0.01f, 0, kStainlessSteelElements, kStainlessSteelPhases, nullptr,               {}},
    {L"Cobalt Alloy",            1673.15f, 1373.15f, -5.0f, 0.01f, 1, kCobaltElements,         kCobaltPhases,         L"cobalt.csv",        kCobaltRanges},
    {L"Nickel Based Superalloy", 1673.15f, 1373.15f, -5.0f, 0.02f, 1, kNickelElements,         kNickelPhases,         L"nickel.csv",        kNickelRanges},
    {L"NiFe Based Superalloy",   1773.15f,  873.15f, -5.0f, 0.02f, 1, kNickelIronElements,     kNickelIronPhases,     L"nickeliron.csv",    kNickelIronRanges},
    {L"Single Crystal",          1773.15f, 1273.15f, -5.0f, 0.02f, 1, kSingleCrystalElements,  kSingleCrystalPhases,  L"singlecrystal.csv", kSingleCrystalRanges},
    {L"Titanium Alloy",          2100.15f, 1400.15f, -5.0f, 0.01f, 1, kTitaniumElements,       kTitaniumPhases,       L"titanium.csv",      kTitaniumRanges},
    {L"General Steel",           1873.15f,  873.15f, -5.0f, 0.01f, 0, kGeneralSteelElements,   kGeneralSteelPhases,   nullptr,               {}},
    {L"Solder Alloy",             700.15f,  300.15f, -5.0f, 0.01f, 1, kSolderElements,         kSolderPhases,         L"solder.csv",        kSolderRanges},
}};
// clang-format on

namespace {

// One row per family: the indexes, then -1, then zeros.
template <std::size_t N>
constexpr std::array<std::array<int32_t, N>, kMaterialTypeCount>
IndexRows(std::span<const int32_t> FamilyDescription::*list) {
    std::array<std::array<int32_t, N>, kMaterialTypeCount> rows{};
    for (std::size_t f = 0; f < kMaterialTypeCount; ++f) {
        const std::span<const int32_t> indexes = Families[f].*list;
        for (std::size_t i = 0; i < indexes.size(); ++i)
            rows[f][i] = indexes[i];
        rows[f][indexes.size()] = -1;
    }
    return rows;
}

} // namespace

constexpr std::array<std::array<int32_t, kElementCount>, kMaterialTypeCount> DefaultCompositionTable =
    IndexRows<kElementCount>(&FamilyDescription::elements);
constexpr std::array<std::array<int32_t, kPhaseCount>, kMaterialTypeCount> FamilyPhaseTable =
    IndexRows<kPhaseCount>(&FamilyDescription::phases);

// Index 70 ends in a double quote and index 150 in two spaces: the names are kept as they are.
// clang-format off
const wchar_t* const PhaseTable[kPhaseCount] = {
    /*   0 */ L"LIQUID", L"AL", L"SILICON", L"AL4C3", L"AL7CR", L"AL3MG2", L"AL6MN", L"AL3M_L12",
    /*   8 */ L"AL3M_DO22", L"AL3M_DO23", L"AL7CU2M", L"S_AL2CUMG", L"AL20CU2MN3", L"AL7CU4NI", L"AL9M2",
    /*  15 */ L"MG2X_C1", L"AL13CR4SI4", L"ALFESI_ALPHA", L"ALFESI_BETA", L"AL4SIC4", L"AL8SIC7",
    /*  21 */ L"AL2SI2M", L"E_ALCRMGMN", L"AL5CU2MG8SI6", L"AL8FEMG3SI6", L"LIQ_2", L"PB_FCC", L"AL13CO4",
    /*  28 */ L"ZN_HCP", L"AUSTENITE", L"FERRITE", L"GRAPHITE", L"M(C,N)", L"MN", L"M2(C,N)", L"M23C6",
    /*  36 */ L"M7C3", L"M6C", L"MG3N2", L"ALN", L"CU", L"M2P", L"M3P", L"MS_B81", L"MNS", L"MGS", L"BN",
    /*  47 */ L"LAVES", L"G_PHASE", L"PI_PHASE", L"Z_PHASE", L"M3B2", L"MB2_C32", L"FE2B", L"CR2B", L"FE3B",
    /*  56 */ L"M2O3", L"M2SIO4", L"M3O4", L"MO_B2", L"MULLITE", L"SIO2", L"SPINEL_AB2O4", L"CEMENTITE",
    /*  64 */ L"SIGMA", L"CHI", L"(FE,NI)AL", L"ALPHA_CR", L"GAMMA", L"GAMMA_PRIME", L"GAMMA\"", L"NI2M",
    /*  72 */ L"ETA", L"DELTA", L"MU", L"P_PHASE", L"R_PHASE", L"NIMO", L"COBALT_HCP", L"MC", L"MB2",
    /*  81 */ L"NIAL", L"BCC", L"NI5M", L"NI7M2", L"L10", L"PT3AL", L"PT2AL_L", L"PT2AL_H", L"PTAL",
    /*  90 */ L"HCP_A3", L"ALPHA", L"BETA", L"TI3AL", L"C15_FCC", L"TIM_B2", L"CHI_A12", L"TI5SI3",
    /*  98 */ L"TIZRSI", L"TIB", L"TIB2", L"SIC", L"TI2CU", L"TI2NI", L"ALPHA_TIMN", L"BETA_TIMN", L"TIH2",
    /* 107 */ L"ZR(C,N)", L"ZR2SI", L"ZR3SI", L"ZR3SI2", L"A5B3", L"ZR2M", L"ZR3FE", L"ZR4SN", L"ZR7FESN2",
    /* 116 */ L"ZR5FE4NB", L"MH2", L"MG", L"MGZN2", L"MGCU2", L"MG12RE", L"MG2SI", L"MG2ZN3", L"MGZN",
    /* 125 */ L"MG17AL12", L"MG17SR2", L"MG41RE5", L"PHI_ALMGZN", L"AL3RE_DO19", L"AL2RE", L"AL11RE3_ALPHA",
    /* 132 */ L"Q_AL7CU3MG6", L"T_ALCUMGZN", L"AL11MN4", L"AL2FE", L"AL2ZR", L"AL3FE", L"AL3ZR", L"AL4MN",
    /* 140 */ L"AL5FE2", L"AL8MN5", L"FE", L"ALPHA_MN", L"BETA_MN", L"MG2CU", L"MG2CA", L"ALPHA_ZR",
    /* 148 */ L"AL4M_D13", L"MG3RE_D03", L"MG24Y5  ", L"MG5GD", L"FCC_A1", L"PB", L"ZETA_AG(SN,IN)", L"ZN",
    /* 156 */ L"SN", L"BI", L"IN", L"BETA_IN", L"INSB", L"AG3SN", L"CU6SN5", L"CU6SN5_PRIME", L"AG9IN4",
    /* 165 */ L"AGIN2", L"AL2AU", L"ALAU", L"GAMMA_ALAU2", L"ALPHA_ALAU2", L"BETA_ALAU2", L"ALAU4",
    /* 172 */ L"AL3AU8", L"AL2CU", L"ETA_ALCU", L"EPSILON_ALCU", L"ZETA_ALCU", L"DELTA_ALCU", L"AL3NI",
    /* 179 */ L"AL3NI2", L"NI5AL3", L"NI3AL", L"AU2BI", L"BETA_AUIN_H", L"BETA_AUIN_L", L"AU7IN3",
    /* 186 */ L"GAMMA_AUIN", L"PSI_AUIN", L"AUIN", L"AUIN2", L"AU2PB", L"AUPB2", L"AUPB3", L"AUSB2",
    /* 194 */ L"AU5SN", L"AUSN2", L"AUSN4", L"ALPHA3_AUZN", L"ALPHA1_AUZN", L"ALPHA2_AUZN", L"AU11ZN14",
    /* 201 */ L"GAMMA2_AUZN", L"GAMMA3_AUZN", L"EPSILON1_AUZN", L"AU5ZN3", L"BIIN", L"BI3IN5", L"BIIN2",
    /* 208 */ L"BI3NI", L"GAMMA_CUIN", L"ETA_CUIN_L", L"CU11IN9", L"CU7IN3", L"BETA_CUSB", L"CU11SB2",
    /* 215 */ L"CU9SB2", L"CU2SB", L"CU41SN11", L"CU10SN3", L"CU3SN", L"INSN_GAMMA", L"IN9NI13", L"INNI",
    /* 223 */ L"IN7NI3", L"NI5SB2", L"NISB2", L"NI3SN4", L"BETA_NIZN", L"NIZN8", L"SBSN", L"SB2SN3",
    /* 231 */ L"SBZN", L"SB9ZN11", L"SB17ZN23_L", L"SB17ZN23_H", L"SB4ZN6", L"SB19ZN31", L"AU4IN3SN3",
    /* 238 */ L"AUNI2SN4", L"CU2IN3SN", L"EPSILON_PBIN",
};

// clang-format on

int CopyCatalogueName(const wchar_t* name, wchar_t* buffer) {
    if (!name || !*name)
        return 0;
    const size_t length = std::wcslen(name);
    const int result =
        length > static_cast<size_t>(kCatalogueNameMax) ? kCatalogueNameMax : static_cast<int>(length);
    if (buffer) {
        // A bounded copy: the name, then zeros up to the bound; the cell after the bound is not written.
        std::wmemcpy(buffer, name, static_cast<size_t>(result));
        std::wmemset(buffer + result, L'\0', static_cast<size_t>(kCatalogueNameMax - result));
    }
    return result;
}

int GetMaterialTypeName(uint32_t family, wchar_t* buffer) {
    return family < kMaterialTypeCount ? CopyCatalogueName(Families[family].name, buffer) : 0;
}

int GetGraphiteTypeName(uint32_t graphiteType, wchar_t* buffer) {
    return graphiteType < kGraphiteTypeCount ? CopyCatalogueName(GraphiteTypeTable[graphiteType], buffer) : 0;
}

int GetElementName(uint32_t element, wchar_t* buffer) {
    return element < kElementCount ? CopyCatalogueName(ElementTable[element], buffer) : 0;
}

std::wstring RefusedAmount(const FamilyDescription& family, int32_t element, double amount,
                           double baseAmount) {
    constexpr double kTolerance = 1e-3;
    const CompositionRange* range = family.FindRange(element);
    if (element == family.Base() || !range)
        return {};
    const std::wstring symbol = ElementTable[element];
    CString text;
    if (amount > range->limit + kTolerance)
        text.Format(L"%s %g wt%% lies above %g wt%%, where the model's data for %s in %s end", symbol.c_str(),
                    amount, static_cast<double>(range->limit), symbol.c_str(), family.name);
    // An alloy where another element leads is not one of the family's, whatever its own limits.
    else if (amount > baseAmount)
        text.Format(L"%s %g wt%% is more than the base %s (%g wt%%), which must lead in %s", symbol.c_str(),
                    amount, ElementTable[family.Base()], baseAmount, family.name);
    return text.Str();
}

const CompositionRange* FamilyDescription::FindRange(int32_t element) const {
    for (const CompositionRange& range : ranges) {
        if (range.element == element)
            return &range;
    }
    return nullptr;
}

const FamilyDescription* FindFamilyDescription(int32_t family) {
    return family >= 0 && static_cast<uint32_t>(family) < kMaterialTypeCount
               ? &Families[static_cast<std::size_t>(family)]
               : nullptr;
}

int IsMaterialTypeOffered(uint32_t family) {
    return family < kMaterialTypeCount && Families[family].offered ? 1 : 0;
}

int GetMaterialDefaults(uint32_t family, float values[4]) {
    if (family >= kMaterialTypeCount || !values)
        return 0;
    const FamilyDescription& row = Families[family];
    values[0] = row.tempStart;
    values[1] = row.tempEnd;
    values[2] = row.tempStep;
    values[3] = row.fractionLimit;
    return 1;
}

void GetDefaultComposition(uint32_t family, MatCompoEntry* entries) {
    if (family >= kMaterialTypeCount || !entries)
        return;
    for (uint32_t i = 0; i < kElementCount; ++i)
        entries[i] = MatCompoEntry{0, 0, 0.0f};
    const auto& row = DefaultCompositionTable[family];
    for (uint32_t cell = 0; cell < kElementCount && row[cell] != -1; ++cell) {
        // Cells hold valid element indexes by construction; the check keeps a bad row from writing
        // outside the entries.
        const uint32_t element = static_cast<uint32_t>(row[cell]);
        if (element >= kElementCount)
            continue;
        entries[element].present = 1;
        entries[element].compo = 0.0f;
        entries[element].base = cell == 0 ? 1 : 0;
    }
}
