// The catalogue against a second transcription of its lists, kept in the forms the lists are written
// in (names by index, elements by symbol, phase rows with ranges), and the accessors' edge behaviour.
#include <algorithm>
#include <cwchar>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "calc/catalogue.h"

namespace {

std::vector<std::wstring> Words(const std::wstring& text) {
    std::wistringstream in(text);
    std::vector<std::wstring> words;
    for (std::wstring word; in >> word;)
        words.push_back(word);
    return words;
}

const wchar_t* const kElements = L"Al Ca Co Cr Cu Fe La Mg Mn Ni Pb Sc Si Sn Sr Ti V Zn Zr B C Ce Gd Nd Y Mo "
                                 L"Nb Ta N P S O W Hf Pt Re Ru H Ag Au Bi In Sb";

int ElementIndex(const std::wstring& symbol) {
    static const std::vector<std::wstring> all = Words(kElements);
    const auto at = std::find(all.begin(), all.end(), symbol);
    EXPECT_NE(at, all.end()) << "no element " << std::string(symbol.begin(), symbol.end());
    return static_cast<int>(at - all.begin());
}

// Element symbols per family, base element first.
const wchar_t* const kCompositions[] = {
    L"Al Ca Co Cr Cu Fe La Mg Mn Ni Pb Sc Si Sn Sr Ti V Zn Zr B C",
    L"Mg Al Ca Ce Cu Fe Gd La Mn Nd Sc Si Sr Zn Zr Y",
    L"Fe Al Ni Ti Mo Cr Cu Mg Mn Nb Si Ta V C N P S",
    L"Fe Al Co Cr Cu Mn Mo Nb Ni O Si Ti V W C N P S",
    L"Co Al Ni Cr Fe Hf Mn Mo Nb Si Ta Ti W Zr B C N",
    L"Ni Al Co Cr Cu Fe Hf Mn Mo Nb O Pt Re Ru Si Ta Ti V W Zr B C N",
    L"Ni Al Co Cr Cu Fe Mn Mo Nb Si Ta Ti W B C N",
    L"Ni Al Co Cr Hf Mo Nb Pt Re Ru Si Ta Ti W B C",
    L"Ti Al Cr Cu Fe H Mo Nb Ni Re Ru Si Sn Ta V Zr C O N B",
    L"Fe Al Cr Cu Co Mn Mo Nb Ni O Si Ta Ti V W B C N P S",
    L"Sn Ag Al Au Bi Cu In Ni Pb Sb Zn",
};

std::vector<int> Composition(uint32_t family) {
    std::vector<int> row;
    for (const std::wstring& symbol : Words(kCompositions[family]))
        row.push_back(ElementIndex(symbol));
    return row;
}

// Phase names as "index NAME" items separated by ", "; 70 ends in a double quote, 150 in two spaces.
const wchar_t* const kPhases =
    L"0 LIQUID, 1 AL, 2 SILICON, 3 AL4C3, 4 AL7CR, 5 AL3MG2, 6 AL6MN, 7 AL3M_L12, 8 AL3M_DO22, 9 AL3M_DO23, "
    L"10 AL7CU2M, 11 S_AL2CUMG, 12 AL20CU2MN3, 13 AL7CU4NI, 14 AL9M2, 15 MG2X_C1, 16 AL13CR4SI4, "
    L"17 ALFESI_ALPHA, 18 ALFESI_BETA, 19 AL4SIC4, 20 AL8SIC7, 21 AL2SI2M, 22 E_ALCRMGMN, 23 AL5CU2MG8SI6, "
    L"24 AL8FEMG3SI6, 25 LIQ_2, 26 PB_FCC, 27 AL13CO4, 28 ZN_HCP, 29 AUSTENITE, 30 FERRITE, 31 GRAPHITE, "
    L"32 M(C,N), 33 MN, 34 M2(C,N), 35 M23C6, 36 M7C3, 37 M6C, 38 MG3N2, 39 ALN, 40 CU, 41 M2P, 42 M3P, "
    L"43 MS_B81, 44 MNS, 45 MGS, 46 BN, 47 LAVES, 48 G_PHASE, 49 PI_PHASE, 50 Z_PHASE, 51 M3B2, 52 MB2_C32, "
    L"53 FE2B, 54 CR2B, 55 FE3B, 56 M2O3, 57 M2SIO4, 58 M3O4, 59 MO_B2, 60 MULLITE, 61 SIO2, "
    L"62 SPINEL_AB2O4, 63 CEMENTITE, 64 SIGMA, 65 CHI, 66 (FE,NI)AL, 67 ALPHA_CR, 68 GAMMA, 69 GAMMA_PRIME, "
    L"70 GAMMA\", 71 NI2M, 72 ETA, 73 DELTA, 74 MU, 75 P_PHASE, 76 R_PHASE, 77 NIMO, 78 COBALT_HCP, 79 MC, "
    L"80 MB2, 81 NIAL, 82 BCC, 83 NI5M, 84 NI7M2, 85 L10, 86 PT3AL, 87 PT2AL_L, 88 PT2AL_H, 89 PTAL, "
    L"90 HCP_A3, 91 ALPHA, 92 BETA, 93 TI3AL, 94 C15_FCC, 95 TIM_B2, 96 CHI_A12, 97 TI5SI3, 98 TIZRSI, "
    L"99 TIB, 100 TIB2, 101 SIC, 102 TI2CU, 103 TI2NI, 104 ALPHA_TIMN, 105 BETA_TIMN, 106 TIH2, "
    L"107 ZR(C,N), 108 ZR2SI, 109 ZR3SI, 110 ZR3SI2, 111 A5B3, 112 ZR2M, 113 ZR3FE, 114 ZR4SN, "
    L"115 ZR7FESN2, 116 ZR5FE4NB, 117 MH2, 118 MG, 119 MGZN2, 120 MGCU2, 121 MG12RE, 122 MG2SI, "
    L"123 MG2ZN3, 124 MGZN, 125 MG17AL12, 126 MG17SR2, 127 MG41RE5, 128 PHI_ALMGZN, 129 AL3RE_DO19, "
    L"130 AL2RE, 131 AL11RE3_ALPHA, 132 Q_AL7CU3MG6, 133 T_ALCUMGZN, 134 AL11MN4, 135 AL2FE, 136 AL2ZR, "
    L"137 AL3FE, 138 AL3ZR, 139 AL4MN, 140 AL5FE2, 141 AL8MN5, 142 FE, 143 ALPHA_MN, 144 BETA_MN, "
    L"145 MG2CU, 146 MG2CA, 147 ALPHA_ZR, 148 AL4M_D13, 149 MG3RE_D03, 150 MG24Y5  , 151 MG5GD, "
    L"152 FCC_A1, 153 PB, 154 ZETA_AG(SN,IN), 155 ZN, 156 SN, 157 BI, 158 IN, 159 BETA_IN, 160 INSB, "
    L"161 AG3SN, 162 CU6SN5, 163 CU6SN5_PRIME, 164 AG9IN4, 165 AGIN2, 166 AL2AU, 167 ALAU, "
    L"168 GAMMA_ALAU2, 169 ALPHA_ALAU2, 170 BETA_ALAU2, 171 ALAU4, 172 AL3AU8, 173 AL2CU, 174 ETA_ALCU, "
    L"175 EPSILON_ALCU, 176 ZETA_ALCU, 177 DELTA_ALCU, 178 AL3NI, 179 AL3NI2, 180 NI5AL3, 181 NI3AL, "
    L"182 AU2BI, 183 BETA_AUIN_H, 184 BETA_AUIN_L, 185 AU7IN3, 186 GAMMA_AUIN, 187 PSI_AUIN, 188 AUIN, "
    L"189 AUIN2, 190 AU2PB, 191 AUPB2, 192 AUPB3, 193 AUSB2, 194 AU5SN, 195 AUSN2, 196 AUSN4, "
    L"197 ALPHA3_AUZN, 198 ALPHA1_AUZN, 199 ALPHA2_AUZN, 200 AU11ZN14, 201 GAMMA2_AUZN, 202 GAMMA3_AUZN, "
    L"203 EPSILON1_AUZN, 204 AU5ZN3, 205 BIIN, 206 BI3IN5, 207 BIIN2, 208 BI3NI, 209 GAMMA_CUIN, "
    L"210 ETA_CUIN_L, 211 CU11IN9, 212 CU7IN3, 213 BETA_CUSB, 214 CU11SB2, 215 CU9SB2, 216 CU2SB, "
    L"217 CU41SN11, 218 CU10SN3, 219 CU3SN, 220 INSN_GAMMA, 221 IN9NI13, 222 INNI, 223 IN7NI3, 224 NI5SB2, "
    L"225 NISB2, 226 NI3SN4, 227 BETA_NIZN, 228 NIZN8, 229 SBSN, 230 SB2SN3, 231 SBZN, 232 SB9ZN11, "
    L"233 SB17ZN23_L, 234 SB17ZN23_H, 235 SB4ZN6, 236 SB19ZN31, 237 AU4IN3SN3, 238 AUNI2SN4, "
    L"239 CU2IN3SN, 240 EPSILON_PBIN";

std::vector<std::wstring> PhaseNames() {
    const std::wstring all = kPhases;
    std::vector<std::wstring> names;
    for (size_t at = 0, next = 0; next != std::wstring::npos; at = next + 2) {
        next = all.find(L", ", at);
        const std::wstring item = all.substr(at, next == std::wstring::npos ? next : next - at);
        const std::wstring head = std::to_wstring(names.size()) + L" ";
        EXPECT_EQ(item.compare(0, head.size(), head), 0) << "phase " << names.size();
        names.push_back(item.substr(head.size()));
    }
    return names;
}

// A phase row with "a-b" for the runs that are listed as ranges.
std::vector<int> PhaseRow(const std::wstring& text) {
    std::vector<int> row;
    for (const std::wstring& word : Words(text)) {
        const size_t dash = word.find(L'-');
        const int last = std::stoi(dash == std::wstring::npos ? word : word.substr(dash + 1));
        for (int k = std::stoi(word); k <= last; ++k)
            row.push_back(k);
    }
    return row;
}

std::wstring Name(int (*accessor)(uint32_t, wchar_t*), uint32_t index) {
    wchar_t buffer[260];
    const int n = accessor(index, buffer);
    return n > 0 ? std::wstring(buffer, static_cast<size_t>(n)) : std::wstring();
}

// Reads a row up to its -1 and checks that only zeros follow.
template <size_t N> std::vector<int> Row(const int32_t (&cells)[N]) {
    std::vector<int> row;
    size_t i = 0;
    for (; i < N && cells[i] != -1; ++i)
        row.push_back(cells[i]);
    EXPECT_LT(i, N) << "row without -1";
    for (++i; i < N; ++i)
        EXPECT_EQ(cells[i], 0) << "cell " << i << " after the end";
    return row;
}

} // namespace

