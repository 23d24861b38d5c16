// Short-lived editors that a list control puts over one of its cells. Each one lives until it loses
// the keyboard focus, then tells the list's parent the outcome with the list view's own end-of-label-
// edit notification (a null text when the edit was cancelled) and destroys itself; the object deletes
// itself after its window is gone, so the list control allocates it and forgets it.
#pragma once

#include "framework/controls.h"
#include "framework/stringlist.h"

// The control ID of every in-place editor.
constexpr UINT IDC_INPLACE_EDITOR = 1015;

// What both editors share over their control class (CEdit, CComboBox): the cell, the creation start
// with the list's font, Enter and Escape, the end-of-edit notification and the self-deletion.
template <class Base> class CInPlaceEditor : public Base {
public:
    CInPlaceEditor(int row, int column) : m_row(row), m_column(column) {}

    int GetRow() const { return m_row; }
    int GetColumn() const { return m_column; }

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // Deletes the object once its window was created; a failed creation leaves it to the caller.
    void PostNcDestroy() override;

protected:
    // Fills the new control, whose font is the list's by then, and gives it the focus.
    virtual void OnStart() = 0;
    // A character other than Enter and Escape; the control's own handling unless overridden.
    virtual void OnTypedChar(WPARAM wParam, LPARAM lParam);
    void SendEndLabelEdit() const;

private:
    LRESULT OnCreate(WPARAM wParam, LPARAM lParam);
    void OnChar(WPARAM wParam, LPARAM lParam);

    int m_row;
    int m_column;
    bool m_cancelled = false;
    bool m_selfDeleting = false;
};

extern template class CInPlaceEditor<CEdit>;
extern template class CInPlaceEditor<CComboBox>;

// A numeric editor: digits, ".", "-" and backspace only, growing with its text up to the list's edge.
class CInPlaceEdit : public CInPlaceEditor<CEdit> {
public:
    CInPlaceEdit(int row, int column, const CString& initialText)
        : CInPlaceEditor(row, column), m_initialText(initialText) {}

    // The characters the edit keeps: digits, ".", "-" and backspace.
    static bool Accepts(WPARAM ch);

    // Enter, Delete, Escape and control-key combinations go to the edit before the dialog can take
    // them for its buttons.
    BOOL PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void OnStart() override;
    void OnTypedChar(WPARAM wParam, LPARAM lParam) override;
    void OnKillFocus(WPARAM wParam, LPARAM lParam);
    void GrowToText();

    CString m_initialText;
};

// A drop-down list of fixed texts.
class CInPlaceCombo : public CInPlaceEditor<CComboBox> {
public:
    CInPlaceCombo(int row, int column, const CStringList& items)
        : CInPlaceEditor(row, column), m_items(items) {}

    BOOL PreTranslateMessage(MSG* msg) override;
    // The combo's own CBN_CLOSEUP and CBN_KILLFOCUS, reflected by the list control.
    BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    void OnStart() override;
    void OnCloseUp();
    void OnKillFocus();

    // The selection the combo opens with; the list control then selects the cell's own text if the
    // list holds it.
    int m_initialSelection = 2;
    CStringList m_items;
};
