// The 4x4 block formats, one row each: what decodes a block, which
// encoders write one, the precision a colour key is compared at, and what
// the quality levels mean for the format. The bytes of a block are the
// catalogue's (format_catalogue.h) and are checked against the layout below
// when this compiles.
//
// The DXT codec, the quality encoder's entry point, both lane kernels, the
// tool and the fuzz target read these rows, so a new block format is one
// row here plus its own decoder and encoder files (docs/texture-library.md
// has the recipe).
#pragma once

#include "r3az8/tex/bptc/bc6h_encode.h"
#include "r3az8/tex/bptc/bc7_encode.h"
#include "r3az8/tex/bptc/bptc_block.h"
#include "r3az8/tex/codecs/format_catalogue.h"
#include "r3az8/tex/dxt/block_lanes.h"
#include "r3az8/tex/dxt/dxt_block.h"
#include "r3az8/tex/dxt/quality.h"

#include <cstddef>
#include <cstdint>

// 16 pixels out, one block in.
using BlockDecoder = HRESULT (*)(FloatColor* pColors, const BYTE* pBlock);
// `count` blocks out (block k's 16 pixels at pColors + 16k); E_FAIL for a
// format the encoder does not write.
using FixedBlockEncoder = HRESULT (*)(D3DFORMAT format, BYTE* pBlocks, const FloatColor* pColors, UINT count);
using QualityBlockEncoder = HRESULT (*)(D3DFORMAT format, BYTE* pBlocks, const FloatColor* pColors,
                                        const BYTE* pCovered, UINT count, const QualityOptions& options);

// What a block holds, in the order of its bytes, as the lane kernels write
// it. Formats no lane kernel writes are Other.
enum class BlockLayout : std::uint8_t {
    ColorOnly,         // DXT1: the colour half alone, its third colour mode transparent black
    ExplicitAlpha,     // DXT2/DXT3: sixteen 4-bit alphas, then the colour half
    InterpolatedAlpha, // DXT4/DXT5: an alpha ramp, then the colour half
    OneChannel,        // BC4: one ramp, red
    TwoChannels,       // BC5: two ramps, red then green
    Other,             // BC6H, BC7, RXGB
};

// Bytes of a block of the layout; 0 for Other, which says nothing.
constexpr UINT LayoutBlockBytes(BlockLayout layout)
{
    switch (layout) {
    case BlockLayout::ColorOnly:
    case BlockLayout::OneChannel:
        return 8;
    case BlockLayout::Other:
        return 0;
    default:
        return 16;
    }
}

// Whether the block stores colours multiplied by their alpha (DXT2, DXT4):
// the encoders multiply before they fit.
enum class BlockAlpha : std::uint8_t { Straight, Premultiplied };

// What BlockQuality::Fast means for a format the quality encoder writes.
enum class FastLevel : std::uint8_t {
    FixedEncoder, // the fixed encoder's bytes
    AsNormal,     // no fixed encoder to fall back on: Fast encodes as Normal
    OwnFast,      // the quality encoder has a Fast level of its own (BC6H, BC7), which
                  // the fixed encoder also runs (BC7's with perceptual weights)
};

// The precision a colour key is compared at, as the largest code of each
// channel: a decoded pixel matches the key when both round alike.
struct KeyPrecision {
    float redBlue;
    float green;
    float alpha;
};

struct BlockFormat {
    D3DFORMAT format;
    BlockDecoder decode;
    FixedBlockEncoder fixedEncoder;     // null: none
    QualityBlockEncoder qualityEncoder; // null: none
    BlockLayout layout;
    BlockAlpha alpha;
    FastLevel fast;
    std::uint8_t channels; // stored channels, in R, G, B, A order: the ones an encoder's error counts
    KeyPrecision key;
    // The pixels the encoders are handed, as rows in memory: 16 bits per
    // channel in 0..1, or 32-bit floats of any value for a format that
    // stores values beyond 1 (BC6H's half floats).
    D3DFORMAT encoderInput = FMT_A16R16G16B16;
};

// 5:6:5 colour halves, 4-bit alphas (DXT2/DXT3), and 8 bits per channel.
inline constexpr KeyPrecision kKey565 = {31.0f, 63.0f, 255.0f};
inline constexpr KeyPrecision kKey565Alpha4 = {31.0f, 63.0f, 15.0f};
inline constexpr KeyPrecision kKey8888 = {255.0f, 255.0f, 255.0f};

