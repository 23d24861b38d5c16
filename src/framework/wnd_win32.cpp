#include "framework/wnd.h"

#include <mutex>
#include <unordered_map>

#include "framework/reschain.h"

namespace {

// The handle map. Windows belong to the user-interface thread, but other threads may ask for an
// object (the console window's output comes from the runner's threads), so lookups take a lock.
std::mutex& MapLock() {
    static std::mutex lock;
    return lock;
}

std::unordered_map<HWND, CWnd*>& HandleMap() {
    static std::unordered_map<HWND, CWnd*> map;
    return map;
}

bool Map(HWND hwnd, CWnd* wnd) {
    std::lock_guard<std::mutex> lock(MapLock());
    return HandleMap().emplace(hwnd, wnd).second;
}

// The object whose window is being created on this thread, and the hook that catches that window.
thread_local CWnd* t_creating = nullptr;
thread_local HHOOK t_hook = nullptr;

} // namespace

CWnd::~CWnd() {
    if (!m_hWnd)
        return;
    if (m_created && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd); // its WM_NCDESTROY unmaps it
    Detach();
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    std::lock_guard<std::mutex> lock(MapLock());
    const auto it = HandleMap().find(hwnd);
    return it == HandleMap().end() ? nullptr : it->second;
}

LRESULT CALLBACK CWnd::CreationHook(int code, WPARAM wParam, LPARAM lParam) {
    // The first window created after CreateEx set t_creating is ours: subclassed before its first
    // message. Windows created by it during its creation (dialog controls) are left alone.
    if (code == HCBT_CREATEWND && t_creating) {
        CWnd* wnd = t_creating;
        t_creating = nullptr;
        wnd->SubclassWindow(reinterpret_cast<HWND>(wParam));
    }
    return ::CallNextHookEx(t_hook, code, wParam, lParam);
}

HWND CWnd::CreateHooked(const std::function<HWND()>& create) {
    if (m_hWnd)
        return nullptr;
    // Creations nest (a dialog creates controls of its own while it initialises): each one has its own
    // hook and puts back what the enclosing one had.
    CWnd* const outerCreating = t_creating;
    const HHOOK outerHook = t_hook;
    t_creating = this;
    t_hook = ::SetWindowsHookExW(WH_CBT, CreationHook, nullptr, ::GetCurrentThreadId());
    const HWND hwnd = create();
    ::UnhookWindowsHookEx(t_hook);
    t_hook = outerHook;
    t_creating = outerCreating;
    return hwnd;
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR text, DWORD style, const RECT& rect,
                    HWND parent, UINT id) {
    const HMENU menu = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr;
    const HWND hwnd = CreateHooked([&] {
        return ::CreateWindowExW(exStyle, className, text, style, rect.left, rect.top, rect.right - rect.left,
                                 rect.bottom - rect.top, parent, menu, GetCodeModuleHandle(), nullptr);
    });
    if (!hwnd)
        return FALSE;
    m_created = true;
    return TRUE;
}

BOOL CWnd::Attach(HWND hwnd) {
    if (m_hWnd || !hwnd || !Map(hwnd, this))
        return FALSE;
    m_hWnd = hwnd;
    return TRUE;
}

HWND CWnd::Detach() {
    // A subclassed window gets its own procedure back, or it would be left without one.
    if (m_prevProc)
        return UnsubclassWindow();
    const HWND hwnd = m_hWnd;
    Unmap();
    return hwnd;
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
    if (!Attach(hwnd))
        return FALSE;
    m_prevProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StaticWindowProc)));
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
    const HWND item = parent ? ::GetDlgItem(parent->m_hWnd, static_cast<int>(id)) : nullptr;
    return item ? SubclassWindow(item) : FALSE;
}

HWND CWnd::UnsubclassWindow() {
    const HWND hwnd = m_hWnd;
    if (hwnd && m_prevProc)
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_prevProc));
    m_prevProc = nullptr;
    Unmap();
    return hwnd;
}

void CWnd::Unmap() {
    if (m_hWnd) {
        std::lock_guard<std::mutex> lock(MapLock());
        HandleMap().erase(m_hWnd);
    }
    m_hWnd = nullptr;
}

BOOL CWnd::DestroyWindow() {
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}

CString CWnd::GetWindowText() const {
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(m_hWnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(m_hWnd, text.data(), static_cast<int>(text.size()))));
    return CString(std::move(text));
}

BOOL CWnd::WalkPreTranslateTree(HWND last, MSG* msg) {
    for (HWND hwnd = msg->hwnd; hwnd; hwnd = ::GetParent(hwnd)) {
        if (CWnd* wnd = FromHandle(hwnd)) {
            if (wnd->PreTranslateMessage(msg))
                return TRUE;
        }
        if (hwnd == last)
            return FALSE;
    }
    // The message's window lies outside `last`: that window still has its say.
    if (CWnd* wnd = last ? FromHandle(last) : nullptr)
        return wnd->PreTranslateMessage(msg);
    return FALSE;
}

LRESULT CALLBACK CWnd::StaticWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = FromHandle(hwnd);
    return wnd ? wnd->WindowProc(msg, wParam, lParam) : ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT CWnd::Default(UINT msg, WPARAM wParam, LPARAM lParam) {
    return m_prevProc ? ::CallWindowProcW(m_prevProc, m_hWnd, msg, wParam, lParam)
                      : ::DefWindowProcW(m_hWnd, msg, wParam, lParam);
}

BOOL CWnd::ReflectToChild(HWND child, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    CWnd* wnd = child ? FromHandle(child) : nullptr;
    return wnd && wnd != this && wnd->OnChildNotify(msg, wParam, lParam, result);
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    switch (msg) {
    case WM_COMMAND:
        // Menus and accelerators have no control behind them.
        if (ReflectToChild(reinterpret_cast<HWND>(lParam), msg, wParam, lParam, &result))
            return result;
        if (OnCommand(wParam, lParam))
            return 0;
        break;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (ReflectToChild(header->hwndFrom, msg, wParam, lParam, &result))
            return result;
        if (OnNotify(wParam, lParam, &result))
            return result;
        break;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
        if (ReflectToChild(reinterpret_cast<HWND>(lParam), msg, wParam, lParam, &result))
            return result;
        break;
    case WM_DRAWITEM:
        if (ReflectToChild(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem, msg, wParam, lParam,
                           &result))
            return result;
        break;
    case WM_NCDESTROY: {
        result = Default(msg, wParam, lParam);
        Detach();
        m_created = false;
        PostNcDestroy();
        return result;
    }
    default:
        break;
    }
    return Default(msg, wParam, lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*) {
    return FALSE;
}

BOOL CWnd::OnCommand(WPARAM, LPARAM) {
    return FALSE;
}

BOOL CWnd::OnNotify(WPARAM, LPARAM, LRESULT*) {
    return FALSE;
}

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) {
    return FALSE;
}

void CWnd::PostNcDestroy() {}
