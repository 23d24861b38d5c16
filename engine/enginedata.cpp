#include "engine/enginedata.h"

#include <cmath>
#include <cwctype>

#include "framework/numparse.h"
#include "framework/stdiofile.h"

namespace {

// The element file's heading, checked so that columns cannot be shifted silently.
const wchar_t kElementHeading[] =
    L"symbol,molar_mass,melting_K,density_solid,density_liquid,expansion_e6,cp_solid,cp_liquid,"
    L"latent_heat,tc_solid,tc_liquid,viscosity,activation_kJ,young,poisson";
constexpr size_t kElementColumns = 15;
const wchar_t kGraphiteHeading[] = L"type,young_factor,conductivity_factor";

std::wstring Trim(const std::wstring& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && std::iswspace(static_cast<wint_t>(text[first])))
        ++first;
    while (last > first && std::iswspace(static_cast<wint_t>(text[last - 1])))
        --last;
    return text.substr(first, last - first);
}

std::vector<std::wstring> SplitFields(const std::wstring& line) {
    std::vector<std::wstring> fields;
    size_t start = 0;
    for (;;) {
        const size_t comma = line.find(L',', start);
        fields.push_back(
            Trim(line.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start)));
        if (comma == std::wstring::npos)
            return fields;
        start = comma + 1;
    }
}

// A whole field as a finite decimal number: sign, digits with at most one point, optional exponent.
// The parser itself takes the longest leading number, so the shape is checked here first.
bool ParseField(const std::wstring& field, double& value) {
    size_t i = 0;
    const size_t n = field.size();
    if (i < n && (field[i] == L'+' || field[i] == L'-'))
        ++i;
    size_t digits = 0;
    while (i < n && std::iswdigit(static_cast<wint_t>(field[i])))
        ++i, ++digits;
    if (i < n && field[i] == L'.') {
        ++i;
        while (i < n && std::iswdigit(static_cast<wint_t>(field[i])))
            ++i, ++digits;
    }
    if (digits == 0)
        return false;
    if (i < n && (field[i] == L'e' || field[i] == L'E')) {
        ++i;
        if (i < n && (field[i] == L'+' || field[i] == L'-'))
            ++i;
        size_t exponent = 0;
        while (i < n && std::iswdigit(static_cast<wint_t>(field[i])))
            ++i, ++exponent;
        if (exponent == 0)
            return false;
    }
    if (i != n)
        return false;
    value = ParseLeadingDouble(field.c_str());
    return std::isfinite(value);
}

// Reads a data file line by line, passing every line that is neither blank nor a comment ('#' first).
class CDataReader {
public:
    CDataReader(const std::wstring& path, DataError& error) : m_error(error) {
        m_error = DataError{path, 0, L""};
        CFileException failure;
        if (!m_file.Open(path.c_str(),
                         CStdioFile::modeRead | CStdioFile::shareDenyWrite | CStdioFile::typeText,
                         &failure)) {
            m_error.reason = L"cannot be opened";
            m_opened = false;
        }
    }
    bool Opened() const { return m_opened; }

    // The next meaningful line, trimmed; false at the end of the file.
    bool Next(std::wstring& line) {
        CString text;
        while (m_file.ReadString(text)) {
            ++m_error.line;
            line = Trim(text.Str());
            if (!line.empty() && line[0] != L'#')
                return true;
        }
        if (m_file.HasFailed()) {
            m_error.reason = L"cannot be read";
            m_failed = true;
        }
        return false;
    }
    bool Failed() const { return m_failed; }

    // Opens the file's contents: its first meaningful line must be `heading`.
    bool ExpectHeading(const wchar_t* heading) {
        std::wstring line;
        if (!Next(line))
            return m_failed ? false : FailFile(L"no heading line");
        if (line != heading)
            return Fail(L"the heading must read \"" + std::wstring(heading) + L"\"");
        return true;
    }

    bool Fail(const std::wstring& reason) {
        m_error.reason = reason;
        return false;
    }
    // A failure that belongs to the file as a whole, not to one line.
    bool FailFile(const std::wstring& reason) {
        m_error.line = 0;
        return Fail(reason);
    }

private:
    CStdioFile m_file;
    DataError& m_error;
    bool m_opened = true;
    bool m_failed = false;
};

bool ParseNumbers(CDataReader& reader, const std::vector<std::wstring>& fields, size_t first, double* out,
                  size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (!ParseField(fields[first + i], out[i]))
            return reader.Fail(L"field " + std::to_wstring(first + i + 1) + L" (\"" + fields[first + i] +
                               L"\") is not a number");
    }
    return true;
}

} // namespace

