// The alloy model against closed forms on a made-up binary, and on the shipped data against the
// handbook table of engine/README.md, read from the presets, with its invariants.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "engine/enginedata.h"
#include "engine/model.h"

namespace {

const std::wstring kDataDir = std::filesystem::path(KESTRUM_DBDATA_DIR).wstring() + L"/";

// Base Al melting at 1000 K with Si (-5 K/%) and Ti (+30 K/%) at the given percentages: liquidus
// 1000 + slope * percent.
CAlloyModel Binary(double silicon = 10.0, double titanium = 0.0, double fractionLimit = 0.0) {
    ElementSet elements;
    for (const int k : {0, 12, 15})
        elements.element[k] =
            ElementData{true, 30, 1000, 3.0, 2.7, 20e-6, 0.9, 1.1, 400, 200, 90, 1.0, 15000, 70, 0.33};
    FamilyData family;
    family.base = 0;
    family.terminal = 700.0;
    family.solutes = {{12, -5.0, 0.2, 0.1}, {15, 30.0, 8.0, 0.5}};
    double fraction[kElementCount] = {};
    fraction[0] = 1 - (silicon + titanium) / 100;
    fraction[12] = silicon / 100;
    fraction[15] = titanium / 100;
    CAlloyModel model;
    std::wstring reason;
    EXPECT_TRUE(model.Setup(fraction, family, elements, fractionLimit, reason));
    return model;
}

} // namespace

TEST(ModelTest, ScheilPathFollowsTheClosedForm) {
    // Liquidus 950 K; below it f = ((1000 - T) / 50)^(1 / (k - 1)); latent heat released (1 - f) L.
    const CAlloyModel model = Binary();
    EXPECT_DOUBLE_EQ(950.0, model.Liquidus());
    EXPECT_DOUBLE_EQ(700.0, model.Solidus());
    for (const double t : {949.0, 900.0, 701.0})
        EXPECT_NEAR(std::pow((1000.0 - t) / 50.0, -1.25), model.FractionLiquid(t), 1e-12) << t;
    // The heat of fusion moved from the elements' melting point to the liquidus by Kirchhoff's law:
    // 400 - (1.1 - 0.9) 50 J/g.
    EXPECT_NEAR((1 - model.FractionLiquid(900.0)) * 390.0, model.Evaluate(900.0).latentHeat, 1e-9);
    const PropertyRow warm = model.Evaluate(500.0);
    EXPECT_NEAR(warm.young / (3 * (1 - 2 * warm.poisson)), warm.bulk, 1e-9);
    EXPECT_NEAR(warm.young / (2 * (1 + warm.poisson)), warm.shear, 1e-9);
    // Solid at the terminal temperature and a hair above it (single-precision rows).
    EXPECT_EQ(0.0, model.FractionLiquid(700.0 + 5e-4));
    EXPECT_GT(model.FractionLiquid(700.0 + 5e-2), 0.0);

    // The fraction limit ends the path where f reaches it, unless the terminal temperature is higher.
    EXPECT_NEAR(1000.0 - 50.0 * std::pow(0.3, -0.8), Binary(10.0, 0.0, 0.3).Solidus(), 1e-9);
    EXPECT_DOUBLE_EQ(700.0, Binary(10.0, 0.0, 1e-6).Solidus());

    // A raising solute (0.1 % Ti at +30 K/%) moves the liquidus by 3 K but leaves the path's shape.
    const CAlloyModel raised = Binary(10.0, 0.1);
    EXPECT_NEAR(953.0, raised.Liquidus(), 1e-9);
    EXPECT_NEAR(std::pow(2.0, -1.25), raised.FractionLiquid(903.0), 1e-12);
    // With only raising solutes the alloy freezes at its liquidus.
    const CAlloyModel isothermal = Binary(0.0, 0.1);
    EXPECT_DOUBLE_EQ(isothermal.Liquidus(), isothermal.Solidus());
    EXPECT_EQ(1.0, isothermal.FractionLiquid(isothermal.Liquidus() + 0.01));
}

