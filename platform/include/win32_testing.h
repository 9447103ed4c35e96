// Controls of the Win32 stand-ins for tests, tools and fault sweeps.
//
// Nothing here exists on Windows; it is how a test sees and steers the
// platform: captured debug output, scripted settings and dialog answers,
// and allocation failures on demand.
#pragma once

#include "win32.h"

#include <string>

namespace win32 {

// --- debug output -----------------------------------------------------------
// Receives every OutputDebugStringA text. Passing nullptr restores the default
// sink, which writes to standard error.
typedef void (*DebugSink)(const char* text, void* context);
WIN32_EXPORT void SetDebugSink(DebugSink sink, void* context);

// Convenience for tests: while a capture is active every debug string is
// appended to it instead of going to the sink.
WIN32_EXPORT void BeginDebugCapture();
WIN32_EXPORT std::string EndDebugCapture();

// --- settings (user profile and registry) -----------------------------------
// Settings come from a text file (see docs/settings.md); these calls
// replace or extend what was loaded, for the life of the process.
WIN32_EXPORT void ClearSettings();
WIN32_EXPORT bool LoadSettingsFile(const char* path);
WIN32_EXPORT void SetProfileString(const char* section, const char* key, const char* value);
WIN32_EXPORT void RemoveProfileKey(const char* section, const char* key);
// keyPath like "HKEY_LOCAL_MACHINE\\SOFTWARE\\Dazuvidar\\Direct3D"; matched without regard to case.
WIN32_EXPORT void SetRegistryValue(const char* keyPath, const char* valueName, DWORD type, const void* data,
                                   DWORD size);
WIN32_EXPORT void SetRegistryDword(const char* keyPath, const char* valueName, DWORD value);
WIN32_EXPORT void RemoveRegistryValue(const char* keyPath, const char* valueName);

// --- message box and process -------------------------------------------------
// The answer every MessageBoxA returns (default IDNO); the last text and
// caption shown are kept for inspection.
WIN32_EXPORT void SetMessageBoxAnswer(int answer);
WIN32_EXPORT int MessageBoxCount();
WIN32_EXPORT std::string LastMessageBoxText();
WIN32_EXPORT std::string LastMessageBoxCaption();
WIN32_EXPORT UINT LastMessageBoxStyle();
// Whether IsDebuggerPresent reports a debugger (default: false).
WIN32_EXPORT void SetDebuggerPresent(bool present);
// DebugBreak raises nothing on this platform; it is counted.
WIN32_EXPORT int DebugBreakCount();

// --- global heap -------------------------------------------------------------
// Number of blocks currently allocated with GlobalAlloc and not freed.
WIN32_EXPORT size_t GlobalLiveBlocks();
// Counts GlobalAlloc calls from now on; the n-th (1-based) and, when
// `every` is set, each later one returns null. n = 0 switches failing off.
WIN32_EXPORT void FailGlobalAllocAt(unsigned n, bool every = false);
// GlobalAlloc calls since the last FailGlobalAllocAt (or process start),
// failed ones included.
WIN32_EXPORT unsigned GlobalAllocCalls();
// GlobalAlloc refuses blocks larger than `largest` bytes (returns null), as
// a smaller heap would; 0 restores the 32-bit heap's own limit.
WIN32_EXPORT void LimitGlobalAllocSize(SIZE_T largest);

} // namespace win32
