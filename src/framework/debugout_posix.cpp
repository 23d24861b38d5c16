#include <unistd.h>

#include <string>

#include "framework/debugout.h"
#include "framework/utf.h"

// Standard error stands in for the debugger; one write per call keeps lines from interleaving.
void PlatformDebugOutput(const wchar_t* text) {
    const std::string bytes = WideToUtf8(text);
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(STDERR_FILENO, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return;
        done += static_cast<size_t>(n);
    }
}
