// What a texture file holds, from its header alone: enough to name the
// files its textures become before any pixel is read.
#pragma once

#include "r3az8/tex/texture/texture_image.h"

#include <span>
#include <string>

namespace r3az8tex {

struct FileShape {
    TextureKind kind;
    uint32_t depth;  // slices of a volume, 1 otherwise
    uint32_t layers; // textures of an array, 1 for a single texture
};

// A picture file (PNG, TGA, JPEG) is one 2D texture; a DDS file says in its
// header. Throws TextureError naming the file (Malformed, Unsupported) for a
// header its reader would refuse.
FileShape DescribeTextureFile(std::span<const BYTE> bytes, const std::string& name);

} // namespace r3az8tex
