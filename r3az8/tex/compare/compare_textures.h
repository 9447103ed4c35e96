// Two textures compared the way a person judging compression compares them:
// each decoded by the library to 16 bits per channel (float values held to
// 0..1), colour weighted by alpha when either side has transparency, and
// for normal maps the angle between the vectors.
#pragma once

#include "r3az8/tex/compare/heat_map.h"
#include "r3az8/tex/compare/image_difference.h"

#include <array>
#include <vector>

namespace r3az8tex {

struct CompareOptions {
    // Off counts colour under transparent pixels fully.
    bool weightByAlpha = true;
    // The textures hold normals: angles are measured, and colour is never
    // weighted by alpha, which in a normal map is usually height.
    bool normalMap = false;
};

struct Comparison {
    std::vector<LevelDifference> levels; // every face, the levels both have
    AlphaWeighting weighting;
    std::array<TextureImage, 2> decoded; // A16R16G16B16, for MakeHeatMap
};

// Both must have one kind and one level-0 size (TextureError, Unsupported,
// otherwise); the levels compared are those both have.
Comparison CompareTextures(const TextureImage& first, const TextureImage& second, const CompareOptions& options);

// The heat map of a comparison's level 0 (see heat_map.h).
inline HeatMap MakeHeatMap(const Comparison& comparison)
{
    return MakeHeatMap(comparison.decoded[0], comparison.decoded[1], comparison.weighting);
}

} // namespace r3az8tex
