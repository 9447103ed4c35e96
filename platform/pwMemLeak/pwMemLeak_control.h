// Controls of the allocation tracker for hosts and tests.
//
// The engine's own tracker only listens; these calls let a host print what
// is still alive at exit and let a test see every call the module made, in
// order, with its call site.
#pragma once

#include "engine/pwMemLeak.h"

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#if defined(__GNUC__)
#define PWMEMLEAK_CONTROL_API __attribute__((visibility("default")))
#else
#define PWMEMLEAK_CONTROL_API
#endif

enum class MemLeakEventKind {
    Alloc,       // kwoMemLeak_Alloc
    AllocFailed, // kwoMemLeak_AllocFailed
    Free,        // kwoMemLeak_Free of a block the tracker knew
    FreeUnknown, // kwoMemLeak_Free of a block it never heard of (or heard of twice)
    Comment,     // kwoMemLeak_Comment
};

// One call to the tracker. Fields that a kind does not carry are empty/0.
struct MemLeakEvent {
    MemLeakEventKind kind;
    const void* block; // Alloc, Free, FreeUnknown
    size_t size;       // AllocFailed: the requested size; Alloc/Free: the heap block's size at the call (0 if none)
    std::string file;  // Alloc, AllocFailed; Free: the site the block was allocated at
    int line;
    std::string text; // Comment
};

// A block still alive, with the site that allocated it.
struct MemLeakBlock {
    const void* block;
    size_t size;
    std::string file;
    int line;
};

// Every call since the last reset, oldest first.
PWMEMLEAK_CONTROL_API std::vector<MemLeakEvent> kwoMemLeakHost_Events();
// The same calls as one line each, e.g. "Alloc effects/effMirolan/effMirolan:74 (96 bytes)";
// addresses are left out so that lines compare equal from run to run.
PWMEMLEAK_CONTROL_API std::vector<std::string> kwoMemLeakHost_EventLines();
// Blocks allocated and not yet freed, in allocation order.
PWMEMLEAK_CONTROL_API std::vector<MemLeakBlock> kwoMemLeakHost_LiveBlocks();
PWMEMLEAK_CONTROL_API size_t kwoMemLeakHost_LiveBlockCount();
// Writes one line per live block (address, size, file, line) and a summary
// line; returns the number of leaked blocks.
PWMEMLEAK_CONTROL_API size_t kwoMemLeakHost_PrintLeakReport(FILE* stream);
// Whether calls are kept as events from now on (they are at start). The
// table of live blocks is kept either way: a host that only reports leaks
// turns events off, so that a long run does not grow them.
PWMEMLEAK_CONTROL_API void kwoMemLeakHost_RecordEvents(bool record);
// Forgets every event and every live block.
PWMEMLEAK_CONTROL_API void kwoMemLeakHost_Reset();
