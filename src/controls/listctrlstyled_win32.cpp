#include "controls/listctrlstyled.h"

#include <algorithm>
#include <atomic>
#include <cwchar>

namespace {

std::atomic<int> g_liveRecords{0};

// Which of the column and the row styles apply to a cell: each record may switch off the others.
void Inherit(const iLS_item* cell, const iLS_item* row, const iLS_item* column, bool* useColumn,
             bool* useRow) {
    *useColumn = *useRow = true;
    if (cell) {
        if (cell->style & LIS_NOCOLSTYLE)
            *useColumn = false;
        if (cell->style & LIS_NOROWSTYLE)
            *useRow = false;
    }
    if (row && *useColumn && *useRow && (row->style & LIS_NOCOLSTYLE))
        *useColumn = false;
    if (column && *useColumn && *useRow && (column->style & LIS_NOROWSTYLE))
        *useRow = false;
}

// The record whose style a selected row uses: its selected variant (which may be absent).
iLS_item* SelectedVariant(const iLS_item* record) {
    return record ? record->selectedStyle.get() : nullptr;
}

// For fonts a selected variant only counts when it carries a style.
iLS_item* DefinedOr(iLS_item* variant, iLS_item* record) {
    return (variant && variant->defined) ? variant : record;
}

// The record in a slot, made empty on first use.
iLS_item* Ensure(std::unique_ptr<iLS_item>& slot) {
    if (!slot)
        slot = std::make_unique<iLS_item>();
    return slot.get();
}

// Copies into `target` every field of `font` that differs from `base`.
void ApplyDifferences(LOGFONTW* target, const LOGFONTW& font, const LOGFONTW& base) {
    auto take = [](auto& to, const auto& from, const auto& baseValue) {
        if (from != baseValue)
            to = from;
    };
    take(target->lfHeight, font.lfHeight, base.lfHeight);
    take(target->lfWidth, font.lfWidth, base.lfWidth);
    take(target->lfEscapement, font.lfEscapement, base.lfEscapement);
    take(target->lfOrientation, font.lfOrientation, base.lfOrientation);
    take(target->lfWeight, font.lfWeight, base.lfWeight);
    take(target->lfItalic, font.lfItalic, base.lfItalic);
    take(target->lfUnderline, font.lfUnderline, base.lfUnderline);
    take(target->lfStrikeOut, font.lfStrikeOut, base.lfStrikeOut);
    take(target->lfCharSet, font.lfCharSet, base.lfCharSet);
    take(target->lfOutPrecision, font.lfOutPrecision, base.lfOutPrecision);
    take(target->lfClipPrecision, font.lfClipPrecision, base.lfClipPrecision);
    take(target->lfQuality, font.lfQuality, base.lfQuality);
    take(target->lfPitchAndFamily, font.lfPitchAndFamily, base.lfPitchAndFamily);
    if (std::wcscmp(font.lfFaceName, base.lfFaceName) != 0)
        std::wcscpy(target->lfFaceName, font.lfFaceName);
}

} // namespace

iLS_item::iLS_item() {
    ++g_liveRecords;
}

iLS_item::~iLS_item() {
    --g_liveRecords;
}

int iLS_item::LiveCount() {
    return g_liveRecords;
}

CListCtrlStyled::CListCtrlStyled()
    : m_selectionBk(::GetSysColor(COLOR_HIGHLIGHT)), m_selectionText(::GetSysColor(COLOR_HIGHLIGHTTEXT)) {}

CListCtrlStyled::~CListCtrlStyled() {
    // A list still on screen (its dialog outlives this object) gives back its rows' records now.
    if (IsWindow())
        DeleteAllItems();
}

int CListCtrlStyled::InsertColumn(int index, const LVCOLUMNW& column) {
    const int inserted = static_cast<int>(
        SendMessage(LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column)));
    if (inserted < 0)
        return -1;
    const auto slot = std::min(static_cast<size_t>(inserted), m_columnStyles.size());
    m_columnStyles.insert(m_columnStyles.begin() + static_cast<std::ptrdiff_t>(slot), nullptr);
    m_columnStyles.resize(static_cast<size_t>(GetColumnCount()));
    // Cells of column 1 and after: the new column's cell goes where the column went.
    const auto cell = static_cast<size_t>(std::max(inserted - 1, 0));
    const int rows = GetItemCount();
    for (int row = 0; row < rows; ++row) {
        if (iLS_item* record = GetRowRecord(row)) {
            const auto at = std::min(cell, record->cells.size());
            record->cells.insert(record->cells.begin() + static_cast<std::ptrdiff_t>(at),
                                 std::make_unique<iLS_item>());
        }
    }
    return inserted;
}

