// Ordered dithering: the threshold of each pixel comes from the 4x4 matrix,
// anchored at the region's corner and shifted one column per slice.
#include "tests/r3az8/codecs/codec_support.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

constexpr int kMatrix[4][4] = {{15, 7, 13, 5}, {3, 11, 1, 9}, {12, 4, 14, 6}, {0, 8, 2, 10}};

TEST(DitherThresholds, TablesHoldTheMatrixTwicePerRow)
{
    for (int entry = 0; entry < 32; ++entry) {
        EXPECT_EQ(NoDitherThresholds[entry], 0.5f);
        EXPECT_EQ(OrderedDitherThresholds[entry], (kMatrix[entry / 8][entry % 4] + 0.5f) / 16.0f);
    }
    EXPECT_EQ(OrderedDitherThresholds[0], 0.96875f);
    EXPECT_EQ(OrderedDitherThresholds[3], 0.34375f);
    EXPECT_EQ(OrderedDitherThresholds[24], 0.03125f);
    EXPECT_EQ(OrderedDitherThresholds[27], 0.65625f);
}

// A constant 0.5 into R5G6B5: 15.5 (31.5 for green) plus the threshold
// reaches 16 (32) exactly where the matrix value is 8 or more.
void CheckHalfGreyPattern(DWORD dither)
{
    MemoryImage image(D3DFMT_R5G6B5, 2, 4, 4, 4);
    image.dither = dither;
    CodecPointer codec = MakeCodec(image.Describe());
    ASSERT_TRUE(codec);
    const FloatColor grey[4] = {{0.5f, 0.5f, 0.5f, 1.0f}, {0.5f, 0.5f, 0.5f, 1.0f}, {0.5f, 0.5f, 0.5f, 1.0f},
                                {0.5f, 0.5f, 0.5f, 1.0f}};
    for (UINT z = 0; z < 4; ++z)
        for (UINT y = 0; y < 4; ++y)
            codec->WriteRow(y, z, grey);
    for (UINT z = 0; z < 4; ++z) {
        for (UINT y = 0; y < 4; ++y) {
            for (UINT x = 0; x < 4; ++x) {
                const bool high = dither == 0 || kMatrix[y][(x + z) % 4] >= 8;
                const WORD pixel = image.Get<WORD>(x, y, z);
                EXPECT_EQ(pixel >> 11, high ? 16 : 15) << x << "," << y << "," << z;
                EXPECT_EQ((pixel >> 5) & 63, high ? 32 : 31) << x << "," << y << "," << z;
                EXPECT_EQ(pixel & 31, high ? 16 : 15) << x << "," << y << "," << z;
            }
        }
    }
}

TEST(Dither, OrderedPatternOnR5G6B5MovesOneColumnPerSlice) { CheckHalfGreyPattern(1); }

TEST(Dither, WithoutDitherEveryFieldRoundsHalfUp) { CheckHalfGreyPattern(0); }

// The pattern starts at the region's left column, not the image's.
TEST(Dither, PatternIsAnchoredAtTheRegionCorner)
{
    MemoryImage image(D3DFMT_R5G6B5, 2, 8, 4);
    image.dither = 1;
    ImageDesc desc = image.Describe();
    desc.Region = {3, 1, 7, 3, 0, 1};
    CodecPointer codec = MakeCodec(desc);
    const FloatColor grey[4] = {{0.5f, 0.5f, 0.5f, 1.0f}, {0.5f, 0.5f, 0.5f, 1.0f}, {0.5f, 0.5f, 0.5f, 1.0f},
                                {0.5f, 0.5f, 0.5f, 1.0f}};
    codec->WriteRow(0, 0, grey);
    for (UINT x = 0; x < 4; ++x)
        EXPECT_EQ(image.Get<WORD>(3 + x, 1) >> 11, kMatrix[0][x] >= 8 ? 16 : 15);
}

// Every field of a format with dithering on stays within one step of the
// undithered value.
TEST(Dither, StaysWithinOneCodeOfRounding)
{
    MemoryImage plain(D3DFMT_A4R4G4B4, 2, 64, 3);
    MemoryImage dithered(D3DFMT_A4R4G4B4, 2, 64, 3);
    dithered.dither = 1;
    std::vector<FloatColor> row(64);
    for (UINT x = 0; x < 64; ++x) {
        const float v = x / 63.0f;
        row[x] = {v, 1.0f - v, v * v, 0.5f};
    }
    MakeCodec(plain.Describe())->WriteRow(2, 0, row.data());
    MakeCodec(dithered.Describe())->WriteRow(2, 0, row.data());
    for (UINT x = 0; x < 64; ++x) {
        const WORD a = plain.Get<WORD>(x, 2);
        const WORD b = dithered.Get<WORD>(x, 2);
        for (int shift = 0; shift < 16; shift += 4)
            EXPECT_LE(std::abs(((a >> shift) & 15) - ((b >> shift) & 15)), 1);
    }
}

} // namespace
