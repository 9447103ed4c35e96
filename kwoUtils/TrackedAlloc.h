// Tracked allocation: zero-filled global-heap blocks whose allocation and
// release are reported, with their call site, to the engine's allocation
// tracker. Every block of the module's own comes from here.
#pragma once

#include <cstddef>

// Where a block was asked for, as the tracker's leak report names it. The
// module passes fixed paths and line numbers (not __FILE__/__LINE__) so that
// reports keep naming the same sites when the sources are edited.
struct CallSite {
    const char* file;
    int line;
};

// A locked, moveable, zero-filled block of `size` bytes, or null. A size of
// 0 yields null and the tracker hears nothing; a failed request is reported
// with its size and site.
void* TrackedAlloc(unsigned size, const char* file, int line);
inline void* TrackedAlloc(unsigned size, const CallSite& site) { return TrackedAlloc(size, site.file, site.line); }

// Releases a block from TrackedAlloc, telling the tracker first; null does
// nothing.
void TrackedFree(void* block);
