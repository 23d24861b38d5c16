// The "Apply..." dialog driven as a person would: clicks on check boxes, Space, OK and Cancel.
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/debugout.h"
#include "framework/reschain.h"
#include "graph/exportdlg.h"
#include "res/resource.h"
#include "win32/uiharness.h"

namespace {

const bool g_ready = [] {
    RegisterResourceModule(::GetModuleHandleW(nullptr));
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    return ::InitCommonControlsEx(&controls) != FALSE;
}();

// Fraction liquid, density, and a record the caller had already cleared.
const std::vector<ExportItem> kItems{{1, 4, 28}, {1, 15, 28}, {0, 18, 7}};

// The headings, then each row as its check box ("x" or "_") and its texts.
std::vector<std::wstring> Table(HWND list) {
    const HWND header = ListView_GetHeader(list);
    std::wstring headings;
    for (int column = 0; column < Header_GetItemCount(header); ++column) {
        wchar_t text[64] = {};
        HDITEMW item{};
        item.mask = HDI_TEXT;
        item.pszText = text;
        item.cchTextMax = 64;
        Header_GetItem(header, column, &item);
        headings += text + std::wstring(L"|");
    }
    std::vector<std::wstring> table{headings};
    for (const auto& cells : ListViewRows(list)) {
        const bool checked = ListView_GetCheckState(list, static_cast<int>(table.size() - 1));
        table.push_back((checked ? L"x|" : L"_|") + cells[1] + L"|" + cells[2]);
    }
    return table;
}

// A point on the row's check box at the left of its row, or with `x` 53 on its name.
POINT CheckBoxOf(HWND list, int row, int x = 8) {
    RECT bounds{LVIR_BOUNDS, 0, 0, 0};
    ::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&bounds));
    return {bounds.left + x, (bounds.top + bounds.bottom) / 2};
}

// The dialog's result and its records afterwards as "checked/type/count" each.
std::string RunExport(const std::vector<ExportItem>& items,
                      const std::function<void(CUiDriver&, HWND list)>& script) {
    CExportDlg dialog(items);
    std::string outcome = std::to_string(RunModalScript([&] { return dialog.DoModal(); },
                                                        [&](CUiDriver& ui) {
                                                            ASSERT_TRUE(ui.WaitForDialog());
                                                            script(ui, ui.Item(IDC_EXPORT_LIST));
                                                        }));
    for (const ExportItem& item : dialog.m_items)
        outcome += " " + std::to_string(item.checked) + "/" + std::to_string(item.dataType) + "/" +
                   std::to_string(item.pointCount);
    return outcome;
}

TEST(ExportDlg, ListsOneCheckableRowPerRecordWithRowZeroSelectedAndFocused) {
    std::wstring debugged;
    const DebugOutputSink previous = SetDebugOutputSink([&](const wchar_t* text) { debugged += text; });
    const std::string outcome = RunExport(kItems, [](CUiDriver& ui, HWND list) {
        EXPECT_EQ(ui.Focus(), list);
        EXPECT_EQ(Table(list), (std::vector<std::wstring>{L"|Property Type|Data Count|",
                                                          L"x|Fraction liquid (weight fraction)|28",
                                                          L"x|Density alloy|28", L"_|Liquid viscosity|7"}));
        const UINT both = LVIS_SELECTED | LVIS_FOCUSED;
        EXPECT_EQ(ListView_GetItemState(list, 0, both), both);
        // Columns 23, fill, 100: the middle one takes the client width less 123.
        RECT client{};
        ::GetClientRect(list, &client);
        EXPECT_EQ((std::vector<int>{ListView_GetColumnWidth(list, 0), ListView_GetColumnWidth(list, 1),
                                    ListView_GetColumnWidth(list, 2)}),
                  (std::vector<int>{23, client.right - 123, 100}));
        EXPECT_FALSE(::IsWindowEnabled(ListView_GetHeader(list)));
        EXPECT_TRUE(ui.Screenshot(L"export_dialog"));
        ui.PressKey(VK_ESCAPE);
    });
    SetDebugOutputSink(previous);
    EXPECT_EQ(outcome, "2 1/4/28 1/15/28 0/18/7");
    EXPECT_EQ(debugged, L"Fraction liquid (weight fraction)\nDensity alloy\nLiquid viscosity\n");
}

// Row 1's box cleared with a click, row 2 chosen by its name and its box turned on with Space; then
// OK copies the boxes back and Cancel changes nothing.
TEST(ExportDlg, OkCopiesTheCheckBoxesBackAndCancelChangesNothing) {
    for (const auto& [button, expected] :
         {std::pair{IDOK, "1 1/4/28 0/15/28 1/18/7"}, std::pair{IDCANCEL, "2 1/4/28 1/15/28 0/18/7"}}) {
        EXPECT_EQ(RunExport(kItems,
                            [&](CUiDriver& ui, HWND list) {
                                ui.ClickAt(list, CheckBoxOf(list, 1));
                                ui.ClickAt(list, CheckBoxOf(list, 2, 53));
                                ui.PressKey(VK_SPACE);
                                EXPECT_EQ(Table(list)[2], L"_|Density alloy|28");
                                EXPECT_EQ(Table(list)[3], L"x|Liquid viscosity|7");
                                EXPECT_TRUE(ui.Click(button));
                            }),
                  expected);
    }
}

TEST(ExportDlg, EmptyListConfirmsAndAListThatLostARowEndsCancelled) {
    EXPECT_EQ(RunExport({},
                        [](CUiDriver& ui, HWND list) {
                            EXPECT_EQ(Table(list).size(), 1u);
                            EXPECT_TRUE(ui.Click(IDOK));
                        }),
              "1");
    EXPECT_EQ(RunExport(kItems,
                        [](CUiDriver& ui, HWND list) {
                            ui.ClickAt(list, CheckBoxOf(list, 0));
                            ListView_DeleteItem(list, 2);
                            EXPECT_TRUE(ui.Click(IDOK));
                        }),
              "2 1/4/28 1/15/28 0/18/7");
}

} // namespace
