#include "framework/utf.h"

#include <cstdint>

namespace {

void AppendCodePoint(char32_t cp, std::wstring& out) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (cp >> 10));
            out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(cp);
}

// Length of the valid UTF-8 sequence at s[0..n), or 0 when it is not one (overlong forms,
// surrogates and values above U+10FFFF included).
size_t ValidSequence(const unsigned char* s, size_t n, char32_t& cp) {
    const unsigned char b0 = s[0];
    size_t len;
    char32_t min;
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (n < len)
        return 0;
    for (size_t i = 1; i < len; ++i) {
        if ((s[i] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (s[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

void AppendUtf8(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

void AppendUtf8AsWide(std::string_view utf8, std::wstring& out) {
    const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
    const size_t n = utf8.size();
    // Result files are mostly ASCII: widen that part in place, then decode the rest one by one.
    const size_t at = out.size();
    out.resize(at + n);
    wchar_t* w = out.data() + at;
    size_t i = 0;
    for (; i < n && s[i] < 0x80; ++i)
        w[i] = static_cast<wchar_t>(s[i]);
    out.resize(at + i);
    while (i < n) {
        char32_t cp;
        const size_t len = ValidSequence(s + i, n - i, cp);
        if (len == 0) {
            out += static_cast<wchar_t>(s[i]); // Latin-1
            ++i;
        } else {
            AppendCodePoint(cp, out);
            i += len;
        }
    }
}

void AppendWideAsUtf8(std::wstring_view wide, std::string& out) {
    out.reserve(out.size() + wide.size());
    for (size_t i = 0; i < wide.size(); ++i) {
        char32_t cp = static_cast<char32_t>(wide[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            cp &= 0xFFFF;
            if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < wide.size()) {
                const char32_t lo = static_cast<char32_t>(wide[i + 1]) & 0xFFFF;
                if (lo >= 0xDC00 && lo <= 0xDFFF) {
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                    ++i;
                }
            }
        }
        if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
            cp = 0xFFFD;
        AppendUtf8(cp, out);
    }
}

std::wstring Utf8ToWide(std::string_view utf8) {
    std::wstring out;
    AppendUtf8AsWide(utf8, out);
    return out;
}

std::string WideToUtf8(std::wstring_view wide) {
    std::string out;
    AppendWideAsUtf8(wide, out);
    return out;
}
