// IMAGE_FILTER_POINT: nearest-sample resampling in 16.16 fixed point,
// starting at source index 0 and truncating (no half-pixel offset).
#include "r3az8/tex/working_memory.h"
#include "r3az8/tex/blitter.h"

namespace {

// Source pixels per destination pixel in 16.16 fixed point. Kept in 64 bits:
// a source of 65536 or more pixels would wrap a 32-bit product, and the
// steps of smaller images come out the same either way.
inline uint64_t Step(UINT source, UINT destination) { return (uint64_t(source) << 16) / destination; }

bool IsEmpty(const PixelCodec& codec) { return codec.Width == 0 || codec.Height == 0 || codec.Depth == 0; }

} // namespace

HRESULT Blitter::FilterPoint()
{
    if (FilterType(Filter) != IMAGE_FILTER_POINT)
        return E_FAIL;
    PixelCodec& src = *pSrc;
    PixelCodec& dest = *pDest;
    // Nothing to sample from, or nothing to sample for (and no division by 0).
    if (IsEmpty(src) || IsEmpty(dest))
        return E_FAIL;

    const uint64_t stepX = Step(src.Width, dest.Width);
    const uint64_t stepY = Step(src.Height, dest.Height);
    const uint64_t stepZ = Step(src.Depth, dest.Depth);

    WorkingArray<FloatColor> sourceRow = AllocateWorkingArray<FloatColor>(src.Width, Contents::Uninitialised);
    WorkingArray<FloatColor> destRow = AllocateWorkingArray<FloatColor>(dest.Width, Contents::Uninitialised);
    if (!sourceRow || !destRow)
        return E_OUTOFMEMORY;

    for (UINT z = 0; z < dest.Depth; ++z) {
        const UINT slice = UINT((z * stepZ) >> 16);
        bool haveRow = false;
        UINT heldRow = 0;
        for (UINT y = 0; y < dest.Height; ++y) {
            const UINT row = UINT((y * stepY) >> 16);
            if (!haveRow || row != heldRow) {
                src.ReadRow(row, slice, sourceRow.get());
                heldRow = row;
                haveRow = true;
            }
            for (UINT x = 0; x < dest.Width; ++x)
                destRow[x] = sourceRow[(x * stepX) >> 16];
            dest.WriteRow(y, z, destRow.get());
        }
    }
    return S_OK;
}
