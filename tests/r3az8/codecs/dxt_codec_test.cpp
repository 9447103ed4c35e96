// DXT rows: when block rows reach the image, replication of tiny images,
// the read cache, partly covered block rows and the colour key.
#include "r3az8/tex/codecs/buffered_codecs.h"
#include "r3az8/tex/codecs/dxt_codec.h"
#include "r3az8/tex/dxt/dxt_block.h"
#include "r3az8/tex/working_memory.h"

#include "tests/r3az8/codecs/codec_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Blocks side by side, every byte marked until written.
MemoryImage Blocks(D3DFORMAT format, UINT width, UINT height, UINT depth = 1)
{
    return MemoryImage::Of(format, width, height, depth, {0, 0, 0xA5});
}


FloatColor Pattern(UINT x, UINT y)
{
    return {static_cast<float>(x % 7) / 6.0f, static_cast<float>(y % 5) / 4.0f, static_cast<float>((x + y) % 3) / 2.0f,
            static_cast<float>((3 * x + y) % 11) / 10.0f};
}

std::vector<FloatColor> PatternRow(UINT left, UINT right, UINT y)
{
    std::vector<FloatColor> row;
    for (UINT x = left; x < right; ++x)
        row.push_back(Pattern(x, y));
    return row;
}

// The 16 pixels of block (column, row) of the pattern.
std::vector<FloatColor> PatternBlock(UINT column, UINT row)
{
    std::vector<FloatColor> block;
    for (UINT i = 0; i < 16; ++i)
        block.push_back(Pattern(4 * column + i % 4, 4 * row + i / 4));
    return block;
}

TEST(DxtCodec, FactoryMakesItForTheBlockFormatsOnly)
{
    MemoryImage image = Blocks(D3DFMT_DXT3, 8, 8);
    auto codec = MakeCodec(image.Describe({0, 0, 8, 8, 0, 1}));
    ASSERT_NE(codec, nullptr);
    EXPECT_FALSE(codec->PackedPixels);
    EXPECT_NE(std::unique_ptr<PixelCodec>(CreateDxtCodec(image.Describe({0, 0, 8, 8, 0, 1}))), nullptr);
    ImageDesc other = image.Describe({0, 0, 8, 8, 0, 1});
    other.Format = D3DFMT_UYVY;
    EXPECT_EQ(CreateDxtCodec(other), nullptr);
}

TEST(DxtCodec, BlocksAreStoredWhenTheFourthRowArrives)
{
    MemoryImage image = Blocks(D3DFMT_DXT1, 8, 4);
    const std::vector<BYTE> untouched = image.bytes;
    auto codec = MakeCodec(image.Describe({0, 0, 8, 4, 0, 1}));
    for (UINT y = 0; y < 3; ++y) {
        codec->WriteRow(y, 0, PatternRow(0, 8, y).data());
        EXPECT_EQ(image.bytes, untouched) << "row " << y;
    }
    codec->WriteRow(3, 0, PatternRow(0, 8, 3).data());
    // Each column's block in its place.
    for (UINT column = 0; column < 2; ++column) {
        BYTE expected[8];
        EncodeBlockDXT1(expected, PatternBlock(column, 0).data());
        EXPECT_EQ(std::memcmp(image.At(column, 0), expected, 8), 0) << column;
    }
}

TEST(DxtCodec, OnePixelImageFillsItsBlockAtOnce)
{
    MemoryImage image = Blocks(D3DFMT_DXT5, 1, 1);
    auto codec = MakeCodec(image.Describe({0, 0, 1, 1, 0, 1}));
    FloatColor pixel = {0.2f, 0.7f, 0.4f, 0.6f};
    codec->WriteRow(0, 0, &pixel);
    std::vector<FloatColor> uniform(16, pixel);
    BYTE expected[16];
    EncodeBlockDXT5(expected, uniform.data());
    EXPECT_EQ(std::memcmp(image.At(0, 0), expected, 16), 0);
}

