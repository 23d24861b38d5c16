// The runner over Win32: anonymous pipes with inheritable child ends, a suspended process without a
// window that is resumed at once, and the thread's ANSI code page for its output.
#include <windows.h>

#include <vector>

#include "calc/conproc.h"

namespace {

HANDLE H(std::intptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}

std::intptr_t I(HANDLE h) {
    return reinterpret_cast<std::intptr_t>(h);
}

void CloseH(std::intptr_t& h) {
    if (h != -1) {
        ::CloseHandle(H(h));
        h = -1;
    }
}

int LastError() {
    return static_cast<int>(::GetLastError());
}

} // namespace

void CConProc::Report(const wchar_t* api, int code) {
    wchar_t* message = nullptr;
    // Without FORMAT_MESSAGE_IGNORE_INSERTS a message with inserts fails; the report then has an
    // empty message.
    ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
                     static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                     reinterpret_cast<LPWSTR>(&message), 0, nullptr);
    const std::wstring report = FormatConProcReport(api, code, message);
    ::LocalFree(message);
    Output(report.c_str());
}

int CConProc::ThreadLaunchError(const std::system_error&) {
    return LastError();
}

int CConProc::CreatePipes() {
    SECURITY_ATTRIBUTES sa{};
    sa.nLength = sizeof sa;
    sa.lpSecurityDescriptor = nullptr;
    sa.bInheritHandle = TRUE;

    HANDLE outRead = nullptr, outWrite = nullptr, inRead = nullptr, inWrite = nullptr;
    if (!::CreatePipe(&outRead, &outWrite, &sa, 0)) {
        Report(L"CreatePipe", LastError());
        return 0;
    }
    m_childOutput = I(outWrite);
    if (!::CreatePipe(&inRead, &inWrite, &sa, 0)) {
        const int error = LastError();
        ::CloseHandle(outRead);
        Report(L"CreatePipe", error);
        return 0;
    }
    m_childInput = I(inRead);

    // The temporaries are closed on every path, so a failed Create leaks nothing.
    const HANDLE self = ::GetCurrentProcess();
    HANDLE copy = nullptr;
    const wchar_t* failed = nullptr;
    int error = 0;
    if (!::DuplicateHandle(self, outWrite, self, &copy, 0, TRUE, DUPLICATE_SAME_ACCESS)) {
        failed = L"DuplicateHandle";
        error = LastError();
    } else {
        m_childError = I(copy);
        if (!::DuplicateHandle(self, outRead, self, &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
            failed = L"DupliateHandle";
            error = LastError();
        } else {
            m_parentOutput = I(copy);
            if (!::DuplicateHandle(self, inWrite, self, &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
                failed = L"DupliateHandle";
                error = LastError();
            } else {
                m_parentInput = I(copy);
            }
        }
    }
    if (failed) {
        ::CloseHandle(outRead);
        ::CloseHandle(inWrite);
        Report(failed, error);
        return 0;
    }
    bool closed = ::CloseHandle(outRead) != 0;
    if (closed)
        closed = ::CloseHandle(inWrite) != 0;
    if (!closed) {
        Report(L"CloseHandle", LastError());
        return 0;
    }
    return 1;
}

void CConProc::ProcessThread() {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = H(m_childInput);
    si.hStdOutput = H(m_childOutput);
    si.hStdError = H(m_childError);
    PROCESS_INFORMATION pi{};
    // CreateProcessW may write into the command line.
    std::vector<wchar_t> cmdLine(m_cmdLine.begin(), m_cmdLine.end());
    cmdLine.push_back(L'\0');
    int error = 0;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (!::CreateProcessW(m_appPath.c_str(), cmdLine.data(), nullptr, nullptr, TRUE,
                              CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr, nullptr, &si, &pi)) {
            error = LastError();
        } else {
            m_process = I(pi.hProcess);
            m_primaryThread = I(pi.hThread);
            m_processId = pi.dwProcessId;
            m_threadId = pi.dwThreadId;
            ::ResumeThread(pi.hThread);
            m_childAlive = true;
            m_state.store(Running);
            if (m_endRequested)
                KillChild();
        }
    }
    if (error != 0) {
        Report(L"CreateProcess", error);
        CloseWriteEnds();
        return;
    }

    if (::WaitForSingleObject(pi.hThread, INFINITE) == WAIT_FAILED) {
        Report(L"WaitForSingleObject", LastError());
        CloseWriteEnds();
        return;
    }
    DWORD exitCode = 0;
    if (!::GetExitCodeProcess(pi.hProcess, &exitCode))
        exitCode = 1;
    bool closed;
    {
        // Pause and Resume use the primary-thread handle under the same lock.
        std::lock_guard<std::mutex> lock(m_lock);
        m_childAlive = false;
        closed = ::CloseHandle(pi.hThread) != 0;
        error = LastError();
        m_primaryThread = -1;
    }
    if (!closed) {
        Report(L"CloseHandle", error);
        CloseWriteEnds();
        return;
    }
    Finish(static_cast<int>(exitCode));
}

void CConProc::KillChild() {
    if (::TerminateProcess(H(m_process), 3))
        m_terminated = true;
}

void CConProc::SuspendChild() {
    ::SuspendThread(H(m_primaryThread));
}

void CConProc::ResumeChild() {
    ::ResumeThread(H(m_primaryThread));
}

void CConProc::WriteExitLine(const char* line, int length) {
    DWORD written = 0;
    ::WriteFile(H(m_childOutput), line, static_cast<DWORD>(length), &written, nullptr);
}

// Each read is converted exactly as far as it filled the buffer, so a full buffer needs no zero byte
// to end it; a zero byte in the output still ends the text the owner sees of that chunk. The wide
// text has at most as many characters as bytes were read. A chunk that does not convert is passed on
// as null. Multi-byte characters split between two reads stay split, as read.
void CConProc::ReaderThread() {
    m_readerThreadId.store(::GetCurrentThreadId());
    std::vector<char> buffer(kChunkSize);
    std::vector<wchar_t> wide(kChunkSize + 1);
    int error = 0;
    for (;;) {
        if (m_cancelRead.load()) {
            error = 0;
            break;
        }
        DWORD got = 0;
        if (!::ReadFile(H(m_parentOutput), buffer.data(), kChunkSize, &got, nullptr) || got == 0) {
            error = LastError();
            // Once the child has ended, EndReader cancels a read that waits on an empty pipe: some other
            // process still holds the write end, and the output ends here without a report. A pipe
            // that nobody holds any more fails the read with the broken pipe, the normal end. (A peek
            // cannot tell the two apart: under Wine it finds an abandoned pipe merely empty.)
            if (error == ERROR_OPERATION_ABORTED) {
                if (!m_drain.load())
                    continue;
                error = 0;
            }
            break;
        }
        if (!m_owner.load())
            continue;
        const int n = ::MultiByteToWideChar(CP_THREAD_ACP, 0, buffer.data(), static_cast<int>(got),
                                            wide.data(), static_cast<int>(got));
        if (n > 0) {
            wide[static_cast<size_t>(n)] = L'\0';
            Output(wide.data());
        } else {
            Output(nullptr);
        }
    }
    if (error == ERROR_BROKEN_PIPE)
        Report(L"pipe done - normal exit path.", error);
    else if (error != 0)
        Report(L"ReadFile", error);
    ReaderEnded();
}

// The read is synchronous on an anonymous pipe; cancelling it is the only way to end it while
// something else still holds the pipe's write end.
void CConProc::WakeReader() {
    const DWORD id = m_readerThreadId.load();
    if (id == 0)
        return;
    if (HANDLE thread = ::OpenThread(THREAD_TERMINATE, FALSE, id)) {
        ::CancelSynchronousIo(thread);
        ::CloseHandle(thread);
    }
}

void CConProc::CloseWriteEnds() {
    CloseH(m_childOutput);
    CloseH(m_childError);
}

void CConProc::CloseAll() {
    CloseWriteEnds();
    CloseH(m_primaryThread);
    CloseH(m_process);
    CloseH(m_childInput);
    CloseH(m_parentInput);
    CloseH(m_parentOutput);
}
