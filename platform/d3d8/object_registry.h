// Every object the device hands out is registered here for its lifetime.
//
// The registry gives LiveObjects() its answer and lets entry points that take
// interface pointers (CopyRects, the lockability query) tell the device's own
// objects from anything else before they look inside one.
#pragma once

#include <cstddef>

namespace softd3d8 {

enum class ObjectKind { Device, Texture, CubeTexture, VolumeTexture, Surface, Volume, VertexBuffer, IndexBuffer };

// Registers `identity` (the object's interface pointer) for as long as the
// registration lives.
class Registration {
public:
    Registration(const void* identity, ObjectKind kind);
    ~Registration();
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;

private:
    const void* identity_;
};

bool IsLiveObject(const void* identity, ObjectKind kind);
size_t LiveObjectCount();

// Locks outstanding on surfaces and volumes.
void CountLockTaken();
void CountLockReleased();

} // namespace softd3d8
