#include <windows.h>

#include <string>

#include "calc/jobos.h"

namespace jobos {

const wchar_t kSeparator = L'\\';
const wchar_t kForeignSeparator = L'/';
const wchar_t kEngineFileName[] = L"kestrum.exe";

namespace {

// Symbolic links and junctions are reparse points. Any reparse point is treated as a link: it is
// removed itself and never entered, so a link can never lead the removal out of the job folder.
bool IsReparsePoint(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

std::wstring WithoutTrailingSeparators(const wchar_t* path) {
    std::wstring bare(path ? path : L"");
    while (bare.size() > 1 && (bare.back() == L'\\' || bare.back() == L'/'))
        bare.pop_back();
    return bare;
}

void RemoveContents(const CString& folder) {
    // "folder\*.*"; a folder given with a trailing separator must not give a doubled one.
    CString pattern;
    pattern.Format(L"%s\\*.*", folder.GetString());
    pattern.Replace(L"\\\\*", L"\\*");
    const CString base = pattern.Left(pattern.GetLength() - 3);
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const CString child = base + found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!IsReparsePoint(found.dwFileAttributes))
                RemoveContents(child);
            ::RemoveDirectoryW(child);
        } else {
            // A file link is deleted as a link.
            ::DeleteFileW(child);
        }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

} // namespace

CString TempFolder() {
    wchar_t buffer[2600];
    const DWORD n = ::GetTempPathW(2600, buffer);
    return n > 0 && n < 2600 ? CString(buffer) : CString();
}

uint32_t TickCount() {
    return ::GetTickCount();
}

int CreateFolder(const wchar_t* path) {
    return ::CreateDirectoryW(path, nullptr) ? 1 : 0;
}

bool Exists(const wchar_t* path) {
    return ::GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

int RemoveTree(const wchar_t* folder) {
    const std::wstring bare = WithoutTrailingSeparators(folder);
    const DWORD attributes = ::GetFileAttributesW(bare.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return 0;
    if (IsReparsePoint(attributes))
        return ::RemoveDirectoryW(bare.c_str()) ? 1 : 0; // the link goes, its target stays
    RemoveContents(CString(folder));
    return ::RemoveDirectoryW(folder) ? 1 : 0;
}

bool CanonicalFolder(const wchar_t* path, CString* canonical) {
    // Opening the folder resolves ".", ".." and every link on the way, short names included; the
    // handle then tells its final name.
    const HANDLE handle =
        ::CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info{};
    std::wstring name(1024, L'\0');
    bool ok =
        ::GetFileInformationByHandle(handle, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    if (ok) {
        DWORD n = ::GetFinalPathNameByHandleW(handle, name.data(), static_cast<DWORD>(name.size()),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n >= name.size()) {
            name.resize(n + 1);
            n = ::GetFinalPathNameByHandleW(handle, name.data(), static_cast<DWORD>(name.size()),
                                            FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        }
        ok = n > 0 && n < name.size();
        name.resize(ok ? n : 0);
    }
    ::CloseHandle(handle);
    if (!ok)
        return false;
    // "\\?\C:\..." becomes "C:\...", "\\?\UNC\server\..." becomes "\\server\...".
    if (name.starts_with(L"\\\\?\\UNC\\"))
        name = L"\\\\" + name.substr(8);
    else if (name.starts_with(L"\\\\?\\"))
        name = name.substr(4);
    while (name.size() > 1 && name.back() == L'\\')
        name.pop_back();
    *canonical = CString(std::move(name));
    return true;
}

bool SamePath(std::wstring_view a, std::wstring_view b) {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

bool ModuleFileName(CString* path) {
    // The module that holds this code (the library when it is loaded into a host), found from an
    // address inside it.
    static const char anchor = 0;
    HMODULE module = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCWSTR>(&anchor), &module))
        return false;
    wchar_t buffer[1040];
    const DWORD n = ::GetModuleFileNameW(module, buffer, 1040);
    if (n == 0 || n >= 1040) // a truncated name is no name
        return false;
    *path = CString(std::wstring(buffer, n));
    return true;
}

} // namespace jobos
