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
    double conductivityDrop = 0;
    double inverseMolarMass = 0;
    double logViscosity = 0;
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
            conductivityDrop += solute->conductivityDrop * percent;
        }
        inverseMolarMass += w / e.molarMass;
        m_solidVolume += w / e.solidDensity;
        m_liquidVolume += w / e.liquidDensity;
        m_expansion += w * e.expansion;
        m_cpSolid += w * e.cpSolid;
        m_cpLiquid += w * e.cpLiquid;
        m_latentHeat += w * e.latentHeat;
        m_tcSolid += w * e.tcSolid;
        m_tcLiquid += w * e.tcLiquid;
        logViscosity += w * std::log(e.viscosity);
        m_activation += w * e.activation;
        m_young += w * e.young;
        m_poisson += w * e.poisson;
    }
    m_molarMass = 1.0 / inverseMolarMass;
    m_viscosity = std::exp(logViscosity);
    // Matthiessen's rule in its simplest form: each solute adds scattering in proportion to its amount;
    // the liquid, already disordered, loses half as much.
    m_tcSolid /= 1.0 + conductivityDrop;
    m_tcLiquid /= 1.0 + 0.5 * conductivityDrop;

    m_liquidus = m_baseMelting + shift;
    m_depression = depression;
    // A weighted k of 1 or more would mean no segregation at all; the path then stays close to the
    // liquidus and ends at the terminal temperature.
    m_partition = depression > 0 ? std::clamp(weightedPartition / depression, 0.001, 0.999) : 0.5;
    m_solidus = std::min(family.terminal, m_liquidus);
    if (depression <= 0) {
        m_solidus = m_liquidus; // a pure metal, or only peritectic solutes: isothermal
    } else if (fractionLimit > 0) {
        m_solidus = std::clamp(ScheilTemperature(std::min(fractionLimit, 1.0)), m_solidus, m_liquidus);
    }
    return true;
}

double CAlloyModel::ScheilTemperature(double fraction) const {
    return m_liquidus - m_depression * (std::pow(fraction, m_partition - 1.0) - 1.0);
}

double CAlloyModel::FractionLiquid(double kelvin) const {
    if (kelvin <= m_solidus + kTemperatureTolerance)
        return 0.0;
    if (kelvin >= m_liquidus)
        return 1.0;
    // Scheil: C_L = C0 f^(k-1) on a linear liquidus, solved for f.
    const double fraction = std::pow(1.0 + (m_liquidus - kelvin) / m_depression, 1.0 / (m_partition - 1.0));
    return std::clamp(fraction, 0.0, 1.0);
}

PropertyRow CAlloyModel::Evaluate(double kelvin) const {
    PropertyRow row;
    row.celsius = kelvin - 273.15;
    const double fl = FractionLiquid(kelvin);
    const double fs = 1.0 - fl;
    row.fractionLiquid = fl;

    const double solidVolume = m_solidVolume * (1.0 + 3.0 * m_expansion * (kelvin - kRoomKelvin));
    // Above the base's melting point the liquid expands at its own rate; below it, undercooled, it is
    // taken to contract as the solid does, so that it never becomes the denser of the two.
    const double liquidVolume =
        kelvin >= m_baseMelting
            ? m_liquidVolume * (1.0 + kLiquidExpansion * (kelvin - m_baseMelting))
            : m_liquidVolume * solidVolume /
                  (m_solidVolume * (1.0 + 3.0 * m_expansion * (m_baseMelting - kRoomKelvin)));
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
    row.conductivity = fl * m_tcLiquid + fs * m_tcSolid;

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
