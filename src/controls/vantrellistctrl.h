// CVantrelListCtrl: a report-view list whose cells are edited in place. Each column has an editor kind;
// a double-click on the focused row, or a digit typed on a selected row, opens the editor over the
// cell, and the editor's end-of-edit notification, reflected back here, writes the cell before the
// parent is told.
#pragma once

#include <vector>

#include "controls/inplaceeditors.h"
#include "framework/controls.h"
#include "framework/stringlist.h"

// The editor kind of a column.
enum : int {
    LVK_NOT_EDITABLE = 0,
    LVK_NUMERIC_EDIT = 1,  // CInPlaceEdit
    LVK_DROPDOWN_LIST = 2, // CInPlaceCombo with the list's combo items
};

class CVantrelListCtrl : public CListCtrl {
public:
    // Opens the numeric editor over a cell; null when the row cannot be shown or the column is missing
    // or narrower than 5 pixels. The editor deletes itself.
    CInPlaceEdit* EditSubLabel(int row, int column);
    // Opens a drop-down editor over a cell offering `items`, preselecting the current cell text;
    // null when the row cannot be shown or the column is missing or narrower than 10 pixels.
    CInPlaceCombo* ShowInPlaceList(int row, int column, const CStringList& items);
    // The column under a point of the client area in the given row's line: 0 when none is, or the list
    // is not in report view.
    int GetColumnFromPoint(POINT point, int row) const;

    // Editor kinds are kept per column index; set them once the columns exist.
    BOOL SetColumnKind(int column, int kind);
    int GetColumnKind(int column) const;
    // The texts every drop-down editor of this list offers.
    CStringList& GetComboItems() { return m_comboItems; }
    // Whether a numeric edit is open and not yet committed; item-change notices wait meanwhile.
    BOOL IsEditing() const { return m_editing; }

    // --- What a subclass overrides ---

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // Begin and end of label editing and item changes, before the parent sees them.
    BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    void OnLButtonDblClk(LPARAM lParam);
    BOOL OnChar(WPARAM wParam);
    // Scrolling takes the focus, which ends an open editor.
    void TakeFocus();
    BOOL OnBeginLabelEdit(const NMLVDISPINFOW* info, LRESULT* result);
    BOOL OnEndLabelEdit(const NMLVDISPINFOW* info, LRESULT* result);
    BOOL OnItemChanged(LRESULT* result);
    // The cell's rectangle for an editor, with the cell scrolled into view; FALSE when no editor can
    // go there.
    BOOL PlaceEditor(int row, int column, int minimumWidth, RECT* rect);

    // Text of the cell last double-clicked for editing; preselects the drop-down's item.
    CString m_currentCellText;
    BOOL m_editing = FALSE;
    CStringList m_comboItems;
    std::vector<int> m_columnKinds;
};
