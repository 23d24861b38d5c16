// The engine against the published values of engine/validation/published.json: every value within its
// tolerance, or a miss the table lists with its reason, and no listed miss that passes; the table's
// preset alloys are the presets; the table in engine/README.md is the one the validation prints, and
// its composition ranges those of the family descriptions.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "calc/catalogue.h"
#include "engine/validation/validation.h"
#include "framework/utf.h"

namespace {

const std::filesystem::path kSource = std::filesystem::path(KESTRUM_SOURCE_DIR);
const std::wstring kDataDir = (kSource / "dbdata" / "").wstring();

std::vector<validation::Alloy> Table() {
    std::vector<validation::Alloy> alloys;
    std::string error;
    EXPECT_TRUE(validation::LoadTable((kSource / "engine" / "validation" / "published.json").wstring(),
                                      alloys, error))
        << error;
    return alloys;
}

} // namespace

TEST(ValidationTest, EveryPublishedValueIsWithinItsToleranceOrAListedMiss) {
    const std::vector<validation::Alloy> alloys = Table();
    ASSERT_GE(alloys.size(), 10u);
    std::vector<std::string> failures;
    const std::vector<validation::Result> results = validation::ValidateAll(alloys, kDataDir, failures);
    EXPECT_TRUE(failures.empty()) << failures.front();
    size_t values = 0;
    for (const validation::Alloy& alloy : alloys)
        values += alloy.values.size();
    ASSERT_EQ(values, results.size());
    for (const validation::Result& result : results) {
        EXPECT_FALSE(validation::Failed(result.outcome))
            << result.alloy->id << ' ' << result.published->property << ": published "
            << result.published->value << ", model " << result.model << ": "
            << validation::OutcomeText(result.outcome);
    }
#ifndef _WIN32
    // The generated table in engine/README.md is the current one (natively: another C library may
    // round a last digit differently).
    std::ifstream readme{kSource / "engine" / "README.md", std::ios::binary};
    std::string text((std::istreambuf_iterator<char>(readme)), std::istreambuf_iterator<char>());
    std::string regenerated = text;
    ASSERT_TRUE(validation::ReplaceSection(regenerated, validation::FormatMarkdown(results)));
    EXPECT_TRUE(regenerated == text) << "engine/README.md's validation table is out of date: run "
                                        "kestrumprops validate --readme engine/README.md";
    // So are the family descriptions' composition ranges.
    std::string ranges = text;
    ASSERT_TRUE(validation::ReplaceSection(ranges, validation::FormatRanges(), validation::kRangesStart,
                                           validation::kRangesEnd));
    EXPECT_TRUE(ranges == text) << "engine/README.md's composition ranges are out of date; they read:\n"
                                << validation::FormatRanges();
#endif
}

// An alloy that stands for a preset has the preset's family, graphite type and composition.
TEST(ValidationTest, PresetAlloysAreThePresets) {
    for (const validation::Alloy& alloy : Table()) {
        if (alloy.preset.empty())
            continue;
        SCOPED_TRACE(alloy.id);
        MatCondition preset;
        ASSERT_EQ(
            1, LoadMatCondition((std::filesystem::path(KESTRUM_PRESET_DIR) / alloy.preset).wstring().c_str(),
                                &preset)
                   .status);
        EXPECT_EQ(preset.materialType, alloy.rec.materialType);
        EXPECT_EQ(preset.graphiteType, alloy.rec.graphiteType);
        for (uint32_t k = 0; k < kElementCount; ++k) {
            const float expected = preset.compositions[k].present ? preset.compositions[k].compo : 0.0f;
            const float actual = alloy.rec.compositions[k].present ? alloy.rec.compositions[k].compo : 0.0f;
            EXPECT_NEAR(expected, actual, 1e-3) << WideToUtf8(ElementTable[k]);
        }
    }
}

// A listed miss that passes fails, as does a miss without a reason; the section markers are found.
TEST(ValidationTest, OutcomesAndTheReadmeSection) {
    validation::Alloy alloy;
    validation::PublishedValue value;
    value.property = "liquidus";
    value.value = 600.0;
    value.source = "test";
    CMatProps set;
    set.m_series.push_back(CMatPropData());
    set.m_series[0].m_dataType = JDT_LIQUIDUS;
    set.m_series[0].m_points.push_back(GraphPoint{610.0f, 0.99f});
    EXPECT_EQ(validation::Outcome::Pass, validation::Compare(alloy, value, set).outcome);
    value.value = 630;
    EXPECT_EQ(validation::Outcome::Miss, validation::Compare(alloy, value, set).outcome);
    value.miss = "a reason";
    EXPECT_EQ(validation::Outcome::ListedMiss, validation::Compare(alloy, value, set).outcome);
    value.value = 612;
    EXPECT_EQ(validation::Outcome::StaleMiss, validation::Compare(alloy, value, set).outcome);
    value.property = "solidus";
    EXPECT_EQ(validation::Outcome::NoModelValue, validation::Compare(alloy, value, set).outcome);

    std::string text =
        std::string("a\n") + validation::kSectionStart + "\nold\n" + validation::kSectionEnd + "\nb\n";
    ASSERT_TRUE(validation::ReplaceSection(text, "new\n"));
    EXPECT_EQ(std::string("a\n") + validation::kSectionStart + "\nnew\n" + validation::kSectionEnd + "\nb\n",
              text);
    std::string none = "nothing";
    EXPECT_FALSE(validation::ReplaceSection(none, "new\n"));
}

// The engine's rows at the liquidus and the end of solidification make the derived values independent of
// the step: A356 and pure aluminium with steps of 5, 1.3 and 0.7 K.
TEST(ValidationTest, DerivedValuesDoNotDependOnTheStep) {
    for (const validation::Alloy& table : Table()) {
        if (table.id != "a356" && table.id != "al99.99")
            continue;
        SCOPED_TRACE(table.id);
        float first[3] = {};
        for (const float step : {-5.0f, -1.3f, -0.7f}) {
            validation::Alloy alloy = table;
            alloy.rec.tempStep = step;
            alloy.rec.tempEnd = 773.15f;
            CMatProps set;
            std::string failure;
            ASSERT_TRUE(validation::Calculate(alloy, kDataDir, set, failure)) << failure;
            const float values[3] = {FindSeries(set, JDT_SOLIDUS)->m_points.at(0).x,
                                     FindSeries(set, JDT_LIQUIDUS)->m_points.at(0).x,
                                     FindSeries(set, JDT_SHRINKAGE)->m_points.at(0).y};
            if (step == -5.0f)
                std::copy(std::begin(values), std::end(values), std::begin(first));
            EXPECT_NEAR(first[0], values[0], 0.02) << step;
            EXPECT_NEAR(first[1], values[1], 0.02) << step;
            EXPECT_NEAR(first[2], values[2], 0.01) << step;
        }
    }
}
