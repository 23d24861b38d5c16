// The runner over POSIX: posix_spawn without a shell, pipes created close-on-exec, SIGSTOP/SIGCONT for
// pausing and SIGKILL for terminating. The API names in reports are those of the Windows runner, so
// the console shows the same reports on both platforms.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "calc/conproc.h"
#include "framework/utf.h"

extern char** environ;

namespace {

int Fd(std::intptr_t fd) {
    return static_cast<int>(fd);
}

void CloseFd(std::intptr_t& fd) {
    if (fd >= 0) {
        ::close(Fd(fd));
        fd = -1;
    }
}

// Number of bytes at the end of `bytes` that start a UTF-8 sequence the next read may complete.
size_t IncompleteTail(const char* bytes, size_t n) {
    for (size_t back = 1; back <= 3 && back <= n; ++back) {
        const auto b = static_cast<unsigned char>(bytes[n - back]);
        if ((b & 0xC0) == 0x80)
            continue;
        const size_t length = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 1;
        return length > back ? back : 0;
    }
    return 0;
}

} // namespace

void CConProc::Report(const wchar_t* api, int code) {
    char buffer[256];
    // The GNU strerror_r may return a static string instead of filling the buffer.
    const char* message = strerror_r(code, buffer, sizeof buffer);
    const std::wstring report = FormatConProcReport(api, code, Utf8ToWide(message ? message : "").c_str());
    Output(report.c_str());
}

int CConProc::ThreadLaunchError(const std::system_error& error) {
    return error.code().value();
}

// Every descriptor is close-on-exec: the child gets only the three that posix_spawn puts in place of
// its standard handles. The parent's ends are not duplicated as on Windows, since pipe2 already gives
// them the non-inherited form that the duplication is for.
int CConProc::CreatePipes() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        Report(L"CreatePipe", errno);
        return 0;
    }
    m_parentOutput = fds[0];
    m_childOutput = fds[1];
    // Only the runner's end: the child's end is a separate open file and stays blocking.
    if (::fcntl(fds[0], F_SETFL, O_NONBLOCK) != 0) {
        Report(L"CreatePipe", errno);
        return 0;
    }
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        Report(L"CreatePipe", errno);
        return 0;
    }
    m_childInput = fds[0];
    m_parentInput = fds[1];
    const int error = ::fcntl(Fd(m_childOutput), F_DUPFD_CLOEXEC, 0);
    if (error < 0) {
        Report(L"DuplicateHandle", errno);
        return 0;
    }
    m_childError = error;
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        Report(L"CreatePipe", errno);
        return 0;
    }
    m_wakeRead = fds[0];
    m_wakeWrite = fds[1];
    return 1;
}

void CConProc::ProcessThread() {
    // The command line becomes the program's only argument, without the double quotes that enclose it
    // for Windows; nothing is split and no shell sees it.
    std::wstring argument = m_cmdLine;
    if (argument.size() >= 2 && argument.front() == L'"' && argument.back() == L'"')
        argument = argument.substr(1, argument.size() - 2);
    std::string program = WideToUtf8(m_appPath);
    std::string arg = WideToUtf8(argument);
    char* argv[] = {program.data(), arg.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, Fd(m_childInput), 0);
    posix_spawn_file_actions_adddup2(&actions, Fd(m_childOutput), 1);
    posix_spawn_file_actions_adddup2(&actions, Fd(m_childError), 2);
    pid_t pid = 0;
    int error;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        // glibc's posix_spawn returns the exec failure itself (missing or non-executable program).
        error = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
        if (error == 0) {
            m_process = pid;
            m_processId = static_cast<uint32_t>(pid);
            m_childAlive = true;
            m_state.store(Running);
            if (m_endRequested)
                KillChild();
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        Report(L"CreateProcess", error);
        CloseWriteEnds();
        return;
    }

    // Wait without reaping, so that the pid cannot be recycled while Terminate or Pause may signal it.
    siginfo_t info{};
    int rc;
    do {
        rc = ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        Report(L"WaitForSingleObject", errno);
        CloseWriteEnds();
        return;
    }
    bool terminated;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_childAlive = false;
        terminated = m_terminated;
        ::waitpid(pid, nullptr, 0);
    }
    // Terminate's kill reports 3 as on Windows; any other signal gives 128 + its number, as shells do.
    int exitCode;
    if (info.si_code == CLD_EXITED)
        exitCode = info.si_status;
    else if (terminated && info.si_status == SIGKILL)
        exitCode = 3;
    else
        exitCode = 128 + info.si_status;
    Finish(exitCode);
}

