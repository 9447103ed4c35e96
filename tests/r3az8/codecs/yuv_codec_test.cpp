// UYVY and YUY2 rows: the luma and chroma sums, clamping on both sides,
// half-covered pairs and when the row cache reaches the image.
#include "r3az8/tex/codecs/buffered_codecs.h"
#include "r3az8/tex/codecs/yuv_codec.h"
#include "r3az8/tex/working_memory.h"

#include "tests/r3az8/codecs/codec_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

ImageDesc DescribeYuv(std::vector<BYTE>& image, D3DFORMAT format, UINT width, UINT height, D3DBOX region)
{
    return {image.data(), format, 2 * width, 0, {0, 0, width, height, 0, 1}, region, 0, 0, nullptr};
}

TEST(YuvCodec, FactoryMakesItForThePairFormatsOnly)
{
    std::vector<BYTE> image(16);
    auto yuy2 = MakeCodec(DescribeYuv(image, D3DFMT_YUY2, 4, 1, {0, 0, 4, 1, 0, 1}));
    ASSERT_NE(yuy2, nullptr);
    EXPECT_FALSE(yuy2->PackedPixels);
    EXPECT_EQ(yuy2->BytesPerPixel, 0u);
    EXPECT_EQ(CreateYuvCodec(DescribeYuv(image, D3DFMT_DXT1, 4, 1, {0, 0, 4, 1, 0, 1})), nullptr);
}

TEST(YuvCodec, WhiteStoresLuma235WithNeutralChroma)
{
    std::vector<BYTE> image(4, 0);
    {
        auto codec = MakeCodec(DescribeYuv(image, D3DFMT_YUY2, 2, 1, {0, 0, 2, 1, 0, 1}));
        FloatColor white[2] = {{1, 1, 1, 1}, {1, 1, 1, 1}};
        codec->WriteRow(0, 0, white);
        EXPECT_EQ(image, (std::vector<BYTE>{0, 0, 0, 0})); // still in the cache
    }
    EXPECT_EQ(image, (std::vector<BYTE>{235, 128, 235, 128})); // Y0 U Y1 V
}

TEST(YuvCodec, LumaRangeEndsDecodeToWhiteAndBlack)
{
    std::vector<BYTE> image = {128, 255, 128, 16}; // UYVY: U Y0 V Y1
    auto codec = MakeCodec(DescribeYuv(image, D3DFMT_UYVY, 2, 1, {0, 0, 2, 1, 0, 1}));
    FloatColor row[2];
    codec->ReadRow(0, 0, row);
    ExpectColor(row[0], 1, 1, 1, 1);
    ExpectColor(row[1], 0, 0, 0, 1);
}

TEST(YuvCodec, ChromaOfTheFirstPixelColoursBothPixels)
{
    std::vector<BYTE> image = {81, 90, 16, 240}; // YUY2: red's Y, U, black's Y, red's V
    auto codec = MakeCodec(DescribeYuv(image, D3DFMT_YUY2, 2, 1, {0, 0, 2, 1, 0, 1}));
    FloatColor row[2];
    codec->ReadRow(0, 0, row);
    EXPECT_NEAR(row[0].r, 1.0f, 0.01f);
    EXPECT_NEAR(row[0].g, 0.0f, 0.01f);
    EXPECT_NEAR(row[0].b, 0.0f, 0.01f);
    EXPECT_GT(row[1].r, 0.5f); // black's luma with red's chroma
    EXPECT_EQ(row[1].g, 0.0f);
}

TEST(YuvCodec, OddLeftWriteKeepsThePartnerAndTakesItsChroma)
{
    // Black UYVY pairs; the region covers pixels 1 and 2.
    std::vector<BYTE> image = {128, 16, 128, 16, 128, 16, 128, 16};
    {
        auto codec = MakeCodec(DescribeYuv(image, D3DFMT_UYVY, 4, 1, {1, 0, 3, 1, 0, 1}));
        FloatColor red[2] = {{1, 0, 0, 1}, {1, 0, 0, 1}};
        codec->WriteRow(0, 0, red);
    }
    // Pair 0: black partner first, so its chroma; pair 1: red first.
    EXPECT_EQ(image, (std::vector<BYTE>{128, 16, 128, 81, 90, 81, 240, 16}));
}

