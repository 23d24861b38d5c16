// Short-lived editors that a list control puts over one of its cells. Each one lives until it loses
// the keyboard focus, then tells the list's parent the outcome with the list view's own end-of-label-
// edit notification (a null text when the edit was cancelled) and destroys itself; the object deletes
// itself after its window is gone, so the list control allocates it and forgets it.
#pragma once

#include "framework/controls.h"
#include "framework/stringlist.h"

// The control ID of every in-place editor.
constexpr UINT IDC_INPLACE_EDITOR = 1015;

// A numeric editor: digits, ".", "-" and backspace only, growing with its text up to the list's edge.
class CInPlaceEdit : public CEdit {
public:
    CInPlaceEdit(int row, int column, const CString& initialText)
        : m_row(row), m_column(column), m_initialText(initialText) {}

    int GetRow() const { return m_row; }
    int GetColumn() const { return m_column; }
    // The characters the edit keeps: digits, ".", "-" and backspace.
    static bool Accepts(WPARAM ch);

    // Enter, Delete, Escape and control-key combinations go to the edit before the dialog can take
    // them for its buttons.
    BOOL PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // Deletes the object once its window was created; a failed creation leaves it to the caller.
    void PostNcDestroy() override;

private:
    LRESULT OnCreate(WPARAM wParam, LPARAM lParam);
    void OnChar(WPARAM wParam, LPARAM lParam);
    void OnKillFocus(WPARAM wParam, LPARAM lParam);
    void GrowToText();

    int m_row;
    int m_column;
    CString m_initialText;
    int m_cancelled = 0;
    bool m_selfDeleting = false;
};

// A drop-down list of fixed texts.
class CInPlaceCombo : public CComboBox {
public:
    CInPlaceCombo(int row, int column, const CStringList& items)
        : m_row(row), m_column(column), m_items(items) {}

    int GetRow() const { return m_row; }
    int GetColumn() const { return m_column; }

    BOOL PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // The combo's own CBN_CLOSEUP and CBN_KILLFOCUS, reflected by the list control.
    BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void PostNcDestroy() override;

private:
    LRESULT OnCreate(WPARAM wParam, LPARAM lParam);
    void OnChar(WPARAM wParam, LPARAM lParam);
    void OnCloseUp();
    void OnKillFocus();

    int m_row;
    int m_column;
    // The selection the combo opens with; the list control then selects the cell's own text if the
    // list holds it.
    int m_initialSelection = 2;
    CStringList m_items;
    int m_cancelled = 0;
    bool m_selfDeleting = false;
};
