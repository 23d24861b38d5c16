#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "framework/osfile.h"
#include "framework/utf.h"

namespace os {

namespace {

std::string NativePath(const wchar_t* path) {
    return WideToUtf8(path ? path : L"");
}

// POSIX has no mandatory share modes: a reader cannot keep other writers out, so "deny writers" is
// not enforced here.
bool OpenWith(std::intptr_t& handle, const wchar_t* path, int flags, int& error) {
    int fd;
    do {
        fd = ::open(NativePath(path).c_str(), flags | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        error = errno;
        return false;
    }
    handle = fd;
    return true;
}

} // namespace

bool File::OpenRead(const wchar_t* path, int& error) {
    Close();
    return OpenWith(m_handle, path, O_RDONLY, error);
}

bool File::OpenWrite(const wchar_t* path, int& error) {
    Close();
    return OpenWith(m_handle, path, O_WRONLY | O_CREAT | O_TRUNC, error);
}

std::ptrdiff_t File::Read(void* buffer, std::size_t size, int& error) {
    ssize_t n;
    do {
        n = ::read(static_cast<int>(m_handle), buffer, size);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        error = errno;
    return n;
}

bool File::Write(const void* data, std::size_t size, int& error) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(static_cast<int>(m_handle), p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::int64_t File::Size() const {
    struct stat st {};
    if (::fstat(static_cast<int>(m_handle), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return st.st_size;
}

bool File::Close(int& error) {
    if (m_handle == kInvalid)
        return true;
    const int rc = ::close(static_cast<int>(m_handle));
    m_handle = kInvalid;
    if (rc != 0 && errno != EINTR) {
        error = errno;
        return false;
    }
    return true;
}

std::wstring ErrorMessage(int error) {
    char buffer[512];
    // The GNU strerror_r may return a static string instead of filling the buffer.
    const char* text = strerror_r(error, buffer, sizeof buffer);
    return Utf8ToWide(text ? text : "Unknown error");
}

void DecodeText(std::string_view bytes, std::wstring& out) {
    AppendUtf8AsWide(bytes, out);
}

void EncodeText(std::wstring_view text, std::string& out) {
    AppendWideAsUtf8(text, out);
}

bool IsRegularFile(const wchar_t* path) {
    struct stat st {};
    return ::stat(NativePath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void RemoveFile(const wchar_t* path) {
    ::unlink(NativePath(path).c_str());
}

} // namespace os
