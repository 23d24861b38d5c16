// The C library's atof and wcstod follow LC_NUMERIC, so a host in a decimal-comma locale would read
// "2.5" as 2. These scan the number themselves and convert with std::from_chars, which is locale-free.
#include "framework/numparse.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || (c >= L'\t' && c <= L'\r');
}

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

wchar_t Lower(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// Length of the case-insensitive match of `word` at the start of `text`, or 0.
size_t MatchWord(const wchar_t* text, const char* word) {
    size_t i = 0;
    for (; word[i] != '\0'; ++i) {
        if (Lower(text[i]) != static_cast<wchar_t>(word[i])) {
            return 0;
        }
    }
    return i;
}

const wchar_t* SkipBlanksAndSign(const wchar_t* p, bool& negative) {
    while (IsBlank(*p)) {
        ++p;
    }
    negative = *p == L'-';
    if (*p == L'-' || *p == L'+') {
        ++p;
    }
    return p;
}

// "inf" and "nan" in any case. What may follow them ("inity", "(chars)") does not change the value, and
// the end of the number is not reported, so it is not scanned.
bool ParseSpecial(const wchar_t* p, double& value) {
    if (MatchWord(p, "inf")) {
        value = std::numeric_limits<double>::infinity();
        return true;
    }
    if (MatchWord(p, "nan")) {
        value = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    return false;
}

} // namespace

int32_t ParseLeadingInt(const wchar_t* text) {
    if (text == nullptr) {
        return 0;
    }
    bool negative = false;
    const wchar_t* p = SkipBlanksAndSign(text, negative);
    // Accumulate the magnitude with a ceiling just past the range so long digit runs cannot overflow.
    const int64_t ceiling = int64_t{INT32_MAX} + 1;
    int64_t magnitude = 0;
    for (; IsDigit(*p); ++p) {
        magnitude = std::min(magnitude * 10 + (*p - L'0'), ceiling);
    }
    const int64_t value = negative ? -magnitude : magnitude;
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// Hex floats ("0x1p3") are not accepted: they read as 0, the value of their leading "0". Nothing we
// read is written that way, and from_chars' hex form has no "0x" to match strtod's.
double ParseLeadingDouble(const wchar_t* text) {
    if (text == nullptr) {
        return 0.0;
    }
    bool negative = false;
    const wchar_t* start = SkipBlanksAndSign(text, negative);

    double value = 0.0;
    if (ParseSpecial(start, value)) {
        return negative ? -value : value;
    }

    // The longest prefix of the form digits [. digits] [e [sign] digits], with a digit in the mantissa.
    // Alongside, the decimal exponent of the leading significant digit, to tell overflow from underflow.
    const wchar_t* p = start;
    long long leadExponent = 0;
    bool seenSignificant = false;
    size_t mantissaDigits = 0;
    for (; IsDigit(*p); ++p, ++mantissaDigits) {
        if (seenSignificant) {
            ++leadExponent;
        } else if (*p != L'0') {
            seenSignificant = true;
        }
    }
    if (*p == L'.') {
        ++p;
        for (; IsDigit(*p); ++p, ++mantissaDigits) {
            if (!seenSignificant) {
                --leadExponent;
                seenSignificant = *p != L'0';
            }
        }
    }
    if (mantissaDigits == 0) {
        return 0.0;
    }
    if (*p == L'e' || *p == L'E') {
        const wchar_t* q = p + 1;
        const bool negativeExponent = *q == L'-';
        if (*q == L'+' || *q == L'-') {
            ++q;
        }
        if (IsDigit(*q)) {
            long long exponent = 0;
            for (; IsDigit(*q); ++q) {
                exponent = std::min(exponent * 10 + (*q - L'0'), 1LL << 40);
            }
            leadExponent += negativeExponent ? -exponent : exponent;
            p = q;
        }
    }
    if (!seenSignificant) {
        return negative ? -0.0 : 0.0;
    }

    // The prefix is all ASCII, so narrowing is a plain copy.
    const size_t length = static_cast<size_t>(p - start);
    std::array<char, 1280> stack;
    std::string heap;
    char* narrow = stack.data();
    if (length > stack.size()) {
        heap.resize(length);
        narrow = heap.data();
    }
    for (size_t i = 0; i < length; ++i) {
        narrow[i] = static_cast<char>(start[i]);
    }
    const std::from_chars_result result = std::from_chars(narrow, narrow + length, value);
    if (result.ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone; strtod gives HUGE_VAL or zero.
        value = leadExponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (result.ec != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}
