#include "platform/d3d8/surface.h"

#include <new>

namespace softd3d8 {

bool RectToBox(const RECT& rect, D3DBOX& box)
{
    if (rect.left < 0 || rect.top < 0 || rect.right < 0 || rect.bottom < 0)
        return false;
    box = {UINT(rect.left), UINT(rect.top), UINT(rect.right), UINT(rect.bottom), 0, 1};
    return true;
}

Surface::Surface(IDirect3DDevice8* device, IDirect3DBaseTexture8* container, const IID* containerIid,
                 SurfaceRole role, const SurfaceShape& shape, LockRules rules, bool standAloneLockable)
    : StoredChild(device, container, ObjectKind::Surface, shape.pool, shape.usage, *shape.layout, shape.width,
                  shape.height, 1, rules),
      containerIid_(containerIid),
      role_(role),
      standAloneLockable_(standAloneLockable)
{
}

HRESULT Surface::CreateLevel(IDirect3DDevice8* device, IDirect3DBaseTexture8* container, const IID& containerIid,
                             const SurfaceShape& shape, std::unique_ptr<Surface>& level)
{
    level.reset(new (std::nothrow) Surface(device, container, &containerIid, SurfaceRole::TextureLevel, shape,
                                           RulesFor(shape.pool, shape.usage), false));
    return AllocatePixels(level);
}

HRESULT Surface::CreateStandAlone(IDirect3DDevice8* device, SurfaceRole role, const SurfaceShape& shape,
                                  bool lockable, IDirect3DSurface8** surface)
{
    *surface = nullptr;
    LockRules rules = RulesFor(shape.pool, shape.usage);
    rules.lockable = rules.lockable || lockable;
    std::unique_ptr<Surface> made(new (std::nothrow) Surface(device, nullptr, nullptr, role, shape, rules, lockable));
    const HRESULT result = AllocatePixels(made);
    if (SUCCEEDED(result))
        *surface = made.release();
    return result;
}

Surface* Surface::FromInterface(IDirect3DSurface8* surface)
{
    return IsLiveObject(surface, ObjectKind::Surface) ? static_cast<Surface*>(surface) : nullptr;
}

HRESULT Surface::GetContainer(REFIID riid, void** ppContainer)
{
    // A stand-alone surface has no container and no identifier to match.
    return HandOutContainer(riid, ppContainer, containerIid_ != nullptr ? *containerIid_ : IID_IUnknown);
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* pDesc)
{
    if (!Describe(pDesc, D3DRTYPE_SURFACE))
        return D3DERR_INVALIDCALL;
    pDesc->MultiSampleType = D3DMULTISAMPLE_NONE;
    return D3D_OK;
}

HRESULT Surface::LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags)
{
    return CountedLock(d3d8::Call::LockRect, this, pLockedRect, pRect, Flags);
}

HRESULT Surface::LockUncounted(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags)
{
    if (lockedRect == nullptr)
        return D3DERR_INVALIDCALL;
    D3DBOX box;
    if (rect != nullptr && !RectToBox(*rect, box))
        return D3DERR_INVALIDCALL;
    D3DLOCKED_BOX locked;
    HRESULT result = storage_.Lock(static_cast<IDirect3DSurface8*>(this), rect != nullptr ? &box : nullptr, flags,
                                  &locked);
    if (FAILED(result))
        return result;
    lockedRect->Pitch = locked.RowPitch;
    lockedRect->pBits = locked.pBits;
    return D3D_OK;
}

HRESULT Surface::UnlockRect() { return storage_.Unlock(); }

} // namespace softd3d8
