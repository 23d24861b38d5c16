// The console process runner with a real child process (conproc_child).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "calc/conproc.h"
#include "calc/conproc_pattern.h"
#include "framework/utf.h"
#include "support/testfiles.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <errno.h>
#include <signal.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
bool ProcessGone(unsigned long pid) {
    const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
    const bool gone = !process || ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    if (process)
        ::CloseHandle(process);
    return gone;
}

void KillProcess(unsigned long pid) {
    if (const HANDLE process = ::OpenProcess(PROCESS_TERMINATE, FALSE, pid)) {
        ::TerminateProcess(process, 1);
        ::CloseHandle(process);
    }
}

const std::wstring kBrokenPipeCode = L"109";
// The runner decodes output in the thread's ANSI code page, so the flood is ASCII only.
const std::pair<size_t, bool> kFloods[] = {{10 * 1024 * 1024, false}};
#else
// The runner reaps its child, so a pid that is gone has no zombie either.
bool ProcessGone(unsigned long pid) {
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

void KillProcess(unsigned long pid) {
    ::kill(static_cast<pid_t>(pid), SIGKILL);
}

const std::wstring kBrokenPipeCode = L"32";
// 55-byte UTF-8 lines make reads end inside characters, whose bytes are carried into the next chunk.
const std::pair<size_t, bool> kFloods[] = {{10 * 1024 * 1024, false}, {3 * 1000 * 1000, true}};
#endif

using namespace std::chrono_literals;

const std::wstring kChild = std::filesystem::path(KESTRUM_CONPROC_CHILD).wstring();

std::wstring ReportStart(const std::wstring& api) {
    return L"ERROR: API    = " + api + L".\n   error code = ";
}

constexpr std::chrono::seconds kPatience{60};

// Asks `done` again until it holds or the patience runs out; returns its last answer.
bool PollUntil(const std::function<bool()>& done) {
    const auto until = std::chrono::steady_clock::now() + kPatience;
    while (!done() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(1ms);
    return done();
}

// What an owner saw: every output call with its thread, the text joined, and OnExit.
struct Record {
    std::vector<std::pair<std::wstring, std::thread::id>> outputs;
    std::wstring text;
    int exits = 0;
    int exitCode = -1;
    int stateInExit = -1;
    std::thread::id exitThread;
};

// One run of the test child with a script: its runner, and an owner as the console dialog is one, which
// handles every callback under one lock.
class ScriptRun : public IConProcOwner {
public:
    void Start(const std::wstring& script, const std::wstring& program = kChild) {
        ASSERT_EQ(1, runner->Create(this, program.c_str(), (L"\"" + script + L"\"").c_str()));
        ASSERT_EQ(1, runner->Start());
    }
    // Starts a child that sleeps for a minute and returns its process id, 0 when it did not tell.
    unsigned long StartSleeper() {
        Start(L"pid;sleep:60000");
        return WaitForText(L"\n") ? PrintedId(L"pid:") : 0;
    }

    void OnOutput(const wchar_t* text) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        EXPECT_EQ(0, m_record.exits) << "output after OnExit";
        m_record.outputs.emplace_back(text ? text : L"", std::this_thread::get_id());
        m_record.text += text ? text : L"";
        m_changed.notify_all();
    }

    void OnExit(int exitCode) override {
        const int state = runner->GetState();
        std::lock_guard<std::mutex> lock(m_mutex);
        m_record.exitCode = exitCode;
        m_record.stateInExit = state;
        m_record.exitThread = std::this_thread::get_id();
        ++m_record.exits;
        m_changed.notify_all();
    }

    Record Get() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_record;
    }
    bool WaitFor(const std::function<bool(const Record&)>& done) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, kPatience, [&] { return done(m_record); });
    }
    bool WaitForText(const std::wstring& text) {
        return WaitFor([&](const Record& r) { return r.text.find(text) != std::wstring::npos; });
    }

    // The state turns final just after OnExit has returned.
    bool WaitUntilEnded() {
        return WaitFor([](const Record& r) { return r.exits > 0; }) &&
               PollUntil([&] { return !runner->IsActive(); });
    }

    unsigned long PrintedId(const std::wstring& key) {
        const std::wstring text = Get().text;
        const size_t at = text.find(key);
        return at == std::wstring::npos ? 0 : std::stoul(text.substr(at + key.size()));
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    Record m_record;

public:
    // Last, so that it ends before what its callbacks use; tests may end it early.
    std::unique_ptr<CConProc> runner = std::make_unique<CConProc>();
};

