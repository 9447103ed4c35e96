// Ending the process, breaking into a debugger, and asking for one.
#include "win32.h"
#include "win32_testing.h"

#include <atomic>
#include <cstdio>
#include <unistd.h>

namespace {

std::atomic<bool> debuggerPresent{false};
std::atomic<int> debugBreaks{0};

// The exit code of a process ended by FatalAppExitA.
constexpr int kFatalExitCode = 3;

} // namespace

extern "C" {

// Windows shows the message and terminates without running the process's
// clean-up; here the message goes to standard error and the process ends
// at once, with no static destructors or exit handlers.
WIN32_EXPORT void FatalAppExitA(UINT, LPCSTR lpMessageText)
{
    std::fprintf(stderr, "%s\n", lpMessageText != nullptr ? lpMessageText : "");
    std::fflush(stderr);
    _exit(kFatalExitCode);
}

// Counted rather than raised: without a debugger attached a breakpoint
// would end the process, which is never what a test or tool wants here.
WIN32_EXPORT void DebugBreak(void) { ++debugBreaks; }

WIN32_EXPORT BOOL IsDebuggerPresent(void) { return debuggerPresent.load() ? TRUE : FALSE; }

} // extern "C"

namespace win32 {

WIN32_EXPORT void SetDebuggerPresent(bool present) { debuggerPresent = present; }
WIN32_EXPORT int DebugBreakCount() { return debugBreaks.load(); }

} // namespace win32
