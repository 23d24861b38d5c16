// The engine's database: element properties and, per material family, the base element, the terminal
// temperature and the solute data. Plain CSV files in the data folder; a file that is missing or does
// not parse is refused with its name and the line at fault.
#pragma once

#include <string>
#include <vector>

#include "calc/catalogue.h"

// One row of the element file. Units as in the file: g/mol, K, g/cm3, 1/K, J/(g K), J/g, W/(m K), mPa s,
// J/mol, GPa.
struct ElementData {
    bool known = false; // the element file has a row for it
    double molarMass = 0;
    double meltingPoint = 0;
    double solidDensity = 0;  // at 25 C
    double liquidDensity = 0; // at the element's own melting point
    double expansion = 0;     // linear, of the solid
    double cpSolid = 0;
    double cpLiquid = 0;
    double latentHeat = 0;
    double tcSolid = 0;
    double tcLiquid = 0;
    double viscosity = 0;  // of the liquid at its melting point
    double activation = 0; // of the liquid's viscosity
    double young = 0;
    double poisson = 0;
};

struct ElementSet {
    ElementData element[kElementCount];
};

// A solute of a family: liquidus slope (K per wt%), partition coefficient, and the fraction by which one
// wt% lowers the solid's thermal conductivity.
// Optional: the density (g/cm3) of the solute dissolved in the family's solid and in its liquid, from
// its partial molar volume there (0: the element's own densities), and its solid solubility in wt%
// (below 0: unlimited): the part beyond it forms a phase of its own, which scatters no electrons
// and has the element's own density (graphite in cast iron).
struct SoluteData {
    int element = -1;
    double slope = 0;
    double partition = 0;
    double conductivityDrop = 0;
    double density = 0;
    double liquidDensity = 0;
    double solubility = -1;
};

// Amounts in wt% per element, as the family's optional lines give them.
using ElementAmounts = std::vector<std::pair<int, double>>;

// Where the last liquid freezes when every listed solute reaches its amount (a eutectic of those
// solutes); the lowest that applies wins, the family's terminal temperature when none does.
struct TerminalData {
    double kelvin = 0;
    ElementAmounts minimum;
};

// A liquidus surface of another primary phase, the pure element `primary` (silicon in aluminium):
// T = reference + sum of slope_i c_i (K, c in wt%); it is the liquidus where it lies above the base's.
struct BranchData {
    int primary = -1;
    double reference = 0; // K
    ElementAmounts slopes;
};

struct FamilyData {
    int base = -1;
    double terminal = 0; // K
    std::vector<SoluteData> solutes;
    std::vector<TerminalData> terminals;
    std::vector<BranchData> branches;

    const SoluteData* Find(int element) const;
};

// Per graphite type of cast iron: factors on the alloy's Young's modulus and thermal conductivity.
struct GraphiteData {
    double youngFactor[kGraphiteTypeCount] = {};
    double conductivityFactor[kGraphiteTypeCount] = {};
};

// Why a file was refused: the file, the line (0 when the file could not be opened) and the reason.
struct DataError {
    std::wstring file;
    int line = 0;
    std::wstring reason;

    std::wstring Describe() const;
};

// File names inside the data folder.
inline constexpr wchar_t kElementFileName[] = L"elements.csv";
inline constexpr wchar_t kGraphiteFileName[] = L"graphite.csv";
// The family's file name, or null for a family without data (the two steel families, and indexes out of
// range).
const wchar_t* FamilyFileName(int family);

bool LoadElementFile(const std::wstring& path, ElementSet& out, DataError& error);
bool LoadFamilyFile(const std::wstring& path, FamilyData& out, DataError& error);
bool LoadGraphiteFile(const std::wstring& path, GraphiteData& out, DataError& error);

// The catalogue index of an element symbol (exact case), or -1.
int FindElementSymbol(const std::wstring& symbol);