// Standard error lands in the same stream, in the order written, and the stream's end is reported; OnExit
// comes once, after all output, from the runner's thread, while the state is still Running.
TEST(ConProcTest, ExitCodeDecidesTheFinalState) {
    EXPECT_EQ(0, CConProc().Start()); // only after Create
    const std::wstring ended = ReportStart(L"pipe done - normal exit path.") + kBrokenPipeCode + L".";
    // The script, what arrives, the exit code and the final state.
    const std::tuple<const wchar_t*, std::wstring, int, int> cases[] = {
        {L"out:hello;err:to stderr;out:world;exit:0", L"hello\nto stderr\nworld\nExit Code: 0\n" + ended, 0,
         CConProc::Succeeded},
        {L"out:x;exit:7", L"x\nExit Code: 7\n" + ended, 7, CConProc::Failed}};
    for (const auto& [script, text, code, state] : cases) {
        ScriptRun run;
        run.Start(script);
        ASSERT_TRUE(run.WaitUntilEnded());
        const Record r = run.Get();
        EXPECT_EQ(std::make_tuple(text, 1, code, CConProc::Running, state, true),
                  std::make_tuple(r.text.substr(0, r.text.find(L".\n   message") + 1), r.exits, r.exitCode,
                                  r.stateInExit, run.runner->GetState(),
                                  r.exitThread != std::this_thread::get_id()));
        EXPECT_EQ(0, run.runner->Start()); // one child once
    }
}

TEST(ConProcTest, PauseStopsTheChildResumeLetsItGoOnTerminateEndsItWithThree) {
    ScriptRun run;
    run.Start(L"tick:3000");
    const auto ticks = [](const Record& r) { return std::count(r.text.begin(), r.text.end(), L'\n'); };
    ASSERT_TRUE(run.WaitForText(L"tick"));
    // A second pause does not pile up.
    EXPECT_EQ((std::tuple{run.runner->Pause(), run.runner->Pause(), run.runner->GetState()}),
              std::make_tuple(1, 1, int{CConProc::Paused}));
    std::this_thread::sleep_for(200ms);
    const auto paused = ticks(run.Get());
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(paused, ticks(run.Get()));
    EXPECT_EQ((std::tuple{run.runner->Resume(), run.runner->GetState()}),
              std::make_tuple(1, int{CConProc::Running}));
    EXPECT_TRUE(run.WaitFor([&](const Record& r) { return ticks(r) > paused + 3; }));

    EXPECT_EQ(1, run.runner->Terminate());
    ASSERT_TRUE(run.WaitUntilEnded());
    // Neither changes a final state.
    run.runner->Pause();
    run.runner->Resume();
    const Record r = run.Get();
    EXPECT_EQ(std::make_tuple(run.runner->GetState(), r.exitCode,
                              r.text.find(L"tick\nExit Code: 3\n") != r.text.npos),
              std::make_tuple(int{CConProc::Failed}, 3, true));
}

// The whole flood arrives in order, followed by the exit line, in chunks no longer than a read.
TEST(ConProcTest, FloodArrivesWholeInOrderInBoundedChunks) {
    for (const auto& [size, utf8] : kFloods) {
        ScriptRun run;
        run.Start((utf8 ? L"uflood:" : L"flood:") + std::to_wstring(size));
        ASSERT_TRUE(run.WaitUntilEnded());
        const Record record = run.Get();
        EXPECT_TRUE(record.text.starts_with(Utf8ToWide(FloodText(size, utf8)) + L"Exit Code: 0\n")) << utf8;
        EXPECT_GT(record.outputs.size(), size / CConProc::kChunkSize);
        for (const auto& [text, thread] : record.outputs)
            ASSERT_LE(text.size(), size_t{CConProc::kChunkSize});
    }
}

TEST(ConProcTest, MissingProgramIsReportedOnceWithoutExit) {
    ScriptRun run;
    run.Start(L"exit:0", kChild + L"-missing");
    ASSERT_TRUE(run.WaitForText(ReportStart(L"pipe done - normal exit path.")));

    const Record record = run.Get();
    ASSERT_EQ(2u, record.outputs.size());
    const auto& [report, reporter] = record.outputs[0];
    const std::wstring head = ReportStart(L"CreateProcess") + L"2.\n   message    = ";
    EXPECT_TRUE(report.starts_with(head) && report.ends_with(L".\n") && report.size() > head.size() + 2)
        << WideToUtf8(report);
    // Output comes from the runner's two threads, never from the owner's; Terminate has nothing to end.
    const std::thread::id reader = record.outputs[1].second, owner = std::this_thread::get_id();
    EXPECT_TRUE(reporter != reader && reporter != owner && reader != owner);
    EXPECT_EQ(1, run.runner->Terminate());
    EXPECT_EQ(std::make_pair(0, int{CConProc::Idle}),
              std::make_pair(run.Get().exits, run.runner->GetState()));
}

