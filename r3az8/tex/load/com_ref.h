// One owned reference on a Direct3D object, given back when the holder goes
// out of scope, so that every path out of a load operation returns what it
// obtained.
#pragma once

#include "d3d8.h"

template <class Interface>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() { Reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ComRef(ComRef&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
    ComRef& operator=(ComRef&& other) noexcept
    {
        Adopt(other);
        return *this;
    }

    Interface* Get() const { return object_; }
    Interface* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

    // For a call that hands out a referenced object: the previous one is
    // released first.
    Interface** Receive()
    {
        Reset();
        return &object_;
    }
    // For calls typed void** (GetContainer).
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

    // Takes over the reference of `other`, releasing the one held.
    void Adopt(ComRef& other)
    {
        if (&other == this)
            return;
        Reset();
        object_ = other.object_;
        other.object_ = nullptr;
    }

    void Reset()
    {
        if (object_) {
            Interface* object = object_;
            object_ = nullptr;
            object->Release();
        }
    }

private:
    Interface* object_ = nullptr;
};
