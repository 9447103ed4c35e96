// The allocation tracker: a table of live blocks with their call sites and
// a log of every call, so that a host can report leaks at exit and a test
// can see exactly what the module reported.
#include "platform/pwMemLeak/pwMemLeak_control.h"

#include "win32.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace {

struct LiveEntry {
    MemLeakBlock block;
    unsigned long long sequence; // allocation order, for the report
};

struct Tracker {
    std::mutex mutex;
    std::map<const void*, LiveEntry> live; // by address
    unsigned long long nextSequence = 0;
    std::vector<MemLeakEvent> events;
    bool recordEvents = true;
};

Tracker& TheTracker()
{
    // Never destroyed: the host may report after static destructors began.
    static Tracker* tracker = new Tracker;
    return *tracker;
}

std::string CopyText(const char* text) { return text == nullptr ? std::string() : std::string(text); }

// The size of a global-heap block, or 0 for memory that did not come from
// the global heap (the tracker does not require it to).
size_t BlockSize(const void* block)
{
    HGLOBAL handle = GlobalHandle(block);
    return handle == nullptr ? 0 : GlobalSize(handle);
}

const char* KindName(MemLeakEventKind kind)
{
    switch (kind) {
    case MemLeakEventKind::Alloc:
        return "Alloc";
    case MemLeakEventKind::AllocFailed:
        return "AllocFailed";
    case MemLeakEventKind::Free:
        return "Free";
    case MemLeakEventKind::FreeUnknown:
        return "FreeUnknown";
    case MemLeakEventKind::Comment:
        return "Comment";
    }
    return "?";
}

} // namespace

PWMEMLEAK_API int kwoMemLeak_Alloc(void* pBlock, const char* pszFile, int nLine)
{
    size_t size = BlockSize(pBlock);
    Tracker& tracker = TheTracker();
    std::lock_guard lock(tracker.mutex);
    MemLeakBlock entry{pBlock, size, CopyText(pszFile), nLine};
    if (tracker.recordEvents)
        tracker.events.push_back(MemLeakEvent{MemLeakEventKind::Alloc, pBlock, size, entry.file, nLine, {}});
    // An address reported twice without a free in between replaces the old
    // entry: the allocator can only hand out a live address once, so the
    // earlier report was stale.
    tracker.live[pBlock] = LiveEntry{std::move(entry), tracker.nextSequence++};
    return 1;
}

PWMEMLEAK_API int kwoMemLeak_AllocFailed(unsigned uSize, const char* pszFile, int nLine)
{
    Tracker& tracker = TheTracker();
    std::lock_guard lock(tracker.mutex);
    if (tracker.recordEvents)
        tracker.events.push_back(
            MemLeakEvent{MemLeakEventKind::AllocFailed, nullptr, uSize, CopyText(pszFile), nLine, {}});
    return 1;
}

PWMEMLEAK_API int kwoMemLeak_Free(void* pBlock)
{
    // The size as the heap sees it now: callers report a release before they
    // make it, so a block freed too early shows up with size 0.
    size_t size = BlockSize(pBlock);
    Tracker& tracker = TheTracker();
    std::lock_guard lock(tracker.mutex);
    auto found = tracker.live.find(pBlock);
    if (found == tracker.live.end()) {
        if (tracker.recordEvents)
            tracker.events.push_back(MemLeakEvent{MemLeakEventKind::FreeUnknown, pBlock, 0, {}, 0, {}});
        return 0;
    }
    const MemLeakBlock& entry = found->second.block;
    if (tracker.recordEvents)
        tracker.events.push_back(MemLeakEvent{MemLeakEventKind::Free, pBlock, size, entry.file, entry.line, {}});
    tracker.live.erase(found);
    return 1;
}

PWMEMLEAK_API void kwoMemLeak_Comment(const char* pszText)
{
    Tracker& tracker = TheTracker();
    std::lock_guard lock(tracker.mutex);
    if (tracker.recordEvents)
        tracker.events.push_back(MemLeakEvent{MemLeakEventKind::Comment, nullptr, 0, {}, 0, CopyText(pszText)});
}

PWMEMLEAK_CONTROL_API std::vector<MemLeakEvent> kwoMemLeakHost_Events()
{
    Tracker& tracker = TheTracker();
    std::lock_guard lock(tracker.mutex);
    return tracker.events;
}

PWMEMLEAK_CONTROL_API std::vector<std::string> kwoMemLeakHost_EventLines()
{
    std::vector<std::string> lines;
    for (const MemLeakEvent& event : kwoMemLeakHost_Events()) {
        std::string line = KindName(event.kind);
        switch (event.kind) {
        case MemLeakEventKind::Alloc:
        case MemLeakEventKind::AllocFailed:
        case MemLeakEventKind::Free:
            line += " " + event.file + ":" + std::to_string(event.line) + " (" + std::to_string(event.size) + " bytes)";
            break;
        case MemLeakEventKind::FreeUnknown:
            break;
        case MemLeakEventKind::Comment:
            line += " " + event.text;
            break;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

PWMEMLEAK_CONTROL_API std::vector<MemLeakBlock> kwoMemLeakHost_LiveBlocks()
{
    Tracker& tracker = TheTracker();
    std::lock_guard lock(tracker.mutex);
    std::vector<const LiveEntry*> entries;
    for (const auto& [address, entry] : tracker.live)
        entries.push_back(&entry);
    std::sort(entries.begin(), entries.end(),
              [](const LiveEntry* a, const LiveEntry* b) { return a->sequence < b->sequence; });
    std::vector<MemLeakBlock> blocks;
    for (const LiveEntry* entry : entries)
        blocks.push_back(entry->block);
    return blocks;
}

PWMEMLEAK_CONTROL_API size_t kwoMemLeakHost_LiveBlockCount()
{
    Tracker& tracker = TheTracker();
    std::lock_guard lock(tracker.mutex);
    return tracker.live.size();
}

PWMEMLEAK_CONTROL_API size_t kwoMemLeakHost_PrintLeakReport(FILE* stream)
{
    std::vector<MemLeakBlock> blocks = kwoMemLeakHost_LiveBlocks();
    size_t bytes = 0;
    for (const MemLeakBlock& block : blocks) {
        std::fprintf(stream, "Leak: %p, %zu bytes, allocated at %s(%d)\n", block.block, block.size, block.file.c_str(),
                     block.line);
        bytes += block.size;
    }
    if (blocks.empty())
        std::fprintf(stream, "Memory: no leaks.\n");
    else
        std::fprintf(stream, "Memory: %zu block(s) leaked, %zu bytes.\n", blocks.size(), bytes);
    std::fflush(stream);
    return blocks.size();
}

PWMEMLEAK_CONTROL_API void kwoMemLeakHost_RecordEvents(bool record)
{
    Tracker& tracker = TheTracker();
    std::lock_guard lock(tracker.mutex);
    tracker.recordEvents = record;
}

PWMEMLEAK_CONTROL_API void kwoMemLeakHost_Reset()
{
    Tracker& tracker = TheTracker();
    std::lock_guard lock(tracker.mutex);
    tracker.live.clear();
    tracker.events.clear();
}