TEST(DxtCodec, TwoByTwoImageRepeatsItsPixelsAcrossTheBlock)
{
    MemoryImage image = Blocks(D3DFMT_DXT5, 2, 2);
    const std::vector<BYTE> untouched = image.bytes;
    auto codec = MakeCodec(image.Describe({0, 0, 2, 2, 0, 1}));
    codec->WriteRow(0, 0, PatternRow(0, 2, 0).data());
    EXPECT_EQ(image.bytes, untouched);
    codec->WriteRow(1, 0, PatternRow(0, 2, 1).data());
    std::vector<FloatColor> repeated;
    for (UINT i = 0; i < 16; ++i)
        repeated.push_back(Pattern((i % 4) & 1, (i / 4) & 1));
    BYTE expected[16];
    EncodeBlockDXT5(expected, repeated.data());
    EXPECT_EQ(std::memcmp(image.At(0, 0), expected, 16), 0);
}

TEST(DxtCodec, TwoRowsOfOneBlockRowDecodeOnce)
{
    MemoryImage image = Blocks(D3DFMT_DXT3, 8, 8);
    for (UINT row = 0; row < 2; ++row)
        for (UINT column = 0; column < 2; ++column)
            EncodeBlockDXT3(image.At(column, row), PatternBlock(column, row).data());
    auto codec = MakeCodec(image.Describe({0, 0, 8, 8, 0, 1}));
    FloatColor row5[8], row6[8], again[8];
    codec->ReadRow(5, 0, row5);
    // A change to the stored blocks is not seen until another block row is
    // read: row 6 comes from the cache.
    std::vector<BYTE> stored(image.At(0, 1), image.At(0, 1) + 32);
    std::memset(image.At(0, 1), 0, 32);
    codec->ReadRow(6, 0, row6);
    std::memcpy(image.At(0, 1), stored.data(), 32);
    auto fresh = MakeCodec(image.Describe({0, 0, 8, 8, 0, 1}));
    fresh->ReadRow(6, 0, again);
    EXPECT_EQ(std::memcmp(row6, again, sizeof(row6)), 0);
    for (UINT x = 0; x < 8; ++x)
        EXPECT_NEAR(row5[x].a, Pattern(x, 5).a, 1.0f / 15.0f + 1e-6f);
}

TEST(DxtCodec, ColourKeyBlackRemovesOpaqueBlack)
{
    MemoryImage image = Blocks(D3DFMT_DXT1, 4, 4);
    // Four-colour block white..black: codes 0 white, 1 black, 2 and 3 greys.
    BYTE* block = image.At(0, 0);
    block[0] = block[1] = 0xFF;
    block[2] = block[3] = 0x00;
    block[4] = 0xE4; // pixels 0..3: codes 0, 1, 2, 3
    block[5] = 0x55; // pixels 4..7: black
    block[6] = block[7] = 0;
    image.colorKey = 0xFF000000;
    auto codec = MakeCodec(image.Describe({0, 0, 4, 4, 0, 1}));
    FloatColor row[4];
    codec->ReadRow(0, 0, row);
    EXPECT_EQ(row[0].a, 1.0f);
    EXPECT_EQ(row[1].a, 0.0f);
    EXPECT_EQ(row[1].r, 0.0f);
    EXPECT_EQ(row[2].a, 1.0f);
    EXPECT_GT(row[2].r, 0.0f); // kept unquantised
    codec->ReadRow(1, 0, row);
    for (const FloatColor& c : row)
        EXPECT_EQ(c.a, 0.0f);
}

// A region that covers block rows only partly in height: every block row
// it touches is stored when the region's last row in it arrives, and the
// rows outside the region keep (a re-encoding of) their stored colours.
TEST(DxtCodec, PartlyCoveredBlockRowsAreStored)
{
    MemoryImage image = Blocks(D3DFMT_DXT5, 8, 12);
    for (UINT row = 0; row < 3; ++row)
        for (UINT column = 0; column < 2; ++column)
            EncodeBlockDXT5(image.At(column, row), PatternBlock(column, row).data());
    std::vector<FloatColor> before(8 * 12);
    {
        auto reader = MakeCodec(image.Describe({0, 0, 8, 12, 0, 1}));
        for (UINT y = 0; y < 12; ++y)
            reader->ReadRow(y, 0, before.data() + 8 * y);
    }
    const std::vector<BYTE> lastBlockRow(image.At(0, 2), image.At(0, 2) + 32);
    const FloatColor grey = {0.5f, 0.5f, 0.5f, 1.0f};
    {
        auto writer = MakeCodec(image.Describe({0, 2, 8, 7, 0, 1}));
        std::vector<FloatColor> row(8, grey);
        std::vector<BYTE> previous = image.bytes;
        for (UINT r = 0; r < 5; ++r) {
            writer->WriteRow(r, 0, row.data());
            const UINT y = 2 + r;
            const bool completesBlockRow = y == 3 || y == 6;
            EXPECT_EQ(image.bytes != previous, completesBlockRow) << "row " << y;
            previous = image.bytes;
        }
    }
    EXPECT_EQ(std::memcmp(image.At(0, 2), lastBlockRow.data(), 32), 0);
    auto reader = MakeCodec(image.Describe({0, 0, 8, 12, 0, 1}));
    for (UINT y = 0; y < 8; ++y) {
        FloatColor row[8];
        reader->ReadRow(y, 0, row);
        for (UINT x = 0; x < 8; ++x) {
            const FloatColor expected = (y >= 2 && y < 7) ? grey : before[8 * y + x];
            EXPECT_NEAR(row[x].g, expected.g, 0.2f) << x << "," << y;
            EXPECT_NEAR(row[x].a, expected.a, 0.1f) << x << "," << y;
        }
    }
}

