// The Windows part of the framework: data exchange, drawing objects, the resource chain and the file
// dialog's filters, on real windows under Wine. The window objects' life, reflection and message
// pre-translation are exercised by the styled list's, the dialogs' and the graph window's tests.
#include <windows.h>

#include <dlgs.h>

#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/filedlg.h"
#include "framework/gdi.h"
#include "framework/reschain.h"
#include "support/testfiles.h"
#include "win32/testres.h"
#include "win32/uiharness.h"

namespace {

class CTestDialog : public CDialog {
public:
    CTestDialog() : CDialog(IDD_TEST) {}

    void DoDataExchange(CDataExchange* dx) override {
        DDX_Control(dx, IDC_TEST_BUTTON, m_button);
        DDX_Radio(dx, m_radioId, m_choice);
    }

    CButton m_button;
    int m_choice = 2;
    int m_radioId = IDC_TEST_RADIO_A;
};

// The buttons A, B, C and the next group's, as "1" or "0" each.
std::string Checks(HWND dialog) {
    std::string checks;
    for (const int id : {IDC_TEST_RADIO_A, IDC_TEST_RADIO_B, IDC_TEST_RADIO_C, IDC_TEST_RADIO_NEXT})
        checks += ::IsDlgButtonChecked(dialog, id) == BST_CHECKED ? '1' : '0';
    return checks;
}

// Text and check box exchange have no caller in the module; the radio group's has (the cast-iron matrix).
TEST(DataExchange, MovesARadioGroupBothWaysAndFailsForAMissingControl) {
    CTestDialog dialog;
    ASSERT_TRUE(dialog.Create()); // initialisation puts the members into the controls
    const HWND hwnd = dialog.m_hWnd;
    // Index 2 is "C": the static text between "B" and "C" is not counted, nor is the next group.
    EXPECT_EQ(Checks(hwnd), "0010");

    ::CheckDlgButton(hwnd, IDC_TEST_RADIO_C, BST_UNCHECKED);
    ::CheckDlgButton(hwnd, IDC_TEST_RADIO_B, BST_CHECKED);
    ::CheckDlgButton(hwnd, IDC_TEST_RADIO_NEXT, BST_CHECKED);
    ASSERT_TRUE(dialog.UpdateData(TRUE));
    EXPECT_EQ(dialog.m_choice, 1);
    ::CheckDlgButton(hwnd, IDC_TEST_RADIO_B, BST_UNCHECKED);
    ASSERT_TRUE(dialog.UpdateData(TRUE));
    EXPECT_EQ(dialog.m_choice, -1) << "no button of the group checked";

    dialog.m_choice = 0;
    ASSERT_TRUE(dialog.UpdateData(FALSE));
    EXPECT_EQ(Checks(hwnd), "1001") << "the next group is left alone";
    dialog.m_radioId = 999;
    EXPECT_FALSE(dialog.UpdateData(TRUE));
    dialog.DestroyWindow();
    EXPECT_EQ(dialog.m_button.m_hWnd, nullptr) << "bound controls are let go with the window";
}

// Deleting the objects and the contexts made is counted with the graph control.
TEST(Drawing, AContextSelectsBackWhatItReplaced) {
    const HDC memory = ::CreateCompatibleDC(nullptr);
    const HGDIOBJ pen0 = ::GetCurrentObject(memory, OBJ_PEN);
    const HGDIOBJ brush0 = ::GetCurrentObject(memory, OBJ_BRUSH);
    const HGDIOBJ font0 = ::GetCurrentObject(memory, OBJ_FONT);
    {
        CPen redPen(PS_SOLID, 1, RGB(255, 0, 0));
        CPen bluePen(PS_SOLID, 2, RGB(0, 0, 255));
        CBrush brush(RGB(0, 255, 0));
        CDC dc;
        dc.Attach(memory);
        EXPECT_EQ(dc.SelectObject(redPen), pen0);
        EXPECT_EQ(dc.SelectObject(bluePen), redPen.GetSafeHandle());
        EXPECT_EQ(dc.SelectObject(brush), brush0);
        dc.SelectStockObject(DEFAULT_GUI_FONT);
    }
    EXPECT_EQ(std::tuple(::GetCurrentObject(memory, OBJ_PEN), ::GetCurrentObject(memory, OBJ_BRUSH),
                         ::GetCurrentObject(memory, OBJ_FONT)),
              std::tuple(pen0, brush0, font0));
    EXPECT_TRUE(::DeleteDC(memory)) << "an attached context is left to its owner";
}

std::wstring Loaded(unsigned id) {
    CString text(L"unchanged");
    text.LoadString(id);
    return text.Str();
}

// The caption of the test dialog's template as the resource chain finds it.
CString DialogCaption() {
    CTestDialog dialog;
    EXPECT_TRUE(dialog.Create());
    const CString caption = dialog.GetWindowText();
    dialog.DestroyWindow();
    return caption;
}

// Strings are found in registered modules only, the current one first (the program's entry wins over
// the library's), also for dialog templates; a switch is undone at its end, and a module that goes
// away stops being current.
TEST(ResourceChain, RegisteredModulesAreSearchedTheCurrentOneFirst) {
    const HINSTANCE library = ::LoadLibraryW(KESTRUM_RESTEST_DLL);
    ASSERT_NE(library, nullptr);
    const HINSTANCE program = ::GetModuleHandleW(nullptr);
    EXPECT_EQ(Loaded(IDS_TEST_LIBRARY_ONLY), L"unchanged") << "not registered yet";
    RegisterResourceModule(library);
    EXPECT_EQ(Loaded(IDS_TEST_LIBRARY_ONLY), L"library only – ünïcode");
    ASSERT_EQ(GetResourceHandle(), program);
    EXPECT_EQ(Loaded(IDS_TEST_BOTH), L"both (program)");
    EXPECT_EQ(DialogCaption(), L"Framework test (program)");
    {
        CResourceSwitch use(library);
        EXPECT_EQ(GetResourceHandle(), library);
        EXPECT_EQ(Loaded(IDS_TEST_BOTH), L"both (library)");
        EXPECT_EQ(DialogCaption(), L"Framework test (library)");
    }
    EXPECT_EQ(Loaded(IDS_TEST_BOTH), L"both (program)");
    SetResourceHandle(library);
    UnregisterResourceModule(library);
    EXPECT_EQ(GetResourceHandle(), program);
    EXPECT_EQ(Loaded(IDS_TEST_LIBRARY_ONLY), L"unchanged");
    SetResourceHandle(nullptr);
    ::FreeLibrary(library);

    // A template found nowhere ends the modal run at once.
    CDialog missing(4711);
    EXPECT_EQ(missing.DoModal(), -1);
    EXPECT_EQ(missing.m_hWnd, nullptr);
}

// The filter and the default extension as the framework writes them reach the system's dialog: it
// offers the filter's entries and completes a name given without an extension.
TEST(FileDialog, OffersTheFiltersEntriesAndAppendsTheDefaultExtension) {
    TempDir dir;
    CFileDialog dialog(FALSE, L"*.vjp", dir.File(L"alloy").c_str(), OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       L"Material File(*.vjp)|*.vjp|All Files(*.*)|*.*||");
    // With "*.*" chosen the system takes the default extension, not the chosen filter's.
    dialog.m_ofn.nFilterIndex = 2;
    std::vector<std::wstring> offered;
    const INT_PTR result = RunModalScript([&] { return dialog.DoModal(); },
                                          [&](CUiDriver& ui) {
                                              ASSERT_TRUE(ui.WaitForDialog());
                                              offered = ComboBoxItems(ui.Item(cmb1));
                                              EXPECT_TRUE(ui.Click(IDOK));
                                          });
    EXPECT_EQ(std::tuple(result, offered, dialog.GetPathName().Str()),
              std::tuple(IDOK, std::vector<std::wstring>{L"Material File(*.vjp)", L"All Files(*.*)"},
                         dir.File(L"alloy.vjp")));
}

} // namespace
