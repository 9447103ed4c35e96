// One level of a texture as the 2D pictures a picture file (PNG, EXR) holds:
// one for a 2D texture, one per cube face or volume slice, decoded by the
// library into 8 or 16 bits per channel, or into 32-bit floats.
#pragma once

#include "r3az8/tex/texture/texture_image.h"
#include "r3az8/tex/texture_files.h"

#include <vector>

namespace r3az8tex {

// Samples of the pictures: 8 bits, or as many as the texture's format holds
// (16 for formats of more than 8 bits a channel), or 32-bit floats, which
// keep float values beyond 0..1 as they are.
enum class PictureDepth { Eight, OfFormat, Float };

struct LevelPictures {
    // A8R8G8B8, A16R16G16B16 or A32B32G32R32F: cube faces in order, or
    // volume slices.
    std::vector<TextureImage> pictures;
    bool wide;         // 16 bits per channel, or floats
    AlphaOutput alpha; // Drop for a format without alpha
    uint32_t width, height, depth;
};

// Level `level` (which the texture must have) of every face and slice.
// One-channel data shows as grey and two-channel data as red and green with
// blue 0, as other viewers show such files.
LevelPictures PicturesOfLevel(const TextureImage& texture, uint32_t level, PictureDepth depth);

} // namespace r3az8tex
