// A picture of where two textures differ (r3aztex diff --diff-image).
#pragma once

#include "r3az8/tex/compare/image_difference.h"

#include <optional>

namespace r3az8tex {

// Where the pictures of a heat map go: `perColumn` stacked top to bottom
// in each of `columns` columns, a width x height picture in all.
struct HeatMapGrid {
    uint32_t columns;
    uint32_t perColumn;
    uint32_t width;
    uint32_t height;
};

// The grid for `tiles` pictures of width x height, or none when they do not
// fit within the limit of a side.
std::optional<HeatMapGrid> PlanHeatMap(uint32_t width, uint32_t height, uint32_t tiles);

struct HeatMap {
    TextureImage picture; // A8R8G8B8, 2D
    double scale;         // the error (0..255 scale) shown as white, and all above it
};

// Level 0 of two A16R16G16B16 textures of one shape: each pixel's error
// (the root mean square over its four channels, weighted as the measures
// weigh it) from black through red and yellow to white at `scale`: the
// error exceeded by only one pixel in a hundred, at least 1. Cube faces
// and volume slices are stacked top to bottom, in columns when that would
// be too tall (PlanHeatMap); throws TextureError (Unsupported) when even
// that does not fit.
HeatMap MakeHeatMap(const TextureImage& first, const TextureImage& second, AlphaWeighting weighting);

} // namespace r3az8tex
