// What a file operation reports, in the way of std::from_chars or pugixml's parse result: the 1 or 0
// that the module's callers test, and on 0 why, in words a user can read. The module writes the same
// words to the debugger output where it always has; callers that show them (the command-line tool,
// runs side by side) take them from here.
#pragma once

#include <string>
#include <utility>

struct FileResult {
    int status = 1; // 1 success, 0 failure
    std::wstring message;

    static FileResult Failed(std::wstring why) { return {0, std::move(why)}; }
    explicit operator bool() const { return status == 1; }
};
