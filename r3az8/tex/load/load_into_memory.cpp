#include "r3az8/tex/load/load_into_memory.h"

#include "r3az8/tex/codecs/format_catalogue.h"
#include "r3az8/tex/load/memory_source.h"
#include "r3az8/tex/load/request_rules.h"

bool LoadsIntoMemory(D3DFORMAT format)
{
    const CodecFormat* entry = FindCodecFormat(format);
    return entry != nullptr && entry->storage == PixelStorage::Packed && format != D3DFMT_P8 && format != D3DFMT_A8P8;
}

HRESULT LoadMemoryFromMemory(void* pDestMemory, D3DFORMAT DestFormat, UINT DestPitch, UINT DestWidth,
                             UINT DestHeight, const void* pSrcMemory, D3DFORMAT SrcFormat, UINT SrcPitch,
                             const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect, DWORD Filter, D3DCOLOR ColorKey)
{
    const HRESULT refused = FirstBrokenRule({
        {pDestMemory == nullptr, "pDestMemory pointer is invalid", D3DERR_INVALIDCALL},
        {pSrcMemory == nullptr, "pSrcMemory pointer is invalid", D3DERR_INVALIDCALL},
        {pSrcRect == nullptr, "pSrcRect pointer is invalid", D3DERR_INVALIDCALL},
        {!LoadsIntoMemory(DestFormat), "A destination in memory needs a format of whole pixels", D3DERR_INVALIDCALL},
        {DestWidth == 0 || DestHeight == 0, "Invalid rect", D3DERR_INVALIDCALL},
    });
    if (FAILED(refused))
        return refused;
    D3DBOX box;
    if (!SourceBox(*pSrcRect, box))
        return D3DERR_INVALIDCALL;
    // The destination as a locked whole surface describes it: its extent
    // and region are the whole image, its palette none.
    const D3DBOX whole = {0, 0, DestWidth, DestHeight, 0, 1};
    ImageDesc dest = {pDestMemory, DestFormat, DestPitch, 0, whole, whole, 0, 0, nullptr};
    return BlitFromMemory(dest, pSrcMemory, SrcFormat, SrcPitch, 0, box, pSrcPalette, Filter, ColorKey);
}
