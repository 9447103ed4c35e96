// OpenEXR output: one picture, level 0 of a 2D texture of floats.
#pragma once

#include "r3az8/tex/texture/texture_image.h"
#include "r3az8/tex/texture_files.h"

#include <vector>

namespace r3az8tex {

// Level 0 of a 2D texture in A32B32G32R32F or A16B16G16R16F as a scanline
// OpenEXR file (ZIP-compressed, the format's usual choice) with channels
// R, G, B and, unless dropped, A, stored as half or as 32-bit floats.
// Finite values beyond the largest half (65504) are stored as it in half
// files. Throws TextureError (Unsupported) for other formats.
std::vector<BYTE> EncodeExr(const TextureImage& image, FloatSamples samples, AlphaOutput alpha);

} // namespace r3az8tex
