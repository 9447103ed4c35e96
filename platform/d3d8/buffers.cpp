#include "platform/d3d8/buffers.h"

#include <cstring>
#include <new>

namespace softd3d8 {

template <class Interface, D3DRESOURCETYPE kType, ObjectKind kKind>
HRESULT Buffer<Interface, kType, kKind>::Create(IDirect3DDevice8* device, UINT length, Interface** buffer)
{
    if (length == 0)
        return D3DERR_INVALIDCALL;
    std::unique_ptr<Buffer> made(new (std::nothrow) Buffer(device));
    if (!made)
        return E_OUTOFMEMORY;
    made->bytes_.reset(new (std::nothrow) std::byte[length]);
    if (!made->bytes_)
        return E_OUTOFMEMORY;
    std::memset(made->bytes_.get(), 0, length);
    *buffer = made.release();
    return D3D_OK;
}

template class Buffer<IDirect3DVertexBuffer8, D3DRTYPE_VERTEXBUFFER, ObjectKind::VertexBuffer>;
template class Buffer<IDirect3DIndexBuffer8, D3DRTYPE_INDEXBUFFER, ObjectKind::IndexBuffer>;

} // namespace softd3d8
