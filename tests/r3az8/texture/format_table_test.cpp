// The format table's look-ups, and the DDS pixel format recognition that
// depends on it.
#include "tests/support/dds_test_support.h"
#include "tools/common/nearest_names.h"
#include "r3az8/tex/files/dds_pixel_format.h"
#include "r3az8/tex/files/dds_header_habits.h"
#include "r3az8/tex/astc/astc_formats.h"
#include "r3az8/tex/block_encoder.h"
#include "r3az8/tex/texture/format_table.h"
#include "r3az8/tex/texture/texture_error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace r3az8tex {
using testing::kNoError;
namespace {

dds::StoredFormat Recognise(DWORD flags, DWORD bits, DWORD r, DWORD g, DWORD b, DWORD a, DWORD fourcc = 0)
{
    return dds::RecogniseLegacyFormat({flags, fourcc, bits, r, g, b, a});
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The rows are checked against the library's catalogue when the table
// compiles; FindFormat must then find each of its formats.
TEST(FormatTable, FindsEveryFormatOfTheLibrary)
{
    // ASTC is the one family outside the catalogue: the device never holds it.
    ASSERT_EQ(AllFormats().size(), kCodecFormats.size() + 2 * kAstcFormatCount);
    for (const CodecFormat& library : kCodecFormats) {
        const FormatInfo* info = FindFormat(library.format);
        ASSERT_NE(info, nullptr) << library.format;
        EXPECT_EQ(info->format, library.format);
        // A block format is written exactly when its block row has an
        // encoder.
        if (info->IsBlockCompressed()) {
            EXPECT_EQ(info->IsWritable(), IsQualityBlockFormat(info->format)) << info->name;
        }
    }
    EXPECT_EQ(FindFormat(D3DFMT_DXT1)->unitBytes, 8u);
    EXPECT_EQ(FindFormat(D3DFMT_DXT5)->unitBytes, 16u);
    EXPECT_EQ(FindFormat(D3DFMT_YUY2)->unitBytes, 4u);
    EXPECT_EQ(FindFormat(D3DFMT_D24S8), nullptr);
    EXPECT_EQ(FindFormat(D3DFMT_UNKNOWN), nullptr);
}

TEST(FormatTable, NamesAreFoundWithoutRegardToCase)
{
    for (const FormatInfo& info : AllFormats()) {
        std::string upper = info.name;
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(FindFormatByName(info.name), &info);
        EXPECT_EQ(FindFormatByName(upper), &info);
        EXPECT_EQ(FindFormatByName("D3DFMT_" + upper), &info);
    }
    EXPECT_EQ(FindFormatByName("a16r16g16b16")->format, FMT_A16R16G16B16);
    EXPECT_EQ(FindFormatByName("bc1")->format, D3DFMT_DXT1);
    EXPECT_EQ(FindFormatByName("BC2")->format, D3DFMT_DXT3);
    EXPECT_EQ(FindFormatByName("Bc3")->format, D3DFMT_DXT5);
    EXPECT_EQ(FindFormatByName("L16")->format, FMT_L16);
    EXPECT_EQ(FindFormatByName("dxt6"), nullptr);
    EXPECT_EQ(FindFormatByName(""), nullptr);
    EXPECT_EQ(FindFormatByName("d3dfmt_"), nullptr);
    EXPECT_EQ(FormatName(D3DFMT_D24S8), "unknown (75)");
}

// Every DXGI name of a format we read names that format, in the colour
// space it says, with and without "_unorm", and no other name takes it;
// suggestions offer it.
TEST(FormatTable, DxgiNamesNameTheirFormat)
{
    const std::vector<std::string> known = FormatNamesAndAliases();
    for (const dds::DxgiNaming& naming : dds::DxgiNamings()) {
        std::vector<std::string> spellings = {naming.name};
        if (const size_t unorm = naming.name.find("_UNORM"); unorm != std::string::npos)
            spellings.push_back(std::string(naming.name).erase(unorm, 6));
        for (const std::string& spelling : spellings) {
            const std::optional<FormatRequest> request = ParseFormatName(spelling);
            ASSERT_TRUE(request) << spelling;
            EXPECT_EQ(request->format->format, naming.format) << spelling;
            EXPECT_EQ(request->colourSpace, naming.colourSpace) << spelling;
            EXPECT_FALSE(request->keepOneBitAlpha) << spelling;
            EXPECT_NE(std::find(known.begin(), known.end(), Lower(spelling)), known.end()) << spelling;
        }
    }
}

// The short names; the DXGI ones are tested above.
TEST(FormatTable, NamesUsersBring)
{
    // Each name and what it asks for: the format's row, then " srgb" and
    // " 1-bit alpha" where the name says so.
    const std::pair<const char*, const char*> named[] = {
        {"bc1_srgb", "dxt1 srgb"},
        {"dxt5_srgb", "dxt5 srgb"},
        {"bc7", "bc7"},
        {"rgba8", "a8r8g8b8"},
        {"Bgra8", "a8r8g8b8"},
        {"ati1", "bc4"},
        {"ati2", "bc5"},
        {"bc1a", "dxt1 1-bit alpha"},
        {"DXT1A", "dxt1 1-bit alpha"},
        {"bc1a_srgb", "dxt1 srgb 1-bit alpha"},
        {"dxt1", "dxt1"},
        {"d3dfmt_bc2", "dxt3"},
    };
    for (const auto& [name, expected] : named) {
        const std::optional<FormatRequest> request = ParseFormatName(name);
        ASSERT_TRUE(request) << name;
        EXPECT_EQ(std::string(request->format->name) + (request->colourSpace == ColourSpace::Srgb ? " srgb" : "") +
                      (request->keepOneBitAlpha ? " 1-bit alpha" : ""),
                  expected)
            << name;
    }
    // sRGB only where a DXGI form says it; no TYPELESS or signed blocks.
    const std::pair<const char*, bool> refused[] = {
        {"r5g6b5_srgb", true}, {"bc4_unorm_srgb", true}, {"bc1_typeless", false}, {"bc4_snorm", false},
        {"_srgb", false},      {"srgb", false},          {"bc1_unorm_", false},   {"bc1__unorm", false},
    };
    for (const auto& [name, nearlyRight] : refused) {
        EXPECT_FALSE(ParseFormatName(name)) << name;
        EXPECT_EQ(FormatNameRefusal(name).empty(), !nearlyRight) << name;
    }
    // Suggestions know every accepted name.
    const std::vector<std::string> known = FormatNamesAndAliases();
    for (const auto& [name, expected] : named) {
        if (!std::string_view(name).starts_with("d3dfmt_")) {
            EXPECT_NE(std::find(known.begin(), known.end(), Lower(name)), known.end()) << name;
        }
    }
}

// A slip in a DXGI-style name suggests that name, not a legacy one that
// happens to be a few letters away.
TEST(FormatTable, SuggestsTheNameMeant)
{
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"bc1_unrom", {"bc1_unorm"}},
        {"bc3_unorm_srbg", {"bc3_unorm_srgb"}},
        {"bc6h_f16", {"bc6h_uf16", "bc6h_sf16"}},
        {"r32g32b32a32", {"r32g32b32a32_float"}},
        {"bc1_typeless", {"bc1"}},
        {"r8g8b8a8_unrom_srgb", {"r8g8b8a8_unorm_srgb"}},
        {"dxt", {"dxt1", "dxt2", "dxt3", "dxt4", "dxt5"}},
        {"bc8", {"bc4", "bc5", "bc7", "bc1", "bc2", "bc3"}},
        {"a8r8g8b", {"a8r8g8b8"}},
    };
    const std::vector<std::string> known = FormatNamesAndAliases();
    for (const auto& [typed, expected] : cases)
        EXPECT_EQ(tools::NearestNames(typed, known), expected) << typed;
}

