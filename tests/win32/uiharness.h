// Drives modal windows as a person would: the dialog runs its modal loop on the test's thread while a
// script on a second thread finds it, clicks, types, reads it back and closes it. A window the dialog
// opens over itself (a message box, a file dialog, a nested modal dialog) can be followed and left
// again, so the driver acts on the window in front.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class CUiDriver {
public:
    explicit CUiDriver(DWORD uiThread) : m_uiThread(uiThread) {}

    // Waits until the window is shown, active and has a focused control; null after the time-out.
    // The first dialog is the thread's unowned window; a popup is owned by the current window and
    // becomes current until ReturnFromPopup (false after the time-out or without a popup) sees it gone.
    HWND WaitForDialog(int timeoutMs = 20000) { return Follow(nullptr, timeoutMs); }
    HWND WaitForPopup(int timeoutMs = 20000) { return Follow(m_dialog, timeoutMs); }
    bool ReturnFromPopup(int timeoutMs = 20000);
    HWND Dialog() const { return m_dialog; }
    HWND Item(int id) const { return ::GetDlgItem(m_dialog, id); }
    bool Open() const { return m_dialog && ::IsWindow(m_dialog); }

    // Clicks button `id` of the current window and chooses `path` in the file dialog it opens (cancels
    // it for an empty path); false when the button cannot be clicked or the dialog does not come and go.
    bool ChooseFileFrom(int id, const std::wstring& path);
    std::wstring MessageText() const { return Text(0xFFFF); }

    // Clicks a button through the message queue; false (and no click) when it is hidden or disabled.
    // Returns once the click was handled, or once a window that it opened is running.
    bool Click(int id);
    // Keys and characters go to the focused window, mouse buttons to a point of a window's client
    // area, the close box's command to the current window; all through the modal loop.
    void PressKey(UINT vk);
    void Type(const std::wstring& text);
    void ClickAt(HWND window, POINT at) { Mouse(window, at, WM_LBUTTONDOWN, MK_LBUTTON, 1); }
    void DoubleClickAt(HWND window, POINT at) { Mouse(window, at, WM_LBUTTONDOWN, MK_LBUTTON, 2); }
    void RightClickAt(HWND window, POINT at) { Mouse(window, at, WM_RBUTTONDOWN, MK_RBUTTON, 1); }
    void PressCloseBox();
    // Sends the dialog a control notification as if control `id` had sent it.
    void Notify(int id, UINT code) {
        ::SendMessageW(m_dialog, WM_COMMAND, MAKEWPARAM(id, code), LPARAM(Item(id)));
    }
    // Returns once the user-interface thread has handled everything posted to it before; Repaint also
    // paints the dialog and its children anew first.
    bool Sync(int timeoutMs = 20000) { return Sync(false, timeoutMs); }
    bool Repaint(int timeoutMs = 20000) { return Sync(true, timeoutMs); }
    // Repeats `action` until the window has gone, as a person clicks again when the first click came
    // too early; false after the time-out.
    bool RepeatUntilClosed(const std::function<void()>& action, int timeoutMs = 30000);
    // Runs `action` on the user-interface thread, where the windows' objects live, and waits for it.
    bool OnUiThread(const std::function<void()>& action, int timeoutMs = 20000);
    bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 30000);
    // Saves the fully painted dialog as a screenshot (see screenshot.h).
    bool Screenshot(const std::wstring& name);

    std::wstring Text(int id) const;
    bool Enabled(int id) const { return ::IsWindowEnabled(Item(id)) != FALSE; }
    bool Visible(int id) const { return ::IsWindowVisible(Item(id)) != FALSE; }
    HWND Focus() const; // the user-interface thread's focused window

private:
    // In a common file dialog: types the path into the file name box and presses Enter.
    void ChooseFile(const std::wstring& path);
    HWND Follow(HWND owner, int timeoutMs);
    void Mouse(HWND window, POINT at, UINT down, WPARAM button, int presses);
    bool Sync(bool paint, int timeoutMs);

    DWORD m_uiThread;
    HWND m_dialog = nullptr;
    std::vector<HWND> m_beneath; // the windows beneath the current one, the first dialog first

    friend INT_PTR RunModalScript(const std::function<INT_PTR()>& modal,
                                  const std::function<void(CUiDriver&)>& script);
};

// The texts of a list view: a row of its columns' texts per item.
std::vector<std::vector<std::wstring>> ListViewRows(HWND list);
// The texts of a combo box's items.
std::vector<std::wstring> ComboBoxItems(HWND combo);

// Runs `modal` (which shows a modal window and returns its result) on this thread while `script`
// acts on it from another thread, and returns what `modal` returned. A window the script leaves open
// fails the test and is ended through WM_QUIT, so that a broken script cannot hang it.
INT_PTR RunModalScript(const std::function<INT_PTR()>& modal, const std::function<void(CUiDriver&)>& script);
