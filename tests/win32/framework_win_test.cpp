// The Windows part of the framework: reflection, message pre-translation, data exchange, drawing
// objects, the resource chain and the file dialog's filters, on real windows under Wine.
#include <windows.h>

#include <dlgs.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <tuple>
#include <utility>
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

// What the windows under test saw, in order; written on the window's thread, read by the script's.
class EventLog {
public:
    void Add(const std::wstring& event) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_events.push_back(event);
    }
    std::vector<std::wstring> Take() {
        std::lock_guard<std::mutex> lock(m_lock);
        return std::exchange(m_events, {});
    }

private:
    std::mutex m_lock;
    std::vector<std::wstring> m_events;
};

// A control that logs the notifications reflected to it, answers a WM_NOTIFY with 42 and F5 keys
// before the dialog; `m_stop` and `m_swallowKeys` keep them from the dialog.
template <class Base> class CLogged : public Base {
public:
    CLogged(EventLog& log, std::wstring name) : m_log(log), m_name(std::move(name)) {}
    BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM, LRESULT* result) override {
        if (msg == WM_NOTIFY)
            *result = 42;
        else if (msg != WM_COMMAND || HIWORD(wParam) != BN_CLICKED)
            return FALSE;
        m_log.Add(m_name + (msg == WM_NOTIFY ? L":notify" : L":clicked"));
        return m_stop;
    }
    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message != WM_KEYDOWN || msg->wParam != VK_F5)
            return FALSE;
        m_log.Add(m_name + L":key");
        return m_swallowKeys;
    }
    BOOL m_stop = FALSE;
    BOOL m_swallowKeys = FALSE;

private:
    EventLog& m_log;
    std::wstring m_name;
};

class CTestDialog : public CDialog {
public:
    explicit CTestDialog(EventLog& log)
        : CDialog(IDD_TEST), m_edit(log, L"edit"), m_button(log, L"button"), m_log(log) {}

    void DoDataExchange(CDataExchange* dx) override {
        DDX_Control(dx, IDC_TEST_EDIT, m_edit);
        DDX_Control(dx, IDC_TEST_BUTTON, m_button);
        DDX_Text(dx, IDC_TEST_EDIT, m_text);
        DDX_Radio(dx, IDC_TEST_RADIO_A, m_choice);
        DDX_Check(dx, IDC_TEST_CHECK, m_check);
        if (m_missingId)
            DDX_Check(dx, m_missingId, m_check);
    }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        if (LOWORD(wParam) == IDC_TEST_BUTTON)
            m_log.Add(L"dialog:clicked");
        return CDialog::OnCommand(wParam, lParam);
    }
    BOOL OnNotify(WPARAM, LPARAM, LRESULT* result) override {
        m_log.Add(L"dialog:notify");
        *result = 7;
        return TRUE;
    }
    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message == WM_KEYDOWN && msg->wParam == VK_F5)
            m_log.Add(L"dialog:key");
        return CDialog::PreTranslateMessage(msg);
    }

    CLogged<CEdit> m_edit;
    CLogged<CButton> m_button;
    CString m_text = L"first";
    int m_choice = 2;
    int m_check = 1;
    int m_missingId = 0;

private:
    EventLog& m_log;
};

