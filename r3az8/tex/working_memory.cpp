// Working memory: the heap, with a switch that lets tests make allocations
// fail on purpose. The counters are plain process-wide values, like every
// other process-wide value of the library.
#include "r3az8/tex/working_memory.h"

#include <cstdlib>

namespace {

unsigned allocationCount = 0;
unsigned failAt = 0;
FailureRepeat failureRepeat = FailureRepeat::OnlyThatOne;

bool ShouldFail()
{
    ++allocationCount;
    if (failAt == 0)
        return false;
    if (allocationCount == failAt)
        return true;
    return failureRepeat == FailureRepeat::EveryLaterOne && allocationCount > failAt;
}

} // namespace

void* AllocateWorkingMemory(std::size_t bytes) noexcept
{
    if (ShouldFail())
        return nullptr;
    // A zero-byte request still yields a distinct block, so null keeps its
    // single meaning of "no memory".
    return std::malloc(bytes != 0 ? bytes : 1);
}

void FreeWorkingMemory(void* block) noexcept { std::free(block); }

void FailWorkingMemoryAt(unsigned n, FailureRepeat repeat)
{
    allocationCount = 0;
    failAt = n;
    failureRepeat = repeat;
}

unsigned WorkingMemoryAllocations() { return allocationCount; }
