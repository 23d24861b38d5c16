#include "win32/uiharness.h"

#include <dlgs.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "win32/screenshot.h"

namespace {

// One call that the script hands the user-interface thread: it runs when its marker leaves the queue,
// whichever loop takes it (the dialog's own, a message box's, a file dialog's), unless the script
// gave up waiting for it before.
struct UiCall {
    std::function<void()> action;
    std::mutex lock;
    bool abandoned = false;
    HANDLE done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ~UiCall() { ::CloseHandle(done); }
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
        UiCall& call = **held;
        {
            std::lock_guard<std::mutex> guard(call.lock);
            if (!call.abandoned)
                call.action();
        }
        ::SetEvent(call.done);
        msg->message = WM_NULL;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// A visible top-level window of the thread with the given owner (none for the first dialog). Popups
// must have a caption: tooltips are owned popups too.
struct FindData {
    HWND owner = nullptr;
    HWND found = nullptr;
};

BOOL CALLBACK FindVisible(HWND hwnd, LPARAM data) {
    auto* find = reinterpret_cast<FindData*>(data);
    if (!::IsWindowVisible(hwnd) || ::GetWindow(hwnd, GW_OWNER) != find->owner)
        return TRUE;
    if (find->owner && (::GetWindowLongW(hwnd, GWL_STYLE) & WS_CAPTION) != WS_CAPTION)
        return TRUE;
    find->found = hwnd;
    return FALSE;
}

HWND FindWindowOwnedBy(DWORD thread, HWND owner) {
    FindData data;
    data.owner = owner;
    ::EnumThreadWindows(thread, FindVisible, reinterpret_cast<LPARAM>(&data));
    return data.found;
}

} // namespace

HWND CUiDriver::WaitForDialog(int timeoutMs) {
    WaitFor(
        [this] {
            m_dialog = FindWindowOwnedBy(m_uiThread, nullptr);
            return m_dialog != nullptr;
        },
        timeoutMs);
    if (!m_dialog)
        return nullptr;
    WaitUntilReady();
    return m_dialog;
}

HWND CUiDriver::WaitForPopup(int timeoutMs) {
    HWND popup = nullptr;
    WaitFor(
        [&] {
            popup = FindWindowOwnedBy(m_uiThread, m_dialog);
            return popup != nullptr;
        },
        timeoutMs);
    if (!popup)
        return nullptr;
    m_beneath.push_back(m_dialog);
    m_dialog = popup;
    WaitUntilReady();
    return m_dialog;
}

bool CUiDriver::ReturnFromPopup(int timeoutMs) {
    if (m_beneath.empty())
        return false;
    const HWND popup = m_dialog;
    if (!WaitFor([popup] { return !::IsWindow(popup) || !::IsWindowVisible(popup); }, timeoutMs))
        return false;
    m_dialog = m_beneath.back();
    m_beneath.pop_back();
    Sync();
    return true;
}

void CUiDriver::WaitUntilReady() {
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
}

void CUiDriver::ChooseFile(const std::wstring& path) {
    // The explorer-style dialog's file name box (cmb13) holds its edit a level or two down; older
    // dialogs have a plain edit (edt1).
    HWND box = Item(cmb13);
    if (box) {
        ::EnumChildWindows(
            box,
            [](HWND child, LPARAM found) {
                wchar_t name[16] = {};
                ::GetClassNameW(child, name, 16);
                if (std::wstring_view(name) != L"Edit")
                    return TRUE;
                *reinterpret_cast<HWND*>(found) = child;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&box));
    } else {
        box = Item(edt1);
    }
    ClickAt(box, POINT{2, 2});
    ::PostMessageW(box, EM_SETSEL, 0, -1);
    for (const wchar_t ch : path)
        ::PostMessageW(box, WM_CHAR, ch, 1);
    Sync();
    PressKey(VK_RETURN);
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
    const HWND window = m_dialog;
    // Asked to paint first: painting waits for an empty queue otherwise. A window that closes takes
    // the call with it; that is in sync too.
    return OnUiThread(
               [paint, window] {
                   if (paint)
                       ::RedrawWindow(window, nullptr, nullptr,
                                      RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN |
                                          RDW_UPDATENOW);
               },
               timeoutMs) ||
           !Open();
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
    const auto ran = [&] { return ::WaitForSingleObject(call->done, 0) == WAIT_OBJECT_0; };
    WaitFor([&] { return ran() || !Open(); }, timeoutMs);
    // A call that has not run by now never will: its window is gone, or the script has moved on.
    std::lock_guard<std::mutex> guard(call->lock);
    call->abandoned = true;
    return ran();
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
    const HHOOK hook = ::SetWindowsHookExW(WH_GETMESSAGE, CallHook, nullptr, uiThread);
    // The message queue must exist before the script posts to this thread.
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);

    CUiDriver driver(uiThread);
    std::thread worker([&] {
        script(driver);
        // Ending a modal loop takes one more round of it. The first window counts, whichever popup the
        // script was left in.
        if (!driver.m_beneath.empty()) {
            driver.m_dialog = driver.m_beneath.front();
            driver.m_beneath.clear();
        }
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
