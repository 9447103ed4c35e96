// The YUV and DXT formats through Blit: converted both ways, halved for a
// mip chain, copied block for block, and written in partly covered block
// rows, with errors inside what each format can hold.
#include "tests/support/memory_image.h"
#include "r3az8/tex/blitter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

struct FormatCase {
    const char* name;
    D3DFORMAT format;
    // RMSE in 8-bit units on the smooth test picture. Premultiplied
    // formats store colour times alpha (0.5 to 1 here), so unpremultiplying
    // magnifies their colour error up to twofold.
    double colourTolerance;
    bool keepsAlpha;
    int channels = 7; // bits of the colour channels held: 4 red, 2 green, 1 blue
};

const FormatCase Formats[] = {
    {"DXT1", D3DFMT_DXT1, 8, false}, {"DXT2", D3DFMT_DXT2, 14, true}, {"DXT3", D3DFMT_DXT3, 8, true},
    {"DXT4", D3DFMT_DXT4, 14, true},  {"DXT5", D3DFMT_DXT5, 8, true}, {"UYVY", D3DFMT_UYVY, 4, false},
    {"YUY2", D3DFMT_YUY2, 4, false},  {"BC4", D3DFMT_BC4, 2, false, 4}, {"BC5", D3DFMT_BC5, 2, false, 6},
};

void PrintTo(const FormatCase& format, std::ostream* out) { *out << format.name; }

// Smooth colours with alpha from 0.5 to 1 (so premultiplied formats keep
// their colours recoverable).
uint32_t Smooth(UINT x, UINT y)
{
    uint32_t r = 40 + 9 * x, g = 200 - 7 * y, b = 60 + 4 * (x + y), a = 128 + 4 * (x + y);
    return a << 24 | r << 16 | g << 8 | b;
}

MemoryImage SmoothPicture(UINT width, UINT height)
{
    MemoryImage image = MemoryImage::Tight(D3DFMT_A8R8G8B8, width, height);
    for (UINT y = 0; y < height; ++y)
        for (UINT x = 0; x < width; ++x)
            image.SetPixel(x, y, Smooth(x, y));
    return image;
}

HRESULT Blit(MemoryImage& dest, D3DBOX destRegion, MemoryImage& source, D3DBOX sourceRegion, DWORD filter)
{
    ImageDesc destDesc = dest.Describe(destRegion);
    ImageDesc sourceDesc = source.Describe(sourceRegion);
    Blitter blitter;
    return blitter.Blit(destDesc, sourceDesc, filter);
}

HRESULT Blit(MemoryImage& dest, MemoryImage& source, DWORD filter)
{
    return Blit(dest, {0, 0, dest.width, dest.height, 0, 1}, source, {0, 0, source.width, source.height, 0, 1},
                filter);
}

double ChannelDifference(uint32_t a, uint32_t b, int shift)
{
    return static_cast<double>(static_cast<int>((a >> shift) & 255) - static_cast<int>((b >> shift) & 255));
}

class BlitFormats : public testing::TestWithParam<FormatCase> {};

TEST_P(BlitFormats, RoundTripStaysWithinTheFormatsPrecision)
{
    const FormatCase& format = GetParam();
    MemoryImage original = SmoothPicture(16, 16);
    MemoryImage stored = MemoryImage::Tight(format.format, 16, 16);
    MemoryImage back = MemoryImage::Tight(D3DFMT_A8R8G8B8, 16, 16);
    ASSERT_EQ(Blit(stored, original, IMAGE_FILTER_NONE), S_OK);
    ASSERT_EQ(Blit(back, stored, IMAGE_FILTER_NONE), S_OK);
    double colour = 0, alpha = 0;
    int channels = 0;
    for (int bit = 0; bit < 3; ++bit)
        if (format.channels & (1 << bit)) {
            ++channels;
            for (UINT y = 0; y < 16; ++y)
                for (UINT x = 0; x < 16; ++x)
                    colour += std::pow(ChannelDifference(back.Pixel(x, y), original.Pixel(x, y), 8 * bit), 2);
        }
    for (UINT y = 0; y < 16; ++y)
        for (UINT x = 0; x < 16; ++x)
            alpha += std::pow(ChannelDifference(back.Pixel(x, y), original.Pixel(x, y), 24), 2);
    EXPECT_LT(std::sqrt(colour / (channels * 256)), format.colourTolerance);
    if (format.keepsAlpha)
        EXPECT_LT(std::sqrt(alpha / 256), format.format == D3DFMT_DXT2 || format.format == D3DFMT_DXT3 ? 10 : 3);
    else
        EXPECT_EQ(back.Pixel(3, 3) >> 24, 255u);
}