TEST(FormatTable, EveryWrittenPixelFormatIsRecognisedAsItself)
{
    for (const FormatInfo& info : AllFormats()) {
        // DDS names every format but ASTC's.
        if (dds::FindRow(info.format) == nullptr) {
            EXPECT_TRUE(IsAstcFormat(info.format)) << info.name;
            continue;
        }
        if (!dds::NeedsDx10Header(info.format)) {
            const dds::StoredFormat stored = dds::RecogniseLegacyFormat(dds::WidelyReadForm(dds::RowOf(info.format).classic));
            EXPECT_EQ(dds::RecogniseLegacyFormat(dds::RowOf(info.format).classic).format, info.format) << info.name;
            EXPECT_EQ(stored.format, info.format) << info.name;
            EXPECT_EQ(stored.swizzle, dds::Swizzle::None) << info.name;
        }
        // The DX10 form, plain and sRGB, names the format back.
        for (ColourSpace space : {ColourSpace::Unspecified, ColourSpace::Srgb}) {
            const std::optional<dds::DxgiForm> form = dds::DxgiFormOf(info.format, space);
            ASSERT_TRUE(form || !dds::NeedsDx10Header(info.format)) << info.name << " can be written in no header";
            if (!form)
                continue;
            const dds::StoredFormat stored = dds::RecogniseDxgiFormat(form->dxgiFormat, form->alpha);
            EXPECT_EQ(stored.format, info.format) << info.name;
            EXPECT_EQ(stored.swizzle, form->swizzle) << info.name;
            EXPECT_EQ(stored.colourSpace, form->colourSpace) << info.name;
        }
    }
}

