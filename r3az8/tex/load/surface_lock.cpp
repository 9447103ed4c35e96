#include "r3az8/tex/load/surface_lock.h"

#include "r3az8/tex/debug.h"
#include "r3az8/tex/load/containers.h"
#include "r3az8/tex/load/lock_area.h"

namespace {

// A rectangle as a box one slice deep; false when it has a negative
// coordinate, which no surface contains.
bool RectToBox(const RECT& rect, D3DBOX& box)
{
    if (rect.left < 0 || rect.top < 0 || rect.right < 0 || rect.bottom < 0)
        return false;
    box = {UINT(rect.left), UINT(rect.top), UINT(rect.right), UINT(rect.bottom), 0, 1};
    return true;
}

// The area a system-memory copy of the surface covers: the surface itself,
// except that a DXT surface's copy is made in whole 4x4 blocks.
D3DBOX CopyExtent(const D3DSURFACE_DESC& desc)
{
    D3DBOX extent = {0, 0, desc.Width, desc.Height, 0, 1};
    if (IsDxtFormat(desc.Format)) {
        StorageUnit unit = StorageUnitOf(desc.Format);
        extent.Right = RoundUpToUnits(desc.Width, unit.width);
        extent.Bottom = RoundUpToUnits(desc.Height, unit.height);
    }
    return extent;
}

} // namespace

HRESULT SurfaceLock::Lock(IDirect3DSurface8* surface, const PALETTEENTRY* palette, const RECT* rect, DWORD options,
                          ImageDesc& image)
{
    Release();
    if (!surface)
        return D3DERR_INVALIDCALL;

    D3DSURFACE_DESC desc{};
    HRESULT hr = surface->GetDesc(&desc);
    if (FAILED(hr))
        return hr;

    const D3DBOX whole = {0, 0, desc.Width, desc.Height, 0, 1};
    D3DBOX asked{};
    D3DBOX region;
    bool partial;
    if ((rect && !RectToBox(*rect, asked)) || !ChooseRegion(rect ? &asked : nullptr, whole, region, partial)) {
        DebugPrintf(0, "Invalid rect");
        return D3DERR_INVALIDCALL;
    }
    // Nothing of the old contents survives such a lock, so a copy need not
    // be filled first and a dynamic surface may hand out fresh memory.
    const bool wholeWrite = !partial && !(options & LOCK_READ_ONLY);

    DWORD usage = desc.Usage;
    const CopyUse use =
        (options & LOCK_SEPARATE_COPY) ? CopyUse::ThroughCopy : ChooseCopyUse(surface, desc, usage);
    if (use == CopyUse::ThroughCopy) {
        hr = MakeCopy(surface, desc, wholeWrite ? CopyFill::Nothing : CopyFill::CurrentPixels);
        if (FAILED(hr)) {
            Forget();
            return hr;
        }
    }

    DWORD flags = D3DLOCK_NOSYSLOCK;
    if (options & LOCK_READ_ONLY)
        flags |= D3DLOCK_READONLY;
    if (wholeWrite && use == CopyUse::Direct && (usage & D3DUSAGE_DYNAMIC) && IsLevelOfSingleLevelTexture(surface))
        flags |= D3DLOCK_DISCARD;

    // A copy of a DXT surface is made in whole blocks, so its partial locks
    // may reach into the padding; the surface itself only up to its edge.
    const D3DBOX lockable = use == CopyUse::ThroughCopy ? CopyExtent(desc) : whole;
    LockArea area = {lockable, true};
    if (partial)
        area = WidenToStorageUnits(desc.Format, region, lockable);

    RECT lockRect = {LONG(area.box.Left), LONG(area.box.Top), LONG(area.box.Right), LONG(area.box.Bottom)};
    IDirect3DSurface8* target = use == CopyUse::ThroughCopy ? copy_.Get() : surface;
    D3DLOCKED_RECT locked{};
    hr = target->LockRect(&locked, area.whole ? nullptr : &lockRect, flags);
    if (FAILED(hr)) {
        DebugPrintf(0, "Could not lock surface");
        Forget();
        return hr;
    }
    surface_ = surface;
    options_ = options;

    DescribeLockedImage(locked.pBits, UINT(locked.Pitch), 0, desc.Format, whole, region, area, palette, image);
    return S_OK;
}

SurfaceLock::CopyUse SurfaceLock::ChooseCopyUse(IDirect3DSurface8* surface, const D3DSURFACE_DESC& desc,
                                                DWORD& usage)
{
    if (desc.Pool != D3DPOOL_DEFAULT || (desc.Usage & D3DUSAGE_DYNAMIC))
        return CopyUse::Direct;
    // A default-pool texture level that is not dynamic cannot be locked.
    if (IsTextureLevel(surface))
        return CopyUse::ThroughCopy;
    // A stand-alone default-pool surface: only the device knows whether it
    // was made lockable.
    DWORD reportedUsage = 0;
    const BOOL lockable = SoftD3D8QuerySurfaceLockable(surface, &reportedUsage);
    usage = reportedUsage;
    return lockable ? CopyUse::Direct : CopyUse::ThroughCopy;
}

HRESULT SurfaceLock::MakeCopy(IDirect3DSurface8* surface, const D3DSURFACE_DESC& desc, CopyFill fill)
{
    HRESULT hr = surface->GetDevice(device_.Receive());
    if (SUCCEEDED(hr)) {
        const D3DBOX extent = CopyExtent(desc);
        hr = device_->CreateImageSurface(extent.Right, extent.Bottom, desc.Format, copy_.Receive());
    }
    if (SUCCEEDED(hr) && fill == CopyFill::CurrentPixels)
        hr = device_->CopyRects(surface, nullptr, 0, copy_.Get(), nullptr);
    if (FAILED(hr))
        DebugPrintf(0, "Failed to create sysmem copy of vidmem surface");
    return hr;
}

HRESULT SurfaceLock::Release()
{
    if (!surface_)
        return S_OK;
    HRESULT result = S_OK;
    if (copy_) {
        copy_->UnlockRect();
        if (!(options_ & LOCK_READ_ONLY))
            result = device_->CopyRects(copy_.Get(), nullptr, 0, surface_, nullptr);
        if (FAILED(result))
            DebugPrintf(0, "Update of vidmem texture failed");
    } else {
        surface_->UnlockRect();
    }
    Forget();
    return FAILED(result) ? result : S_OK;
}

void SurfaceLock::Forget()
{
    copy_.Reset();
    device_.Reset();
    surface_ = nullptr;
    options_ = 0;
}
