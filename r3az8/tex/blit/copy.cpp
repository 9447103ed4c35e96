// The same-size operations: raw copies of rows or 4x4 block rows between
// images of one format, and the decode-encode copy for everything else.
#include "r3az8/tex/blitter.h"

#include "r3az8/tex/working_memory.h"

#include <cstdint>
#include <cstring>

namespace {

bool SameSize(const PixelCodec& a, const PixelCodec& b)
{
    return a.Width == b.Width && a.Height == b.Height && a.Depth == b.Depth;
}

bool PalettesEqual(const PixelCodec& a, const PixelCodec& b)
{
    for (int entry = 0; entry < 256; ++entry) {
        const FloatColor& x = a.Palette[entry];
        const FloatColor& y = b.Palette[entry];
        if (x.r != y.r || x.g != y.g || x.b != y.b || x.a != y.a)
            return false;
    }
    return true;
}

// Copies `lines` runs of `bytes` bytes in each of `slices` slices. When the
// two sides overlap in memory (a region copied within one image), the runs
// are visited in the order that reads every source run before a write can
// reach it, so the result is that of copying from an untouched source.
void CopyRuns(BYTE* target, const BYTE* source, std::size_t bytes, UINT lines, UINT slices, UINT targetRowPitch,
              UINT sourceRowPitch, UINT targetSlicePitch, UINT sourceSlicePitch)
{
    const bool backwards = reinterpret_cast<std::uintptr_t>(target) > reinterpret_cast<std::uintptr_t>(source);
    for (UINT sliceStep = 0; sliceStep < slices; ++sliceStep) {
        const UINT slice = backwards ? slices - 1 - sliceStep : sliceStep;
        for (UINT lineStep = 0; lineStep < lines; ++lineStep) {
            const UINT line = backwards ? lines - 1 - lineStep : lineStep;
            std::memmove(target + std::size_t{slice} * targetSlicePitch + std::size_t{line} * targetRowPitch,
                         source + std::size_t{slice} * sourceSlicePitch + std::size_t{line} * sourceRowPitch, bytes);
        }
    }
}

// Bytes of one 4x4 block, or 0 when the format is not block-compressed.
UINT BlockBytes(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_DXT1:
        return 8;
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
        return 16;
    default:
        return 0;
    }
}

bool BlockAligned(const D3DBOX& region)
{
    return region.Left % 4 == 0 && region.Top % 4 == 0 && region.Right % 4 == 0 && region.Bottom % 4 == 0;
}

BYTE* BlockStart(const PixelCodec& codec, UINT blockBytes)
{
    const D3DBOX& region = codec.Region;
    return codec.pData + std::size_t{region.Top / 4} * codec.RowPitch + std::size_t{region.Front} * codec.SlicePitch +
           std::size_t{blockBytes} * (region.Left / 4);
}

} // namespace

HRESULT Blitter::BlitSameFormat()
{
    if (pDest->Format != pSrc->Format || pSrc->ColorKey != 0 || !SameSize(*pDest, *pSrc))
        return E_FAIL;
    if (!pDest->PackedPixels)
        return BlitSameFormatBlocks();
    // Indices mean the same colours only under the same palette.
    if (pDest->Paletted && pDest != pSrc && !PalettesEqual(*pDest, *pSrc))
        return E_FAIL;
    CopyRuns(pDest->pData, pSrc->pData, pDest->RowBytes, pDest->Height, pDest->Depth, pDest->RowPitch, pSrc->RowPitch,
             pDest->SlicePitch, pSrc->SlicePitch);
    return S_OK;
}

HRESULT Blitter::BlitSameFormatBlocks()
{
    const UINT blockBytes = BlockBytes(pDest->Format);
    if (blockBytes == 0 || !BlockAligned(pDest->Region) || !BlockAligned(pSrc->Region))
        return E_FAIL;
    BYTE* target = BlockStart(*pDest, blockBytes);
    const BYTE* source = BlockStart(*pSrc, blockBytes);
    CopyRuns(target, source, std::size_t{blockBytes} * (pDest->Width / 4), (pDest->Height + 3) / 4, pDest->Depth,
             pDest->RowPitch, pSrc->RowPitch, pDest->SlicePitch, pSrc->SlicePitch);
    return S_OK;
}

HRESULT Blitter::BlitConvert()
{
    if (!SameSize(*pDest, *pSrc))
        return E_FAIL;
    WorkingArray<FloatColor> row = AllocateWorkingArray<FloatColor>(pDest->Width, Contents::Uninitialised);
    if (!row)
        return E_FAIL;
    for (UINT slice = 0; slice < pDest->Depth; ++slice) {
        for (UINT y = 0; y < pDest->Height; ++y) {
            pSrc->ReadRow(y, slice, row.get());
            pDest->WriteRow(y, slice, row.get());
        }
    }
    return S_OK;
}
