// A texture held in memory: the pixel data of every face and level in its
// stored format, packed without padding, as a DDS file holds it.
#pragma once

#include "r3az8/tex/texture/format_table.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace r3az8tex {

enum class TextureKind : BYTE { Flat, Cube, Volume };

const char* KindName(TextureKind kind); // "2d", "cube", "volume"

// "WxH", or "WxHxD" when the depth is above 1.
std::string SizeText(uint32_t width, uint32_t height, uint32_t depth);

// Limits the tool accepts, for every input and every requested size: no side
// above 16384 pixels and no texture above 1 GiB of pixel data. They keep a
// hostile header from asking for absurd allocations.
inline constexpr uint32_t kMaxSide = 16384;
inline constexpr uint64_t kMaxTextureBytes = 1ull << 30;

// Storage of one level (of one face).
struct LevelLayout {
    uint32_t width;
    uint32_t height;
    uint32_t depth;
    uint32_t rowPitch;  // bytes from one row of pixels (of blocks, for DXT) to the next
    uint32_t rowCount;  // rows of pixels, or of blocks
    uint64_t slicePitch;
    uint64_t bytes; // slicePitch * depth
};

// Size of a level: each side halves (rounding down) and stops at 1.
uint32_t LevelSide(uint32_t side, uint32_t level);
// Number of levels down to 1x1x1.
uint32_t FullChainLength(uint32_t width, uint32_t height, uint32_t depth);
// Layout of a w x h x d image of the format, tightly packed. Sides must be
// at least 1 and at most kMaxSide (so nothing overflows).
LevelLayout DescribeLevel(const FormatInfo& format, uint32_t width, uint32_t height, uint32_t depth);

struct TextureImage {
    D3DFORMAT format = D3DFMT_UNKNOWN;
    TextureKind kind = TextureKind::Flat;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t depth = 1;
    uint32_t levels = 0;
    // faces x levels surfaces, face-major: surfaces[face * levels + level].
    std::vector<std::vector<BYTE>> surfaces;
    // The 256 entries of a P8 or A8P8 texture.
    std::optional<std::array<PALETTEENTRY, 256>> palette;
    ColourSpace colourSpace = ColourSpace::Unspecified;

    uint32_t Faces() const { return kind == TextureKind::Cube ? 6u : 1u; }
    const FormatInfo& Format() const; // the format's row; the format must be in the table
    LevelLayout Level(uint32_t level) const;
    std::vector<BYTE>& Surface(uint32_t face, uint32_t level) { return surfaces[face * levels + level]; }
    const std::vector<BYTE>& Surface(uint32_t face, uint32_t level) const { return surfaces[face * levels + level]; }
    // Total bytes of pixel data over all faces and levels.
    uint64_t TotalBytes() const;
};

// The total of a texture described by its header, computed without
// overflow; returns false when a side is 0 or above kMaxSide, or the level
// count is beyond the chain.
bool ChainBytes(const FormatInfo& format, TextureKind kind, uint32_t width, uint32_t height, uint32_t depth,
                uint32_t levels, uint64_t& total);

// A texture of the given shape whose faces x levels surfaces are still
// empty, for a caller that fills each with its bytes. Checks nothing.
TextureImage TextureShape(D3DFORMAT format, TextureKind kind, uint32_t width, uint32_t height, uint32_t depth,
                          uint32_t levels);

// A texture of the given shape with every surface allocated and zeroed.
// Throws TextureError (Unsupported) when the shape breaks the limits above.
TextureImage MakeTexture(D3DFORMAT format, TextureKind kind, uint32_t width, uint32_t height, uint32_t depth,
                         uint32_t levels);

} // namespace r3az8tex