int CListCtrlStyled::InsertColumn(int index, LPCWSTR heading, int format, int width) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_FMT | (width >= 0 ? LVCF_WIDTH : 0);
    column.fmt = format;
    column.cx = width;
    column.pszText = const_cast<LPWSTR>(heading);
    return InsertColumn(index, column);
}

int CListCtrlStyled::InsertItem(const LVITEMW& item) {
    auto record = std::make_unique<iLS_item>();
    const int columns = GetColumnCount();
    for (int column = 1; column < columns; ++column)
        record->cells.push_back(std::make_unique<iLS_item>());
    LVITEMW withRecord = item;
    if (item.mask & LVIF_PARAM) {
        record->userData = item.lParam;
        record->hasUserData = 1;
    }
    withRecord.mask |= LVIF_PARAM;
    withRecord.lParam = reinterpret_cast<LPARAM>(record.get());
    const int index =
        static_cast<int>(SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&withRecord)));
    if (index >= 0)
        record.release(); // the row owns it now
    return index;
}

int CListCtrlStyled::InsertItem(int index, LPCWSTR text) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<LPWSTR>(text);
    return InsertItem(item);
}

int CListCtrlStyled::InsertItem(int index, LPCWSTR text, LPARAM userData) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = const_cast<LPWSTR>(text);
    item.lParam = userData;
    return InsertItem(item);
}

int CListCtrlStyled::InsertEmptyRow(int index) {
    return InsertItem(index, L"", 0);
}

iLS_item* CListCtrlStyled::GetRowRecord(int row) const {
    if (row < 0 || row >= GetItemCount())
        return nullptr;
    return reinterpret_cast<iLS_item*>(GetItemData(row));
}

BOOL CListCtrlStyled::SetUserData(int row, LPARAM value) {
    iLS_item* record = GetRowRecord(row);
    if (!record)
        return FALSE;
    record->userData = value;
    record->hasUserData = 1;
    return TRUE;
}

LPARAM CListCtrlStyled::GetUserData(int row) const {
    const iLS_item* record = GetRowRecord(row);
    return record ? record->userData : 0;
}

BOOL CListCtrlStyled::DeleteItem(int index) {
    iLS_item* record = GetRowRecord(index);
    if (!CVantrelListCtrl::DeleteItem(index))
        return FALSE;
    // Freed after the row is gone: the deletion notice still carries the record as the item's data.
    delete record;
    return TRUE;
}

BOOL CListCtrlStyled::DeleteAllItems() {
    while (GetItemCount() > 0) {
        if (!DeleteItem(0))
            break;
    }
    return CVantrelListCtrl::DeleteAllItems();
}

void CListCtrlStyled::ApplyStyle(iLS_item* record, UINT style, COLORREF text, COLORREF background) {
    record->style = style;
    record->textColor = text;
    record->bkColor = background;
    record->defined = 1;
    record->font.reset();
    record->mergedFont.reset();
}

BOOL CListCtrlStyled::BoldFirstRow() {
    iLS_item* record = GetRowRecord(0);
    if (!record)
        return FALSE;
    ApplyStyle(Ensure(record->rowStyle), LIS_BOLD, 0, 0);
    Update(0);
    return TRUE;
}

BOOL CListCtrlStyled::SetRowStyle(int row, UINT style, COLORREF text, COLORREF background, BOOL selected) {
    iLS_item* record = GetRowRecord(row);
    if (!record)
        return FALSE;
    iLS_item* target = Ensure(record->rowStyle);
    if (selected)
        target = Ensure(target->selectedStyle);
    ApplyStyle(target, style, text, background);
    Update(row);
    return TRUE;
}

BOOL CListCtrlStyled::SetCellStyle(int row, int column, UINT style, COLORREF text, COLORREF background,
                                   BOOL selected) {
    iLS_item* record = GetRowRecord(row);
    if (!record || column < 0 || static_cast<size_t>(column) > record->cells.size())
        return FALSE;
    iLS_item* target = column == 0 ? record : record->cells[static_cast<size_t>(column) - 1].get();
    if (selected)
        target = Ensure(target->selectedStyle);
    ApplyStyle(target, style, text, background);
    Update(row);
    return TRUE;
}

