#include "r3az8/tex/load/volume_lock.h"

#include "r3az8/tex/debug.h"
#include "r3az8/tex/load/containers.h"
#include "r3az8/tex/load/lock_area.h"

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
    D3DBOX region;
    bool partial;
    if (!ChooseRegion(box, whole, region, partial)) {
        DebugPrintf(0, "Invalid source box");
        return D3DERR_INVALIDCALL;
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

    DescribeLockedImage(locked.pBits, UINT(locked.RowPitch), UINT(locked.SlicePitch), desc.Format, whole, region, area,
                        palette, image);
    return S_OK;
}

HRESULT VolumeLock::Release()
{
    if (volume_) {
        volume_->UnlockBox();
        volume_ = nullptr;
    }
    return S_OK;
}
