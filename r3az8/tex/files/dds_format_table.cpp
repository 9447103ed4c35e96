#include "r3az8/tex/files/dds_format_table.h"

#include "r3az8/tex/codecs/format_catalogue.h"
#include "r3az8/tex/texture/texture_error.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace r3az8tex::dds {
namespace {

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

constexpr Dxgi D(DWORD number, const char* name) { return {number, name}; }
constexpr Dxgi kNoDxgi{0, nullptr};
constexpr ColourSpace kPlain = ColourSpace::Unspecified;
constexpr ColourSpace kSrgb = ColourSpace::Srgb;

// Mask layouts follow the usual DDS practice (the writer adds the spellings
// some readers need, dds_header_habits.h). Where no mask layout exists, or
// no common reader knows one, the FOURCC field carries the format code
// instead: W11V11U10 and D16_LOCKABLE by their Direct3D numbers, the
// library's own R16G16B16 and A16R16G16B16, Q16W16V16U16 and the float
// formats by the Direct3D 9 numbers 110 to 116, BC4 and BC5 as "ATI1" and
// "ATI2", the form most readers know. A2B10G10R10 is stored by its masks,
// red in the low bits as the name says; the reader also takes the masks
// with red and blue exchanged, as some writers store them.
//
// The DXGI forms: DXT2 and DXT4 are BC2 and BC3 with the premultiplied
// alpha mode; A8R8G8B8 and A16R16G16B16 are written in the red-first
// order, the only one DXGI has for them.
constexpr std::array kRows = {
    FormatRow{D3DFMT_R8G8B8, Masks(RGB, 24, 0xFF0000, 0xFF00, 0xFF, 0), kNoDxgi, kNoDxgi},
    FormatRow{D3DFMT_A8R8G8B8, Masks(RGBA, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000), D(28, "R8G8B8A8_UNORM"),
              D(29, "R8G8B8A8_UNORM_SRGB"), Swizzle::SwapRedBlue8},
    FormatRow{D3DFMT_X8R8G8B8, Masks(RGB, 32, 0xFF0000, 0xFF00, 0xFF, 0), D(88, "B8G8R8X8_UNORM"),
              D(93, "B8G8R8X8_UNORM_SRGB")},
    FormatRow{D3DFMT_R5G6B5, Masks(RGB, 16, 0xF800, 0x07E0, 0x001F, 0), D(85, "B5G6R5_UNORM"), kNoDxgi},
    FormatRow{D3DFMT_X1R5G5B5, Masks(RGB, 16, 0x7C00, 0x03E0, 0x001F, 0), kNoDxgi, kNoDxgi},
    FormatRow{D3DFMT_A1R5G5B5, Masks(RGBA, 16, 0x7C00, 0x03E0, 0x001F, 0x8000), D(86, "B5G5R5A1_UNORM"), kNoDxgi},
    FormatRow{D3DFMT_A4R4G4B4, Masks(RGBA, 16, 0x0F00, 0x00F0, 0x000F, 0xF000), D(115, "B4G4R4A4_UNORM"), kNoDxgi},
    FormatRow{D3DFMT_R3G3B2, Masks(RGB, 8, 0xE0, 0x1C, 0x03, 0), kNoDxgi, kNoDxgi},
    FormatRow{D3DFMT_A8, Masks(DDPF_ALPHA, 8, 0, 0, 0, 0xFF), D(65, "A8_UNORM"), kNoDxgi},
    FormatRow{D3DFMT_A8R3G3B2, Masks(RGBA, 16, 0x00E0, 0x001C, 0x0003, 0xFF00), kNoDxgi, kNoDxgi},
    FormatRow{D3DFMT_X4R4G4B4, Masks(RGB, 16, 0x0F00, 0x00F0, 0x000F, 0), kNoDxgi, kNoDxgi},
    FormatRow{D3DFMT_A2B10G10R10, Masks(RGBA, 32, 0x000003FF, 0x000FFC00, 0x3FF00000, 0xC0000000),
              D(24, "R10G10B10A2_UNORM"), kNoDxgi},
    FormatRow{D3DFMT_G16R16, Masks(RGB, 32, 0x0000FFFF, 0xFFFF0000, 0, 0), D(35, "R16G16_UNORM"), kNoDxgi},
    FormatRow{D3DFMT_A8P8, Masks(PALA, 16, 0, 0, 0, 0xFF00), kNoDxgi, kNoDxgi},
    FormatRow{D3DFMT_P8, Masks(PAL, 8, 0, 0, 0, 0), kNoDxgi, kNoDxgi},
    FormatRow{D3DFMT_L8, Masks(LUM, 8, 0xFF, 0, 0, 0), D(61, "R8_UNORM"), kNoDxgi},
    FormatRow{D3DFMT_A8L8, Masks(LUMA, 16, 0x00FF, 0, 0, 0xFF00), kNoDxgi, kNoDxgi},
    FormatRow{D3DFMT_A4L4, Masks(LUMA, 8, 0x0F, 0, 0, 0xF0), kNoDxgi, kNoDxgi},
    FormatRow{D3DFMT_V8U8, Masks(DUDV, 16, 0x00FF, 0xFF00, 0, 0), D(51, "R8G8_SNORM"), kNoDxgi},
    FormatRow{D3DFMT_L6V5U5, Masks(BUMPL, 16, 0x001F, 0x03E0, 0xFC00, 0), kNoDxgi, kNoDxgi},
    FormatRow{D3DFMT_X8L8V8U8, Masks(BUMPL, 32, 0x0000FF, 0x00FF00, 0xFF0000, 0), kNoDxgi, kNoDxgi},
    FormatRow{D3DFMT_Q8W8V8U8, Masks(DUDV, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000), D(31, "R8G8B8A8_SNORM"),
              kNoDxgi},
    FormatRow{D3DFMT_V16U16, Masks(DUDV, 32, 0x0000FFFF, 0xFFFF0000, 0, 0), D(37, "R16G16_SNORM"), kNoDxgi},
    FormatRow{D3DFMT_W11V11U10, ByFourcc(D3DFMT_W11V11U10), kNoDxgi, kNoDxgi},
    FormatRow{D3DFMT_A2W10V10U10, Masks(DUDVA, 32, 0x000003FF, 0x000FFC00, 0x3FF00000, 0xC0000000), kNoDxgi, kNoDxgi},
    FormatRow{D3DFMT_D16_LOCKABLE, ByFourcc(D3DFMT_D16_LOCKABLE), kNoDxgi, kNoDxgi},
    FormatRow{FMT_L16, Masks(LUM, 16, 0xFFFF, 0, 0, 0), D(56, "R16_UNORM"), kNoDxgi},
    FormatRow{FMT_A16L16, Masks(LUMA, 32, 0xFFFF, 0, 0, 0xFFFF0000), kNoDxgi, kNoDxgi},
    FormatRow{FMT_R16G16B16, ByFourcc(FMT_R16G16B16), kNoDxgi, kNoDxgi},
    FormatRow{FMT_A16R16G16B16, ByFourcc(FMT_A16R16G16B16), D(11, "R16G16B16A16_UNORM"), kNoDxgi,
              Swizzle::SwapRedBlue16},
    FormatRow{D3DFMT_UYVY, ByFourcc(D3DFMT_UYVY), kNoDxgi, kNoDxgi},
    FormatRow{D3DFMT_YUY2, ByFourcc(D3DFMT_YUY2), D(107, "YUY2"), kNoDxgi},
    FormatRow{D3DFMT_DXT1, ByFourcc(D3DFMT_DXT1), D(71, "BC1_UNORM"), D(72, "BC1_UNORM_SRGB")},
    FormatRow{D3DFMT_DXT2, ByFourcc(D3DFMT_DXT2), D(74, "BC2_UNORM"), D(75, "BC2_UNORM_SRGB"), Swizzle::None,
              AlphaMode::Premultiplied},
    FormatRow{D3DFMT_DXT3, ByFourcc(D3DFMT_DXT3), D(74, "BC2_UNORM"), D(75, "BC2_UNORM_SRGB")},
    FormatRow{D3DFMT_DXT4, ByFourcc(D3DFMT_DXT4), D(77, "BC3_UNORM"), D(78, "BC3_UNORM_SRGB"), Swizzle::None,
              AlphaMode::Premultiplied},
    FormatRow{D3DFMT_DXT5, ByFourcc(D3DFMT_DXT5), D(77, "BC3_UNORM"), D(78, "BC3_UNORM_SRGB")},
    FormatRow{FMT_G8R8, Dx10Only(), D(49, "R8G8_UNORM"), kNoDxgi},
    FormatRow{FMT_R8_SNORM, Dx10Only(), D(63, "R8_SNORM"), kNoDxgi},
    FormatRow{FMT_R16_SNORM, Dx10Only(), D(58, "R16_SNORM"), kNoDxgi},
    FormatRow{FMT_Q16W16V16U16, ByFourcc(110), D(13, "R16G16B16A16_SNORM"), kNoDxgi},
    FormatRow{FMT_R16F, ByFourcc(111), D(54, "R16_FLOAT"), kNoDxgi},
    FormatRow{FMT_G16R16F, ByFourcc(112), D(34, "R16G16_FLOAT"), kNoDxgi},
    FormatRow{FMT_A16B16G16R16F, ByFourcc(113), D(10, "R16G16B16A16_FLOAT"), kNoDxgi},
    FormatRow{FMT_R32F, ByFourcc(114), D(41, "R32_FLOAT"), kNoDxgi},
    FormatRow{FMT_G32R32F, ByFourcc(115), D(16, "R32G32_FLOAT"), kNoDxgi},
    FormatRow{FMT_A32B32G32R32F, ByFourcc(116), D(2, "R32G32B32A32_FLOAT"), kNoDxgi},
    FormatRow{FMT_B32G32R32F, Dx10Only(), D(6, "R32G32B32_FLOAT"), kNoDxgi},
    FormatRow{FMT_R11G11B10F, Dx10Only(), D(26, "R11G11B10_FLOAT"), kNoDxgi},
    FormatRow{FMT_R9G9B9E5, Dx10Only(), D(67, "R9G9B9E5_SHAREDEXP"), kNoDxgi},
    FormatRow{FMT_R8G8_B8G8, ByFourcc(FMT_R8G8_B8G8), D(68, "R8G8_B8G8_UNORM"), kNoDxgi},
    FormatRow{FMT_G8R8_G8B8, ByFourcc(FMT_G8R8_G8B8), D(69, "G8R8_G8B8_UNORM"), kNoDxgi},
    FormatRow{D3DFMT_BC4, ByFourcc(D3DFMT_BC4), D(80, "BC4_UNORM"), kNoDxgi},
    FormatRow{D3DFMT_BC5, ByFourcc(D3DFMT_BC5), D(83, "BC5_UNORM"), kNoDxgi},
    FormatRow{FMT_BC6H_UF16, Dx10Only(), D(95, "BC6H_UF16"), kNoDxgi},
    FormatRow{FMT_BC6H_SF16, Dx10Only(), D(96, "BC6H_SF16"), kNoDxgi},
    FormatRow{FMT_BC7, Dx10Only(), D(98, "BC7_UNORM"), D(99, "BC7_UNORM_SRGB")},
    FormatRow{FMT_RXGB, ByFourcc(FMT_RXGB), kNoDxgi, kNoDxgi},
};

// TYPELESS formats are read as their UNORM (or, for 32-bit channels,
// FLOAT) twin: the file leaves the interpretation open, and that is the
// one every viewer uses.
constexpr std::array kOtherReadings = {
    DxgiReading{D(1, "R32G32B32A32_TYPELESS"), FMT_A32B32G32R32F},
    DxgiReading{D(5, "R32G32B32_TYPELESS"), FMT_B32G32R32F},
    DxgiReading{D(9, "R16G16B16A16_TYPELESS"), FMT_A16R16G16B16, kPlain, Swizzle::SwapRedBlue16},
    DxgiReading{D(15, "R32G32_TYPELESS"), FMT_G32R32F},
    DxgiReading{D(23, "R10G10B10A2_TYPELESS"), D3DFMT_A2B10G10R10},
    DxgiReading{D(27, "R8G8B8A8_TYPELESS"), D3DFMT_A8R8G8B8, kPlain, Swizzle::SwapRedBlue8},
    DxgiReading{D(33, "R16G16_TYPELESS"), D3DFMT_G16R16},
    DxgiReading{D(39, "R32_TYPELESS"), FMT_R32F},
    DxgiReading{D(48, "R8G8_TYPELESS"), FMT_G8R8},
    DxgiReading{D(53, "R16_TYPELESS"), FMT_L16},
    DxgiReading{D(60, "R8_TYPELESS"), D3DFMT_L8},
    DxgiReading{D(70, "BC1_TYPELESS"), D3DFMT_DXT1},
    DxgiReading{D(73, "BC2_TYPELESS"), D3DFMT_DXT3},
    DxgiReading{D(76, "BC3_TYPELESS"), D3DFMT_DXT5},
    DxgiReading{D(79, "BC4_TYPELESS"), D3DFMT_BC4},
    DxgiReading{D(81, "BC4_SNORM"), D3DFMT_BC4, kPlain, Swizzle::SignedChannelBlocks},
    DxgiReading{D(82, "BC5_TYPELESS"), D3DFMT_BC5},
    DxgiReading{D(84, "BC5_SNORM"), D3DFMT_BC5, kPlain, Swizzle::SignedChannelBlocks},
    DxgiReading{D(87, "B8G8R8A8_UNORM"), D3DFMT_A8R8G8B8},
    DxgiReading{D(90, "B8G8R8A8_TYPELESS"), D3DFMT_A8R8G8B8},
    DxgiReading{D(91, "B8G8R8A8_UNORM_SRGB"), D3DFMT_A8R8G8B8, kSrgb},
    DxgiReading{D(92, "B8G8R8X8_TYPELESS"), D3DFMT_X8R8G8B8},
    DxgiReading{D(94, "BC6H_TYPELESS"), FMT_BC6H_UF16},
    DxgiReading{D(97, "BC7_TYPELESS"), FMT_BC7},
};

// Video, integer, depth and palette formats: the reader says which kind
// it refuses (dds_pixel_format.cpp).
constexpr std::array kRefused = {
    D(0, "UNKNOWN"),
    D(3, "R32G32B32A32_UINT"),
    D(4, "R32G32B32A32_SINT"),
    D(7, "R32G32B32_UINT"),
    D(8, "R32G32B32_SINT"),
    D(12, "R16G16B16A16_UINT"),
    D(14, "R16G16B16A16_SINT"),
    D(17, "R32G32_UINT"),
    D(18, "R32G32_SINT"),
    D(19, "R32G8X24_TYPELESS"),
    D(20, "D32_FLOAT_S8X24_UINT"),
    D(21, "R32_FLOAT_X8X24_TYPELESS"),
    D(22, "X32_TYPELESS_G8X24_UINT"),
    D(25, "R10G10B10A2_UINT"),
    D(30, "R8G8B8A8_UINT"),
    D(32, "R8G8B8A8_SINT"),
    D(36, "R16G16_UINT"),
    D(38, "R16G16_SINT"),
    D(40, "D32_FLOAT"),
    D(42, "R32_UINT"),
    D(43, "R32_SINT"),
    D(44, "R24G8_TYPELESS"),
    D(45, "D24_UNORM_S8_UINT"),
    D(46, "R24_UNORM_X8_TYPELESS"),
    D(47, "X24_TYPELESS_G8_UINT"),
    D(50, "R8G8_UINT"),
    D(52, "R8G8_SINT"),
    D(55, "D16_UNORM"),
    D(57, "R16_UINT"),
    D(59, "R16_SINT"),
    D(62, "R8_UINT"),
    D(64, "R8_SINT"),
    D(66, "R1_UNORM"),
    D(89, "R10G10B10_XR_BIAS_A2_UNORM"),
    D(100, "AYUV"),
    D(101, "Y410"),
    D(102, "Y416"),
    D(103, "NV12"),
    D(104, "P010"),
    D(105, "P016"),
    D(106, "420_OPAQUE"),
    D(108, "Y210"),
    D(109, "Y216"),
    D(110, "NV11"),
    D(111, "AI44"),
    D(112, "IA44"),
    D(113, "P8"),
    D(114, "A8P8"),
    D(130, "P208"),
    D(131, "V208"),
    D(132, "V408"),
};

// One row for each format of the library's catalogue.
constexpr bool FollowsTheCatalogue()
{
    if (kRows.size() != kCodecFormatCount)
        return false;
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        if (IndexOfCodecFormat(kRows[i].format) == kCodecFormatCount)
            return false;
        for (std::size_t j = i + 1; j < kRows.size(); ++j)
            if (kRows[i].format == kRows[j].format)
                return false;
    }
    return true;
}
static_assert(FollowsTheCatalogue(), "the DDS rows must follow the library's format catalogue");

