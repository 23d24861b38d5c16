// Device contexts and drawing objects. A CDC selects back, at its end, every object that a selection
// through it replaced; a drawing object deletes, at its end, the handle it made. Declare the objects
// before the device context, so that they are selected out before they are deleted.
#pragma once

#include <windows.h>

class CGdiObject {
public:
    CGdiObject() = default;
    virtual ~CGdiObject() { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    HGDIOBJ GetSafeHandle() const { return m_handle; }
    BOOL DeleteObject();
    HGDIOBJ Detach() {
        const HGDIOBJ handle = m_handle;
        m_handle = nullptr;
        return handle;
    }

protected:
    BOOL Attach(HGDIOBJ handle);

private:
    HGDIOBJ m_handle = nullptr;
};

class CPen : public CGdiObject {
public:
    CPen() = default;
    CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }
    BOOL CreatePen(int style, int width, COLORREF color) { return Attach(::CreatePen(style, width, color)); }
    operator HPEN() const { return static_cast<HPEN>(GetSafeHandle()); }
};

class CBrush : public CGdiObject {
public:
    CBrush() = default;
    explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
    BOOL CreateSolidBrush(COLORREF color) { return Attach(::CreateSolidBrush(color)); }
    operator HBRUSH() const { return static_cast<HBRUSH>(GetSafeHandle()); }
};

class CFont : public CGdiObject {
public:
    BOOL CreateFontIndirect(const LOGFONTW* font) { return Attach(::CreateFontIndirectW(font)); }
    // A copy of `font` (a window's font, say) with other weight, height or face.
    BOOL CreateFromFont(HFONT font, LONG weight, LONG height = 0);
    operator HFONT() const { return static_cast<HFONT>(GetSafeHandle()); }
};

class CDC;

class CBitmap : public CGdiObject {
public:
    BOOL CreateCompatibleBitmap(CDC* dc, int width, int height);
    operator HBITMAP() const { return static_cast<HBITMAP>(GetSafeHandle()); }
};

class CDC {
public:
    CDC() = default;
    // Restores the objects that selections replaced and deletes a device context it created.
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    // Uses a device context someone else owns.
    void Attach(HDC dc) { m_hDC = dc; }
    // A memory device context compatible with `dc` (the screen when null), deleted with this object.
    BOOL CreateCompatibleDC(CDC* dc);

    // Selects the object and returns the one it replaced.
    HGDIOBJ SelectObject(const CGdiObject& object) { return SelectObject(object.GetSafeHandle()); }
    HGDIOBJ SelectObject(HGDIOBJ object);
    HGDIOBJ SelectStockObject(int index) { return SelectObject(::GetStockObject(index)); }
    // Selects back the objects the first selection of each kind replaced.
    void RestoreObjects();

    operator HDC() const { return m_hDC; }
    HDC GetSafeHdc() const { return m_hDC; }

    // --- Plain wrappers of the API ---
    BOOL MoveTo(int x, int y) { return ::MoveToEx(m_hDC, x, y, nullptr); }
    BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
    BOOL Polyline(const POINT* points, int count) { return ::Polyline(m_hDC, points, count); }
    BOOL Rectangle(const RECT& r) { return ::Rectangle(m_hDC, r.left, r.top, r.right, r.bottom); }
    void FillSolidRect(const RECT& r, COLORREF color);
    int FillRect(const RECT& r, HBRUSH brush) { return ::FillRect(m_hDC, &r, brush); }
    BOOL TextOut(int x, int y, LPCWSTR text, int length) { return ::TextOutW(m_hDC, x, y, text, length); }
    int DrawText(LPCWSTR text, int length, RECT* rect, UINT format) {
        return ::DrawTextW(m_hDC, text, length, rect, format);
    }
    SIZE GetTextExtent(LPCWSTR text, int length) const {
        SIZE size{};
        ::GetTextExtentPoint32W(m_hDC, text, length, &size);
        return size;
    }
    COLORREF SetTextColor(COLORREF color) { return ::SetTextColor(m_hDC, color); }
    COLORREF SetBkColor(COLORREF color) { return ::SetBkColor(m_hDC, color); }
    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
    BOOL BitBlt(int x, int y, int width, int height, CDC* source, int sx, int sy, DWORD rop) {
        return ::BitBlt(m_hDC, x, y, width, height, source->m_hDC, sx, sy, rop);
    }

protected:
    HDC m_hDC = nullptr;

private:
    // The original object of each kind (pen, brush, font, bitmap, region is not selected this way).
    HGDIOBJ m_original[4] = {};
    bool m_owned = false;
};

// The paint device context of a WM_PAINT handler.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(HWND hwnd) : m_hwnd(hwnd) { m_hDC = ::BeginPaint(hwnd, &m_ps); }
    ~CPaintDC() override;

    PAINTSTRUCT m_ps{};

private:
    HWND m_hwnd;
};

// The client area's device context of a window outside of painting.
class CClientDC : public CDC {
public:
    explicit CClientDC(HWND hwnd) : m_hwnd(hwnd) { m_hDC = ::GetDC(hwnd); }
    ~CClientDC() override;

private:
    HWND m_hwnd;
};