TEST(Catalogue, FamiliesGraphiteTypesAndElements) {
    const struct {
        const wchar_t* name;
        float start, end, limit;
        int offered;
    } expected[] = {
        {L"Aluminium Alloy", 973.15f, 300.15f, 0.01f, 1},
        {L"Magnesium Alloy", 973.15f, 300.15f, 0.01f, 1},
        {L"Cast Iron", 1673.15f, 1273.15f, 0.01f, 1},
        {L"Stainless Steel", 1773.15f, 873.15f, 0.01f, 0},
        {L"Cobalt Alloy", 1673.15f, 1373.15f, 0.01f, 1},
        {L"Nickel Based Superalloy", 1673.15f, 1373.15f, 0.02f, 1},
        {L"NiFe Based Superalloy", 1773.15f, 873.15f, 0.02f, 1},
        {L"Single Crystal", 1773.15f, 1273.15f, 0.02f, 1},
        {L"Titanium Alloy", 2100.15f, 1400.15f, 0.01f, 1},
        {L"General Steel", 1873.15f, 873.15f, 0.01f, 0},
        {L"Solder Alloy", 700.15f, 300.15f, 0.01f, 1},
    };
    ASSERT_EQ(std::size(expected), kMaterialTypeCount);
    for (uint32_t i = 0; i < kMaterialTypeCount; ++i) {
        SCOPED_TRACE(i);
        const auto& f = expected[i];
        EXPECT_EQ(Name(GetMaterialTypeName, i), f.name);
        float values[4] = {};
        ASSERT_EQ(GetMaterialDefaults(i, values), 1);
        EXPECT_EQ(std::vector<float>(values, values + 4),
                  (std::vector<float>{f.start, f.end, -5.0f, f.limit}));
        EXPECT_EQ(IsMaterialTypeOffered(i), f.offered);
    }
    EXPECT_EQ(IsMaterialTypeOffered(kMaterialTypeCount), 0);

    const wchar_t* const graphite[] = {L"Spheroidal", L"Compacted", L"Lamellar", L""};
    for (uint32_t i = 0; i < 4; ++i)
        EXPECT_EQ(Name(GetGraphiteTypeName, i), graphite[i]);
    const std::vector<std::wstring> symbols = Words(kElements);
    ASSERT_EQ(symbols.size(), kElementCount);
    for (uint32_t i = 0; i < kElementCount; ++i)
        EXPECT_EQ(Name(GetElementName, i), symbols[i]) << i;
}

