#include "framework/debugout.h"

#include <mutex>

namespace {

std::mutex& SinkMutex() {
    static std::mutex m;
    return m;
}

DebugOutputSink& Sink() {
    static DebugOutputSink sink;
    return sink;
}

} // namespace

void DebugOutput(const wchar_t* text) {
    if (!text)
        return;
    std::lock_guard lock(SinkMutex());
    if (Sink())
        Sink()(text);
    else
        PlatformDebugOutput(text);
}

DebugOutputSink SetDebugOutputSink(DebugOutputSink sink) {
    std::lock_guard lock(SinkMutex());
    std::swap(Sink(), sink);
    return sink;
}
