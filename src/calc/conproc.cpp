#include "calc/conproc.h"

#include <charconv>

#include "framework/cstring.h"

namespace {
constexpr size_t kReportCapacity = CConProc::kReportSize - 1;
} // namespace

std::wstring FormatConProcReport(const wchar_t* api, int code, const wchar_t* message) {
    CString text;
    text.Format(L"ERROR: API    = %s.\n   error code = %d.\n   message    = %s.\n", api ? api : L"", code,
                message ? message : L"");
    std::wstring report = text.Str();
    // An unusually long system message is cut so the report fits its buffer, never overflowing it;
    // a UTF-16 pair is not split.
    if (report.size() > kReportCapacity) {
        size_t keep = kReportCapacity;
        if (sizeof(wchar_t) == 2 && report[keep - 1] >= 0xD800 && report[keep - 1] <= 0xDBFF)
            --keep;
        report.resize(keep);
    }
    return report;
}

CConProc::CConProc() = default;

CConProc::~CConProc() {
    // Destruction is silent: the owner is usually being destroyed itself, so no callback may start
    // from here on. A child that still runs is ended, and the process thread finishes without waiting
    // for the reader.
    m_owner.store(nullptr);
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_closing = true;
        m_endRequested = true;
        if (m_childAlive)
            KillChild();
    }
    m_readerDoneChanged.notify_all();
    if (m_processThread.joinable())
        m_processThread.join();
    // The reader normally sees the end of the stream now; a grandchild that inherited the pipe would
    // keep its read pending, so that read is cancelled rather than left behind.
    if (m_readerThread.joinable()) {
        CancelRead();
        m_readerThread.join();
    }
    CloseAll();
}

int CConProc::Create(IConProcOwner* owner, const wchar_t* appPath, const wchar_t* cmdLine) {
    m_owner.store(owner);
    m_appPath = appPath ? appPath : L"";
    m_cmdLine = cmdLine ? cmdLine : L"";
    if (!CreatePipes())
        return 0;
    std::lock_guard<std::mutex> lock(m_lock);
    m_created = true;
    return 1;
}

int CConProc::Start() {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (!m_created || m_started)
            return 0;
        m_started = true;
        // Set before the process thread exists, which waits for the reader before OnExit.
        m_readerDone = false;
    }
    // A thread that cannot be launched is reported, and the reader counts as ended so that nothing
    // waits for it; without a reader the child runs on until Terminate or the destructor ends it.
    const auto launch = [this](std::thread& thread, void (CConProc::*body)()) {
        try {
            thread = std::thread(body, this);
            return true;
        } catch (const std::system_error& error) {
            ReaderEnded();
            Report(L"Worker Thread Launch Failure", ThreadLaunchError(error));
            return false;
        }
    };
    if (!launch(m_processThread, &CConProc::ProcessThread))
        return 0;
    m_readerThreadId.store(0);
    return launch(m_readerThread, &CConProc::ReaderThread) ? 1 : 0;
}

int CConProc::Terminate() {
    std::lock_guard<std::mutex> lock(m_lock);
    // A request that comes before the child exists ends it as soon as it is created.
    m_endRequested = true;
    if (m_childAlive)
        KillChild();
    return 1;
}

// Pause and Resume act only on a child that runs, resp. is paused: Succeeded and Failed stay final,
// and suspensions never pile up.
int CConProc::Pause() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_childAlive && m_state.load() == Running) {
        m_state.store(Paused);
        SuspendChild();
    }
    return 1;
}

int CConProc::Resume() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_childAlive && m_state.load() == Paused) {
        m_state.store(Running);
        ResumeChild();
    }
    return 1;
}

void CConProc::Output(const wchar_t* text) {
    if (IConProcOwner* owner = m_owner.load())
        owner->OnOutput(text);
}

void CConProc::Finish(int exitCode) {
    char line[32] = "Exit Code: ";
    char* end = std::to_chars(line + 11, line + sizeof line - 1, exitCode).ptr;
    *end++ = '\n';
    WriteExitLine(line, static_cast<int>(end - line));
    // The runner's write ends kept the stream open while the child ran; closing them once the exit
    // line is in the pipe lets the reader pass that line on and then end at the end of the stream.
    // OnExit waits for that, so the owner always has the whole output, exit line included, first
    // (a grandchild that inherited the pipe delays OnExit until it ends or the runner is destroyed).
    CloseWriteEnds();
    WaitForReader();
    if (IConProcOwner* owner = m_owner.load())
        owner->OnExit(exitCode);
    // Only now, so that an owner asking inside OnExit still sees Running or Paused.
    std::lock_guard<std::mutex> lock(m_lock);
    m_state.store(exitCode == 0 ? Succeeded : Failed);
}

void CConProc::ReaderEnded() {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_readerDone = true;
    }
    m_readerDoneChanged.notify_all();
}

void CConProc::WaitForReader() {
    std::unique_lock<std::mutex> lock(m_lock);
    m_readerDoneChanged.wait(lock, [this] { return m_readerDone || m_closing; });
}
