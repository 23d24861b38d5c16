// Writing a CElem tree as an XML file and reading one back. Neither throws.
#pragma once

#include <string>

class CElem;

// 1 when the file was written, else 0. The tree is only read.
int WriteXmlFile(const CElem* root, const wchar_t* path);

// The file's element tree, or null with the reason in `why` when given. The caller deletes the
// returned root.
CElem* ReadXmlFile(const wchar_t* path, std::wstring* why = nullptr);
