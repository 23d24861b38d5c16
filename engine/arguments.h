// Where the engine finds the path of its input document on the command line.
#pragma once

#include <string>
#include <vector>

// The path, or false with `problem` set. One implementation per platform: arguments_win32.cpp,
// arguments_posix.cpp.
bool GetInputPath(int argc, char** argv, std::wstring& path, std::wstring& problem);

// The Windows rule over the tokens of the whole command line (program name included when one was
// typed), portable so that both trees test it. `programFile` is the engine's own file path.
bool SelectInputPath(const std::vector<std::wstring>& tokens, const std::wstring& programFile,
                     std::wstring& path, std::wstring& problem);
