#include "controls/vantrellistctrl.h"

#include <windowsx.h>

#include <algorithm>

BOOL CVantrelListCtrl::SetColumnKind(int column, int kind) {
    const int columns = GetColumnCount();
    if (column < 0 || column >= columns)
        return FALSE;
    if (m_columnKinds.size() < static_cast<size_t>(columns))
        m_columnKinds.resize(static_cast<size_t>(columns), LVK_NOT_EDITABLE);
    m_columnKinds[static_cast<size_t>(column)] = kind;
    return TRUE;
}

int CVantrelListCtrl::GetColumnKind(int column) const {
    if (column < 0 || static_cast<size_t>(column) >= m_columnKinds.size())
        return LVK_NOT_EDITABLE;
    return m_columnKinds[static_cast<size_t>(column)];
}

int CVantrelListCtrl::GetColumnFromPoint(POINT point, int row) const {
    if ((GetStyle() & LVS_TYPEMASK) != LVS_REPORT)
        return 0;
    RECT bounds;
    if (!GetItemRect(row, &bounds, LVIR_BOUNDS))
        return 0;
    // Columns in index order, each covering both of its edges: a point on a border is the left one's.
    int x = bounds.left;
    const int columns = GetColumnCount();
    for (int column = 0; column < columns; ++column) {
        const int width = GetColumnWidth(column);
        if (point.x >= x && point.x <= x + width)
            return column;
        x += width;
    }
    return 0;
}

BOOL CVantrelListCtrl::PlaceEditor(int row, int column, int minimumWidth, RECT* rect) {
    if (!EnsureVisible(row, TRUE))
        return FALSE;
    if (column < 0 || column >= GetColumnCount() || GetColumnWidth(column) < minimumWidth)
        return FALSE;
    int offset = 0;
    for (int i = 0; i < column; ++i)
        offset += GetColumnWidth(i);
    RECT bounds;
    GetItemRect(row, &bounds, LVIR_BOUNDS);
    RECT client;
    GetClientRect(&client);
    // A column scrolled away to either side comes to the left edge.
    if (bounds.left + offset < 0 || bounds.left + offset > client.right) {
        const int dx = bounds.left + offset;
        Scroll(dx, 0);
        bounds.left -= dx;
    }
    rect->left = bounds.left + offset + 4;
    rect->right = std::min<LONG>(client.right, rect->left + GetColumnWidth(column) - 3);
    rect->top = bounds.top;
    rect->bottom = bounds.bottom;
    return TRUE;
}

CInPlaceEdit* CVantrelListCtrl::EditSubLabel(int row, int column) {
    m_editing = TRUE;
    RECT rect;
    if (!PlaceEditor(row, column, 5, &rect)) {
        // No editor was opened, so no edit is in progress to hold back item-change notices for.
        m_editing = FALSE;
        return nullptr;
    }
    LVCOLUMNW format{};
    format.mask = LVCF_FMT;
    GetColumn(column, &format);
    DWORD alignment = ES_LEFT;
    if ((format.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT)
        alignment = ES_RIGHT;
    else if ((format.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_CENTER)
        alignment = ES_CENTER;

    auto* edit = new CInPlaceEdit(row, column, GetItemText(row, column));
    if (!edit->CreateEx(0, WC_EDITW, L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL | alignment,
                        rect, m_hWnd, IDC_INPLACE_EDITOR)) {
        delete edit;
        m_editing = FALSE;
        return nullptr;
    }
    return edit;
}

CInPlaceCombo* CVantrelListCtrl::ShowInPlaceList(int row, int column, const CStringList& items) {
    RECT rect;
    if (!PlaceEditor(row, column, 10, &rect))
        return nullptr;
    const int rowHeight = rect.bottom - rect.top;
    rect.bottom += 5 * rowHeight;

    auto* combo = new CInPlaceCombo(row, column, items);
    if (!combo->CreateEx(0, WC_COMBOBOXW, L"",
                         WS_CHILD | WS_VISIBLE | WS_BORDER | CBS_DROPDOWNLIST | CBS_DISABLENOSCROLL, rect,
                         m_hWnd, IDC_INPLACE_EDITOR)) {
        delete combo;
        return nullptr;
    }
    combo->SendMessage(CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), rowHeight);
    combo->SendMessage(CB_SETDROPPEDWIDTH, static_cast<WPARAM>(GetColumnWidth(column)));
    // Exactly the cell's text, case included; the combo's own search ignores case.
    const int count = combo->GetCount();
    for (int i = 0; i < count; ++i) {
        if (combo->GetLBText(i) == m_currentCellText) {
            combo->SetCurSel(i);
            break;
        }
    }
    return combo;
}

LRESULT CVantrelListCtrl::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_LBUTTONDBLCLK:
        OnLButtonDblClk(lParam);
        return Default(msg, wParam, lParam);
    case WM_CHAR:
        if (OnChar(wParam))
            return 0;
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        TakeFocus();
        break;
    case WM_MOUSEWHEEL: {
        const LRESULT result = Default(msg, wParam, lParam);
        TakeFocus();
        Invalidate(TRUE);
        return result;
    }
    case WM_CONTEXTMENU:
        // No context menu, and the parent is not asked for one either.
        return 0;
    default:
        break;
    }
    return CListCtrl::WindowProc(msg, wParam, lParam);
}

