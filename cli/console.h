// The terminal around kestrumprops: whether its output is one, and the user's interrupt (Ctrl-C).
// One implementation per platform: console_win32.cpp, console_posix.cpp.
#pragma once

namespace cli {

// Whether standard output is an interactive terminal (a console on Windows).
bool StdoutIsTerminal();
// From now on an interrupt (Ctrl-C; SIGTERM too natively) no longer ends the program but is recorded,
// so that a running calculation can stop its engine and clean up first.
void CatchInterrupt();
bool Interrupted();

} // namespace cli