const SoluteData* FamilyData::Find(int element) const {
    for (const SoluteData& solute : solutes) {
        if (solute.element == element)
            return &solute;
    }
    return nullptr;
}

std::wstring DataError::Describe() const {
    std::wstring text = file;
    if (line > 0)
        text += L", line " + std::to_wstring(line);
    return text + L": " + reason;
}

const wchar_t* FamilyFileName(int family) {
    const FamilyDescription* description = FindFamilyDescription(family);
    return description ? description->dataFile : nullptr;
}

int FindElementSymbol(const std::wstring& symbol) {
    for (uint32_t k = 0; k < kElementCount; ++k) {
        if (symbol == ElementTable[k])
            return static_cast<int>(k);
    }
    return -1;
}

bool LoadElementFile(const std::wstring& path, ElementSet& out, DataError& error) {
    CDataReader reader(path, error);
    if (!reader.Opened())
        return false;
    if (!reader.ExpectHeading(kElementHeading))
        return false;
    std::wstring line;
    ElementSet set;
    while (reader.Next(line)) {
        const std::vector<std::wstring> fields = SplitFields(line);
        if (fields.size() != kElementColumns)
            return reader.Fail(L"expected " + std::to_wstring(kElementColumns) + L" fields, found " +
                               std::to_wstring(fields.size()));
        const int element = FindElementSymbol(fields[0]);
        if (element < 0)
            return reader.Fail(L"unknown element \"" + fields[0] + L"\"");
        ElementData& data = set.element[element];
        if (data.known)
            return reader.Fail(L"a second row for " + fields[0]);
        double v[kElementColumns - 1];
        if (!ParseNumbers(reader, fields, 1, v, kElementColumns - 1))
            return false;
        data = ElementData{true, v[0], v[1], v[2],  v[3],           v[4] * 1e-6, v[5], v[6],
                           v[7], v[8], v[9], v[10], v[11] * 1000.0, v[12],       v[13]};
        // Everything the model divides by or takes the logarithm of must be positive.
        if (!(data.molarMass > 0 && data.meltingPoint > 0 && data.solidDensity > 0 &&
              data.liquidDensity > 0 && data.viscosity > 0))
            return reader.Fail(L"molar mass, melting point, densities and viscosity must be above 0");
        if (!(data.poisson >= 0 && data.poisson < 0.5))
            return reader.Fail(L"Poisson's ratio must lie in 0 to 0.5");
    }
    if (reader.Failed())
        return false;
    out = set;
    return true;
}

