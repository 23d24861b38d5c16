#include "engine/model.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kGasConstant = 8.314462618; // J/(mol K)
// Temperatures within this of the solidus count as at the solidus: row temperatures come from single
// precision fields, so a row meant to lie on a terminal temperature may miss it by a few 1e-5 K.
constexpr double kTemperatureTolerance = 1e-3;
constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

} // namespace

bool CAlloyModel::Setup(const double (&massFraction)[kElementCount], const FamilyData& family,
                        const ElementSet& elements, double fractionLimit, std::wstring& reason) {
    const ElementData& base = elements.element[family.base];
    if (!base.known) {
        reason =
            L"the element file has no row for the base element " + std::wstring(ElementTable[family.base]);
        return false;
    }
    double shift = 0; // liquidus shift of all solutes, K
    double depression = 0;
    double weightedPartition = 0;
    double inverseMolarMass = 0;
    double logViscosity = 0;
    double volumeYoung = 0; // sum of v_i E_i (Voigt) and v_i / E_i (Reuss) over the solid's volume
    double volumeCompliance = 0;
    double elasticVolume = 0;
    *this = CAlloyModel();
    m_baseMelting = base.meltingPoint;
    for (uint32_t k = 0; k < kElementCount; ++k) {
        const double w = massFraction[k];
        if (!(w > 0))
            continue;
        const ElementData& e = elements.element[k];
        if (!e.known) {
            reason = L"the element file has no row for " + std::wstring(ElementTable[k]);
            return false;
        }
        double solidVolume = w / e.solidDensity;
        double mushVolume = solidVolume; // in the solid that forms above the end of solidification
        double liquidVolume = w / e.liquidDensity;
        if (static_cast<int>(k) != family.base) {
            const SoluteData* solute = family.Find(static_cast<int>(k));
            if (!solute) {
                reason = L"the family's file has no solute row for " + std::wstring(ElementTable[k]);
                return false;
            }
            const double percent = 100.0 * w;
            const double contribution = solute->slope * percent;
            shift += contribution;
            // Only solutes that lower the liquidus are rejected into the liquid and set the path; a
            // solute that raises it (peritectic, k > 1) moves the liquidus only.
            if (contribution < 0) {
                depression += -contribution;
                weightedPartition += -contribution * solute->partition;
            }
            // Dissolved, the solute scatters electrons and takes its partial volume; beyond its
            // solubility it forms a phase of its own with the element's own density.
            const double dissolved =
                solute->solubility >= 0 ? std::min(percent, solute->solubility) : percent;
            m_scattering += solute->conductivityDrop * dissolved;
            if (solute->density > 0) {
                mushVolume = w / solute->density;
                solidVolume =
                    dissolved / 100.0 / solute->density + (percent - dissolved) / 100.0 / e.solidDensity;
            }
            if (solute->liquidDensity > 0 || solute->density > 0)
                liquidVolume = w / (solute->liquidDensity > 0 ? solute->liquidDensity : solute->density);
        }
        inverseMolarMass += w / e.molarMass;
        m_solidVolume += solidVolume;
        m_mushVolume += mushVolume;
        m_liquidVolume += liquidVolume;
        m_expansion += w * e.expansion;
        m_cpSolid += w * e.cpSolid;
        m_cpLiquid += w * e.cpLiquid;
        m_tcSolid += w * e.tcSolid;
        m_tcLiquid += w * e.tcLiquid;
        logViscosity += w * std::log(e.viscosity);
        m_activation += w * e.activation;
        // Interstitial and non-metallic solutes (no heat of fusion of their own) form no phase that
        // carries load.
        if (e.latentHeat > 0 || static_cast<int>(k) == family.base) {
            volumeYoung += w / e.solidDensity * e.young;
            volumeCompliance += w / e.solidDensity / e.young;
            elasticVolume += w / e.solidDensity;
        }
        m_poisson += w * e.poisson;
    }
    m_molarMass = 1.0 / inverseMolarMass;
    m_viscosity = std::exp(logViscosity);
    // Young's modulus: Hill's mean of the Voigt and Reuss bounds over the elements' volume fractions.
    m_young = 0.5 * (volumeYoung / elasticVolume + elasticVolume / volumeCompliance);
    // Resistivities are taken in units of the mix's ideal one at 25 C, L 298.15 K / k_mix (Wiedemann-Franz);
    // in these units the plateau where concentrated alloys' resistivity stops rising is:
    const double plateau = kSaturationResistivity * m_tcSolid / (kLorenz * kRoomKelvin);
    // The liquid: Matthiessen's rule, the dissolved solutes adding half as much as in the solid (the
    // liquid is already disordered), up to the plateau, unless the mix's own liquid lies above it.
    const double liquidPlateau = kSaturationResistivity * m_tcLiquid / (kLorenz * m_baseMelting);
    m_tcLiquid /= std::min(1.0 + 0.5 * m_scattering, std::max(liquidPlateau, 1.0));
    // The solid at 25 C conducts k_mix / (1 + D). Of that a lattice (phonon) part, at most half and at
    // most kLatticeConductivity, and at most what leaves the electrons the plateau's conduction, falls
    // as 1/T; the electrons' resistivity is the mix's ideal one growing as T plus a residual one, in
    // parallel with the plateau (Wiesmann et al.), the residual set so that 25 C keeps its value. An
    // alloy at the plateau keeps its resistivity: its conductivity grows as T.
    const double room = m_tcSolid / (1.0 + m_scattering);
    m_tcLattice = std::clamp(room - kLorenz * kRoomKelvin / kSaturationResistivity, 0.0,
                             std::min(0.5 * room, kLatticeConductivity));
    const double resistivity = m_tcSolid / (room - m_tcLattice);
    m_plateau = std::max(plateau, resistivity);
    m_residual = resistivity < plateau ? resistivity * plateau / (plateau - resistivity) - 1.0
                                       : std::numeric_limits<double>::infinity();
    m_expansionRise = kExpansionRise;

    const double baseLiquidus = m_baseMelting + shift;
    m_liquidus = baseLiquidus;
    m_scheilTop = baseLiquidus;
    // Another primary phase: its liquidus branch, where it lies above the base's. The pure element
    // forms (lever rule) and depletes the liquid of it until the liquid reaches the base's liquidus.
    for (const BranchData& branch : family.branches) {
        double top = branch.reference;
        double slope = 0;
        for (const auto& [element, coefficient] : branch.slopes) {
            top += coefficient * 100.0 * massFraction[element];
            if (element == branch.primary)
                slope = coefficient;
        }
        const SoluteData* primary = family.Find(branch.primary);
        const double content = 100.0 * massFraction[branch.primary];
        if (!(top > m_liquidus) || !(slope > 0) || !primary || !(content > 0))
            continue;
        // Along the liquid's path only the primary element falls: T = top - slope dc on the branch and
        // baseLiquidus - m dc on the base's; they meet at dc.
        const double drop = std::min((top - baseLiquidus) / (slope - primary->slope), content);
        m_liquidus = top;
        m_branchContent = content;
        m_branchSlope = slope;
        m_scheilTop = top - slope * drop;
        const double left = content - drop;
        m_scheilFraction = 1.0 - drop / (100.0 - left);
    }
    m_depression = depression;
    // A weighted k of 1 or more would mean no segregation at all; the path then stays close to the
    // liquidus and ends at the terminal temperature.
    m_partition = depression > 0 ? std::clamp(weightedPartition / depression, 0.001, 0.999) : 0.5;
    // The last liquid freezes at the lowest eutectic whose solutes are all there, else at the family's.
    double terminal = family.terminal;
    for (const TerminalData& line : family.terminals) {
        bool applies = true;
        for (const auto& [element, minimum] : line.minimum)
            applies = applies && 100.0 * massFraction[element] >= minimum;
        if (applies && (terminal == family.terminal || line.kelvin < terminal))
            terminal = line.kelvin;
    }
    m_solidus = std::min(terminal, m_scheilTop);
    if (depression <= 0) {
        m_solidus = m_scheilTop; // a pure metal, or only peritectic solutes: isothermal
    } else if (fractionLimit > 0) {
        const double fraction = std::min(fractionLimit / m_scheilFraction, 1.0);
        m_solidus = std::clamp(ScheilTemperature(fraction), m_solidus, m_scheilTop);
    }

    // Latent heat: each element's heat of fusion moved from its melting point to the liquidus by
    // Kirchhoff's law, dL/dT = cp(liquid) - cp(solid), for the elements that melt above it.
    for (uint32_t k = 0; k < kElementCount; ++k) {
        const double w = massFraction[k];
        if (!(w > 0))
            continue;
        const ElementData& e = elements.element[k];
        const double below = std::max(e.meltingPoint - m_liquidus, 0.0);
        m_latentHeat += w * std::max(e.latentHeat - (e.cpLiquid - e.cpSolid) * below, 0.0);
    }
    return true;
}

