// Export decoration of the module's public functions and classes.
#pragma once

// The DLL build defines KESTRUMMOD_BUILD_DLL and exports; the host imports. The static core used by
// tests and the command-line tool defines KESTRUMMOD_STATIC and does neither.
#if defined(KESTRUMMOD_STATIC) || !defined(_WIN32)
#define KESTRUMMOD_API
#elif defined(KESTRUMMOD_BUILD_DLL)
#define KESTRUMMOD_API __declspec(dllexport)
#else
#define KESTRUMMOD_API __declspec(dllimport)
#endif