TEST(YuvCodec, LoadingAnotherRowStoresThePendingOne)
{
    std::vector<BYTE> image(8, 0);
    auto codec = MakeCodec(DescribeYuv(image, D3DFMT_YUY2, 2, 2, {0, 0, 2, 2, 0, 1}));
    FloatColor white[2] = {{1, 1, 1, 1}, {1, 1, 1, 1}};
    codec->WriteRow(0, 0, white);
    EXPECT_EQ(image[0], 0);
    FloatColor row[2];
    codec->ReadRow(1, 0, row);
    EXPECT_EQ(image[0], 235);
    EXPECT_EQ(image[4], 0); // the row read is not written back
}

TEST(YuvCodec, OutOfRangeColoursClampToBytes)
{
    std::vector<BYTE> image(4, 0);
    {
        auto codec = MakeCodec(DescribeYuv(image, D3DFMT_YUY2, 2, 1, {0, 0, 2, 1, 0, 1}));
        FloatColor row[2] = {{4, 4, 4, 1}, {-3, -3, -3, 1}};
        codec->WriteRow(0, 0, row);
    }
    EXPECT_EQ(image[0], 255);
    EXPECT_EQ(image[2], 0);
}

TEST(YuvCodec, ColourKeyComparesDecodedColours)
{
    std::vector<BYTE> image = {255, 128, 126, 128}; // YUY2 white and grey
    ImageDesc desc = DescribeYuv(image, D3DFMT_YUY2, 2, 1, {0, 0, 2, 1, 0, 1});
    desc.ColorKey = 0xFFFFFFFF;
    auto codec = MakeCodec(desc);
    FloatColor row[2];
    codec->ReadRow(0, 0, row);
    EXPECT_EQ(row[0].a, 0.0f);
    EXPECT_EQ(row[0].r, 0.0f);
    EXPECT_EQ(row[1].a, 1.0f);
}

TEST(YuvCodec, WithoutRowCacheRowsAreLost)
{
    std::vector<BYTE> image = {255, 128, 16, 128};
    const std::vector<BYTE> untouched = image;
    FailWorkingMemoryAt(2); // the codec itself, then its row cache
    auto codec = MakeCodec(DescribeYuv(image, D3DFMT_YUY2, 2, 1, {0, 0, 2, 1, 0, 1}));
    FailWorkingMemoryAt(0);
    ASSERT_NE(codec, nullptr);
    FloatColor row[2] = {{0.25f, 0.25f, 0.25f, 0.25f}, {0.25f, 0.25f, 0.25f, 0.25f}};
    codec->ReadRow(0, 0, row);
    EXPECT_EQ(row[0].r, 0.0f) << "a lost row reads as transparent black";
    EXPECT_EQ(row[1].a, 0.0f);
    EXPECT_TRUE(codec->RowsLost);
    codec->WriteRow(0, 0, row);
    codec.reset();
    EXPECT_EQ(image, untouched);
}

} // namespace

namespace {

// The RGB pairs: green per pixel in the luma places, red and blue shared in
// the chroma places, no colour transform; stored red and blue are the
// pair's means.
TEST(RgbPairCodec, ReadsAndWritesBothByteOrders)
{
    const float step = 0.003921569f;
    for (D3DFORMAT format : {FMT_R8G8_B8G8, FMT_G8R8_G8B8}) {
        const bool redFirst = format == FMT_R8G8_B8G8;
        std::vector<BYTE> image = redFirst ? std::vector<BYTE>{10, 20, 30, 40} : std::vector<BYTE>{20, 10, 40, 30};
        {
            auto codec = MakeCodec(DescribeYuv(image, format, 2, 1, {0, 0, 2, 1, 0, 1}));
            FloatColor row[2];
            codec->ReadRow(0, 0, row);
            EXPECT_EQ(row[0].r, 10 * step);
            EXPECT_EQ(row[0].g, 20 * step);
            EXPECT_EQ(row[1].g, 40 * step);
            EXPECT_EQ(row[1].b, 30 * step);
            const FloatColor colours[2] = {{100 * step, 1, 0, 1}, {200 * step, 0, 1, 1}};
            codec->WriteRow(0, 0, colours);
        }
        const std::vector<BYTE> stored =
            redFirst ? std::vector<BYTE>{150, 255, 128, 0} : std::vector<BYTE>{255, 150, 0, 128};
        EXPECT_EQ(image, stored) << format;
    }
}

} // namespace
