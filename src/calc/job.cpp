#include "calc/job.h"

#include <string>
#include <string_view>

#include "calc/jobos.h"

namespace {

using jobos::kForeignSeparator;
using jobos::kSeparator;

std::wstring Doubled(wchar_t separator) {
    return std::wstring(2, separator);
}

size_t LastSeparator(std::wstring_view path) {
    const wchar_t separators[] = {kSeparator, kForeignSeparator, L'\0'};
    return path.find_last_of(separators);
}

// The job folder joined with a file name; a folder given with a trailing separator leaves a doubled
// one, which the normalisation of the caller collapses.
CString InJobFolder(const wchar_t* jobFolder, const wchar_t* name) {
    CString path(jobFolder);
    path += kSeparator;
    path += name;
    return path;
}

} // namespace

CString GetJobParentFolder() {
    // Without a temporary folder the bare "Kestrum" would be relative, a folder in whatever folder the
    // host stands in; no parent at all makes the job fail instead.
    const CString temp = jobos::TempFolder();
    return temp.IsEmpty() ? temp : temp + L"Kestrum";
}

CString CreateJobFolderName() {
    return CreateJobFolderName(jobos::TickCount);
}

CString CreateJobFolderName(const std::function<uint32_t()>& tickCount) {
    const CString parent = GetJobParentFolder();
    if (parent.IsEmpty())
        return parent;
    jobos::CreateFolder(parent);
    CString folder;
    CString candidate;
    do {
        // A count of 2^31 or more (a system up for about 25 days) shows as a negative number.
        folder = parent + kSeparator;
        folder.AppendFormat(L"%d", static_cast<int32_t>(tickCount()));
        candidate = folder + kSeparator;
        // Probed by name, without the trailing separator, so that the answer does not depend on how a
        // file search treats one. Any entry of that name counts as taken: a file would keep the folder
        // from being created just as an existing folder would.
    } while (jobos::Exists(folder));
    return candidate;
}

int CreateJobFolder(const wchar_t* folder) {
    return folder && *folder ? jobos::CreateFolder(folder) : 0;
}

int DeleteFolderTree(const wchar_t* folder) {
    if (!folder)
        return 0;
    // An empty name, bare separators or a drive ("C:", "C:\") would name the root of a file system or
    // the current folder: such a tree is never removed.
    const std::wstring_view path(folder);
    const wchar_t separators[] = {kSeparator, kForeignSeparator, L'\0'};
    const size_t last = path.find_last_not_of(separators);
    if (last == std::wstring_view::npos || path[last] == L':')
        return 0;
    return jobos::RemoveTree(folder);
}

void DeleteResultFolder(const wchar_t* file) {
    if (!file)
        return;
    // The folder is everything up to the file's last separator of either kind, however long the path
    // is; a name without a separator names no folder and nothing is removed.
    const std::wstring_view path(file);
    const size_t cut = LastSeparator(path);
    if (cut == std::wstring_view::npos)
        return;
    CString folder(path.substr(0, cut + 1));
    folder.Replace(kForeignSeparator, kSeparator);

    // Only a folder strictly inside the job parent is removed, whatever the path says: both are
    // compared with links, "." and ".." resolved, and the resolved folder is the one removed, so a
    // link or a climb out of the parent can never take a user's folder with it.
    CString canonical;
    CString parent;
    if (!jobos::CanonicalFolder(folder, &canonical) || !jobos::CanonicalFolder(GetJobParentFolder(), &parent))
        return;
    const std::wstring_view inner(canonical.Str());
    const std::wstring_view outer(parent.Str());
    if (inner.size() <= outer.size() + 1 || inner[outer.size()] != kSeparator ||
        !jobos::SamePath(inner.substr(0, outer.size()), outer))
        return;
    DeleteFolderTree(canonical);
}

CString GetJobInputPath(const wchar_t* jobFolder) {
    // The engine's input: the foreign separator first, then doubled separators.
    CString path = InJobFolder(jobFolder, kJobInputFileName);
    path.Replace(kForeignSeparator, kSeparator);
    path.Replace(Doubled(kSeparator).c_str(), std::wstring(1, kSeparator).c_str());
    return path;
}

CString GetJobResultPath(const wchar_t* jobFolder) {
    // The result file: doubled separators first, then the foreign separator.
    CString path = InJobFolder(jobFolder, kJobResultFileName);
    path.Replace(Doubled(kSeparator).c_str(), std::wstring(1, kSeparator).c_str());
    path.Replace(kForeignSeparator, kSeparator);
    return path;
}

int GetEnginePath(CString* path) {
    CString module;
    if (!path || !jobos::ModuleFileName(&module))
        return 0;
    const size_t cut = LastSeparator(module.Str());
    const int keep = cut == std::wstring_view::npos ? 0 : static_cast<int>(cut) + 1;
    *path = module.Left(keep) + jobos::kEngineFileName;
    return 1;
}

CString GetEngineCommandLine(const wchar_t* inputPath) {
    CString line;
    line.Format(L"\"%s\"", inputPath ? inputPath : L"");
    return line;
}