TEST(Catalogue, PhasesKeepTheirExactNames) {
    const std::vector<std::wstring> names = PhaseNames();
    ASSERT_EQ(names.size(), kPhaseCount);
    for (uint32_t i = 0; i < kPhaseCount; ++i)
        EXPECT_EQ(std::wstring(PhaseTable[i]), names[i]) << i;
    EXPECT_EQ(std::wstring(PhaseTable[70]), L"GAMMA\"");
    EXPECT_EQ(std::wstring(PhaseTable[150]), L"MG24Y5  ");
}

TEST(Catalogue, FamilyRows) {
    const wchar_t* const phases[] = {
        L"0 1 2 3 4 173 137 5 6 178 179 148 7 8 9 131 122 80 101 79 10 11 12 13 14 15 16 91 17 18 19 20 21 "
        L"22 119 133 23 24 25 26 156 27 28",
        L"0 118-151",
        L"0 29 30 31 63 32 33 34 35 36 37 38 39 40 41 42 43 44 45",
        L"0 29 30 63 35 36 37 34 32 39 64 47 65 48 49 50 66 67 40 41 42 43 44 56 57 58 59 60 61 62",
        L"0 68 69 70 71 72 73 64 74 47 75 76 48 77 78 79 33 35 37 36 34 51 80",
        L"0 68 69 70 71 72 73 81 64 74 47 75 76 48 77 82 79 33 35 37 36 34 51 80 56 57 58 59 60 61 62 83 84 "
        L"85 86 87 88 89",
        L"0 68 69 70 71 72 73 81 64 74 47 75 48 77 82 79 33 35 37 36 34 51 80",
        L"0 68 69 81 72 64 74 75 76 82 90 79 35 37 51 80 83 84 85 86 87 88 89",
        L"0 91 92 93 47 94 95 96 79 97 98 99 100 101 102 103 104 105 106",
        L"0 29 30 63 34 32 33 35 37 36 39 46 47 48 49 50 40 41 42 43 44 51 52 53 54 55 56 57 58 59 60 61 62",
        L"0 152-179 81 180-240",
    };
    for (uint32_t family = 0; family < kMaterialTypeCount; ++family) {
        SCOPED_TRACE(family);
        EXPECT_EQ(Row(DefaultCompositionTable[family]), Composition(family));
        const std::vector<int> row = Row(FamilyPhaseTable[family]);
        EXPECT_EQ(row, PhaseRow(phases[family]));
        // The zirconium phases and MH2 (107 to 117) belong to no family.
        for (int phase : row)
            EXPECT_TRUE(phase < 107 || phase > 117) << phase;
    }
}