TEST(ConProcTest, DestructionEndsTheChildSilentlyAndNeverHangs) {
    ScriptRun run;
    const unsigned long pid = run.StartSleeper();
    ASSERT_TRUE(pid != 0 && !ProcessGone(pid));
    auto before = std::chrono::steady_clock::now();
    run.runner.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 30s);
    EXPECT_EQ(std::make_pair(0, true), std::make_pair(run.Get().exits, ProcessGone(pid)));
}

#ifndef _WIN32
TEST(ConProcPosixTest, OtherSignalIsReportedAs128PlusItsNumber) {
    ScriptRun run;
    const auto pid = static_cast<pid_t>(run.StartSleeper());
    ASSERT_GT(pid, 0); // 0 would signal the whole process group
    ::kill(pid, SIGTERM);
    ASSERT_TRUE(run.WaitUntilEnded());
    EXPECT_EQ(128 + SIGTERM, run.Get().exitCode);
}
#endif

// Ends a process the test made when the test ends, however it ends.
struct KillAtEnd {
    unsigned long pid = 0;
    ~KillAtEnd() {
        if (pid)
            KillProcess(pid);
    }
};

// A grandchild that inherited the pipe keeps the stream open for two minutes: the child's output and
// the exit line still arrive, then OnExit at once, without the end-of-stream report that never comes.
TEST(ConProcTest, ChildLeavingAHolderBehindEndsWithoutWaitingForIt) {
    ScriptRun held;
    const auto started = std::chrono::steady_clock::now();
    held.Start(L"hold:120000;out:done");
    ASSERT_TRUE(held.WaitForText(L"gpid:"));
    KillAtEnd holder{held.PrintedId(L"gpid:")};
    ASSERT_NE(0u, holder.pid);
    ASSERT_TRUE(held.WaitUntilEnded());
    EXPECT_LT(std::chrono::steady_clock::now() - started, 30s);
    // The holder is still there: it did hold the pipe all along.
    const std::wstring text = held.Get().text;
    EXPECT_EQ(
        std::make_tuple(text.substr(text.find(L"done")), held.runner->GetState(), ProcessGone(holder.pid)),
        std::make_tuple(std::wstring(L"done\nExit Code: 0\n"), int{CConProc::Succeeded}, false));
    held.runner.reset(); // returns although the holder still has the pipe
}

// A reader thread that cannot be launched fails Start; the child already started is ended before
// Start returns, silently and leaving the state Idle.
class CReaderLaunchFails : public CConProc {
public:
    std::wstring pidFile;
    std::atomic<unsigned long> childPid{0};

protected:
    // Fails only once the child runs, so that there is a child to end.
    void LaunchReader(std::thread&) override {
        PollUntil([&] { return !ReadBytes(pidFile).empty(); });
        // Appended rather than "0" + ...: GCC 12 at -O3 sees a false overlap in that insert.
        childPid = std::stoul(std::string("0").append(ReadBytes(pidFile)));
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    }
};

TEST(ConProcTest, ReaderThatCannotBeLaunchedEndsTheChild) {
    ScriptRun owner; // only as the owner: its own runner stays idle
    TempDir dir;
    CReaderLaunchFails runner;
    runner.pidFile = dir.File(L"pid");
    const std::wstring script = L"\"pidfile:" + runner.pidFile + L";sleep:600000\"";
    ASSERT_EQ(1, runner.Create(&owner, kChild.c_str(), script.c_str()));
    // A child left running would keep Start waiting for its ten minutes of sleep.
    auto start = std::async(std::launch::async, [&] { return runner.Start(); });
    const bool returned = start.wait_for(kPatience) == std::future_status::ready;
    KillAtEnd child{runner.childPid};
    if (!returned)
        KillProcess(child.pid);
    EXPECT_EQ(std::make_tuple(returned, 0), std::make_tuple(true, start.get()));
    ASSERT_NE(0u, child.pid);
    const Record r = owner.Get();
    EXPECT_EQ(std::make_tuple(ProcessGone(child.pid), runner.GetState(),
                              r.text.find(ReportStart(L"Worker Thread Launch Failure")), r.exits),
              std::make_tuple(true, int{CConProc::Idle}, size_t{0}, 0));
}

} // namespace