void CConProc::KillChild() {
    if (::kill(static_cast<pid_t>(m_process), SIGKILL) == 0)
        m_terminated = true;
}

void CConProc::SuspendChild() {
    ::kill(static_cast<pid_t>(m_process), SIGSTOP);
}

void CConProc::ResumeChild() {
    ::kill(static_cast<pid_t>(m_process), SIGCONT);
}

void CConProc::WriteExitLine(const char* line, int length) {
    while (length > 0) {
        const ssize_t n = ::write(Fd(m_childOutput), line, static_cast<size_t>(length));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        line += n;
        length -= static_cast<int>(n);
    }
}

// Output is decoded as UTF-8 (invalid bytes as Latin-1). A read may end inside a multi-byte
// character: those last bytes are carried into the next chunk, so no character is broken and the
// chunks together decode exactly as the whole stream would. Reads leave room for the carried bytes,
// so a chunk never exceeds kChunkSize bytes and hence characters. The decoding cannot fail, so null
// is never passed here. A zero byte in the output ends the text the owner sees of that chunk.
void CConProc::ReaderThread() {
    std::vector<char> buffer(kChunkSize);
    std::wstring text;
    size_t carried = 0;
    const auto passOn = [&](size_t count) {
        text.clear();
        AppendUtf8AsWide(std::string_view(buffer.data(), count), text);
        if (!text.empty())
            Output(text.c_str());
    };
    for (;;) {
        // The read end does not block: poll waits only while the pipe is empty, so a steady stream
        // costs one system call per chunk. The wake descriptor ends the wait once the child has ended
        // or the runner is destroyed; the flags are seen here, also while output keeps coming.
        if (m_cancelRead.load())
            break;
        // Taken before the read: an empty pipe after the child's end means that everything it wrote,
        // and the exit line, has been passed on.
        const bool draining = m_drain.load();
        const ssize_t n = ::read(Fd(m_parentOutput), buffer.data() + carried, buffer.size() - carried);
        if (n < 0) {
            const int error = errno;
            if (error == EINTR)
                continue;
            if (error != EAGAIN && error != EWOULDBLOCK) {
                Report(L"ReadFile", error);
                break;
            }
            // Empty, yet some other process still holds the write end: nothing more is waited for.
            if (draining) {
                if (carried > 0)
                    passOn(carried);
                break;
            }
            pollfd fds[2] = {{Fd(m_parentOutput), POLLIN, 0}, {Fd(m_wakeRead), POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
                Report(L"ReadFile", errno);
                break;
            }
            continue;
        }
        if (n == 0) {
            // Bytes of a character that never completed decode as Latin-1, as in the whole stream.
            if (carried > 0)
                passOn(carried);
            // The end of the stream counts as the broken pipe of Windows.
            Report(L"pipe done - normal exit path.", EPIPE);
            break;
        }
        const size_t total = carried + static_cast<size_t>(n);
        const size_t tail = IncompleteTail(buffer.data(), total);
        passOn(total - tail);
        std::memmove(buffer.data(), buffer.data() + total - tail, tail);
        carried = tail;
    }
    ReaderEnded();
}

// One byte is enough: the wake descriptor stays readable from then on.
void CConProc::WakeReader() {
    if (m_wakeWrite >= 0 && !m_wakeSent.exchange(true)) {
        const char wake = 1;
        while (::write(Fd(m_wakeWrite), &wake, 1) < 0 && errno == EINTR) {
        }
    }
}

void CConProc::CloseWriteEnds() {
    CloseFd(m_childOutput);
    CloseFd(m_childError);
}

void CConProc::CloseAll() {
    CloseWriteEnds();
    CloseFd(m_childInput);
    CloseFd(m_parentInput);
    CloseFd(m_parentOutput);
    CloseFd(m_wakeRead);
    CloseFd(m_wakeWrite);
}
