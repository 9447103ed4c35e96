// Vertex and index buffers: storage the device hands out but never draws
// from. They exist so that code asking a resource for its type meets them.
#pragma once

#include "d3d8.h"
#include "platform/d3d8/device_child.h"

#include <cstddef>
#include <memory>

namespace softd3d8 {

template <class Interface, D3DRESOURCETYPE kType, ObjectKind kKind>
class Buffer final : public DeviceChild<Interface> {
public:
    // Length in bytes, at least 1.
    static HRESULT Create(IDirect3DDevice8* device, UINT length, Interface** buffer);

    D3DRESOURCETYPE GetType() override { return kType; }

private:
    explicit Buffer(IDirect3DDevice8* device) : DeviceChild<Interface>(device, nullptr, kKind) {}

    std::unique_ptr<std::byte[]> bytes_;
};

using VertexBuffer = Buffer<IDirect3DVertexBuffer8, D3DRTYPE_VERTEXBUFFER, ObjectKind::VertexBuffer>;
using IndexBuffer = Buffer<IDirect3DIndexBuffer8, D3DRTYPE_INDEXBUFFER, ObjectKind::IndexBuffer>;

extern template class Buffer<IDirect3DVertexBuffer8, D3DRTYPE_VERTEXBUFFER, ObjectKind::VertexBuffer>;
extern template class Buffer<IDirect3DIndexBuffer8, D3DRTYPE_INDEXBUFFER, ObjectKind::IndexBuffer>;

} // namespace softd3d8
