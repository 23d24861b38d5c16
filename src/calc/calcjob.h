// One calculation job as "Start Calc" runs it, without a window: a fresh folder under the temporary
// folder, the material condition written into it as the engine's "input.vjp", the engine beside the
// module started on it through the console process runner, its result file read back, and the folder
// removed afterwards unless the caller keeps it. The console window takes its start step from here;
// the command-line tool runs whole jobs, several side by side.
#pragma once

#include <functional>
#include <string>

#include "calc/conproc.h"
#include "framework/cstring.h"
#include "props/matprops.h"
#include "xml/matcondition.h"

enum class JobStatus {
    Ok,
    SetupFailed,  // no temporary folder or engine, a folder or input that cannot be made
    EngineFailed, // the engine did not start, or ended with an exit code other than 0
    Interrupted,  // the caller asked for the engine to be terminated
    NoResult,     // the engine ended well but left no readable result
};

struct JobOutcome {
    JobStatus status = JobStatus::Ok;
    std::wstring reason; // why, in a sentence; empty when Ok
    int exitCode = 0;    // the engine's, when it ran to its end

    explicit operator bool() const { return status == JobStatus::Ok; }
};

class CCalcJob {
public:
    // A job in this folder (the input dialog names it), or without one yet (Prepare names one).
    explicit CCalcJob(const wchar_t* folder = L"");
    // Removes the folder with everything in it when this job took it (Prepare, CreateFolder) and it
    // was not kept.
    ~CCalcJob();
    CCalcJob(const CCalcJob&) = delete;
    CCalcJob& operator=(const CCalcJob&) = delete;

    // For a job without a folder: finds the engine beside this module, names and creates a fresh
    // folder, and stores it and the engine's data folder (its "dbdata" beside it) in the record.
    JobOutcome Prepare(MatCondition& rec);
    // The same with the data folder given, for an engine run in this process.
    JobOutcome Prepare(MatCondition& rec, const CString& dataPath);
    // Takes the job's folder and creates it (one level; the parent exists). False when it cannot be
    // made; the folder is still the job's to remove.
    bool CreateFolder();

    // Writes the record as the engine's input into the folder.
    JobOutcome WriteInput(const MatCondition& rec) const;
    // The start step: writes the record as the engine's input, then starts the engine that `locate`
    // names on it through `runner`, which reports to `owner`. Nothing is started when the input cannot
    // be written or the engine cannot be named; the runner reports its own failures to `owner`.
    JobOutcome Start(const MatCondition& rec, CConProc& runner, IConProcOwner* owner,
                     const std::function<int(CString*)>& locate) const;

    // The whole run without a window: the start step with the engine beside this module, then waits
    // for the engine's end, handing its output to `output` as it comes (from the runner's threads) and
    // terminating it once `interrupted` says so. Then reads the result into `set`.
    JobOutcome Run(const MatCondition& rec, const std::function<void(const wchar_t*)>& output,
                   const std::function<bool()>& interrupted, CMatProps& set) const;
    // Reads the result file the engine left into `set`.
    JobOutcome ReadResult(CMatProps& set) const;

    // The folder stays: it belongs to the caller from now on.
    void Keep() { m_keep = true; }
    const CString& GetFolder() const { return m_folder; }
    CString GetInputPath() const;
    CString GetResultPath() const;

private:
    CString m_folder;
    bool m_owned = false;
    bool m_keep = false;
};
