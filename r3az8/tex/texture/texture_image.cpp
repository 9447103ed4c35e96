#include "r3az8/tex/texture/texture_image.h"

#include "r3az8/tex/texture/texture_error.h"

#include <algorithm>
#include <iterator>

namespace r3az8tex {

const char* KindName(TextureKind kind)
{
    constexpr const char* kNames[] = {"2d", "cube", "volume"}; // in TextureKind order
    static_assert(std::size(kNames) == size_t(TextureKind::Volume) + 1);
    const auto index = size_t(kind);
    return index < std::size(kNames) ? kNames[index] : "?";
}

std::string SizeText(uint32_t width, uint32_t height, uint32_t depth)
{
    // Appended piece by piece: GCC 12 misreads chained concatenations of
    // temporaries here (-Wrestrict).
    std::string text = std::to_string(width);
    text += 'x';
    text += std::to_string(height);
    if (depth > 1) {
        text += 'x';
        text += std::to_string(depth);
    }
    return text;
}

uint32_t LevelSide(uint32_t side, uint32_t level)
{
    if (level >= 32)
        return 1;
    return std::max<uint32_t>(1, side >> level);
}

uint32_t FullChainLength(uint32_t width, uint32_t height, uint32_t depth)
{
    uint32_t largest = std::max({width, height, depth, 1u});
    uint32_t count = 1;
    while (largest > 1) {
        largest >>= 1;
        ++count;
    }
    return count;
}

LevelLayout DescribeLevel(const FormatInfo& format, uint32_t width, uint32_t height, uint32_t depth)
{
    LevelLayout layout{};
    layout.width = width;
    layout.height = height;
    layout.depth = depth;
    // A unit covers unitWidth x unitHeight pixels (1x1, a 2x1 pair, a 4x4
    // or ASTC block); partial units at the right and bottom edges are
    // stored whole.
    layout.rowPitch = ((width + format.unitWidth - 1) / format.unitWidth) * format.unitBytes;
    layout.rowCount = (height + format.unitHeight - 1) / format.unitHeight;
    layout.slicePitch = uint64_t(layout.rowPitch) * layout.rowCount;
    layout.bytes = layout.slicePitch * depth;
    return layout;
}

const FormatInfo& TextureImage::Format() const
{
    const FormatInfo* info = FindFormat(format);
    if (info == nullptr)
        throw TextureError(ErrorKind::Internal, "texture of a format outside the table: " + FormatName(format));
    return *info;
}

LevelLayout TextureImage::Level(uint32_t level) const
{
    return DescribeLevel(Format(), LevelSide(width, level), LevelSide(height, level),
                         kind == TextureKind::Volume ? LevelSide(depth, level) : 1);
}

uint64_t TextureImage::TotalBytes() const
{
    uint64_t total = 0;
    for (const auto& surface : surfaces)
        total += surface.size();
    return total;
}

bool ChainBytes(const FormatInfo& format, TextureKind kind, uint32_t width, uint32_t height, uint32_t depth,
                uint32_t levels, uint64_t& total)
{
    if (width == 0 || height == 0 || depth == 0 || width > kMaxSide || height > kMaxSide || depth > kMaxSide)
        return false;
    if (levels > FullChainLength(width, height, depth))
        return false;
    // Sides up to 2^14 and at most 16 bytes per storage unit keep one level
    // below 2^46 bytes; 15 levels of 6 faces stay far from 2^64, so plain
    // 64-bit sums cannot overflow.
    total = 0;
    const uint32_t faces = kind == TextureKind::Cube ? 6 : 1;
    for (uint32_t level = 0; level < levels; ++level) {
        const uint32_t levelDepth = kind == TextureKind::Volume ? LevelSide(depth, level) : 1;
        total += DescribeLevel(format, LevelSide(width, level), LevelSide(height, level), levelDepth).bytes * faces;
    }
    return true;
}

TextureImage TextureShape(D3DFORMAT format, TextureKind kind, uint32_t width, uint32_t height, uint32_t depth,
                          uint32_t levels)
{
    TextureImage texture;
    texture.format = format;
    texture.kind = kind;
    texture.width = width;
    texture.height = height;
    texture.depth = kind == TextureKind::Volume ? depth : 1;
    texture.levels = levels;
    texture.surfaces.resize(size_t(texture.Faces()) * levels);
    return texture;
}

TextureImage MakeTexture(D3DFORMAT format, TextureKind kind, uint32_t width, uint32_t height, uint32_t depth,
                         uint32_t levels)
{
    const FormatInfo* info = FindFormat(format);
    if (info == nullptr)
        throw TextureError(ErrorKind::Unsupported, "format " + FormatName(format) + " is not supported");
    if (kind != TextureKind::Volume)
        depth = 1;
    uint64_t total = 0;
    if (!ChainBytes(*info, kind, width, height, depth, levels, total))
        throw TextureError(ErrorKind::Unsupported, "size " + std::to_string(width) + "x" + std::to_string(height) + "x" +
                                                   std::to_string(depth) + " is outside 1.." +
                                                   std::to_string(kMaxSide) + " per side");
    if (total > kMaxTextureBytes)
        throw TextureError(ErrorKind::Unsupported, "texture would need " + std::to_string(total) +
                                                   " bytes, more than the limit of 1 GiB");
    if (levels == 0 || levels > FullChainLength(width, height, depth))
        throw TextureError(ErrorKind::Internal, "level count " + std::to_string(levels) + " outside the chain");
    TextureImage texture = TextureShape(format, kind, width, height, depth, levels);
    for (uint32_t face = 0; face < texture.Faces(); ++face)
        for (uint32_t level = 0; level < levels; ++level)
            texture.Surface(face, level).assign(texture.Level(level).bytes, 0);
    return texture;
}

} // namespace r3az8tex