// The rule of the trade: masks where a mask layout exists and no other
// format shares it, a FOURCC otherwise.
TEST(FormatTable, MaskLayoutsFollowCommonPractice)
{
    const DdsPixelFormat argb = dds::RowOf(D3DFMT_A8R8G8B8).classic;
    EXPECT_EQ(argb.flags, DDPF_RGB | DDPF_ALPHAPIXELS);
    EXPECT_EQ(argb.redMask, 0x00FF0000u);
    EXPECT_EQ(argb.alphaMask, 0xFF000000u);
    EXPECT_EQ(dds::RowOf(D3DFMT_V8U8).classic.flags, DDPF_BUMPDUDV);
    EXPECT_EQ(dds::RowOf(D3DFMT_L8).classic.flags, DDPF_LUMINANCE);
    EXPECT_EQ(dds::RowOf(D3DFMT_A8).classic.flags, DDPF_ALPHA);
    EXPECT_EQ(dds::RowOf(D3DFMT_P8).classic.flags, DDPF_PALETTEINDEXED8);
    EXPECT_EQ(dds::RowOf(D3DFMT_DXT3).classic.fourCC, MAKEFOURCC('D', 'X', 'T', '3'));
    EXPECT_EQ(dds::RowOf(D3DFMT_UYVY).classic.fourCC, MAKEFOURCC('U', 'Y', 'V', 'Y'));
    EXPECT_EQ(dds::RowOf(FMT_A16L16).classic.alphaMask, 0xFFFF0000u);
    EXPECT_EQ(dds::RowOf(FMT_R16G16B16).classic.fourCC, MAKEFOURCC(' ', 'R', '1', '6'));
    EXPECT_EQ(dds::RowOf(D3DFMT_W11V11U10).classic.fourCC, 65u);
    EXPECT_EQ(dds::RowOf(D3DFMT_A2B10G10R10).classic.redMask, 0x3FFu);
}

