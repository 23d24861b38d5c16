// The styled list with its in-place editors, hosted by a dialog as the main dialog hosts its
// composition list, driven with the mouse and the keyboard.
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "controls/listctrlstyled.h"
#include "framework/dialog.h"
#include "framework/reschain.h"
#include "win32/testres.h"
#include "win32/uiharness.h"

namespace {

const bool g_ready = [] {
    RegisterResourceModule(::GetModuleHandleW(nullptr));
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    return ::InitCommonControlsEx(&controls) != FALSE;
}();

// More rows than the list shows, as an aluminium alloy has; the phase column lies beyond its right edge.
const wchar_t* const kSymbols[] = {L"Al", L"Si", L"Mg", L"Fe", L"Cu", L"Mn", L"Zn", L"Ti",
                                   L"Cr", L"Ni", L"Pb", L"Sn", L"Zr", L"V",  L"Sr", L"Na",
                                   L"Ca", L"B",  L"Be", L"Bi", L"Sb", L"P",  L"Ag", L"Li"};
const wchar_t* const kValues[] = {L"90.7", L"7", L"0.3", L"0.12", L"0.05", L"0.05", L"0.07", L"0.1"};
const wchar_t* const kPhases[] = {L"FCC", L"Liquid", L"FCC", L"BCC", L"FCC", L"Gas"};
constexpr int kRowCount = static_cast<int>(std::size(kSymbols));

// What the custom draw left in the notification and the device context for one cell: text colour, font
// weight.
using Drawn = std::pair<COLORREF, LONG>;

// The styled list, watched as it draws.
class CProbeList : public CListCtrlStyled {
public:
    BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        const BOOL handled = CListCtrlStyled::OnChildNotify(msg, wParam, lParam, result);
        const auto* draw = reinterpret_cast<const NMLVCUSTOMDRAW*>(lParam);
        if (msg == WM_NOTIFY && draw->nmcd.hdr.code == NM_CUSTOMDRAW &&
            draw->nmcd.dwDrawStage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) {
            LOGFONTW font{};
            ::GetObjectW(::GetCurrentObject(draw->nmcd.hdc, OBJ_FONT), sizeof font, &font);
            m_drawn[{static_cast<int>(draw->nmcd.dwItemSpec), draw->iSubItem}] =
                Drawn{draw->clrText, font.lfWeight};
        }
        return handled;
    }
    std::map<std::pair<int, int>, Drawn> m_drawn;
};

class CListTestDlg : public CDialog {
public:
    CListTestDlg() : CDialog(IDD_LISTTEST) {}

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        RECT client;
        m_list.GetClientRect(&client);
        m_list.InsertColumn(0, L"Element", LVCFMT_LEFT, 60);
        m_list.InsertColumn(1, L"Composition", LVCFMT_LEFT, client.right - 60);
        m_list.InsertColumn(2, L"Phase", LVCFMT_LEFT, 80);
        m_list.SetColumnKind(0, LVK_NOT_EDITABLE);
        m_list.SetColumnKind(1, LVK_NUMERIC_EDIT);
        m_list.SetColumnKind(2, LVK_DROPDOWN_LIST);
        for (const wchar_t* phase : {L"Liquid", L"FCC", L"BCC", L"HCP"})
            m_list.GetComboItems().AddTail(phase);
        m_list.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
        for (int row = 0; row < kRowCount; ++row) {
            m_list.InsertItem(row, kSymbols[row], 100 + row); // an element index, as the main dialog keeps
            m_list.SetItemText(row, 1, row < 8 ? kValues[row] : L"0");
            m_list.SetItemText(row, 2, row < 6 ? kPhases[row] : L"HCP");
        }
        m_list.BoldFirstRow();
        return TRUE;
    }
    void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, IDC_LISTTEST_LIST, m_list); }

    BOOL OnNotify(WPARAM, LPARAM lParam, LRESULT* result) override {
        const auto* info = reinterpret_cast<const NMLVDISPINFOW*>(lParam);
        if (info->hdr.idFrom == IDC_INPLACE_EDITOR && info->hdr.code == LVN_ENDLABELEDITW) {
            // An end-of-edit notice as "row,column:text", with the cell's text at that moment after "/".
            const LPCWSTR text = info->item.pszText;
            m_endEdits.push_back(std::to_wstring(info->item.iItem) + L"," +
                                 std::to_wstring(info->item.iSubItem) + L":" + (text ? text : L"(null)") +
                                 L"/" +
                                 m_list.GetItemText(info->item.iItem, info->item.iSubItem).GetString());
        } else if (info->hdr.code == LVN_ITEMCHANGED) {
            ++m_itemChanges;
        }
        *result = 0;
        return FALSE;
    }

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_CONTEXTMENU)
            ++m_contextMenus;
        return CDialog::WindowProc(msg, wParam, lParam);
    }

    CProbeList m_list;
    std::vector<std::wstring> m_endEdits;
    int m_itemChanges = 0;
    int m_contextMenus = 0;
};

