// The formatter is our own rather than vswprintf: the C library's version follows LC_NUMERIC, which a host
// application may have set to a decimal-comma locale, and mingw and Microsoft disagree on what %s takes in
// a wide format. Numbers are converted with std::to_chars, which is locale-free and whose output for a
// given chars_format and precision is defined as that of printf in the C locale.
#include "framework/format.h"

#include "framework/utf.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string_view>
#include <system_error>
#include <type_traits>

namespace {

enum class Length { None, Char, Short, Long, LongLong, IntMax, Size, PtrDiff, LongDouble, Int64, Int32 };

struct Spec {
    bool left = false;
    bool plus = false;
    bool space = false;
    bool alt = false;
    bool zero = false;
    int width = 0;
    int precision = -1; // -1: none given
    Length length = Length::None;
    wchar_t conversion = 0;
};

void AppendAscii(std::wstring& out, std::string_view text) {
    const size_t start = out.size();
    out.resize(start + text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        out[start + i] = static_cast<unsigned char>(text[i]);
    }
}

// Lays out prefix (sign, "0x") and body in the field. Zero padding goes between the two, as C requires.
void AppendField(std::wstring& out, const Spec& spec, std::string_view prefix, std::string_view body,
                 bool zeroPadAllowed) {
    const size_t length = prefix.size() + body.size();
    const size_t pad = spec.width > 0 && static_cast<size_t>(spec.width) > length ? spec.width - length : 0;
    if (spec.left) {
        AppendAscii(out, prefix);
        AppendAscii(out, body);
        out.append(pad, L' ');
    } else if (spec.zero && zeroPadAllowed) {
        AppendAscii(out, prefix);
        out.append(pad, L'0');
        AppendAscii(out, body);
    } else {
        out.append(pad, L' ');
        AppendAscii(out, prefix);
        AppendAscii(out, body);
    }
}

void AppendText(std::wstring& out, const Spec& spec, std::wstring_view text) {
    const size_t pad =
        spec.width > 0 && static_cast<size_t>(spec.width) > text.size() ? spec.width - text.size() : 0;
    if (!spec.left) {
        out.append(pad, L' ');
    }
    out.append(text);
    if (spec.left) {
        out.append(pad, L' ');
    }
}

char SignOf(bool negative, const Spec& spec) {
    if (negative) {
        return '-';
    }
    return spec.plus ? '+' : spec.space ? ' ' : 0;
}

void FormatInteger(std::wstring& out, const Spec& spec, unsigned long long magnitude, char sign) {
    unsigned base = 10;
    const char* digitSet = "0123456789abcdef";
    switch (spec.conversion) {
    case L'o':
        base = 8;
        break;
    case L'x':
    case L'p':
        base = 16;
        break;
    case L'X':
        base = 16;
        digitSet = "0123456789ABCDEF";
        break;
    default:
        break;
    }

    // 22 octal digits hold 64 bits; a larger precision is built in a heap buffer below.
    std::array<char, 24> digits;
    size_t count = 0;
    for (unsigned long long v = magnitude; v != 0; v /= base) {
        digits[digits.size() - 1 - count++] = digitSet[v % base];
    }
    std::string_view significant(digits.data() + digits.size() - count, count);

    // Precision is a minimum digit count; without one a zero still prints as "0".
    size_t minDigits = spec.precision < 0 ? 1 : static_cast<size_t>(spec.precision);
    if (spec.alt && base == 8 && minDigits <= count) {
        minDigits = count + 1; // '#' forces a leading zero on octal
    }
    std::string body;
    if (minDigits > count) {
        body.assign(minDigits - count, '0');
    }
    body.append(significant);

    char prefix[3] = {};
    size_t prefixLength = 0;
    if (sign) {
        prefix[prefixLength++] = sign;
    }
    if (base == 16 && spec.alt && magnitude != 0) {
        prefix[prefixLength++] = '0';
        prefix[prefixLength++] = spec.conversion == L'X' ? 'X' : 'x';
    }
    AppendField(out, spec, std::string_view(prefix, prefixLength), body, spec.precision < 0);
}

// The signed argument is widened to its magnitude and sign; `va` points at a va_list so it can be
// shared with the caller on platforms where va_list is an array type.
void FormatSigned(std::wstring& out, const Spec& spec, va_list* va) {
    long long value = 0;
    switch (spec.length) {
    case Length::Char:
        value = static_cast<signed char>(va_arg(*va, int));
        break;
    case Length::Short:
        value = static_cast<short>(va_arg(*va, int));
        break;
    case Length::Long:
        value = va_arg(*va, long);
        break;
    case Length::LongLong:
    case Length::LongDouble: // glibc reads %Ld as long long
        value = va_arg(*va, long long);
        break;
    case Length::IntMax:
        value = va_arg(*va, intmax_t);
        break;
    case Length::Size:
        value = va_arg(*va, std::make_signed_t<size_t>);
        break;
    case Length::PtrDiff:
        value = va_arg(*va, ptrdiff_t);
        break;
    case Length::Int64:
        value = va_arg(*va, int64_t);
        break;
    case Length::Int32:
        value = va_arg(*va, int32_t);
        break;
    case Length::None:
        value = va_arg(*va, int);
        break;
    }
    const bool negative = value < 0;
    const unsigned long long magnitude =
        negative ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    FormatInteger(out, spec, magnitude, SignOf(negative, spec));
}

void FormatUnsigned(std::wstring& out, const Spec& spec, va_list* va) {
    unsigned long long value = 0;
    switch (spec.length) {
    case Length::Char:
        value = static_cast<unsigned char>(va_arg(*va, unsigned));
        break;
    case Length::Short:
        value = static_cast<unsigned short>(va_arg(*va, unsigned));
        break;
    case Length::Long:
        value = va_arg(*va, unsigned long);
        break;
    case Length::LongLong:
    case Length::LongDouble:
        value = va_arg(*va, unsigned long long);
        break;
    case Length::IntMax:
        value = va_arg(*va, uintmax_t);
        break;
    case Length::Size:
        value = va_arg(*va, size_t);
        break;
    case Length::PtrDiff:
        value = static_cast<std::make_unsigned_t<ptrdiff_t>>(va_arg(*va, ptrdiff_t));
        break;
    case Length::Int64:
        value = va_arg(*va, uint64_t);
        break;
    case Length::Int32:
        value = va_arg(*va, uint32_t);
        break;
    case Length::None:
        value = va_arg(*va, unsigned);
        break;
    }
    FormatInteger(out, spec, value, 0); // C gives unsigned conversions no sign, whatever the flags
}

// As glibc: "(nil)" for null, otherwise "%#x" of the address with the flags given.
void FormatPointer(std::wstring& out, const Spec& spec, const void* pointer) {
    if (pointer == nullptr) {
        AppendField(out, spec, {}, "(nil)", false);
        return;
    }
    Spec hex = spec;
    hex.alt = true;
    FormatInteger(out, hex, reinterpret_cast<uintptr_t>(pointer), SignOf(false, spec));
}

// to_chars into a stack buffer, or a heap one for long fixed output or a large precision. A negative
// precision asks for the shortest exact form.
template <class T>
std::string_view ToChars(std::array<char, 512>& stack, std::string& heap, T value, std::chars_format style,
                         int precision) {
    auto convert = [&](char* first, char* last) {
        return precision < 0 ? std::to_chars(first, last, value, style)
                             : std::to_chars(first, last, value, style, precision);
    };
    std::to_chars_result result = convert(stack.data(), stack.data() + stack.size());
    if (result.ec == std::errc()) {
        return std::string_view(stack.data(), result.ptr - stack.data());
    }
    // Long double's largest value has 4933 integer digits; the precision adds at most its own count.
    heap.resize(5000 + static_cast<size_t>(precision < 0 ? 0 : precision));
    result = convert(heap.data(), heap.data() + heap.size());
    heap.resize(result.ec == std::errc() ? result.ptr - heap.data() : 0);
    return heap;
}

template <class T> void FormatFloat(std::wstring& out, const Spec& spec, T value) {
    const wchar_t conversion = spec.conversion;
    const bool upper = conversion == L'F' || conversion == L'E' || conversion == L'G' || conversion == L'A';
    const char sign = SignOf(std::signbit(value), spec);
    char prefix[3] = {};
    size_t prefixLength = 0;
    if (sign) {
        prefix[prefixLength++] = sign;
    }

    if (!std::isfinite(value)) {
        const char* text = std::isnan(value) ? (upper ? "NAN" : "nan") : (upper ? "INF" : "inf");
        AppendField(out, spec, std::string_view(prefix, prefixLength), text, false);
        return;
    }

    const T magnitude = std::fabs(value);
    const int precision = spec.precision;
    std::array<char, 512> stack;
    std::string heap;
    std::string_view text;
    // Holds the text when '#' needs a decimal point inserted into it.
    std::string edited;
    auto needPoint = [&](std::string_view body, char exponentMark) {
        if (!spec.alt || body.find('.') != std::string_view::npos) {
            return body;
        }
        const size_t at = std::min(body.find(exponentMark), body.size());
        edited.assign(body.substr(0, at)).append(".").append(body.substr(at));
        return std::string_view(edited);
    };

    switch (conversion) {
    case L'f':
    case L'F':
        text = needPoint(
            ToChars(stack, heap, magnitude, std::chars_format::fixed, precision < 0 ? 6 : precision), 'e');
        break;
    case L'e':
    case L'E':
        text = needPoint(
            ToChars(stack, heap, magnitude, std::chars_format::scientific, precision < 0 ? 6 : precision),
            'e');
        break;
    case L'g':
    case L'G': {
        const int significant = precision < 0 ? 6 : precision == 0 ? 1 : precision;
        if (!spec.alt) {
            text = ToChars(stack, heap, magnitude, std::chars_format::general, significant);
            break;
        }
        // '#' keeps the trailing zeros that to_chars' general form strips, so choose the style as C
        // does: from the exponent the value has once rounded to `significant` digits.
        text = ToChars(stack, heap, magnitude, std::chars_format::scientific, significant - 1);
        int exponent = 0;
        const size_t mark = text.find('e');
        std::from_chars(text.data() + mark + (text[mark + 1] == '+' ? 2 : 1), text.data() + text.size(),
                        exponent);
        if (exponent >= -4 && exponent < significant) {
            text = ToChars(stack, heap, magnitude, std::chars_format::fixed, significant - 1 - exponent);
        }
        text = needPoint(text, 'e');
        break;
    }
    default: // a, A: to_chars' hex form is glibc's %a without the "0x", long double's "0xcp-2" form included
        prefix[prefixLength++] = '0';
        prefix[prefixLength++] = upper ? 'X' : 'x';
        text = needPoint(ToChars(stack, heap, magnitude, std::chars_format::hex, precision), 'p');
        break;
    }

    if (upper) {
        if (text.data() != edited.data()) {
            edited.assign(text);
        }
        for (char& c : edited) {
            if (c >= 'a' && c <= 'z') {
                c = static_cast<char>(c - 'a' + 'A');
            }
        }
        text = edited;
    }
    AppendField(out, spec, std::string_view(prefix, prefixLength), text, true);
}

// Narrow text for %hs is UTF-8. As in the narrow printf the precision counts bytes, and the text need
// not be terminated within them; a multi-byte character cut by it is dropped rather than mis-decoded.
void FormatNarrowString(std::wstring& out, const Spec& spec, const char* text) {
    size_t length = 0;
    if (spec.precision < 0) {
        length = std::strlen(text);
    } else {
        const size_t limit = static_cast<size_t>(spec.precision);
        while (length < limit && text[length] != '\0') {
            ++length;
        }
        if (length == limit) {
            size_t lead = length;
            while (lead > 0 && length - lead < 4 &&
                   (static_cast<unsigned char>(text[lead - 1]) & 0xC0) == 0x80) {
                --lead;
            }
            if (lead > 0) {
                const unsigned char first = static_cast<unsigned char>(text[lead - 1]);
                const size_t needed = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
                if (needed > 1 && length - (lead - 1) < needed) {
                    length = lead - 1;
                }
            }
        }
    }
    std::wstring wide;
    AppendUtf8AsWide(std::string_view(text, length), wide);
    AppendText(out, spec, wide);
}

void FormatWideString(std::wstring& out, const Spec& spec, const wchar_t* text) {
    size_t length = 0;
    if (spec.precision < 0) {
        length = std::wcslen(text);
    } else {
        const size_t limit = static_cast<size_t>(spec.precision);
        while (length < limit && text[length] != L'\0') {
            ++length;
        }
    }
    AppendText(out, spec, std::wstring_view(text, length));
}

bool IsNarrow(Length length) {
    return length == Length::Short || length == Length::Char;
}

int ParseNumber(const wchar_t*& p) {
    long long value = 0;
    while (*p >= L'0' && *p <= L'9') {
        value = std::min<long long>(value * 10 + (*p++ - L'0'), INT_MAX);
    }
    return static_cast<int>(value);
}

} // namespace