bool LoadFamilyFile(const std::wstring& path, FamilyData& out, DataError& error) {
    CDataReader reader(path, error);
    if (!reader.Opened())
        return false;
    FamilyData family;
    bool haveTerminal = false;
    std::wstring line;
    while (reader.Next(line)) {
        const std::vector<std::wstring> fields = SplitFields(line);
        const std::wstring& kind = fields[0];
        if (kind == L"base") {
            if (fields.size() != 2)
                return reader.Fail(L"\"base\" takes one element symbol");
            if (family.base >= 0)
                return reader.Fail(L"a second \"base\" line");
            family.base = FindElementSymbol(fields[1]);
            if (family.base < 0)
                return reader.Fail(L"unknown element \"" + fields[1] + L"\"");
        } else if (kind == L"terminal_C") {
            if (fields.size() != 2)
                return reader.Fail(L"\"terminal_C\" takes one temperature in degrees Celsius");
            if (haveTerminal)
                return reader.Fail(L"a second \"terminal_C\" line");
            double celsius = 0;
            if (!ParseNumbers(reader, fields, 1, &celsius, 1))
                return false;
            family.terminal = celsius + 273.15;
            haveTerminal = true;
        } else if (kind == L"terminal" || kind == L"branch") {
            // terminal,T_C,SYMBOL=WT,... and branch,SYMBOL,T_C,SYMBOL=SLOPE,...
            const bool terminal = kind == L"terminal";
            if (fields.size() < 3)
                return reader.Fail(terminal ? L"\"terminal\" takes a temperature and SYMBOL=WT amounts"
                                            : L"\"branch\" takes the primary element, a temperature and "
                                              L"SYMBOL=SLOPE slopes");
            const size_t first = terminal ? 1 : 2;
            double celsius = 0;
            if (!ParseNumbers(reader, fields, first, &celsius, 1))
                return false;
            ElementAmounts amounts;
            for (size_t i = first + 1; i < fields.size(); ++i) {
                const size_t equals = fields[i].find(L'=');
                const int element = equals == std::wstring::npos ? -1 : FindElementSymbol(fields[i].substr(0, equals));
                double amount = 0;
                if (element < 0 || !ParseField(fields[i].substr(equals + 1), amount))
                    return reader.Fail(L"field " + std::to_wstring(i + 1) + L" (\"" + fields[i] +
                                       L"\") is not SYMBOL=NUMBER");
                amounts.emplace_back(element, amount);
            }
            if (terminal) {
                family.terminals.push_back(TerminalData{celsius + 273.15, amounts});
            } else {
                const int primary = FindElementSymbol(fields[1]);
                if (primary < 0)
                    return reader.Fail(L"unknown element \"" + fields[1] + L"\"");
                family.branches.push_back(BranchData{primary, celsius + 273.15, amounts});
            }
        } else if (kind == L"solute") {
            if (fields.size() < 5)
                return reader.Fail(L"\"solute\" takes an element symbol, slope, partition coefficient and "
                                   L"conductivity drop");
            SoluteData solute;
            solute.element = FindElementSymbol(fields[1]);
            if (solute.element < 0)
                return reader.Fail(L"unknown element \"" + fields[1] + L"\"");
            if (family.Find(solute.element))
                return reader.Fail(L"a second row for " + fields[1]);
            double v[3];
            if (!ParseNumbers(reader, fields, 2, v, 3))
                return false;
            solute.slope = v[0];
            solute.partition = v[1];
            solute.conductivityDrop = v[2];
            if (!(solute.partition > 0))
                return reader.Fail(L"the partition coefficient must be above 0");
            if (!(solute.conductivityDrop >= 0))
                return reader.Fail(L"the conductivity drop must not be negative");
            // Optional NAME=VALUE fields: density, liquid_density (g/cm3), solubility (wt%).
            for (size_t i = 5; i < fields.size(); ++i) {
                const size_t equals = fields[i].find(L'=');
                const std::wstring name = equals == std::wstring::npos ? fields[i] : fields[i].substr(0, equals);
                double value = 0;
                if (equals == std::wstring::npos || !ParseField(fields[i].substr(equals + 1), value) ||
                    !(value > 0 || (name == L"solubility" && value == 0)))
                    return reader.Fail(L"field " + std::to_wstring(i + 1) + L" (\"" + fields[i] +
                                       L"\") is not NAME=NUMBER with a positive number");
                if (name == L"density")
                    solute.density = value;
                else if (name == L"liquid_density")
                    solute.liquidDensity = value;
                else if (name == L"solubility")
                    solute.solubility = value;
                else
                    return reader.Fail(L"unknown field \"" + name + L"\" (density, liquid_density or solubility)");
            }
            family.solutes.push_back(solute);
        } else {
            return reader.Fail(L"unknown line kind \"" + kind + L"\" (base, terminal_C, terminal, branch or solute)");
        }
    }
    if (reader.Failed())
        return false;
    if (family.base < 0)
        return reader.FailFile(L"no \"base\" line");
    if (!haveTerminal)
        return reader.FailFile(L"no \"terminal_C\" line");
    if (family.Find(family.base))
        return reader.FailFile(L"the base element has a solute row");
    out = family;
    return true;
}

bool LoadGraphiteFile(const std::wstring& path, GraphiteData& out, DataError& error) {
    CDataReader reader(path, error);
    if (!reader.Opened())
        return false;
    if (!reader.ExpectHeading(kGraphiteHeading))
        return false;
    std::wstring line;
    GraphiteData data;
    bool seen[kGraphiteTypeCount] = {};
    while (reader.Next(line)) {
        const std::vector<std::wstring> fields = SplitFields(line);
        if (fields.size() != 3)
            return reader.Fail(L"expected 3 fields, found " + std::to_wstring(fields.size()));
        uint32_t type = 0;
        while (type < kGraphiteTypeCount && fields[0] != GraphiteTypeTable[type])
            ++type;
        if (type == kGraphiteTypeCount)
            return reader.Fail(L"unknown graphite type \"" + fields[0] + L"\"");
        if (seen[type])
            return reader.Fail(L"a second row for " + fields[0]);
        double v[2];
        if (!ParseNumbers(reader, fields, 1, v, 2))
            return false;
        data.youngFactor[type] = v[0];
        data.conductivityFactor[type] = v[1];
        seen[type] = true;
    }
    if (reader.Failed())
        return false;
    for (uint32_t type = 0; type < kGraphiteTypeCount; ++type) {
        if (!seen[type])
            return reader.FailFile(L"no row for " + std::wstring(GraphiteTypeTable[type]));
    }
    out = data;
    return true;
}
