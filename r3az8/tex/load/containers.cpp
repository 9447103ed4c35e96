#include "r3az8/tex/load/containers.h"

#include "com_ref.h"
#include "r3az8/tex/load/muted_debug.h"

namespace {

template <class Resource, class Container>
bool HasSingleLevelContainer(Resource* resource, REFIID containerId)
{
    ComRef<Container> container;
    // The level count is read while still muted: the whole question is one
    // muted stretch.
    MutedDebug muted;
    if (FAILED(resource->GetContainer(containerId, container.ReceiveVoid())) || !container)
        return false;
    return container->GetLevelCount() == 1;
}

} // namespace

bool IsTextureLevel(IDirect3DSurface8* surface)
{
    ComRef<IDirect3DBaseTexture8> container;
    MutedDebug muted;
    return SUCCEEDED(surface->GetContainer(IID_IDirect3DBaseTexture8, container.ReceiveVoid())) && container;
}

bool IsLevelOfSingleLevelTexture(IDirect3DSurface8* surface)
{
    return HasSingleLevelContainer<IDirect3DSurface8, IDirect3DTexture8>(surface, IID_IDirect3DTexture8);
}

bool IsLevelOfSingleLevelVolumeTexture(IDirect3DVolume8* volume)
{
    return HasSingleLevelContainer<IDirect3DVolume8, IDirect3DVolumeTexture8>(volume, IID_IDirect3DVolumeTexture8);
}