TEST_P(BlitFormats, BoxHalvingMakesTheNextMipLevel)
{
    const FormatCase& format = GetParam();
    MemoryImage original = SmoothPicture(16, 16);
    MemoryImage level0 = MemoryImage::Tight(format.format, 16, 16);
    MemoryImage level1 = MemoryImage::Tight(format.format, 8, 8);
    MemoryImage back = MemoryImage::Tight(D3DFMT_A8R8G8B8, 8, 8);
    ASSERT_EQ(Blit(level0, original, IMAGE_FILTER_NONE), S_OK);
    ASSERT_EQ(Blit(level1, level0, IMAGE_FILTER_BOX), S_OK);
    ASSERT_EQ(Blit(back, level1, IMAGE_FILTER_NONE), S_OK);
    // Level 1 pixel (x, y) averages level 0 pixels 2x..2x+1: the smooth
    // picture's value at (2x + 0.5, 2y + 0.5), green (or red, for BC4).
    const bool green = format.channels & 2;
    double colour = 0;
    for (UINT y = 0; y < 8; ++y)
        for (UINT x = 0; x < 8; ++x) {
            const double expected = green ? 200 - 7 * (2 * y + 0.5) : 40 + 9 * (2 * x + 0.5);
            colour += std::pow(((back.Pixel(x, y) >> (green ? 8 : 16)) & 255) - expected, 2);
        }
    EXPECT_LT(std::sqrt(colour / 64), 2 * format.colourTolerance);
}

TEST_P(BlitFormats, SameFormatCopyKeepsTheBytes)
{
    const FormatCase& format = GetParam();
    MemoryImage original = SmoothPicture(16, 16);
    MemoryImage stored = MemoryImage::Tight(format.format, 16, 16);
    MemoryImage copy = MemoryImage::Tight(format.format, 16, 16);
    ASSERT_EQ(Blit(stored, original, IMAGE_FILTER_NONE), S_OK);
    ASSERT_EQ(Blit(copy, stored, IMAGE_FILTER_TRIANGLE), S_OK);
    EXPECT_EQ(copy.bytes, stored.bytes);
}

INSTANTIATE_TEST_SUITE_P(Formats, BlitFormats, testing::ValuesIn(Formats),
                         [](const testing::TestParamInfo<FormatCase>& instance) { return std::string(instance.param.name); });

// A region whose top and bottom cut block rows: the rows it covers are
// written, the rows outside it keep their colours.
TEST(BlitDxt, RegionCuttingBlockRowsIsStoredCompletely)
{
    MemoryImage white = MemoryImage::Tight(D3DFMT_A8R8G8B8, 16, 16);
    for (UINT y = 0; y < 16; ++y)
        for (UINT x = 0; x < 16; ++x)
            white.SetPixel(x, y, 0xFFFFFFFF);
    MemoryImage black = MemoryImage::Tight(D3DFMT_A8R8G8B8, 16, 10);
    for (UINT y = 0; y < 10; ++y)
        for (UINT x = 0; x < 16; ++x)
            black.SetPixel(x, y, 0xFF000000);
    MemoryImage stored = MemoryImage::Tight(D3DFMT_DXT1, 16, 16);
    ASSERT_EQ(Blit(stored, white, IMAGE_FILTER_NONE), S_OK);
    ASSERT_EQ(Blit(stored, {0, 3, 16, 13, 0, 1}, black, {0, 0, 16, 10, 0, 1}, IMAGE_FILTER_NONE), S_OK);
    MemoryImage back = MemoryImage::Tight(D3DFMT_A8R8G8B8, 16, 16);
    ASSERT_EQ(Blit(back, stored, IMAGE_FILTER_NONE), S_OK);
    for (UINT y = 0; y < 16; ++y)
        for (UINT x = 0; x < 16; ++x)
            ASSERT_EQ(back.Pixel(x, y), (y >= 3 && y < 13) ? 0xFF000000u : 0xFFFFFFFFu) << x << "," << y;
}

} // namespace