// Columns the region leaves out of its edge blocks are decoded first, also
// when the region is narrower than one block.
TEST(DxtCodec, NarrowRegionKeepsTheRestOfItsBlock)
{
    MemoryImage image = Blocks(D3DFMT_DXT1, 8, 4);
    const std::vector<FloatColor> white(16, FloatColor{1, 1, 1, 1});
    EncodeBlockDXT1(image.At(0, 0), white.data());
    EncodeBlockDXT1(image.At(1, 0), white.data());
    {
        auto writer = MakeCodec(image.Describe({1, 0, 3, 4, 0, 1}));
        const FloatColor black[2] = {{0, 0, 0, 1}, {0, 0, 0, 1}};
        for (UINT y = 0; y < 4; ++y)
            writer->WriteRow(y, 0, black);
    }
    auto reader = MakeCodec(image.Describe({0, 0, 8, 4, 0, 1}));
    for (UINT y = 0; y < 4; ++y) {
        FloatColor row[8];
        reader->ReadRow(y, 0, row);
        for (UINT x = 0; x < 8; ++x)
            EXPECT_EQ(row[x].g, (x == 1 || x == 2) ? 0.0f : 1.0f) << x << "," << y;
    }
}

TEST(DxtCodec, VolumeSlicesKeepTheirOwnBlockRows)
{
    MemoryImage image = Blocks(D3DFMT_DXT1, 4, 4, 2);
    ASSERT_EQ(image.slicePitch, 8u);
    const ImageDesc desc = image.Describe();
    {
        auto writer = MakeCodec(desc);
        for (UINT z = 0; z < 2; ++z)
            for (UINT y = 0; y < 4; ++y) {
                std::vector<FloatColor> row(4, FloatColor{static_cast<float>(z), 0, 0, 1});
                writer->WriteRow(y, z, row.data());
            }
    }
    auto reader = MakeCodec(desc);
    FloatColor row[4];
    reader->ReadRow(2, 0, row);
    EXPECT_EQ(row[0].r, 0.0f);
    reader->ReadRow(2, 1, row);
    EXPECT_EQ(row[0].r, 1.0f);
}

TEST(DxtCodec, FailedAllocationsLoseRows)
{
    MemoryImage image = Blocks(D3DFMT_DXT1, 4, 4);
    const std::vector<BYTE> untouched = image.bytes;
    for (unsigned failing = 1; failing <= 3; ++failing) {
        auto codec = MakeCodec(image.Describe({0, 0, 4, 4, 0, 1}));
        ASSERT_NE(codec, nullptr);
        FailWorkingMemoryAt(failing); // 1 read cache, 2 write table, 3 block-row buffer
        FloatColor row[4] = {{0.5f, 0.5f, 0.5f, 0.5f}};
        codec->ReadRow(0, 0, row);
        for (UINT y = 0; y < 4; ++y)
            codec->WriteRow(y, 0, row);
        FailWorkingMemoryAt(0);
        EXPECT_TRUE(codec->RowsLost) << failing;
        if (failing == 1) {
            EXPECT_EQ(row[0].a, 0.0f) << "a lost row reads as transparent black";
        }
        codec.reset();
        // Without the read cache the writes still work; a write that found
        // no memory loses its row, so the block row is never complete.
        EXPECT_EQ(image.bytes != untouched, failing == 1) << failing;
        image.bytes = untouched;
    }
}

} // namespace
