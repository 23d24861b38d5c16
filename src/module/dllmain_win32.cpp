// The library's start-up and shut-down: its dialog templates and strings join the resource chain
// while it is loaded.
#include <windows.h>

#include "framework/reschain.h"

// The library's own resources are searched first, so that a host with resources of the same IDs
// cannot shadow them; the chain forgets the library, current handle included, when it unloads.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        RegisterResourceModule(instance);
        SetResourceHandle(instance);
        break;
    case DLL_PROCESS_DETACH:
        UnregisterResourceModule(instance);
        break;
    default:
        break;
    }
    return TRUE;
}