BOOL CListCtrlStyled::SetColumnStyle(int column, UINT style, COLORREF text, COLORREF background,
                                     BOOL selected) {
    if (column < 0 || static_cast<size_t>(column) >= m_columnStyles.size())
        return FALSE;
    iLS_item* target = Ensure(m_columnStyles[static_cast<size_t>(column)]);
    if (selected)
        target = Ensure(target->selectedStyle);
    ApplyStyle(target, style, text, background);
    Invalidate(TRUE);
    return TRUE;
}

LRESULT CListCtrlStyled::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY)
        DeleteAllItems();
    return CVantrelListCtrl::WindowProc(msg, wParam, lParam);
}

BOOL CListCtrlStyled::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (msg == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code == NM_CUSTOMDRAW) {
            *result = OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
            return TRUE;
        }
        // The selected state that drawing takes away and gives back is no change of selection.
        if (m_drawingFlip && (header->code == LVN_ITEMCHANGING || header->code == LVN_ITEMCHANGED)) {
            *result = 0;
            return TRUE;
        }
    }
    return CVantrelListCtrl::OnChildNotify(msg, wParam, lParam, result);
}

void CListCtrlStyled::SetSelectedState(int item, bool selected) {
    m_drawingFlip = true;
    SetItemState(item, selected ? LVIS_SELECTED : 0, LVIS_SELECTED);
    m_drawingFlip = false;
}

LRESULT CListCtrlStyled::OnCustomDraw(NMLVCUSTOMDRAW* draw) {
    const HDC dc = draw->nmcd.hdc;
    const int item = static_cast<int>(draw->nmcd.dwItemSpec);
    auto* record = reinterpret_cast<iLS_item*>(draw->nmcd.lItemlParam);
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        m_savedItemFont = m_savedCellFont = nullptr;
        return CDRF_NOTIFYITEMDRAW;

    case CDDS_ITEMPREPAINT: {
        if (!m_baseFont) {
            // Captured once: every style font is this one with other weight or decorations.
            m_baseFont = static_cast<HFONT>(::GetCurrentObject(dc, OBJ_FONT));
            ::GetObjectW(m_baseFont, sizeof m_baseLogFont, &m_baseLogFont);
        }
        // The list view would paint a selected row in its own colours (grey while it has no focus); it
        // is drawn unselected in the highlight colours instead, and selected again afterwards. The
        // list view reads the state for this drawing from the notification, so it goes there too.
        m_selected = (GetItemState(item, LVIS_SELECTED) & LVIS_SELECTED) != 0;
        if (m_selected) {
            SetSelectedState(item, false);
            draw->nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED);
        }
        const Style style = ResolveStyle(record, 0);
        draw->clrText = style.text;
        draw->clrTextBk = style.background;
        LRESULT answer = CDRF_NOTIFYSUBITEMDRAW;
        m_savedItemFont = nullptr;
        if (style.font) {
            m_savedItemFont = static_cast<HFONT>(::SelectObject(dc, style.font));
            answer |= CDRF_NEWFONT;
        }
        if (m_selected || style.font)
            answer |= CDRF_NOTIFYPOSTPAINT;
        return answer;
    }

    case CDDS_ITEMPOSTPAINT:
        if (m_savedItemFont) {
            ::SelectObject(dc, m_savedItemFont);
            m_savedItemFont = nullptr;
        }
        if (m_selected)
            SetSelectedState(item, true);
        return CDRF_DODEFAULT;

    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        if (m_selected)
            draw->nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED);
        const Style style = ResolveStyle(record, draw->iSubItem);
        draw->clrText = style.text;
        draw->clrTextBk = style.background;
        m_savedCellFont = nullptr;
        // Without a font of its own the cell goes back to the list's font, so a row font does not
        // spill into a cell that the row style does not reach.
        const HFONT font = style.font ? style.font : m_savedItemFont;
        if (!font)
            return CDRF_DODEFAULT;
        m_savedCellFont = static_cast<HFONT>(::SelectObject(dc, font));
        return CDRF_NEWFONT | CDRF_NOTIFYPOSTPAINT;
    }

    case CDDS_ITEMPOSTPAINT | CDDS_SUBITEM:
        if (m_savedCellFont) {
            ::SelectObject(dc, m_savedCellFont);
            m_savedCellFont = nullptr;
        }
        return CDRF_DODEFAULT;

    default:
        return CDRF_DODEFAULT;
    }
}

