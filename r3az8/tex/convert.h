// Texture conversion for programs: a texture (r3az8/tex/texture.h) to
// another format, size and mip chain, with the bytes r3aztex convert
// writes for the same request.
//
//   ConvertOptions      what to make: format (or automatic), block quality
//                       and colour weights, mip levels and their filter,
//                       linear-light mips, normal maps, premultiplied alpha,
//                       colour key, new size and its filter, DXT1's alpha
//                       threshold, the sRGB tag and the threads to use.
//   ConvertTexture      one texture (2D, cube or volume) converted.
//   ConvertTextures     the textures of an array, one format for them all.
//   ConvertTextureFile  the textures of a DDS, PNG, TGA or JPEG file,
//                       converted; a large image while it is decoded.
//
// Each call throws TextureError (texture.h): Request for options that
// contradict each other or the texture, Unsupported for a conversion the
// library cannot make (into BC6H or BC7, say), Malformed and FileAccess for
// a file that cannot be read. The conversion's messages name an option as
// r3aztex convert's flag does ("--mips 9 exceeds the 5 levels of a 16x16
// texture"). Any number of threads may call at once. Needs C++17.
#pragma once

#include "d3d8.h"
#include "r3az8/tex/block_encoder.h"
#include "r3az8/tex/filter.h"
#include "r3az8/tex/texture.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace r3az8tex {

// The format ConvertOptions::format names for the automatic choice: DXT1
// for colour whose every alpha is opaque, DXT5 for colour with alpha (DXT4
// with premultiplied alpha); vectors, data, alpha masks and textures
// already block-compressed keep their format.
inline constexpr D3DFORMAT kAutomaticFormat = D3DFMT_UNKNOWN;

// A new size; a depth of 0 keeps the source's (only a volume has another).
struct ConvertSize {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t depth = 0;
};

// Every member has its default, so that a caller names only those it sets:
// ConvertOptions{.format = D3DFMT_DXT5, .mips = 3}.
struct ConvertOptions {
    // The result's format: a D3DFMT_* or FMT_* (pixel_formats.h) format,
    // or kAutomaticFormat.
    D3DFORMAT format = kAutomaticFormat;
    // Block formats: Fast is the fixed encoder of the loads; Normal and
    // High fit each block for the least weighted error.
    BlockQuality quality = BlockQuality::Normal;
    // How block compression weighs colour errors; none: perceptual for
    // colour, uniform for normal maps and formats that hold data.
    std::optional<ColorWeighting> weights{};
    // Levels of the result, made anew from level 0: 0 the whole chain, 1
    // level 0 alone. None: the whole chain for a texture of one level,
    // the source's own levels for one that has a chain.
    std::optional<uint32_t> mips{};
    // A filter type (IMAGE_FILTER_NONE .. BOX) for the mips, or
    // IMAGE_FILTER_DEFAULT: box for power-of-two sizes, else triangle with
    // dither.
    DWORD mipFilter = IMAGE_FILTER_DEFAULT;
    // Colour mips are averaged in linear light (through the sRGB curve);
    // false averages the stored values.
    bool linearLightMips = true;
    // The texture holds normals: every level is renormalised, mips are
    // averaged as vectors, and block errors weigh x, y, z alike.
    bool normalMap = false;
    // Colour stored multiplied by alpha: DXT3 and DXT5 become DXT2 and DXT4
    // (the only formats that take it).
    bool premultipliedAlpha = false;
    // Source pixels of this A8R8G8B8 colour become transparent black; 0:
    // none.
    D3DCOLOR colorKey = 0;
    // Resample level 0 to this size; none keeps the size.
    std::optional<ConvertSize> size{};
    // The resize filter: a type (IMAGE_FILTER_NONE .. BOX), with
    // IMAGE_FILTER_MIRROR_U, _V, _W for edges that mirror rather than wrap
    // (for the mips too) and IMAGE_FILTER_DITHER to dither into formats of
    // lower precision.
    DWORD filter = IMAGE_FILTER_TRIANGLE;
    // DXT1 results: pixels whose alpha (0..255) is below this become
    // transparent, the others opaque; 0 makes every pixel opaque. None
    // leaves it to the encoders: transparent below one half.
    std::optional<uint32_t> dxt1AlphaThreshold = 0u;
    // Record a colour result as sRGB-encoded; otherwise it keeps the
    // source's record.
    bool srgb = false;
    // Threads that work on the call, the caller's among them; 0: one per
    // processor.
    unsigned threads = 0;
};

TextureImage ConvertTexture(const TextureImage& source, const ConvertOptions& options);

// The textures of an array: where the automatic format would differ between
// them (DXT1 for the opaque ones), all take the one that keeps every alpha.
std::vector<TextureImage> ConvertTextures(const std::vector<TextureImage>& layers, const ConvertOptions& options);

// A file's textures (several for a DDS texture array), converted.
std::vector<TextureImage> ConvertTextureFile(const std::string& path, const ConvertOptions& options);

} // namespace r3az8tex
