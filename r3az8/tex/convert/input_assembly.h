// Building one cube map or volume texture out of several 2D inputs.
#pragma once

#include "r3az8/tex/texture/texture_image.h"

#include <string>
#include <vector>

namespace r3az8tex {

// Six images in face order (+x, -x, +y, -y, +z, -z), square and of one
// size; their level 0 becomes the cube's only level. Images of different
// formats are first brought to A16R16G16B16 by the library.
TextureImage AssembleCube(const std::vector<TextureImage>& faces, const std::vector<std::string>& names);

// Images of one size as the slices of a one-level volume, first to last.
TextureImage AssembleVolume(const std::vector<TextureImage>& slices, const std::vector<std::string>& names);

// Two or more 2D images of one size as the textures of an array, level 0 of
// each, brought to one format as AssembleCube brings faces.
std::vector<TextureImage> AssembleArray(const std::vector<TextureImage>& images, const std::vector<std::string>& names);

} // namespace r3az8tex
