#include "engine/arguments.h"

namespace {

// The file name without folder and without a ".exe" ending, ASCII letters folded.
std::wstring ProgramStem(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    for (wchar_t& ch : name) {
        if (ch >= L'A' && ch <= L'Z')
            ch = static_cast<wchar_t>(ch - L'A' + L'a');
    }
    if (name.size() > 4 && name.compare(name.size() - 4, 4, L".exe") == 0)
        name.resize(name.size() - 4);
    return name;
}

} // namespace

// The module starts the engine with a command line that holds only the quoted input path, so that path
// is token 0. A person at a prompt types the program's name first and the path second: two tokens
// take token 1. A single token that names the engine itself is a start without a document. More than
// two tokens are refused rather than guessed at.
bool SelectInputPath(const std::vector<std::wstring>& tokens, const std::wstring& programFile,
                     std::wstring& path, std::wstring& problem) {
    const std::wstring usage = L"usage: kestrum INPUT.vjp";
    if (tokens.empty() || (tokens.size() == 1 && ProgramStem(tokens[0]) == ProgramStem(programFile))) {
        problem = L"no input document given; " + usage;
        return false;
    }
    if (tokens.size() > 2) {
        problem = L"too many arguments; " + usage;
        return false;
    }
    path = tokens.back();
    if (path.empty()) {
        problem = L"the input document's path is empty; " + usage;
        return false;
    }
    return true;
}
