#include "engine/engine.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <functional>
#include <vector>

#include "calc/catalogue.h"
#include "calc/job.h"
#include "engine/enginedata.h"
#include "engine/model.h"
#include "framework/format.h"
#include "framework/numparse.h"
#include "framework/osfile.h"
#include "framework/stdiofile.h"
#include "kestrumversion.h"
#include "xml/matcondition.h"

namespace {

// The spacing of the rows added around the liquidus and the end of solidification, K: wider than the
// millikelvin the model counts as at the solidus, close enough to read as the temperature itself.
constexpr double kExactSpacing = 0.01;
// Rows closer than this count as one (the temperature column is written to 0.1 mK).
constexpr double kSameRow = 2e-4;

// A present composition must sum to 100 % within this.
constexpr double kCompositionTolerance = 0.01;
// Amounts are single precision: one this close to a range's end counts as at it, wt%.
constexpr double kRangeTolerance = 1e-3;
constexpr long kMaxRows = 1000000;

std::wstring Number(const wchar_t* format, double value) {
    CString text;
    text.Format(format, value);
    return text.Str();
}

std::wstring Celsius(double kelvin) {
    return Number(L"%.1f", kelvin - 273.15) + L" C";
}

// A folder field as given; one without a separator at its end gets the kind it already uses, else
// "/", which Windows accepts as well.
std::wstring Folder(const wchar_t* field) {
    std::wstring folder(field, wcsnlen(field, kMatPathChars));
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') {
        const size_t last = folder.find_last_of(L"\\/");
        folder += last == std::wstring::npos ? L'/' : folder[last];
    }
    return folder;
}

// Values as "%.7g" (enough for single precision, which is what the reader keeps); a value that does
// not exist as the missing-value mark.
void AppendValue(std::wstring& line, double value) {
    line += L'\t';
    if (std::isnan(value)) {
        line += kMissingValue;
        return;
    }
    CString text;
    text.Format(L"%.7g", value);
    line += text.Str();
}

std::wstring Upper(const wchar_t* text) {
    std::wstring upper(text);
    for (wchar_t& ch : upper) {
        if (ch >= L'a' && ch <= L'z')
            ch = static_cast<wchar_t>(ch - L'a' + L'A');
    }
    return upper;
}

class CRun {
public:
    CRun(const std::wstring& inputPath, IEngineOutput& out) : m_inputPath(inputPath), m_out(out) {}
    int Run();

private:
    int Refuse(const std::wstring& reason) {
        m_out.Line(L"Error: " + reason);
        return kEngineExitInput;
    }
    int CheckCondition();
    // Refuses an amount above its element's limit, or a base that does not predominate; warns of
    // amounts outside the checked ranges.
    int CheckRanges();
    // Rows from the start down to the end, the end included when a whole number of steps reaches it
    // within a thousandth of a step: the single-precision fields rarely hold exact values.
    double RowCount() const {
        return std::floor((static_cast<double>(m_rec.tempStart) - m_rec.tempEnd) / -m_rec.tempStep + 1e-3) +
               1;
    }
    int LoadData();
    int WriteResult();

    const std::wstring m_inputPath;
    IEngineOutput& m_out;
    MatCondition m_rec;
    double m_massFraction[kElementCount] = {};
    std::wstring m_dataFolder;
    ElementSet m_elements;
    FamilyData m_family;
    GraphiteData m_graphite;
    CAlloyModel m_model;
};

int CRun::CheckCondition() {
    const int32_t family = m_rec.materialType;
    const FamilyDescription* description = FindFamilyDescription(family);
    if (!description)
        return Refuse(L"material family " + std::to_wstring(family) + L" is outside 0 to " +
                      std::to_wstring(kMaterialTypeCount - 1));
    if (!description->dataFile)
        return Refuse(L"material family " + std::to_wstring(family) + L" (" + description->name +
                      L") has no data in this engine");
    int bases = 0;
    double sum = 0;
    for (uint32_t k = 0; k < kElementCount; ++k) {
        const MatCompoEntry& entry = m_rec.compositions[k];
        if (entry.present != 1)
            continue;
        if (entry.base == 1)
            ++bases;
        // A negative amount could still sum to 100 and would feed the model nonsense.
        if (!(entry.compo >= 0))
            return Refuse(std::wstring(L"the amount of ") + ElementTable[k] + L" is negative");
        sum += entry.compo;
    }
    if (bases == 0)
        return Refuse(L"the composition has no base element");
    if (bases > 1)
        return Refuse(L"the composition has " + std::to_wstring(bases) + L" base elements, not one");
    if (!(std::fabs(sum - 100.0) <= kCompositionTolerance))
        return Refuse(L"the composition sums to " + Number(L"%g", sum) + L" %, not 100 %");
    for (uint32_t k = 0; k < kElementCount; ++k) {
        if (m_rec.compositions[k].present == 1)
            m_massFraction[k] = m_rec.compositions[k].compo / sum;
    }
    if (!(m_rec.tempStart > m_rec.tempEnd))
        return Refuse(L"the start temperature (" + Number(L"%g", m_rec.tempStart) +
                      L" K) is not above the end (" + Number(L"%g", m_rec.tempEnd) + L" K)");
    if (!(m_rec.tempStep < 0))
        return Refuse(L"the temperature step (" + Number(L"%g", m_rec.tempStep) + L" K) is not negative");
    // The whole table is built in memory; a step far too fine for its range (or an infinite range) is
    // refused rather than left to exhaust it.
    if (!(RowCount() <= kMaxRows))
        return Refuse(L"the range and step give more than " + std::to_wstring(kMaxRows) + L" temperatures");
    // Cast iron's graphite columns need a graphite type; the input dialog always sets one.
    if (family == kCastIronFamily &&
        (m_rec.graphiteType < 0 || m_rec.graphiteType >= static_cast<int32_t>(kGraphiteTypeCount)))
        return Refuse(L"cast iron needs a graphite type 0, 1 or 2, not " +
                      std::to_wstring(m_rec.graphiteType));
    return kEngineExitOk;
}

