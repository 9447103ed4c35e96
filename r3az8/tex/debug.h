// The library's debug channel, mute switch and assertion handler.
#pragma once

#include "win32.h"

// Prints "R3AZ: <message>\r\n" on the debug output when level is at or below
// the configured level (profile "Direct3D" / "debug", default 0) and output
// is not muted.
void DebugPrintf(UINT level, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// Non-zero mutes the channel (and the device runtime's own messages); 0
// unmutes. Calls are paired by the caller; there is no nesting count.
void SetDebugMute(BOOL mute);

// Reports a failed assertion; non-zero asks the caller to break into the
// debugger.
int AssertionFailed(const char* file, int line, const char* expression);

// Evaluates to the condition, so callers can stop work when it fails.
#define R3AZ_ASSERT(expression)                                                                  \
    ((expression) ? true                                                                          \
                  : ((AssertionFailed(__FILE__, __LINE__, #expression) ? DebugBreak() : (void)0), false))

// Returns every process-wide value of the channel to its state at load
// (level not read, unmuted, nothing looked up), so that tests can start from
// scratch. Not used by the library itself.
void ResetDebugStateForTesting();
