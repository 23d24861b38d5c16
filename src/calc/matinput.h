// What the input dialog and `kestrumprops condition new` decide alike, without a window: the order of
// a composition's rows, the balance that the first row takes, cast iron's carbon equivalent, the
// temperatures as entered and as stored, and the names of the files the dialog chooses.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xml/matcondition.h"

// The elements of the carbon equivalent.
inline constexpr int32_t kElementMn = 8;
inline constexpr int32_t kElementSi = 12;
inline constexpr int32_t kElementC = 20;
inline constexpr int32_t kElementP = 29;

// The present elements in the order the composition list shows them: each base element goes to the
// front as it is met, every other one to the end, in ascending element index. Row 0 takes the balance,
// so without any base element the lowest present index does.
std::vector<int32_t> CompositionRows(const MatCompoEntry* entries);

// The sum of every row but row 0, in 32-bit float and in row order, with C, Mn, Si and P among them (0
// when one is not).
struct CompositionSum {
    float others = 0.0f;
    float carbon = 0.0f;
    float manganese = 0.0f;
    float silicon = 0.0f;
    float phosphorus = 0.0f;

    // What row 0 takes: 100 minus the others.
    float Balance() const { return 100.0f - others; }
    // C + (Si + P) / 3 + Mn / 6, every step in 32-bit float.
    float CarbonEquivalent() const { return carbon + (silicon + phosphorus) / 3.0f + manganese / 6.0f; }
};
CompositionSum SumComposition(const MatCompoEntry* entries, const std::vector<int32_t>& rows);

// A balance a calculation can start with: above 0 and at most 100.
bool IsBalanceAcceptable(float balance);

// Degrees Celsius as entered, read in single precision and then raised by 273.15.
float KelvinFromCelsius(double celsius);
// What a box shows for a stored temperature: the subtraction in single precision, widened for printing.
double CelsiusFromKelvin(float kelvin);

// The extension of the path's file name with its dot (".dat"), empty when the name has none. Both
// separators count, so a dot in a folder's name is no extension.
std::wstring_view FileExtension(std::wstring_view path);
// The path with `extension` appended when its file name has none.
std::wstring WithDefaultExtension(std::wstring_view path, std::wstring_view extension);