int CRun::CheckRanges() {
    const FamilyDescription& family = Families[static_cast<size_t>(m_rec.materialType)];
    const std::wstring name = family.name;
    const int32_t base = family.Base();
    const double baseAmount = 100.0 * m_massFraction[base];
    std::vector<RangeWarning> warnings;
    for (uint32_t k = 0; k < kElementCount; ++k) {
        const double amount = 100.0 * m_massFraction[k];
        const std::wstring symbol = ElementTable[k];
        // An element without a range is not the family's; the family's data file refuses it.
        const CompositionRange* range = family.FindRange(static_cast<int32_t>(k));
        if (static_cast<int32_t>(k) == base || !range)
            continue;
        if (const std::wstring refused = RefusedAmount(family, static_cast<int32_t>(k), amount, baseAmount);
            !refused.empty())
            return Refuse(refused);
        if (amount < range->low - kRangeTolerance || amount > range->high + kRangeTolerance)
            warnings.push_back(RangeWarning{symbol, amount, range->low, range->high, name});
    }
    for (const RangeWarning& warning : warnings)
        m_out.Line(FormatRangeWarning(warning));
    return kEngineExitOk;
}

int CRun::LoadData() {
    m_dataFolder = Folder(m_rec.dataPath);
    DataError error;
    const std::wstring elementFile = m_dataFolder + kElementFileName;
    if (!LoadElementFile(elementFile, m_elements, error))
        return Refuse(error.Describe());
    const std::wstring familyFile = m_dataFolder + FamilyFileName(m_rec.materialType);
    if (!LoadFamilyFile(familyFile, m_family, error))
        return Refuse(error.Describe());
    if (m_rec.materialType == kCastIronFamily &&
        !LoadGraphiteFile(m_dataFolder + kGraphiteFileName, m_graphite, error))
        return Refuse(error.Describe());
    m_out.Line(L"Data read from " + elementFile + L" and " + familyFile);

    // The document's base element must be the one the family's data describe.
    for (uint32_t k = 0; k < kElementCount; ++k) {
        if (m_rec.compositions[k].present == 1 && m_rec.compositions[k].base == 1 &&
            static_cast<int>(k) != m_family.base)
            return Refuse(std::wstring(L"the base element ") + ElementTable[k] +
                          L" is not the family's base " + ElementTable[m_family.base]);
    }
    std::wstring reason;
    if (!m_model.Setup(m_massFraction, m_family, m_elements, m_rec.fractionLimit, reason))
        return Refuse(reason + L" (" + familyFile + L", " + elementFile + L")");
    return kEngineExitOk;
}

