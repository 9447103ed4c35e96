#include "r3az8/tex/files/dds_pixel_format.h"

#include "r3az8/tex/files/dds_header_habits.h"

#include "r3az8/tex/texture/texture_error.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <string_view>

namespace r3az8tex::dds {
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

// What the writers' habits are read as, in the words of the warning.
constexpr const char* kLuminanceAsRed =
    "luminance stored as RGB with only a red mask (as NVIDIA Texture Tools writes it); read as luminance";
constexpr const char* kRedFirst24 = "24-bit RGB stored red first; reordered";
constexpr const char* kSwappedTenBitMasks =
    "10:10:10:2 masks name red in the high bits, the well-known swapped pair; read with red in the low bits, as "
    "such files hold it";

constexpr std::array kExtraLayouts = {
    // Red in the low byte, as many tools write 8:8:8:8 data.
    ExtraLayout{DDPF_RGB, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000, {D3DFMT_A8R8G8B8, Swizzle::SwapRedBlue8}},
    ExtraLayout{DDPF_RGB, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0, {D3DFMT_X8R8G8B8, Swizzle::SwapRedBlue8}},
    ExtraLayout{DDPF_RGB, 24, 0x000000FF, 0x0000FF00, 0x00FF0000, 0,
                {D3DFMT_R8G8B8, Swizzle::SwapRedBlue24, ColourSpace::Unspecified, kRedFirst24}},
    // 10:10:10:2 with red high: the swapped pair. Such files hold red in
    // the low bits all the same, as the format table's own masks say.
    ExtraLayout{DDPF_RGB, 32, 0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000,
                {D3DFMT_A2B10G10R10, Swizzle::None, ColourSpace::Unspecified, kSwappedTenBitMasks}},
    // Luminance given as red alone.
    ExtraLayout{DDPF_RGB, 8, 0xFF, 0, 0, 0, {D3DFMT_L8, Swizzle::None, ColourSpace::Unspecified, kLuminanceAsRed}},
    ExtraLayout{DDPF_RGB, 16, 0xFFFF, 0, 0, 0, {FMT_L16, Swizzle::None, ColourSpace::Unspecified, kLuminanceAsRed}},
    ExtraLayout{DDPF_RGB, 16, 0x00FF, 0, 0, 0xFF00,
                {D3DFMT_A8L8, Swizzle::None, ColourSpace::Unspecified, kLuminanceAsRed}},
    ExtraLayout{DDPF_RGB, 8, 0x0F, 0, 0, 0xF0, {D3DFMT_A4L4, Swizzle::None, ColourSpace::Unspecified, kLuminanceAsRed}},
};

// Masks written as if every pixel were a 32-bit word, with the channel in
// its top byte: the pixel's one byte is meant.
constexpr const char* kLuminanceInTopByte =
    "8-bit luminance with the mask 0xFF000000 (the top byte of a 32-bit word); read as the pixel's one byte";
struct WideMask {
    DWORD kind;
    DWORD bitCount;
    DWORD red;
    StoredFormat stored;
};
constexpr std::array kWideMasks = {
    WideMask{DDPF_LUMINANCE, 8, 0xFF000000, {D3DFMT_L8, Swizzle::None, ColourSpace::Unspecified, kLuminanceInTopByte}},
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

// FOURCCs other writers use for the BC4/BC5 layouts ("ATI1" and "ATI2",
// which the writer uses, come from the format table).
struct FourccAlias {
    DWORD code;
    StoredFormat stored;
};
constexpr std::array kFourccAliases = {
    FourccAlias{MAKEFOURCC('B', 'C', '4', 'U'), {D3DFMT_BC4, Swizzle::None}},
    FourccAlias{MAKEFOURCC('B', 'C', '5', 'U'), {D3DFMT_BC5, Swizzle::None}},
    FourccAlias{MAKEFOURCC('B', 'C', '4', 'S'), {D3DFMT_BC4, Swizzle::SignedChannelBlocks}},
    FourccAlias{MAKEFOURCC('B', 'C', '5', 'S'), {D3DFMT_BC5, Swizzle::SignedChannelBlocks}},
};

// DXGI_FORMAT values with a layout of ours. Several values can name one
// format (UNORM, TYPELESS, sRGB); the row marked Written is the one the
// DX10 writer uses for it (for an sRGB texture, the Written row with the
// sRGB space when there is one).
enum class DxgiUse : BYTE { Written, ReadOnly };
constexpr ColourSpace kPlain = ColourSpace::Unspecified;
constexpr ColourSpace kSrgb = ColourSpace::Srgb;

struct DxgiMapping {
    DWORD dxgi;
    D3DFORMAT format;
    Swizzle swizzle;
    ColourSpace colourSpace;
    DxgiUse use;
    AlphaMode alpha; // Premultiplied: the row applies when the header says so
};

constexpr DxgiMapping Row(DWORD dxgi, D3DFORMAT format, DxgiUse use = DxgiUse::Written,
                          ColourSpace space = kPlain, Swizzle swizzle = Swizzle::None)
{
    return {dxgi, format, swizzle, space, use, AlphaMode::Unknown};
}
constexpr DxgiMapping Premultiplied(DWORD dxgi, D3DFORMAT format, ColourSpace space = kPlain)
{
    return {dxgi, format, Swizzle::None, space, DxgiUse::Written, AlphaMode::Premultiplied};
}
constexpr DxgiUse RO = DxgiUse::ReadOnly;
constexpr DxgiUse W = DxgiUse::Written;

// TYPELESS formats are read as their UNORM (or, for 32-bit channels,
// FLOAT) twin: the file leaves the interpretation open, and that is the
// one every viewer uses.
constexpr std::array kDxgiMappings = {
    Row(1, FMT_A32B32G32R32F, RO),  Row(2, FMT_A32B32G32R32F),                            // R32G32B32A32
    Row(5, FMT_B32G32R32F, RO),     Row(6, FMT_B32G32R32F),                               // R32G32B32
    Row(9, FMT_A16R16G16B16, RO, kPlain, Swizzle::SwapRedBlue16),                         // R16G16B16A16_TYPELESS
    Row(10, FMT_A16B16G16R16F),                                                           // R16G16B16A16_FLOAT
    Row(11, FMT_A16R16G16B16, W, kPlain, Swizzle::SwapRedBlue16),                         // R16G16B16A16_UNORM
    Row(13, FMT_Q16W16V16U16),                                                            // R16G16B16A16_SNORM
    Row(15, FMT_G32R32F, RO),       Row(16, FMT_G32R32F),                                 // R32G32
    Row(23, D3DFMT_A2B10G10R10, RO), Row(24, D3DFMT_A2B10G10R10),                         // R10G10B10A2
    Row(26, FMT_R11G11B10F),                                                              // R11G11B10_FLOAT
    Row(27, D3DFMT_A8R8G8B8, RO, kPlain, Swizzle::SwapRedBlue8),                          // R8G8B8A8_TYPELESS
    Row(28, D3DFMT_A8R8G8B8, W, kPlain, Swizzle::SwapRedBlue8),                           // R8G8B8A8_UNORM
    Row(29, D3DFMT_A8R8G8B8, W, kSrgb, Swizzle::SwapRedBlue8),                            // R8G8B8A8_UNORM_SRGB
    Row(31, D3DFMT_Q8W8V8U8),                                                             // R8G8B8A8_SNORM
    Row(33, D3DFMT_G16R16, RO),     Row(34, FMT_G16R16F),     Row(35, D3DFMT_G16R16),     // R16G16
    Row(37, D3DFMT_V16U16),                                                               // R16G16_SNORM
    Row(39, FMT_R32F, RO),          Row(41, FMT_R32F),                                    // R32
    Row(48, FMT_G8R8, RO),          Row(49, FMT_G8R8),        Row(51, D3DFMT_V8U8),       // R8G8
    Row(53, FMT_L16, RO),           Row(54, FMT_R16F),        Row(56, FMT_L16),           // R16
    Row(58, FMT_R16_SNORM),                                                               // R16_SNORM
    Row(60, D3DFMT_L8, RO),         Row(61, D3DFMT_L8),       Row(63, FMT_R8_SNORM),      // R8
    Row(65, D3DFMT_A8),                                                                   // A8_UNORM
    Row(67, FMT_R9G9B9E5),                                                                // R9G9B9E5_SHAREDEXP
    Row(68, FMT_R8G8_B8G8),         Row(69, FMT_G8R8_G8B8),                               // pixel pairs
    Row(70, D3DFMT_DXT1, RO),       Row(71, D3DFMT_DXT1),     Row(72, D3DFMT_DXT1, W, kSrgb), // BC1
    Row(73, D3DFMT_DXT3, RO),       Row(74, D3DFMT_DXT3),     Row(75, D3DFMT_DXT3, W, kSrgb), // BC2
    Premultiplied(74, D3DFMT_DXT2), Premultiplied(75, D3DFMT_DXT2, kSrgb),
    Row(76, D3DFMT_DXT5, RO),       Row(77, D3DFMT_DXT5),     Row(78, D3DFMT_DXT5, W, kSrgb), // BC3
    Premultiplied(77, D3DFMT_DXT4), Premultiplied(78, D3DFMT_DXT4, kSrgb),
    Row(79, D3DFMT_BC4, RO),        Row(80, D3DFMT_BC4),                                  // BC4
    Row(81, D3DFMT_BC4, RO, kPlain, Swizzle::SignedChannelBlocks),                        // BC4_SNORM
    Row(82, D3DFMT_BC5, RO),        Row(83, D3DFMT_BC5),                                  // BC5
    Row(84, D3DFMT_BC5, RO, kPlain, Swizzle::SignedChannelBlocks),                        // BC5_SNORM
    Row(85, D3DFMT_R5G6B5),         Row(86, D3DFMT_A1R5G5B5),                             // B5G6R5, B5G5R5A1
    Row(87, D3DFMT_A8R8G8B8, RO),   Row(88, D3DFMT_X8R8G8B8),                             // B8G8R8A8, B8G8R8X8
    Row(90, D3DFMT_A8R8G8B8, RO),   Row(91, D3DFMT_A8R8G8B8, RO, kSrgb),                  // B8G8R8A8
    Row(92, D3DFMT_X8R8G8B8, RO),   Row(93, D3DFMT_X8R8G8B8, W, kSrgb),                   // B8G8R8X8
    Row(94, FMT_BC6H_UF16, RO),     Row(95, FMT_BC6H_UF16),   Row(96, FMT_BC6H_SF16),     // BC6H
    Row(97, FMT_BC7, RO),           Row(98, FMT_BC7),         Row(99, FMT_BC7, W, kSrgb), // BC7
    Row(107, D3DFMT_YUY2),                                                                // YUY2
    Row(115, D3DFMT_A4R4G4B4),                                                            // B4G4R4A4
};

// Each format is written in one form per colour space, and an sRGB form
// only with an unspecified one beside it.
constexpr bool OneWrittenFormEach()
{
    for (const DxgiMapping& a : kDxgiMappings) {
        if (a.use != DxgiUse::Written)
            continue;
        bool plainTwin = false;
        for (const DxgiMapping& b : kDxgiMappings) {
            if (&a != &b && b.use == DxgiUse::Written && a.format == b.format && a.colourSpace == b.colourSpace)
                return false;
            plainTwin = plainTwin || (b.use == DxgiUse::Written && b.format == a.format && b.colourSpace == kPlain);
        }
        if (!plainTwin)
            return false;
    }
    return true;
}
static_assert(OneWrittenFormEach());

// The names of DXGI_FORMAT 0 to 132, for messages.
constexpr std::array<const char*, 133> kDxgiNames = {
    "UNKNOWN", "R32G32B32A32_TYPELESS", "R32G32B32A32_FLOAT", "R32G32B32A32_UINT", "R32G32B32A32_SINT",
    "R32G32B32_TYPELESS", "R32G32B32_FLOAT", "R32G32B32_UINT", "R32G32B32_SINT", "R16G16B16A16_TYPELESS",
    "R16G16B16A16_FLOAT", "R16G16B16A16_UNORM", "R16G16B16A16_UINT", "R16G16B16A16_SNORM", "R16G16B16A16_SINT",
    "R32G32_TYPELESS", "R32G32_FLOAT", "R32G32_UINT", "R32G32_SINT", "R32G8X24_TYPELESS", "D32_FLOAT_S8X24_UINT",
    "R32_FLOAT_X8X24_TYPELESS", "X32_TYPELESS_G8X24_UINT", "R10G10B10A2_TYPELESS", "R10G10B10A2_UNORM",
    "R10G10B10A2_UINT", "R11G11B10_FLOAT", "R8G8B8A8_TYPELESS", "R8G8B8A8_UNORM", "R8G8B8A8_UNORM_SRGB",
    "R8G8B8A8_UINT", "R8G8B8A8_SNORM", "R8G8B8A8_SINT", "R16G16_TYPELESS", "R16G16_FLOAT", "R16G16_UNORM",
    "R16G16_UINT", "R16G16_SNORM", "R16G16_SINT", "R32_TYPELESS", "D32_FLOAT", "R32_FLOAT", "R32_UINT", "R32_SINT",
    "R24G8_TYPELESS", "D24_UNORM_S8_UINT", "R24_UNORM_X8_TYPELESS", "X24_TYPELESS_G8_UINT", "R8G8_TYPELESS",
    "R8G8_UNORM", "R8G8_UINT", "R8G8_SNORM", "R8G8_SINT", "R16_TYPELESS", "R16_FLOAT", "D16_UNORM", "R16_UNORM",
    "R16_UINT", "R16_SNORM", "R16_SINT", "R8_TYPELESS", "R8_UNORM", "R8_UINT", "R8_SNORM", "R8_SINT", "A8_UNORM",
    "R1_UNORM", "R9G9B9E5_SHAREDEXP", "R8G8_B8G8_UNORM", "G8R8_G8B8_UNORM", "BC1_TYPELESS", "BC1_UNORM",
    "BC1_UNORM_SRGB", "BC2_TYPELESS", "BC2_UNORM", "BC2_UNORM_SRGB", "BC3_TYPELESS", "BC3_UNORM", "BC3_UNORM_SRGB",
    "BC4_TYPELESS", "BC4_UNORM", "BC4_SNORM", "BC5_TYPELESS", "BC5_UNORM", "BC5_SNORM", "B5G6R5_UNORM",
    "B5G5R5A1_UNORM", "B8G8R8A8_UNORM", "B8G8R8X8_UNORM", "R10G10B10_XR_BIAS_A2_UNORM", "B8G8R8A8_TYPELESS",
    "B8G8R8A8_UNORM_SRGB", "B8G8R8X8_TYPELESS", "B8G8R8X8_UNORM_SRGB", "BC6H_TYPELESS", "BC6H_UF16", "BC6H_SF16",
    "BC7_TYPELESS", "BC7_UNORM", "BC7_UNORM_SRGB", "AYUV", "Y410", "Y416", "NV12", "P010", "P016", "420_OPAQUE",
    "YUY2", "Y210", "Y216", "NV11", "AI44", "IA44", "P8", "A8P8", "B4G4R4A4_UNORM", nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, "P208",
    "V208", "V408",
};
static_assert(std::string_view(kDxgiNames[99]) == "BC7_UNORM_SRGB" && std::string_view(kDxgiNames[115]) == "B4G4R4A4_UNORM");

// Why a DXGI format without a row is not read, for the kinds the tool
// leaves out on purpose.
const char* ReasonNotRead(DWORD dxgi)
{
    constexpr DWORD kDepthStencil[] = {19, 20, 21, 22, 40, 44, 45, 46, 47, 55};
    if ((dxgi >= 100 && dxgi <= 112 && dxgi != 107) || (dxgi >= 130 && dxgi <= 132))
        return "video YUV layouts are not read";
    if (dxgi == 113 || dxgi == 114)
        return "palette formats without a palette are not read";
    if (std::find(std::begin(kDepthStencil), std::end(kDepthStencil), dxgi) != std::end(kDepthStencil))
        return "depth and stencil formats are not read";
    const std::string name = DxgiFormatName(dxgi);
    if (name.ends_with("_UINT") || name.ends_with("_SINT"))
        return "integer formats are not read";
    return nullptr;
}

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
    for (const FourccAlias& alias : kFourccAliases)
        if (alias.code == code)
            return alias.stored;
    // Writers that know the Direct3D format numbers store them here.
    if (code < 256) {
        if (const FormatInfo* info = FindFormat(static_cast<D3DFORMAT>(code)))
            return {info->format, Swizzle::None};
        for (const NumericAlias& alias : kNumericAliases)
            if (alias.code == code)
                return alias.stored;
    }
    throw TextureError(ErrorKind::Unsupported, "pixel format FOURCC " + DescribeFourcc(code) + " is not supported");
}

} // namespace

