#include <windows.h>

#include "framework/osfile.h"

namespace os {

namespace {

HANDLE H(std::intptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}

bool OpenWith(std::intptr_t& handle, const wchar_t* path, DWORD access, DWORD share, DWORD disposition,
              int& error) {
    const HANDLE h = ::CreateFileW(path ? path : L"", access, share, nullptr, disposition,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = static_cast<int>(::GetLastError());
        return false;
    }
    handle = reinterpret_cast<std::intptr_t>(h);
    return true;
}

} // namespace

bool File::OpenRead(const wchar_t* path, int& error) {
    Close();
    return OpenWith(m_handle, path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, error);
}

bool File::OpenWrite(const wchar_t* path, int& error) {
    Close();
    return OpenWith(m_handle, path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS, error);
}

std::ptrdiff_t File::Read(void* buffer, std::size_t size, int& error) {
    DWORD got = 0;
    const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!::ReadFile(H(m_handle), buffer, want, &got, nullptr)) {
        const DWORD e = ::GetLastError();
        if (e == ERROR_BROKEN_PIPE || e == ERROR_HANDLE_EOF)
            return 0;
        error = static_cast<int>(e);
        return -1;
    }
    return static_cast<std::ptrdiff_t>(got);
}

bool File::Write(const void* data, std::size_t size, int& error) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!::WriteFile(H(m_handle), p, chunk, &written, nullptr) || written == 0) {
            error = static_cast<int>(::GetLastError());
            return false;
        }
        p += written;
        size -= written;
    }
    return true;
}

std::int64_t File::Size() const {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(reinterpret_cast<HANDLE>(m_handle), &size))
        return -1;
    return size.QuadPart;
}

bool File::Close(int& error) {
    if (m_handle == kInvalid)
        return true;
    const BOOL ok = ::CloseHandle(H(m_handle));
    m_handle = kInvalid;
    if (!ok) {
        error = static_cast<int>(::GetLastError());
        return false;
    }
    return true;
}

std::wstring ErrorMessage(int error) {
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message;
    if (n > 0 && text)
        message.assign(text, n);
    if (text)
        ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
        message.pop_back();
    if (message.empty())
        message = L"Error " + std::to_wstring(error);
    return message;
}

void DecodeText(std::string_view bytes, std::wstring& out) {
    if (bytes.empty())
        return;
    const int len = static_cast<int>(bytes.size());
    const int need = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), len, nullptr, 0);
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(need));
    ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), len, out.data() + at, need);
}

void EncodeText(std::wstring_view text, std::string& out) {
    if (text.empty())
        return;
    const int len = static_cast<int>(text.size());
    const int need = ::WideCharToMultiByte(CP_ACP, 0, text.data(), len, nullptr, 0, nullptr, nullptr);
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(need));
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), len, out.data() + at, need, nullptr, nullptr);
}

bool IsRegularFile(const wchar_t* path) {
    const DWORD attr = ::GetFileAttributesW(path ? path : L"");
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attr & FILE_ATTRIBUTE_DEVICE);
}

void RemoveFile(const wchar_t* path) {
    ::DeleteFileW(path ? path : L"");
}

} // namespace os
