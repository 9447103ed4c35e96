// The pictures a page shows of a texture: every layer, face, level and
// volume slice decoded by the library and inlined as data, in the JSON the
// page's script reads (page.js: "pictures").
//
// Pictures of 8-bit samples are PNG files (the library's writer): colour
// with the alpha dropped, and where any pixel is not opaque a second PNG of
// the alpha as grey. Kept apart, both read back exactly from a canvas,
// which would otherwise premultiply colour by alpha and lose the colour
// under transparent pixels. Float textures are inlined as base64 of their
// pixels in 16-bit floats (red, green, blue, alpha, little-endian), which
// the script scales by the page's exposure control; no PNG holds values
// beyond 1 in a way a browser gives back.
#pragma once

#include "r3az8/tex/texture.h"
#include "tools/r3aztex/tool_error.h"

#include <cstdint>
#include <span>
#include <string>

namespace r3aztex {

enum class LevelChoice { Every, TopOnly };

// {"float": BOOL, "reduced": BOOL, "pictures": [{"layer", "face", "level",
// "slice", "label", "width", "height", "shownWidth", "shownHeight",
// "colour", "alpha", "half"}, ...]} for the layers of one file (one, or the
// textures of an array). "reduced" says that some picture is shown smaller
// than the texture's level (picture_size.h); "colour" and "alpha" are
// data URIs or null, "half" base64 or null. Throws TextureError when the
// library cannot decode the format.
std::string TexturePicturesJson(std::span<const TextureImage> layers, LevelChoice levels);

struct Thumbnail {
    std::string uri; // a PNG data URI
    uint32_t width;
    uint32_t height;
};

// Level 0 (first face, first slice) at most kThumbnailSide pixels a side,
// downscaled by the library's triangle filter; floats are clamped to 0..1.
Thumbnail MakeThumbnail(const TextureImage& texture);

} // namespace r3aztex