// The shipped data: every element known, a data file for exactly the offered families, and the handbook
// table over presets of every offered family: liquidus within 20 K, solidus within 40 K, inside the
// preset's range. In 1 K steps on cooling the liquid never comes back, heat only leaves, the alloy only
// contracts; liquid values vanish at the solidus.
TEST(ModelTest, PresetsMatchTheirHandbookTemperaturesAndKeepTheInvariants) {
    ElementSet elements;
    DataError error;
    ASSERT_TRUE(LoadElementFile(kDataDir + kElementFileName, elements, error))
        << std::filesystem::path(error.Describe());
    for (uint32_t k = 0; k < kElementCount; ++k)
        EXPECT_TRUE(elements.element[k].known) << k;
    for (uint32_t family = 0; family < kMaterialTypeCount; ++family)
        EXPECT_EQ(IsMaterialTypeOffered(family) == 1, FamilyFileName(static_cast<int>(family)) != nullptr);
    // The preset and its handbook liquidus and solidus in degrees Celsius.
    const std::tuple<const char*, double, double> cases[] = {
        {"alsi7mg0.3.vjp", 615, 555},
        {"az91.vjp", 595, 470},
        {"grey-iron-gjl250.vjp", 1194, 1153},
        {"ductile-iron-gjs400.vjp", 1222, 1153},
        {"stellite6.vjp", 1410, 1285},
        {"in713c.vjp", 1290, 1260},
        {"in718.vjp", 1336, 1260},
        {"cmsx4.vjp", 1380, 1320},
        {"ti6al4v.vjp", 1660, 1604},
        {"sac305.vjp", 220, 217},
    };
    for (const auto& [file, liquidus, solidus] : cases) {
        SCOPED_TRACE(file);
        MatCondition rec;
        ASSERT_EQ(1,
                  LoadMatCondition((std::filesystem::path(KESTRUM_PRESET_DIR) / file).wstring().c_str(), &rec)
                      .status);
        const int family = rec.materialType;
        FamilyData data;
        ASSERT_TRUE(LoadFamilyFile(kDataDir + FamilyFileName(family), data, error))
            << std::filesystem::path(error.Describe());
        // The dialog's default elements all have data; the terminal temperature is given in Celsius, so
        // one meant as kelvin would lie above the family's start.
        EXPECT_EQ(DefaultCompositionTable[family][0], data.base);
        for (int i = 1; DefaultCompositionTable[family][i] >= 0; ++i)
            EXPECT_TRUE(data.Find(DefaultCompositionTable[family][i])) << i;
        EXPECT_LT(data.terminal, Families[family].tempStart);
        // A preset calculates without a range warning.
        for (const CompositionRange& range : Families[family].ranges) {
            const float amount =
                rec.compositions[range.element].present ? rec.compositions[range.element].compo : 0;
            EXPECT_TRUE(amount >= range.low - 1e-3f && amount <= range.high + 1e-3f) << range.element;
        }

        double fraction[kElementCount] = {};
        for (uint32_t k = 0; k < kElementCount; ++k)
            fraction[k] = rec.compositions[k].present ? rec.compositions[k].compo / 100.0 : 0.0;
        CAlloyModel model;
        std::wstring reason;
        ASSERT_TRUE(model.Setup(fraction, data, elements, rec.fractionLimit, reason));
        EXPECT_NEAR(liquidus, model.Liquidus() - 273.15, 20.0);
        EXPECT_NEAR(solidus, model.Solidus() - 273.15, 40.0);
        EXPECT_GT(rec.tempStart, model.Liquidus());
        EXPECT_LT(rec.tempEnd, model.Solidus());

        PropertyRow previous = model.Evaluate(model.Liquidus() + 200);
        for (double t = model.Liquidus() + 199; t >= kRoomKelvin; t -= 1.0) {
            const PropertyRow row = model.Evaluate(t);
            ASSERT_EQ(t >= model.Liquidus(), row.fractionLiquid == 1.0) << t;
            ASSERT_EQ(t <= model.Solidus(), row.fractionLiquid == 0.0) << t;
            ASSERT_EQ(t <= model.Solidus(), std::isnan(row.densityLiquid) && std::isnan(row.viscosity)) << t;
            ASSERT_FALSE(row.densityLiquid > row.density) << t;
            // A mush has no stiffness; the slurry is thicker than its liquid.
            ASSERT_TRUE(row.fractionLiquid == 0 || row.young + row.bulk + row.shear == 0) << t;
            ASSERT_FALSE(row.viscosity < row.viscosityLiquid) << t;
            ASSERT_LE(row.fractionLiquid, previous.fractionLiquid) << t;
            ASSERT_LT(row.enthalpy, previous.enthalpy) << t;
            // Cast iron expands as its graphite forms with the last liquid.
            ASSERT_TRUE(row.density >= previous.density ||
                        (family == kCastIronFamily && previous.fractionLiquid > 0 && row.fractionLiquid == 0))
                << t;
            ASSERT_GE(row.latentHeat, previous.latentHeat) << t;
            previous = row;
        }
        EXPECT_NEAR(model.LatentHeat(), previous.latentHeat, 1e-9);
    }
}

