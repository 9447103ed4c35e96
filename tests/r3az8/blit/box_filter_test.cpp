// The box filter through Blit and as an operation: the packed fast paths
// against a field-by-field reference, the evening of odd sources, the
// general path's cases and the volume form.
#include "filter_test_support.h"

#include "r3az8/tex/blit/box_kernels.h"

#include <gtest/gtest.h>

namespace {

struct Field {
    unsigned shift;
    unsigned bits;
    bool meaningless; // an X field: written as 0
};

struct FastPathFormat {
    D3DFORMAT format;
    UINT bytesPerPixel;
    std::vector<Field> fields;
};

// The layouts as the format documents give them, field by field.
const std::vector<FastPathFormat>& FastPathFormats()
{
    static const std::vector<FastPathFormat> formats = {
        {D3DFMT_A8R8G8B8, 4, {{24, 8, false}, {16, 8, false}, {8, 8, false}, {0, 8, false}}},
        {D3DFMT_R5G6B5, 2, {{11, 5, false}, {5, 6, false}, {0, 5, false}}},
        {D3DFMT_X1R5G5B5, 2, {{15, 1, true}, {10, 5, false}, {5, 5, false}, {0, 5, false}}},
        {D3DFMT_A1R5G5B5, 2, {{15, 1, false}, {10, 5, false}, {5, 5, false}, {0, 5, false}}},
        {D3DFMT_A4R4G4B4, 2, {{12, 4, false}, {8, 4, false}, {4, 4, false}, {0, 4, false}}},
        {D3DFMT_R3G3B2, 1, {{5, 3, false}, {2, 3, false}, {0, 2, false}}},
        {D3DFMT_A8, 1, {{0, 8, false}}},
        {D3DFMT_A8R3G3B2, 2, {{8, 8, false}, {5, 3, false}, {2, 3, false}, {0, 2, false}}},
        {D3DFMT_X4R4G4B4, 2, {{12, 4, true}, {8, 4, false}, {4, 4, false}, {0, 4, false}}},
        {D3DFMT_L8, 1, {{0, 8, false}}},
        {D3DFMT_A8L8, 2, {{8, 8, false}, {0, 8, false}}},
        {D3DFMT_A4L4, 1, {{4, 4, false}, {0, 4, false}}},
    };
    return formats;
}

// Codecs of the two images in a Blitter set for the box filter, for tests
// that look at the Blitter after the operation.
void HoldBoxCodecs(Blitter& blitter, const MemoryImage& dest, const MemoryImage& src)
{
    blitter.pDest = CreatePixelCodec(dest.Describe());
    blitter.pSrc = CreatePixelCodec(src.Describe());
    blitter.Filter = IMAGE_FILTER_BOX;
}

uint32_t ReadPixel(const MemoryImage& image, UINT x, UINT y)
{
    switch (image.unitBytes) {
    case 1:
        return image.Get<uint8_t>(x, y);
    case 2:
        return image.Get<uint16_t>(x, y);
    default:
        return image.Get<uint32_t>(x, y);
    }
}

uint32_t ReferenceMean(const FastPathFormat& format, const uint32_t (&quad)[4])
{
    uint32_t result = 0;
    for (const Field& field : format.fields) {
        if (field.meaningless)
            continue;
        const uint32_t mask = (1u << field.bits) - 1u;
        uint32_t sum = 0;
        for (uint32_t pixel : quad)
            sum += (pixel >> field.shift) & mask;
        result |= ((sum + 2) >> 2) << field.shift;
    }
    return result;
}

TEST(BoxFastPath, EveryFormatAveragesEachFieldExactly)
{
    std::mt19937 random(99);
    for (const FastPathFormat& format : FastPathFormats()) {
        for (UINT destWidth : {1u, 3u, 8u, 17u}) {
            MemoryImage src(format.format, format.bytesPerPixel, 2 * destWidth, 6, 1, kMarkedGaps);
            src.FillRandom(random);
            MemoryImage dest(format.format, format.bytesPerPixel, destWidth, 3, 1, kMarkedGaps);
            ASSERT_EQ(BlitImages(dest, src, IMAGE_FILTER_BOX), S_OK);
            for (UINT y = 0; y < 3; ++y)
                for (UINT x = 0; x < destWidth; ++x) {
                    const uint32_t quad[4] = {ReadPixel(src, 2 * x, 2 * y), ReadPixel(src, 2 * x + 1, 2 * y),
                                              ReadPixel(src, 2 * x, 2 * y + 1), ReadPixel(src, 2 * x + 1, 2 * y + 1)};
                    ASSERT_EQ(ReadPixel(dest, x, y), ReferenceMean(format, quad))
                        << "format " << format.format << " at " << x << "," << y;
                }
            // Nothing written past a row.
            EXPECT_EQ(dest.bytes[destWidth * format.bytesPerPixel], 0xA5);
        }
    }
}

TEST(BoxFastPath, A8R8G8B8QuadsRoundHalvesUp)
{
    const BYTE quads[][4] = {{0, 0, 0, 1}, {1, 1, 0, 0}, {1, 1, 1, 0}, {2, 2, 2, 1}, {255, 255, 255, 255}};
    const BYTE means[] = {0, 1, 1, 2, 255};
    for (size_t q = 0; q < std::size(quads); ++q) {
        MemoryImage src(D3DFMT_A8R8G8B8, 4, 2, 2, 1, kMarkedGaps);
        for (UINT i = 0; i < 4; ++i)
            src.Set<uint32_t>(i % 2, i / 2, 0, 0x01010101u * quads[q][i]);
        MemoryImage dest(D3DFMT_A8R8G8B8, 4, 1, 1, 1, kMarkedGaps);
        ASSERT_EQ(BlitImages(dest, src, IMAGE_FILTER_BOX), S_OK);
        EXPECT_EQ(dest.Get<uint32_t>(0), 0x01010101u * means[q]) << "quad " << q;
    }
}

TEST(BoxFastPath, A1R5G5B5AlphaFollowsTheMajorityWithTiesSet)
{
    struct Case {
        uint16_t alphas[4];
        uint16_t expected;
    };
    for (const Case& c : {Case{{1, 1, 0, 0}, 1}, Case{{1, 0, 0, 0}, 0}, Case{{1, 1, 1, 0}, 1}, Case{{0, 0, 0, 0}, 0}}) {
        MemoryImage src(D3DFMT_A1R5G5B5, 2, 2, 2, 1, kMarkedGaps);
        for (UINT i = 0; i < 4; ++i)
            src.Set<uint16_t>(i % 2, i / 2, 0, uint16_t(c.alphas[i] << 15));
        MemoryImage dest(D3DFMT_A1R5G5B5, 2, 1, 1, 1, kMarkedGaps);
        ASSERT_EQ(BlitImages(dest, src, IMAGE_FILTER_BOX), S_OK);
        EXPECT_EQ(dest.Get<uint16_t>(0) >> 15, c.expected);
    }
}

TEST(BoxFastPath, XFieldsComeOutZero)
{
    for (auto [format, full] : {std::pair{D3DFMT_X1R5G5B5, uint16_t(0xFFFF)}, std::pair{D3DFMT_X4R4G4B4, uint16_t(0xFFFF)}}) {
        MemoryImage src(format, 2, 2, 2, 1, kMarkedGaps);
        for (UINT i = 0; i < 4; ++i)
            src.Set<uint16_t>(i % 2, i / 2, 0, full);
        MemoryImage dest(format, 2, 1, 1, 1, kMarkedGaps);
        ASSERT_EQ(BlitImages(dest, src, IMAGE_FILTER_BOX), S_OK);
        EXPECT_EQ(dest.Get<uint16_t>(0), format == D3DFMT_X1R5G5B5 ? 0x7FFF : 0x0FFF);
    }
}

// D3DFMT_X8R8G8B8 goes through the bound kernel: colour bytes are the
// rounded means; the X byte is 0 from the plain kernel and, as the MMX
// kernel has always made it, the rounded mean from the vector kernels.
TEST(BoxFastPath, X8R8G8B8AveragesColoursAndTreatsXAsItsKernelDoes)
{
    std::mt19937 random(98);
    MemoryImage src(D3DFMT_X8R8G8B8, 4, 8, 4, 1, kMarkedGaps);
    src.FillRandom(random);
    MemoryImage dest(D3DFMT_X8R8G8B8, 4, 4, 2, 1, kMarkedGaps);
    ASSERT_EQ(BlitImages(dest, src, IMAGE_FILTER_BOX), S_OK);
    const bool plainKernel = g_pfnBoxKernelX8R8G8B8 == &BoxKernelXrgbPlain;
    for (UINT y = 0; y < 2; ++y)
        for (UINT x = 0; x < 4; ++x)
            for (UINT shift : {0u, 8u, 16u, 24u}) {
                uint32_t sum = 0;
                for (UINT i = 0; i < 4; ++i)
                    sum += (src.Get<uint32_t>(2 * x + i % 2, 2 * y + i / 2) >> shift) & 0xFF;
                const uint32_t expected = shift == 24 && plainKernel ? 0 : (sum + 2) >> 2;
                EXPECT_EQ((dest.Get<uint32_t>(x, y) >> shift) & 0xFF, expected) << x << "," << y << " bits " << shift;
            }
}

// 5x3 to 2x1: the fifth column and the third row are ignored, and the
// source codec keeps its evened size.
TEST(BoxFilter2D, OddSourcesAreEvenedInPlace)
{
    MemoryImage src(D3DFMT_A8R8G8B8, 4, 5, 3, 1, kMarkedGaps);
    for (UINT y = 0; y < 3; ++y)
        for (UINT x = 0; x < 5; ++x)
            src.Set<uint32_t>(x, y, 0, x == 4 || y == 2 ? 0xFFFFFFFFu : 0x10203040u);
    MemoryImage dest(D3DFMT_A8R8G8B8, 4, 2, 1, 1, kMarkedGaps);

    Blitter blitter;
    HoldBoxCodecs(blitter, dest, src);
    ASSERT_EQ(blitter.FilterBox2D(), S_OK);
    EXPECT_EQ(blitter.pSrc->Width, 4u);
    EXPECT_EQ(blitter.pSrc->Height, 2u);
    EXPECT_EQ(blitter.pSrc->RowBytes, 16u);
    EXPECT_EQ(dest.Get<uint32_t>(0), 0x10203040u);
    EXPECT_EQ(dest.Get<uint32_t>(1), 0x10203040u);
}

// 2x1 to 1x1 cannot take a fast path (it needs two rows): the general
// path averages the two pixels (the image has no second row to read).
TEST(BoxFilter2D, ASingleRowGoesThroughTheGeneralPath)
{
    MemoryImage src(D3DFMT_A8R8G8B8, 4, 2, 1, 1, kMarkedGaps);
    src.Set<uint32_t>(0, 0, 0, 0x00000010u);
    src.Set<uint32_t>(1, 0, 0, 0xFF000030u);
    MemoryImage dest(D3DFMT_A8R8G8B8, 4, 1, 1, 1, kMarkedGaps);
    ASSERT_EQ(BlitImages(dest, src, IMAGE_FILTER_BOX), S_OK);
    EXPECT_EQ(dest.Get<uint32_t>(0), 0x80000020u);
}

TEST(BoxFilter2D, ASingleColumnAveragesVerticalPairs)
{
    MemoryImage src(D3DFMT_A8R8G8B8, 4, 1, 8, 1, kMarkedGaps);
    for (UINT y = 0; y < 8; ++y)
        src.Set<uint32_t>(0, y, 0, 0x01010101u * (20 * y));
    MemoryImage dest(D3DFMT_A8R8G8B8, 4, 1, 4, 1, kMarkedGaps);
    ASSERT_EQ(BlitImages(dest, src, IMAGE_FILTER_BOX), S_OK);
    for (UINT y = 0; y < 4; ++y)
        EXPECT_EQ(dest.Get<uint32_t>(0, y), 0x01010101u * (40 * y + 10)) << "row " << y;
}

TEST(BoxFilter2D, SizesThatDoNotHalveAreDeclinedUntouched)
{
    MemoryImage src(D3DFMT_A8R8G8B8, 4, 4, 4, 1, kMarkedGaps);
    MemoryImage dest(D3DFMT_A8R8G8B8, 4, 3, 2, 1, kMarkedGaps);
    Blitter blitter;
    HoldBoxCodecs(blitter, dest, src);
    EXPECT_EQ(blitter.FilterBox2D(), E_FAIL);
    EXPECT_EQ(blitter.FilterBox3D(), E_FAIL);
    EXPECT_EQ(blitter.pSrc->Width, 4u);
    EXPECT_EQ(dest.bytes, std::vector<BYTE>(dest.bytes.size(), 0xA5));

    // Another filter type is declined too, even for halving sizes.
    MemoryImage half(D3DFMT_A8R8G8B8, 4, 2, 2, 1, kMarkedGaps);
    EXPECT_EQ(RunOperation(&Blitter::FilterBox2D, half, src, IMAGE_FILTER_TRIANGLE), E_FAIL);
}

// Dithering happens only in WriteRow, so a dithered request takes the
// general path even for equal formats: a mean halfway between two codes
// then comes out as a pattern of both instead of rounding up everywhere.
TEST(BoxFilter2D, DitheringForcesTheGeneralPath)
{
    MemoryImage src(D3DFMT_R5G6B5, 2, 8, 8, 1, kMarkedGaps);
    for (UINT y = 0; y < 8; ++y)
        for (UINT x = 0; x < 8; ++x)
            src.Set<uint16_t>(x, y, 0, uint16_t((x % 2 == 0 ? 15 : 16) << 11));
    MemoryImage plain(D3DFMT_R5G6B5, 2, 4, 4, 1, kMarkedGaps), dithered(D3DFMT_R5G6B5, 2, 4, 4, 1, kMarkedGaps);
    ASSERT_EQ(BlitImages(plain, src, IMAGE_FILTER_BOX), S_OK);
    ASSERT_EQ(BlitImages(dithered, src, IMAGE_FILTER_BOX | IMAGE_FILTER_DITHER), S_OK);
    int fifteens = 0, sixteens = 0;
    for (UINT y = 0; y < 4; ++y)
        for (UINT x = 0; x < 4; ++x) {
            EXPECT_EQ(plain.Get<uint16_t>(x, y) >> 11, 16);
            const int red = dithered.Get<uint16_t>(x, y) >> 11;
            fifteens += red == 15;
            sixteens += red == 16;
        }
    EXPECT_GT(fifteens, 0);
    EXPECT_GT(sixteens, 0);
    EXPECT_EQ(fifteens + sixteens, 16);
}

// A colour key is applied by ReadRow, which the fast paths bypass: a keyed
// 2x2 of green boxed to 1x1 is transparent black, as on the general path.
TEST(BoxFilter2D, ASourceColourKeyTakesTheGeneralPath)
{
    MemoryImage src(D3DFMT_A8R8G8B8, 4, 2, 2, 1, kMarkedGaps), dest(D3DFMT_A8R8G8B8, 4, 1, 1, 1, kMarkedGaps);
    for (UINT y = 0; y < 2; ++y)
        for (UINT x = 0; x < 2; ++x)
            src.Set<uint32_t>(x, y, 0, 0xFF00FF00u);
    ImageDesc source = src.Describe();
    source.ColorKey = 0xFF00FF00u;
    ImageDesc destination = dest.Describe();
    Blitter blitter;
    ASSERT_EQ(blitter.Blit(destination, source, IMAGE_FILTER_BOX), S_OK);
    EXPECT_EQ(dest.Get<uint32_t>(0, 0), 0x00000000u);
}

// The general path's arithmetic, bit for bit: ((a + b) + c + d) x 0.25.
TEST(BoxFilter2D, TheGeneralPathAddsInItsFixedOrder)
{
    std::mt19937 random(5);
    FloatImage src(6, 4), dest(3, 2);
    src.FillRandom(random);
    ASSERT_EQ(RunOperation(&Blitter::FilterBox2D, new FloatCodec(dest), new FloatCodec(src), IMAGE_FILTER_BOX), S_OK);
    for (UINT y = 0; y < 2; ++y)
        for (UINT x = 0; x < 3; ++x) {
            const FloatColor &a = src.At(2 * x, 2 * y), &b = src.At(2 * x + 1, 2 * y);
            const FloatColor &c = src.At(2 * x, 2 * y + 1), &d = src.At(2 * x + 1, 2 * y + 1);
            const FloatColor expected = {((a.r + b.r) + c.r + d.r) * 0.25f, ((a.g + b.g) + c.g + d.g) * 0.25f,
                                         ((a.b + b.b) + c.b + d.b) * 0.25f, ((a.a + b.a) + c.a + d.a) * 0.25f};
            EXPECT_TRUE(SameBits(dest.At(x, y), expected)) << x << "," << y;
        }
}

// Eight samples per pixel; with a third slice, slices 0 and 1 only.
TEST(BoxFilter3D, HalvesVolumesAndIgnoresAnOddLastSlice)
{
    for (UINT depth : {2u, 3u}) {
        MemoryImage src(D3DFMT_A8R8G8B8, 4, 4, 4, depth, kMarkedGaps);
        for (UINT z = 0; z < depth; ++z)
            for (UINT y = 0; y < 4; ++y)
                for (UINT x = 0; x < 4; ++x) {
                    // The eight samples of each quad are 0, 8, ..., 56: mean 28.
                    const uint32_t value = z == 2 ? 255 : 8 * ((x % 2) + 2 * (y % 2) + 4 * z);
                    src.Set<uint32_t>(x, y, z, 0x01010101u * value);
                }
        MemoryImage dest(D3DFMT_A8R8G8B8, 4, 2, 2, 1, kMarkedGaps);
        Blitter blitter;
        HoldBoxCodecs(blitter, dest, src);
        EXPECT_EQ(blitter.FilterBox2D(), E_FAIL) << "a volume is not for the 2D form";
        ASSERT_EQ(blitter.FilterBox3D(), S_OK);
        EXPECT_EQ(blitter.pSrc->Depth, 2u);
        for (UINT y = 0; y < 2; ++y)
            for (UINT x = 0; x < 2; ++x)
                EXPECT_EQ(dest.Get<uint32_t>(x, y), 0x1C1C1C1Cu) << "depth " << depth;
    }
}

TEST(BoxFilter3D, OneSliceDeepSourcesAreLeftToThe2DForm)
{
    MemoryImage src(D3DFMT_A8R8G8B8, 4, 4, 4, 1, kMarkedGaps), dest(D3DFMT_A8R8G8B8, 4, 2, 2, 1, kMarkedGaps);
    EXPECT_EQ(RunOperation(&Blitter::FilterBox3D, dest, src, IMAGE_FILTER_BOX), E_FAIL);
    EXPECT_EQ(RunOperation(&Blitter::FilterBox2D, dest, src, IMAGE_FILTER_BOX), S_OK);
}

// R00 + R00' + R01 + R01' + R10 + R10' + R11 + R11', then x 0.125.
TEST(BoxFilter3D, AddsTheEightSamplesInTheirFixedOrder)
{
    std::mt19937 random(6);
    FloatImage src(4, 2, 2), dest(2, 1, 1);
    src.FillRandom(random);
    ASSERT_EQ(RunOperation(&Blitter::FilterBox3D, new FloatCodec(dest), new FloatCodec(src), IMAGE_FILTER_BOX), S_OK);
    for (UINT x = 0; x < 2; ++x) {
        auto sum = [&](float FloatColor::*channel) {
            return (src.At(2 * x, 0, 0).*channel + src.At(2 * x + 1, 0, 0).*channel + src.At(2 * x, 0, 1).*channel +
                    src.At(2 * x + 1, 0, 1).*channel + src.At(2 * x, 1, 0).*channel + src.At(2 * x + 1, 1, 0).*channel +
                    src.At(2 * x, 1, 1).*channel + src.At(2 * x + 1, 1, 1).*channel) *
                   0.125f;
        };
        const FloatColor expected = {sum(&FloatColor::r), sum(&FloatColor::g), sum(&FloatColor::b), sum(&FloatColor::a)};
        EXPECT_TRUE(SameBits(dest.At(x), expected)) << x;
    }
}

TEST(BoxFilter3D, ASingleRowVolumeReadsEachRowOnce)
{
    FloatImage src(1, 1, 4), dest(1, 1, 2);
    for (UINT z = 0; z < 4; ++z)
        src.At(0, 0, z) = {float(z), 0, 0, 1};
    EXPECT_EQ(SourceRowsRead(&Blitter::FilterBox3D, dest, src, IMAGE_FILTER_BOX), 4);
    EXPECT_EQ(dest.At(0, 0, 0).r, 0.5f);
    EXPECT_EQ(dest.At(0, 0, 1).r, 2.5f);
}

} // namespace
