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

// Layouts read besides the ones the writer produces (the DDS rows): what
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
    // the low bits all the same, as the DDS row's own masks say.
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

// FOURCCs r3aztex wrote before those layouts were stored by their masks.
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
// which the writer uses, come from the DDS rows).
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

// Why a DXGI format without a row is not read, for the kinds the library
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
    for (const FormatRow& row : FormatRows())
        if ((row.classic.flags & DDPF_FOURCC) && row.classic.fourCC == code)
            return {row.format, Swizzle::None};
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
    for (const FormatRow& row : FormatRows()) {
        const DdsPixelFormat& own = row.classic;
        if (!(own.flags & DDPF_FOURCC) &&
            matches(own.flags & kKindFlags, own.bitCount, own.redMask, own.greenMask, own.blueMask, own.alphaMask))
            return {row.format, Swizzle::None};
    }
    for (const ExtraLayout& extra : kExtraLayouts)
        if (matches(extra.kind, extra.bitCount, extra.red, extra.green, extra.blue, extra.alpha))
            return extra.stored;
    throw TextureError(ErrorKind::Unsupported, "pixel format (" + DescribeMasks(pf) + ") is not supported");
}

StoredFormat RecogniseDxgiFormat(DWORD dxgiFormat, AlphaMode alpha)
{
    // The row of the value, or the row of its premultiplied twin when the
    // header says the alpha is premultiplied.
    const FormatRow* found = nullptr;
    ColourSpace colourSpace = ColourSpace::Unspecified;
    for (const FormatRow& row : FormatRows()) {
        const bool plain = row.dxgi.Exists() && row.dxgi.number == dxgiFormat;
        const bool srgb = row.dxgiSrgb.Exists() && row.dxgiSrgb.number == dxgiFormat;
        if (!plain && !srgb)
            continue;
        if (row.alpha == AlphaMode::Premultiplied ? alpha == AlphaMode::Premultiplied : found == nullptr) {
            found = &row;
            colourSpace = srgb ? ColourSpace::Srgb : ColourSpace::Unspecified;
        }
    }
    if (found != nullptr)
        return {found->format, found->swizzle, colourSpace};
    for (const DxgiReading& reading : OtherDxgiReadings())
        if (reading.dxgi.number == dxgiFormat)
            return {reading.format, reading.swizzle, reading.colourSpace};
    std::string message = "DX10 format " + DxgiFormatName(dxgiFormat) + " (" + std::to_string(dxgiFormat) +
                          ") is not supported";
    if (const char* reason = ReasonNotRead(dxgiFormat))
        message += std::string(": ") + reason;
    throw TextureError(ErrorKind::Unsupported, message);
}

std::optional<DxgiForm> DxgiFormOf(D3DFORMAT format, ColourSpace colourSpace)
{
    const FormatRow* row = FindRow(format);
    if (row == nullptr || !row->dxgi.Exists())
        return std::nullopt;
    const bool srgb = colourSpace == ColourSpace::Srgb && row->dxgiSrgb.Exists();
    return DxgiForm{srgb ? row->dxgiSrgb.number : row->dxgi.number, row->swizzle, row->alpha,
                    srgb ? ColourSpace::Srgb : ColourSpace::Unspecified};
}

std::string DxgiFormatName(DWORD dxgiFormat)
{
    for (const FormatRow& row : FormatRows())
        for (const Dxgi& form : {row.dxgi, row.dxgiSrgb})
            if (form.Exists() && form.number == dxgiFormat)
                return form.name;
    for (const DxgiReading& reading : OtherDxgiReadings())
        if (reading.dxgi.number == dxgiFormat)
            return reading.dxgi.name;
    for (const Dxgi& refused : RefusedDxgiFormats())
        if (refused.number == dxgiFormat)
            return refused.name;
    return "unknown";
}

std::vector<DxgiNaming> DxgiNamings()
{
    struct Numbered {
        DWORD number;
        DxgiNaming naming;
    };
    std::vector<Numbered> all;
    for (const FormatRow& row : FormatRows()) {
        if (row.alpha == AlphaMode::Premultiplied)
            continue;
        if (row.dxgi.Exists())
            all.push_back({row.dxgi.number, {row.dxgi.name, row.format, ColourSpace::Unspecified}});
        if (row.dxgiSrgb.Exists())
            all.push_back({row.dxgiSrgb.number, {row.dxgiSrgb.name, row.format, ColourSpace::Srgb}});
    }
    for (const DxgiReading& reading : OtherDxgiReadings())
        if (!std::string_view(reading.dxgi.name).ends_with("_TYPELESS") &&
            reading.swizzle != Swizzle::SignedChannelBlocks)
            all.push_back({reading.dxgi.number, {reading.dxgi.name, reading.format, reading.colourSpace}});
    // In DXGI order, whichever table a name comes from.
    std::stable_sort(all.begin(), all.end(), [](const Numbered& a, const Numbered& b) { return a.number < b.number; });
    std::vector<DxgiNaming> namings;
    for (Numbered& numbered : all)
        namings.push_back(std::move(numbered.naming));
    return namings;
}

bool HasSrgbForm(D3DFORMAT format)
{
    const std::optional<DxgiForm> form = DxgiFormOf(format, ColourSpace::Srgb);
    return form && form->colourSpace == ColourSpace::Srgb;
}

} // namespace r3az8tex::dds
