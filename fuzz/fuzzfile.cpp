#include "fuzzfile.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>

#include "framework/debugout.h"
#include "framework/osfile.h"

namespace {

struct ScratchFile {
    std::filesystem::path path;
    std::wstring wide;
    ScratchFile() {
        std::error_code error;
        path = std::filesystem::temp_directory_path(error) /
               ("kestrum-fuzz-" + std::to_string(static_cast<long>(getpid())) + ".bin");
        wide = path.wstring();
    }
    ~ScratchFile() {
        std::error_code error;
        std::filesystem::remove(path, error);
    }
};

ScratchFile& Scratch() {
    static ScratchFile file;
    return file;
}

} // namespace

const std::wstring& FuzzFilePath() {
    return Scratch().wide;
}

void WriteFuzzFile(const uint8_t* data, size_t size) {
    os::File file;
    int error = 0;
    if (!file.OpenWrite(FuzzFilePath().c_str(), error) || !file.Write(data, size, error) ||
        !file.Close(error)) {
        std::fprintf(stderr, "cannot write the scratch file %s (error %d)\n", Scratch().path.c_str(), error);
        std::abort();
    }
}

void SilenceDebugOutput() {
    SetDebugOutputSink([](const wchar_t*) {});
}
