#include "calc/calcjob.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

#include "calc/job.h"
#include "calc/jobos.h"
#include "framework/osfile.h"
#include "results/resultfile.h"

namespace {

JobOutcome Failure(JobStatus status, std::wstring reason) {
    return JobOutcome{status, std::move(reason), 0};
}

// Hands the engine's output on and waits for its end, terminating it once when asked to.
class CJobWaiter : public IConProcOwner {
public:
    explicit CJobWaiter(const std::function<void(const wchar_t*)>& output) : m_output(output) {}

    void OnOutput(const wchar_t* text) override {
        if (text && m_output)
            m_output(text);
    }

    void OnExit(int exitCode) override {
        std::lock_guard lock(m_lock);
        m_exitCode = exitCode;
        m_exited = true;
        m_ended.notify_all();
    }

    int Wait(CConProc& runner, const std::function<bool()>& interrupted) {
        std::unique_lock lock(m_lock);
        bool terminated = false;
        while (!m_ended.wait_for(lock, std::chrono::milliseconds(100), [this] { return m_exited; })) {
            if (!terminated && interrupted && interrupted()) {
                runner.Terminate();
                terminated = true;
            }
        }
        return m_exitCode;
    }

private:
    const std::function<void(const wchar_t*)>& m_output;
    std::mutex m_lock;
    std::condition_variable m_ended;
    bool m_exited = false;
    int m_exitCode = -1;
};

} // namespace

CCalcJob::CCalcJob(const wchar_t* folder) : m_folder(folder ? folder : L"") {}

CCalcJob::~CCalcJob() {
    if (m_owned && !m_keep)
        DeleteFolderTree(m_folder);
}

CString CCalcJob::GetInputPath() const {
    return GetJobInputPath(m_folder);
}

CString CCalcJob::GetResultPath() const {
    return GetJobResultPath(m_folder);
}

bool CCalcJob::CreateFolder() {
    m_owned = true;
    return CreateJobFolder(m_folder) == 1;
}

JobOutcome CCalcJob::Prepare(MatCondition& rec) {
    CString engine;
    if (!GetEnginePath(&engine) || !os::IsRegularFile(engine))
        return Failure(JobStatus::SetupFailed, L"no calculation engine beside this program: " + engine.Str());
    const size_t cut = engine.Str().rfind(jobos::kSeparator);
    return Prepare(rec, engine.Left(static_cast<int>(cut + 1)) + L"dbdata" + CString(jobos::kSeparator));
}

JobOutcome CCalcJob::Prepare(MatCondition& rec, const CString& dataPath) {
    // Job folders are named after the tick count, so two jobs started in the same millisecond would
    // find the same free name: naming and creating go together, one job at a time.
    static std::mutex naming;
    std::lock_guard lock(naming);
    const CString folder = CreateJobFolderName();
    if (folder.IsEmpty())
        return Failure(JobStatus::SetupFailed, L"the temporary folder for the job folder cannot be found");
    // A cut path would name another folder: the job fails instead.
    if (!CopyToField(rec.dataPath, dataPath) || !CopyToField(rec.resPath, folder))
        return Failure(JobStatus::SetupFailed,
                       L"the path of the data or job folder is too long: " + folder.Str());
    if (!CreateJobFolder(folder))
        return Failure(JobStatus::SetupFailed, L"cannot create the job folder " + folder.Str());
    m_folder = folder;
    m_owned = true;
    return {};
}

JobOutcome CCalcJob::WriteInput(const MatCondition& rec) const {
    const CString input = GetInputPath();
    if (!SaveMatCondition(input, &rec))
        return Failure(JobStatus::SetupFailed, L"cannot write " + input.Str());
    return {};
}

JobOutcome CCalcJob::Start(const MatCondition& rec, CConProc& runner, IConProcOwner* owner,
                           const std::function<int(CString*)>& locate) const {
    if (JobOutcome written = WriteInput(rec); !written)
        return written;
    const CString commandLine = GetEngineCommandLine(GetInputPath());
    CString engine;
    if (!locate(&engine))
        return Failure(JobStatus::SetupFailed, L"the calculation engine cannot be named");
    if (!runner.Create(owner, engine, commandLine) || !runner.Start())
        return Failure(JobStatus::EngineFailed, L"the engine could not be started");
    return {};
}

JobOutcome CCalcJob::Run(const MatCondition& rec, const std::function<void(const wchar_t*)>& output,
                         const std::function<bool()>& interrupted, CMatProps& set) const {
    CJobWaiter waiter(output);
    CConProc runner;
    if (JobOutcome started = Start(rec, runner, &waiter, GetEnginePath); !started)
        return started;
    const int exitCode = waiter.Wait(runner, interrupted);
    if (interrupted && interrupted())
        return Failure(JobStatus::Interrupted, L"interrupted: the engine was terminated");
    if (exitCode != 0)
        return JobOutcome{JobStatus::EngineFailed,
                          L"the engine failed with exit code " + std::to_wstring(exitCode), exitCode};
    return ReadResult(set);
}

JobOutcome CCalcJob::ReadResult(CMatProps& set) const {
    const CString result = GetResultPath();
    const std::wstring prefix = L"the engine ended without a readable result: ";
    const FileResult read = ReadResultFile(result, set, kFormatEngine);
    if (!read) {
        // The system's message usually names the file already.
        const std::wstring& why = read.message;
        if (why.rfind(result.Str() + L": ", 0) == 0)
            return Failure(JobStatus::NoResult, prefix + why);
        return Failure(JobStatus::NoResult, prefix + result.Str() + (why.empty() ? L"" : L": " + why));
    }
    if (set.m_series.empty())
        return Failure(JobStatus::NoResult,
                       prefix + result.Str() + L": no heading line with property columns");
    return {};
}
