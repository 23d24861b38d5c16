// kestrumhost.exe: a small host program for the Kestrum module. It lies in the same folder as
// kestrummod64.dll, the engine and its "dbdata\", and hands that folder to the module.
#include <windows.h>

#include <string>

#include "host/hostwnd.h"

namespace {

// The folder of this program with a trailing backslash.
std::wstring ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    CHostWnd host(ProgramFolder());
    if (!host.Create(showCommand))
        return 1;
    return CHostWnd::RunMessageLoop();
}
