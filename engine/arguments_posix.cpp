#include "engine/arguments.h"
#include "framework/utf.h"

// Natively the runner passes the path as the only argument after the program's name.
bool GetInputPath(int argc, char** argv, std::wstring& path, std::wstring& problem) {
    if (argc != 2 || !*argv[1]) {
        problem = argc < 2 ? L"no input document given; usage: kestrum INPUT.vjp"
                           : (argc > 2 ? L"too many arguments; usage: kestrum INPUT.vjp"
                                       : L"the input document's path is empty; usage: kestrum INPUT.vjp");
        return false;
    }
    path = Utf8ToWide(argv[1]);
    return true;
}
