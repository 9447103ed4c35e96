// Global heap: handle-based blocks with lock counts.
//
// A moveable block is known by a handle distinct from its address, as on
// Windows; GlobalHandle maps an address back to the handle. A fixed block's
// handle is its address. Every block's storage is one malloc allocation, so
// the address sanitizer sees any access beyond the requested size.
#include "win32.h"
#include "win32_testing.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace {

struct Block {
    void* address;
    SIZE_T size;
    UINT flags;
    unsigned lockCount;
};

// A moveable block's handle is the address of this tag record; it is never
// dereferenced by callers, only looked up.
struct HandleTag {
    char unused;
};

// The largest block a 32-bit Windows heap could hand out; larger requests
// fail as they would there, rather than reaching the C allocator (which the
// address sanitizer treats as a fatal error).
constexpr SIZE_T kLargestBlock = 0xFFFFFFFFu;

struct Heap {
    std::mutex mutex;
    std::unordered_map<HGLOBAL, Block> blocks;        // by handle
    std::unordered_map<const void*, HGLOBAL> handles; // by address
    unsigned allocCalls = 0;
    unsigned failAt = 0;
    bool failEvery = false;
    SIZE_T largestBlock = kLargestBlock;
};

Heap& TheHeap()
{
    static Heap* heap = new Heap; // never destroyed: blocks may be freed during exit
    return *heap;
}

bool ShouldFail(Heap& heap)
{
    ++heap.allocCalls;
    if (heap.failAt == 0)
        return false;
    if (heap.allocCalls == heap.failAt)
        return true;
    return heap.failEvery && heap.allocCalls > heap.failAt;
}

Block* Find(Heap& heap, HGLOBAL handle)
{
    auto found = heap.blocks.find(handle);
    return found == heap.blocks.end() ? nullptr : &found->second;
}

} // namespace

extern "C" {

WIN32_EXPORT HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes)
{
    Heap& heap = TheHeap();
    std::lock_guard lock(heap.mutex);
    if (ShouldFail(heap) || dwBytes > heap.largestBlock)
        return nullptr;
    // malloc(0) may return null; a zero-byte block still gets its own address.
    void* address = std::malloc(dwBytes == 0 ? 1 : dwBytes);
    if (address == nullptr)
        return nullptr;
    if (uFlags & GMEM_ZEROINIT)
        std::memset(address, 0, dwBytes);
    HGLOBAL handle = address;
    if (uFlags & GMEM_MOVEABLE) {
        handle = new (std::nothrow) HandleTag;
        if (handle == nullptr) {
            std::free(address);
            return nullptr;
        }
    }
    heap.blocks[handle] = Block{address, dwBytes, uFlags, 0};
    heap.handles[address] = handle;
    return handle;
}

WIN32_EXPORT LPVOID GlobalLock(HGLOBAL hMem)
{
    Heap& heap = TheHeap();
    std::lock_guard lock(heap.mutex);
    Block* block = Find(heap, hMem);
    if (block == nullptr)
        return nullptr;
    if (block->flags & GMEM_MOVEABLE)
        ++block->lockCount;
    return block->address;
}

WIN32_EXPORT BOOL GlobalUnlock(HGLOBAL hMem)
{
    Heap& heap = TheHeap();
    std::lock_guard lock(heap.mutex);
    Block* block = Find(heap, hMem);
    if (block == nullptr || block->lockCount == 0)
        return FALSE;
    --block->lockCount;
    return block->lockCount > 0 ? TRUE : FALSE;
}

WIN32_EXPORT HGLOBAL GlobalHandle(LPCVOID pMem)
{
    Heap& heap = TheHeap();
    std::lock_guard lock(heap.mutex);
    auto found = heap.handles.find(pMem);
    return found == heap.handles.end() ? nullptr : found->second;
}

WIN32_EXPORT HGLOBAL GlobalFree(HGLOBAL hMem)
{
    if (hMem == nullptr)
        return nullptr;
    Heap& heap = TheHeap();
    std::lock_guard lock(heap.mutex);
    Block* block = Find(heap, hMem);
    if (block == nullptr)
        return hMem; // not ours: report failure by handing it back
    heap.handles.erase(block->address);
    std::free(block->address);
    if (block->flags & GMEM_MOVEABLE)
        delete static_cast<HandleTag*>(hMem);
    heap.blocks.erase(hMem);
    return nullptr;
}

WIN32_EXPORT SIZE_T GlobalSize(HGLOBAL hMem)
{
    Heap& heap = TheHeap();
    std::lock_guard lock(heap.mutex);
    Block* block = Find(heap, hMem);
    return block == nullptr ? 0 : block->size;
}

} // extern "C"

namespace win32 {

WIN32_EXPORT size_t GlobalLiveBlocks()
{
    Heap& heap = TheHeap();
    std::lock_guard lock(heap.mutex);
    return heap.blocks.size();
}

WIN32_EXPORT void FailGlobalAllocAt(unsigned n, bool every)
{
    Heap& heap = TheHeap();
    std::lock_guard lock(heap.mutex);
    heap.allocCalls = 0;
    heap.failAt = n;
    heap.failEvery = every;
}

WIN32_EXPORT void LimitGlobalAllocSize(SIZE_T largest)
{
    Heap& heap = TheHeap();
    std::lock_guard lock(heap.mutex);
    heap.largestBlock = largest == 0 || largest > kLargestBlock ? kLargestBlock : largest;
}

WIN32_EXPORT unsigned GlobalAllocCalls()
{
    Heap& heap = TheHeap();
    std::lock_guard lock(heap.mutex);
    return heap.allocCalls;
}

} // namespace win32
