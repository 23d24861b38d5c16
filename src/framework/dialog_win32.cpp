#include "framework/dialog.h"

#include "framework/reschain.h"

HWND CDataExchange::PrepareCtrl(int id) {
    const HWND control = m_pDlgWnd->GetDlgItem(id);
    if (!control)
        Fail();
    return control;
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
    if (control.m_hWnd)
        return;
    if (const HWND item = dx->PrepareCtrl(id))
        control.SubclassWindow(item);
}

void DDX_Text(CDataExchange* dx, int id, CString& value) {
    const HWND control = dx->PrepareCtrl(id);
    if (!control)
        return;
    if (dx->m_bSaveAndValidate) {
        std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
        text.resize(
            static_cast<size_t>(::GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
        value = CString(std::move(text));
    } else {
        ::SetWindowTextW(control, value);
    }
}

void DDX_Check(CDataExchange* dx, int id, int& value) {
    const HWND control = dx->PrepareCtrl(id);
    if (!control)
        return;
    if (dx->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessageW(control, BM_GETCHECK, 0, 0));
    else
        ::SendMessageW(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Radio(CDataExchange* dx, int id, int& value) {
    const HWND first = dx->PrepareCtrl(id);
    if (!first)
        return;
    if (dx->m_bSaveAndValidate)
        value = -1;
    // Only radio buttons count; other controls inside the group keep the numbering as it is.
    int index = 0;
    for (HWND control = first; control; control = ::GetWindow(control, GW_HWNDNEXT)) {
        if (control != first && (::GetWindowLongW(control, GWL_STYLE) & WS_GROUP))
            break;
        if (!(::SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON))
            continue;
        if (dx->m_bSaveAndValidate) {
            if (::SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED)
                value = index;
        } else {
            ::SendMessageW(control, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        ++index;
    }
}

// Our window procedure sits in front of the dialog manager's from the window's first message on, so
// the dialog procedure only has to leave everything to the dialog manager's default handling.
INT_PTR CALLBACK CDialog::DialogProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

BOOL CDialog::CreateFromTemplate(HWND owner) {
    HINSTANCE instance = nullptr;
    const HRSRC resource = FindChainResource(MAKEINTRESOURCEW(m_templateId), MAKEINTRESOURCEW(5), &instance);
    if (!resource)
        return FALSE;
    const HGLOBAL loaded = ::LoadResource(instance, resource);
    const auto* dialogTemplate = static_cast<LPCDLGTEMPLATEW>(::LockResource(loaded));
    if (!dialogTemplate)
        return FALSE;
    m_ending = false;
    return CreateHooked([&] {
               return ::CreateDialogIndirectParamW(instance, dialogTemplate, owner, &CDialog::DialogProc, 0);
           }) != nullptr;
}

INT_PTR CDialog::DoModal() {
    HWND owner = m_parent ? m_parent->m_hWnd : ::GetActiveWindow();
    if (owner)
        owner = ::GetAncestor(owner, GA_ROOT);
    m_result = -1;
    if (!CreateFromTemplate(owner))
        return -1;
    const bool disabled = owner && ::IsWindowEnabled(owner);
    if (disabled)
        ::EnableWindow(owner, FALSE);
    m_modal = true;
    ShowWindow(SW_SHOWNORMAL);

    MSG msg;
    while (m_modal && !m_ending && m_hWnd) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            m_result = -1;
            break;
        }
        if (got == -1)
            break;
        if (!WalkPreTranslateTree(m_hWnd, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    m_modal = false;

    // Hidden without passing the activation on, before the owner comes back, so that the owner is
    // activated below rather than whatever window the system would pick while the owner is disabled.
    if (m_hWnd)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    if (disabled)
        ::EnableWindow(owner, TRUE);
    if (owner && ::GetActiveWindow() == m_hWnd)
        ::SetActiveWindow(owner);
    DestroyWindow();
    return m_result;
}

BOOL CDialog::Create(CWnd* parent) {
    if (parent)
        m_parent = parent;
    m_modal = false;
    return CreateFromTemplate(m_parent ? m_parent->m_hWnd : nullptr);
}

BOOL CDialog::CreateOwned(HWND owner) {
    m_parent = nullptr;
    m_modal = false;
    return CreateFromTemplate(owner);
}

void CDialog::EndDialog(int result) {
    m_result = result;
    if (m_modal) {
        m_ending = true;
        PostMessage(WM_NULL); // wakes the loop, which looks at m_ending after every message
    } else {
        DestroyWindow();
    }
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    return dx.Failed() ? FALSE : TRUE;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}

LRESULT CDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG)
        return OnInitDialog();
    return CWnd::WindowProc(msg, wParam, lParam);
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM) {
    // Buttons click, Enter and Escape say BN_CLICKED (0); menus and accelerators 0 and 1.
    if (HIWORD(wParam) > 1)
        return FALSE;
    switch (LOWORD(wParam)) {
    case IDOK:
        OnOK();
        return TRUE;
    case IDCANCEL:
        OnCancel();
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
    if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST)
        return FALSE;
    return ::IsDialogMessageW(m_hWnd, msg);
}
