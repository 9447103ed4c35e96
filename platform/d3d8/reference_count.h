// A thread-safe reference count starting at one.
#pragma once

#include "win32.h"

#include <atomic>

namespace softd3d8 {

class ReferenceCount {
public:
    ULONG Add() { return ++count_; }
    // Never goes below zero: a surplus Release is ignored rather than
    // destroying an object twice.
    ULONG Drop()
    {
        ULONG current = count_.load();
        while (current != 0 && !count_.compare_exchange_weak(current, current - 1)) {
        }
        return current == 0 ? ULONG(-1) : current - 1;
    }

private:
    std::atomic<ULONG> count_{1};
};

} // namespace softd3d8