constexpr bool ClassicFormFits(const FormatRow& row)
{
    const DdsPixelFormat& pf = row.classic;
    const CodecFormat& codec = kCodecFormats[IndexOfCodecFormat(row.format)];
    if (row.NeedsDx10Header())
        return pf.fourCC == 0 && pf.bitCount == 0 && row.dxgi.Exists();
    if (pf.flags & DDPF_FOURCC)
        return pf.bitCount == 0;
    if (pf.bitCount != codec.unitBytes * 8 || codec.storage != PixelStorage::Packed)
        return false;
    const DWORD masks[] = {pf.redMask, pf.greenMask, pf.blueMask, pf.alphaMask};
    DWORD seen = 0;
    for (DWORD mask : masks) {
        if ((seen & mask) != 0 || (unsigned long long)mask >= 1ull << pf.bitCount)
            return false;
        seen |= mask;
    }
    return true;
}
static_assert(std::ranges::all_of(kRows, ClassicFormFits), "a DDS description does not fit its format");

// An sRGB twin only beside a plain form.
static_assert(std::ranges::all_of(kRows,
                                  [](const FormatRow& row) { return row.dxgi.Exists() || !row.dxgiSrgb.Exists(); }));

constexpr bool SameName(const char* a, const char* b) { return std::string_view(a) == std::string_view(b); }

