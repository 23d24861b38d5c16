// Screenshots of windows under test, kept so that a person can look at what the module shows.
#pragma once

#include <windows.h>

#include <string>

// Saves the window's current pixels as "<name>.bmp" in the folder named by KESTRUM_SCREENSHOTS (the
// test driver turns them into PNG files). Returns false when no folder is set or the file cannot be
// written.
bool SaveScreenshot(HWND window, const std::wstring& name);
