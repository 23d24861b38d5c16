// One engine run: read the material condition document, check it, load the data, calculate every row
// and write the result file into the job folder. Portable; main.cpp gives it the path and the console.
#pragma once

#include <string>
#include <string_view>

// Exit codes (engine/README.md). 3 is what the module's runner gives an engine the user terminated,
// so the engine never ends with it itself.
inline constexpr int kEngineExitOk = 0;
inline constexpr int kEngineExitInternal = 1; // an unexpected failure inside the engine
inline constexpr int kEngineExitInput = 2;    // the input, the data or the result file is at fault
inline constexpr int kEngineExitTerminated = 3;

// The missing-value mark of result files.
inline constexpr wchar_t kMissingValue[] = L"-123456789";

// Receives the engine's progress, one line at a time, without the line end.
class IEngineOutput {
public:
    virtual void Line(const std::wstring& text) = 0;

protected:
    ~IEngineOutput() = default;
};

// Runs the calculation for the document at `inputPath`; returns the exit code. On an input problem
// the last line written gives the reason.
int RunEngine(const std::wstring& inputPath, IEngineOutput& out);

// The line a run prints when its start temperature lies below the alloy's liquidus: the result then
// starts in the mush and has no liquidus and no solidification shrinkage. Temperatures in kelvin.
std::wstring BelowLiquidusWarning(double startKelvin, double liquidusKelvin);
// The liquidus in degrees Celsius named by such a line; false for any other line.
bool ParseBelowLiquidusWarning(std::wstring_view line, double* liquidusCelsius);

// An element's amount outside the range the model was checked on for its family (CompositionRange):
// the run calculates it and prints, before the rows, one line per such element:
// "Warning: Si 30 wt% lies outside 0 to 18 wt%, the range the model was checked on for Aluminium Alloy".
struct RangeWarning {
    std::wstring element; // its symbol
    double amount = 0;    // wt%
    double low = 0;
    double high = 0;
    std::wstring family; // the family's name
};
std::wstring FormatRangeWarning(const RangeWarning& warning);
// Reads such a line back; false, leaving `warning` alone, for any other line.
bool ParseRangeWarning(std::wstring_view line, RangeWarning* warning);
