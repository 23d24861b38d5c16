// The stand-in host's main window and its export interface. A host knows nothing of the module's
// framework: this is raw Win32 over the library's exported classes, the way a casting-simulation
// program would drive the module.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "module/kestrummod.h"

// Child window IDs of the host window.
enum : int {
    IDC_HOST_QUERY = 2001,
    IDC_HOST_SHOW_GRAPH,
    IDC_HOST_HIDE_GRAPH,
    IDC_HOST_DELETE_TEMP,
    IDC_HOST_TABLES,      // one row per series of the module's tables
    IDC_HOST_APPLIED,     // one row per series of the last ApplyProps call
    IDC_HOST_RESULT_FILE, // status values
    IDC_HOST_SOURCE,
    IDC_HOST_SOLIDUS,
    IDC_HOST_LIQUIDUS,
    IDC_HOST_SHRINKAGE,
};

// What the host keeps of one series handed over by ApplyProps.
struct AppliedProp {
    std::wstring name;
    int32_t dataType;
    int32_t exportFlag;
    size_t pointCount;
};

// The host's side of the module's export interface. The host takes the properties a casting
// simulation uses: fraction liquid (4), Poisson's ratio and Young's modulus (5, 6), thermal
// conductivity (10), alloy density (15), liquid, total and dynamic viscosity (18, 19, 35), enthalpy
// and specific heat per mass (21, 23), latent heat (24), bulk and shear modulus (28, 29). Every other
// data type, temperatures and the per-mole variants among them, is answered -1.
class CHostExport final : public IKestrumModExport {
public:
    // Copies what it needs of every series (the list belongs to the graph window), then calls
    // `onApply`.
    int32_t ApplyProps(std::vector<CMatPropData>* list) override;
    // The data type's slot in the host's own property table, or -1 when the host does not take it.
    int32_t QueryDataType(int32_t dataType) override;

    const std::vector<AppliedProp>& Applied() const { return m_applied; }
    std::function<void()> onApply;

private:
    std::vector<AppliedProp> m_applied;
};

class CHostWnd {
public:
    // `workingPath` is handed to the module: the folder that holds the engine's "dbdata\", ending in
    // a backslash.
    explicit CHostWnd(std::wstring workingPath);
    ~CHostWnd();
    CHostWnd(const CHostWnd&) = delete;
    CHostWnd& operator=(const CHostWnd&) = delete;

    // Creates the module and the "Kestrum Host" window and shows it; false (with a message box when
    // the module could not be created) when either fails.
    bool Create(int showCommand);
    HWND Handle() const { return m_hWnd; }
    // Null once the window is gone: the module is released with it.
    CKestrumModImpl* Module() const { return m_module; }
    const CHostExport& Export() const { return m_export; }

    // A plain GetMessage loop, as a host's own: no dialog message handling of its own for the
    // module's modeless graph window. Returns the quit code.
    static int RunMessageLoop();

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool OnCreate();
    void OnSize(int width, int height);
    void OnCommand(int id);
    void OnDestroy();

    void OnQuery();
    void FillTables();
    void FillApplied();
    void ShowStatus();

    HWND AddChild(const wchar_t* className, const wchar_t* text, DWORD style, int id);
    HWND AddList(int id, std::initializer_list<std::pair<const wchar_t*, int>> columns);

    std::wstring m_workingPath;
    HWND m_hWnd = nullptr;
    HFONT m_font = nullptr;
    CKestrumModImpl* m_module = nullptr;
    CHostExport m_export;
    std::vector<HWND> m_buttons;
    std::vector<std::pair<HWND, HWND>> m_status; // label, value
    HWND m_tablesLabel = nullptr;
    HWND m_appliedLabel = nullptr;
};