// nvdecompress reads masks only under DDPF_RGB: luminance and alpha-only
// layouts are written with it (luminance with the grey mask in all three).
TEST(FormatTable, LuminanceAndAlphaAreWrittenTheWayEveryReaderReadsThem)
{
    const DdsPixelFormat l8 = dds::WidelyReadForm(dds::RowOf(D3DFMT_L8).classic);
    EXPECT_EQ(l8.flags, DDPF_LUMINANCE | DDPF_RGB);
    EXPECT_EQ(l8.greenMask, 0xFFu);
    EXPECT_EQ(l8.blueMask, 0xFFu);
    EXPECT_EQ(dds::WidelyReadForm(dds::RowOf(D3DFMT_A8).classic).flags, DDPF_ALPHA | DDPF_RGB | DDPF_ALPHAPIXELS);
    // Files written before, by FOURCC, still read.
    EXPECT_EQ(Recognise(DDPF_FOURCC, 0, 0, 0, 0, 0, FMT_L16).format, FMT_L16);
    EXPECT_EQ(Recognise(DDPF_FOURCC, 0, 0, 0, 0, 0, FMT_A16L16).format, FMT_A16L16);
    EXPECT_EQ(Recognise(DDPF_FOURCC, 0, 0, 0, 0, 0, 31).format, D3DFMT_A2B10G10R10);
}

