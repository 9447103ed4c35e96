// The debug channel, the mute switch and the assertion handler. All state is
// process-wide and filled at first use; none of it is guarded, like the rest
// of the library's process-wide values.
#include "r3az8/tex/debug.h"

#include "r3az8/tex/cpu.h"

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <initializer_list>

namespace {

constexpr UINT kLevelNotRead = 0xFFFFFFFFu;

using MuteFunction = void (*)(DWORD);
using DebuggerQuery = BOOL (*)();

enum AssertionMode : DWORD {
    kModeContinue = 0,
    kModeBreak = 1,
    kModeAlwaysAsk = 3,
};

UINT debugLevel = kLevelNotRead;
BOOL muted = 0;
MuteFunction runtimeMute = nullptr;
MuteFunction debugRuntimeMute = nullptr;
BOOL assertionSetUpDone = 0;
DebuggerQuery debuggerQuery = nullptr;
DWORD assertionMode = kModeContinue;

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
    if (debugLevel == kLevelNotRead)
        debugLevel = GetProfileIntA("Direct3D", "debug", 0);
    if (level > debugLevel || muted != 0)
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
    muted = mute;
    if (runtimeMute == nullptr && debugRuntimeMute == nullptr) {
        runtimeMute = FindMuteFunction("d3d8.dll");
        debugRuntimeMute = FindMuteFunction("d3d8d.dll");
    }
    if (runtimeMute != nullptr)
        runtimeMute(static_cast<DWORD>(mute));
    if (debugRuntimeMute != nullptr)
        debugRuntimeMute(static_cast<DWORD>(mute));
}

int AssertionFailed(const char* file, int line, const char* expression)
{
    DebugPrintf(0, "Assertion failure! (%s %d): %s", file, line, expression);

    if (assertionSetUpDone == 0) {
        assertionSetUpDone = 1;
        debuggerQuery = FindDebuggerQuery();
        assertionMode = ReadAssertionMode();
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
    assertionSetUpDone = 0;
    debuggerQuery = nullptr;
    assertionMode = kModeContinue;
}
