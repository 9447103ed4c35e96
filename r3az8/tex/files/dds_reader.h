// Reads DDS files into TextureImage records. Nothing in the file is trusted:
// every size is recomputed from the dimensions and the format, and the data
// must be all there before anything is copied.
//
// Some writers break the rules in known, harmless ways; the reader takes
// what they meant and says what it did in `warnings` (the commands show
// each on standard error): a header size field of 0 or 24, a pixel-format
// size of 0 or 24, a DX10 array size of 0, a DX10 resource dimension of 0
// on a 2D texture, a DX10 array size of 6 on a file of one cube map, a mip
// count beyond the chain or beyond what the file holds (the complete
// levels are read), and the pixel format habits of dds_pixel_format.h.
#pragma once

#include "r3az8/tex/files/dds_pixel_format.h"
#include "r3az8/tex/texture/texture_image.h"

#include <span>
#include <string>
#include <vector>

namespace r3az8tex::dds {

// A texture array holds at most this many textures (Direct3D 11 allows
// 2048; a hostile count must not multiply sizes past 64 bits).
inline constexpr uint32_t kMaxArraySize = 16384;

// What the header says, checked against the file's length.
struct Description {
    D3DFORMAT format;
    Swizzle swizzle;
    ColourSpace colourSpace;
    TextureKind kind;
    uint32_t width;
    uint32_t height;
    uint32_t depth; // 1 unless a volume
    uint32_t levels;
    uint32_t arraySize; // textures of an array (each of `kind`), 1 for a plain texture
    bool hasDx10Header;
    DWORD dxgiFormat;     // the DX10 header's DXGI_FORMAT, 0 without one
    size_t paletteOffset; // 0 when the format has no palette
    size_t dataOffset;
    uint64_t dataBytes; // pixel data of every texture, face and level
    std::vector<std::string> warnings;
};

// Parses and checks the header. Throws TextureError, its message "NAME: reason":
// Malformed (exit 3) for a file that breaks the format's rules or is too
// short for even its first level, Unsupported (exit 4) for a valid file the
// library does not handle, including textures beyond the limits of
// texture_image.h.
Description Describe(std::span<const BYTE> file, const std::string& name);

// Describe, then copies the pixel data (and palette) out of the file: one
// texture per array element, in file order.
struct Contents {
    Description description;
    std::vector<TextureImage> layers;
};
Contents ReadContents(std::span<const BYTE> file, const std::string& name);

// ReadContents for a file of one texture; an array is refused
// (Unsupported). The warnings are dropped.
TextureImage Read(std::span<const BYTE> file, const std::string& name);

} // namespace r3az8tex::dds
