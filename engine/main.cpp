// kestrum: the stand-in calculation engine. Reads a material condition document, writes the result
// file into the job folder named in it, and reports its progress line by line.
#include <cstdio>
#include <exception>
#include <string>

#include "engine/arguments.h"
#include "engine/engine.h"
#include "framework/osfile.h"

namespace {

// Everything goes to standard output, errors included: the module shows standard output and standard
// error merged in one pipe, and one stream keeps the order of the lines whoever reads them. Each line
// is flushed at once, since a pipe would otherwise hold it back until the run ends.
class CConsoleOutput : public IEngineOutput {
public:
    void Line(const std::wstring& text) override {
        std::string bytes;
        os::EncodeText(text, bytes);
        bytes += '\n';
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);
        std::fflush(stdout);
    }
};

} // namespace

int main(int argc, char** argv) {
    CConsoleOutput out;
    try {
        std::wstring path;
        std::wstring problem;
        if (!GetInputPath(argc, argv, path, problem)) {
            out.Line(L"Error: " + problem);
            return kEngineExitInput;
        }
        return RunEngine(path, out);
    } catch (const std::exception& error) {
        std::string what = error.what();
        out.Line(L"Internal error: " + std::wstring(what.begin(), what.end()));
    } catch (...) {
        out.Line(L"Internal error.");
    }
    return kEngineExitInternal;
}
