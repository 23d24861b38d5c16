// Locale-independent printf-style formatting into wide strings.
#pragma once

#include <cstdarg>
#include <string>

// Appends `format` with `args` expanded to `out`. Conversions: d i u o x X c s p f F e E g G a A %,
// with flags "-+ #0", width and precision in digits (a '*' is an unknown conversion, copied through)
// and the length modifiers h hh l ll z j t L I64. %s and %c take wide arguments unless the h modifier
// asks for narrow ones (taken as UTF-8). Floating-point output is that of the C locale, whatever the
// process locale is.
void AppendFormatV(std::wstring& out, const wchar_t* format, va_list args);

// Formats one double as "%g" would in the C locale; the fast path of the result file writer.
void AppendGeneral(std::wstring& out, double value);
