#include "controls/inplaceeditors.h"

#include <algorithm>

#include "framework/gdi.h"

namespace {

// The font of the list the editor belongs to.
HFONT ListFont(const CWnd& editor) {
    return reinterpret_cast<HFONT>(::SendMessageW(editor.GetParent(), WM_GETFONT, 0, 0));
}

// Translates and dispatches a key at once, so that the dialog's navigation never sees it.
BOOL DispatchNow(MSG* msg) {
    ::TranslateMessage(msg);
    ::DispatchMessageW(msg);
    return TRUE;
}

} // namespace

// --- CInPlaceEditor ---

template <class Base> LRESULT CInPlaceEditor<Base>::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        return OnCreate(wParam, lParam);
    case WM_CHAR:
        OnChar(wParam, lParam);
        return 0;
    default:
        return Base::WindowProc(msg, wParam, lParam);
    }
}

template <class Base> LRESULT CInPlaceEditor<Base>::OnCreate(WPARAM wParam, LPARAM lParam) {
    const LRESULT created = this->Default(WM_CREATE, wParam, lParam);
    if (created == -1)
        return -1;
    m_selfDeleting = true;
    this->SetFont(ListFont(*this));
    OnStart();
    return created;
}

template <class Base> void CInPlaceEditor<Base>::PostNcDestroy() {
    if (m_selfDeleting)
        delete this;
}

// Escape and Enter end an edit by giving the focus back to the list; Escape cancels it too.
template <class Base> void CInPlaceEditor<Base>::OnChar(WPARAM wParam, LPARAM lParam) {
    if (wParam != VK_ESCAPE && wParam != VK_RETURN) {
        OnTypedChar(wParam, lParam);
        return;
    }
    if (wParam == VK_ESCAPE)
        m_cancelled = true;
    ::SetFocus(this->GetParent());
}

template <class Base> void CInPlaceEditor<Base>::OnTypedChar(WPARAM wParam, LPARAM lParam) {
    this->Default(WM_CHAR, wParam, lParam);
}

// Tells the list control's parent how the edit ended, as the list view's own label editing does; the
// parent hands it to the list control first (reflection), which writes the text into the cell.
template <class Base> void CInPlaceEditor<Base>::SendEndLabelEdit() const {
    const HWND list = this->GetParent();
    CString text = this->GetWindowText();
    NMLVDISPINFOW info{};
    info.hdr.hwndFrom = list;
    info.hdr.idFrom = static_cast<UINT_PTR>(this->GetDlgCtrlID());
    info.hdr.code = LVN_ENDLABELEDITW;
    info.item.mask = LVIF_TEXT;
    info.item.iItem = m_row;
    info.item.iSubItem = m_column;
    info.item.pszText = m_cancelled ? nullptr : const_cast<LPWSTR>(text.GetString());
    info.item.cchTextMax = text.GetLength();
    ::SendMessageW(::GetParent(list), WM_NOTIFY, static_cast<WPARAM>(::GetDlgCtrlID(list)),
                   reinterpret_cast<LPARAM>(&info));
}

template class CInPlaceEditor<CEdit>;
template class CInPlaceEditor<CComboBox>;

// --- CInPlaceEdit ---

bool CInPlaceEdit::Accepts(WPARAM ch) {
    return (ch >= L'0' && ch <= L'9') || ch == VK_BACK || ch == L'.' || ch == L'-';
}

BOOL CInPlaceEdit::PreTranslateMessage(MSG* msg) {
    if (msg->message != WM_KEYDOWN)
        return FALSE;
    const WPARAM key = msg->wParam;
    if (key == VK_RETURN || key == VK_DELETE || key == VK_ESCAPE || ::GetKeyState(VK_CONTROL))
        return DispatchNow(msg);
    return FALSE;
}

LRESULT CInPlaceEdit::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_KILLFOCUS:
        // The window, and with it this object, is gone afterwards.
        OnKillFocus(wParam, lParam);
        return 0;
    default:
        return CInPlaceEditor::WindowProc(msg, wParam, lParam);
    }
}

void CInPlaceEdit::OnStart() {
    SetWindowText(m_initialText);
    SetFocus();
    SetSel(0, -1);
}

void CInPlaceEdit::OnTypedChar(WPARAM wParam, LPARAM lParam) {
    // The edit does not check that the text is a number; it only keeps other characters out.
    if (!Accepts(wParam))
        return;
    Default(WM_CHAR, wParam, lParam);
    GrowToText();
}

void CInPlaceEdit::GrowToText() {
    const HWND list = GetParent();
    const CString text = GetWindowText();
    SIZE size{};
    {
        CClientDC dc(m_hWnd);
        dc.SelectObject(ListFont(*this));
        size = dc.GetTextExtent(text, text.GetLength());
    }
    const LONG wanted = size.cx + 5;
    RECT client;
    GetClientRect(&client);
    if (client.right - client.left >= wanted)
        return;
    RECT rect;
    GetWindowRect(&rect);
    ::MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&rect), 2);
    RECT listClient;
    ::GetClientRect(list, &listClient);
    rect.right = std::min(rect.left + wanted, listClient.right);
    MoveWindow(rect);
}

void CInPlaceEdit::OnKillFocus(WPARAM wParam, LPARAM lParam) {
    Default(WM_KILLFOCUS, wParam, lParam);
    SendEndLabelEdit();
    DestroyWindow();
}

// --- CInPlaceCombo ---

BOOL CInPlaceCombo::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE))
        return DispatchNow(msg);
    return FALSE;
}

void CInPlaceCombo::OnStart() {
    for (const CString& item : m_items)
        AddString(item);
    // With fewer items than the index nothing is selected.
    SetCurSel(m_initialSelection);
    SetFocus();
}

BOOL CInPlaceCombo::OnChildNotify(UINT msg, WPARAM wParam, LPARAM, LRESULT* result) {
    if (msg != WM_COMMAND)
        return FALSE;
    switch (HIWORD(wParam)) {
    case CBN_CLOSEUP:
        OnCloseUp();
        break;
    case CBN_KILLFOCUS:
        OnKillFocus();
        break;
    default:
        return FALSE;
    }
    *result = 0;
    return TRUE;
}

void CInPlaceCombo::OnCloseUp() {
    const int selection = GetCurSel();
    if (selection >= 0)
        SetCurSel(FindStringExact(-1, GetLBText(selection)));
    // Closing the drop-down ends the edit: the new choice is committed at once.
    ::SetFocus(GetParent());
}

void CInPlaceCombo::OnKillFocus() {
    SendEndLabelEdit();
    // Posted: the combo is still in the middle of its own focus change.
    PostMessage(WM_CLOSE);
}
