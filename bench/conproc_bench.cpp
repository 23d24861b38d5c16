// Throughput of the console process runner: 100 MB that the test child floods through CConProc to an
// owner, against the same bytes read straight from a pipe, once from /bin/cat of a file (the pipe's
// own speed) and once from the child itself (the child's speed without the runner).

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "bench/benchfile.h"
#include "calc/conproc.h"
#include "calc/conproc_pattern.h"
#include "framework/utf.h"

extern char** environ;

namespace {

constexpr std::size_t kFloodSize = 100 * 1024 * 1024;

// Runs `argv` with its standard output into a pipe, reads that in the runner's chunk size and returns
// the number of bytes read.
std::size_t ReadFromPipe(std::vector<std::string> args) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return 0;
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    pid_t pid = 0;
    const int error = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    std::size_t total = 0;
    if (error == 0) {
        std::vector<char> buffer(CConProc::kChunkSize);
        ssize_t n;
        while ((n = ::read(fds[0], buffer.data(), buffer.size())) > 0)
            total += static_cast<std::size_t>(n);
        ::waitpid(pid, nullptr, 0);
    }
    ::close(fds[0]);
    return total;
}

// Counts what arrives and wakes the benchmark when the child has ended.
class CountingOwner : public IConProcOwner {
public:
    void OnOutput(const wchar_t* text) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (text)
            m_chars += std::char_traits<wchar_t>::length(text);
    }
    void OnExit(int) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_exited = true;
        m_changed.notify_all();
    }
    std::size_t WaitForExit() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_exited; });
        return m_chars;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_chars = 0;
    bool m_exited = false;
};

const std::string kChild = KESTRUM_CONPROC_CHILD;
const std::string kFloodScript = "flood:" + std::to_string(kFloodSize);

void BM_CatThroughPipe(benchmark::State& state) {
    static const CBenchFile file("flood.txt", FloodText(kFloodSize, false));
    if (file.Path().empty()) {
        state.SkipWithError("cannot write the flood file");
        return;
    }
    for (auto _ : state) {
        if (ReadFromPipe({"/bin/cat", file.Path()}) != kFloodSize) {
            state.SkipWithError("cat did not deliver the file");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFloodSize));
}
BENCHMARK(BM_CatThroughPipe)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ChildThroughPipe(benchmark::State& state) {
    for (auto _ : state) {
        if (ReadFromPipe({kChild, kFloodScript}) != kFloodSize) {
            state.SkipWithError("the child did not deliver its flood");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFloodSize));
}
BENCHMARK(BM_ChildThroughPipe)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ChildThroughConProc(benchmark::State& state) {
    const std::wstring program = Utf8ToWide(kChild);
    const std::wstring cmdLine = L"\"" + Utf8ToWide(kFloodScript) + L"\"";
    for (auto _ : state) {
        CountingOwner owner;
        CConProc runner;
        if (!runner.Create(&owner, program.c_str(), cmdLine.c_str()) || !runner.Start()) {
            state.SkipWithError("the runner did not start");
            return;
        }
        // The exit line and the end-of-stream report come on top of the flood.
        if (owner.WaitForExit() < kFloodSize) {
            state.SkipWithError("the flood did not arrive");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFloodSize));
}
BENCHMARK(BM_ChildThroughConProc)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
