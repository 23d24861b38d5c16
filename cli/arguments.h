// The program's arguments after its name, as UTF-8 on every platform.
#pragma once

#include <string>
#include <vector>

// On Windows a plain main gets its arguments in the ANSI code page, so they are taken from the wide
// command line instead; elsewhere argv is UTF-8 already.
std::vector<std::string> CommandLineArguments(int argc, char** argv);
