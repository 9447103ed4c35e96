#include "platform/d3d8/volume.h"

#include <new>

namespace softd3d8 {

Volume::Volume(IDirect3DDevice8* device, IDirect3DVolumeTexture8* container, const VolumeShape& shape)
    : StoredChild(device, container, ObjectKind::Volume, shape.pool, shape.usage, *shape.layout, shape.width,
                  shape.height, shape.depth, RulesFor(shape.pool, shape.usage))
{
}

HRESULT Volume::CreateLevel(IDirect3DDevice8* device, IDirect3DVolumeTexture8* container, const VolumeShape& shape,
                            std::unique_ptr<Volume>& level)
{
    level.reset(new (std::nothrow) Volume(device, container, shape));
    return AllocatePixels(level);
}

HRESULT Volume::GetContainer(REFIID riid, void** ppContainer)
{
    return HandOutContainer(riid, ppContainer, IID_IDirect3DVolumeTexture8);
}

HRESULT Volume::GetDesc(D3DVOLUME_DESC* pDesc)
{
    if (!Describe(pDesc, D3DRTYPE_VOLUME))
        return D3DERR_INVALIDCALL;
    pDesc->Depth = storage_.Depth();
    return D3D_OK;
}

HRESULT Volume::LockBox(D3DLOCKED_BOX* pLockedVolume, const D3DBOX* pBox, DWORD Flags)
{
    return CountedLock(d3d8::Call::LockBox, this, pLockedVolume, pBox, Flags);
}

HRESULT Volume::LockUncounted(D3DLOCKED_BOX* lockedVolume, const D3DBOX* box, DWORD flags)
{
    return storage_.Lock(static_cast<IDirect3DVolume8*>(this), box, flags, lockedVolume);
}

HRESULT Volume::UnlockBox() { return storage_.Unlock(); }

} // namespace softd3d8