int CRun::WriteResult() {
    const bool graphite = m_rec.materialType == kCastIronFamily;
    const std::wstring graphiteName = graphite ? Upper(GraphiteTypeTable[m_rec.graphiteType]) : L"";
    std::wstring heading =
        L"T(C)\tWT-LIQUID\tD-LIQUID\tD-TOTAL\tMV-LIQUID\tMV-TOTAL\tCP-WT\tH-WT\tLH-WT\tTC-TOTAL";
    if (graphite)
        heading += L"\tTC-" + graphiteName;
    heading += L"\tVISC-LIQUID\tVISC-TOTAL\tYM-TOTAL";
    if (graphite)
        heading += L"\tYM-" + graphiteName;
    heading += L"\tPR-TOTAL\tBM-TOTAL\tSM-TOTAL\n";

    const double start = m_rec.tempStart;
    const double step = m_rec.tempStep;
    // Each temperature from the start and its row number, so that no error accumulates; then rows at
    // the liquidus and at the end of solidification, where they lie in the range, so that the derived
    // liquidus, solidus and shrinkage do not depend on the step.
    const long stepRows = static_cast<long>(RowCount());
    const double last = start + step * static_cast<double>(stepRows - 1);
    std::vector<double> temperatures;
    temperatures.reserve(static_cast<size_t>(stepRows) + 10);
    for (long i = 0; i < stepRows; ++i)
        temperatures.push_back(start + step * static_cast<double>(i));
    // Each exact temperature with two rows a hundredth of a kelvin apart on either side, evenly spaced,
    // so that the reader's spline through four neighbouring rows stays straight there; a step row
    // among them gives way.
    const auto nearExact = [this](double kelvin) {
        for (const double exact : {m_model.Liquidus(), m_model.Solidus()}) {
            if (std::fabs(kelvin - exact) < 2.5 * kExactSpacing)
                return true;
        }
        return false;
    };
    if (temperatures.size() > 2) // the first and the last row stay
        temperatures.erase(std::remove_if(temperatures.begin() + 1, temperatures.end() - 1, nearExact),
                           temperatures.end() - 1);
    for (const double exact : {m_model.Liquidus(), m_model.Solidus()}) {
        for (int k = -2; k <= 2; ++k) {
            const double kelvin = exact + k * kExactSpacing;
            if (kelvin < start && kelvin > last)
                temperatures.push_back(kelvin);
        }
    }
    std::sort(temperatures.begin(), temperatures.end(), std::greater<double>());
    temperatures.erase(std::unique(temperatures.begin(), temperatures.end(),
                                   [](double a, double b) { return std::fabs(a - b) < kSameRow; }),
                       temperatures.end());
    const long rows = static_cast<long>(temperatures.size());
    m_out.Line(L"Calculating " + std::to_wstring(rows) + L" temperatures from " + Celsius(start) + L" to " +
               Celsius(last));

    std::wstring text = heading;
    long reported = 0;
    for (long i = 0; i < rows; ++i) {
        const double kelvin = temperatures[static_cast<size_t>(i)];
        const PropertyRow row = m_model.Evaluate(kelvin);
        std::wstring line;
        // Rounded to 0.1 mK, so that single-precision noise does not show in the temperature column.
        line += Number(L"%.7g", std::round(row.celsius * 1e4) / 1e4);
        AppendValue(line, row.fractionLiquid);
        AppendValue(line, row.densityLiquid);
        AppendValue(line, row.density);
        AppendValue(line, row.molarVolumeLiquid);
        AppendValue(line, row.molarVolume);
        AppendValue(line, row.specificHeat);
        AppendValue(line, row.enthalpy);
        AppendValue(line, row.latentHeat);
        AppendValue(line, row.conductivity);
        if (graphite)
            AppendValue(line, row.conductivity * m_graphite.conductivityFactor[m_rec.graphiteType]);
        AppendValue(line, row.viscosityLiquid);
        AppendValue(line, row.viscosity);
        AppendValue(line, row.young);
        if (graphite)
            AppendValue(line, row.young * m_graphite.youngFactor[m_rec.graphiteType]);
        AppendValue(line, row.poisson);
        AppendValue(line, row.bulk);
        AppendValue(line, row.shear);
        text += line + L'\n';
        const long percent = (i + 1) * 100 / rows;
        if (percent / 10 > reported / 10) {
            reported = percent;
            m_out.Line(L"  " + std::to_wstring(percent / 10 * 10) + L" % (" + Celsius(kelvin) + L")");
        }
    }

    const std::wstring resultPath = Folder(m_rec.resPath) + kJobResultFileName;
    CStdioFile file;
    CFileException error;
    if (!file.Open(resultPath.c_str(), CStdioFile::modeCreate | CStdioFile::modeWrite | CStdioFile::typeText,
                   &error))
        return Refuse(L"cannot write the result file " + resultPath + L": " + error.GetErrorMessage().Str());
    if (!file.WriteString(text.c_str()) || !file.Close())
        return Refuse(L"cannot write the result file " + resultPath + L": " +
                      file.LastError().GetErrorMessage().Str());
    m_out.Line(L"Result written to " + resultPath);
    return kEngineExitOk;
}

