// Loading a volume from memory or from another volume.
#include "r3az8/tex/blitter.h"
#include "r3az8/tex/debug.h"
#include "r3az8/tex/load.h"
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
    if (!pDestVolume) {
        DebugPrintf(0, "pDestVolume pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    if (!pSrcMemory) {
        DebugPrintf(0, "pSrcMemory pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    if (!pSrcBox) {
        DebugPrintf(0, "pSrcBox pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
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
    ImageDesc src{};
    src.pData = const_cast<void*>(pSrcMemory); // a source is only read
    src.Format = SrcFormat;
    src.RowPitch = SrcRowPitch;
    src.SlicePitch = SrcSlicePitch;
    src.Extent = *pSrcBox;
    src.Region = *pSrcBox;
    src.Dither = 0;
    src.ColorKey = ColorKey;
    src.pPalette = pSrcPalette;

    Blitter blitter;
    hr = blitter.Blit(dest, src, Filter);
    return FAILED(hr) ? hr : S_OK;
}

HRESULT LoadVolumeFromVolume(IDirect3DVolume8* pDestVolume, const PALETTEENTRY* pDestPalette,
                             const D3DBOX* pDestBox, IDirect3DVolume8* pSrcVolume, const PALETTEENTRY* pSrcPalette,
                             const D3DBOX* pSrcBox, DWORD Filter, D3DCOLOR ColorKey)
{
    if (!pDestVolume) {
        DebugPrintf(0, "pDestVolume pointer is invalid");
        return D3DERR_INVALIDCALL;
    }
    if (!pSrcVolume) {
        DebugPrintf(0, "pSrcVolume pointer is invalid");
        return D3DERR_INVALIDCALL;
    }

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
