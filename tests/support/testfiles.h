// Scratch files for tests: a private folder that is removed with everything in it.
#pragma once

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

#include "framework/cstring.h"

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // The full path of `name` inside the folder, as the wide string the module's API takes.
    std::wstring File(const std::wstring& name) const { return (m_path / name).wstring(); }

private:
    std::filesystem::path m_path;
};

// Readable failure messages for the framework's string.
inline void PrintTo(const CString& text, std::ostream* os) {
    *os << '"' << text.ToUtf8() << '"';
}

void WriteBytes(const std::wstring& path, const std::string& bytes);
std::string ReadBytes(const std::wstring& path);
// The path of a golden file, named by its path under tests/, and its bytes.
std::wstring GoldenPath(const char* name);
std::string Golden(const char* name);
// An XML document less what the serializers may do differently: a byte-order mark, the
// declaration's quoting and blanks, the line end after it and at the end of the file, and an element
// holding only empty text written as <a></a> or <a/>.
std::string NormaliseXml(const std::string& text);
// What `action` writes to the debugger output.
std::wstring DebugOutputOf(const std::function<void()>& action);
