// OutputDebugStringA and its sink.
//
// Windows hands debug strings to an attached debugger; here they go to a
// sink, standard error unless a test or tool installs its own.
#include "win32.h"
#include "win32_testing.h"

#include <cstdio>
#include <mutex>
#include <string>

namespace {

void WriteToStandardError(const char* text, void*)
{
    std::fputs(text, stderr);
    std::fflush(stderr);
}

struct DebugChannel {
    std::mutex mutex;
    win32::DebugSink sink = WriteToStandardError;
    void* context = nullptr;
    bool capturing = false;
    std::string captured;
};

DebugChannel& TheChannel()
{
    static DebugChannel* channel = new DebugChannel; // outlives every static destructor
    return *channel;
}

} // namespace

extern "C" WIN32_EXPORT void OutputDebugStringA(LPCSTR lpOutputString)
{
    if (lpOutputString == nullptr)
        return;
    DebugChannel& channel = TheChannel();
    win32::DebugSink sink;
    void* context;
    {
        std::lock_guard lock(channel.mutex);
        if (channel.capturing) {
            channel.captured += lpOutputString;
            return;
        }
        sink = channel.sink;
        context = channel.context;
    }
    // Called outside the lock so that a sink may itself write debug output.
    sink(lpOutputString, context);
}

namespace win32 {

WIN32_EXPORT void SetDebugSink(DebugSink sink, void* context)
{
    DebugChannel& channel = TheChannel();
    std::lock_guard lock(channel.mutex);
    channel.sink = sink != nullptr ? sink : WriteToStandardError;
    channel.context = sink != nullptr ? context : nullptr;
}

WIN32_EXPORT void BeginDebugCapture()
{
    DebugChannel& channel = TheChannel();
    std::lock_guard lock(channel.mutex);
    channel.capturing = true;
    channel.captured.clear();
}

WIN32_EXPORT std::string EndDebugCapture()
{
    DebugChannel& channel = TheChannel();
    std::lock_guard lock(channel.mutex);
    channel.capturing = false;
    std::string result;
    result.swap(channel.captured);
    return result;
}

} // namespace win32
