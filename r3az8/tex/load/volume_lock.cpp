#include "r3az8/tex/load/volume_lock.h"

#include "r3az8/tex/debug.h"
#include "r3az8/tex/load/containers.h"
#include "r3az8/tex/load/lock_area.h"

namespace {

bool BoxInside(const D3DBOX& box, const D3DVOLUME_DESC& desc)
{
    return box.Left <= box.Right && box.Right <= desc.Width && box.Top <= box.Bottom && box.Bottom <= desc.Height &&
           box.Front <= box.Back && box.Back <= desc.Depth;
}

} // namespace

HRESULT VolumeLock::Lock(IDirect3DVolume8* volume, const PALETTEENTRY* palette, const D3DBOX* box, DWORD options,
                         ImageDesc& image)
{
    Release();
    if (!volume)
        return D3DERR_INVALIDCALL;

    D3DVOLUME_DESC desc{};
    HRESULT hr = volume->GetDesc(&desc);
    if (FAILED(hr))
        return hr;

    const D3DBOX whole = {0, 0, desc.Width, desc.Height, 0, desc.Depth};
    D3DBOX region = whole;
    bool partial = false;
    if (box) {
        if (!BoxInside(*box, desc)) {
            DebugPrintf(0, "Invalid source box");
            return D3DERR_INVALIDCALL;
        }
        region = *box;
        partial = !SameBox(region, whole);
    }
    const bool wholeWrite = !partial && !(options & LOCK_READ_ONLY);

    if (desc.Pool == D3DPOOL_DEFAULT && !(desc.Usage & D3DUSAGE_DYNAMIC)) {
        DebugPrintf(0, "Cannot lock non-dynamic vidmem volumes");
        return D3DERR_INVALIDCALL;
    }

    DWORD flags = D3DLOCK_NOSYSLOCK;
    if (options & LOCK_READ_ONLY)
        flags |= D3DLOCK_READONLY;
    // Nothing of the old contents survives a whole write, so a dynamic
    // volume may hand out fresh memory.
    if (wholeWrite && (desc.Usage & D3DUSAGE_DYNAMIC) && IsLevelOfSingleLevelVolumeTexture(volume))
        flags |= D3DLOCK_DISCARD;

    // LOCK_SEPARATE_COPY has no meaning here: volumes have no copy path, so
    // a volume loaded from itself is still locked when its destination lock
    // is asked for, and that lock fails.
    LockArea area = {whole, true};
    if (partial)
        area = WidenToStorageUnits(desc.Format, region, whole);

    D3DLOCKED_BOX locked{};
    hr = volume->LockBox(&locked, area.whole ? nullptr : &area.box, flags);
    if (FAILED(hr)) {
        DebugPrintf(0, "Could not lock volume");
        return hr;
    }
    volume_ = volume;

    if (!area.whole) {
        // pBits addresses the locked area's corner.
        region.Left -= area.box.Left;
        region.Right -= area.box.Left;
        region.Top -= area.box.Top;
        region.Bottom -= area.box.Top;
        region.Front -= area.box.Front;
        region.Back -= area.box.Front;
    }
    image.pData = locked.pBits;
    image.Format = desc.Format;
    image.RowPitch = UINT(locked.RowPitch);
    image.SlicePitch = UINT(locked.SlicePitch);
    image.Extent = whole;
    image.Region = region;
    image.Dither = 1;
    image.ColorKey = 0;
    image.pPalette = palette;
    return S_OK;
}

void VolumeLock::Release()
{
    if (!volume_)
        return;
    volume_->UnlockBox();
    volume_ = nullptr;
}
