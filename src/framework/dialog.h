// CDialog: a dialog from a resource template found through the resource chain, modal with the
// framework's own message loop (every message is offered to PreTranslateMessage first) or modeless,
// with data exchange between its controls and its members.
#pragma once

#include <windows.h>

#include "framework/wnd.h"

class CDialog;

// One pass of data exchange: from the controls into the members (save) or the other way round.
class CDataExchange {
public:
    CDataExchange(CDialog* dialog, BOOL saveAndValidate)
        : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}

    // The control with this ID; a missing control fails the exchange and gives null.
    HWND PrepareCtrl(int id);
    void Fail() { m_failed = true; }
    bool Failed() const { return m_failed; }

    CDialog* m_pDlgWnd;
    BOOL m_bSaveAndValidate;

private:
    bool m_failed = false;
};

// Binds a control object to the dialog's control, once; later passes leave the binding as it is.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
void DDX_Text(CDataExchange* dx, int id, CString& value);
// A check box: 0 unchecked, 1 checked, 2 indeterminate.
void DDX_Check(CDataExchange* dx, int id, int& value);
// A radio group starting at control `id` (the one with WS_GROUP) and running to the next control with
// WS_GROUP: the index among its radio buttons of the checked one, -1 when none is checked.
void DDX_Radio(CDataExchange* dx, int id, int& value);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr) : m_templateId(templateId), m_parent(parent) {}

    // Runs the dialog modally: its owner is disabled while it runs. Returns the value given to
    // EndDialog, or -1 when the template is not found, the window cannot be created or WM_QUIT ended
    // the loop (the quit message is posted again for the outer loop).
    virtual INT_PTR DoModal();
    // Creates the dialog modeless; the caller's message loop runs it.
    BOOL Create(CWnd* parent = nullptr);
    // The same, owned by a window that is not one of the framework's (a host program's window).
    BOOL CreateOwned(HWND owner);
    // Ends a modal dialog with `result` once the current message is handled; destroys a modeless one.
    void EndDialog(int result);
    // Runs DoDataExchange; FALSE when a control was missing.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    UINT GetTemplateId() const { return m_templateId; }

    // --- What a subclass overrides ---

    // Runs the data exchange into the controls; TRUE gives the focus to the first control.
    virtual BOOL OnInitDialog();
    // IDOK: data exchange from the controls, then EndDialog(IDOK) if it succeeded.
    virtual void OnOK();
    // IDCANCEL (also the close box and Escape): EndDialog(IDCANCEL).
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* dx);

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    // Keyboard messages get the dialog's navigation (Tab, Enter, Escape, mnemonics).
    BOOL PreTranslateMessage(MSG* msg) override;

private:
    BOOL CreateFromTemplate(HWND owner);
    static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);

    UINT m_templateId;
    CWnd* m_parent;
    bool m_modal = false;
    bool m_ending = false;
    INT_PTR m_result = -1;
};