StoredFormat RecogniseLegacyFormat(const DdsPixelFormat& stored)
{
    if (stored.flags & DDPF_FOURCC)
        return RecogniseFourcc(stored.fourCC);
    const DdsPixelFormat pf = CanonicalForm(stored);

    const DWORD kind = pf.flags & kKindFlags;
    if (kind == 0)
        throw TextureError(ErrorKind::Malformed, "pixel format names neither a FOURCC nor a mask layout (flags " +
                                                 Hex(pf.flags) + ")");
    if (kind & DDPF_YUV)
        throw TextureError(ErrorKind::Unsupported, "YUV pixel formats given by masks are not supported");
    if (pf.bitCount != 8 && pf.bitCount != 16 && pf.bitCount != 24 && pf.bitCount != 32)
        throw TextureError(ErrorKind::Malformed,
                        "pixel format bit count " + std::to_string(pf.bitCount) + " is not 8, 16, 24 or 32");
    for (const WideMask& wide : kWideMasks)
        if (kind == wide.kind && pf.bitCount == wide.bitCount && pf.redMask == wide.red && pf.greenMask == 0 &&
            pf.blueMask == 0 && ((pf.flags & DDPF_ALPHAPIXELS) == 0 || pf.alphaMask == 0))
            return wide.stored;

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
            throw TextureError(ErrorKind::Malformed, "channel mask " + Hex(mask) + " does not fit in " +
                                                     std::to_string(pf.bitCount) + " bits");
        if (seen & mask)
            throw TextureError(ErrorKind::Malformed, "channel masks overlap (" + DescribeMasks(pf) + ")");
        seen |= mask;
    }
    if (seen == 0 && !(kind & DDPF_PALETTEINDEXED8))
        throw TextureError(ErrorKind::Malformed, "all channel masks are zero (" + DescribeMasks(pf) + ")");

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
    throw TextureError(ErrorKind::Unsupported, "pixel format (" + DescribeMasks(pf) + ") is not supported");
}

