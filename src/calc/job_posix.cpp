#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "calc/jobos.h"
#include "framework/utf.h"

namespace jobos {

// The native build uses "/" where the module's own rules use a backslash, and the other way round.
const wchar_t kSeparator = L'/';
const wchar_t kForeignSeparator = L'\\';
const wchar_t kEngineFileName[] = L"kestrum";

namespace {

std::string NativePath(const wchar_t* path) {
    return WideToUtf8(path ? path : L"");
}

// Removes everything inside the open folder `fd` (taken over and closed). Entries are examined without
// following links and opened relative to their folder, so a link, or a folder swapped for a link while
// this runs, is removed as a link and its target never entered.
void RemoveContents(int fd) {
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    // Names first: removing entries while reading the folder may make readdir skip some.
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    const int at = ::dirfd(dir);
    for (const std::string& name : names) {
        struct stat st {};
        if (::fstatat(at, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            const int sub = ::openat(at, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub >= 0)
                RemoveContents(sub);
            ::unlinkat(at, name.c_str(), AT_REMOVEDIR);
        } else {
            ::unlinkat(at, name.c_str(), 0);
        }
    }
    ::closedir(dir);
}

} // namespace

// A relative TMPDIR names no temporary folder: it would put the job folders into whatever folder the
// program happens to stand in.
CString TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = tmp && *tmp ? tmp : "/tmp";
    if (folder.front() != '/')
        return CString();
    if (folder.back() != '/')
        folder += '/';
    return CString(Utf8ToWide(folder));
}

uint32_t TickCount() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t ms =
        static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

int CreateFolder(const wchar_t* path) {
    // Private to the user: the temporary folder is shared with everyone else on the machine.
    return ::mkdir(NativePath(path).c_str(), 0700) == 0 ? 1 : 0;
}

bool Exists(const wchar_t* path) {
    struct stat st {};
    return ::lstat(NativePath(path).c_str(), &st) == 0;
}

int RemoveTree(const wchar_t* folder) {
    std::string path = NativePath(folder);
    // A trailing "/" would make the system follow a link in the last component.
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return 0;
    if (S_ISLNK(st.st_mode))
        return ::unlink(path.c_str()) == 0 ? 1 : 0; // the link goes, its target stays
    if (!S_ISDIR(st.st_mode))
        return 0;
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0)
        RemoveContents(fd);
    return ::rmdir(path.c_str()) == 0 ? 1 : 0;
}

bool CanonicalFolder(const wchar_t* path, CString* canonical) {
    char resolved[PATH_MAX];
    struct stat st {};
    const std::string native = NativePath(path);
    if (!::realpath(native.c_str(), resolved) || ::stat(resolved, &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    *canonical = CString(Utf8ToWide(resolved));
    return true;
}

bool SamePath(std::wstring_view a, std::wstring_view b) {
    return a == b;
}

bool ModuleFileName(CString* path) {
    // The object that holds this function: a shared library has its own file name; the main program's
    // entry has an empty one, and the program's file is read from /proc.
    static const char anchor = 0;
    Dl_info info{};
    link_map* map = nullptr;
    if (::dladdr1(&anchor, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) != 0 && map &&
        map->l_name && *map->l_name) {
        char resolved[PATH_MAX];
        if (!::realpath(map->l_name, resolved))
            return false;
        *path = CString(Utf8ToWide(resolved));
        return true;
    }
    std::string file(PATH_MAX, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", file.data(), file.size());
    if (n <= 0 || static_cast<size_t>(n) >= file.size())
        return false;
    file.resize(static_cast<size_t>(n));
    *path = CString(Utf8ToWide(file));
    return true;
}

} // namespace jobos
