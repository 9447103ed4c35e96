// Helpers shared by the DDS tests: filled textures and header field access.
#pragma once

#include "r3az8/tex/files/dds_header.h"
#include "r3az8/tex/files/dds_writer.h"
#include "r3az8/tex/texture/texture_error.h"
#include "r3az8/tex/texture/texture_image.h"

#include <cstdint>
#include <vector>

namespace r3az8tex::testing {

// The outcome a case expects when nothing fails.
inline constexpr ErrorKind kNoError = static_cast<ErrorKind>(0);

// Fills every surface (and the palette of paletted formats) with bytes from
// a fixed pseudo-random sequence, so that a misplaced byte shows.
inline void FillWithPattern(TextureImage& texture, uint32_t seed)
{
    uint32_t state = seed * 2654435761u + 1;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<BYTE>(state >> 11);
    };
    for (auto& surface : texture.surfaces)
        for (BYTE& byte : surface)
            byte = next();
    if (texture.Format().content == Content::Paletted) {
        std::array<PALETTEENTRY, 256> palette{};
        for (PALETTEENTRY& entry : palette)
            entry = {next(), next(), next(), next()};
        texture.palette = palette;
    }
}

// A DDS file of a texture of that shape filled with the pattern.
inline std::vector<BYTE> ValidFile(D3DFORMAT format, TextureKind kind, uint32_t w, uint32_t h, uint32_t d,
                                   uint32_t levels)
{
    TextureImage texture = MakeTexture(format, kind, w, h, d, levels);
    FillWithPattern(texture, 7);
    return dds::Write(texture);
}

inline DWORD HeaderWord(const std::vector<BYTE>& file, size_t offset)
{
    return dds::LoadLittleEndian32(file.data() + offset);
}

inline void SetHeaderWord(std::vector<BYTE>& file, size_t offset, DWORD value)
{
    dds::StoreLittleEndian32(file.data() + offset, value);
}

// Byte offsets of header fields within the file (after the 4-byte magic).
namespace offset {
inline constexpr size_t kSize = 4;
inline constexpr size_t kFlags = 8;
inline constexpr size_t kHeight = 12;
inline constexpr size_t kWidth = 16;
inline constexpr size_t kPitch = 20;
inline constexpr size_t kDepth = 24;
inline constexpr size_t kMipCount = 28;
inline constexpr size_t kPixelFormatSize = 76;
inline constexpr size_t kPixelFormatFlags = 80;
inline constexpr size_t kFourcc = 84;
inline constexpr size_t kBitCount = 88;
inline constexpr size_t kRedMask = 92;
inline constexpr size_t kGreenMask = 96;
inline constexpr size_t kBlueMask = 100;
inline constexpr size_t kAlphaMask = 104;
inline constexpr size_t kCaps = 108;
inline constexpr size_t kCaps2 = 112;
inline constexpr size_t kDx10 = 128;
} // namespace offset

} // namespace r3az8tex::testing