TEST(Catalogue, AccessorEdges) {
    constexpr uint32_t kNone = static_cast<uint32_t>(-1);
    wchar_t buffer[262];
    std::wmemset(buffer, L'#', 262);
    // Out of range (-1 too, as the unsigned index), a missing or an empty name: 0, buffer untouched.
    for (int (*accessor)(uint32_t, wchar_t*) : {GetMaterialTypeName, GetGraphiteTypeName, GetElementName})
        EXPECT_EQ(accessor(kNone, buffer), 0);
    EXPECT_EQ(GetMaterialTypeName(11, buffer), 0);
    EXPECT_EQ(GetElementName(43, buffer), 0);
    EXPECT_EQ(CopyCatalogueName(nullptr, buffer), 0);
    EXPECT_EQ(CopyCatalogueName(L"", buffer), 0);
    EXPECT_EQ(buffer[0], L'#');
    // A null buffer gives the length only.
    EXPECT_EQ(GetMaterialTypeName(5, nullptr), 23);
    EXPECT_EQ(CopyCatalogueName(std::wstring(300, L'a').c_str(), nullptr), kCatalogueNameMax);

    // The copy fills zeros up to the bound and never writes the cell after it, also for a name that
    // is longer than the bound or one shorter.
    EXPECT_EQ(GetElementName(42, buffer), 2);
    EXPECT_EQ(std::wstring(buffer, kCatalogueNameMax + 1),
              L"Sb" + std::wstring(kCatalogueNameMax - 2, L'\0') + L"#");
    EXPECT_EQ(CopyCatalogueName(std::wstring(300, L'a').c_str(), buffer), kCatalogueNameMax);
    EXPECT_EQ(std::wstring(buffer, kCatalogueNameMax + 1), std::wstring(kCatalogueNameMax, L'a') + L"#");
    EXPECT_EQ(CopyCatalogueName(std::wstring(kCatalogueNameMax - 1, L'b').c_str(), buffer),
              kCatalogueNameMax - 1);
    EXPECT_EQ(std::wstring(buffer + kCatalogueNameMax - 2, 3), std::wstring(L"b\0#", 3));

    float values[4] = {1, 2, 3, 4};
    EXPECT_EQ(GetMaterialDefaults(11, values), 0);
    EXPECT_EQ(GetMaterialDefaults(kNone, values), 0);
    EXPECT_EQ(std::vector<float>(values, values + 4), (std::vector<float>{1, 2, 3, 4}));
    EXPECT_EQ(GetMaterialDefaults(0, nullptr), 0);
}

TEST(Catalogue, DefaultComposition) {
    MatCompoEntry entries[kElementCount];
    const auto all = [&entries] { return std::vector<MatCompoEntry>(entries, entries + kElementCount); };
    std::fill(entries, entries + kElementCount, MatCompoEntry{1, 1, 42.5f});
    // Out of range changes nothing, not even an earlier composition.
    GetDefaultComposition(11, entries);
    GetDefaultComposition(static_cast<uint32_t>(-1), entries);
    EXPECT_EQ(all(), std::vector<MatCompoEntry>(kElementCount, MatCompoEntry{1, 1, 42.5f}));

    // Each family after another: the earlier one is cleared.
    for (uint32_t family = 0; family < kMaterialTypeCount; ++family) {
        std::vector<MatCompoEntry> expected(kElementCount);
        const std::vector<int> row = Composition(family);
        for (size_t k = 0; k < row.size(); ++k)
            expected[static_cast<size_t>(row[k])] = MatCompoEntry{k == 0 ? 1 : 0, 1, 0.0f};
        GetDefaultComposition(family, entries);
        EXPECT_EQ(all(), expected) << family;
    }
}
