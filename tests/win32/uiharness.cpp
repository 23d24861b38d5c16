#include "win32/uiharness.h"

#include <commctrl.h>
#include <dlgs.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "win32/screenshot.h"

namespace {

// A call handed to the user-interface thread: it runs when its message leaves the queue, whichever
// modal loop takes it, unless the script gave up waiting for it before.
struct UiCall {
    std::function<void()> action;
    std::mutex lock;
    bool abandoned = false;
    std::atomic<bool> done = false;
};

UINT CallMessage() {
    static const UINT message = ::RegisterWindowMessageW(L"KestrumUiHarnessCall");
    return message;
}

LRESULT CALLBACK CallHook(int code, WPARAM wParam, LPARAM lParam) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == CallMessage()) {
        const std::unique_ptr<std::shared_ptr<UiCall>> held(
            reinterpret_cast<std::shared_ptr<UiCall>*>(msg->lParam));
        {
            std::lock_guard guard((*held)->lock);
            if (!(*held)->abandoned)
                (*held)->action();
        }
        (*held)->done = true;
        msg->message = WM_NULL;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

GUITHREADINFO ThreadInfo(DWORD thread) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ::GetGUIThreadInfo(thread, &info);
    return info;
}

} // namespace

HWND CUiDriver::Follow(HWND owner, int timeoutMs) {
    // A visible window of the thread with that owner; a popup must have a caption, as tooltips are
    // owned popups too.
    std::pair<HWND, HWND> find{owner, nullptr};
    const auto visible = [](HWND hwnd, LPARAM data) -> BOOL {
        auto* find = reinterpret_cast<std::pair<HWND, HWND>*>(data);
        if (!::IsWindowVisible(hwnd) || ::GetWindow(hwnd, GW_OWNER) != find->first ||
            (find->first && (::GetWindowLongW(hwnd, GWL_STYLE) & WS_CAPTION) != WS_CAPTION))
            return TRUE;
        find->second = hwnd;
        return FALSE;
    };
    if (!WaitFor([&] { return !::EnumThreadWindows(m_uiThread, visible, LPARAM(&find)) && find.second; },
                 timeoutMs))
        return nullptr;
    if (owner)
        m_beneath.push_back(m_dialog);
    m_dialog = find.second;
    // The display activates a new window a little later; keys typed before that would go nowhere.
    WaitFor(
        [this] {
            const GUITHREADINFO info = ThreadInfo(m_uiThread);
            return info.hwndActive == m_dialog && info.hwndFocus;
        },
        3000);
    Sync();
    return m_dialog;
}

bool CUiDriver::ReturnFromPopup(int timeoutMs) {
    const HWND popup = m_dialog;
    if (m_beneath.empty() ||
        !WaitFor([popup] { return !::IsWindow(popup) || !::IsWindowVisible(popup); }, timeoutMs))
        return false;
    m_dialog = m_beneath.back();
    m_beneath.pop_back();
    Sync();
    return true;
}

void CUiDriver::ChooseFile(const std::wstring& path) {
    // The file name box: an edit (edt1), or the edit inside the combo box (cmb13), a level or two down.
    HWND box = Item(cmb13) ? Item(cmb13) : Item(edt1);
    while (const HWND inner = ::GetWindow(box, GW_CHILD))
        box = inner;
    ClickAt(box, POINT{2, 2});
    ::PostMessageW(box, EM_SETSEL, 0, -1);
    for (const wchar_t ch : path)
        ::PostMessageW(box, WM_CHAR, ch, 1);
    Sync();
    PressKey(VK_RETURN);
}

HWND CUiDriver::Focus() const {
    return ThreadInfo(m_uiThread).hwndFocus;
}

bool CUiDriver::ChooseFileFrom(int id, const std::wstring& path) {
    if (!Click(id) || !WaitForPopup())
        return false;
    if (path.empty())
        Click(IDCANCEL);
    else
        ChooseFile(path);
    return ReturnFromPopup();
}

bool CUiDriver::Click(int id) {
    const HWND button = Item(id);
    if (!button || !::IsWindowVisible(button) || !::IsWindowEnabled(button))
        return false;
    // Posted: a click that opens a modal window returns only when that window is closed.
    ::PostMessageW(button, BM_CLICK, 0, 0);
    Sync();
    return true;
}

void CUiDriver::PressKey(UINT vk) {
    const HWND focus = ThreadInfo(m_uiThread).hwndFocus;
    const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
    ::PostMessageW(focus ? focus : m_dialog, WM_KEYDOWN, vk, scan | 1);
    ::PostMessageW(focus ? focus : m_dialog, WM_KEYUP, vk, scan | 1 | (1LL << 30) | (1LL << 31));
    Sync();
}