double CAlloyModel::ScheilTemperature(double fraction) const {
    return m_scheilTop - m_depression * (std::pow(fraction, m_partition - 1.0) - 1.0);
}

double CAlloyModel::SolidVolume(double kelvin, bool mush) const {
    // The linear expansion rises linearly from its 25 C value towards the base's melting point.
    const double span = std::max(m_baseMelting - kRoomKelvin, 1.0);
    const double dt = kelvin - kRoomKelvin;
    return (mush ? m_mushVolume : m_solidVolume) *
           (1.0 + 3.0 * m_expansion * (dt + m_expansionRise * dt * dt / (2.0 * span)));
}

double CAlloyModel::FractionLiquid(double kelvin) const {
    if (kelvin <= m_solidus + kTemperatureTolerance)
        return 0.0;
    if (kelvin >= m_liquidus)
        return 1.0;
    if (kelvin > m_scheilTop) {
        // Another primary phase, pure: the lever rule on its branch.
        const double left = m_branchContent - (m_liquidus - kelvin) / m_branchSlope;
        return std::clamp(1.0 - (m_branchContent - left) / (100.0 - left), 0.0, 1.0);
    }
    if (m_depression <= 0)
        return m_scheilFraction;
    // Scheil: C_L = C0 f^(k-1) on a linear liquidus, solved for f.
    const double fraction = std::pow(1.0 + (m_scheilTop - kelvin) / m_depression, 1.0 / (m_partition - 1.0));
    return std::clamp(m_scheilFraction * fraction, 0.0, 1.0);
}

