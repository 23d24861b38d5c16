// The material catalogue: families with their defaults, graphite types, elements, phases, and per family
// the default composition and the phase list. Constant data; records and documents store its indexes,
// so no entry may be renumbered.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "xml/matcondition.h"

inline constexpr uint32_t kMaterialTypeCount = 11;
inline constexpr uint32_t kGraphiteTypeCount = 3;
inline constexpr uint32_t kElementCount = 43;
inline constexpr uint32_t kPhaseCount = 241;
// A record holds one entry per element and one flag per phase.
static_assert(kElementCount == kMatElementCount && kPhaseCount == kMatPhaseCount);
// The family whose records carry a graphite type and matrix choice.
inline constexpr int32_t kCastIronFamily = 2;
// Characters the name accessors copy at most; callers pass buffers of at least one more.
inline constexpr int kCatalogueNameMax = 259;

// An element's composition range in a family, wt%: the engine calculates an amount outside low to high
// (the range the model was checked on) with a warning, and refuses one above limit (where the model's
// data for the element end). engine/README.md gives each range's basis.
struct CompositionRange {
    int32_t element;
    float low;
    float high;
    float limit;
};

// One material family: everything the input dialog, the engine and the command-line tool know of it.
// The families are the catalogue's family table; its composition and phase tables are made from them.
struct FamilyDescription {
    const wchar_t* name;
    float tempStart; // kelvin
    float tempEnd;   // kelvin
    float tempStep;  // kelvin, negative: the calculation runs downwards
    float fractionLimit;
    int32_t offered;                          // 1 when the main dialog lists the family
    std::span<const int32_t> elements;        // element indexes, the base (balance) element first
    std::span<const int32_t> phases;          // phase indexes, LIQUID first
    const wchar_t* dataFile;                  // the engine's file in its data folder; null without data
    std::span<const CompositionRange> ranges; // one per element but the base; empty without data

    int32_t Base() const { return elements.front(); }
    // The element's range, or null when the family has none for it (not one of its elements).
    const CompositionRange* FindRange(int32_t element) const;
};
extern const std::array<FamilyDescription, kMaterialTypeCount> Families;

// Why the family's model refuses `amount` wt% of `element` beside `baseAmount` wt% of the base: above the
// element's limit, or more than the base, which must lead. Empty when the amount is taken. Amounts are
// rounded in single precision, so a thousandth of a percent over counts as on the limit.
std::wstring RefusedAmount(const FamilyDescription& family, int32_t element, double amount,
                           double baseAmount);
// The family of that index, or null.
const FamilyDescription* FindFamilyDescription(int32_t family);

extern const wchar_t* const GraphiteTypeTable[kGraphiteTypeCount];
extern const wchar_t* const ElementTable[kElementCount];
extern const wchar_t* const PhaseTable[kPhaseCount];
// Element indexes per family, base element first; a row ends at the first -1, the cells after it are 0.
extern const std::array<std::array<int32_t, kElementCount>, kMaterialTypeCount> DefaultCompositionTable;
// Phase indexes per family, ending at the first -1 like the composition rows.
extern const std::array<std::array<int32_t, kPhaseCount>, kMaterialTypeCount> FamilyPhaseTable;

// The name accessors: with a null buffer they return the name's length; otherwise they copy at most
// kCatalogueNameMax characters, zero-fill the rest of those, and return the length, at most
// kCatalogueNameMax. An index out of range or a missing or empty name gives 0 and leaves the buffer as
// it was. Indexes are unsigned, so -1 ("none") is out of range.
int GetMaterialTypeName(uint32_t family, wchar_t* buffer);
int GetGraphiteTypeName(uint32_t graphiteType, wchar_t* buffer);
int GetElementName(uint32_t element, wchar_t* buffer);
// The bounded copy the accessors share.
int CopyCatalogueName(const wchar_t* name, wchar_t* buffer);

// 1 when the main dialog offers the family, 0 for the others and for indexes out of range.
int IsMaterialTypeOffered(uint32_t family);

// Fills values with start K, end K, step K (negative) and fraction limit and returns 1; returns 0 and
// leaves the array alone for a family out of range or a null array.
int GetMaterialDefaults(uint32_t family, float values[4]);

// Clears all 43 entries, then marks the family's default elements present at 0 %, the first of them as
// the base. A family out of range (or null entries) changes nothing.
void GetDefaultComposition(uint32_t family, MatCompoEntry* entries);
