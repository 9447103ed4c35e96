// Loading a volume from memory or from another volume.
#include "r3az8/tex/load.h"
#include "r3az8/tex/load/memory_source.h"
#include "r3az8/tex/load/volume_lock.h"

HRESULT LoadVolumeFromMemory(IDirect3DVolume8* pDestVolume, const PALETTEENTRY* pDestPalette,
                             const D3DBOX* pDestBox, const void* pSrcMemory, D3DFORMAT SrcFormat, UINT SrcRowPitch,
                             UINT SrcSlicePitch, const PALETTEENTRY* pSrcPalette, const D3DBOX* pSrcBox,
                             DWORD Filter, D3DCOLOR ColorKey)
{
    if (!ArgumentsGiven({{pDestVolume, "pDestVolume"}, {pSrcMemory, "pSrcMemory"}, {pSrcBox, "pSrcBox"}}))
        return D3DERR_INVALIDCALL;
    return LoadFromMemory<VolumeLock>(pDestVolume, pDestPalette, pDestBox, pSrcMemory, SrcFormat, SrcRowPitch,
                                      SrcSlicePitch, pSrcPalette, *pSrcBox, Filter, ColorKey);
}

HRESULT LoadVolumeFromVolume(IDirect3DVolume8* pDestVolume, const PALETTEENTRY* pDestPalette,
                             const D3DBOX* pDestBox, IDirect3DVolume8* pSrcVolume, const PALETTEENTRY* pSrcPalette,
                             const D3DBOX* pSrcBox, DWORD Filter, D3DCOLOR ColorKey)
{
    if (!ArgumentsGiven({{pDestVolume, "pDestVolume"}, {pSrcVolume, "pSrcVolume"}}))
        return D3DERR_INVALIDCALL;
    return LoadFromLockedSource<VolumeLock>(pSrcVolume, pDestVolume, pSrcPalette, pSrcBox, [&](ImageDesc& src) {
        return LoadVolumeFromMemory(pDestVolume, pDestPalette, pDestBox, src.pData, src.Format, src.RowPitch,
                                    src.SlicePitch, pSrcPalette, &src.Region, Filter, ColorKey);
    });
}