TEST(DdsPixelFormat, ReadsWhatOtherWritersStore)
{
    // 32-bit RGB without the alpha flag is X8R8G8B8 whatever the alpha mask.
    EXPECT_EQ(Recognise(DDPF_RGB, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000).format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(Recognise(DDPF_RGB, 16, 0x7C00, 0x3E0, 0x1F, 0x8000).format, D3DFMT_X1R5G5B5);
    // DXT without the alpha flag, and with it.
    EXPECT_EQ(Recognise(DDPF_FOURCC, 0, 0, 0, 0, 0, MAKEFOURCC('D', 'X', 'T', '5')).format, D3DFMT_DXT5);
    EXPECT_EQ(Recognise(DDPF_FOURCC | DDPF_ALPHAPIXELS, 0, 0, 0, 0, 0, MAKEFOURCC('D', 'X', 'T', '1')).format,
              D3DFMT_DXT1);
    // Format numbers in the FOURCC field.
    EXPECT_EQ(Recognise(DDPF_FOURCC, 0, 0, 0, 0, 0, 60).format, D3DFMT_V8U8);
    EXPECT_EQ(Recognise(DDPF_FOURCC, 0, 0, 0, 0, 0, 21).format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(Recognise(DDPF_FOURCC, 0, 0, 0, 0, 0, 81).format, FMT_L16);
    const dds::StoredFormat abgr16 = Recognise(DDPF_FOURCC, 0, 0, 0, 0, 0, 36);
    EXPECT_EQ(abgr16.format, FMT_A16R16G16B16);
    EXPECT_EQ(abgr16.swizzle, dds::Swizzle::SwapRedBlue16);
    // Red in the low byte.
    const dds::StoredFormat abgr = Recognise(DDPF_RGB | DDPF_ALPHAPIXELS, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000);
    EXPECT_EQ(abgr.format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(abgr.swizzle, dds::Swizzle::SwapRedBlue8);
    EXPECT_EQ(Recognise(DDPF_LUMINANCE, 16, 0xFFFF, 0, 0, 0).format, FMT_L16);
    EXPECT_EQ(dds::RecogniseDxgiFormat(71).format, D3DFMT_DXT1);
    EXPECT_EQ(dds::RecogniseDxgiFormat(87).format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(dds::RecogniseDxgiFormat(28).swizzle, dds::Swizzle::SwapRedBlue8);
}

ErrorKind RefusalOf(DWORD flags, DWORD bits, DWORD r, DWORD g, DWORD b, DWORD a, DWORD fourcc = 0)
{
    try {
        Recognise(flags, bits, r, g, b, a, fourcc);
    } catch (const TextureError& error) {
        EXPECT_NE(std::string(error.what()), "");
        return error.Code();
    }
    return kNoError;
}

TEST(DdsPixelFormat, RefusesBrokenAndUnknownDescriptions)
{
    EXPECT_EQ(RefusalOf(0, 32, 0xFF0000, 0xFF00, 0xFF, 0), ErrorKind::Malformed);         // no kind
    EXPECT_EQ(RefusalOf(DDPF_RGB, 0, 0xFF0000, 0xFF00, 0xFF, 0), ErrorKind::Malformed);   // bit count 0
    EXPECT_EQ(RefusalOf(DDPF_RGB, 7, 0x70, 0xC, 0x3, 0), ErrorKind::Malformed);           // bit count 7
    EXPECT_EQ(RefusalOf(DDPF_RGB, 33, 0xFF0000, 0xFF00, 0xFF, 0), ErrorKind::Malformed);  // bit count 33
    EXPECT_EQ(RefusalOf(DDPF_RGB, 32, 0, 0, 0, 0), ErrorKind::Malformed);                 // zero masks
    EXPECT_EQ(RefusalOf(DDPF_RGB, 16, 0xFF0000, 0xFF00, 0xFF, 0), ErrorKind::Malformed);  // mask past 16 bits
    EXPECT_EQ(RefusalOf(DDPF_RGB, 32, 0xFF0000, 0xFFFF00, 0xFF, 0), ErrorKind::Malformed); // overlap
    EXPECT_EQ(RefusalOf(DDPF_RGB, 32, 0xFFC00000, 0x3FF800, 0x7FF, 0), ErrorKind::Unsupported);
    EXPECT_EQ(RefusalOf(DDPF_YUV, 32, 0xFF0000, 0xFF00, 0xFF, 0), ErrorKind::Unsupported);
    EXPECT_EQ(RefusalOf(DDPF_FOURCC, 0, 0, 0, 0, 0, MAKEFOURCC('E', 'T', 'C', '1')), ErrorKind::Unsupported);
    EXPECT_EQ(RefusalOf(DDPF_FOURCC, 0, 0, 0, 0, 0, 75), ErrorKind::Unsupported); // D24S8: no codec
}

// What stays unread is refused with one line that names the format and,
// for the kinds left out on purpose, says which kind it is.
TEST(DdsPixelFormat, DxgiRefusalsNameTheFormat)
{
    const std::pair<DWORD, const char*> cases[] = {
        {103, "DX10 format NV12 (103) is not supported: video YUV layouts are not read"},
        {108, "DX10 format Y210 (108) is not supported: video YUV layouts are not read"},
        {45, "DX10 format D24_UNORM_S8_UINT (45) is not supported: depth and stencil formats are not read"},
        {46, "DX10 format R24_UNORM_X8_TYPELESS (46) is not supported: depth and stencil formats are not read"},
        {30, "DX10 format R8G8B8A8_UINT (30) is not supported: integer formats are not read"},
        {999, "DX10 format unknown (999) is not supported"},
    };
    for (const auto& [dxgi, message] : cases) {
        try {
            dds::RecogniseDxgiFormat(dxgi);
            ADD_FAILURE() << dxgi << " was accepted";
        } catch (const TextureError& error) {
            EXPECT_EQ(error.Code(), ErrorKind::Unsupported);
            EXPECT_EQ(std::string(error.what()), message);
        }
    }
    EXPECT_EQ(dds::RecogniseDxgiFormat(99).colourSpace, ColourSpace::Srgb);
    EXPECT_EQ(dds::RecogniseDxgiFormat(97).format, FMT_BC7); // TYPELESS reads as UNORM
    EXPECT_EQ(dds::RecogniseDxgiFormat(77, dds::AlphaMode::Premultiplied).format, D3DFMT_DXT4);
    EXPECT_EQ(dds::RecogniseDxgiFormat(77, dds::AlphaMode::Straight).format, D3DFMT_DXT5);
}

TEST(DdsPixelFormat, ReadsBc4AndBc5UnderEveryName)
{
    using dds::Swizzle;
    const struct {
        DWORD fourcc;
        D3DFORMAT format;
        Swizzle swizzle;
    } legacy[] = {
        {MAKEFOURCC('A', 'T', 'I', '1'), D3DFMT_BC4, Swizzle::None},
        {MAKEFOURCC('B', 'C', '4', 'U'), D3DFMT_BC4, Swizzle::None},
        {MAKEFOURCC('B', 'C', '4', 'S'), D3DFMT_BC4, Swizzle::SignedChannelBlocks},
        {MAKEFOURCC('A', 'T', 'I', '2'), D3DFMT_BC5, Swizzle::None},
        {MAKEFOURCC('B', 'C', '5', 'U'), D3DFMT_BC5, Swizzle::None},
        {MAKEFOURCC('B', 'C', '5', 'S'), D3DFMT_BC5, Swizzle::SignedChannelBlocks},
    };
    for (const auto& name : legacy) {
        const dds::StoredFormat stored = dds::RecogniseLegacyFormat({DDPF_FOURCC, name.fourcc, 0, 0, 0, 0, 0});
        EXPECT_EQ(stored.format, name.format) << name.fourcc;
        EXPECT_EQ(stored.swizzle, name.swizzle) << name.fourcc;
    }
    // DXGI BC4 and BC5: TYPELESS, UNORM, SNORM.
    for (DWORD dxgi = 79; dxgi <= 84; ++dxgi) {
        const dds::StoredFormat stored = dds::RecogniseDxgiFormat(dxgi);
        EXPECT_EQ(stored.format, dxgi < 82 ? D3DFMT_BC4 : D3DFMT_BC5) << dxgi;
        EXPECT_EQ(stored.swizzle, dxgi % 3 == 0 ? Swizzle::SignedChannelBlocks : Swizzle::None) << dxgi;
    }
    // Signed ends -128 (read as -127), -127, 0 and 127 become 0, 0, 128 and
    // 255; the codes stay.
    BYTE blocks[16] = {0x80, 0x81, 1, 2, 3, 4, 5, 6, 0x00, 0x7F, 7, 8, 9, 10, 11, 12};
    dds::ApplySwizzle(Swizzle::SignedChannelBlocks, blocks);
    const BYTE want[16] = {0, 0, 1, 2, 3, 4, 5, 6, 128, 255, 7, 8, 9, 10, 11, 12};
    EXPECT_EQ(std::memcmp(blocks, want, 16), 0);
}

TEST(DdsPixelFormat, SwizzlesExchangeRedAndBlueFields)
{
    // A8B8G8R8 bytes R, G, B, A become A8R8G8B8 bytes B, G, R, A.
    BYTE bytes8[8] = {0x11, 0x22, 0x33, 0x44, 0xA1, 0xB2, 0xC3, 0xD4};
    dds::ApplySwizzle(dds::Swizzle::SwapRedBlue8, bytes8);
    const BYTE want8[8] = {0x33, 0x22, 0x11, 0x44, 0xC3, 0xB2, 0xA1, 0xD4};
    EXPECT_EQ(std::memcmp(bytes8, want8, 8), 0);

    // A2R10G10B10 (red at bit 20) becomes A2B10G10R10 (red at bit 0).
    const uint32_t red = 0x3FF, green = 0x155, blue = 0x0AA, alpha = 2;
    uint32_t pixel = alpha << 30 | red << 20 | green << 10 | blue;
    dds::ApplySwizzle(dds::Swizzle::SwapRedBlue10, {reinterpret_cast<BYTE*>(&pixel), 4});
    EXPECT_EQ(pixel, alpha << 30 | blue << 20 | green << 10 | red);

    // A16B16G16R16 (red in the low word) becomes A16R16G16B16 (blue there).
    uint64_t wide = 0x4444333322221111ull;
    dds::ApplySwizzle(dds::Swizzle::SwapRedBlue16, {reinterpret_cast<BYTE*>(&wide), 8});
    EXPECT_EQ(wide, 0x4444111122223333ull);
}

} // namespace
} // namespace r3az8tex
