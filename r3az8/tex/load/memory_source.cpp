// Argument checks and the memory source of the load operations.
#include "r3az8/tex/load/memory_source.h"

#include "r3az8/tex/blitter.h"
#include "r3az8/tex/debug.h"

bool ArgumentGiven(const void* pointer, const char* name)
{
    if (pointer != nullptr)
        return true;
    DebugPrintf(0, "%s pointer is invalid", name);
    return false;
}

HRESULT BlitFromMemory(ImageDesc& dest, const void* pSrcMemory, D3DFORMAT format, UINT rowPitch, UINT slicePitch,
                       const D3DBOX& box, const PALETTEENTRY* pPalette, DWORD filter, D3DCOLOR colorKey)
{
    ImageDesc src{};
    src.pData = const_cast<void*>(pSrcMemory); // a source is only read
    src.Format = format;
    src.RowPitch = rowPitch;
    src.SlicePitch = slicePitch;
    src.Extent = box;
    src.Region = box;
    src.Dither = 0;
    src.ColorKey = colorKey;
    src.pPalette = pPalette;

    Blitter blitter;
    const HRESULT hr = blitter.Blit(dest, src, filter);
    return FAILED(hr) ? hr : S_OK;
}
