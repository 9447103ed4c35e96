#include "r3az8/tex/blit/linear_taps.h"

#include <cmath>
#include <cstdint>

WorkingArray<LinearTap> MakeLinearTaps(UINT destSize, UINT sourceSize, EdgeMode edge)
{
    // Indices are signed 32-bit; no image that large could be decoded anyway.
    if (destSize == 0 || sourceSize == 0 || sourceSize > uint32_t(INT32_MAX))
        return nullptr;
    WorkingArray<LinearTap> taps = AllocateWorkingArray<LinearTap>(destSize, Contents::Uninitialised);
    if (!taps)
        return nullptr;

    const int32_t last = int32_t(sourceSize - 1);
    const float scale = float(sourceSize) / float(destSize);
    for (UINT i = 0; i < destSize; ++i) {
        // Sampling starts half a source pixel left of index 0, not at the
        // centre of the destination pixel: (i + 0.5) x scale is not used.
        const float x = float(i) * scale - 0.5f;
        const float whole = std::floor(x);
        LinearTap& tap = taps[i];
        // x >= -0.5, so whole >= -1; above, the conversion is kept in range
        // for the clamp below.
        const int64_t index = whole < float(sourceSize) ? int64_t(whole) : int64_t(sourceSize);
        tap.index0 = int32_t(index);
        tap.index1 = int32_t(index + 1 > last ? last + 1 : index + 1);
        tap.weight0 = 1.0f - (x - whole);
        tap.weight1 = 1.0f - tap.weight0;
        if (tap.index0 < 0)
            tap.index0 = edge == EdgeMode::Wrap ? last : 0;
        if (tap.index1 > last)
            tap.index1 = edge == EdgeMode::Wrap ? 0 : last;
        // Only sizes beyond float precision (2^23 and up) can round the last
        // position up to the edge itself; keep even those inside.
        if (tap.index0 > last)
            tap.index0 = last;
    }
    return taps;
}
