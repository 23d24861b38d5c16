// The extension-module resource chain: modules that bring their own dialog templates and strings
// register their instance, and lookups go through the current resource handle first, then through the
// chain. The current handle can be switched and restored.
#pragma once

#include <windows.h>

#include <string>

// Adds the module at the end of the chain (a module registered twice is kept once).
void RegisterResourceModule(HINSTANCE instance);
void UnregisterResourceModule(HINSTANCE instance);

// The module searched first; the process's program file until it is switched.
HINSTANCE GetResourceHandle();
void SetResourceHandle(HINSTANCE instance);

// The instance of the module (program or library) that holds this code.
HINSTANCE GetCodeModuleHandle();

// Finds a resource: the current resource handle first, then the chain in registration order, then the
// program file. Null when no module has it; `found` receives the module that has it.
HRSRC FindChainResource(LPCWSTR name, LPCWSTR type, HINSTANCE* found);

// A string table entry, searched in the same order; false when no module has it.
bool LoadChainString(UINT id, std::wstring* text);

// Makes a module's resources current for a scope and restores the previous handle at its end.
class CResourceSwitch {
public:
    explicit CResourceSwitch(HINSTANCE instance) : m_previous(GetResourceHandle()) {
        SetResourceHandle(instance);
    }
    ~CResourceSwitch() { SetResourceHandle(m_previous); }
    CResourceSwitch(const CResourceSwitch&) = delete;
    CResourceSwitch& operator=(const CResourceSwitch&) = delete;

    HINSTANCE Previous() const { return m_previous; }

private:
    HINSTANCE m_previous;
};
