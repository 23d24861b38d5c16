// kestrumprops commands that live in files of their own. Each takes the arguments from the command
// name on (args[0] is the command) and returns the process's exit status: 0 on success, 1 when a file
// cannot be read or written, 2 on a usage error, with one line on standard error for a failure.
#pragma once

#include <string>
#include <vector>

// plot FILE [--jmatpro] [--type TAG|all] [-o DIR]: one SVG per property series; prints the files.
int RunPlot(const std::vector<std::string>& args);
