// Working memory of the texture library: codecs, row buffers, tables.
//
// Every buffer the library needs for one operation comes from here, so that
// a test can make a chosen allocation fail and watch the operation take its
// out-of-memory path. Allocation failure is reported as null, never thrown.
#pragma once

#include <cstddef>
#include <new>

// Null when the memory cannot be had (or a test asked for a failure).
void* AllocateWorkingMemory(std::size_t bytes) noexcept;
void FreeWorkingMemory(void* block) noexcept;

// An array of trivially copyable elements from working memory, freed when
// the owner goes out of scope. Check it before use: it is empty when the
// allocation failed.
template <typename Element>
class WorkingArray {
public:
    WorkingArray() = default;
    explicit WorkingArray(std::size_t count)
        : elements(count <= static_cast<std::size_t>(-1) / sizeof(Element)
                       ? static_cast<Element*>(AllocateWorkingMemory(count * sizeof(Element)))
                       : nullptr)
    {
    }
    ~WorkingArray() { FreeWorkingMemory(elements); }
    WorkingArray(WorkingArray&& other) noexcept : elements(other.elements) { other.elements = nullptr; }
    WorkingArray& operator=(WorkingArray&& other) noexcept
    {
        if (this != &other) {
            FreeWorkingMemory(elements);
            elements = other.elements;
            other.elements = nullptr;
        }
        return *this;
    }
    WorkingArray(const WorkingArray&) = delete;
    WorkingArray& operator=(const WorkingArray&) = delete;

    explicit operator bool() const { return elements != nullptr; }
    Element* get() const { return elements; }
    Element& operator[](std::size_t index) const { return elements[index]; }

private:
    Element* elements = nullptr;
};

// Test control: counting from this call, the n-th allocation (1-based) and,
// with FailureRepeat::EveryLaterOne, each one after it returns null.
// n = 0 switches failures off.
enum class FailureRepeat { OnlyThatOne, EveryLaterOne };
void FailWorkingMemoryAt(unsigned n, FailureRepeat repeat = FailureRepeat::OnlyThatOne);
// Allocations made since the last FailWorkingMemoryAt call.
unsigned WorkingMemoryAllocations();