LRESULT SendTestNotify(HWND dialog, HWND from) {
    NMHDR header{};
    header.hwndFrom = from;
    header.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(from));
    header.code = NM_CLICK;
    return ::SendMessageW(dialog, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

// The check boxes A, B, C, next group and check, as "1" or "0" each.
std::string Checks(HWND dialog) {
    std::string checks;
    for (const int id :
         {IDC_TEST_RADIO_A, IDC_TEST_RADIO_B, IDC_TEST_RADIO_C, IDC_TEST_RADIO_NEXT, IDC_TEST_CHECK})
        checks += ::IsDlgButtonChecked(dialog, id) == BST_CHECKED ? '1' : '0';
    return checks;
}

TEST(Reflection, TheSendingControlSeesANotificationFirstAndCanStopIt) {
    EventLog log;
    CTestDialog dialog(log);
    ASSERT_TRUE(dialog.Create());
    ::SendMessageW(dialog.m_button.m_hWnd, BM_CLICK, 0, 0);
    EXPECT_EQ(log.Take(), (std::vector<std::wstring>{L"button:clicked", L"dialog:clicked"}));
    dialog.m_button.m_stop = TRUE;
    ::SendMessageW(dialog.m_button.m_hWnd, BM_CLICK, 0, 0);
    EXPECT_EQ(log.Take(), (std::vector<std::wstring>{L"button:clicked"}));

    // WM_NOTIFY goes by the header's source window; the answer of whoever stops it is the result.
    EXPECT_EQ(SendTestNotify(dialog.m_hWnd, dialog.m_edit.m_hWnd), 7);
    EXPECT_EQ(log.Take(), (std::vector<std::wstring>{L"edit:notify", L"dialog:notify"}));
    dialog.m_edit.m_stop = TRUE;
    EXPECT_EQ(SendTestNotify(dialog.m_hWnd, dialog.m_edit.m_hWnd), 42);
    EXPECT_EQ(log.Take(), (std::vector<std::wstring>{L"edit:notify"}));
    // A control without an object of its own is not asked.
    EXPECT_EQ(SendTestNotify(dialog.m_hWnd, ::GetDlgItem(dialog.m_hWnd, IDC_TEST_CHECK)), 7);
    EXPECT_EQ(log.Take(), (std::vector<std::wstring>{L"dialog:notify"}));
    dialog.DestroyWindow();
}

TEST(DataExchange, MovesTextChecksAndRadioGroupsBothWays) {
    EventLog log;
    CTestDialog dialog(log);
    ASSERT_TRUE(dialog.Create()); // initialisation puts the members into the controls
    const HWND hwnd = dialog.m_hWnd;
    EXPECT_EQ(dialog.m_edit.GetWindowText(), L"first");
    // Index 2 is "C": the static text between "B" and "C" is not counted, nor is the next group.
    EXPECT_EQ(Checks(hwnd), "00101");

    ::SetDlgItemTextW(hwnd, IDC_TEST_EDIT, L"second");
    ::CheckDlgButton(hwnd, IDC_TEST_CHECK, BST_UNCHECKED);
    ::CheckDlgButton(hwnd, IDC_TEST_RADIO_C, BST_UNCHECKED);
    ::CheckDlgButton(hwnd, IDC_TEST_RADIO_B, BST_CHECKED);
    ::CheckDlgButton(hwnd, IDC_TEST_RADIO_NEXT, BST_CHECKED);
    ASSERT_TRUE(dialog.UpdateData(TRUE));
    EXPECT_EQ(std::tuple(dialog.m_text, dialog.m_check, dialog.m_choice), std::tuple(L"second", 0, 1));
    ::CheckDlgButton(hwnd, IDC_TEST_RADIO_B, BST_UNCHECKED);
    ASSERT_TRUE(dialog.UpdateData(TRUE));
    EXPECT_EQ(dialog.m_choice, -1) << "no button of the group checked";

    dialog.m_choice = 0;
    ASSERT_TRUE(dialog.UpdateData(FALSE));
    EXPECT_EQ(Checks(hwnd), "10010") << "the next group is left alone";
    dialog.m_missingId = 999;
    EXPECT_FALSE(dialog.UpdateData(TRUE));
    dialog.DestroyWindow();
}

// Escape ending a modal run is checked with the export dialog.
TEST(ModalLoop, OffersKeysToTheFocusWindowFirstThenToTheDialogAndOkTakesTheControlsIntoTheMembers) {
    EventLog log;
    CTestDialog dialog(log);
    const INT_PTR result = RunModalScript(
        [&] { return dialog.DoModal(); },
        [&](CUiDriver& ui) {
            ASSERT_TRUE(ui.WaitForDialog());
            ui.PressKey(VK_F5);
            EXPECT_EQ(log.Take(), (std::vector<std::wstring>{L"edit:key", L"dialog:key"}));
            dialog.m_edit.m_swallowKeys = TRUE;
            ui.PressKey(VK_F5);
            EXPECT_EQ(log.Take(), (std::vector<std::wstring>{L"edit:key"}));
            ::SendMessageW(ui.Item(IDC_TEST_EDIT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"typed"));
            ui.Click(IDC_TEST_RADIO_A);
            EXPECT_TRUE(ui.Click(IDOK));
        });
    EXPECT_EQ(std::tuple(result, dialog.m_text, dialog.m_choice), std::tuple(IDOK, L"typed", 0));
    EXPECT_EQ(dialog.m_edit.m_hWnd, nullptr) << "bound controls are let go with the window";
}

class CSelfDeleting : public CWnd {
public:
    explicit CSelfDeleting(std::vector<UINT>* seen, bool* deleted) : m_seen(seen), m_deleted(deleted) {}
    ~CSelfDeleting() override { *m_deleted = true; }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        m_seen->push_back(msg);
        return CWnd::WindowProc(msg, wParam, lParam);
    }
    void PostNcDestroy() override { delete this; }

private:
    std::vector<UINT>* m_seen;
    bool* m_deleted;
};

TEST(Window, SeesItsCreationAndDeletesItselfAfterItsLastMessage) {
    std::vector<UINT> seen;
    bool deleted = false;
    auto* wnd = new CSelfDeleting(&seen, &deleted);
    ASSERT_TRUE(wnd->CreateEx(0, L"STATIC", L"", WS_POPUP, RECT{0, 0, 50, 50}, nullptr, 0));
    const HWND hwnd = wnd->m_hWnd;
    EXPECT_EQ(CWnd::FromHandle(hwnd), wnd);
    EXPECT_NE(std::find(seen.begin(), seen.end(), WM_NCCREATE), seen.end());
    EXPECT_NE(std::find(seen.begin(), seen.end(), WM_CREATE), seen.end());
    ::DestroyWindow(hwnd);
    EXPECT_TRUE(deleted);
    EXPECT_EQ(CWnd::FromHandle(hwnd), nullptr);
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
    EventLog log;
    CTestDialog dialog(log);
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
                                              const HWND types = ui.Item(cmb1);
                                              const LRESULT count = ::SendMessageW(types, CB_GETCOUNT, 0, 0);
                                              for (LRESULT i = 0; i < count; ++i) {
                                                  wchar_t entry[128] = {};
                                                  ::SendMessageW(types, CB_GETLBTEXT, static_cast<WPARAM>(i),
                                                                 reinterpret_cast<LPARAM>(entry));
                                                  offered.push_back(entry);
                                              }
                                              EXPECT_TRUE(ui.Click(IDOK));
                                          });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(offered, (std::vector<std::wstring>{L"Material File(*.vjp)", L"All Files(*.*)"}));
    EXPECT_EQ(dialog.GetPathName(), CString(dir.File(L"alloy.vjp").c_str()));
}

} // namespace
