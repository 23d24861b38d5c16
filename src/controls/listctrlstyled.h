// CListCtrlStyled: a report-view list with font and colour styles per row, per cell and per column,
// drawn through the list view's custom draw. Every row's item data is its style record, which also
// keeps the owner's own value for the row; rows must therefore be inserted (and deleted) through this
// class, which creates and frees the records.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "controls/vantrellistctrl.h"
#include "framework/gdi.h"

// Style flags of a record.
enum : UINT {
    LIS_BOLD = 0x01,
    LIS_ITALIC = 0x02,
    LIS_UNDERLINE = 0x04,
    LIS_STRIKEOUT = 0x08,
    LIS_TXTCOLOR = 0x10,
    LIS_BGCOLOR = 0x20,
    LIS_NOCOLSTYLE = 0x40, // the column's style does not apply
    LIS_NOROWSTYLE = 0x80, // the row's style does not apply
};
constexpr UINT LIS_FONTMASK = LIS_BOLD | LIS_ITALIC | LIS_UNDERLINE | LIS_STRIKEOUT;

// A style record: a row's (with its cells after the first column), a cell's, a row-wide or column style,
// or the selected-state variant of any of these. A record owns what hangs from it, fonts included.
struct iLS_item {
    iLS_item();
    ~iLS_item();
    iLS_item(const iLS_item&) = delete;
    iLS_item& operator=(const iLS_item&) = delete;

    // Records alive in the process; a list that frees what it made brings this back to where it was.
    static int LiveCount();

    LPARAM userData = 0;    // the owner's own value for the row
    int hasUserData = 0;    // 1 when the owner gave one at insertion
    UINT style = 0;         // LIS_ flags
    BYTE defined = 0;       // 1 when the record carries a style (consulted for selected-state variants)
    COLORREF textColor = 0; // with LIS_TXTCOLOR
    COLORREF bkColor = 0;   // with LIS_BGCOLOR
    std::vector<std::unique_ptr<iLS_item>> cells; // row record only: columns 1, 2, ...
    std::unique_ptr<iLS_item> rowStyle;           // row record only: applies to every cell of the row
    std::unique_ptr<iLS_item> selectedStyle;      // used instead of this record while the row is selected
    std::unique_ptr<CFont> font;                  // made from the font flags on first use
    std::unique_ptr<CFont> mergedFont;            // cell, row and column fonts combined, cached on the cell
};
static_assert(sizeof(LPARAM) == 8, "the owner's value is 64 bits wide");

class CListCtrlStyled : public CVantrelListCtrl {
public:
    CListCtrlStyled();
    ~CListCtrlStyled() override;

    // Inserts a column and makes room for its styles in every row; -1 (and nothing changed) on failure.
    int InsertColumn(int index, const LVCOLUMNW& column);
    int InsertColumn(int index, LPCWSTR heading, int format = LVCFMT_LEFT, int width = -1);
    // Inserts a row with its style record; item data in the description becomes the owner's value.
    int InsertItem(const LVITEMW& item);
    int InsertItem(int index, LPCWSTR text);
    int InsertItem(int index, LPCWSTR text, LPARAM userData);
    // An empty row whose owner's value is 0.
    int InsertEmptyRow(int index);
    BOOL DeleteItem(int index);
    BOOL DeleteAllItems();

    // The row's style record, or null.
    iLS_item* GetRowRecord(int row) const;
    // The owner's own value for a row, kept in its record (the item data is the record itself).
    BOOL SetUserData(int row, LPARAM value);
    LPARAM GetUserData(int row) const;
    // Would replace the record with something else.
    BOOL SetItemData(int index, DWORD_PTR data) = delete;

    // Draws row 0 in bold.
    BOOL BoldFirstRow();
    // Styles of a row, a cell or a column: flags (LIS_), with the colours that LIS_TXTCOLOR and
    // LIS_BGCOLOR ask for. The module itself only makes its first row bold; these are the setters a
    // user of the control would look for, one per kind of record, and drawing resolves what they set
    // by the same rules as the bold row. `selected` sets the variant used while the row is selected instead.
    // Column 0 is the row record itself, so a cell style on column 0 styles the row's first cell.
    BOOL SetRowStyle(int row, UINT style, COLORREF text = 0, COLORREF background = 0, BOOL selected = FALSE);
    BOOL SetCellStyle(int row, int column, UINT style, COLORREF text = 0, COLORREF background = 0,
                      BOOL selected = FALSE);
    BOOL SetColumnStyle(int column, UINT style, COLORREF text = 0, COLORREF background = 0,
                        BOOL selected = FALSE);

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    struct Style {
        COLORREF text;
        COLORREF background;
        HFONT font;
    };

    LRESULT OnCustomDraw(NMLVCUSTOMDRAW* draw);
    Style ResolveStyle(iLS_item* rowRecord, int column);
    // The record's style font, made on first use; sets `made` when it was made now.
    HFONT RecordFont(iLS_item* record, bool* made);
    HFONT MergedFont(iLS_item* cell, iLS_item* row, iLS_item* column);
    // Applies a style to a record and forgets the fonts made from its old one.
    static void ApplyStyle(iLS_item* record, UINT style, COLORREF text, COLORREF background);
    void SetSelectedState(int item, bool selected);

    HFONT m_savedItemFont = nullptr;
    HFONT m_savedCellFont = nullptr;
    HFONT m_baseFont = nullptr;
    LOGFONTW m_baseLogFont{};
    bool m_selected = false;
    COLORREF m_selectionBk;
    COLORREF m_selectionText;
    std::vector<std::unique_ptr<iLS_item>> m_columnStyles;
    // Set while drawing flips an item's selected state, whose change notices are no news to anyone.
    bool m_drawingFlip = false;
};
