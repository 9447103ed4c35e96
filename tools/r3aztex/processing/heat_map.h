// A picture of where two textures differ, for `diff --diff-image`.
#pragma once

#include "tools/r3aztex/processing/image_difference.h"

namespace r3aztex {

struct HeatMap {
    TextureImage picture; // A8R8G8B8, 2D
    double scale;         // the error (0..255 scale) shown as white, and all above it
};

// Level 0 of two A16R16G16B16 textures of one shape: each pixel's error
// (the root mean square over its four channels, weighted as the measures
// weigh it) from black through red and yellow to white at `scale`: the
// error exceeded by only one pixel in a hundred, at least 1. Cube faces
// and volume slices are stacked top to bottom.
HeatMap MakeHeatMap(const TextureImage& first, const TextureImage& second, AlphaWeighting weighting);

} // namespace r3aztex
