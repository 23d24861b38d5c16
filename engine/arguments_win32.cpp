#include <windows.h>

#include <shellapi.h>

#include "engine/arguments.h"

// The wide command line, not argv: argv is in the ANSI code page and the C runtime always takes its
// first token as the program's name, which is wrong for the module's command line.
bool GetInputPath(int, char**, std::wstring& path, std::wstring& problem) {
    std::vector<std::wstring> tokens;
    const wchar_t* commandLine = GetCommandLineW();
    // CommandLineToArgvW gives the program's path for an empty command line; an empty one has none.
    if (commandLine && *commandLine) {
        int count = 0;
        if (wchar_t** wide = CommandLineToArgvW(commandLine, &count)) {
            tokens.assign(wide, wide + count);
            LocalFree(wide);
        }
    }
    wchar_t own[4096] = {};
    GetModuleFileNameW(nullptr, own, 4096);
    return SelectInputPath(tokens, own, path, problem);
}
