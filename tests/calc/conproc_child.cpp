// Child program for the console process runner's tests and benchmark. The runner passes one argument,
// so the child takes its last argument as a script (on Windows the command line holds only that, and
// it arrives as argv[0]): steps separated by ';', each "name" or "name:value".
//   out:TEXT     TEXT and a line feed on standard output     err:TEXT   the same on standard error
//   flood:BYTES  the ASCII flood pattern                      uflood:BYTES  the UTF-8 flood pattern
//   tick:N       N lines "tick" 10 ms apart                   sleep:MS   sleep
//   pid          "pid:<id>" on standard output                exit:CODE  end with CODE (default 0)
//   hold:MS      start a grandchild that keeps the standard handles for MS and print "gpid:<id>"
//   cmdline      the command line as the program received it, on standard output
//   pidfile:PATH write the process id into the file PATH (for a runner whose output nobody reads)
// Standing in as the engine, the child gets the path of an input document (".vjp") instead: its script
// is then the text of "child.script" in that document's folder.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <thread>

#include "calc/conproc_pattern.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <windows.h>

namespace {

// Line feeds must arrive as they were written.
void BinaryStreams() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

std::string CommandLine(int, char**) {
    return ::GetCommandLineA();
}

// The grandchild is this program again with a sleep script; it inherits the pipe's handles.
unsigned long StartHolder(long ms) {
    wchar_t path[1024];
    ::GetModuleFileNameW(nullptr, path, 1024);
    const std::wstring script = L"\"sleep:" + std::to_wstring(ms) + L"\"";
    const intptr_t process = _wspawnl(_P_NOWAIT, path, script.c_str(), nullptr);
    if (process == -1)
        std::exit(102);
    return ::GetProcessId(reinterpret_cast<HANDLE>(process));
}

} // namespace
#else
#include <unistd.h>

namespace {

void BinaryStreams() {}

std::string CommandLine(int argc, char** argv) {
    std::string line;
    // Appended in place: GCC 12 at -O3 sees an overlap that is not there in " " + std::string.
    for (int i = 0; i < argc; ++i)
        line.append(i ? " " : "").append(argv[i]);
    return line;
}

unsigned long StartHolder(long ms) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        ::_exit(0);
    }
    if (pid < 0)
        std::exit(102);
    return static_cast<unsigned long>(pid);
}

} // namespace
#endif

namespace {

// Flushed at once, so that the two streams keep the order of the steps.
void WriteAll(int stream, const char* data, std::size_t size) {
    std::FILE* file = stream == 2 ? stderr : stdout;
    if (std::fwrite(data, 1, size, file) != size || std::fflush(file) != 0)
        std::exit(101);
}

void WriteLine(int stream, std::string_view text) {
    const std::string line = std::string(text) + '\n';
    WriteAll(stream, line.data(), line.size());
}

void Flood(std::size_t size, bool utf8) {
    std::string block;
    for (std::uint64_t line = 0; size > 0; block.clear()) {
        while (block.size() < 65536)
            AppendFloodLine(block, line++, utf8);
        const std::size_t n = std::min(size, block.size());
        WriteAll(1, block.data(), n);
        size -= n;
    }
}

// The script beside an engine input document, or the argument itself.
std::string Script(std::string_view argument) {
    if (!argument.ends_with(".vjp"))
        return std::string(argument);
    // The folder ends after the last separator; without one (npos + 1 is 0) it is the current folder.
    std::ifstream in(std::string(argument.substr(0, argument.find_last_of("\\/") + 1)) + "child.script",
                     std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

int main(int argc, char** argv) {
    BinaryStreams();
    const std::string scriptText = Script(argv[argc - 1]);
    std::string_view script = scriptText;
    int exitCode = 0;
    while (!script.empty()) {
        const std::size_t end = script.find(';');
        const std::string_view step = script.substr(0, end);
        script = end == std::string_view::npos ? std::string_view() : script.substr(end + 1);
        const std::size_t colon = step.find(':');
        const std::string_view name = step.substr(0, colon);
        const std::string_view value =
            colon == std::string_view::npos ? std::string_view() : step.substr(colon + 1);
        long long number = 0;
        std::from_chars(value.data(), value.data() + value.size(), number);
        if (name == "out" || name == "err") {
            WriteLine(name == "err" ? 2 : 1, value);
        } else if (name == "flood" || name == "uflood") {
            Flood(static_cast<std::size_t>(number), name == "uflood");
        } else if (name == "tick") {
            for (long long i = 0; i < number; ++i) {
                WriteLine(1, "tick");
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        } else if (name == "sleep") {
            std::this_thread::sleep_for(std::chrono::milliseconds(number));
        } else if (name == "pid") {
            WriteLine(1, "pid:" + std::to_string(::getpid()));
        } else if (name == "hold") {
            WriteLine(1, "gpid:" + std::to_string(StartHolder(static_cast<long>(number))));
        } else if (name == "pidfile") {
            std::ofstream(std::string(value), std::ios::binary) << ::getpid();
        } else if (name == "cmdline") {
            WriteLine(1, CommandLine(argc, argv));
        } else if (name == "exit") {
            exitCode = static_cast<int>(number);
        }
    }
    return exitCode;
}
