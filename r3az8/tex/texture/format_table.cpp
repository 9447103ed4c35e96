#include "r3az8/tex/texture/format_table.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace r3az8tex {
namespace {

constexpr DWORD Fourcc(D3DFORMAT format) { return static_cast<DWORD>(format); }

// Shorthands for the DDS column.
constexpr DdsPixelFormat Masks(DWORD flags, DWORD bits, DWORD red, DWORD green, DWORD blue, DWORD alpha)
{
    return {flags, 0, bits, red, green, blue, alpha};
}
constexpr DdsPixelFormat ByFourcc(DWORD code) { return {DDPF_FOURCC, code, 0, 0, 0, 0, 0}; }
// No classic description: named by the DX10 header alone.
constexpr DdsPixelFormat Dx10Only() { return {0, 0, 0, 0, 0, 0, 0}; }

constexpr DWORD RGB = DDPF_RGB;
constexpr DWORD RGBA = DDPF_RGB | DDPF_ALPHAPIXELS;
constexpr DWORD LUM = DDPF_LUMINANCE;
constexpr DWORD LUMA = DDPF_LUMINANCE | DDPF_ALPHAPIXELS;
constexpr DWORD DUDV = DDPF_BUMPDUDV;
constexpr DWORD DUDVA = DDPF_BUMPDUDV | DDPF_ALPHAPIXELS;
constexpr DWORD BUMPL = DDPF_BUMPLUMINANCE;
constexpr DWORD PAL = DDPF_PALETTEINDEXED8;
constexpr DWORD PALA = DDPF_PALETTEINDEXED8 | DDPF_ALPHAPIXELS;

using enum PixelStorage; // Storage names it; clang 14 takes no alias here
using enum Content;

// Mask layouts follow the usual DDS practice (the writer adds the spellings
// some readers need, dds/header_habits.h). Where no mask layout exists, or
// no common reader knows one, the FOURCC field carries the format code
// instead: W11V11U10 and D16_LOCKABLE by their Direct3D numbers, and the
// library's own R16G16B16 and A16R16G16B16. A2B10G10R10 is stored by its
// masks, red in the low bits as the name says; the reader also takes the
// masks with red and blue exchanged, as some writers store them.
constexpr std::array kFormats = {
    FormatInfo{D3DFMT_R8G8B8, "r8g8b8", Packed, 3, Colour, kRgb, 8, Masks(RGB, 24, 0xFF0000, 0xFF00, 0xFF, 0)},
    FormatInfo{D3DFMT_A8R8G8B8, "a8r8g8b8", Packed, 4, Colour, kRgba, 8,
               Masks(RGBA, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000)},
    FormatInfo{D3DFMT_X8R8G8B8, "x8r8g8b8", Packed, 4, Colour, kRgb, 8, Masks(RGB, 32, 0xFF0000, 0xFF00, 0xFF, 0)},
    FormatInfo{D3DFMT_R5G6B5, "r5g6b5", Packed, 2, Colour, kRgb, 6, Masks(RGB, 16, 0xF800, 0x07E0, 0x001F, 0)},
    FormatInfo{D3DFMT_X1R5G5B5, "x1r5g5b5", Packed, 2, Colour, kRgb, 5, Masks(RGB, 16, 0x7C00, 0x03E0, 0x001F, 0)},
    FormatInfo{D3DFMT_A1R5G5B5, "a1r5g5b5", Packed, 2, Colour, kRgba, 5,
               Masks(RGBA, 16, 0x7C00, 0x03E0, 0x001F, 0x8000)},
    FormatInfo{D3DFMT_A4R4G4B4, "a4r4g4b4", Packed, 2, Colour, kRgba, 4,
               Masks(RGBA, 16, 0x0F00, 0x00F0, 0x000F, 0xF000)},
    FormatInfo{D3DFMT_R3G3B2, "r3g3b2", Packed, 1, Colour, kRgb, 3, Masks(RGB, 8, 0xE0, 0x1C, 0x03, 0)},
    FormatInfo{D3DFMT_A8, "a8", Packed, 1, AlphaOnly, kAlpha, 8, Masks(DDPF_ALPHA, 8, 0, 0, 0, 0xFF)},
    FormatInfo{D3DFMT_A8R3G3B2, "a8r3g3b2", Packed, 2, Colour, kRgba, 8,
               Masks(RGBA, 16, 0x00E0, 0x001C, 0x0003, 0xFF00)},
    FormatInfo{D3DFMT_X4R4G4B4, "x4r4g4b4", Packed, 2, Colour, kRgb, 4, Masks(RGB, 16, 0x0F00, 0x00F0, 0x000F, 0)},
    FormatInfo{D3DFMT_A2B10G10R10, "a2b10g10r10", Packed, 4, Colour, kRgba, 10,
               Masks(RGBA, 32, 0x000003FF, 0x000FFC00, 0x3FF00000, 0xC0000000)},
    FormatInfo{D3DFMT_G16R16, "g16r16", Packed, 4, Data, kRed | kGreen, 16,
               Masks(RGB, 32, 0x0000FFFF, 0xFFFF0000, 0, 0)},
    FormatInfo{D3DFMT_A8P8, "a8p8", Packed, 2, Paletted, kRgba, 8, Masks(PALA, 16, 0, 0, 0, 0xFF00)},
    FormatInfo{D3DFMT_P8, "p8", Packed, 1, Paletted, kRgba, 8, Masks(PAL, 8, 0, 0, 0, 0)},
    FormatInfo{D3DFMT_L8, "l8", Packed, 1, Luminance, kRgb, 8, Masks(LUM, 8, 0xFF, 0, 0, 0)},
    FormatInfo{D3DFMT_A8L8, "a8l8", Packed, 2, Luminance, kRgba, 8, Masks(LUMA, 16, 0x00FF, 0, 0, 0xFF00)},
    FormatInfo{D3DFMT_A4L4, "a4l4", Packed, 1, Luminance, kRgba, 4, Masks(LUMA, 8, 0x0F, 0, 0, 0xF0)},
    FormatInfo{D3DFMT_V8U8, "v8u8", Packed, 2, Signed, kRed | kGreen, 8, Masks(DUDV, 16, 0x00FF, 0xFF00, 0, 0)},
    FormatInfo{D3DFMT_L6V5U5, "l6v5u5", Packed, 2, Signed, kRed | kGreen | kAlpha, 6,
               Masks(BUMPL, 16, 0x001F, 0x03E0, 0xFC00, 0)},
    FormatInfo{D3DFMT_X8L8V8U8, "x8l8v8u8", Packed, 4, Signed, kRed | kGreen | kAlpha, 8,
               Masks(BUMPL, 32, 0x0000FF, 0x00FF00, 0xFF0000, 0)},
    FormatInfo{D3DFMT_Q8W8V8U8, "q8w8v8u8", Packed, 4, Signed, kRgba, 8,
               Masks(DUDV, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000)},
    FormatInfo{D3DFMT_V16U16, "v16u16", Packed, 4, Signed, kRed | kGreen, 16,
               Masks(DUDV, 32, 0x0000FFFF, 0xFFFF0000, 0, 0)},
    FormatInfo{D3DFMT_W11V11U10, "w11v11u10", Packed, 4, Signed, kRgb, 11, ByFourcc(Fourcc(D3DFMT_W11V11U10))},
    FormatInfo{D3DFMT_A2W10V10U10, "a2w10v10u10", Packed, 4, Signed, kRgba, 10,
               Masks(DUDVA, 32, 0x000003FF, 0x000FFC00, 0x3FF00000, 0xC0000000)},
    FormatInfo{D3DFMT_D16_LOCKABLE, "d16_lockable", Packed, 2, Data, kRgb, 16, ByFourcc(Fourcc(D3DFMT_D16_LOCKABLE))},
    FormatInfo{FMT_L16, "l16", Packed, 2, Luminance, kRgb, 16, Masks(LUM, 16, 0xFFFF, 0, 0, 0)},
    FormatInfo{FMT_A16L16, "a16l16", Packed, 4, Luminance, kRgba, 16, Masks(LUMA, 32, 0xFFFF, 0, 0, 0xFFFF0000)},
    FormatInfo{FMT_R16G16B16, "r16g16b16", Packed, 6, Colour, kRgb, 16, ByFourcc(FMT_R16G16B16)},
    FormatInfo{FMT_A16R16G16B16, "a16r16g16b16", Packed, 8, Colour, kRgba, 16, ByFourcc(FMT_A16R16G16B16)},
    FormatInfo{D3DFMT_UYVY, "uyvy", PixelPair, 4, Colour, kRgb, 8, ByFourcc(D3DFMT_UYVY)},
    FormatInfo{D3DFMT_YUY2, "yuy2", PixelPair, 4, Colour, kRgb, 8, ByFourcc(D3DFMT_YUY2)},
    FormatInfo{D3DFMT_DXT1, "dxt1", Block4x4, 8, Colour, kRgba, 6, ByFourcc(D3DFMT_DXT1)},
    FormatInfo{D3DFMT_DXT2, "dxt2", Block4x4, 16, Colour, kRgba, 6, ByFourcc(D3DFMT_DXT2)},
    FormatInfo{D3DFMT_DXT3, "dxt3", Block4x4, 16, Colour, kRgba, 6, ByFourcc(D3DFMT_DXT3)},
    FormatInfo{D3DFMT_DXT4, "dxt4", Block4x4, 16, Colour, kRgba, 8, ByFourcc(D3DFMT_DXT4)},
    FormatInfo{D3DFMT_DXT5, "dxt5", Block4x4, 16, Colour, kRgba, 8, ByFourcc(D3DFMT_DXT5)},
    // Integer layouts of later Direct3D versions. Q16W16V16U16 keeps the
    // number Direct3D 9 gave it; the others have only DXGI names.
    FormatInfo{FMT_G8R8, "r8g8_unorm", Packed, 2, Data, kRed | kGreen, 8, Dx10Only()},
    FormatInfo{FMT_R8_SNORM, "r8_snorm", Packed, 1, Signed, kRed, 8, Dx10Only()},
    FormatInfo{FMT_R16_SNORM, "r16_snorm", Packed, 2, Signed, kRed, 16, Dx10Only()},
    FormatInfo{FMT_Q16W16V16U16, "q16w16v16u16", Packed, 8, Signed, kRgba, 16, ByFourcc(110)},
    // Floating point: the Direct3D 9 numbers 111 to 116 where they exist.
    FormatInfo{FMT_R16F, "r16f", Packed, 2, Float, kRed, 16, ByFourcc(111)},
    FormatInfo{FMT_G16R16F, "g16r16f", Packed, 4, Float, kRed | kGreen, 16, ByFourcc(112)},
    FormatInfo{FMT_A16B16G16R16F, "a16b16g16r16f", Packed, 8, Float, kRgba, 16, ByFourcc(113)},
    FormatInfo{FMT_R32F, "r32f", Packed, 4, Float, kRed, 32, ByFourcc(114)},
    FormatInfo{FMT_G32R32F, "g32r32f", Packed, 8, Float, kRed | kGreen, 32, ByFourcc(115)},
    FormatInfo{FMT_A32B32G32R32F, "a32b32g32r32f", Packed, 16, Float, kRgba, 32, ByFourcc(116)},
    FormatInfo{FMT_B32G32R32F, "r32g32b32_float", Packed, 12, Float, kRgb, 32, Dx10Only()},
    FormatInfo{FMT_R11G11B10F, "r11g11b10_float", Packed, 4, Float, kRgb, 11, Dx10Only()},
    FormatInfo{FMT_R9G9B9E5, "r9g9b9e5_sharedexp", Packed, 4, Float, kRgb, 14, Dx10Only()},
    // Pixel pairs sharing red and blue.
    FormatInfo{FMT_R8G8_B8G8, "r8g8_b8g8", PixelPair, 4, Colour, kRgb, 8, ByFourcc(FMT_R8G8_B8G8)},
    FormatInfo{FMT_G8R8_G8B8, "g8r8_g8b8", PixelPair, 4, Colour, kRgb, 8, ByFourcc(FMT_G8R8_G8B8)},
    // Written with the "ATI1" and "ATI2" FOURCCs, the form most readers know.
    FormatInfo{D3DFMT_BC4, "bc4", Block4x4, 8, Data, kRed, 8, ByFourcc(D3DFMT_BC4)},
    FormatInfo{D3DFMT_BC5, "bc5", Block4x4, 16, Data, kRed | kGreen, 8, ByFourcc(D3DFMT_BC5)},
    // Blocks the library decodes but cannot encode.
    FormatInfo{FMT_BC6H_UF16, "bc6h_uf16", Block4x4, 16, Float, kRgb, 16, Dx10Only(), Access::ReadOnly},
    FormatInfo{FMT_BC6H_SF16, "bc6h_sf16", Block4x4, 16, Float, kRgb, 16, Dx10Only(), Access::ReadOnly},
    FormatInfo{FMT_BC7, "bc7", Block4x4, 16, Colour, kRgba, 8, Dx10Only(), Access::ReadOnly},
    FormatInfo{FMT_RXGB, "rxgb", Block4x4, 16, Data, kRgb, 8, ByFourcc(FMT_RXGB), Access::ReadOnly},
};

// One row for each format of the library's catalogue, stored as the library
// stores it (the rows' formats are distinct, see below).
constexpr bool FollowsTheLibraryCatalogue()
{
    if (kFormats.size() != kCodecFormatCount)
        return false;
    for (const FormatInfo& info : kFormats) {
        const std::size_t index = IndexOfCodecFormat(info.format);
        if (index == kCodecFormatCount || kCodecFormats[index].storage != info.storage ||
            kCodecFormats[index].unitBytes != info.unitBytes)
            return false;
    }
    return true;
}
static_assert(FollowsTheLibraryCatalogue(), "the format table must follow the library's format catalogue");

constexpr bool MasksFitBitCount(const FormatInfo& info)
{
    const DdsPixelFormat& pf = info.dds;
    if (info.NeedsDx10Header())
        return pf.fourCC == 0 && pf.bitCount == 0;
    if (pf.flags & DDPF_FOURCC)
        return pf.bitCount == 0;
    if (pf.bitCount != info.unitBytes * 8 || info.storage != Packed)
        return false;
    const DWORD all = pf.redMask | pf.greenMask | pf.blueMask | pf.alphaMask;
    const unsigned long long limit = 1ull << pf.bitCount;
    if (all >= limit)
        return false;
    // Fields may not overlap.
    return (pf.redMask & pf.greenMask) == 0 && (pf.redMask & pf.blueMask) == 0 && (pf.redMask & pf.alphaMask) == 0 &&
           (pf.greenMask & pf.blueMask) == 0 && (pf.greenMask & pf.alphaMask) == 0 &&
           (pf.blueMask & pf.alphaMask) == 0;
}

static_assert(std::ranges::all_of(kFormats, MasksFitBitCount), "a DDS mask layout does not fit its format");

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
