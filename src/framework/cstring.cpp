#include "framework/cstring.h"

#include <algorithm>
#include <cwchar>

#include "framework/format.h"
#include "framework/utf.h"

namespace {

wchar_t AsciiLower(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}
wchar_t AsciiUpper(wchar_t c) {
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

} // namespace

CString::CString(const char* utf8) {
    if (utf8)
        AppendUtf8AsWide(utf8, m_str);
}

CString CString::FromUtf8(std::string_view utf8) {
    return CString(Utf8ToWide(utf8));
}

std::string CString::ToUtf8() const {
    return WideToUtf8(m_str);
}

int CString::Compare(const wchar_t* other) const {
    const int c = m_str.compare(other ? other : L"");
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int CString::CompareNoCase(const wchar_t* other) const {
    const wchar_t* a = m_str.c_str();
    const wchar_t* b = other ? other : L"";
    for (;; ++a, ++b) {
        const wchar_t ca = AsciiLower(*a);
        const wchar_t cb = AsciiLower(*b);
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            return 0;
    }
}

void CString::Format(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::FormatV(const wchar_t* format, va_list args) {
    std::wstring out;
    AppendFormatV(out, format ? format : L"", args);
    m_str = std::move(out);
}

void CString::AppendFormat(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    AppendFormatV(m_str, format ? format : L"", args);
    va_end(args);
}

int CString::Replace(const wchar_t* from, const wchar_t* to) {
    const std::wstring_view f = from ? from : L"";
    const std::wstring_view t = to ? to : L"";
    if (f.empty())
        return 0;
    int count = 0;
    std::wstring out;
    size_t pos = 0;
    for (size_t hit; (hit = m_str.find(f, pos)) != std::wstring::npos; pos = hit + f.size()) {
        out.append(m_str, pos, hit - pos);
        out.append(t);
        ++count;
    }
    if (count > 0) {
        out.append(m_str, pos);
        m_str = std::move(out);
    }
    return count;
}

int CString::Replace(wchar_t from, wchar_t to) {
    int count = 0;
    for (auto& c : m_str) {
        if (c == from) {
            c = to;
            ++count;
        }
    }
    return count;
}

int CString::Find(const wchar_t* sub, int start) const {
    if (start < 0 || static_cast<size_t>(start) > m_str.size())
        return -1;
    const size_t hit = m_str.find(sub ? sub : L"", static_cast<size_t>(start));
    return hit == std::wstring::npos ? -1 : static_cast<int>(hit);
}

int CString::Find(wchar_t ch, int start) const {
    if (start < 0)
        return -1;
    const size_t hit = m_str.find(ch, static_cast<size_t>(start));
    return hit == std::wstring::npos ? -1 : static_cast<int>(hit);
}

int CString::ReverseFind(wchar_t ch) const {
    const size_t hit = m_str.rfind(ch);
    return hit == std::wstring::npos ? -1 : static_cast<int>(hit);
}

CString CString::Left(int count) const {
    return CString(m_str.substr(0, Clamp(count)));
}

CString CString::Right(int count) const {
    const size_t n = std::min(Clamp(count), m_str.size());
    return CString(m_str.substr(m_str.size() - n));
}

CString CString::Mid(int first) const {
    return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const {
    const size_t f = std::min(Clamp(first), m_str.size());
    return CString(m_str.substr(f, Clamp(count)));
}

CString& CString::MakeUpper() {
    std::transform(m_str.begin(), m_str.end(), m_str.begin(), AsciiUpper);
    return *this;
}

CString& CString::MakeLower() {
    std::transform(m_str.begin(), m_str.end(), m_str.begin(), AsciiLower);
    return *this;
}

CString& CString::Trim() {
    return TrimRight().TrimLeft();
}

CString& CString::TrimLeft(const wchar_t* chars) {
    m_str.erase(0, std::min(m_str.find_first_not_of(chars ? chars : L""), m_str.size()));
    return *this;
}

CString& CString::TrimRight(const wchar_t* chars) {
    const size_t last = m_str.find_last_not_of(chars ? chars : L"");
    m_str.erase(last == std::wstring::npos ? 0 : last + 1);
    return *this;
}
