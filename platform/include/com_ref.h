// One owned reference on a COM object (anything with Release), given back
// when the holder goes out of scope, so that every path out of a function
// returns what it obtained. The texture library, the tools and the tests all
// hold device objects this way.
#pragma once

template <class Interface>
class ComRef {
public:
    ComRef() = default;
    // Takes over a reference the caller already holds.
    explicit ComRef(Interface* object) : object_(object) {}
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
    // For calls typed void** (QueryInterface, GetContainer).
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

    // Hands the reference to the caller, who releases it (tests that count
    // references do so by hand).
    Interface* Detach()
    {
        Interface* object = object_;
        object_ = nullptr;
        return object;
    }

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
        if (object_ != nullptr) {
            // Cleared first: a Release that reaches back into this holder
            // finds it empty.
            Interface* object = object_;
            object_ = nullptr;
            object->Release();
        }
    }

private:
    Interface* object_ = nullptr;
};
