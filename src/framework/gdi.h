// Device contexts and drawing objects. A CDC selects back, at its end, every object that a selection
// through it replaced; a drawing object deletes, at its end, the handle it made. Declare the objects
// before the device context (or the CDrawStep), so that they are selected out before they are deleted.
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

// What a copy of a font changes; a zero height or weight keeps the original's.
struct FontChange {
    LONG height = 0;
    LONG weight = 0;
    // Tenths of a degree counter-clockwise; also the orientation of each character.
    LONG escapement = 0;
};

class CFont : public CGdiObject {
public:
    BOOL CreateFontIndirect(const LOGFONTW* font) { return Attach(::CreateFontIndirectW(font)); }
    // A copy of `font` (a window's font, say; null is the GUI font) with other weight or height.
    BOOL CreateFromFont(HFONT font, LONG weight, LONG height = 0);
    BOOL CreateFromFont(HFONT font, const FontChange& change);
    operator HFONT() const { return static_cast<HFONT>(GetSafeHandle()); }
};

class CDC;

// Selections into one device context, remembering what each kind of object replaced first (pen,
// brush, font, bitmap), so that the context can be given back as it was.
class CGdiSelection {
public:
    // Selects the object and returns the one it replaced.
    HGDIOBJ Select(HDC dc, HGDIOBJ object);
    // Selects back the objects the first selection of each kind replaced.
    void Restore(HDC dc);

private:
    HGDIOBJ m_original[4] = {};
};

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
    HGDIOBJ SelectObject(HGDIOBJ object) { return m_selection.Select(m_hDC, object); }
    HGDIOBJ SelectStockObject(int index) { return SelectObject(::GetStockObject(index)); }
    // Selects back the objects the first selection of each kind replaced.
    void RestoreObjects() { m_selection.Restore(m_hDC); }

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
    UINT SetTextAlign(UINT align) { return ::SetTextAlign(m_hDC, align); }
    POINT SetWindowOrg(int x, int y) {
        POINT previous{};
        ::SetWindowOrgEx(m_hDC, x, y, &previous);
        return previous;
    }

protected:
    HDC m_hDC = nullptr;

private:
    CGdiSelection m_selection;
    bool m_owned = false;
};

// The objects one drawing step selects into a device context that outlives it (a memory DC kept
// across paints, say): at the step's end the objects they replaced are selected back, whatever the
// context itself restores at its own end. Declare the step after the objects it selects.
class CDrawStep {
public:
    explicit CDrawStep(HDC dc) : m_hDC(dc) {}
    ~CDrawStep() { m_selection.Restore(m_hDC); }
    CDrawStep(const CDrawStep&) = delete;
    CDrawStep& operator=(const CDrawStep&) = delete;

    HGDIOBJ SelectObject(const CGdiObject& object) {
        return m_selection.Select(m_hDC, object.GetSafeHandle());
    }

private:
    HDC m_hDC;
    CGdiSelection m_selection;
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

// An off-screen copy of a window's client area: a memory DC compatible with the window's DC, holding
// a bitmap of the client area's size, with its window origin at the area's top-left corner. It
// selects its bitmap back itself at its end; what a drawing step selects into it is that step's to
// give back (CDrawStep), since the context lives across paints. Every drawing and text operation of
// CDC acts on the off-screen context, the only one it has.
class CMemDC : public CDC {
public:
    explicit CMemDC(CDC* windowDC);
    ~CMemDC() override;

    const RECT& GetRect() const { return m_rect; }

private:
    CBitmap m_bitmap;
    HGDIOBJ m_oldBitmap = nullptr;
    RECT m_rect{};
};
