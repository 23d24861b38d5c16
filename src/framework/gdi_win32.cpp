#include "framework/gdi.h"

namespace {

// The slot of an object's kind among the ones a device context holds one of; -1 for other kinds.
int Slot(HGDIOBJ object) {
    switch (::GetObjectType(object)) {
    case OBJ_PEN:
    case OBJ_EXTPEN:
        return 0;
    case OBJ_BRUSH:
        return 1;
    case OBJ_FONT:
        return 2;
    case OBJ_BITMAP:
        return 3;
    default:
        return -1;
    }
}

} // namespace

BOOL CGdiObject::Attach(HGDIOBJ handle) {
    DeleteObject();
    m_handle = handle;
    return handle != nullptr;
}

BOOL CGdiObject::DeleteObject() {
    if (!m_handle)
        return FALSE;
    const BOOL deleted = ::DeleteObject(m_handle);
    m_handle = nullptr;
    return deleted;
}

BOOL CFont::CreateFromFont(HFONT font, LONG weight, LONG height) {
    return CreateFromFont(font, FontChange{height, weight, 0});
}

BOOL CFont::CreateFromFont(HFONT font, const FontChange& change) {
    LOGFONTW log{};
    if (!::GetObjectW(font ? font : ::GetStockObject(DEFAULT_GUI_FONT), sizeof log, &log))
        return FALSE;
    if (change.weight != 0)
        log.lfWeight = change.weight;
    if (change.height != 0)
        log.lfHeight = change.height;
    log.lfEscapement = change.escapement;
    log.lfOrientation = change.escapement;
    return CreateFontIndirect(&log);
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height) {
    return Attach(::CreateCompatibleBitmap(dc->GetSafeHdc(), width, height));
}

CDC::~CDC() {
    RestoreObjects();
    if (m_owned && m_hDC)
        ::DeleteDC(m_hDC);
}

BOOL CDC::CreateCompatibleDC(CDC* dc) {
    RestoreObjects();
    if (m_owned && m_hDC)
        ::DeleteDC(m_hDC);
    m_hDC = ::CreateCompatibleDC(dc ? dc->m_hDC : nullptr);
    m_owned = m_hDC != nullptr;
    return m_owned;
}

HGDIOBJ CGdiSelection::Select(HDC dc, HGDIOBJ object) {
    if (!dc || !object)
        return nullptr;
    const HGDIOBJ previous = ::SelectObject(dc, object);
    const int slot = Slot(object);
    // Only the first replacement of a kind is remembered: that is the object the context had.
    if (slot >= 0 && !m_original[slot] && previous && previous != HGDI_ERROR)
        m_original[slot] = previous;
    return previous;
}

void CGdiSelection::Restore(HDC dc) {
    for (HGDIOBJ& original : m_original) {
        if (original && dc)
            ::SelectObject(dc, original);
        original = nullptr;
    }
}

void CDC::FillSolidRect(const RECT& r, COLORREF color) {
    const COLORREF previous = ::SetBkColor(m_hDC, color);
    ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    ::SetBkColor(m_hDC, previous);
}

CPaintDC::~CPaintDC() {
    RestoreObjects();
    ::EndPaint(m_hwnd, &m_ps);
    m_hDC = nullptr;
}

CClientDC::~CClientDC() {
    RestoreObjects();
    ::ReleaseDC(m_hwnd, m_hDC);
    m_hDC = nullptr;
}

CMemDC::CMemDC(CDC* windowDC) {
    ::GetClientRect(::WindowFromDC(*windowDC), &m_rect);
    if (!CreateCompatibleDC(windowDC))
        return;
    m_bitmap.CreateCompatibleBitmap(windowDC, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top);
    // Selected past CDC's own memory: the bitmap goes back at this object's end, before the DC does.
    m_oldBitmap = ::SelectObject(m_hDC, m_bitmap);
    SetWindowOrg(m_rect.left, m_rect.top);
}

CMemDC::~CMemDC() {
    if (m_oldBitmap)
        ::SelectObject(m_hDC, m_oldBitmap);
}