// Each DXGI number has one name and one reading: in one row (or in the row
// of the premultiplied twin too), among the other readings or the refused.
constexpr bool EachDxgiNumberOnce()
{
    std::array<const char*, 256> names{};
    auto claim = [&names](const Dxgi& dxgi, bool shared) {
        if (!dxgi.Exists())
            return true;
        if (dxgi.number >= names.size())
            return false;
        const char* had = names[dxgi.number];
        names[dxgi.number] = dxgi.name;
        return had == nullptr || (shared && SameName(had, dxgi.name));
    };
    // The premultiplied twins last, each sharing its plain row's forms.
    for (const bool twins : {false, true})
        for (const FormatRow& row : kRows)
            if ((row.alpha == AlphaMode::Premultiplied) == twins &&
                (!claim(row.dxgi, twins) || !claim(row.dxgiSrgb, twins)))
                return false;
    for (const DxgiReading& reading : kOtherReadings)
        if (!claim(reading.dxgi, false))
            return false;
    for (const Dxgi& refused : kRefused)
        if (!claim(refused, false))
            return false;
    return true;
}
static_assert(EachDxgiNumberOnce(), "a DXGI number is named twice");

} // namespace

std::span<const FormatRow> FormatRows() { return kRows; }

const FormatRow* FindRow(D3DFORMAT format)
{
    const auto found = std::ranges::find(kRows, format, &FormatRow::format);
    return found != kRows.end() ? &*found : nullptr;
}

const FormatRow& RowOf(D3DFORMAT format)
{
    if (const FormatRow* row = FindRow(format))
        return *row;
    throw TextureError(ErrorKind::Internal, "no DDS row for format " + FormatName(format));
}

bool NeedsDx10Header(D3DFORMAT format) { return RowOf(format).NeedsDx10Header(); }

std::span<const DxgiReading> OtherDxgiReadings() { return kOtherReadings; }

std::span<const Dxgi> RefusedDxgiFormats() { return kRefused; }

} // namespace r3az8tex::dds
