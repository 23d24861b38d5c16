// Debugger output: OutputDebugStringW on Windows, standard error elsewhere.
#pragma once

#include <functional>

void DebugOutput(const wchar_t* text);

// Tests capture what would go to the debugger; an empty function restores the platform's output.
// Returns the sink that was installed before.
using DebugOutputSink = std::function<void(const wchar_t*)>;
DebugOutputSink SetDebugOutputSink(DebugOutputSink sink);

// The platform's own output, used when no sink is installed.
void PlatformDebugOutput(const wchar_t* text);
