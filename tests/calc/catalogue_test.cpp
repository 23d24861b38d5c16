// The catalogue as text against a golden transcription of its lists, out-of-range indexes included.
#include <algorithm>
#include <cwchar>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "calc/catalogue.h"
#include "framework/utf.h"
#include "support/testfiles.h"

namespace {

// A name as an accessor copies it into a buffer of '#': zeros after it up to the bound and the cell after
// the bound untouched; the whole buffer untouched when there is none.
std::wstring Name(int (*accessor)(uint32_t, wchar_t*), uint32_t index) {
    wchar_t buffer[kCatalogueNameMax + 1];
    std::wmemset(buffer, L'#', kCatalogueNameMax + 1);
    const auto n = static_cast<size_t>(accessor(index, buffer));
    const std::wstring rest =
        n ? std::wstring(kCatalogueNameMax - n, L'\0') + L"#" : std::wstring(kCatalogueNameMax + 1, L'#');
    EXPECT_EQ(std::wstring(buffer + n, kCatalogueNameMax + 1 - n), rest) << index;
    return std::wstring(buffer, n);
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
        float values[4] = {1, 2, 3, 4};
        out << "family " << i << " [" << WideToUtf8(Name(GetMaterialTypeName, i)) << "] "
            << GetMaterialDefaults(i, values) << ' ' << values[0] << ' ' << values[1] << ' ' << values[2]
            << ' ' << values[3] << " offered " << IsMaterialTypeOffered(i) << "\n elements";
        GetDefaultComposition(i, entries);
        for (uint32_t k = 0; k < kElementCount; ++k) {
            const MatCompoEntry& e = entries[k];
            if (!e.present && !e.base && e.compo == 0)
                continue;
            out << ' ' << (e.base ? "*" : "") << WideToUtf8(Name(GetElementName, k));
            if (e.present != 1 || e.compo != 0)
                out << '=' << e.compo << '/' << e.present;
        }
        out << "\n phases";
        for (uint32_t k = 0; i < kMaterialTypeCount && k < kPhaseCount && FamilyPhaseTable[i][k] != -1; ++k)
            out << ' ' << FamilyPhaseTable[i][k];
        out << '\n';
    }
    for (uint32_t i = 0; i < 4; ++i)
        out << "graphite " << i << " [" << WideToUtf8(Name(GetGraphiteTypeName, i)) << "]\n";
    for (uint32_t i = 0; i <= kElementCount; ++i)
        out << "element " << i << " [" << WideToUtf8(Name(GetElementName, i)) << "]\n";
    // -1, as the unsigned index, is out of range too.
    const uint32_t none = static_cast<uint32_t>(-1);
    float values[4] = {1, 2, 3, 4};
    out << "none ["
        << WideToUtf8(Name(GetMaterialTypeName, none) + Name(GetGraphiteTypeName, none) +
                      Name(GetElementName, none))
        << "] " << GetMaterialDefaults(none, values) << ' ' << values[0] << ' ' << values[3] << '\n';
    for (uint32_t i = 0; i < kPhaseCount; ++i)
        out << "phase " << i << " [" << WideToUtf8(PhaseTable[i]) << "]\n";
    EXPECT_EQ(out.str(), Golden("calc/golden/catalogue.txt"));
}
