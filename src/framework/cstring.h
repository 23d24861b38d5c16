// CString: the wide-character string of the framework layer, over std::wstring.
#pragma once

#include <algorithm>
#include <cstdarg>
#include <cwchar>
#include <string>
#include <string_view>

// windows.h may have defined LoadString as a macro; the class names its member as written.
#pragma push_macro("LoadString")
#undef LoadString

class CString {
public:
    CString() = default;
    CString(const wchar_t* text) : m_str(text ? text : L"") {}
    CString(const wchar_t* text, int length)
        : m_str(text ? std::wstring(text, Clamp(length)) : std::wstring()) {}
    CString(std::wstring text) : m_str(std::move(text)) {}
    CString(std::wstring_view text) : m_str(text) {}
    CString(wchar_t ch, int repeat = 1) : m_str(Clamp(repeat), ch) {}
    // Narrow text is taken as UTF-8; bytes that are not valid UTF-8 read as Latin-1.
    explicit CString(const char* utf8);
    static CString FromUtf8(std::string_view utf8);

    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    const wchar_t* GetString() const { return m_str.c_str(); }
    operator const wchar_t*() const { return m_str.c_str(); }
    const std::wstring& Str() const { return m_str; }
    std::string ToUtf8() const;

    wchar_t GetAt(int index) const { return m_str.at(static_cast<size_t>(index)); }
    wchar_t operator[](int index) const { return GetAt(index); }

    CString& operator=(const wchar_t* text) {
        m_str = text ? text : L"";
        return *this;
    }
    CString& operator+=(const CString& other) {
        m_str += other.m_str;
        return *this;
    }
    CString& operator+=(const wchar_t* text) {
        if (text)
            m_str += text;
        return *this;
    }
    CString& operator+=(wchar_t ch) {
        m_str += ch;
        return *this;
    }
    friend CString operator+(const CString& a, const CString& b) { return CString(a.m_str + b.m_str); }
    friend CString operator+(const CString& a, const wchar_t* b) { return CString(a.m_str + (b ? b : L"")); }
    friend CString operator+(const wchar_t* a, const CString& b) { return CString((a ? a : L"") + b.m_str); }
    friend CString operator+(const CString& a, wchar_t b) { return CString(a.m_str + b); }

    friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
    friend bool operator==(const CString& a, const wchar_t* b) { return a.m_str == (b ? b : L""); }
    friend auto operator<=>(const CString& a, const CString& b) { return a.m_str <=> b.m_str; }

    // <0, 0, >0 as wcscmp; the no-case form folds ASCII letters only, independent of the locale.
    int Compare(const wchar_t* other) const;
    int CompareNoCase(const wchar_t* other) const;

    // printf-style formatting with the framework's conventions: %s and %c take wide arguments
    // (%hs and %hc narrow ones); numbers never depend on the process locale.
    void Format(const wchar_t* format, ...);
    void FormatV(const wchar_t* format, va_list args);
    void AppendFormat(const wchar_t* format, ...);

    // Replaces every occurrence of `from`; returns how many were replaced. Empty `from` replaces nothing.
    int Replace(const wchar_t* from, const wchar_t* to);
    int Replace(wchar_t from, wchar_t to);
    // Index of the first occurrence at or after `start`, or -1.
    int Find(const wchar_t* sub, int start = 0) const;
    int Find(wchar_t ch, int start = 0) const;
    int ReverseFind(wchar_t ch) const;

    // Out-of-range counts and positions are clamped, never an error.
    CString Left(int count) const;
    CString Right(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;

    // Loads string table entry `id` through the resource chain (Windows only: reschain_win32.cpp);
    // 1 when found, else 0 and the string is unchanged. Where windows.h is included, its macro turns
    // calls of LoadString into LoadStringW, so both names exist.
    int LoadString(unsigned id);
    int LoadStringW(unsigned id) { return LoadString(id); }

    CString& MakeUpper();
    CString& MakeLower();
    CString& Trim();
    CString& TrimLeft(const wchar_t* chars = L" \t\r\n");
    CString& TrimRight(const wchar_t* chars = L" \t\r\n");

private:
    static size_t Clamp(int n) { return n > 0 ? static_cast<size_t>(n) : 0; }
    std::wstring m_str;
};

#pragma pop_macro("LoadString")

// Copies `text` into a fixed field that the host or a record reads, cut to the field and zero-terminated;
// null copies as empty. False when the text was cut, for callers to whom a cut path names another place.
template <size_t N> bool CopyToField(wchar_t (&field)[N], const wchar_t* text) {
    const size_t length = text ? std::wcslen(text) : 0;
    const size_t n = std::min(length, N - 1);
    std::wmemcpy(field, text ? text : L"", n);
    field[n] = L'\0';
    return n == length;
}
