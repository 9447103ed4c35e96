// Working memory of the texture library: codecs, row buffers, tables.
//
// Every buffer the library needs for one operation comes from here, so that
// a test can make a chosen allocation fail and watch the operation take its
// out-of-memory path. Allocation failure is reported as null, never thrown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>

// Null when the memory cannot be had (or a test asked for a failure).
void* AllocateWorkingMemory(std::size_t bytes) noexcept;
void FreeWorkingMemory(void* block) noexcept;

struct WorkingMemoryDeleter {
    void operator()(void* block) const noexcept { FreeWorkingMemory(block); }
};

// An owned array of trivially copyable elements from working memory (no
// constructors run), freed when its owner goes out of scope.
template <class Element>
using WorkingArray = std::unique_ptr<Element[], WorkingMemoryDeleter>;

enum class Contents { Uninitialised, Zeroed };

// Null when memory runs out or count x sizeof(Element) does not fit in
// size_t. A count of 0 still gives an array, so an empty region is no
// failure.
template <class Element>
WorkingArray<Element> AllocateWorkingArray(std::size_t count, Contents contents)
{
    static_assert(std::is_trivially_copyable_v<Element> && std::is_trivially_destructible_v<Element>);
    if (count > SIZE_MAX / sizeof(Element))
        return nullptr;
    void* block = AllocateWorkingMemory(count * sizeof(Element));
    if (block && contents == Contents::Zeroed)
        std::memset(block, 0, count * sizeof(Element));
    return WorkingArray<Element>(static_cast<Element*>(block));
}

// Test control: counting from this call, the n-th allocation (1-based) and,
// with FailureRepeat::EveryLaterOne, each one after it returns null.
// n = 0 switches failures off.
enum class FailureRepeat { OnlyThatOne, EveryLaterOne };
void FailWorkingMemoryAt(unsigned n, FailureRepeat repeat = FailureRepeat::OnlyThatOne);
// Allocations made since the last FailWorkingMemoryAt call.
unsigned WorkingMemoryAllocations();
