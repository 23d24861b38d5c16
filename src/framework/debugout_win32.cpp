#include <windows.h>

#include "framework/debugout.h"

void PlatformDebugOutput(const wchar_t* text) {
    OutputDebugStringW(text);
}
