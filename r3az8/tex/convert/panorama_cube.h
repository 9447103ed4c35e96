// A cube map made from one equirectangular panorama (longitude across,
// latitude down, twice as wide as high: the usual form of an HDR sky).
//
// Faces follow the Direct3D cube map convention (left-handed, y up), in
// the order +X, -X, +Y, -Y, +Z, -Z. The panorama's centre column looks
// toward +Z, the column a quarter of the width to its right toward +X, its
// top row straight up (+Y). Texel (x, y) of a face of side n, with
// s = 2(x + 0.5)/n - 1 and t = 2(y + 0.5)/n - 1, looks along
//
//   +X ( 1, -t, -s)   -X (-1, -t,  s)   +Y ( s,  1,  t)
//   -Y ( s, -1, -t)   +Z ( s, -t,  1)   -Z (-s, -t, -1)
//
// as the cube map face selection of the public Direct3D and OpenGL
// documentation reads it back; each texel is the panorama sampled
// bilinearly there (wrapping around in longitude, held at the poles).
#pragma once

#include "r3az8/tex/texture/texture_image.h"

#include <string>

namespace r3az8tex {

// Whether a texture is shaped as a panorama: 2D, twice as wide as high.
bool IsPanorama(const TextureImage& texture);

// The six faces, `faceSize` pixels a side (0: a quarter of the panorama's
// width), from level 0 of the panorama. Float panoramas give an
// A32B32G32R32F cube, others an A16R16G16B16 one, of the panorama's
// colour space (sampled in the values as stored). Throws TextureError
// (Unsupported, naming `name`) for a texture that is not a panorama.
TextureImage CubeFromPanorama(const TextureImage& panorama, uint32_t faceSize, const std::string& name);

} // namespace r3az8tex