void AppendFormatV(std::wstring& out, const wchar_t* format, va_list args) {
    if (format == nullptr) {
        return;
    }
    va_list va;
    va_copy(va, args);

    const wchar_t* p = format;
    while (*p != L'\0') {
        if (*p != L'%') {
            const wchar_t* literal = p;
            while (*p != L'\0' && *p != L'%') {
                ++p;
            }
            out.append(literal, p - literal);
            continue;
        }

        const wchar_t* start = p++;
        Spec spec;
        for (;; ++p) {
            if (*p == L'-') {
                spec.left = true;
            } else if (*p == L'+') {
                spec.plus = true;
            } else if (*p == L' ') {
                spec.space = true;
            } else if (*p == L'#') {
                spec.alt = true;
            } else if (*p == L'0') {
                spec.zero = true;
            } else {
                break;
            }
        }
        // Width and precision are digits only: no caller passes them as arguments. A '*' therefore ends
        // the directive as an unknown conversion below, so "%*d" and "%.*f" come out as written and,
        // like every unknown conversion, take no argument.
        spec.width = ParseNumber(p);
        if (*p == L'.') {
            ++p;
            spec.precision = ParseNumber(p);
        }

        switch (*p) {
        case L'h':
            spec.length = p[1] == L'h' ? Length::Char : Length::Short;
            p += p[1] == L'h' ? 2 : 1;
            break;
        case L'l':
            spec.length = p[1] == L'l' ? Length::LongLong : Length::Long;
            p += p[1] == L'l' ? 2 : 1;
            break;
        case L'q':
            spec.length = Length::LongLong;
            ++p;
            break;
        case L'L':
            spec.length = Length::LongDouble;
            ++p;
            break;
        case L'j':
            spec.length = Length::IntMax;
            ++p;
            break;
        case L'z':
            spec.length = Length::Size;
            ++p;
            break;
        case L't':
            spec.length = Length::PtrDiff;
            ++p;
            break;
        case L'I': // Microsoft: I64, I32, or I alone for pointer size
            if (p[1] == L'6' && p[2] == L'4') {
                spec.length = Length::Int64;
                p += 3;
            } else if (p[1] == L'3' && p[2] == L'2') {
                spec.length = Length::Int32;
                p += 3;
            } else {
                spec.length = Length::PtrDiff;
                ++p;
            }
            break;
        default:
            break;
        }

        spec.conversion = *p;
        switch (spec.conversion) {
        case L'd':
        case L'i':
            FormatSigned(out, spec, &va);
            break;
        case L'u':
        case L'o':
        case L'x':
        case L'X':
            FormatUnsigned(out, spec, &va);
            break;
        case L'p':
            FormatPointer(out, spec, va_arg(va, void*));
            break;
        case L'f':
        case L'F':
        case L'e':
        case L'E':
        case L'g':
        case L'G':
        case L'a':
        case L'A':
            if (spec.length == Length::LongDouble) {
                FormatFloat(out, spec, va_arg(va, long double));
            } else {
                FormatFloat(out, spec, va_arg(va, double));
            }
            break;
        case L'c': {
            // wint_t is 16 bits on Windows and so arrives promoted to int; read the promoted type.
            const unsigned code = va_arg(va, unsigned);
            std::wstring text;
            if (IsNarrow(spec.length)) {
                const char byte = static_cast<char>(code);
                AppendUtf8AsWide(std::string_view(&byte, 1), text);
            } else {
                text.assign(1, static_cast<wchar_t>(code));
            }
            AppendText(out, spec, text);
            break;
        }
        case L's':
            if (IsNarrow(spec.length)) {
                const char* text = va_arg(va, const char*);
                if (text == nullptr) {
                    text = spec.precision < 0 || spec.precision >= 6 ? "(null)" : "";
                }
                FormatNarrowString(out, spec, text);
            } else {
                const wchar_t* text = va_arg(va, const wchar_t*);
                if (text == nullptr) {
                    // glibc prints nothing rather than a cut "(null)" when the precision is short.
                    text = spec.precision < 0 || spec.precision >= 6 ? L"(null)" : L"";
                }
                FormatWideString(out, spec, text);
            }
            break;
        case L'%':
            out.push_back(L'%');
            break;
        case L'\0':
            // A directive cut off by the end of the format is kept as text.
            out.append(start, p - start);
            continue;
        default:
            // Unknown conversions, %n among them, are copied through and take no argument.
            out.append(start, p + 1 - start);
            break;
        }
        ++p;
    }
    va_end(va);
}

void AppendGeneral(std::wstring& out, double value) {
    // "-1.23457e-308" is the longest %g output; no heap allocation beyond growing `out`.
    char buffer[32];
    const std::to_chars_result result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    const size_t length = result.ec == std::errc() ? static_cast<size_t>(result.ptr - buffer) : 0;
    const size_t start = out.size();
    out.resize(start + length);
    for (size_t i = 0; i < length; ++i) {
        out[start + i] = static_cast<unsigned char>(buffer[i]);
    }
}