// clang-format off
inline constexpr BlockFormat kBlockFormats[] = {
    // format        decoder                  fixed encoder  quality encoder     layout                          alpha                      Fast                     channels  key
    {D3DFMT_DXT1,    DecodeBlockDXT1,         EncodeBlocks,  EncodeQualityLanes, BlockLayout::ColorOnly,         BlockAlpha::Straight,      FastLevel::FixedEncoder, 4,        kKey565},
    {D3DFMT_DXT2,    DecodeBlockDXT2,         EncodeBlocks,  EncodeQualityLanes, BlockLayout::ExplicitAlpha,     BlockAlpha::Premultiplied, FastLevel::FixedEncoder, 4,        kKey565Alpha4},
    {D3DFMT_DXT3,    DecodeBlockDXT3,         EncodeBlocks,  EncodeQualityLanes, BlockLayout::ExplicitAlpha,     BlockAlpha::Straight,      FastLevel::FixedEncoder, 4,        kKey565Alpha4},
    {D3DFMT_DXT4,    DecodeBlockDXT4,         EncodeBlocks,  EncodeQualityLanes, BlockLayout::InterpolatedAlpha, BlockAlpha::Premultiplied, FastLevel::FixedEncoder, 4,        kKey565},
    {D3DFMT_DXT5,    DecodeBlockDXT5,         EncodeBlocks,  EncodeQualityLanes, BlockLayout::InterpolatedAlpha, BlockAlpha::Straight,      FastLevel::FixedEncoder, 4,        kKey565},
    {D3DFMT_BC4,     DecodeBlockBC4,          nullptr,       EncodeQualityLanes, BlockLayout::OneChannel,        BlockAlpha::Straight,      FastLevel::AsNormal,     1,        kKey8888},
    {D3DFMT_BC5,     DecodeBlockBC5,          nullptr,       EncodeQualityLanes, BlockLayout::TwoChannels,       BlockAlpha::Straight,      FastLevel::AsNormal,     2,        kKey8888},
    {FMT_BC6H_UF16,  DecodeBlockBC6HUnsigned, EncodeBlocksBC6H, EncodeQualityBlocksBC6H, BlockLayout::Other,  BlockAlpha::Straight,      FastLevel::OwnFast,      3,        kKey8888, FMT_A32B32G32R32F},
    {FMT_BC6H_SF16,  DecodeBlockBC6HSigned,   EncodeBlocksBC6H, EncodeQualityBlocksBC6H, BlockLayout::Other,  BlockAlpha::Straight,      FastLevel::OwnFast,      3,        kKey8888, FMT_A32B32G32R32F},
    {FMT_BC7,        DecodeBlockBC7,          EncodeBlocksBC7, EncodeQualityBlocksBC7, BlockLayout::Other,       BlockAlpha::Straight,      FastLevel::OwnFast,      4,        kKey8888},
    {FMT_RXGB,       DecodeBlockRXGB,         nullptr,       nullptr,            BlockLayout::Other,             BlockAlpha::Straight,      FastLevel::AsNormal,     3,        kKey8888},
};
// clang-format on

inline constexpr std::size_t kBlockFormatCount = std::size(kBlockFormats);

// The format's row of kBlockFormats, or null.
inline const BlockFormat* FindBlockFormat(D3DFORMAT format)
{
    const std::size_t index = IndexOfFormatRow(kBlockFormats, format);
    return index < kBlockFormatCount ? &kBlockFormats[index] : nullptr;
}

// The pixels a format's encoders are handed (BlockFormat::encoderInput);
// the 16-bit rows for a format without a block row.
inline D3DFORMAT EncoderInputFormat(D3DFORMAT format)
{
    const BlockFormat* row = FindBlockFormat(format);
    return row != nullptr ? row->encoderInput : FMT_A16R16G16B16;
}

namespace block_format_checks {

// Every block row of the catalogue has a row here and the other way round,
// each once, and a layout that states its size agrees with the catalogue.
constexpr bool RowsMatchCatalogue()
{
    std::size_t catalogueBlocks = 0;
    for (const CodecFormat& entry : kCodecFormats)
        if (entry.storage == PixelStorage::Block4x4)
            ++catalogueBlocks;
    if (catalogueBlocks != kBlockFormatCount)
        return false;
    for (std::size_t index = 0; index < kBlockFormatCount; ++index) {
        const BlockFormat& row = kBlockFormats[index];
        const UINT bytes = BlockBytesOf(row.format);
        if (bytes == 0 || IndexOfFormatRow(kBlockFormats, row.format) != index)
            return false;
        if (row.layout != BlockLayout::Other && LayoutBlockBytes(row.layout) != bytes)
            return false;
    }
    return true;
}

// Each row states channels an encoder can count. (Which encoder a row
// names is checked by the block format tests: the sanitizer build does not
// fold comparisons of function addresses in constant expressions.)
constexpr bool ChannelsAreSound()
{
    for (const BlockFormat& row : kBlockFormats)
        if (row.channels == 0 || row.channels > 4)
            return false;
    return true;
}

static_assert(RowsMatchCatalogue(), "one row per block format of the catalogue, of the catalogue's size");
static_assert(ChannelsAreSound());

} // namespace block_format_checks
