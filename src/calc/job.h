// A calculation job: its folder under the temporary folder, the removal of that folder, and what the
// module hands the calculation engine (its path, the input file, the command line).
#pragma once

#include <cstdint>
#include <functional>

#include "framework/cstring.h"

// The name of the engine's input document and of its result file, both in the job folder.
inline constexpr wchar_t kJobInputFileName[] = L"input.vjp";
inline constexpr wchar_t kJobResultFileName[] = L"vuzaziza.out";

// The common parent of all job folders: "Kestrum" in the temporary folder, without a trailing
// separator; empty when the temporary folder cannot be found. It is never removed.
CString GetJobParentFolder();

// A fresh job folder path: the parent, a separator, the tick count as a signed decimal and a trailing
// separator. Creates the parent (an existing one is fine) but not the job folder. Empty, with nothing
// created, when there is no temporary folder: the job then fails. The second form takes the tick
// source, so that a test can choose the counts.
CString CreateJobFolderName();
CString CreateJobFolderName(const std::function<uint32_t()>& tickCount);

// Creates one folder level (the job folder; its parent exists). 1 on success, 0 otherwise.
int CreateJobFolder(const wchar_t* folder);

// Removes the folder with everything in it and returns 1 when the folder itself was removed. Links
// inside (symbolic links, junctions) are removed as links; their targets are never entered.
int DeleteFolderTree(const wchar_t* folder);

// Removes the folder that holds `file`, but only a folder inside the job parent folder.
void DeleteResultFolder(const wchar_t* file);

// The job folder's input document and result file, with the separators normalised.
CString GetJobInputPath(const wchar_t* jobFolder);
CString GetJobResultPath(const wchar_t* jobFolder);

// The engine beside the file of the module that holds this code; 0 when that file cannot be named.
int GetEnginePath(CString* path);
// The engine's command line: the input path in double quotes and nothing else.
CString GetEngineCommandLine(const wchar_t* inputPath);
