// Working memory: the heap, with a switch that lets tests make allocations
// fail on purpose. The switch and the count are process-wide atomic words,
// so the library may allocate on several threads at once; a test that arms
// a failure counts the allocations of every thread.
#include "r3az8/tex/working_memory.h"

#include <atomic>
#include <cstdlib>

namespace {

std::atomic<unsigned> allocationCount{0};
std::atomic<unsigned> failAt{0};
std::atomic<FailureRepeat> failureRepeat{FailureRepeat::OnlyThatOne};

bool ShouldFail()
{
    const unsigned count = allocationCount.fetch_add(1, std::memory_order_relaxed) + 1;
    const unsigned failing = failAt.load(std::memory_order_relaxed);
    if (failing == 0)
        return false;
    if (count == failing)
        return true;
    return failureRepeat.load(std::memory_order_relaxed) == FailureRepeat::EveryLaterOne && count > failing;
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
