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
    // from here on. A child that still runs is ended, and the process thread finishes without draining
    // the output.
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
        EndReader(std::chrono::milliseconds(0), std::chrono::milliseconds(0));
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
    try {
        m_processThread = std::thread(&CConProc::ProcessThread, this);
    } catch (const std::system_error& error) {
        const int code = ThreadLaunchError(error);
        ReaderEnded();
        Report(L"Worker Thread Launch Failure", code);
        return 0;
    }
    m_readerThreadId.store(0);
    try {
        LaunchReader(m_readerThread);
    } catch (const std::system_error& error) {
        const int code = ThreadLaunchError(error);
        // Nobody would read the child's output, and the caller, told that Start failed, would not end
        // it: the child is ended here, silently (no exit line, no OnExit, the state Idle as after any
        // failed Start), and is gone once the process thread has seen it end.
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_abandoned = true;
            m_endRequested = true;
            if (m_childAlive)
                KillChild();
        }
        ReaderEnded();
        Report(L"Worker Thread Launch Failure", code);
        m_processThread.join();
        return 0;
    }
    return 1;
}

void CConProc::LaunchReader(std::thread& thread) {
    thread = std::thread(&CConProc::ReaderThread, this);
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
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_abandoned) {
            m_state.store(Idle);
            CloseWriteEnds();
            return;
        }
    }
    char line[32] = "Exit Code: ";
    char* end = std::to_chars(line + 11, line + sizeof line - 1, exitCode).ptr;
    *end++ = '\n';
    WriteExitLine(line, static_cast<int>(end - line));
    // The runner's write ends kept the stream open while the child ran; closing them once the exit
    // line is in the pipe lets the reader pass that line on and then end at the end of the stream.
    // OnExit waits for the reader, so the owner has the whole output, exit line included, first. A
    // process the child left behind (a helper, a crash reporter) may hold the inherited write end for
    // as long as it likes: the reader then ends once the pipe is empty, and OnExit never waits on it.
    CloseWriteEnds();
    EndReader(kEndGrace, kDrainLimit);
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

void CConProc::EndReader(std::chrono::milliseconds grace, std::chrono::milliseconds drainFor) {
    std::unique_lock<std::mutex> lock(m_lock);
    m_readerDoneChanged.wait_for(lock, grace, [this] { return m_readerDone || m_closing; });
    m_drain.store(true);
    const auto until = std::chrono::steady_clock::now() + drainFor;
    // The reader may be between two reads when it is woken, so the wake is repeated until it has
    // ended; a reader busy with output sees the flags at its next read.
    while (!m_readerDone) {
        if (m_closing || std::chrono::steady_clock::now() >= until)
            m_cancelRead.store(true);
        WakeReader();
        m_readerDoneChanged.wait_for(lock, std::chrono::milliseconds(20), [this] { return m_readerDone; });
    }
}
