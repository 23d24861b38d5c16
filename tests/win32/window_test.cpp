// Proves the Wine arrangement: a real top-level window with an edit control, driven by messages
// and read back, with its pixels drawn by the window system.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "win32/screenshot.h"

namespace {

LRESULT CALLBACK PaintRedProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        RECT rc;
        GetClientRect(hwnd, &rc);
        FillRect(dc, &rc, red);
        DeleteObject(red);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

std::wstring WindowText(HWND hwnd) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

} // namespace

TEST(Window, CreatesDrawsAndReadsBackAnEditControl) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = PaintRedProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"KestrumWindowTest";
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    ASSERT_NE(RegisterClassW(&wc), 0);

    HWND frame =
        CreateWindowExW(0, wc.lpszClassName, L"Kestrum window test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                        320, 200, nullptr, nullptr, instance, nullptr);
    ASSERT_NE(frame, nullptr) << "no window: is a display (Xvfb) set?";
    HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 10, 10,
                                200, 24, frame, reinterpret_cast<HMENU>(100), instance, nullptr);
    ASSERT_NE(edit, nullptr);
    UpdateWindow(frame);
    PumpMessages();

    // Typing as a person would: characters go through the control's own handling.
    for (wchar_t c : std::wstring(L"2.7 g/cm3"))
        SendMessageW(edit, WM_CHAR, c, 1);
    EXPECT_EQ(WindowText(edit), L"2.7 g/cm3");

    SendMessageW(edit, EM_SETSEL, 0, 3);
    SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"7.1"));
    EXPECT_EQ(WindowText(edit), L"7.1 g/cm3");
    EXPECT_EQ(GetDlgItem(frame, 100), edit);

    // The frame painted itself red where the edit control does not cover it.
    RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpMessages();
    HDC dc = GetDC(frame);
    const COLORREF pixel = GetPixel(dc, 250, 100);
    ReleaseDC(frame, dc);
    EXPECT_EQ(pixel, RGB(255, 0, 0));
    EXPECT_TRUE(SaveScreenshot(frame, L"window_test"));

    DestroyWindow(frame);
    EXPECT_FALSE(IsWindow(edit));
    UnregisterClassW(wc.lpszClassName, instance);
}
