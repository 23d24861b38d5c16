// The input rules the dialog and the command-line tool share: row order, the balance summed in single
// precision, the carbon equivalent, temperatures and file names.
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "calc/matinput.h"

namespace {

// A record's entries from (element, base, percent), each of them present.
std::vector<MatCompoEntry> Entries(std::initializer_list<std::tuple<size_t, int32_t, float>> given) {
    std::vector<MatCompoEntry> entries(kMatElementCount);
    for (const auto& [element, base, compo] : given)
        entries[element] = MatCompoEntry{base, 1, compo};
    return entries;
}

CompositionSum Sum(const std::vector<MatCompoEntry>& entries) {
    return SumComposition(entries.data(), CompositionRows(entries.data()));
}

TEST(CompositionSum, BalanceIsSummedInSinglePrecisionAndTheEquivalentSkipsTheBalanceRow) {
    // Each base goes to the front when it is met; the other rows follow in ascending index.
    EXPECT_EQ(CompositionRows(Entries({{20, 0, 0}, {3, 1, 0}, {7, 1, 0}, {1, 0, 0}}).data()),
              (std::vector<int32_t>{7, 3, 1, 20}));
    // 100 - (0.1 + 33.3 + 3.3) summed in single precision is 63.3000031; summed in double, 63.2999992.
    const auto entries = Entries({{0, 1, 55.0f}, {1, 0, 0.1f}, {2, 0, 33.3f}, {3, 0, 3.3f}});
    EXPECT_EQ(Sum(entries).Balance(), 63.3000031f);

    auto iron =
        Entries({{5, 1, 0}, {20, 0, 3.5f}, {12, 0, 2.4f}, {29, 0, 0.03f}, {8, 0, 0.3f}, {3, 0, 9.0f}});
    EXPECT_EQ(Sum(iron).CarbonEquivalent(), 3.5f + (2.4f + 0.03f) / 3.0f + 0.3f / 6.0f);
    iron[5].base = 0;
    iron[12].base = 1; // silicon balances now: it is no part of the equivalent
    EXPECT_EQ(Sum(iron).CarbonEquivalent(), 3.5f + 0.03f / 3.0f + 0.3f / 6.0f);

    for (const float bad : {0.0f, -0.001f, 100.001f})
        EXPECT_FALSE(IsBalanceAcceptable(bad)) << bad;
    EXPECT_TRUE(IsBalanceAcceptable(100.0f) && IsBalanceAcceptable(0.001f));
}

// 300.15f - 273.15f is 27 exactly; in double it would be 26.9999939.
TEST(Temperatures, ShownAfterASinglePrecisionSubtraction) {
    EXPECT_EQ(std::make_pair(CelsiusFromKelvin(300.15f), KelvinFromCelsius(700.0)),
              std::make_pair(27.0, 973.15f));
}

TEST(FileNames, TheDefaultExtensionGoesOnlyToANameWithoutOne) {
    // The path and its extension; a path without one gets ".vjp".
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"C:\\data.old\\alloy", L""}, {L"/tmp/x.y/alloy", L""}, {L"a.dat.out", L".out"}};
    for (const auto& [path, extension] : cases) {
        EXPECT_EQ(FileExtension(path), extension);
        EXPECT_EQ(WithDefaultExtension(path, L".vjp"), std::wstring(path) + (*extension ? L"" : L".vjp"));
    }
}

} // namespace
