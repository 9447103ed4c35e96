// The two source samples, with their weights, of each destination index of
// one axis of the linear filter.
#pragma once

#include "r3az8/tex/blit/edge_mode.h"
#include "r3az8/tex/pixel_codec.h"
#include "r3az8/tex/working_memory.h"

struct LinearTap {
    int32_t index0;
    float weight0;
    int32_t index1;
    float weight1; // weight0 + weight1 = 1
};
static_assert(sizeof(LinearTap) == 16);

// One tap per destination index 0 .. destSize - 1; destination index i
// samples the source at i x (sourceSize / destSize) - 0.5. Indices past an
// edge wrap around or stay at the edge by the mode; every index returned
// lies in 0 .. sourceSize - 1. Null when memory runs out or either size is 0.
WorkingArray<LinearTap> MakeLinearTaps(UINT destSize, UINT sourceSize, EdgeMode edge);

// The linear filter's blend, shared by the whole-image filter (linear.cpp)
// and the filter of a band of destination rows (band_filters.cpp).
inline float Lerp(float weight0, float value0, float weight1, float value1)
{
    return weight0 * value0 + weight1 * value1;
}

// wy0 x (wx0 x near[i0] + wx1 x near[i1]) + wy1 x (wx0 x far[i0] + wx1 x far[i1]), per channel.
inline FloatColor Bilinear(const FloatColor* nearRow, const FloatColor* farRow, const LinearTap& xTap,
                           const LinearTap& yTap)
{
    const FloatColor& n0 = nearRow[xTap.index0];
    const FloatColor& n1 = nearRow[xTap.index1];
    const FloatColor& f0 = farRow[xTap.index0];
    const FloatColor& f1 = farRow[xTap.index1];
    auto blend = [&](float FloatColor::*channel) {
        return Lerp(yTap.weight0, Lerp(xTap.weight0, n0.*channel, xTap.weight1, n1.*channel), yTap.weight1,
                    Lerp(xTap.weight0, f0.*channel, xTap.weight1, f1.*channel));
    };
    return {blend(&FloatColor::r), blend(&FloatColor::g), blend(&FloatColor::b), blend(&FloatColor::a)};
}
