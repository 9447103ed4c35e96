#include "r3az8/tex/load/load_into_memory.h"

#include "r3az8/tex/codecs/format_catalogue.h"
#include "r3az8/tex/load/memory_source.h"
#include "r3az8/tex/load/request_rules.h"

bool LoadsIntoMemory(D3DFORMAT format)
{
    const CodecFormat* entry = FindCodecFormat(format);
    return entry != nullptr && entry->storage != PixelStorage::PixelPair && format != D3DFMT_P8 &&
           format != D3DFMT_A8P8;
}

HRESULT LoadMemoryFromMemory(void* pDestMemory, D3DFORMAT DestFormat, UINT DestPitch, UINT DestWidth,
                             UINT DestHeight, UINT SurfaceHeight, const void* pSrcMemory, D3DFORMAT SrcFormat,
                             UINT SrcPitch, const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect, DWORD Filter,
                             D3DCOLOR ColorKey)
{
    const HRESULT refused = FirstBrokenRule({
        {pDestMemory == nullptr, "pDestMemory pointer is invalid", D3DERR_INVALIDCALL},
        {pSrcMemory == nullptr, "pSrcMemory pointer is invalid", D3DERR_INVALIDCALL},
        {pSrcRect == nullptr, "pSrcRect pointer is invalid", D3DERR_INVALIDCALL},
        {!LoadsIntoMemory(DestFormat), "A destination in memory needs whole pixels or blocks", D3DERR_INVALIDCALL},
        {DestWidth == 0 || DestHeight == 0 || DestHeight > SurfaceHeight, "Invalid rect", D3DERR_INVALIDCALL},
    });
    if (FAILED(refused))
        return refused;
    D3DBOX box;
    if (!SourceBox(*pSrcRect, box))
        return D3DERR_INVALIDCALL;
    // The destination as the lock of its rows at the top of the surface
    // describes them: the surface's extent, the rows' region, no palette.
    const D3DBOX surface = {0, 0, DestWidth, SurfaceHeight, 0, 1};
    const D3DBOX rows = {0, 0, DestWidth, DestHeight, 0, 1};
    ImageDesc dest = {pDestMemory, DestFormat, DestPitch, 0, surface, rows, 0, 0, nullptr};
    return BlitFromMemory(dest, pSrcMemory, SrcFormat, SrcPitch, 0, box, pSrcPalette, Filter, ColorKey);
}