CListCtrlStyled::Style CListCtrlStyled::ResolveStyle(iLS_item* rowRecord, int column) {
    iLS_item* baseCell = nullptr;
    iLS_item* baseRow = nullptr;
    if (rowRecord) {
        baseRow = rowRecord->rowStyle.get();
        if (column == 0)
            baseCell = rowRecord;
        else if (column > 0 && static_cast<size_t>(column) <= rowRecord->cells.size())
            baseCell = rowRecord->cells[static_cast<size_t>(column) - 1].get();
    }
    iLS_item* baseColumn = (column >= 0 && static_cast<size_t>(column) < m_columnStyles.size())
                               ? m_columnStyles[static_cast<size_t>(column)].get()
                               : nullptr;

    iLS_item* cell = m_selected ? SelectedVariant(baseCell) : baseCell;
    iLS_item* row = m_selected ? SelectedVariant(baseRow) : baseRow;
    iLS_item* col = m_selected ? SelectedVariant(baseColumn) : baseColumn;
    bool useColumn = true;
    bool useRow = true;
    Inherit(cell, row, col, &useColumn, &useRow);

    auto pick = [&](UINT flag, COLORREF iLS_item::*colour, COLORREF fallback) {
        if (cell && (cell->style & flag))
            return cell->*colour;
        if (useRow && row && (row->style & flag))
            return row->*colour;
        if (useColumn && col && (col->style & flag))
            return col->*colour;
        return fallback;
    };
    Style style{};
    style.text = pick(LIS_TXTCOLOR, &iLS_item::textColor, m_selected ? m_selectionText : GetTextColor());
    style.background = pick(LIS_BGCOLOR, &iLS_item::bkColor, m_selected ? m_selectionBk : GetTextBkColor());

    if (m_selected) {
        cell = DefinedOr(cell, baseCell);
        row = DefinedOr(row, baseRow);
        col = DefinedOr(col, baseColumn);
        Inherit(cell, row, col, &useColumn, &useRow);
    }
    bool made = false;
    const HFONT cellFont = RecordFont(cell, &made);
    const HFONT rowFont = useRow ? RecordFont(row, &made) : nullptr;
    const HFONT columnFont = useColumn ? RecordFont(col, &made) : nullptr;
    if (made && cell)
        cell->mergedFont.reset();
    const int fonts = (cellFont ? 1 : 0) + (rowFont ? 1 : 0) + (columnFont ? 1 : 0);
    if (fonts == 1)
        style.font = cellFont ? cellFont : (rowFont ? rowFont : columnFont);
    else if (fonts > 1 && cell)
        style.font = MergedFont(cell, rowFont ? row : nullptr, columnFont ? col : nullptr);
    else if (fonts > 1)
        style.font = rowFont; // no cell record to keep a merged font on (a column not made here)
    return style;
}

HFONT CListCtrlStyled::RecordFont(iLS_item* record, bool* made) {
    if (!record || !(record->style & LIS_FONTMASK))
        return nullptr;
    if (!record->font) {
        LOGFONTW font = m_baseLogFont;
        font.lfWeight = (record->style & LIS_BOLD) ? FW_BOLD : FW_NORMAL;
        font.lfItalic = (record->style & LIS_ITALIC) ? 1 : 0;
        font.lfUnderline = (record->style & LIS_UNDERLINE) ? 1 : 0;
        font.lfStrikeOut = (record->style & LIS_STRIKEOUT) ? 1 : 0;
        record->font = std::make_unique<CFont>();
        record->font->CreateFontIndirect(&font);
        *made = true;
    }
    return *record->font;
}

HFONT CListCtrlStyled::MergedFont(iLS_item* cell, iLS_item* row, iLS_item* column) {
    if (cell->mergedFont)
        return *cell->mergedFont;
    LOGFONTW merged = m_baseLogFont;
    for (const iLS_item* record : {column, row, cell}) {
        if (!record || !record->font)
            continue;
        LOGFONTW font{};
        ::GetObjectW(static_cast<HFONT>(*record->font), sizeof font, &font);
        ApplyDifferences(&merged, font, m_baseLogFont);
    }
    cell->mergedFont = std::make_unique<CFont>();
    cell->mergedFont->CreateFontIndirect(&merged);
    return *cell->mergedFont;
}
