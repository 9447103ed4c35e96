// Allocation tracker functions the effect module imports from pwMemLeak.
// Results are not looked at by the module.
#pragma once

#if defined(__GNUC__)
#define PWMEMLEAK_API extern "C" __attribute__((visibility("default")))
#else
#define PWMEMLEAK_API extern "C"
#endif

// After each successful allocation: the block and its call site.
PWMEMLEAK_API int kwoMemLeak_Alloc(void* pBlock, const char* pszFile, int nLine);
// After each failed allocation: the requested size and the call site.
PWMEMLEAK_API int kwoMemLeak_AllocFailed(unsigned uSize, const char* pszFile, int nLine);
// Before each release.
PWMEMLEAK_API int kwoMemLeak_Free(void* pBlock);
// Once per parameter list, with the parameter text.
PWMEMLEAK_API void kwoMemLeak_Comment(const char* pszText);
