// The operating system's files and text encoding, as the framework's text file class needs them.
// One implementation per platform: osfile_win32.cpp, osfile_posix.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace os {

// A file opened for sequential reading or writing. Move-only; closes itself.
class File {
public:
    File() = default;
    File(File&& other) noexcept : m_handle(other.m_handle) { other.m_handle = kInvalid; }
    File& operator=(File&& other) noexcept {
        if (this != &other) {
            Close();
            m_handle = other.m_handle;
            other.m_handle = kInvalid;
        }
        return *this;
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File() { Close(); }

    // Opens an existing file for reading; other processes may read it but not write it.
    // On failure returns false and sets `error` to the system's error code.
    bool OpenRead(const wchar_t* path, int& error);
    // Creates the file for writing, truncating an existing one.
    bool OpenWrite(const wchar_t* path, int& error);

    bool IsOpen() const { return m_handle != kInvalid; }
    // The size in bytes, or -1 when the system does not tell (a pipe, say).
    std::int64_t Size() const;
    // Bytes read, 0 at the end of the file, -1 on an error (with `error` set).
    std::ptrdiff_t Read(void* buffer, std::size_t size, int& error);
    // Writes everything or returns false with `error` set.
    bool Write(const void* data, std::size_t size, int& error);
    // Closing can report a late write error; returns false with `error` set then.
    bool Close(int& error);
    void Close() {
        int ignored = 0;
        Close(ignored);
    }

private:
    static constexpr std::intptr_t kInvalid = -1;
    std::intptr_t m_handle = kInvalid; // a HANDLE on Windows, a descriptor elsewhere
};

// The system's message text for an error code of the calls above, without a trailing line end.
std::wstring ErrorMessage(int error);

// The platform's 8-bit text encoding for files: the ANSI code page on Windows; UTF-8 elsewhere,
// with bytes that are not valid UTF-8 taken as Latin-1.
void DecodeText(std::string_view bytes, std::wstring& out);
void EncodeText(std::wstring_view text, std::string& out);

// Whether `path` names an existing regular file (not a folder or device).
bool IsRegularFile(const wchar_t* path);
// Removes a file; failures are ignored.
void RemoveFile(const wchar_t* path);

} // namespace os
