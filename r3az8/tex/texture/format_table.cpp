#include "r3az8/tex/texture/format_table.h"

#include "r3az8/tex/astc/astc_formats.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <stdexcept>
#include <utility>

namespace r3az8tex {
namespace {

using enum Content;

// The channels a format stores (ChannelMask bits) and the bits of its
// widest.
struct Channels {
    BYTE mask = 0;
    UINT bits = 0;

    // A field of `fieldBits` for `channel`; luminance shows in all three
    // colours.
    constexpr void Add(packed::Channel channel, UINT fieldBits)
    {
        constexpr BYTE kMasks[] = {kRed, kGreen, kBlue, kAlpha, kRgb}; // in packed::Channel order
        mask |= kMasks[static_cast<size_t>(channel)];
        bits = std::max(bits, fieldBits);
    }
};

// What the catalogue says of a format's channels, their one home: a
// packed or floating-point format's layout; 8-bit ARGB entries for a
// palette; 8-bit colour for two pixels that share it. The block codecs
// keep no such record (nor the two packed-float codecs): a row of theirs
// that leaves its channels out does not compile.
constexpr Channels CatalogueChannels(D3DFORMAT format, Content content)
{
    if (content == Paletted)
        return {kRgba, 8};
    if (kCodecFormats.at(IndexOfCodecFormat(format)).storage == PixelStorage::PixelPair)
        return {kRgb, 8};
    Channels channels;
    if (const size_t index = IndexOfFormatRow(packed::kLayouts, format); index < packed::kLayoutCount) {
        const packed::Layout& layout = packed::kLayouts[index];
        for (unsigned i = 0; i < layout.fieldCount; ++i)
            channels.Add(layout.fields[i].channel, layout.fields[i].bits);
        return channels;
    }
    const size_t index = IndexOfFormatRow(floats::kLayouts, format);
    if (index == floats::kLayoutCount || floats::kLayouts[index].packing != floats::Packing::Channels)
        throw std::logic_error("the catalogue does not tell the format's channels");
    const floats::Layout& layout = floats::kLayouts[index];
    for (unsigned i = 0; i < layout.fieldCount; ++i)
        channels.Add(layout.fields[i].channel, 8 * floats::FieldBytes(layout.fields[i]));
    return channels;
}

// A row with the storage facts of the library's catalogue, their one home;
// a format outside the catalogue does not compile.
constexpr FormatInfo Row(D3DFORMAT format, const char* name, Content content, Channels channels,
                         Access access = Access::ReadWrite)
{
    const CodecFormat& codec = kCodecFormats.at(IndexOfCodecFormat(format));
    FormatInfo row{format, name, codec.storage, codec.unitBytes, content, channels.mask, channels.bits, access};
    const StorageUnitSize unit = UnitSizeOf(codec.storage);
    row.unitWidth = unit.width;
    row.unitHeight = unit.height;
    return row;
}

// An ASTC format's row: colour and alpha in 8 bits (the LDR profile) or
// in half floats (the HDR form), blocks of its footprint, coded through
// libastcenc rather than the catalogue's codecs.
constexpr FormatInfo AstcRow(const AstcFormat& astc, bool hdr)
{
    FormatInfo row{hdr ? astc.floatFormat : astc.format,
                   hdr ? astc.floatName : astc.name,
                   Storage::FootprintBlock,
                   kAstcBlockBytes,
                   hdr ? Float : Colour,
                   kRgba,
                   hdr ? 16u : 8u};
    row.unitWidth = astc.blockWidth;
    row.unitHeight = astc.blockHeight;
    return row;
}

// Every footprint's LDR row, then every footprint's HDR row.
constexpr std::array<FormatInfo, 2 * kAstcFormatCount> AstcRows()
{
    std::array<FormatInfo, 2 * kAstcFormatCount> rows{};
    for (size_t i = 0; i < kAstcFormatCount; ++i) {
        rows[i] = AstcRow(kAstcFormats[i], false);
        rows[kAstcFormatCount + i] = AstcRow(kAstcFormats[i], true);
    }
    return rows;
}

// A row whose channels the catalogue tells.
constexpr FormatInfo Row(D3DFORMAT format, const char* name, Content content)
{
    return Row(format, name, content, CatalogueChannels(format, content));
}

constexpr std::array kCatalogueFormats = {
    Row(D3DFMT_R8G8B8, "r8g8b8", Colour),
    Row(D3DFMT_A8R8G8B8, "a8r8g8b8", Colour),
    Row(D3DFMT_X8R8G8B8, "x8r8g8b8", Colour),
    Row(D3DFMT_R5G6B5, "r5g6b5", Colour),
    Row(D3DFMT_X1R5G5B5, "x1r5g5b5", Colour),
    Row(D3DFMT_A1R5G5B5, "a1r5g5b5", Colour),
    Row(D3DFMT_A4R4G4B4, "a4r4g4b4", Colour),
    Row(D3DFMT_R3G3B2, "r3g3b2", Colour),
    Row(D3DFMT_A8, "a8", AlphaOnly),
    Row(D3DFMT_A8R3G3B2, "a8r3g3b2", Colour),
    Row(D3DFMT_X4R4G4B4, "x4r4g4b4", Colour),
    Row(D3DFMT_A2B10G10R10, "a2b10g10r10", Colour),
    Row(D3DFMT_G16R16, "g16r16", Data),
    Row(D3DFMT_A8P8, "a8p8", Paletted),
    Row(D3DFMT_P8, "p8", Paletted),
    Row(D3DFMT_L8, "l8", Luminance),
    Row(D3DFMT_A8L8, "a8l8", Luminance),
    Row(D3DFMT_A4L4, "a4l4", Luminance),
    Row(D3DFMT_V8U8, "v8u8", Signed),
    Row(D3DFMT_L6V5U5, "l6v5u5", Signed),
    Row(D3DFMT_X8L8V8U8, "x8l8v8u8", Signed),
    Row(D3DFMT_Q8W8V8U8, "q8w8v8u8", Signed),
    Row(D3DFMT_V16U16, "v16u16", Signed),
    Row(D3DFMT_W11V11U10, "w11v11u10", Signed),
    Row(D3DFMT_A2W10V10U10, "a2w10v10u10", Signed),
    Row(D3DFMT_D16_LOCKABLE, "d16_lockable", Data),
    Row(FMT_L16, "l16", Luminance),
    Row(FMT_A16L16, "a16l16", Luminance),
    Row(FMT_R16G16B16, "r16g16b16", Colour),
    Row(FMT_A16R16G16B16, "a16r16g16b16", Colour),
    Row(D3DFMT_UYVY, "uyvy", Colour),
    Row(D3DFMT_YUY2, "yuy2", Colour),
    Row(D3DFMT_DXT1, "dxt1", Colour, {kRgba, 6}),
    Row(D3DFMT_DXT2, "dxt2", Colour, {kRgba, 6}),
    Row(D3DFMT_DXT3, "dxt3", Colour, {kRgba, 6}),
    Row(D3DFMT_DXT4, "dxt4", Colour, {kRgba, 8}),
    Row(D3DFMT_DXT5, "dxt5", Colour, {kRgba, 8}),
    // Integer layouts of later Direct3D versions.
    Row(FMT_G8R8, "r8g8_unorm", Data),
    Row(FMT_R8_SNORM, "r8_snorm", Signed),
    Row(FMT_R16_SNORM, "r16_snorm", Signed),
    Row(FMT_Q16W16V16U16, "q16w16v16u16", Signed),
    // Floating point.
    Row(FMT_R16F, "r16f", Float),
    Row(FMT_G16R16F, "g16r16f", Float),
    Row(FMT_A16B16G16R16F, "a16b16g16r16f", Float),
    Row(FMT_R32F, "r32f", Float),
    Row(FMT_G32R32F, "g32r32f", Float),
    Row(FMT_A32B32G32R32F, "a32b32g32r32f", Float),
    Row(FMT_B32G32R32F, "r32g32b32_float", Float),
    Row(FMT_R11G11B10F, "r11g11b10_float", Float, {kRgb, 11}),
    Row(FMT_R9G9B9E5, "r9g9b9e5_sharedexp", Float, {kRgb, 14}),
    // Pixel pairs sharing red and blue.
    Row(FMT_R8G8_B8G8, "r8g8_b8g8", Colour),
    Row(FMT_G8R8_G8B8, "g8r8_g8b8", Colour),
    Row(D3DFMT_BC4, "bc4", Data, {kRed, 8}),
    Row(D3DFMT_BC5, "bc5", Data, {kRed | kGreen, 8}),
    // Of these blocks the library decodes all but encodes only BC6H and BC7.
    Row(FMT_BC6H_UF16, "bc6h_uf16", Float, {kRgb, 16}),
    Row(FMT_BC6H_SF16, "bc6h_sf16", Float, {kRgb, 16}),
    Row(FMT_BC7, "bc7", Colour, {kRgba, 8}),
    Row(FMT_RXGB, "rxgb", Data, {kRgb, 8}, Access::ReadOnly),
};

// One row for each format of the library's catalogue (the rows' formats
// are distinct, see below).
static_assert(kCatalogueFormats.size() == kCodecFormatCount,
              "the format table must follow the library's format catalogue");

// The catalogue's rows, then the ASTC formats, the only ones outside it.
constexpr std::array<FormatInfo, kCodecFormatCount + 2 * kAstcFormatCount> kFormats = [] {
    std::array<FormatInfo, kCodecFormatCount + 2 * kAstcFormatCount> all{};
    size_t next = 0;
    for (const FormatInfo& row : kCatalogueFormats)
        all[next++] = row;
    for (const FormatInfo& row : AstcRows())
        all[next++] = row;
    return all;
}();

constexpr bool NamesAndCodesUnique()
{
    for (size_t i = 0; i < kFormats.size(); ++i)
        for (size_t j = i + 1; j < kFormats.size(); ++j) {
            if (kFormats[i].format == kFormats[j].format)
                return false;
            if (std::string_view(kFormats[i].name) == kFormats[j].name)
                return false;
        }
    return true;
}
static_assert(NamesAndCodesUnique());

} // namespace

std::span<const FormatInfo> AllFormats() { return kFormats; }

const FormatInfo* FindFormat(D3DFORMAT format)
{
    for (const FormatInfo& info : kFormats)
        if (info.format == format)
            return &info;
    return nullptr;
}

std::string FormatName(D3DFORMAT format)
{
    if (const FormatInfo* info = FindFormat(format))
        return info->name;
    char text[32];
    std::snprintf(text, sizeof text, "unknown (%u)", static_cast<unsigned>(format));
    return text;
}

std::string AllFormatNames()
{
    std::string names;
    for (const FormatInfo& info : kFormats) {
        if (!names.empty())
            names += ", ";
        names += info.name;
    }
    return names;
}

} // namespace r3az8tex
