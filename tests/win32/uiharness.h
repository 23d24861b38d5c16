// Drives modal windows as a person would: the dialog runs its modal loop on the test's thread while a
// script on a second thread finds it, clicks its buttons, types keys, closes it and reads it back. A
// window that the dialog opens over itself (a message box, a file dialog, a nested modal dialog) is
// followed and left again, so the driver always acts on the window in front.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class CUiDriver {
public:
    explicit CUiDriver(DWORD uiThread) : m_uiThread(uiThread) {}

    // Waits for a visible top-level window of the user-interface thread; null after the time-out.
    HWND WaitForDialog(int timeoutMs = 20000);
    HWND Dialog() const { return m_dialog; }
    HWND Item(int id) const { return ::GetDlgItem(m_dialog, id); }
    // Whether the dialog is still there.
    bool Open() const { return m_dialog && ::IsWindow(m_dialog); }

    // Follows a window owned by the current one (a message box, a file dialog, a dialog run modally from
    // it): waits until it is shown and ready and makes it the current window; null after the time-out.
    HWND WaitForPopup(int timeoutMs = 20000);
    // Waits until the current popup has gone and makes the window beneath current again; false after
    // the time-out, or when no popup was followed.
    bool ReturnFromPopup(int timeoutMs = 20000);
    // In a common file dialog: types the path into the file name box and presses Enter.
    void ChooseFile(const std::wstring& path);
    // The text of a message box.
    std::wstring MessageText() const { return Text(0xFFFF); }

    // Clicks a button; false (and no click) when it is hidden or disabled, as for a person. The click
    // goes through the message queue and the call returns once it was handled, or once a window that
    // it opened is running.
    bool Click(int id);
    // Presses and releases a key on the window that has the focus, through the modal loop.
    void PressKey(UINT vk);
    // Types characters on the window that has the focus, each as its key pressed and released.
    void Type(const std::wstring& text);
    // Mouse buttons at a point of a window's client area, through the modal loop.
    void ClickAt(HWND window, POINT at);
    void DoubleClickAt(HWND window, POINT at);
    void RightClickAt(HWND window, POINT at);
    // The caption's close box (the system menu's "Close"), through the modal loop.
    void PressCloseBox();
    // Sends a control notification to the dialog as if control `id` had sent it.
    void Notify(int id, UINT code);
    // Returns once the user-interface thread has handled everything posted to it before.
    bool Sync(int timeoutMs = 20000);
    // The same, with the dialog and its children painted anew first.
    bool Repaint(int timeoutMs = 20000) { return Sync(true, timeoutMs); }
    // Repeats `action` (a click on "Close", say) until the window has gone, as a person clicks again
    // when the first click came too early; false after the time-out.
    bool RepeatUntilClosed(const std::function<void()>& action, int timeoutMs = 30000);
    // Runs `action` on the user-interface thread, where the windows' objects live, and waits for it.
    bool OnUiThread(const std::function<void()>& action, int timeoutMs = 20000);
    // Polls `condition` until it holds; false after the time-out.
    bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 30000);

    // Saves a picture of the dialog, fully painted, as a screenshot (see screenshot.h).
    bool Screenshot(const std::wstring& name);

    std::wstring Text(int id) const;
    bool Enabled(int id) const { return ::IsWindowEnabled(Item(id)) != FALSE; }
    bool Visible(int id) const { return ::IsWindowVisible(Item(id)) != FALSE; }

private:
    bool Sync(bool paint, int timeoutMs = 20000);
    // Waits until the current window is active with a control focused, as a person waits to start.
    void WaitUntilReady();

    DWORD m_uiThread;
    HWND m_dialog = nullptr;
    // The windows beneath the current one, from the first dialog up.
    std::vector<HWND> m_beneath;

    friend INT_PTR RunModalScript(const std::function<INT_PTR()>& modal,
                                  const std::function<void(CUiDriver&)>& script);
};

// Runs `modal` (which shows a modal window and returns its result) on this thread while `script`
// acts on it from another thread. A window the script leaves open is ended through WM_QUIT (the test
// fails then), so that a broken script cannot hang the test. Returns what `modal` returned.
INT_PTR RunModalScript(const std::function<INT_PTR()>& modal, const std::function<void(CUiDriver&)>& script);
