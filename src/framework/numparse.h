// Locale-independent conversions of text to numbers, with the C library's leading-prefix rules:
// leading blanks are skipped, an optional sign is taken, and conversion stops at the first character
// that cannot continue the number. Text with no number reads as 0.
#pragma once

#include <cstdint>
#include <string_view>

// As atoi: digits after the sign; a value out of range is clamped to INT32_MIN or INT32_MAX.
int32_t ParseLeadingInt(const wchar_t* text);

// As atof/wcstod: decimal numbers with fraction and exponent, "inf", "infinity" and "nan".
double ParseLeadingDouble(const wchar_t* text);

// The same rules over bytes, for readers that parse a file's bytes without decoding them first: the
// number ends at the end of `text` at the latest.
int32_t ParseLeadingInt(std::string_view text);
double ParseLeadingDouble(std::string_view text);