// Runs the dialog while `script` drives it; the script ends it with "Cancel".
class ListTest : public ::testing::Test {
protected:
    void Run(const std::function<void()>& script) {
        RunModalScript([this] { return m_dialog.DoModal(); },
                       [&](CUiDriver& ui) {
                           m_ui = &ui;
                           ASSERT_TRUE(ui.WaitForDialog());
                           m_list = ui.Item(IDC_LISTTEST_LIST);
                           script();
                           ui.Click(IDCANCEL);
                       });
    }

    // Runs `action` on the dialog's thread, where the dialog's objects live.
    void OnUi(const std::function<void()>& action) { EXPECT_TRUE(m_ui->OnUiThread(action)); }
    template <class T> T OnUi(const std::function<T()>& query) {
        T value{};
        OnUi([&] { value = query(); });
        return value;
    }

    std::wstring Cell(int row, int column) { return ListViewRows(m_list)[row][column]; }
    POINT CellCentre(int row, int column) {
        RECT bounds{LVIR_BOUNDS, 0, 0, 0};
        ::SendMessageW(m_list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds));
        for (int i = 0; i < column; ++i)
            bounds.left += ListView_GetColumnWidth(m_list, i);
        return {bounds.left + ListView_GetColumnWidth(m_list, column) / 2, (bounds.top + bounds.bottom) / 2};
    }
    HWND Editor() const { return ::GetDlgItem(m_list, IDC_INPLACE_EDITOR); }
    // The in-place editor's text, or "-" without an editor.
    std::wstring Editing() const {
        wchar_t text[256] = {};
        ::GetWindowTextW(Editor(), text, 256);
        return Editor() ? text : L"-";
    }
    void Select(int row) { m_ui->ClickAt(m_list, CellCentre(row, 0)); }
    Drawn DrawnCell(int row, int column) {
        return OnUi<Drawn>([&] { return m_dialog.m_list.m_drawn[{row, column}]; });
    }
    std::vector<std::wstring> EndEdits() {
        return OnUi<std::vector<std::wstring>>([&] { return m_dialog.m_endEdits; });
    }
    int ItemChanges() {
        return OnUi<int>([&] { return m_dialog.m_itemChanges; });
    }

    CListTestDlg m_dialog;
    CUiDriver* m_ui = nullptr;
    HWND m_list = nullptr;
};