StoredFormat RecogniseDxgiFormat(DWORD dxgiFormat, AlphaMode alpha)
{
    // The first row of the value, or its premultiplied row (which follows
    // it) when the header says the alpha is premultiplied.
    const DxgiMapping* found = nullptr;
    for (const DxgiMapping& mapping : kDxgiMappings) {
        if (mapping.dxgi != dxgiFormat)
            continue;
        if (mapping.alpha == AlphaMode::Premultiplied ? alpha == AlphaMode::Premultiplied : found == nullptr)
            found = &mapping;
    }
    if (found != nullptr)
        return {found->format, found->swizzle, found->colourSpace};
    std::string message = "DX10 format " + DxgiFormatName(dxgiFormat) + " (" + std::to_string(dxgiFormat) +
                          ") is not supported";
    if (const char* reason = ReasonNotRead(dxgiFormat))
        message += std::string(": ") + reason;
    throw TextureError(ErrorKind::Unsupported, message);
}

std::optional<DxgiForm> DxgiFormOf(D3DFORMAT format, ColourSpace colourSpace)
{
    const DxgiMapping* plain = nullptr;
    for (const DxgiMapping& mapping : kDxgiMappings) {
        if (mapping.format != format || mapping.use != DxgiUse::Written)
            continue;
        if (mapping.colourSpace == colourSpace)
            return DxgiForm{mapping.dxgi, mapping.swizzle, mapping.alpha, mapping.colourSpace};
        if (mapping.colourSpace == ColourSpace::Unspecified)
            plain = &mapping;
    }
    if (plain == nullptr)
        return std::nullopt;
    return DxgiForm{plain->dxgi, plain->swizzle, plain->alpha, plain->colourSpace};
}

std::string DxgiFormatName(DWORD dxgiFormat)
{
    if (dxgiFormat < kDxgiNames.size() && kDxgiNames[dxgiFormat] != nullptr)
        return kDxgiNames[dxgiFormat];
    return "unknown";
}

std::vector<DxgiNaming> DxgiNamings()
{
    std::vector<DxgiNaming> namings;
    for (const DxgiMapping& mapping : kDxgiMappings) {
        const std::string name = DxgiFormatName(mapping.dxgi);
        if (name.ends_with("_TYPELESS") || mapping.swizzle == Swizzle::SignedChannelBlocks ||
            mapping.alpha == AlphaMode::Premultiplied)
            continue;
        namings.push_back({name, mapping.format, mapping.colourSpace});
    }
    return namings;
}

bool HasSrgbForm(D3DFORMAT format)
{
    const std::optional<DxgiForm> form = DxgiFormOf(format, ColourSpace::Srgb);
    return form && form->colourSpace == ColourSpace::Srgb;
}

} // namespace r3az8tex::dds
