// Owned arrays of the filter operations (row buffers, tap arrays, weight
// tables, row slots), taken from the library's working memory so that tests
// can make any of them fail. Each operation takes its arrays once, before
// its first row, and they are freed on every way out.
#pragma once

#include "r3az8/tex/working_memory.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>

struct WorkingMemoryDeleter {
    void operator()(void* block) const { FreeWorkingMemory(block); }
};

// An owned array of trivially copyable values (no constructors run).
template <class T>
using FilterArray = std::unique_ptr<T[], WorkingMemoryDeleter>;

enum class Contents { Uninitialised, Zeroed };

// Null when memory runs out or count x sizeof(T) does not fit in size_t. A
// count of 0 still gives an array, so an empty region is no failure.
template <class T>
FilterArray<T> AllocateFilterArray(size_t count, Contents contents)
{
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);
    if (count > SIZE_MAX / sizeof(T))
        return nullptr;
    void* block = AllocateWorkingMemory(count * sizeof(T));
    if (block && contents == Contents::Zeroed)
        std::memset(block, 0, count * sizeof(T));
    return FilterArray<T>(static_cast<T*>(block));
}
