// The operating system's part of a calculation job. One implementation per platform: job_win32.cpp,
// job_posix.cpp.
#pragma once

#include <cstdint>
#include <string_view>

#include "framework/cstring.h"

namespace jobos {

// The platform's path separator and the other one, which normalisation turns into it.
extern const wchar_t kSeparator;
extern const wchar_t kForeignSeparator;
// The engine program's file name.
extern const wchar_t kEngineFileName[];

// The user's temporary folder, ending with a separator; empty when there is none.
CString TempFolder();
// Milliseconds since an arbitrary start, wrapping at 32 bits.
uint32_t TickCount();
// Creates one folder level; 1 on success (0 also when it exists already).
int CreateFolder(const wchar_t* path);
// Whether anything (file, folder, link) exists under that name.
bool Exists(const wchar_t* path);
// Removes a folder tree without following links; 1 when the folder itself was removed.
int RemoveTree(const wchar_t* folder);
// The folder's absolute path with every link, "." and ".." resolved and no trailing separator; false
// when the folder does not exist.
bool CanonicalFolder(const wchar_t* path, CString* canonical);
// Path equality as the platform's file system sees it (without regard to case on Windows).
bool SamePath(std::wstring_view a, std::wstring_view b);
// The full file name of the module (library or program) that holds this code.
bool ModuleFileName(CString* path);

} // namespace jobos
