#include "r3az8/tex/files/ktx2_format_table.h"

#include "r3az8/tex/astc/astc_formats.h"
#include "r3az8/tex/codecs/format_catalogue.h"
#include "r3az8/tex/texture/format_table.h"

#include <algorithm>
#include <string_view>

namespace r3az8tex::ktx2 {
namespace {

using dds::Swizzle;

constexpr VkName V(uint32_t number, const char* name) { return {number, name}; }
constexpr VkName kNone{0, nullptr};

constexpr Sample R(uint16_t offset, BYTE bits) { return {kChannelRed, offset, bits}; }
constexpr Sample G(uint16_t offset, BYTE bits) { return {kChannelGreen, offset, bits}; }
constexpr Sample B(uint16_t offset, BYTE bits) { return {kChannelBlue, offset, bits}; }
constexpr Sample A(uint16_t offset, BYTE bits) { return {kChannelAlpha, offset, bits}; }
// The shared exponent of E5B9G9R9, one sample per colour it scales.
constexpr Sample Exponent(BYTE channel) { return {channel, 27, 5, kQualifierExponent}; }

template <typename... Samples>
constexpr FormatRow Pixels(D3DFORMAT format, VkName vk, VkName vkSrgb, UINT typeSize, Numbers numbers,
                           Samples... samples)
{
    return {format, vk, vkSrgb, kModelRgbsda, 1, 1, typeSize, numbers, BYTE(sizeof...(samples)), {samples...}};
}

template <typename... Samples>
constexpr FormatRow Blocks(D3DFORMAT format, VkName vk, VkName vkSrgb, Model model, Numbers numbers,
                           Samples... samples)
{
    return {format, vk, vkSrgb, model, 4, 4, 1, numbers, BYTE(sizeof...(samples)), {samples...}};
}

// An ASTC footprint: one sample of data over the 128 bits of each block,
// of floats for the HDR forms (Khronos's data format descriptions mark
// ASTC HDR's sample float and signed).
constexpr FormatRow Astc(D3DFORMAT format, VkName vk, VkName vkSrgb, BYTE width, BYTE height,
                         Numbers numbers = Numbers::Unorm)
{
    return {format, vk, vkSrgb, kModelAstc, width, height, 1, numbers, 1, {Sample{0, 0, 128}}};
}

// The HDR forms' VkFormats (VK_EXT_texture_compression_astc_hdr, core in
// Vulkan 1.3) number from 1000066000 in the footprints' order; their names
// keep the extension's _EXT, as readers of KTX2 print them.
constexpr uint32_t kAstcSfloatFirst = 1000066000;

constexpr FormatRow Reordered(FormatRow row, Swizzle swizzle)
{
    row.swizzle = swizzle;
    return row;
}

constexpr FormatRow ShownAs(FormatRow row, const char* shownAs)
{
    row.shownAs = shownAs;
    return row;
}

// Block samples: one per channel the block model names, each over the
// bits that code it (BC2 and BC3: the alpha half first).
constexpr Sample Whole(BYTE channel, BYTE bits) { return {channel, 0, bits}; }
constexpr Sample Half(BYTE channel, uint16_t offset) { return {channel, offset, 64}; }

constexpr Numbers kUnorm = Numbers::Unorm;
constexpr Numbers kSnorm = Numbers::Snorm;
constexpr Numbers kSfloat = Numbers::Sfloat;
constexpr Numbers kUfloat = Numbers::Ufloat;

// Our layouts are little-endian words whose fields Vulkan names from the
// top (the _PACK formats) or bytes named in memory order (the others):
// A8R8G8B8's bytes are B, G, R, A, VK_FORMAT_B8G8R8A8; A16R16G16B16 has no
// such twin and is written red first, as for DXGI. A luminance format is
// stored in red (alpha in green) and carries KTXswizzle so that readers show
// it grey. Formats Vulkan has no layout for (x8r8g8b8, r3g3b2, the bump
// layouts of Direct3D 8, palettes, pixel pairs, r16g16b16 with blue first)
// have no row.
// clang-format off
constexpr std::array kRows = {
    Pixels(D3DFMT_R8G8B8, V(30, "B8G8R8_UNORM"), V(36, "B8G8R8_SRGB"), 1, kUnorm, B(0, 8), G(8, 8), R(16, 8)),
    Pixels(D3DFMT_A8R8G8B8, V(44, "B8G8R8A8_UNORM"), V(50, "B8G8R8A8_SRGB"), 1, kUnorm, B(0, 8), G(8, 8), R(16, 8), A(24, 8)),
    Pixels(D3DFMT_R5G6B5, V(4, "R5G6B5_UNORM_PACK16"), kNone, 2, kUnorm, B(0, 5), G(5, 6), R(11, 5)),
    Pixels(D3DFMT_A1R5G5B5, V(8, "A1R5G5B5_UNORM_PACK16"), kNone, 2, kUnorm, B(0, 5), G(5, 5), R(10, 5), A(15, 1)),
    Pixels(D3DFMT_A4R4G4B4, V(1000340000, "A4R4G4B4_UNORM_PACK16_EXT"), kNone, 2, kUnorm, B(0, 4), G(4, 4), R(8, 4), A(12, 4)),
    Pixels(D3DFMT_A2B10G10R10, V(64, "A2B10G10R10_UNORM_PACK32"), kNone, 4, kUnorm, R(0, 10), G(10, 10), B(20, 10), A(30, 2)),
    Pixels(D3DFMT_G16R16, V(77, "R16G16_UNORM"), kNone, 2, kUnorm, R(0, 16), G(16, 16)),
    ShownAs(Pixels(D3DFMT_L8, V(9, "R8_UNORM"), kNone, 1, kUnorm, R(0, 8)), "rrr1"),
    ShownAs(Pixels(D3DFMT_A8L8, V(16, "R8G8_UNORM"), kNone, 1, kUnorm, R(0, 8), G(8, 8)), "rrrg"),
    Pixels(D3DFMT_V8U8, V(17, "R8G8_SNORM"), kNone, 1, kSnorm, R(0, 8), G(8, 8)),
    Pixels(D3DFMT_Q8W8V8U8, V(38, "R8G8B8A8_SNORM"), kNone, 1, kSnorm, R(0, 8), G(8, 8), B(16, 8), A(24, 8)),
    Pixels(D3DFMT_V16U16, V(78, "R16G16_SNORM"), kNone, 2, kSnorm, R(0, 16), G(16, 16)),
    ShownAs(Pixels(FMT_L16, V(70, "R16_UNORM"), kNone, 2, kUnorm, R(0, 16)), "rrr1"),
    ShownAs(Pixels(FMT_A16L16, V(77, "R16G16_UNORM"), kNone, 2, kUnorm, R(0, 16), G(16, 16)), "rrrg"),
    Reordered(Pixels(FMT_A16R16G16B16, V(91, "R16G16B16A16_UNORM"), kNone, 2, kUnorm, R(0, 16), G(16, 16), B(32, 16), A(48, 16)), Swizzle::SwapRedBlue16),
    Pixels(FMT_G8R8, V(16, "R8G8_UNORM"), kNone, 1, kUnorm, R(0, 8), G(8, 8)),
    Pixels(FMT_R8_SNORM, V(10, "R8_SNORM"), kNone, 1, kSnorm, R(0, 8)),
    Pixels(FMT_R16_SNORM, V(71, "R16_SNORM"), kNone, 2, kSnorm, R(0, 16)),
    Pixels(FMT_Q16W16V16U16, V(92, "R16G16B16A16_SNORM"), kNone, 2, kSnorm, R(0, 16), G(16, 16), B(32, 16), A(48, 16)),
    Pixels(FMT_R16F, V(76, "R16_SFLOAT"), kNone, 2, kSfloat, R(0, 16)),
    Pixels(FMT_G16R16F, V(83, "R16G16_SFLOAT"), kNone, 2, kSfloat, R(0, 16), G(16, 16)),
    Pixels(FMT_A16B16G16R16F, V(97, "R16G16B16A16_SFLOAT"), kNone, 2, kSfloat, R(0, 16), G(16, 16), B(32, 16), A(48, 16)),
    Pixels(FMT_R32F, V(100, "R32_SFLOAT"), kNone, 4, kSfloat, R(0, 32)),
    Pixels(FMT_G32R32F, V(103, "R32G32_SFLOAT"), kNone, 4, kSfloat, R(0, 32), G(32, 32)),
    Pixels(FMT_B32G32R32F, V(106, "R32G32B32_SFLOAT"), kNone, 4, kSfloat, R(0, 32), G(32, 32), B(64, 32)),
    Pixels(FMT_A32B32G32R32F, V(109, "R32G32B32A32_SFLOAT"), kNone, 4, kSfloat, R(0, 32), G(32, 32), B(64, 32), A(96, 32)),
    Pixels(FMT_R11G11B10F, V(122, "B10G11R11_UFLOAT_PACK32"), kNone, 4, kUfloat, R(0, 11), G(11, 11), B(22, 10)),
    // Shared exponent: integer mantissas, and the exponent as a sample of
    // each colour it scales (as Khronos's data format descriptions show it).
    Pixels(FMT_R9G9B9E5, V(123, "E5B9G9R9_UFLOAT_PACK32"), kNone, 4, kUnorm, R(0, 9), G(9, 9), B(18, 9),
           Exponent(kChannelRed), Exponent(kChannelGreen), Exponent(kChannelBlue)),
    // BC1's RGBA form: the library's dxt1 may hold transparent texels.
    Blocks(D3DFMT_DXT1, V(133, "BC1_RGBA_UNORM_BLOCK"), V(134, "BC1_RGBA_SRGB_BLOCK"), kModelBc1a, kUnorm, Whole(1, 64)),
    Blocks(D3DFMT_DXT2, V(135, "BC2_UNORM_BLOCK"), V(136, "BC2_SRGB_BLOCK"), kModelBc2, kUnorm, Half(kChannelAlpha, 0), Half(0, 64)),
    Blocks(D3DFMT_DXT3, V(135, "BC2_UNORM_BLOCK"), V(136, "BC2_SRGB_BLOCK"), kModelBc2, kUnorm, Half(kChannelAlpha, 0), Half(0, 64)),
    Blocks(D3DFMT_DXT4, V(137, "BC3_UNORM_BLOCK"), V(138, "BC3_SRGB_BLOCK"), kModelBc3, kUnorm, Half(kChannelAlpha, 0), Half(0, 64)),
    Blocks(D3DFMT_DXT5, V(137, "BC3_UNORM_BLOCK"), V(138, "BC3_SRGB_BLOCK"), kModelBc3, kUnorm, Half(kChannelAlpha, 0), Half(0, 64)),
    Blocks(D3DFMT_BC4, V(139, "BC4_UNORM_BLOCK"), kNone, kModelBc4, kUnorm, Whole(0, 64)),
    Blocks(D3DFMT_BC5, V(141, "BC5_UNORM_BLOCK"), kNone, kModelBc5, kUnorm, Half(0, 0), Half(1, 64)),
    Blocks(FMT_BC6H_UF16, V(143, "BC6H_UFLOAT_BLOCK"), kNone, kModelBc6h, kUfloat, Whole(0, 128)),
    Blocks(FMT_BC6H_SF16, V(144, "BC6H_SFLOAT_BLOCK"), kNone, kModelBc6h, kSfloat, Whole(0, 128)),
    Blocks(FMT_BC7, V(145, "BC7_UNORM_BLOCK"), V(146, "BC7_SRGB_BLOCK"), kModelBc7, kUnorm, Whole(0, 128)),
    // ASTC, LDR: each footprint's UNORM form and its sRGB twin.
    Astc(FMT_ASTC_4X4, V(157, "ASTC_4x4_UNORM_BLOCK"), V(158, "ASTC_4x4_SRGB_BLOCK"), 4, 4),
    Astc(FMT_ASTC_5X4, V(159, "ASTC_5x4_UNORM_BLOCK"), V(160, "ASTC_5x4_SRGB_BLOCK"), 5, 4),
    Astc(FMT_ASTC_5X5, V(161, "ASTC_5x5_UNORM_BLOCK"), V(162, "ASTC_5x5_SRGB_BLOCK"), 5, 5),
    Astc(FMT_ASTC_6X5, V(163, "ASTC_6x5_UNORM_BLOCK"), V(164, "ASTC_6x5_SRGB_BLOCK"), 6, 5),
    Astc(FMT_ASTC_6X6, V(165, "ASTC_6x6_UNORM_BLOCK"), V(166, "ASTC_6x6_SRGB_BLOCK"), 6, 6),
    Astc(FMT_ASTC_8X5, V(167, "ASTC_8x5_UNORM_BLOCK"), V(168, "ASTC_8x5_SRGB_BLOCK"), 8, 5),
    Astc(FMT_ASTC_8X6, V(169, "ASTC_8x6_UNORM_BLOCK"), V(170, "ASTC_8x6_SRGB_BLOCK"), 8, 6),
    Astc(FMT_ASTC_8X8, V(171, "ASTC_8x8_UNORM_BLOCK"), V(172, "ASTC_8x8_SRGB_BLOCK"), 8, 8),
    Astc(FMT_ASTC_10X5, V(173, "ASTC_10x5_UNORM_BLOCK"), V(174, "ASTC_10x5_SRGB_BLOCK"), 10, 5),
    Astc(FMT_ASTC_10X6, V(175, "ASTC_10x6_UNORM_BLOCK"), V(176, "ASTC_10x6_SRGB_BLOCK"), 10, 6),
    Astc(FMT_ASTC_10X8, V(177, "ASTC_10x8_UNORM_BLOCK"), V(178, "ASTC_10x8_SRGB_BLOCK"), 10, 8),
    Astc(FMT_ASTC_10X10, V(179, "ASTC_10x10_UNORM_BLOCK"), V(180, "ASTC_10x10_SRGB_BLOCK"), 10, 10),
    Astc(FMT_ASTC_12X10, V(181, "ASTC_12x10_UNORM_BLOCK"), V(182, "ASTC_12x10_SRGB_BLOCK"), 12, 10),
    Astc(FMT_ASTC_12X12, V(183, "ASTC_12x12_UNORM_BLOCK"), V(184, "ASTC_12x12_SRGB_BLOCK"), 12, 12),
    // ASTC, HDR: each footprint's SFLOAT form.
    Astc(FMT_ASTC_4X4_F, V(kAstcSfloatFirst + 0, "ASTC_4x4_SFLOAT_BLOCK_EXT"), kNone, 4, 4, kSfloat),
    Astc(FMT_ASTC_5X4_F, V(kAstcSfloatFirst + 1, "ASTC_5x4_SFLOAT_BLOCK_EXT"), kNone, 5, 4, kSfloat),
    Astc(FMT_ASTC_5X5_F, V(kAstcSfloatFirst + 2, "ASTC_5x5_SFLOAT_BLOCK_EXT"), kNone, 5, 5, kSfloat),
    Astc(FMT_ASTC_6X5_F, V(kAstcSfloatFirst + 3, "ASTC_6x5_SFLOAT_BLOCK_EXT"), kNone, 6, 5, kSfloat),
    Astc(FMT_ASTC_6X6_F, V(kAstcSfloatFirst + 4, "ASTC_6x6_SFLOAT_BLOCK_EXT"), kNone, 6, 6, kSfloat),
    Astc(FMT_ASTC_8X5_F, V(kAstcSfloatFirst + 5, "ASTC_8x5_SFLOAT_BLOCK_EXT"), kNone, 8, 5, kSfloat),
    Astc(FMT_ASTC_8X6_F, V(kAstcSfloatFirst + 6, "ASTC_8x6_SFLOAT_BLOCK_EXT"), kNone, 8, 6, kSfloat),
    Astc(FMT_ASTC_8X8_F, V(kAstcSfloatFirst + 7, "ASTC_8x8_SFLOAT_BLOCK_EXT"), kNone, 8, 8, kSfloat),
    Astc(FMT_ASTC_10X5_F, V(kAstcSfloatFirst + 8, "ASTC_10x5_SFLOAT_BLOCK_EXT"), kNone, 10, 5, kSfloat),
    Astc(FMT_ASTC_10X6_F, V(kAstcSfloatFirst + 9, "ASTC_10x6_SFLOAT_BLOCK_EXT"), kNone, 10, 6, kSfloat),
    Astc(FMT_ASTC_10X8_F, V(kAstcSfloatFirst + 10, "ASTC_10x8_SFLOAT_BLOCK_EXT"), kNone, 10, 8, kSfloat),
    Astc(FMT_ASTC_10X10_F, V(kAstcSfloatFirst + 11, "ASTC_10x10_SFLOAT_BLOCK_EXT"), kNone, 10, 10, kSfloat),
    Astc(FMT_ASTC_12X10_F, V(kAstcSfloatFirst + 12, "ASTC_12x10_SFLOAT_BLOCK_EXT"), kNone, 12, 10, kSfloat),
    Astc(FMT_ASTC_12X12_F, V(kAstcSfloatFirst + 13, "ASTC_12x12_SFLOAT_BLOCK_EXT"), kNone, 12, 12, kSfloat),
};
// clang-format on

// Read, never written: BC1 without its alpha (read as dxt1, whose opaque
// blocks decode the same), and the signed BC4 and BC5 blocks (rescaled to
// unsigned ones, as the DDS reader does).
struct OtherReading {
    VkName vk;
    D3DFORMAT format;
    ColourSpace colourSpace;
    Swizzle swizzle;
};
constexpr OtherReading kOtherReadings[] = {
    {V(131, "BC1_RGB_UNORM_BLOCK"), D3DFMT_DXT1, ColourSpace::Unspecified, Swizzle::None},
    {V(132, "BC1_RGB_SRGB_BLOCK"), D3DFMT_DXT1, ColourSpace::Srgb, Swizzle::None},
    {V(140, "BC4_SNORM_BLOCK"), D3DFMT_BC4, ColourSpace::Unspecified, Swizzle::SignedChannelBlocks},
    {V(142, "BC5_SNORM_BLOCK"), D3DFMT_BC5, ColourSpace::Unspecified, Swizzle::SignedChannelBlocks},
};

// Every row's format is one of the library's (in its catalogue, or an ASTC
// footprint of the same size), its samples lie within the format's unit (a
// pixel or a block) and a block row's block is the library's; premultiplied
// twins aside, a VkFormat names one row, or two that KTXswizzle tells apart.
constexpr bool RowsFollowTheCatalogue()
{
    for (const FormatRow& row : kRows) {
        if (const size_t astcIndex = IndexOfAstcFormat(row.format); astcIndex < kAstcFormatCount) {
            const AstcFormat& astc = kAstcFormats[astcIndex];
            if (row.model != kModelAstc || row.blockWidth != astc.blockWidth || row.blockHeight != astc.blockHeight)
                return false;
            continue;
        }
        const size_t index = IndexOfCodecFormat(row.format);
        if (index == kCodecFormatCount)
            return false;
        const CodecFormat& codec = kCodecFormats[index];
        if (row.IsBlock() != (codec.storage == PixelStorage::Block4x4) || codec.unitBytes % row.typeSize != 0)
            return false;
        if (row.sampleCount == 0 || row.sampleCount > kMaxSamples)
            return false;
        for (size_t i = 0; i < row.sampleCount; ++i)
            if (row.samples[i].bitOffset + row.samples[i].bits > 8u * codec.unitBytes)
                return false;
    }
    return true;
}
static_assert(RowsFollowTheCatalogue(), "every KTX2 row must describe one of the library's formats");

constexpr bool PremultipliedTwin(D3DFORMAT a, D3DFORMAT b)
{
    return (a == D3DFMT_DXT2 && b == D3DFMT_DXT3) || (a == D3DFMT_DXT4 && b == D3DFMT_DXT5);
}

constexpr bool VkFormatsAreDistinct()
{
    for (size_t i = 0; i < kRows.size(); ++i)
        for (size_t j = i + 1; j < kRows.size(); ++j) {
            if (kRows[i].format == kRows[j].format)
                return false;
            const bool shared = kRows[i].vk.number == kRows[j].vk.number;
            const bool toldApart = (kRows[i].shownAs == nullptr) != (kRows[j].shownAs == nullptr);
            if (shared && !toldApart && !PremultipliedTwin(kRows[i].format, kRows[j].format))
                return false;
        }
    return true;
}
static_assert(VkFormatsAreDistinct(), "a VkFormat must name one format");

} // namespace

std::span<const FormatRow> FormatRows() { return kRows; }

const FormatRow* FindRow(D3DFORMAT format)
{
    const auto found = std::ranges::find(kRows, format, &FormatRow::format);
    return found == kRows.end() ? nullptr : &*found;
}

std::optional<Reading> ReadingOf(uint32_t vkFormat, bool shownAsGrey)
{
    const FormatRow* match = nullptr;
    for (const FormatRow& row : kRows) {
        // The premultiplied rows share their straight twins' VkFormats; the
        // descriptor's flag tells them apart, after this.
        if (row.format == D3DFMT_DXT2 || row.format == D3DFMT_DXT4)
            continue;
        for (const VkName& name : {row.vk, row.vkSrgb})
            // Of two rows of one VkFormat, KTXswizzle picks the grey one.
            if (name.Exists() && name.number == vkFormat &&
                (match == nullptr || (row.shownAs != nullptr) == shownAsGrey))
                match = &row;
    }
    if (match != nullptr) {
        const ColourSpace space =
            match->vkSrgb.Exists() && match->vkSrgb.number == vkFormat ? ColourSpace::Srgb : ColourSpace::Unspecified;
        return Reading{match, space, Swizzle::None};
    }
    for (const OtherReading& other : kOtherReadings)
        if (other.vk.number == vkFormat)
            return Reading{FindRow(other.format), other.colourSpace, other.swizzle};
    return std::nullopt;
}

std::string VkFormatName(uint32_t vkFormat)
{
    for (const FormatRow& row : kRows)
        for (const VkName& name : {row.vk, row.vkSrgb})
            if (name.Exists() && name.number == vkFormat)
                return name.name;
    for (const OtherReading& other : kOtherReadings)
        if (other.vk.number == vkFormat)
            return other.vk.name;
    return "VkFormat " + std::to_string(vkFormat);
}

std::string NoVkFormatReason(D3DFORMAT format)
{
    return FormatName(format) + " has no Vulkan format; KTX2 cannot hold it (write it as DDS, or convert it to a " +
           "format with one: a8r8g8b8, a16b16g16r16f, bc7 ...)";
}

} // namespace r3az8tex::ktx2
