#include "kwoUtils/TrackedAlloc.h"

#include "engine/pwMemLeak.h"
#include "win32.h"

void* TrackedAlloc(unsigned size, const char* file, int line)
{
    if (size == 0)
        return nullptr;
    HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    void* block = handle == nullptr ? nullptr : GlobalLock(handle);
    if (block == nullptr) {
        if (handle != nullptr)
            GlobalFree(handle);
        kwoMemLeak_AllocFailed(size, file, line);
        return nullptr;
    }
    kwoMemLeak_Alloc(block, file, line);
    return block;
}

void TrackedFree(void* block)
{
    if (block == nullptr)
        return;
    // The tracker is told while the block still exists, so it can still
    // look at it.
    kwoMemLeak_Free(block);
    GlobalUnlock(GlobalHandle(block));
    GlobalFree(GlobalHandle(block));
}