PropertyRow CAlloyModel::Evaluate(double kelvin) const {
    PropertyRow row;
    row.celsius = kelvin - 273.15;
    const double fl = FractionLiquid(kelvin);
    const double fs = 1.0 - fl;
    row.fractionLiquid = fl;

    // The solid that forms above the end of solidification holds every solute dissolved; the phases of
    // the solutes beyond their solubility (graphite in cast iron) form with the last liquid.
    const double solidVolume = SolidVolume(kelvin, fl > 0);
    // Above the base's melting point the liquid expands at its own rate; below it, undercooled, it is
    // taken to contract as the solid does, so that it never becomes the denser of the two.
    const double liquidVolume =
        kelvin >= m_baseMelting
            ? m_liquidVolume * (1.0 + kLiquidExpansion * (kelvin - m_baseMelting))
            : m_liquidVolume * SolidVolume(kelvin, true) / SolidVolume(m_baseMelting, true);
    const double volume = fl * liquidVolume + fs * solidVolume; // specific volumes add by mass
    row.density = 1.0 / volume;
    row.molarVolume = m_molarMass * volume;

    row.specificHeat = fl * m_cpLiquid + fs * m_cpSolid;
    // Solid from 25 C; liquid referred to the liquidus, so that the mixture releases the latent heat as
    // the fraction liquid falls.
    const double solidEnthalpy = m_cpSolid * (kelvin - kRoomKelvin);
    const double liquidEnthalpy =
        m_cpSolid * (m_liquidus - kRoomKelvin) + m_latentHeat + m_cpLiquid * (kelvin - m_liquidus);
    row.enthalpy = fl * liquidEnthalpy + fs * solidEnthalpy;
    row.latentHeat = fs * m_latentHeat;
    // The solid's conductivity: the electrons' by Wiedemann-Franz, k_mix t / r with t = T / 298.15 K and r
    // the resistivity of Setup; the lattice part falls as 1 / t.
    const double t = std::max(kelvin, 1.0) / kRoomKelvin;
    const double matthiessen = m_residual + t;
    const double resistivity =
        std::isinf(matthiessen) ? m_plateau : matthiessen * m_plateau / (matthiessen + m_plateau);
    const double solidConductivity = m_tcSolid * t / resistivity + m_tcLattice / t;
    row.conductivity = fl * m_tcLiquid + fs * solidConductivity;

    if (fl > 0) {
        row.densityLiquid = 1.0 / liquidVolume;
        row.molarVolumeLiquid = m_molarMass * liquidVolume;
        row.viscosityLiquid =
            m_viscosity * std::exp(m_activation / kGasConstant * (1.0 / kelvin - 1.0 / m_baseMelting));
        // Krieger-Dougherty: the slurry locks as the solid fraction nears random close packing; capped
        // just short of it, so that the value stays finite.
        const double packed = std::min(fs, 0.99 * kMaxPacking) / kMaxPacking;
        row.viscosity = row.viscosityLiquid * std::pow(1.0 - packed, -2.5 * kMaxPacking);
        // The elastic columns describe a solid skeleton; in the mush and the liquid there is none.
        row.young = 0;
        row.poisson = 0.5;
    } else {
        row.densityLiquid = row.molarVolumeLiquid = row.viscosityLiquid = row.viscosity = kNoValue;
        const double span = m_solidus - kRoomKelvin;
        const double theta = span > 0 ? std::clamp((kelvin - kRoomKelvin) / span, 0.0, 1.0) : 0.0;
        // About a third of the stiffness goes steadily up to the solidus, the rest in its last tenth.
        row.young = m_young * (1.0 - 0.35 * theta - 0.65 * std::pow(theta, 8));
        row.poisson = m_poisson + 0.05 * theta;
    }
    row.bulk = row.young / (3.0 * (1.0 - 2.0 * row.poisson));
    row.shear = row.young / (2.0 * (1.0 + row.poisson));
    if (fl > 0)
        row.bulk = row.shear = 0; // E = 0 and nu = 1/2 leave 0/0 for the bulk modulus
    return row;
}