TEST_F(ListTest, TheEditorsOpenOnTheFocusedRowCommitBeforeTheParentHearsAndEscapeChangesNothing) {
    Run([&] {
        // A double-click that finds its row without the focus only makes it the current row: the list
        // view gives the row the focus on the press before it, so this takes the double-click alone.
        const POINT cell = CellCentre(3, 1);
        ::PostMessageW(m_list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(cell.x, cell.y));
        m_ui->Sync();
        EXPECT_EQ(Editing(), L"-");
        EXPECT_EQ(ListView_GetItemState(m_list, 3, LVIS_SELECTED | LVIS_FOCUSED),
                  LVIS_SELECTED | LVIS_FOCUSED);

        m_ui->DoubleClickAt(m_list, cell);
        EXPECT_EQ(Editing(), L"0.12");
        EXPECT_EQ(::SendMessageW(Editor(), EM_GETSEL, 0, 0), MAKELRESULT(0, 4)); // all of it
        ASSERT_TRUE(m_ui->Screenshot(L"list_numeric_editor"));
        m_ui->Type(L"12.5");
        m_ui->PressKey(VK_RETURN);
        EXPECT_TRUE(m_ui->Open()) << "Enter reached the dialog's default button";
        EXPECT_EQ(Editing() + Cell(3, 1), L"-12.5");
        EXPECT_EQ(EndEdits(), std::vector<std::wstring>{L"3,1:12.5/12.5"});

        // Neither row 0 nor a column of kind 0 is ever edited, nor does the list view's own label
        // editing start on a column that is not numeric.
        EXPECT_EQ(::SendMessageW(m_list, LVM_EDITLABELW, 3, 0), 0);
        for (const POINT at : {CellCentre(0, 1), CellCentre(0, 1), CellCentre(3, 0), CellCentre(3, 0)})
            m_ui->DoubleClickAt(m_list, at);
        EXPECT_EQ(Editing(), L"-");

        // Typing on a selected row opens the editor too.
        Select(2);
        // Letters are dropped; the edit does not check that the text makes a number.
        m_ui->Type(L"5a-1.x5-");
        EXPECT_EQ(Editing(), L"5-1.5-");
        m_ui->PressKey(VK_ESCAPE);
        EXPECT_TRUE(m_ui->Open()) << "Escape reached the dialog";
        EXPECT_EQ(Editing() + Cell(2, 1), L"-0.3");
        EXPECT_EQ(EndEdits().size(), 1u);

        // After a cancelled edit the parent hears of selection changes again.
        const int changes = ItemChanges();
        Select(4);
        EXPECT_GT(ItemChanges(), changes);
        m_ui->PressKey(VK_BACK);
        EXPECT_EQ(Editing(), L"");
        m_ui->PressKey(VK_ESCAPE);
        Select(0);
        m_ui->Type(L"5");
        EXPECT_EQ(Editing() + Cell(4, 1), L"-0.05");

        // Clicking elsewhere, scrolling and the wheel commit the typed text; the wheel turned over the
        // list reaches the list, as Windows sends it to the window under the pointer.
        RECT list;
        ::GetWindowRect(m_list, &list);
        const std::function<void()> leave[] = {
            [&] {
                m_ui->ClickAt(m_ui->Item(IDC_LISTTEST_OTHER), POINT{5, 5});
            },
            [&] { ::PostMessageW(m_list, WM_VSCROLL, SB_LINEDOWN, 0); },
            [&] {
                ::PostMessageW(m_list, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA),
                               MAKELPARAM((list.left + list.right) / 2, (list.top + list.bottom) / 2));
            }};
        for (int i = 0; i < 3; ++i) {
            Select(4 + i);
            m_ui->Type(std::to_wstring(i));
            ASSERT_NE(Editor(), nullptr);
            leave[i]();
            m_ui->Sync();
            EXPECT_EQ(Editing() + Cell(4 + i, 1), L"-" + std::to_wstring(i));
        }

        // The drop-down editor. Column 2 lies beyond the list's right edge: it is scrolled into view for its
        // editor.
        ASSERT_NE(OnUi<CInPlaceCombo*>(
                      [&] { return m_dialog.m_list.ShowInPlaceList(1, 2, m_dialog.m_list.GetComboItems()); }),
                  nullptr);
        EXPECT_GT(::GetScrollPos(m_list, SB_HORZ), 0);
        m_ui->PressKey(VK_ESCAPE);

        // Now as a person: a double-click opens the drop-down on the cell's own text ("FCC"), a cell
        // text the list does not offer leaves the third item selected.
        m_ui->DoubleClickAt(m_list, CellCentre(4, 2));
        EXPECT_EQ(::SendMessageW(Editor(), CB_GETCURSEL, 0, 0), 1);
        m_ui->ClickAt(Editor(), POINT{5, 5});
        ASSERT_TRUE(m_ui->Screenshot(L"list_dropdown_editor"));
        m_ui->PressKey(VK_DOWN);
        m_ui->PressKey(VK_RETURN);
        EXPECT_TRUE(m_ui->Open());
        EXPECT_EQ(Editing() + Cell(4, 2), L"-BCC");
        m_ui->DoubleClickAt(m_list, CellCentre(5, 2));
        EXPECT_EQ(::SendMessageW(Editor(), CB_GETCURSEL, 0, 0), 2);
        m_ui->PressKey(VK_ESCAPE);
        EXPECT_EQ(Cell(5, 2), L"Gas");
        EXPECT_EQ(EndEdits(), (std::vector<std::wstring>{L"3,1:12.5/12.5", L"4,1:0/0", L"5,1:1/1", L"6,1:2/2",
                                                         L"4,2:BCC/BCC"}));
    });
}

