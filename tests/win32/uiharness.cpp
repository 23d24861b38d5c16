#include "win32/uiharness.h"

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "win32/screenshot.h"

namespace {

// The marker that Sync posts behind everything else; the hook below sees it leave the queue.
UINT SyncMessage() {
    static const UINT message = ::RegisterWindowMessageW(L"KestrumUiHarnessSync");
    return message;
}

LRESULT CALLBACK SyncHook(int code, WPARAM wParam, LPARAM lParam) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == SyncMessage()) {
        // Asked to paint first: painting waits for an empty queue otherwise.
        if (msg->wParam == 1)
            ::RedrawWindow(msg->hwnd, nullptr, nullptr,
                           RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        ::SetEvent(reinterpret_cast<HANDLE>(msg->lParam));
        msg->message = WM_NULL;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

struct FindData {
    HWND found = nullptr;
};

BOOL CALLBACK FindVisible(HWND hwnd, LPARAM data) {
    if (::IsWindowVisible(hwnd) && !::GetParent(hwnd)) {
        reinterpret_cast<FindData*>(data)->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND CUiDriver::WaitForDialog(int timeoutMs) {
    WaitFor(
        [this] {
            FindData data;
            ::EnumThreadWindows(m_uiThread, FindVisible, reinterpret_cast<LPARAM>(&data));
            m_dialog = data.found;
            return m_dialog != nullptr;
        },
        timeoutMs);
    if (!m_dialog)
        return nullptr;
    // A person starts once the window is active with a control focused: the display activates a new
    // window a little later, and keys typed before that would go nowhere.
    WaitFor(
        [this] {
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            return ::GetGUIThreadInfo(m_uiThread, &info) && info.hwndActive == m_dialog && info.hwndFocus;
        },
        3000);
    Sync();
    return m_dialog;
}

bool CUiDriver::Click(int id) {
    const HWND button = Item(id);
    if (!button || !::IsWindowVisible(button) || !::IsWindowEnabled(button))
        return false;
    ::SendMessageW(button, BM_CLICK, 0, 0);
    return true;
}

void CUiDriver::PressKey(UINT vk) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    HWND target = m_dialog;
    if (::GetGUIThreadInfo(m_uiThread, &info) && info.hwndFocus)
        target = info.hwndFocus;
    const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
    ::PostMessageW(target, WM_KEYDOWN, vk, scan | 1);
    ::PostMessageW(target, WM_KEYUP, vk, scan | 1 | (1LL << 30) | (1LL << 31));
    Sync();
}

void CUiDriver::Type(const std::wstring& text) {
    for (const wchar_t ch : text)
        PressKey(LOBYTE(::VkKeyScanW(ch)));
}

namespace {

void PostButton(HWND window, UINT msg, WPARAM keys, POINT at) {
    ::PostMessageW(window, msg, keys, MAKELPARAM(at.x, at.y));
}

} // namespace

void CUiDriver::ClickAt(HWND window, POINT at) {
    PostButton(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostButton(window, WM_LBUTTONUP, 0, at);
    Sync();
}

void CUiDriver::DoubleClickAt(HWND window, POINT at) {
    // The sequence a double-click makes: the second press arrives as the double-click message.
    PostButton(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostButton(window, WM_LBUTTONUP, 0, at);
    PostButton(window, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostButton(window, WM_LBUTTONUP, 0, at);
    Sync();
}

void CUiDriver::RightClickAt(HWND window, POINT at) {
    PostButton(window, WM_RBUTTONDOWN, MK_RBUTTON, at);
    PostButton(window, WM_RBUTTONUP, 0, at);
    Sync();
}

void CUiDriver::PressCloseBox() {
    ::PostMessageW(m_dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    Sync();
}

void CUiDriver::Notify(int id, UINT code) {
    ::SendMessageW(m_dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(Item(id)));
}

bool CUiDriver::Sync(int timeoutMs) {
    return Sync(false, timeoutMs);
}

bool CUiDriver::Sync(bool paint, int timeoutMs) {
    if (!Open())
        return true;
    const HANDLE done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const bool posted =
        ::PostMessageW(m_dialog, SyncMessage(), paint ? 1 : 0, reinterpret_cast<LPARAM>(done)) != FALSE;
    // A window that closes takes the marker with it; that is in sync too.
    const bool synced =
        posted &&
        WaitFor([&] { return ::WaitForSingleObject(done, 0) == WAIT_OBJECT_0 || !Open(); }, timeoutMs);
    // After a time-out the marker may still be in the queue; the event is left to the process then.
    if (synced)
        ::CloseHandle(done);
    return synced;
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
    Sync(true);
    return SaveScreenshot(m_dialog, name);
}

std::wstring CUiDriver::Text(int id) const {
    const HWND item = Item(id);
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(item)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
    return text;
}

INT_PTR RunModalScript(const std::function<INT_PTR()>& modal, const std::function<void(CUiDriver&)>& script) {
    const DWORD uiThread = ::GetCurrentThreadId();
    const HHOOK hook = ::SetWindowsHookExW(WH_GETMESSAGE, SyncHook, nullptr, uiThread);
    // The message queue must exist before the script posts to this thread.
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);

    CUiDriver driver(uiThread);
    std::thread worker([&] {
        script(driver);
        // Ending a modal loop takes one more round of it.
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
