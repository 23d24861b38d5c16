// Export decoration of the module's public functions and classes, with three uses: the library's own
// build exports (KESTRUMMOD_BUILD_DLL), the tool, the engine and the tests link the code statically
// (KESTRUMMOD_STATIC), and a host imports (neither).
#pragma once

#if !defined(_WIN32)
#define KESTRUMMOD_API
#elif defined(KESTRUMMOD_BUILD_DLL)
#define KESTRUMMOD_API __declspec(dllexport)
#elif defined(KESTRUMMOD_STATIC)
#define KESTRUMMOD_API
#else
#define KESTRUMMOD_API __declspec(dllimport)
#endif
