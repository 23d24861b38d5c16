// The alloy model: liquidus from linear slopes, solidification path by Scheil's law, and the physical
// properties mixed from the element data by the fraction liquid. engine/README.md derives it.
#pragma once

#include <string>

#include "engine/enginedata.h"
#include "xml/matcondition.h"

// Every property at one temperature, in the units of the result file. Liquid properties are NaN where
// no liquid is left.
struct PropertyRow {
    double celsius = 0;
    double fractionLiquid = 0;
    double densityLiquid = 0; // g/cm3
    double density = 0;
    double molarVolumeLiquid = 0; // cm3/mol
    double molarVolume = 0;
    double specificHeat = 0;    // J/(g K)
    double enthalpy = 0;        // J/g from 25 C
    double latentHeat = 0;      // J/g released so far
    double conductivity = 0;    // W/(m K)
    double viscosityLiquid = 0; // mPa s
    double viscosity = 0;
    double young = 0; // GPa
    double poisson = 0;
    double bulk = 0;
    double shear = 0;
};

class CAlloyModel {
public:
    // Mass fractions per catalogue element (summing to 1), the family's data, the element data and the
    // fraction limit below which the last liquid solidifies at once. Returns false with a reason when
    // an element with a share has no data.
    bool Setup(const double (&massFraction)[kElementCount], const FamilyData& family,
               const ElementSet& elements, double fractionLimit, std::wstring& reason);

    double Liquidus() const { return m_liquidus; } // K
    double Solidus() const { return m_solidus; }   // K: the last liquid is gone at and below it
    double LatentHeat() const { return m_latentHeat; }

    double FractionLiquid(double kelvin) const;
    PropertyRow Evaluate(double kelvin) const;

private:
    // Temperature on Scheil's path where the fraction liquid is `fraction` (0 < fraction <= 1) of the
    // liquid left when the base's primary phase begins to form.
    double ScheilTemperature(double fraction) const;
    // Specific volume of the solid at `kelvin`, cm3/g: in the mush with every solute dissolved.
    double SolidVolume(double kelvin, bool mush) const;

    double m_baseMelting = 0;
    double m_liquidus = 0;
    double m_solidus = 0;
    double m_depression = 0; // K, of the solutes that enrich the liquid
    double m_partition = 0;  // their weighted partition coefficient
    // Where the base's primary phase begins (the liquidus, or below another primary phase's branch)
    // and the fraction liquid left there.
    double m_scheilTop = 0;
    double m_scheilFraction = 1;
    // Another primary phase first (pure element, lever rule): its content c0 in wt% and the slope of
    // its branch, K per wt%; none when the slope is 0.
    double m_branchContent = 0;
    double m_branchSlope = 0;
    double m_expansionRise = 0; // of the solid's expansion towards the base's melting point
    double m_scattering = 0;    // the dissolved solutes' resistivity over the mix's ideal one at 25 C
    double m_residual = 0;      // the solid's residual resistivity in the same units; infinite at the plateau
    double m_plateau = 0;       // the saturation resistivity in the same units
    double m_tcLattice = 0;     // the solid's lattice conductivity at 25 C, W/(m K)
    double m_molarMass = 0;
    double m_solidVolume = 0;  // cm3/g at 25 C
    double m_mushVolume = 0;   // cm3/g at 25 C with every solute dissolved
    double m_liquidVolume = 0; // cm3/g at the base's melting point
    double m_expansion = 0;
    double m_cpSolid = 0;
    double m_cpLiquid = 0;
    double m_latentHeat = 0;
    double m_tcSolid = 0;
    double m_tcLiquid = 0;
    double m_viscosity = 0;
    double m_activation = 0;
    double m_young = 0;
    double m_poisson = 0;
};

// Constants of the model, shared with its tests.
inline constexpr double kRoomKelvin = 298.15;
inline constexpr double kLiquidExpansion = 1.0e-4; // 1/K, volumetric
inline constexpr double kMaxPacking = 0.64;        // solid fraction at which a slurry locks
// The solid's linear expansion rises from its 25 C value by this fraction of it at the base's melting
// point, linearly in temperature (engine/README.md: set with pure aluminium's shrinkage).
inline constexpr double kExpansionRise = 0.6;
// The most of an alloy's conductivity at 25 C taken as carried by phonons, W/(m K).
inline constexpr double kLatticeConductivity = 5.0;
// The Wiedemann-Franz law's Lorenz number, W Ohm/K2, and the resistivity, Ohm m, at which concentrated
// transition-metal alloys stop growing more resistive with temperature (Mooij's plateau; set with
// Ti-6Al-4V, engine/README.md).
inline constexpr double kLorenz = 2.443e-8;
inline constexpr double kSaturationResistivity = 1.70e-6;
