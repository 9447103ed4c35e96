#include "tools/r3aztex/dds/dds_pixel_format.h"

#include "tools/r3aztex/dds/header_habits.h"

#include "tools/r3aztex/tool_error.h"

#include <array>
#include <cstdio>
#include <string>

namespace r3aztex::dds {
namespace {

// The flags that say what kind of data the masks describe.
constexpr DWORD kKindFlags =
    DDPF_RGB | DDPF_LUMINANCE | DDPF_ALPHA | DDPF_BUMPDUDV | DDPF_BUMPLUMINANCE | DDPF_PALETTEINDEXED8 | DDPF_YUV;

// Layouts read besides the ones the writer produces (format table): what
// other writers commonly store for the same data.
struct ExtraLayout {
    DWORD kind;
    DWORD bitCount;
    DWORD red, green, blue, alpha;
    StoredFormat stored;
};
constexpr std::array kExtraLayouts = {
    // Red in the low byte, as many tools write 8:8:8:8 data.
    ExtraLayout{DDPF_RGB, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000, {D3DFMT_A8R8G8B8, Swizzle::SwapRedBlue8}},
    ExtraLayout{DDPF_RGB, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0, {D3DFMT_X8R8G8B8, Swizzle::SwapRedBlue8}},
    // 10:10:10:2 with red high, read as the masks say.
    ExtraLayout{DDPF_RGB, 32, 0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000,
                {D3DFMT_A2B10G10R10, Swizzle::SwapRedBlue10}},
};

// FOURCCs this tool wrote before those layouts were stored by their masks.
struct EarlierFourcc {
    DWORD code;
    D3DFORMAT format;
};
constexpr std::array kEarlierFourccs = {
    EarlierFourcc{FMT_L16, FMT_L16},
    EarlierFourcc{FMT_A16L16, FMT_A16L16},
};

// Direct3D 9 format codes stored numerically in the FOURCC field that are
// not in the library's table but hold one of its layouts.
struct NumericAlias {
    DWORD code;
    StoredFormat stored;
};
constexpr std::array kNumericAliases = {
    NumericAlias{32, {D3DFMT_A8R8G8B8, Swizzle::SwapRedBlue8}},     // A8B8G8R8
    NumericAlias{33, {D3DFMT_X8R8G8B8, Swizzle::SwapRedBlue8}},     // X8B8G8R8
    NumericAlias{35, {D3DFMT_A2B10G10R10, Swizzle::SwapRedBlue10}}, // A2R10G10B10
    NumericAlias{36, {FMT_A16R16G16B16, Swizzle::SwapRedBlue16}},   // A16B16G16R16
    NumericAlias{81, {FMT_L16, Swizzle::None}},                     // L16
};

// DXGI_FORMAT values with a layout of ours (sRGB variants hold the same bits).
struct DxgiMapping {
    DWORD dxgi;
    StoredFormat stored;
};
constexpr std::array kDxgiMappings = {
    DxgiMapping{11, {FMT_A16R16G16B16, Swizzle::SwapRedBlue16}}, // R16G16B16A16_UNORM
    DxgiMapping{24, {D3DFMT_A2B10G10R10, Swizzle::None}},        // R10G10B10A2_UNORM
    DxgiMapping{28, {D3DFMT_A8R8G8B8, Swizzle::SwapRedBlue8}},   // R8G8B8A8_UNORM
    DxgiMapping{29, {D3DFMT_A8R8G8B8, Swizzle::SwapRedBlue8}},   // R8G8B8A8_UNORM_SRGB
    DxgiMapping{31, {D3DFMT_Q8W8V8U8, Swizzle::None}},           // R8G8B8A8_SNORM
    DxgiMapping{35, {D3DFMT_G16R16, Swizzle::None}},             // R16G16_UNORM
    DxgiMapping{37, {D3DFMT_V16U16, Swizzle::None}},             // R16G16_SNORM
    DxgiMapping{51, {D3DFMT_V8U8, Swizzle::None}},               // R8G8_SNORM
    DxgiMapping{56, {FMT_L16, Swizzle::None}},                   // R16_UNORM
    DxgiMapping{61, {D3DFMT_L8, Swizzle::None}},                 // R8_UNORM
    DxgiMapping{65, {D3DFMT_A8, Swizzle::None}},                 // A8_UNORM
    DxgiMapping{71, {D3DFMT_DXT1, Swizzle::None}},               // BC1_UNORM
    DxgiMapping{72, {D3DFMT_DXT1, Swizzle::None}},               // BC1_UNORM_SRGB
    DxgiMapping{74, {D3DFMT_DXT3, Swizzle::None}},               // BC2_UNORM
    DxgiMapping{75, {D3DFMT_DXT3, Swizzle::None}},               // BC2_UNORM_SRGB
    DxgiMapping{77, {D3DFMT_DXT5, Swizzle::None}},               // BC3_UNORM
    DxgiMapping{78, {D3DFMT_DXT5, Swizzle::None}},               // BC3_UNORM_SRGB
    DxgiMapping{85, {D3DFMT_R5G6B5, Swizzle::None}},             // B5G6R5_UNORM
    DxgiMapping{86, {D3DFMT_A1R5G5B5, Swizzle::None}},           // B5G5R5A1_UNORM
    DxgiMapping{87, {D3DFMT_A8R8G8B8, Swizzle::None}},           // B8G8R8A8_UNORM
    DxgiMapping{88, {D3DFMT_X8R8G8B8, Swizzle::None}},           // B8G8R8X8_UNORM
    DxgiMapping{91, {D3DFMT_A8R8G8B8, Swizzle::None}},           // B8G8R8A8_UNORM_SRGB
    DxgiMapping{93, {D3DFMT_X8R8G8B8, Swizzle::None}},           // B8G8R8X8_UNORM_SRGB
    DxgiMapping{107, {D3DFMT_YUY2, Swizzle::None}},              // YUY2
    DxgiMapping{115, {D3DFMT_A4R4G4B4, Swizzle::None}},          // B4G4R4A4_UNORM
};

std::string Hex(DWORD value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
    return text;
}

// "'DXT1'" when the code is four printable characters, the number otherwise.
std::string DescribeFourcc(DWORD code)
{
    std::string text;
    for (int i = 0; i < 4; ++i) {
        const char c = static_cast<char>((code >> (8 * i)) & 0xFF);
        if (c < 0x20 || c > 0x7E)
            return std::to_string(code);
        text += c;
    }
    return "'" + text + "'";
}

std::string DescribeMasks(const DdsPixelFormat& pf)
{
    return "flags " + Hex(pf.flags) + ", " + std::to_string(pf.bitCount) + " bits, masks " + Hex(pf.redMask) + " " +
           Hex(pf.greenMask) + " " + Hex(pf.blueMask) + " " + Hex(pf.alphaMask);
}

StoredFormat RecogniseFourcc(DWORD code)
{
    for (const FormatInfo& info : AllFormats())
        if ((info.dds.flags & DDPF_FOURCC) && info.dds.fourCC == code)
            return {info.format, Swizzle::None};
    for (const EarlierFourcc& earlier : kEarlierFourccs)
        if (earlier.code == code)
            return {earlier.format, Swizzle::None};
    // Writers that know the Direct3D format numbers store them here.
    if (code < 256) {
        if (const FormatInfo* info = FindFormat(static_cast<D3DFORMAT>(code)))
            return {info->format, Swizzle::None};
        for (const NumericAlias& alias : kNumericAliases)
            if (alias.code == code)
                return alias.stored;
    }
    throw ToolError(ExitCode::Unsupported, "pixel format FOURCC " + DescribeFourcc(code) + " is not supported");
}

} // namespace

StoredFormat RecogniseLegacyFormat(const DdsPixelFormat& stored)
{
    if (stored.flags & DDPF_FOURCC)
        return RecogniseFourcc(stored.fourCC);
    const DdsPixelFormat pf = CanonicalForm(stored);

    const DWORD kind = pf.flags & kKindFlags;
    if (kind == 0)
        throw ToolError(ExitCode::Malformed, "pixel format names neither a FOURCC nor a mask layout (flags " +
                                                 Hex(pf.flags) + ")");
    if (kind & DDPF_YUV)
        throw ToolError(ExitCode::Unsupported, "YUV pixel formats given by masks are not supported");
    if (pf.bitCount != 8 && pf.bitCount != 16 && pf.bitCount != 24 && pf.bitCount != 32)
        throw ToolError(ExitCode::Malformed,
                        "pixel format bit count " + std::to_string(pf.bitCount) + " is not 8, 16, 24 or 32");

    // Colour and luminance layouts carry alpha only when the flag says so:
    // a 32-bit RGB layout without it reads as X8R8G8B8 whatever its alpha
    // mask holds. Alpha-only and bump layouts always mean their masks.
    const bool alphaCounts = (pf.flags & DDPF_ALPHAPIXELS) || (kind & (DDPF_ALPHA | DDPF_BUMPDUDV));
    const DWORD alpha = alphaCounts ? pf.alphaMask : 0;
    const DWORD masks[4] = {pf.redMask, pf.greenMask, pf.blueMask, alpha};
    const unsigned long long limit = 1ull << pf.bitCount;
    DWORD seen = 0;
    for (DWORD mask : masks) {
        if (mask >= limit)
            throw ToolError(ExitCode::Malformed, "channel mask " + Hex(mask) + " does not fit in " +
                                                     std::to_string(pf.bitCount) + " bits");
        if (seen & mask)
            throw ToolError(ExitCode::Malformed, "channel masks overlap (" + DescribeMasks(pf) + ")");
        seen |= mask;
    }
    if (seen == 0 && !(kind & DDPF_PALETTEINDEXED8))
        throw ToolError(ExitCode::Malformed, "all channel masks are zero (" + DescribeMasks(pf) + ")");

    auto matches = [&](DWORD entryKind, DWORD bits, DWORD red, DWORD green, DWORD blue, DWORD entryAlpha) {
        return entryKind == kind && bits == pf.bitCount && red == pf.redMask && green == pf.greenMask &&
               blue == pf.blueMask && entryAlpha == alpha;
    };
    for (const FormatInfo& info : AllFormats()) {
        const DdsPixelFormat& own = info.dds;
        if (!(own.flags & DDPF_FOURCC) &&
            matches(own.flags & kKindFlags, own.bitCount, own.redMask, own.greenMask, own.blueMask, own.alphaMask))
            return {info.format, Swizzle::None};
    }
    for (const ExtraLayout& extra : kExtraLayouts)
        if (matches(extra.kind, extra.bitCount, extra.red, extra.green, extra.blue, extra.alpha))
            return extra.stored;
    throw ToolError(ExitCode::Unsupported, "pixel format (" + DescribeMasks(pf) + ") is not supported");
}

StoredFormat RecogniseDxgiFormat(DWORD dxgiFormat)
{
    for (const DxgiMapping& mapping : kDxgiMappings)
        if (mapping.dxgi == dxgiFormat)
            return mapping.stored;
    throw ToolError(ExitCode::Unsupported, "DX10 header format " + std::to_string(dxgiFormat) + " is not supported");
}

} // namespace r3aztex::dds