void CVantrelListCtrl::OnLButtonDblClk(LPARAM lParam) {
    LVHITTESTINFO hit{};
    hit.pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    // The sub-item hit test finds the row from any of its columns.
    SubItemHitTest(&hit);
    // No row, or row 0, which is never edited this way.
    const int row = hit.iItem;
    if (row <= 0)
        return;
    if (!(GetItemState(row, LVIS_FOCUSED) & LVIS_FOCUSED)) {
        // The first double-click on a row only makes it the current one; the next one edits.
        SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        return;
    }
    const int column = GetColumnFromPoint(hit.pt, row);
    m_currentCellText = GetItemText(row, column);
    if (!(GetStyle() & LVS_EDITLABELS) || column >= GetColumnCount())
        return;
    switch (GetColumnKind(column)) {
    case LVK_NUMERIC_EDIT:
        EditSubLabel(row, column);
        break;
    case LVK_DROPDOWN_LIST:
        ShowInPlaceList(row, column, m_comboItems);
        break;
    default:
        break;
    }
}

BOOL CVantrelListCtrl::OnChar(WPARAM ch) {
    // The characters that start a number open the editor with themselves as its first keystroke.
    if (!CInPlaceEdit::Accepts(ch))
        return FALSE;
    const int row = GetNextItem(-1, LVNI_SELECTED);
    if (row <= 0)
        return FALSE;
    // Typing always edits the value column, whatever its kind.
    CInPlaceEdit* edit = EditSubLabel(row, 1);
    if (!edit)
        return FALSE;
    const wchar_t typed[2] = {ch == VK_BACK ? L'\0' : static_cast<wchar_t>(ch), L'\0'};
    edit->ReplaceSel(typed, TRUE);
    return TRUE;
}

void CVantrelListCtrl::TakeFocus() {
    // Taking the focus ends an open editor before its cell moves away under it.
    if (!HasFocus())
        SetFocus();
}

BOOL CVantrelListCtrl::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (msg != WM_NOTIFY)
        return CListCtrl::OnChildNotify(msg, wParam, lParam, result);
    // The parent is a Unicode window, so the list view and the editors use the wide forms.
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    switch (header->code) {
    case LVN_BEGINLABELEDITW:
        return OnBeginLabelEdit(reinterpret_cast<const NMLVDISPINFOW*>(lParam), result);
    case LVN_ENDLABELEDITW:
        return OnEndLabelEdit(reinterpret_cast<const NMLVDISPINFOW*>(lParam), result);
    case LVN_ITEMCHANGED:
        return OnItemChanged(result);
    default:
        return CListCtrl::OnChildNotify(msg, wParam, lParam, result);
    }
}

BOOL CVantrelListCtrl::OnBeginLabelEdit(const NMLVDISPINFOW* info, LRESULT* result) {
    // The list view's own label editing only where the column is a numeric one.
    const int column = info->item.iSubItem;
    *result = (column >= 0 && GetColumnKind(column) == LVK_NUMERIC_EDIT) ? FALSE : TRUE;
    return TRUE;
}

BOOL CVantrelListCtrl::OnEndLabelEdit(const NMLVDISPINFOW* info, LRESULT* result) {
    *result = 0;
    // Cancelled or committed, the edit is over: after an Escape the parent hears of item changes again
    // at once, rather than only after the next committed edit.
    m_editing = FALSE;
    if (!info->item.pszText)
        return TRUE; // a cancelled edit changes nothing, so the parent is not told
    SetItemText(info->item.iItem, info->item.iSubItem, info->item.pszText);
    return FALSE;
}

BOOL CVantrelListCtrl::OnItemChanged(LRESULT* result) {
    *result = 0;
    const bool tell = GetNextItem(-1, LVNI_SELECTED) >= 0 && !m_editing;
    return tell ? FALSE : TRUE;
}