void CUiDriver::Type(const std::wstring& text) {
    for (const wchar_t ch : text)
        PressKey(LOBYTE(::VkKeyScanW(ch)));
}

void CUiDriver::Mouse(HWND window, POINT at, UINT down, WPARAM button, int presses) {
    // A double-click's second press arrives as the double-click message; up and double-click follow
    // each button's down message.
    for (int press = 0; press < presses; ++press) {
        ::PostMessageW(window, press ? down + 2 : down, button, MAKELPARAM(at.x, at.y));
        ::PostMessageW(window, down + 1, 0, MAKELPARAM(at.x, at.y));
    }
    Sync();
}

void CUiDriver::PressCloseBox() {
    ::PostMessageW(m_dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    Sync();
}

bool CUiDriver::Sync(bool paint, int timeoutMs) {
    // Painting waits for an empty queue unless asked for. A window that closes takes the call with
    // it; that is in sync too.
    const HWND window = m_dialog;
    const auto redraw = [paint, window] {
        if (paint)
            ::RedrawWindow(window, nullptr, nullptr,
                           RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    };
    return !Open() || OnUiThread(redraw, timeoutMs) || !Open();
}

bool CUiDriver::OnUiThread(const std::function<void()>& action, int timeoutMs) {
    if (!Open())
        return false;
    const auto call = std::make_shared<UiCall>();
    call->action = action;
    auto* held = new std::shared_ptr<UiCall>(call);
    if (!::PostMessageW(m_dialog, CallMessage(), 0, reinterpret_cast<LPARAM>(held))) {
        delete held;
        return false;
    }
    WaitFor([&] { return call->done || !Open(); }, timeoutMs);
    // A call that has not run by now never will: its window is gone, or the script has moved on.
    std::lock_guard guard(call->lock);
    call->abandoned = true;
    return call->done;
}

bool CUiDriver::WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

bool CUiDriver::RepeatUntilClosed(const std::function<void()>& action, int timeoutMs) {
    return WaitFor(
        [&] {
            action();
            Sync();
            return !Open();
        },
        timeoutMs);
}

bool CUiDriver::Screenshot(const std::wstring& name) {
    Repaint();
    return SaveScreenshot(m_dialog, name);
}

std::wstring CUiDriver::Text(int id) const {
    const HWND item = Item(id);
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(item)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::vector<std::vector<std::wstring>> ListViewRows(HWND list) {
    std::vector<std::vector<std::wstring>> rows(static_cast<size_t>(ListView_GetItemCount(list)));
    for (size_t row = 0; row < rows.size(); ++row) {
        for (int column = 0; column < Header_GetItemCount(ListView_GetHeader(list)); ++column) {
            wchar_t text[512] = {};
            ListView_GetItemText(list, static_cast<int>(row), column, text, 512);
            rows[row].push_back(text);
        }
    }
    return rows;
}

std::vector<std::wstring> ComboBoxItems(HWND combo) {
    std::vector<std::wstring> items(static_cast<size_t>(::SendMessageW(combo, CB_GETCOUNT, 0, 0)));
    for (size_t item = 0; item < items.size(); ++item) {
        items[item].resize(static_cast<size_t>(::SendMessageW(combo, CB_GETLBTEXTLEN, item, 0)) + 1);
        items[item].resize(static_cast<size_t>(
            ::SendMessageW(combo, CB_GETLBTEXT, item, reinterpret_cast<LPARAM>(items[item].data()))));
    }
    return items;
}

INT_PTR RunModalScript(const std::function<INT_PTR()>& modal, const std::function<void(CUiDriver&)>& script) {
    const DWORD uiThread = ::GetCurrentThreadId();
    const HHOOK hook = ::SetWindowsHookExW(WH_GETMESSAGE, CallHook, nullptr, uiThread);
    MSG msg; // the message queue must exist before the script posts to this thread
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);

    CUiDriver driver(uiThread);
    std::thread worker([&] {
        script(driver);
        // Ending a modal loop takes one more round of it. The first window counts, whichever popup
        // the script was left in.
        if (!driver.m_beneath.empty())
            driver.m_dialog = driver.m_beneath.front();
        driver.WaitFor([&driver] { return !driver.Open(); }, 5000);
        if (driver.Open()) {
            ADD_FAILURE() << "the script left the window open";
            ::PostThreadMessageW(uiThread, WM_QUIT, 0, 0);
        }
    });
    const INT_PTR result = modal();
    worker.join();
    ::UnhookWindowsHookEx(hook);
    // The modal loop posts a quit message again for an outer loop; there is none here.
    while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    return result;
}
