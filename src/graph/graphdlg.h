// CGraphDlg: the modeless "Property Graph" window beside the host's window. It shows one property of
// the module's tables at a time, thinned or raw, saves a copy of the result file and hands a chosen
// set of properties to the host. At most one exists; it deletes itself when its window is gone.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "framework/controls.h"
#include "framework/dialog.h"
#include "graph/graphctrl.h"
#include "module/kestrummod.h"

class CGraphDlg : public CDialog {
public:
    explicit CGraphDlg(IKestrumModExport* exportInterface);
    ~CGraphDlg() override;

    // Creates the window owned by the host's `parent` and placed at its right edge.
    BOOL CreateBeside(HWND parent);
    // Fills the property list from the module's tables, every series thinned; 0 without a module.
    BOOL LoadProps(CKestrumModImpl* module);

    CButton m_showSymbol;
    CButton m_rawData;
    CGraphCtrl m_graph;
    CComboBox m_propList;
    IKestrumModExport* m_pExport; // the module's at creation; not owned
    CToolTipCtrl m_toolTip;
    CMatProps m_workProps;          // drawn and applied: thinned or raw series
    CMatProps m_rawProps;           // the module's tables as they were
    std::vector<int32_t> m_thinned; // per property: 1 the working series is the thinned one

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;

private:
    void OnSelChange();
    void OnRawData();
    void OnShowSymbol();
    void OnApply();
    void OnSave();
    // The property behind the list's selection, or -1.
    int SelectedProperty() const;
    // Puts working property i into the graph and redraws it.
    void ShowPoints(size_t i);
    void ShowRawDataCheck(size_t i);
    bool HostTakes(KESTRUMMOD_DATATYPE type);
    void RemoveKeyHook();
    // False when the window went away while a nested modal loop ran (the host closed it); the
    // object is deleted then and must not be touched.
    static bool StillOpen(HWND window, const CGraphDlg* self);

    HWND m_hostParent = nullptr;
    HHOOK m_keyHook = nullptr;
};

// The one graph window, and the module that last opened it; both touched only on the user-interface
// thread.
extern CGraphDlg* g_pGraphDlg;
extern CKestrumModImpl* g_pGraphModule;

// Opens the graph window for `module` beside `parent`; a window that is already up is only shown and
// focused. Returns 1, or 0 when the window cannot be created.
int32_t OpenGraphWindow(CKestrumModImpl* module, HWND parent);