// Another primary phase: above the base's liquidus a branch of pure silicon (here 20 K per %, meeting
// the base's liquidus of -5 K per % at 12 % and 940 K) gives the liquidus and the lever rule's fraction
// down to the meeting point; a eutectic line ends the path; the solid's conductivity keeps its 25 C
// value there and rises towards the solidus; a solubility takes the excess out of the scattering.
TEST(ModelTest, PrimaryBranchEutecticLinesAndConductivity) {
    ElementSet elements;
    for (const int k : {0, 12})
        elements.element[k] =
            ElementData{true, 30, 1000, 3.0, 2.7, 20e-6, 0.9, 1.1, 400, 200, 90, 1.0, 15000, 70, 0.33};
    FamilyData family;
    family.base = 0;
    family.terminal = 700.0;
    family.solutes = {{12, -5.0, 0.2, 0.1}};
    family.branches = {{12, 700.0, {{12, 20.0}}}};
    family.terminals = {{850.0, {{12, 10.0}}}};
    double fraction[kElementCount] = {};
    fraction[0] = 0.85;
    fraction[12] = 0.15;
    CAlloyModel model;
    std::wstring reason;
    ASSERT_TRUE(model.Setup(fraction, family, elements, 0.0, reason));
    EXPECT_DOUBLE_EQ(1000.0, model.Liquidus());
    EXPECT_NEAR(1.0 - 1.5 / 86.5, model.FractionLiquid(970.0), 1e-12); // liquid at 13.5 % Si
    EXPECT_NEAR(1.0 - 3.0 / 88.0, model.FractionLiquid(940.0 + 1e-9), 1e-6);
    EXPECT_LT(model.FractionLiquid(930.0), 1.0 - 3.0 / 88.0);
    EXPECT_DOUBLE_EQ(850.0, model.Solidus()); // the eutectic line for 10 % Si and more
    // Scattering 0.1 per % of 15 %: k(25 C) = 200 / 2.5, rising with temperature in the solid.
    EXPECT_NEAR(80.0, model.Evaluate(kRoomKelvin).conductivity, 1e-9);
    EXPECT_GT(model.Evaluate(800.0).conductivity, 100.0);

    family.solutes[0].solubility = 5.0;
    ASSERT_TRUE(model.Setup(fraction, family, elements, 0.0, reason));
    EXPECT_NEAR(200.0 / 1.5, model.Evaluate(kRoomKelvin).conductivity, 1e-9);
}

// Every element of a family but its base has one range, whose limit lies where the family's data still
// hold: a primary-phase branch below its element's melting point, any other solute's liquidus, on its
// slope alone, above the family's lowest end of solidification.
TEST(ModelTest, CompositionRangesRestOnTheFamilyData) {
    ElementSet elements;
    DataError error;
    ASSERT_TRUE(LoadElementFile(kDataDir + kElementFileName, elements, error));
    for (uint32_t f = 0; f < kMaterialTypeCount; ++f) {
        const FamilyDescription& family = Families[f];
        if (!family.dataFile) {
            EXPECT_TRUE(family.ranges.empty());
            continue;
        }
        SCOPED_TRACE(std::filesystem::path(family.dataFile).string());
        FamilyData data;
        ASSERT_TRUE(LoadFamilyFile(kDataDir + family.dataFile, data, error));
        double lowest = data.terminal;
        for (const TerminalData& line : data.terminals)
            lowest = std::min(lowest, line.kelvin);
        const double window = elements.element[data.base].meltingPoint - lowest;
        EXPECT_EQ(family.elements.size() - 1, family.ranges.size());
        for (const int32_t element : family.elements.subspan(1)) {
            SCOPED_TRACE(element);
            const CompositionRange* range = family.FindRange(element);
            ASSERT_TRUE(range);
            EXPECT_TRUE(0 <= range->low && range->low <= range->high && range->high <= range->limit &&
                        range->limit <= 50);
            const SoluteData* solute = data.Find(element);
            ASSERT_TRUE(solute);
            const BranchData* branch = nullptr;
            for (const BranchData& candidate : data.branches)
                branch = candidate.primary == element ? &candidate : branch;
            if (!branch) {
                EXPECT_LE(std::fabs(solute->slope) * range->limit, window + 1e-6);
                continue;
            }
            double top = branch->reference;
            for (const auto& [symbol, slope] : branch->slopes)
                top += symbol == element ? slope * range->limit : 0;
            EXPECT_LT(top, elements.element[element].meltingPoint);
        }
    }
}
