// Write-read round trips of the DDS layer for every format, kind, chain
// length and a set of awkward sizes, with the header checked against the
// format rules computed here independently of the writer.
#include "tests/support/dds_test_support.h"

#include "r3az8/tex/files/dds_header_habits.h"
#include "r3az8/tex/files/dds_reader.h"
#include "r3az8/tex/files/dds_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace r3az8tex {
namespace {

using namespace testing;

struct Shape {
    uint32_t width, height, depth;
};
const Shape kShapes[] = {{1, 1, 1}, {3, 5, 2}, {4, 4, 4}, {257, 129, 3}};

enum class Chain { Full, Partial };

// Bytes of one w x h slice under the documented DDS pitch rules.
uint64_t ExpectedSliceBytes(const FormatInfo& format, uint32_t w, uint32_t h)
{
    switch (format.storage) {
    case Storage::Packed:
        return uint64_t(w) * format.unitBytes * h;
    case Storage::PixelPair:
        return uint64_t((w + 1) / 2) * 4 * h;
    case Storage::Block4x4:
        return uint64_t(std::max(1u, (w + 3) / 4)) * std::max(1u, (h + 3) / 4) * format.unitBytes;
    case Storage::FootprintBlock:
        break; // ASTC, which DDS does not hold
    }
    return 0;
}

uint32_t ExpectedChain(uint32_t w, uint32_t h, uint32_t d)
{
    uint32_t levels = 1;
    while (w > 1 || h > 1 || d > 1) {
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
        d = std::max(1u, d / 2);
        ++levels;
    }
    return levels;
}

void CheckHeader(const std::vector<BYTE>& file, const TextureImage& texture, bool dx10)
{
    const FormatInfo& format = texture.Format();
    ASSERT_GE(file.size(), 128u);
    EXPECT_EQ(HeaderWord(file, 0), MAKEFOURCC('D', 'D', 'S', ' '));
    EXPECT_EQ(HeaderWord(file, offset::kSize), 124u);
    const DWORD flags = HeaderWord(file, offset::kFlags);
    EXPECT_EQ(flags & 0x1007u, 0x1007u) << "CAPS, HEIGHT, WIDTH, PIXELFORMAT";
    EXPECT_TRUE(flags & 0x20000u) << "MIPMAPCOUNT";
    EXPECT_EQ(HeaderWord(file, offset::kWidth), texture.width);
    EXPECT_EQ(HeaderWord(file, offset::kHeight), texture.height);
    EXPECT_EQ(HeaderWord(file, offset::kMipCount), texture.levels);
    if (format.IsBlockCompressed()) {
        EXPECT_TRUE(flags & 0x80000u) << "LINEARSIZE";
        EXPECT_FALSE(flags & 0x8u);
        EXPECT_EQ(HeaderWord(file, offset::kPitch), ExpectedSliceBytes(format, texture.width, texture.height));
    } else {
        EXPECT_TRUE(flags & 0x8u) << "PITCH";
        EXPECT_FALSE(flags & 0x80000u);
        EXPECT_EQ(HeaderWord(file, offset::kPitch), ExpectedSliceBytes(format, texture.width, 1));
    }
    EXPECT_EQ(HeaderWord(file, offset::kPixelFormatSize), 32u);
    if (dx10) {
        EXPECT_EQ(HeaderWord(file, offset::kPixelFormatFlags), DDPF_FOURCC);
        EXPECT_EQ(HeaderWord(file, offset::kFourcc), MAKEFOURCC('D', 'X', '1', '0'));
        EXPECT_EQ(HeaderWord(file, offset::kDx10), dds::DxgiFormOf(format.format, texture.colourSpace)->dxgiFormat);
        EXPECT_EQ(HeaderWord(file, offset::kDx10 + 4), texture.kind == TextureKind::Volume ? 4u : 3u);
        EXPECT_EQ(HeaderWord(file, offset::kDx10 + 8), texture.kind == TextureKind::Cube ? 4u : 0u);
        EXPECT_EQ(HeaderWord(file, offset::kDx10 + 12), 1u) << "array size";
    } else {
        const DdsPixelFormat stored = dds::WidelyReadForm(dds::RowOf(format.format).classic);
        EXPECT_EQ(HeaderWord(file, offset::kPixelFormatFlags), stored.flags);
        EXPECT_EQ(HeaderWord(file, offset::kFourcc), stored.fourCC);
        EXPECT_EQ(HeaderWord(file, offset::kBitCount), stored.bitCount);
        EXPECT_EQ(HeaderWord(file, offset::kRedMask), stored.redMask);
        EXPECT_EQ(HeaderWord(file, offset::kAlphaMask), stored.alphaMask);
    }

    const DWORD caps = HeaderWord(file, offset::kCaps);
    const DWORD caps2 = HeaderWord(file, offset::kCaps2);
    EXPECT_TRUE(caps & 0x1000u) << "TEXTURE";
    EXPECT_EQ((caps & 0x400000u) != 0, texture.levels > 1) << "MIPMAP";
    EXPECT_EQ((caps & 0x8u) != 0, texture.levels > 1 || texture.kind != TextureKind::Flat) << "COMPLEX";
    switch (texture.kind) {
    case TextureKind::Flat:
        EXPECT_EQ(caps2, 0u);
        EXPECT_FALSE(flags & 0x800000u);
        break;
    case TextureKind::Cube:
        EXPECT_EQ(caps2, 0xFE00u) << "CUBEMAP and all six faces";
        break;
    case TextureKind::Volume:
        EXPECT_EQ(caps2, 0x200000u);
        EXPECT_TRUE(flags & 0x800000u) << "DEPTH";
        EXPECT_EQ(HeaderWord(file, offset::kDepth), texture.depth);
        break;
    }

    // Faces, each with its mips; volumes with all slices of a level together.
    uint64_t expected = 128 + (dx10 ? 20 : 0) + (format.content == Content::Paletted ? 1024 : 0);
    const uint32_t faces = texture.kind == TextureKind::Cube ? 6 : 1;
    for (uint32_t level = 0; level < texture.levels; ++level) {
        const uint32_t w = std::max(1u, texture.width >> level), h = std::max(1u, texture.height >> level);
        const uint32_t d = texture.kind == TextureKind::Volume ? std::max(1u, texture.depth >> level) : 1;
        expected += ExpectedSliceBytes(format, w, h) * d * faces;
    }
    EXPECT_EQ(file.size(), expected);
}

std::string KindTestName(const ::testing::TestParamInfo<TextureKind>& info)
{
    static const char* const names[] = {"Flat", "Cube", "Volume"};
    return names[static_cast<int>(info.param)];
}

bool SamePalette(const TextureImage& a, const TextureImage& b)
{
    if (a.palette.has_value() != b.palette.has_value())
        return false;
    return !a.palette || std::memcmp(a.palette->data(), b.palette->data(), 1024) == 0;
}

class DdsRoundTrip : public ::testing::TestWithParam<TextureKind> {};

// Every format, shape and chain length, written with the classic header
// (or the DX10 one, for the formats only it can name) and, where the
// format has a DXGI form, with the DX10 header too.
TEST_P(DdsRoundTrip, EveryFormatShapeAndChain)
{
    const TextureKind kind = GetParam();
    uint32_t seed = 1;
    for (const FormatInfo& format : AllFormats())
        for (const Shape& shape : kShapes)
            for (Chain chain : {Chain::Full, Chain::Partial})
                for (dds::HeaderStyle style : {dds::HeaderStyle::Classic, dds::HeaderStyle::Dx10}) {
                    if (dds::FindRow(format.format) == nullptr)
                        continue; // ASTC, which is written to KTX2 only
                    const bool dx10 = style == dds::HeaderStyle::Dx10 || dds::NeedsDx10Header(format.format);
                    if ((style == dds::HeaderStyle::Dx10 && dds::NeedsDx10Header(format.format)) ||
                        (dx10 && !dds::DxgiFormOf(format.format, ColourSpace::Unspecified)))
                        continue;
                    const uint32_t width = shape.width;
                    const uint32_t height = kind == TextureKind::Cube ? shape.width : shape.height;
                    const uint32_t depth = kind == TextureKind::Volume ? shape.depth : 1;
                    const uint32_t full = ExpectedChain(width, height, depth);
                    const uint32_t levels = chain == Chain::Full ? full : std::max(1u, full / 2);
                    SCOPED_TRACE(std::string(format.name) + " " + KindName(kind) + " " + std::to_string(width) +
                                 "x" + std::to_string(height) + "x" + std::to_string(depth) + " levels " +
                                 std::to_string(levels) + (dx10 ? " DX10" : ""));

                    TextureImage texture = MakeTexture(format.format, kind, width, height, depth, levels);
                    FillWithPattern(texture, seed++);
                    // sRGB where the format can record it.
                    if (dx10 && dds::DxgiFormOf(format.format, ColourSpace::Srgb)->colourSpace == ColourSpace::Srgb)
                        texture.colourSpace = ColourSpace::Srgb;
                    const std::vector<BYTE> file = dds::Write(texture, style);
                    CheckHeader(file, texture, dx10);

                    const TextureImage back = dds::Read(file, "round-trip.dds");
                    EXPECT_EQ(back.format, texture.format);
                    EXPECT_EQ(back.kind, texture.kind);
                    EXPECT_EQ(back.colourSpace, texture.colourSpace);
                    EXPECT_EQ(back.width, width);
                    EXPECT_EQ(back.height, height);
                    EXPECT_EQ(back.depth, depth);
                    EXPECT_EQ(back.levels, levels);
                    EXPECT_TRUE(SamePalette(back, texture));
                    ASSERT_EQ(back.surfaces.size(), texture.surfaces.size());
                    for (size_t i = 0; i < back.surfaces.size(); ++i)
                        ASSERT_EQ(back.surfaces[i], texture.surfaces[i]) << "surface " << i;
                    if (::testing::Test::HasFailure())
                        return;
                }
}

INSTANTIATE_TEST_SUITE_P(Kinds, DdsRoundTrip,
                         ::testing::Values(TextureKind::Flat, TextureKind::Cube, TextureKind::Volume),
                         KindTestName);

TEST(DdsRoundTripExtras, PalettedTextureWithoutPaletteIsWrittenWithOpaqueWhite)
{
    TextureImage texture = MakeTexture(D3DFMT_P8, TextureKind::Flat, 2, 2, 1, 1);
    const std::vector<BYTE> file = dds::Write(texture);
    const TextureImage back = dds::Read(file, "p8.dds");
    ASSERT_TRUE(back.palette.has_value());
    for (const PALETTEENTRY& entry : *back.palette)
        EXPECT_EQ(entry.peRed & entry.peGreen & entry.peBlue & entry.peFlags, 0xFF);
}

} // namespace
} // namespace r3az8tex
