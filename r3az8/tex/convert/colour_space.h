// The conversion's own per-pixel work on A16R16G16B16 data (four little-endian
// 16-bit samples per pixel: blue, green, red, alpha): the sRGB transfer
// curve for gamma-correct filtering, and normal renormalisation. Each
// function works on any run of whole pixels, so callers can split a level
// into pieces and run them in parallel.
#pragma once

#include "r3az8/tex/texture/texture_image.h"
#include "win32.h"

#include <span>

namespace r3az8tex {

// sRGB-encoded to linear light, and back, on red, green and blue; alpha is
// coverage, not light, and stays as it is.
void SrgbToLinear(std::span<BYTE> pixels);
void LinearToSrgb(std::span<BYTE> pixels);

enum class MissingZ { Keep, Rebuild };

// Whether any pixel of an A16R16G16B16 texture has alpha below full.
bool AnyTransparent(const TextureImage& texture);

struct StoredVector {
    double x, y, z;
};

// The vector one pixel holds, each component stored as v * 0.5 + 0.5; with
// MissingZ::Rebuild, z is sqrt(1 - x^2 - y^2) whatever is stored.
StoredVector ReadVector(const BYTE* pixel, MissingZ missingZ);

// Reads each pixel as a vector (red, green, blue) = (x, y, z) stored as
// v * 0.5 + 0.5 and scales it to unit length. With MissingZ::Rebuild the
// z stored is ignored and rebuilt as sqrt(1 - x^2 - y^2), for formats
// that keep only x and y. A vector shorter than 0.01, which has no
// direction worth keeping, becomes (0, 0, 1).
void RenormaliseNormals(std::span<BYTE> pixels, MissingZ missingZ);

} // namespace r3az8tex
