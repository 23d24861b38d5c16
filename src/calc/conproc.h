// CConProc: runs one console program without a window, hands its standard output and standard error
// to an owner as wide text, and lets the owner pause, resume and terminate it.
// One implementation per platform: conproc_win32.cpp (Win32 processes and pipes), conproc_posix.cpp
// (posix_spawn and pipes); conproc.cpp holds what both share.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

// Receiver of a runner's callbacks. They come from the runner's own threads (and, for reports of
// Create and Start, from the caller's thread), so OnOutput can run on two threads at once: an owner
// serialises it itself and never blocks its own thread waiting for the runner. A run's output ends
// with the exit line and the end-of-stream report ("pipe done - normal exit path."); OnExit follows
// them. When a process the child left behind still holds the output, the stream has no end: the
// output then ends with what was in the pipe when the child ended, without the report.
class IConProcOwner {
public:
    // A chunk of the child's output or an error report; null when a chunk could not be converted.
    virtual void OnOutput(const wchar_t* text) = 0;
    // The child has ended; called once.
    virtual void OnExit(int exitCode) = 0;

protected:
    ~IConProcOwner() = default;
};

class CConProc {
public:
    enum State : int32_t { Idle = 0, Running = 1, Paused = 2, Succeeded = 3, Failed = 4 };
    // Read size of the reader thread; no chunk handed to the owner is longer (in characters).
    static constexpr int kChunkSize = 10240;
    // Once the child has ended, how long the stream may take to end by itself: the last holders of
    // the inherited write end close it a little after the child (its own handles as its process is
    // torn down; under Wine a console host started with it). A process still holding it after that
    // was left behind by the child, and the output ends with what is in the pipe.
    static constexpr std::chrono::milliseconds kEndGrace{1000};
    // How long the output is still read after that, for a process left behind that keeps writing
    // into the pipe; then OnExit comes regardless.
    static constexpr std::chrono::milliseconds kDrainLimit{2000};
    // Capacity of the error report text, terminator included.
    static constexpr int kReportSize = 512;

    CConProc();
    // Detaches the owner (no callback starts from then on), ends a child that still runs, joins the
    // process thread, then cancels a read still pending (a grandchild may hold the pipe) and joins
    // the reader.
    virtual ~CConProc();
    CConProc(const CConProc&) = delete;
    CConProc& operator=(const CConProc&) = delete;

    // 1 when the pipes are ready, 0 after a reported failure.
    int Create(IConProcOwner* owner, const wchar_t* appPath, const wchar_t* cmdLine);
    // 1 when the process thread runs, 0 after a reported failure (or, unreported, when Create did not
    // succeed or Start was already called: one runner runs one child once). A child already started
    // when the reader cannot be launched is ended, and gone, before 0 is returned.
    virtual int Start();
    // Ends the child with exit code 3 (natively SIGKILL, reported as 3); the state follows when the
    // process thread has seen the end. Always 1.
    virtual int Terminate();
    // Suspend and resume the child (its primary thread on Windows, SIGSTOP/SIGCONT natively). Always 1.
    virtual int Pause();
    virtual int Resume();

    int GetState() const { return m_state.load(); }
    bool IsActive() const {
        const int state = GetState();
        return state != Succeeded && state != Failed;
    }

protected:
    // Launches the reader thread (throws std::system_error when it cannot); a test fails it here.
    virtual void LaunchReader(std::thread& thread);

private:
    // Platform parts.
    int CreatePipes();
    void ProcessThread();
    void ReaderThread();
    void KillChild();    // with m_lock held and the child alive
    void SuspendChild(); // likewise
    void ResumeChild();  // likewise
    void WakeReader();   // with m_lock held: unblocks a pending read of the reader thread
    void CloseWriteEnds();
    void CloseAll();
    static int ThreadLaunchError(const std::system_error& error);
    // Formats the report for `api` with `code` and the system's text for it, and passes it on.
    void Report(const wchar_t* api, int code);

    void Output(const wchar_t* text);
    // Tail of the process thread once the child has ended: exit line, end of the stream, OnExit,
    // final state.
    void Finish(int exitCode);
    void WriteExitLine(const char* line, int length);
    void ReaderEnded();
    // Waits up to `grace` for the reader to reach the end of the stream, then lets it pass on what is
    // in the pipe and end, reading for at most `drainFor` more (nothing while the runner is destroyed),
    // and waits until it has.
    void EndReader(std::chrono::milliseconds grace, std::chrono::milliseconds drainFor);

    std::atomic<IConProcOwner*> m_owner{nullptr};
    std::wstring m_appPath;
    std::wstring m_cmdLine;
    // Read without a lock by anyone; written under m_lock so that a late Pause or Resume cannot
    // overwrite a final state.
    std::atomic<int32_t> m_state{Idle};
    std::thread m_readerThread;
    std::atomic<uint32_t> m_readerThreadId{0};
    std::thread m_processThread;

    // Process information: process and primary-thread HANDLEs with their ids on Windows, the
    // process id (in m_process) elsewhere. Handles and descriptors are -1 when not open.
    std::intptr_t m_process = -1;
    std::intptr_t m_primaryThread = -1;
    uint32_t m_processId = 0;
    uint32_t m_threadId = 0;
    std::intptr_t m_childInput = -1;
    std::intptr_t m_parentInput = -1;
    std::intptr_t m_parentOutput = -1;
    std::intptr_t m_childOutput = -1;
    std::intptr_t m_childError = -1;
    // POSIX: the write end of the pipe that wakes the reader thread when the runner is destroyed
    // (m_wakeRead is its read end), and the flag it sees while output keeps coming. Unused on Windows.
    std::intptr_t m_wakeRead = -1;
    std::intptr_t m_wakeWrite = -1;
    std::atomic<bool> m_wakeSent{false};
    // The child has ended: the reader stops at an empty pipe instead of waiting for more.
    std::atomic<bool> m_drain{false};
    // The reader stops at once.
    std::atomic<bool> m_cancelRead{false};

    // Guards the child's life: whether it runs, and the requests that must reach it.
    std::mutex m_lock;
    bool m_created = false;
    bool m_started = false;
    bool m_closing = false; // the destructor runs
    bool m_childAlive = false;
    bool m_terminated = false;   // Terminate ended the child
    bool m_endRequested = false; // Terminate or the destructor came before the child existed
    bool m_abandoned = false;    // Start failed after the process thread was launched
    bool m_readerDone = false;
    std::condition_variable m_readerDoneChanged;
};

// The error report: "ERROR: API    = <api>.\n   error code = <code>.\n   message    = <message>.\n", cut to
// kReportSize - 1 characters.
std::wstring FormatConProcReport(const wchar_t* api, int code, const wchar_t* message);
