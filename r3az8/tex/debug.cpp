// The debug channel, the mute switch and the assertion handler. All state is
// process-wide and filled at first use. Every value is a single atomic word,
// so threads calling the library at once see whole values: two first uses
// that race both read the same settings and store the same answers, and the
// mute switch stays one switch for the process (a thread that mutes around
// its call silences the channel for everyone until it unmutes). Only the
// assertion set-up, which reads two values that belong together, runs
// under a lock, so that no thread acts on a mode not yet read.
#include "r3az8/tex/debug.h"

#include "r3az8/tex/cpu.h"

#include <atomic>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <initializer_list>
#include <mutex>

namespace {

constexpr UINT kLevelNotRead = 0xFFFFFFFFu;

using MuteFunction = void (*)(DWORD);
using DebuggerQuery = BOOL (*)();

enum AssertionMode : DWORD {
    kModeContinue = 0,
    kModeBreak = 1,
    kModeAlwaysAsk = 3,
};

std::atomic<UINT> debugLevel{kLevelNotRead};
std::atomic<BOOL> muted{0};
std::atomic<MuteFunction> runtimeMute{nullptr};
std::atomic<MuteFunction> debugRuntimeMute{nullptr};

// The assertion set-up: done once, under its lock.
struct AssertionSetUp {
    std::mutex mutex;
    BOOL done = 0;
    DebuggerQuery debuggerQuery = nullptr;
    DWORD mode = kModeContinue;
};

AssertionSetUp& TheAssertionSetUp()
{
    static AssertionSetUp setUp;
    return setUp;
}

// DebugSetMute of a Direct3D runtime, if that runtime is already loaded in
// the process. The extra module reference keeps the function valid for the
// rest of the process.
MuteFunction FindMuteFunction(const char* moduleName)
{
    if (GetModuleHandleA(moduleName) == nullptr)
        return nullptr;
    HMODULE module = LoadLibraryA(moduleName);
    if (module == nullptr)
        return nullptr;
    return reinterpret_cast<MuteFunction>(GetProcAddress(module, "DebugSetMute"));
}

DebuggerQuery FindDebuggerQuery()
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr)
        kernel = LoadLibraryA("kernel32.dll");
    if (kernel == nullptr)
        return nullptr;
    return reinterpret_cast<DebuggerQuery>(GetProcAddress(kernel, "IsDebuggerPresent"));
}

// The assertion mode from the registry: only a 4-byte REG_DWORD counts.
DWORD ReadAssertionMode()
{
    DWORD value = 0;
    DWORD size = 0;
    if (ReadDirect3DRegistryValue(REG_DWORD, "R3AZ", &value, sizeof value, &size) == 0 || size != sizeof value)
        return kModeContinue;
    return value;
}

// Appends `text` to the terminated string of `length` characters in
// `buffer`, keeping at most size - 1 characters; returns the new length.
std::size_t AppendCut(char* buffer, std::size_t size, std::size_t length, const char* text)
{
    while (*text != '\0' && length + 1 < size)
        buffer[length++] = *text++;
    buffer[length] = '\0';
    return length;
}

int AskWhetherToBreak(const char* file, int line, const char* expression)
{
    char text[256];
    std::snprintf(text, sizeof text, "File:\t %s\nLine:\t %d\nAssertion:\t%s\n\nDo you want to invoke the debugger?",
                  file, line, expression);
    switch (MessageBoxA(nullptr, text, "R3AZ Assertion Failure", MB_SYSTEMMODAL | MB_YESNOCANCEL)) {
    case IDYES:
        return 1;
    case IDCANCEL:
        FatalAppExitA(0, "R3AZ Assertion Failure.. Application terminated");
        return 0;
    default:
        return 0;
    }
}

} // namespace

void DebugPrintf(UINT level, const char* format, ...)
{
    UINT configured = debugLevel.load(std::memory_order_relaxed);
    if (configured == kLevelNotRead) {
        configured = GetProfileIntA("Direct3D", "debug", 0);
        debugLevel.store(configured, std::memory_order_relaxed);
    }
    if (level > configured || muted.load(std::memory_order_relaxed) != 0)
        return;

    // Both buffers hold 255 characters and the terminator: a long message is
    // cut, and then loses its line end.
    char message[256];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(message, sizeof message, format, arguments);
    va_end(arguments);

    char line[256];
    std::size_t length = 0;
    for (const char* part : {"R3AZ: ", static_cast<const char*>(message), "\r\n"})
        length = AppendCut(line, sizeof line, length, part);
    OutputDebugStringA(line);
}

void SetDebugMute(BOOL mute)
{
    muted.store(mute, std::memory_order_relaxed);
    MuteFunction runtime = runtimeMute.load();
    MuteFunction debugRuntime = debugRuntimeMute.load();
    if (runtime == nullptr && debugRuntime == nullptr) {
        runtime = FindMuteFunction("d3d8.dll");
        debugRuntime = FindMuteFunction("d3d8d.dll");
        runtimeMute.store(runtime);
        debugRuntimeMute.store(debugRuntime);
    }
    if (runtime != nullptr)
        runtime(static_cast<DWORD>(mute));
    if (debugRuntime != nullptr)
        debugRuntime(static_cast<DWORD>(mute));
}

int AssertionFailed(const char* file, int line, const char* expression)
{
    DebugPrintf(0, "Assertion failure! (%s %d): %s", file, line, expression);

    DebuggerQuery debuggerQuery = nullptr;
    DWORD assertionMode = kModeContinue;
    {
        AssertionSetUp& setUp = TheAssertionSetUp();
        std::lock_guard lock(setUp.mutex);
        if (setUp.done == 0) {
            setUp.done = 1;
            setUp.debuggerQuery = FindDebuggerQuery();
            setUp.mode = ReadAssertionMode();
        }
        debuggerQuery = setUp.debuggerQuery;
        assertionMode = setUp.mode;
    }

    switch (assertionMode) {
    case kModeContinue:
        return 0;
    case kModeBreak:
        return 1;
    case kModeAlwaysAsk:
        return AskWhetherToBreak(file, line, expression);
    default:
        // Other modes ask only when no debugger is attached; a run under a
        // debugger, or one where the question cannot be put, continues.
        if (debuggerQuery != nullptr && debuggerQuery() == 0)
            return AskWhetherToBreak(file, line, expression);
        return 0;
    }
}

void ResetDebugStateForTesting()
{
    debugLevel = kLevelNotRead;
    muted = 0;
    runtimeMute = nullptr;
    debugRuntimeMute = nullptr;
    AssertionSetUp& setUp = TheAssertionSetUp();
    std::lock_guard lock(setUp.mutex);
    setUp.done = 0;
    setUp.debuggerQuery = nullptr;
    setUp.mode = kModeContinue;
}
