// Conversions between UTF-8 and the platform's wide characters (UTF-16 on Windows, UTF-32 elsewhere).
#pragma once

#include <string>
#include <string_view>

// Appends the decoded text. Bytes that do not form valid UTF-8 are taken as Latin-1 one by one, so
// every byte sequence decodes and none is dropped.
void AppendUtf8AsWide(std::string_view utf8, std::wstring& out);

// Appends the UTF-8 encoding. An unpaired surrogate becomes U+FFFD.
void AppendWideAsUtf8(std::wstring_view wide, std::string& out);

std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);
