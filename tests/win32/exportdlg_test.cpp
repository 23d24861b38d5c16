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
#include "module/datatypes.h"
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

std::wstring Cell(HWND list, int row, int column) {
    wchar_t text[256] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 256;
    ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

bool Checked(HWND list, int row) {
    return (::SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK) >> 12) == 2;
}

// A point on the row's check box, found as the list view's own hit test finds it.
POINT CheckBoxOf(HWND list, int row) {
    RECT bounds{LVIR_BOUNDS, 0, 0, 0};
    ::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&bounds));
    const int y = (bounds.top + bounds.bottom) / 2;
    for (int x = bounds.left; x < bounds.left + 40; ++x) {
        LVHITTESTINFO info{};
        info.pt = {x, y};
        if (::SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)) == row &&
            (info.flags & LVHT_ONITEMSTATEICON) != 0)
            return info.pt;
    }
    ADD_FAILURE() << "no check box on row " << row;
    return {bounds.left + 8, y};
}

// A point on the row's name, away from its check box.
POINT NameOf(HWND list, int row) {
    RECT bounds{LVIR_BOUNDS, 0, 0, 0};
    ::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&bounds));
    return {bounds.left + 23 + 30, (bounds.top + bounds.bottom) / 2};
}

struct Outcome {
    INT_PTR result;
    std::vector<ExportItem> items;
};

Outcome RunExport(const std::vector<ExportItem>& items,
                  const std::function<void(CUiDriver&, HWND list)>& script) {
    CExportDlg dialog(items);
    const INT_PTR result = RunModalScript([&] { return dialog.DoModal(); },
                                          [&](CUiDriver& ui) {
                                              ASSERT_TRUE(ui.WaitForDialog());
                                              script(ui, ui.Item(IDC_EXPORT_LIST));
                                          });
    return {result, dialog.m_items};
}

std::vector<int> CheckedFields(const std::vector<ExportItem>& items) {
    std::vector<int> checked;
    for (const ExportItem& item : items)
        checked.push_back(item.checked);
    return checked;
}

TEST(ExportDlg, ListsOneCheckableRowPerRecordWithRowZeroSelectedAndFocused) {
    std::wstring debugged;
    const DebugOutputSink previous = SetDebugOutputSink([&](const wchar_t* text) { debugged += text; });
    const Outcome outcome = RunExport(kItems, [](CUiDriver& ui, HWND list) {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        ::GetGUIThreadInfo(::GetWindowThreadProcessId(list, nullptr), &info);
        EXPECT_EQ(info.hwndFocus, list);
        EXPECT_EQ(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 3);
        for (int row = 0; row < 3; ++row) {
            SCOPED_TRACE(row);
            EXPECT_EQ(
                Cell(list, row, 1),
                KESTRUMMOD_DataTypeToString(static_cast<KESTRUMMOD_DATATYPE>(kItems[row].dataType)).Str());
            EXPECT_EQ(Cell(list, row, 2), std::to_wstring(kItems[row].pointCount));
            EXPECT_EQ(Checked(list, row), kItems[row].checked == 1);
        }
        const UINT both = LVIS_SELECTED | LVIS_FOCUSED;
        EXPECT_EQ(::SendMessageW(list, LVM_GETITEMSTATE, 0, both), static_cast<LRESULT>(both));
        // Columns 23, fill, 100: the middle one takes the client width less 123.
        RECT client{};
        ::GetClientRect(list, &client);
        EXPECT_EQ(::SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0), 23);
        EXPECT_EQ(::SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0), client.right - 123);
        EXPECT_EQ(::SendMessageW(list, LVM_GETCOLUMNWIDTH, 2, 0), 100);
        const HWND header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
        EXPECT_FALSE(::IsWindowEnabled(header));
        const wchar_t* headings[] = {L"", L"Property Type", L"Data Count"};
        for (int column = 0; column < 3; ++column) {
            wchar_t text[64] = {};
            HDITEMW item{};
            item.mask = HDI_TEXT;
            item.pszText = text;
            item.cchTextMax = 64;
            ::SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(column),
                           reinterpret_cast<LPARAM>(&item));
            EXPECT_STREQ(text, headings[column]);
        }
        EXPECT_TRUE(ui.Screenshot(L"export_dialog"));
        ui.PressKey(VK_ESCAPE);
    });
    SetDebugOutputSink(previous);
    EXPECT_EQ(outcome.result, IDCANCEL);
    std::wstring names;
    for (const ExportItem& item : kItems)
        names += KESTRUMMOD_DataTypeToString(static_cast<KESTRUMMOD_DATATYPE>(item.dataType)).Str() + L"\n";
    EXPECT_EQ(debugged, names);
}

TEST(ExportDlg, OkCopiesTheCheckBoxesBackAndCancelChangesNothing) {
    struct Case {
        const char* name;
        // What the person does after clearing row 1's box with a click and toggling row 2 with Space.
        int button;
        INT_PTR result;
        std::vector<int> checked;
    };
    const Case cases[] = {{"OK", IDOK, IDOK, {1, 0, 1}}, {"Cancel", IDCANCEL, IDCANCEL, {1, 1, 0}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome outcome = RunExport(kItems, [&](CUiDriver& ui, HWND list) {
            ui.ClickAt(list, CheckBoxOf(list, 1));
            EXPECT_FALSE(Checked(list, 1));
            EXPECT_TRUE(Checked(list, 0));
            // Row 2 chosen by its name, its box turned on with Space.
            ui.ClickAt(list, NameOf(list, 2));
            ui.PressKey(VK_SPACE);
            EXPECT_TRUE(Checked(list, 2));
            EXPECT_TRUE(ui.Click(c.button));
        });
        EXPECT_EQ(outcome.result, c.result);
        EXPECT_EQ(CheckedFields(outcome.items), c.checked);
        ASSERT_EQ(outcome.items.size(), kItems.size());
        for (size_t i = 0; i < kItems.size(); ++i) {
            EXPECT_EQ(outcome.items[i].dataType, kItems[i].dataType);
            EXPECT_EQ(outcome.items[i].pointCount, kItems[i].pointCount);
        }
    }
}

TEST(ExportDlg, EmptyListConfirmsAndAListThatLostARowEndsCancelled) {
    const Outcome empty = RunExport({}, [](CUiDriver& ui, HWND list) {
        EXPECT_EQ(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 0);
        EXPECT_TRUE(ui.Click(IDOK));
    });
    EXPECT_EQ(empty.result, IDOK);
    EXPECT_TRUE(empty.items.empty());

    const Outcome shorter = RunExport(kItems, [](CUiDriver& ui, HWND list) {
        ui.ClickAt(list, CheckBoxOf(list, 0));
        ::SendMessageW(list, LVM_DELETEITEM, 2, 0);
        EXPECT_TRUE(ui.Click(IDOK));
    });
    EXPECT_EQ(shorter.result, IDCANCEL);
    EXPECT_EQ(CheckedFields(shorter.items), CheckedFields(kItems));
}

} // namespace
