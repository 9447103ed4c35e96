// Loading a volume from memory or from another volume.
#include "r3az8/tex/debug.h"
#include "r3az8/tex/load.h"
#include "r3az8/tex/load/memory_source.h"
#include "r3az8/tex/load/volume_lock.h"

namespace {

// A caller's memory box is trusted to be readable, but an inverted one would
// make the blit walk a wrapped-around size.
bool BoxWellFormed(const D3DBOX& box)
{
    return box.Left <= box.Right && box.Top <= box.Bottom && box.Front <= box.Back;
}

} // namespace

HRESULT LoadVolumeFromMemory(IDirect3DVolume8* pDestVolume, const PALETTEENTRY* pDestPalette,
                             const D3DBOX* pDestBox, const void* pSrcMemory, D3DFORMAT SrcFormat, UINT SrcRowPitch,
                             UINT SrcSlicePitch, const PALETTEENTRY* pSrcPalette, const D3DBOX* pSrcBox,
                             DWORD Filter, D3DCOLOR ColorKey)
{
    if (!ArgumentGiven(pDestVolume, "pDestVolume"))
        return D3DERR_INVALIDCALL;
    if (!ArgumentGiven(pSrcMemory, "pSrcMemory"))
        return D3DERR_INVALIDCALL;
    if (!ArgumentGiven(pSrcBox, "pSrcBox"))
        return D3DERR_INVALIDCALL;
    if (Filter == IMAGE_FILTER_DEFAULT)
        Filter = IMAGE_FILTER_LOAD_DEFAULT;

    VolumeLock destLock;
    ImageDesc dest{};
    HRESULT hr = destLock.Lock(pDestVolume, pDestPalette, pDestBox, 0, dest);
    if (FAILED(hr))
        return hr;

    if (!BoxWellFormed(*pSrcBox)) {
        DebugPrintf(0, "Invalid source box");
        return D3DERR_INVALIDCALL;
    }
    return BlitFromMemory(dest, pSrcMemory, SrcFormat, SrcRowPitch, SrcSlicePitch, *pSrcBox, pSrcPalette, Filter,
                          ColorKey);
}

HRESULT LoadVolumeFromVolume(IDirect3DVolume8* pDestVolume, const PALETTEENTRY* pDestPalette,
                             const D3DBOX* pDestBox, IDirect3DVolume8* pSrcVolume, const PALETTEENTRY* pSrcPalette,
                             const D3DBOX* pSrcBox, DWORD Filter, D3DCOLOR ColorKey)
{
    if (!ArgumentGiven(pDestVolume, "pDestVolume"))
        return D3DERR_INVALIDCALL;
    if (!ArgumentGiven(pSrcVolume, "pSrcVolume"))
        return D3DERR_INVALIDCALL;

    // The volume lock ignores the separate-copy bit, so a volume loaded from
    // itself stays locked as the source and its destination lock fails
    // ("Could not lock volume").
    DWORD options = LOCK_READ_ONLY;
    if (pSrcVolume == pDestVolume)
        options |= LOCK_SEPARATE_COPY;
    VolumeLock srcLock;
    ImageDesc src{};
    HRESULT hr = srcLock.Lock(pSrcVolume, pSrcPalette, pSrcBox, options, src);
    if (FAILED(hr))
        return hr;

    hr = LoadVolumeFromMemory(pDestVolume, pDestPalette, pDestBox, src.pData, src.Format, src.RowPitch,
                              src.SlicePitch, pSrcPalette, &src.Region, Filter, ColorKey);
    return FAILED(hr) ? hr : S_OK;
}
