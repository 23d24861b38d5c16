// The C library's atof and wcstod follow LC_NUMERIC, so a host in a decimal-comma locale would read
// "2.5" as 2. These convert with fast_float, which is locale-free and correctly rounded like strtod,
// and reads bytes directly, so that a result file's fields need no copy before conversion.
#include "framework/numparse.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

#include <fast_float/fast_float.h>

namespace {

template <typename Char> bool IsBlank(Char c) {
    return c == L' ' || (c >= L'\t' && c <= L'\r');
}

template <typename Char> bool IsDigit(Char c) {
    return c >= L'0' && c <= L'9';
}

template <typename Char> Char Lower(Char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<Char>(c - 'A' + 'a') : c;
}

// Whether the text from `p` to `last` begins with `word`, in any case.
template <typename Char> bool MatchWord(const Char* p, const Char* last, const char* word) {
    for (; *word != '\0'; ++p, ++word) {
        if (p == last || Lower(*p) != static_cast<Char>(*word)) {
            return false;
        }
    }
    return true;
}

template <typename Char> const Char* SkipBlanksAndSign(const Char* p, const Char* last, bool& negative) {
    while (p != last && IsBlank(*p)) {
        ++p;
    }
    negative = p != last && *p == '-';
    if (p != last && (*p == '-' || *p == '+')) {
        ++p;
    }
    return p;
}

// "inf" and "nan" in any case. What may follow them ("inity", "(chars)") does not change the value, and
// the end of the number is not reported, so it is not scanned.
template <typename Char> bool ParseSpecial(const Char* p, const Char* last, double& value) {
    if (MatchWord(p, last, "inf")) {
        value = std::numeric_limits<double>::infinity();
        return true;
    }
    if (MatchWord(p, last, "nan")) {
        value = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    return false;
}

template <typename Char> int32_t LeadingInt(const Char* p, const Char* last) {
    bool negative = false;
    p = SkipBlanksAndSign(p, last, negative);
    // Accumulate the magnitude with a ceiling just past the range so long digit runs cannot overflow.
    const int64_t ceiling = int64_t{INT32_MAX} + 1;
    int64_t magnitude = 0;
    for (; p != last && IsDigit(*p); ++p) {
        magnitude = std::min<int64_t>(magnitude * 10 + (*p - '0'), ceiling);
    }
    const int64_t value = negative ? -magnitude : magnitude;
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// A C string's end, for the wide overloads: their text ends at its zero.
const wchar_t* End(const wchar_t* text) {
    return text + std::char_traits<wchar_t>::length(text);
}

} // namespace

int32_t ParseLeadingInt(const wchar_t* text) {
    return text == nullptr ? 0 : LeadingInt(text, End(text));
}

int32_t ParseLeadingInt(std::string_view text) {
    return LeadingInt(text.data(), text.data() + text.size());
}

// Hex floats ("0x1p3") are not accepted: they read as 0, the value of their leading "0". Nothing we
// read is written that way, and strtod's "0x" form is not what a result file holds.
double ParseLeadingDouble(std::string_view text) {
    const char* const last = text.data() + text.size();
    // Most fields of a result file start with a digit or a minus sign and a digit: fast_float reads
    // those, sign included, exactly as below.
    if (!text.empty() && (IsDigit(text[0]) || (text.size() > 1 && text[0] == '-' && IsDigit(text[1])))) {
        double value = 0.0;
        if (fast_float::from_chars(text.data(), last, value).ec == std::errc()) {
            return value;
        }
    }
    bool negative = false;
    const char* p = SkipBlanksAndSign(text.data(), last, negative);
    double value = 0.0;
    // fast_float takes the longest prefix digits [. digits] [e [sign] digits] with a digit in the
    // mantissa, as strtod does, and gives infinity or zero out of range, as strtod does. Text with no
    // number reads as +0 even after a minus sign, as with strtod.
    if (!ParseSpecial(p, last, value) && fast_float::from_chars(p, last, value).ec != std::errc()) {
        return 0.0;
    }
    return negative ? -value : value;
}

double ParseLeadingDouble(const wchar_t* text) {
    if (text == nullptr) {
        return 0.0;
    }
    // Only ASCII can belong to a number, so the text is narrowed up to its first other character.
    const wchar_t* const last = End(text);
    const wchar_t* p = text;
    while (p != last && *p > 0 && *p < 0x80) {
        ++p;
    }
    std::array<char, 128> stack;
    std::string heap;
    char* narrow = stack.data();
    const auto length = static_cast<size_t>(p - text);
    if (length > stack.size()) {
        heap.resize(length);
        narrow = heap.data();
    }
    std::copy(text, p, narrow);
    return ParseLeadingDouble(std::string_view(narrow, length));
}
