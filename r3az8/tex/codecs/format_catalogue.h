// Every format the library has a codec for, how it stores its pixels and
// which codec serves it. The packed integer and floating-point formats come
// from their layout tables (packed_formats.h, float_formats.h); the formats
// no layout describes (palette indices, pixel pairs, 4x4 blocks) have one
// row each below.
//
// Adding a block format is one row in kUnpackedFormats, besides its codec:
// the codec factory, the same-format block copy and the lock rules read it
// from here, and the tool checks its own format table against the whole
// catalogue when it compiles.
#pragma once

#include "r3az8/tex/codecs/buffered_codecs.h"
#include "r3az8/tex/codecs/codec_factories.h"
#include "r3az8/tex/codecs/float_formats.h"
#include "r3az8/tex/codecs/packed_formats.h"

#include <array>
#include <cstddef>
#include <cstdint>

// How pixels are grouped in memory.
enum class PixelStorage : std::uint8_t {
    Packed,    // a whole number of bytes per pixel
    PixelPair, // two horizontally adjacent pixels share their bytes
    Block4x4,  // 4x4 pixels compressed into one block
    // A block of a footprint that its format's row in the texture format
    // table gives (ASTC, 4x4 to 12x12). No row here has it: only textures
    // in memory and files hold such blocks, and libastcenc codes them.
    FootprintBlock,
};

// The pixels across and down of one storage unit: a pixel, a pixel pair
// or a 4x4 block. A footprint block's size is its format's, not its
// storage's, and reads 1x1 here, as no catalogue row has one.
struct StorageUnitSize {
    std::uint8_t width;
    std::uint8_t height;
};
constexpr StorageUnitSize UnitSizeOf(PixelStorage storage)
{
    switch (storage) {
    case PixelStorage::PixelPair:
        return {2, 1};
    case PixelStorage::Block4x4:
        return {4, 4};
    case PixelStorage::Packed:
    case PixelStorage::FootprintBlock:
        break;
    }
    return {1, 1};
}

struct CodecFormat {
    D3DFORMAT format;
    PixelStorage storage;
    std::uint8_t unitBytes; // bytes per pixel, per pixel pair or per block
    PixelCodec* (*createCodec)(const ImageDesc& desc);
};

// clang-format off
inline constexpr CodecFormat kUnpackedFormats[] = {
    // format        storage                    bytes  codec
    {D3DFMT_P8,      PixelStorage::Packed,      1,     CreatePaletteCodec},
    {D3DFMT_A8P8,    PixelStorage::Packed,      2,     CreatePaletteCodec},
    {D3DFMT_UYVY,    PixelStorage::PixelPair,   4,     CreateYuvCodec},
    {D3DFMT_YUY2,    PixelStorage::PixelPair,   4,     CreateYuvCodec},
    {FMT_R8G8_B8G8,  PixelStorage::PixelPair,   4,     CreateYuvCodec},
    {FMT_G8R8_G8B8,  PixelStorage::PixelPair,   4,     CreateYuvCodec},
    {D3DFMT_DXT1,    PixelStorage::Block4x4,    8,     CreateDxtCodec},
    {D3DFMT_DXT2,    PixelStorage::Block4x4,    16,    CreateDxtCodec},
    {D3DFMT_DXT3,    PixelStorage::Block4x4,    16,    CreateDxtCodec},
    {D3DFMT_DXT4,    PixelStorage::Block4x4,    16,    CreateDxtCodec},
    {D3DFMT_DXT5,    PixelStorage::Block4x4,    16,    CreateDxtCodec},
    {D3DFMT_BC4,     PixelStorage::Block4x4,    8,     CreateDxtCodec},
    {D3DFMT_BC5,     PixelStorage::Block4x4,    16,    CreateDxtCodec},
    {FMT_BC6H_UF16,  PixelStorage::Block4x4,    16,    CreateDxtCodec},
    {FMT_BC6H_SF16,  PixelStorage::Block4x4,    16,    CreateDxtCodec},
    {FMT_BC7,        PixelStorage::Block4x4,    16,    CreateDxtCodec},
    {FMT_RXGB,       PixelStorage::Block4x4,    16,    CreateDxtCodec},
};
// clang-format on

inline constexpr std::size_t kCodecFormatCount =
    packed::kLayoutCount + floats::kLayoutCount + std::size(kUnpackedFormats);

// The whole catalogue: the packed integer layouts and the floating-point
// ones in their tables' order, then the rows above.
inline constexpr std::array<CodecFormat, kCodecFormatCount> kCodecFormats = [] {
    std::array<CodecFormat, kCodecFormatCount> all{};
    std::size_t next = 0;
    for (const packed::Layout& layout : packed::kLayouts)
        all[next++] = {layout.format, PixelStorage::Packed, layout.bytes, CreatePackedCodec};
    for (const floats::Layout& layout : floats::kLayouts)
        all[next++] = {layout.format, PixelStorage::Packed, layout.bytes, CreateFloatCodec};
    for (const CodecFormat& format : kUnpackedFormats)
        all[next++] = format;
    return all;
}();

// The format's row in a table of rows that each name their `format`, or
// the table's size when it has none. An index rather than a pointer: the
// sanitizer build does not fold pointer tests against null in constant
// expressions.
template <class Rows>
constexpr std::size_t IndexOfFormatRow(const Rows& rows, D3DFORMAT format)
{
    std::size_t index = 0;
    for (const auto& row : rows) {
        if (row.format == format)
            return index;
        ++index;
    }
    return index;
}

// The format's row in kCodecFormats, or kCodecFormatCount when it has none.
constexpr std::size_t IndexOfCodecFormat(D3DFORMAT format) { return IndexOfFormatRow(kCodecFormats, format); }

// The format's row, or null.
inline const CodecFormat* FindCodecFormat(D3DFORMAT format)
{
    const std::size_t index = IndexOfCodecFormat(format);
    return index < kCodecFormatCount ? &kCodecFormats[index] : nullptr;
}

// Bytes of one 4x4 block, or 0 when the format is not block-compressed.
constexpr UINT BlockBytesOf(D3DFORMAT format)
{
    const std::size_t index = IndexOfCodecFormat(format);
    if (index == kCodecFormatCount || kCodecFormats[index].storage != PixelStorage::Block4x4)
        return 0;
    return kCodecFormats[index].unitBytes;
}

namespace catalogue_checks {

// No format has a second row, which the look-up would never find.
constexpr bool FormatsAreDistinct()
{
    for (std::size_t index = 0; index < kCodecFormatCount; ++index)
        if (IndexOfCodecFormat(kCodecFormats[index].format) != index)
            return false;
    return true;
}

// A pair holds two pixels in 4 bytes; a block is 8 or 16 bytes.
constexpr bool UnitsAreSound()
{
    for (const CodecFormat& entry : kCodecFormats) {
        if (entry.unitBytes == 0)
            return false;
        if (entry.storage == PixelStorage::PixelPair && entry.unitBytes != 4)
            return false;
        if (entry.storage == PixelStorage::Block4x4 && entry.unitBytes != 8 && entry.unitBytes != 16)
            return false;
    }
    return true;
}

static_assert(FormatsAreDistinct(), "one row per format");
static_assert(UnitsAreSound());
static_assert(BlockBytesOf(D3DFMT_DXT1) == 8 && BlockBytesOf(D3DFMT_DXT5) == 16 && BlockBytesOf(D3DFMT_A8R8G8B8) == 0);

} // namespace catalogue_checks
