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
