// The catalogue as text against a golden transcription of its lists, and the accessors' edge behaviour.
#include <algorithm>
#include <cwchar>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "calc/catalogue.h"
#include "support/testfiles.h"

namespace {

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

std::wstring Name(int (*accessor)(uint32_t, wchar_t*), uint32_t index) {
    wchar_t buffer[260];
    const int n = accessor(index, buffer);
    return n > 0 ? std::wstring(buffer, static_cast<size_t>(n)) : std::wstring();
}

} // namespace

// Names in brackets, so that trailing blanks and quotes show. The default compositions in element order,
// the base marked "*", each filled into the entries the family before left (the first into garbage), so
// that an entry not cleared, or one out of range that changes anything, shows.
TEST(Catalogue, ListsAsTheGoldenFileHasThem) {
    std::ostringstream out;
    MatCompoEntry entries[kElementCount];
    std::fill(entries, entries + kElementCount, MatCompoEntry{1, 1, 42.5f});
    for (uint32_t i = 0; i <= kMaterialTypeCount; ++i) {
        float values[4] = {};
        out << "family " << i << " [" << Narrow(Name(GetMaterialTypeName, i)) << "] "
            << GetMaterialDefaults(i, values) << ' ' << values[0] << ' ' << values[1] << ' ' << values[2]
            << ' ' << values[3] << " offered " << IsMaterialTypeOffered(i) << "\n elements";
        GetDefaultComposition(i, entries);
        for (uint32_t k = 0; k < kElementCount; ++k) {
            const MatCompoEntry& e = entries[k];
            if (!e.present && !e.base && e.compo == 0)
                continue;
            out << ' ' << (e.base ? "*" : "") << Narrow(Name(GetElementName, k));
            if (e.present != 1 || e.compo != 0)
                out << '=' << e.compo << '/' << e.present;
        }
        out << "\n phases";
        for (uint32_t k = 0; i < kMaterialTypeCount && k < kPhaseCount && FamilyPhaseTable[i][k] != -1; ++k)
            out << ' ' << FamilyPhaseTable[i][k];
        out << '\n';
    }
    for (uint32_t i = 0; i < 4; ++i)
        out << "graphite " << i << " [" << Narrow(Name(GetGraphiteTypeName, i)) << "]\n";
    for (uint32_t i = 0; i < kElementCount; ++i)
        out << "element " << i << " [" << Narrow(Name(GetElementName, i)) << "]\n";
    for (uint32_t i = 0; i < kPhaseCount; ++i)
        out << "phase " << i << " [" << Narrow(PhaseTable[i]) << "]\n";
    EXPECT_EQ(out.str(), Golden("calc/golden/catalogue.txt"));
}

TEST(Catalogue, AccessorEdges) {
    constexpr uint32_t kNone = static_cast<uint32_t>(-1);
    wchar_t buffer[262];
    std::wmemset(buffer, L'#', 262);
    // Out of range (-1 too, as the unsigned index): 0, buffer untouched.
    for (int (*accessor)(uint32_t, wchar_t*) : {GetMaterialTypeName, GetGraphiteTypeName, GetElementName})
        EXPECT_EQ(accessor(kNone, buffer), 0);
    EXPECT_EQ(GetMaterialTypeName(11, buffer), 0);
    EXPECT_EQ(GetElementName(43, buffer), 0);
    EXPECT_EQ(buffer[0], L'#');
    // The copy fills zeros up to the bound and never writes the cell after it.
    EXPECT_EQ(GetElementName(42, buffer), 2);
    EXPECT_EQ(std::wstring(buffer, kCatalogueNameMax + 1),
              L"Sb" + std::wstring(kCatalogueNameMax - 2, L'\0') + L"#");

    float values[4] = {1, 2, 3, 4};
    EXPECT_EQ(GetMaterialDefaults(11, values), 0);
    EXPECT_EQ(GetMaterialDefaults(kNone, values), 0);
    EXPECT_EQ(std::vector<float>(values, values + 4), (std::vector<float>{1, 2, 3, 4}));
    EXPECT_EQ(GetMaterialDefaults(0, nullptr), 0);
}
