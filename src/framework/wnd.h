// CWnd: a window of the framework. It owns an HWND, is found from it through the handle map, and
// receives every message of its window through one virtual window procedure. Notifications of a child
// control go to that control first (reflection); it may stop them before its parent sees them.
#pragma once

#include <windows.h>

#include <functional>

#include "framework/cstring.h"

class CWnd {
public:
    CWnd() = default;
    // A window created through CreateEx is destroyed; an attached or subclassed one is let go.
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // The object of a window in the handle map, or null.
    static CWnd* FromHandle(HWND hwnd);

    // Creates the window with this object's window procedure from its very first message on.
    BOOL CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR text, DWORD style, const RECT& rect, HWND parent,
                  UINT id);
    // Maps the handle to this object without taking its messages.
    BOOL Attach(HWND hwnd);
    HWND Detach();
    // Maps the handle and routes its messages through this object; the previous procedure becomes the
    // default handling.
    BOOL SubclassWindow(HWND hwnd);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    HWND UnsubclassWindow();

    // Offers a message, before it is dispatched, to the windows from its target up to `last` (or to
    // the top), innermost first; TRUE when one of them took it.
    static BOOL WalkPreTranslateTree(HWND last, MSG* msg);

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // --- What a subclass overrides ---

    // The window procedure: a subclass switches on the messages it handles, calls one On... handler
    // for each and passes everything else to the base class.
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // TRUE keeps the message from being translated and dispatched.
    virtual BOOL PreTranslateMessage(MSG* msg);
    // WM_COMMAND and WM_NOTIFY after the sending control has let them pass; TRUE when handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
    // A notification of this control reflected from its parent (WM_COMMAND, WM_NOTIFY, WM_HSCROLL,
    // WM_VSCROLL, WM_DRAWITEM, WM_CTLCOLOR...); TRUE stops it there with `result`.
    virtual BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // After the window is gone and the object unmapped; a window that deletes itself does it here.
    virtual void PostNcDestroy();

    // The handling the window would have had without this object.
    LRESULT Default(UINT msg, WPARAM wParam, LPARAM lParam);

    // --- Plain wrappers of the API ---

    BOOL IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
    BOOL DestroyWindow();
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    void SetWindowText(LPCWSTR text) { ::SetWindowTextW(m_hWnd, text); }
    CString GetWindowText() const;
    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL ShowWindow(int show) { return ::ShowWindow(m_hWnd, show); }
    void EnableDlgItem(int id, BOOL enable) { ::EnableWindow(GetDlgItem(id), enable); }
    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageW(m_hWnd, msg, wParam, lParam);
    }
    BOOL PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::PostMessageW(m_hWnd, msg, wParam, lParam);
    }
    void SetFont(HFONT font, BOOL redraw = TRUE) {
        SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
    }
    HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
    HWND SetFocus() { return ::SetFocus(m_hWnd); }
    BOOL HasFocus() const { return ::GetFocus() == m_hWnd; }
    void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
    BOOL MoveWindow(const RECT& rect, BOOL repaint = TRUE) {
        return ::MoveWindow(m_hWnd, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                            repaint);
    }
    int MessageBox(LPCWSTR text, LPCWSTR caption = nullptr, UINT type = MB_OK) const {
        return ::MessageBoxW(m_hWnd, text, caption, type);
    }

    HWND m_hWnd = nullptr;

private:
    static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam);
    // Offers a child's notification to the child's object; TRUE when it stopped it.
    BOOL ReflectToChild(HWND child, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
    void Unmap();
    // Runs `create` with this object taking the first window it creates, from that window's first
    // message on.
    HWND CreateHooked(const std::function<HWND()>& create);

    WNDPROC m_prevProc = nullptr;
    bool m_created = false; // created by CreateEx, so destroyed with the object

    friend class CDialog;
};
