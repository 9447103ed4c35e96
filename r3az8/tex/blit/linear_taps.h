// The two source samples, with their weights, of each destination index of
// one axis of the linear filter.
#pragma once

#include "r3az8/tex/blit/edge_mode.h"
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
