#include <windows.h>

#include <atomic>

#include "cli/console.h"

namespace cli {

namespace {

std::atomic<bool> g_interrupted{false};

// Runs on a thread of its own that the system starts; TRUE keeps the process alive.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    g_interrupted = true;
    return TRUE;
}

} // namespace

bool StdoutIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

void CatchInterrupt() {
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

bool Interrupted() {
    return g_interrupted;
}

} // namespace cli