int CRun::Run() {
    m_out.Line(L"Kestrum engine " KESTRUM_VERSION L": reading " + m_inputPath);
    if (const FileResult load = LoadMatCondition(m_inputPath.c_str(), &m_rec); !load)
        return Refuse(m_inputPath + L" is not a material condition document that can be read: " +
                      load.message);
    if (const int code = CheckCondition(); code != kEngineExitOk)
        return code;
    std::wstring composition;
    for (uint32_t k = 0; k < kElementCount; ++k) {
        if (m_massFraction[k] > 0)
            composition +=
                L" " + std::wstring(ElementTable[k]) + L" " + Number(L"%g", m_massFraction[k] * 100);
    }
    m_out.Line(std::wstring(L"Family ") + std::to_wstring(m_rec.materialType) + L" (" +
               Families[static_cast<size_t>(m_rec.materialType)].name + L"), wt%:" + composition);
    if (const int code = CheckRanges(); code != kEngineExitOk)
        return code;
    if (const int code = LoadData(); code != kEngineExitOk)
        return code;
    m_out.Line(L"Liquidus " + Celsius(m_model.Liquidus()) + L", solidus (end of solidification) " +
               Celsius(m_model.Solidus()) + L", latent heat " + Number(L"%.1f", m_model.LatentHeat()) +
               L" J/g");
    if (m_rec.tempStart < m_model.Liquidus())
        m_out.Line(BelowLiquidusWarning(m_rec.tempStart, m_model.Liquidus()));
    if (const int code = WriteResult(); code != kEngineExitOk)
        return code;
    m_out.Line(L"Done.");
    return kEngineExitOk;
}

} // namespace

namespace {
constexpr std::wstring_view kBelowLiquidusStart = L"Warning: the start temperature ";
constexpr std::wstring_view kBelowLiquidusMiddle = L" lies below the liquidus ";
} // namespace

std::wstring BelowLiquidusWarning(double startKelvin, double liquidusKelvin) {
    return std::wstring(kBelowLiquidusStart) + Celsius(startKelvin) + std::wstring(kBelowLiquidusMiddle) +
           Celsius(liquidusKelvin) + L": the result has no liquidus and no solidification shrinkage";
}

bool ParseBelowLiquidusWarning(std::wstring_view line, double* liquidusCelsius) {
    const size_t middle = line.find(kBelowLiquidusMiddle);
    if (!line.starts_with(kBelowLiquidusStart) || middle == std::wstring_view::npos)
        return false;
    const std::wstring rest(line.substr(middle + kBelowLiquidusMiddle.size()));
    if (rest.empty() || !(rest[0] == L'-' || (rest[0] >= L'0' && rest[0] <= L'9')))
        return false;
    *liquidusCelsius = ParseLeadingDouble(rest.c_str());
    return true;
}

namespace {
constexpr std::wstring_view kRangeStart = L"Warning: ";
constexpr std::wstring_view kRangeOutside = L" wt% lies outside ";
constexpr std::wstring_view kRangeTo = L" to ";
constexpr std::wstring_view kRangeFamily = L" wt%, the range the model was checked on for ";

// A field that is a number and nothing else.
bool ReadNumber(std::wstring_view text, double* value) {
    if (text.empty() || text.find_first_not_of(L"0123456789.eE+-") != std::wstring_view::npos)
        return false;
    *value = ParseLeadingDouble(std::wstring(text).c_str());
    return std::isfinite(*value);
}
} // namespace

std::wstring FormatRangeWarning(const RangeWarning& warning) {
    return std::wstring(kRangeStart) + warning.element + L" " + Number(L"%g", warning.amount) +
           std::wstring(kRangeOutside) + Number(L"%g", warning.low) + std::wstring(kRangeTo) +
           Number(L"%g", warning.high) + std::wstring(kRangeFamily) + warning.family;
}

bool ParseRangeWarning(std::wstring_view line, RangeWarning* warning) {
    if (!line.starts_with(kRangeStart))
        return false;
    line.remove_prefix(kRangeStart.size());
    const size_t blank = line.find(L' ');
    const size_t outside = line.find(kRangeOutside);
    const size_t to =
        outside == std::wstring_view::npos ? outside : line.find(kRangeTo, outside + kRangeOutside.size());
    const size_t family = to == std::wstring_view::npos ? to : line.find(kRangeFamily, to + kRangeTo.size());
    if (family == std::wstring_view::npos || blank > outside)
        return false;
    RangeWarning read;
    read.element = line.substr(0, blank);
    read.family = line.substr(family + kRangeFamily.size());
    const size_t low = outside + kRangeOutside.size();
    const size_t high = to + kRangeTo.size();
    if (FindElementSymbol(read.element) < 0 || read.family.empty() ||
        !ReadNumber(line.substr(blank + 1, outside - blank - 1), &read.amount) ||
        !ReadNumber(line.substr(low, to - low), &read.low) ||
        !ReadNumber(line.substr(high, family - high), &read.high))
        return false;
    *warning = read;
    return true;
}

int RunEngine(const std::wstring& inputPath, IEngineOutput& out) {
    return CRun(inputPath, out).Run();
}
