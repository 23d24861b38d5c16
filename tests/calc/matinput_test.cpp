// The input rules the dialog and the command-line tool share: row order, the balance summed in single
// precision, the carbon equivalent, temperatures and file names.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "calc/catalogue.h"
#include "calc/matinput.h"

namespace {

struct Entry {
    int32_t element;
    int32_t base;
    float compo;
};

std::vector<MatCompoEntry> Entries(std::initializer_list<Entry> given) {
    std::vector<MatCompoEntry> entries(kMatElementCount);
    for (const Entry& e : given)
        entries[static_cast<size_t>(e.element)] = MatCompoEntry{e.base, 1, e.compo};
    return entries;
}

TEST(CompositionRows, BaseFirstThenAscendingIndexWhateverTheBasesAndAbsences) {
    struct Case {
        const char* what;
        std::vector<MatCompoEntry> entries;
        std::vector<int32_t> rows;
    };
    std::vector<MatCompoEntry> absent = Entries({{5, 1, 0}, {20, 0, 0}, {12, 0, 0}});
    absent[12].present = 0;
    const Case cases[] = {
        {"base in the middle", Entries({{20, 0, 0}, {5, 1, 0}, {0, 0, 0}, {29, 0, 0}}), {5, 0, 20, 29}},
        {"no base: the lowest index takes the balance", Entries({{29, 0, 0}, {8, 0, 0}}), {8, 29}},
        {"two bases: the later one is met last and goes to the front",
         Entries({{3, 1, 0}, {7, 1, 0}, {1, 0, 0}}),
         {7, 3, 1}},
        {"an entry not present is no row", absent, {5, 20}},
        {"nothing present", Entries({}), {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CompositionRows(c.entries.data()), c.rows) << c.what;

    // The family defaults as the dialog shows them: the base element, then the others by index.
    MatCondition rec;
    GetDefaultComposition(kCastIronFamily, rec.compositions);
    const std::vector<int32_t> rows = CompositionRows(rec.compositions);
    ASSERT_EQ(rows.size(), 17u);
    EXPECT_EQ(rows.front(), 5); // Fe
    EXPECT_TRUE(std::is_sorted(rows.begin() + 1, rows.end()));
}

TEST(CompositionSum, SumsEveryRowButTheFirstInSinglePrecisionAndInRowOrder) {
    // 100 - (0.1 + 33.3 + 3.3) summed in single precision is 63.3000031; in double and rounded once it
    // would be 63.2999992.
    const auto entries = Entries({{0, 1, 55.0f}, {1, 0, 0.1f}, {2, 0, 33.3f}, {3, 0, 3.3f}});
    const CompositionSum sum = SumComposition(entries.data(), CompositionRows(entries.data()));
    EXPECT_EQ(sum.Balance(), 63.3000031f);
    EXPECT_NE(sum.Balance(), static_cast<float>(100.0 - (0.1f + static_cast<double>(33.3f) + 3.3f)));
    // The balance row's own value never counts.
    EXPECT_EQ(SumComposition(entries.data(), {}).others, 0.0f);
    EXPECT_EQ(SumComposition(entries.data(), {0}).others, 0.0f);
}

TEST(CompositionSum, CarbonEquivalentTakesCMnSiAndPOnlyFromTheBalancedRows) {
    auto entries =
        Entries({{5, 1, 0}, {20, 0, 3.5f}, {12, 0, 2.4f}, {29, 0, 0.03f}, {8, 0, 0.3f}, {3, 0, 9.0f}});
    const CompositionSum sum = SumComposition(entries.data(), CompositionRows(entries.data()));
    EXPECT_EQ(sum.carbon, 3.5f);
    EXPECT_EQ(sum.silicon, 2.4f);
    EXPECT_EQ(sum.phosphorus, 0.03f);
    EXPECT_EQ(sum.manganese, 0.3f);
    const float c = 3.5f, si = 2.4f, p = 0.03f, mn = 0.3f;
    EXPECT_EQ(sum.CarbonEquivalent(), c + (si + p) / 3.0f + mn / 6.0f);
    EXPECT_NEAR(sum.CarbonEquivalent(), 4.36f, 1e-6f);

    // Silicon as the balance row is not among the summed rows: its value is no part of the equivalent.
    entries[5].base = 0;
    entries[12].base = 1;
    const CompositionSum siliconBase = SumComposition(entries.data(), CompositionRows(entries.data()));
    EXPECT_EQ(siliconBase.silicon, 0.0f);
    EXPECT_EQ(siliconBase.carbon, 3.5f);
}

TEST(CompositionSum, BalanceIsAcceptableAboveZeroUpToAHundred) {
    for (const float value : {0.0f, -0.001f, 100.001f, -100.0f})
        EXPECT_FALSE(IsBalanceAcceptable(value)) << value;
    for (const float value : {100.0f, 0.001f, 50.0f})
        EXPECT_TRUE(IsBalanceAcceptable(value)) << value;
}

TEST(Temperatures, CelsiusIsReadInSinglePrecisionAndShownAfterASinglePrecisionSubtraction) {
    EXPECT_EQ(KelvinFromCelsius(700.0), 973.15f);
    EXPECT_EQ(CelsiusFromKelvin(973.15f), 700.0);
    EXPECT_EQ(CelsiusFromKelvin(300.15f), static_cast<double>(300.15f - 273.15f));
    EXPECT_NE(CelsiusFromKelvin(300.15f), static_cast<double>(300.15f) - 273.15);
}

TEST(FileNames, ExtensionOfTheNameOnlyAndTheDefaultAppendedToANameWithoutOne) {
    struct Case {
        const wchar_t* path;
        const wchar_t* extension;
        const wchar_t* withDefault;
    };
    const Case cases[] = {
        {L"C:\\data\\alloy", L"", L"C:\\data\\alloy.vjp"},
        {L"C:\\data.old\\alloy", L"", L"C:\\data.old\\alloy.vjp"},
        {L"/tmp/x.y/alloy", L"", L"/tmp/x.y/alloy.vjp"},
        {L"C:\\data\\alloy.vjp", L".vjp", L"C:\\data\\alloy.vjp"},
        {L"C:\\data\\alloy.xml", L".xml", L"C:\\data\\alloy.xml"},
        {L"C:\\data\\x.DAT", L".DAT", L"C:\\data\\x.DAT"},
        {L"a.dat.out", L".out", L"a.dat.out"},
        {L"alloy", L"", L"alloy.vjp"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileExtension(c.path), c.extension);
        EXPECT_EQ(WithDefaultExtension(c.path, L".vjp"), c.withDefault);
    }
}

} // namespace
