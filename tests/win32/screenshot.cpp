#include "win32/screenshot.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

bool SaveScreenshot(HWND window, const std::wstring& name) {
    const wchar_t* variable = _wgetenv(L"KESTRUM_SCREENSHOTS");
    const std::wstring folder = variable ? variable : L"";
    if (folder.empty() || !IsWindow(window))
        return false;
    CreateDirectoryW(folder.c_str(), nullptr);

    RECT rc;
    GetWindowRect(window, &rc);
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    if (width <= 0 || height <= 0)
        return false;

    // Wine hands a window's pixels to the display when its thread waits for messages; the window's own
    // thread (every caller's window lives on another thread, in its modal loop) gets a moment for that.
    ::Sleep(300);

    // Copy from the screen, so that the frame and every child window are in the picture.
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rc.left, rc.top, SRCCOPY);
    SelectObject(memory, old);

    // Rows bottom-up (a positive height), as BMP files store them.
    BITMAPINFOHEADER info{sizeof info, width, height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<char> pixels(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    const int rows = GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
                               reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (rows != height)
        return false;
    // The fourth byte of a pixel is left as the display had it (often 0); a picture viewer would take
    // it for transparency, so every pixel is made opaque.
    for (size_t i = 3; i < pixels.size(); i += 4)
        pixels[i] = static_cast<char>(0xFF);

    const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof info;
    const BITMAPFILEHEADER file{0x4D42 /* "BM" */, static_cast<DWORD>(offset + pixels.size()), 0, 0, offset};
    std::ofstream out(std::filesystem::path(folder) / (name + L".bmp"), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    return out.good();
}
