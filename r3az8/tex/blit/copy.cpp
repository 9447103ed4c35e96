// The same-size operations: raw copies of rows or 4x4 block rows between
// images of one format, and the decode-encode copy for everything else.
// Block rows are copied even where an image's width or height is not a
// multiple of 4: decoding and encoding its partial edge blocks again would
// change them.
#include "r3az8/tex/blitter.h"

#include "r3az8/tex/codecs/dxt_codec.h"
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

// Whether the region starts on block edges and ends on them, or at the
// image's own right and bottom edge: a last, partial block there holds no
// pixel outside the image, so copying it whole changes nothing else. (Only
// a region of a whole image ends there: one locked at an offset is measured
// from its corner, so it never matches the image's size.)
bool CoversWholeBlocks(const DxtCodec& codec)
{
    const D3DBOX& region = codec.Region;
    return region.Left % 4 == 0 && region.Top % 4 == 0 &&
           (region.Right % 4 == 0 || region.Right == codec.ImageWidth) &&
           (region.Bottom % 4 == 0 || region.Bottom == codec.ImageHeight);
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
    // Both sides are block codecs of one format and size (BlitSameFormat
    // checked); the pixel-pair formats decline here.
    const auto* dest = dynamic_cast<const DxtCodec*>(pDest);
    const auto* src = dynamic_cast<const DxtCodec*>(pSrc);
    if (dest == nullptr || src == nullptr || !CoversWholeBlocks(*dest) || !CoversWholeBlocks(*src))
        return E_FAIL;
    // Equal widths from block-aligned lefts end inside a block on both
    // sides or on neither, so the two copy the same number of blocks.
    const UINT blockBytes = dest->BlockBytes;
    BYTE* target = BlockStart(*pDest, blockBytes);
    const BYTE* source = BlockStart(*pSrc, blockBytes);
    CopyRuns(target, source, std::size_t{blockBytes} * ((pDest->Width + 3) / 4), (pDest->Height + 3) / 4,
             pDest->Depth, pDest->RowPitch, pSrc->RowPitch, pDest->SlicePitch, pSrc->SlicePitch);
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
