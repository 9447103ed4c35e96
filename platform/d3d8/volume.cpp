#include "platform/d3d8/volume.h"

#include "platform/d3d8/fault_injection.h"

#include <new>

namespace softd3d8 {

Volume::Volume(IDirect3DDevice8* device, IDirect3DVolumeTexture8* container, const VolumeShape& shape)
    : DeviceChild(device, container, ObjectKind::Volume),
      pool_(shape.pool),
      usage_(shape.usage),
      storage_(*shape.layout, shape.width, shape.height, shape.depth, RulesFor(shape.pool, shape.usage))
{
}

HRESULT Volume::CreateLevel(IDirect3DDevice8* device, IDirect3DVolumeTexture8* container, const VolumeShape& shape,
                            std::unique_ptr<Volume>& level)
{
    level.reset(new (std::nothrow) Volume(device, container, shape));
    if (!level)
        return E_OUTOFMEMORY;
    HRESULT result = level->storage_.Allocate();
    if (FAILED(result))
        level.reset();
    return result;
}

HRESULT Volume::GetContainer(REFIID riid, void** ppContainer)
{
    return HandOutContainer(riid, ppContainer, IID_IDirect3DVolumeTexture8);
}

HRESULT Volume::GetDesc(D3DVOLUME_DESC* pDesc)
{
    if (pDesc == nullptr)
        return D3DERR_INVALIDCALL;
    pDesc->Format = storage_.Format();
    pDesc->Type = D3DRTYPE_VOLUME;
    pDesc->Usage = usage_;
    pDesc->Pool = pool_;
    pDesc->Size = storage_.Size();
    pDesc->Width = storage_.Width();
    pDesc->Height = storage_.Height();
    pDesc->Depth = storage_.Depth();
    return D3D_OK;
}

HRESULT Volume::LockBox(D3DLOCKED_BOX* pLockedVolume, const D3DBOX* pBox, DWORD Flags)
{
    HRESULT injected = EnterInjectableCall(d3d8::Call::LockBox);
    if (FAILED(injected))
        return injected;
    return LockUncounted(pLockedVolume, pBox, Flags);
}

HRESULT Volume::LockUncounted(D3DLOCKED_BOX* lockedVolume, const D3DBOX* box, DWORD flags)
{
    return storage_.Lock(static_cast<IDirect3DVolume8*>(this), box, flags, lockedVolume);
}

HRESULT Volume::UnlockBox() { return storage_.Unlock(); }

} // namespace softd3d8
