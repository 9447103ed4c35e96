// IMAGE_FILTER_NONE: the overlapping top-left part is copied pixel for
// pixel without scaling; the rest of the destination becomes transparent
// black.
#include "r3az8/tex/working_memory.h"
#include "r3az8/tex/blitter.h"

#include <algorithm>

HRESULT Blitter::FilterNone()
{
    if (FilterType(Filter) != IMAGE_FILTER_NONE)
        return E_FAIL;
    PixelCodec& src = *pSrc;
    PixelCodec& dest = *pDest;
    const UINT width = std::max(src.Width, dest.Width);
    const UINT height = std::min(src.Height, dest.Height);
    const UINT depth = std::min(src.Depth, dest.Depth);

    // Wide enough for either side's row; the columns past the source width
    // are never read into and stay zero.
    WorkingArray<FloatColor> row = AllocateWorkingArray<FloatColor>(width, Contents::Zeroed);
    WorkingArray<FloatColor> zeros = AllocateWorkingArray<FloatColor>(dest.Width, Contents::Zeroed);
    if (!row || !zeros)
        return E_FAIL;

    for (UINT z = 0; z < depth; ++z) {
        for (UINT y = 0; y < height; ++y) {
            src.ReadRow(y, z, row.get());
            dest.WriteRow(y, z, row.get());
        }
        for (UINT y = height; y < dest.Height; ++y)
            dest.WriteRow(y, z, zeros.get());
    }
    for (UINT z = depth; z < dest.Depth; ++z)
        for (UINT y = 0; y < dest.Height; ++y)
            dest.WriteRow(y, z, zeros.get());
    return S_OK;
}