// The first row is drawn bold, selected or not; a selected row is drawn in the highlight colours also while
// another control has the focus (when the list view itself would draw it grey), selected again after
// drawing, and drawing is no news for the parent. (Row, column and cell styles of other kinds have no
// caller in the module.) The list gives back every record and style font when it goes.
TEST_F(ListTest, TheFirstRowIsBoldASelectedRowHighlightedAndEverythingIsFreed) {
    const int before = iLS_item::LiveCount();
    HFONT bold = nullptr;
    Run([&] {
        ASSERT_TRUE(m_ui->Screenshot(L"list_bold_first_row"));
        Select(0);
        m_ui->ClickAt(m_ui->Item(IDC_LISTTEST_OTHER), POINT{5, 5});
        const int changes = ItemChanges();
        m_ui->Repaint();
        const POINT inside = CellCentre(0, 1);
        const HDC dc = ::GetDC(m_list);
        EXPECT_EQ(::GetPixel(dc, inside.x + 15, inside.y), ::GetSysColor(COLOR_HIGHLIGHT));
        ::ReleaseDC(m_list, dc);
        EXPECT_EQ(std::tuple(DrawnCell(0, 1).first, DrawnCell(0, 1).second >= FW_SEMIBOLD,
                             DrawnCell(1, 1).second >= FW_SEMIBOLD,
                             ListView_GetItemState(m_list, 0, LVIS_SELECTED), ItemChanges()),
                  std::tuple(::GetSysColor(COLOR_HIGHLIGHTTEXT), true, false, UINT{LVIS_SELECTED}, changes));

        // A right-click asks nobody for a context menu.
        m_ui->RightClickAt(m_list, CellCentre(3, 0));
        EXPECT_EQ(OnUi<int>([&] { return m_dialog.m_contextMenus; }), 0);
        OnUi([&] {
            CProbeList& list = m_dialog.m_list;
            EXPECT_EQ(std::tuple(list.InsertColumn(-1, L"Nowhere"), list.GetRowRecord(1)->cells.size()),
                      std::tuple(-1, size_t{2}));
            bold = *list.GetRowRecord(0)->rowStyle->font;
            EXPECT_GT(iLS_item::LiveCount(), before + 3 * kRowCount);
        });
    });
    EXPECT_EQ(iLS_item::LiveCount(), before);
    EXPECT_EQ(::GetObjectType(bold), 0u) << "the bold font outlived its list";
}

} // namespace
