// IMAGE_FILTER_NONE, IMAGE_FILTER_POINT and IMAGE_FILTER_LINEAR: which
// source pixels land where, the tap tables, the row reuse and the volume
// forms.
#include "r3az8/tex/blit/linear_taps.h"

#include "filter_test_support.h"

#include <gtest/gtest.h>

namespace {

// Pixel x of row y holds 0x01000000 * (y + 1) + x + 1, so every source
// pixel is recognisable.
MemoryImage NumberedImage(UINT width, UINT height, UINT depth = 1)
{
    MemoryImage image(D3DFMT_A8R8G8B8, 4, width, height, depth, kMarkedGaps);
    for (UINT z = 0; z < depth; ++z)
        for (UINT y = 0; y < height; ++y)
            for (UINT x = 0; x < width; ++x)
                image.Set<uint32_t>(x, y, z, 0x01000000u * (y + 1) + 0x10000u * (z + 1) + x + 1);
    return image;
}

uint32_t Numbered(UINT x, UINT y, UINT z = 0) { return 0x01000000u * (y + 1) + 0x10000u * (z + 1) + x + 1; }

TEST(FilterNone, CopiesTheOverlapAndClearsTheRest)
{
    MemoryImage src = NumberedImage(4, 4);
    MemoryImage dest(D3DFMT_A8R8G8B8, 4, 8, 2, 1, kMarkedGaps);
    ASSERT_EQ(BlitImages(dest, src, IMAGE_FILTER_NONE), S_OK);
    for (UINT y = 0; y < 2; ++y)
        for (UINT x = 0; x < 8; ++x)
            EXPECT_EQ(dest.Get<uint32_t>(x, y), x < 4 ? Numbered(x, y) : 0u) << x << "," << y;
}

TEST(FilterNone, DropsWhatTheDestinationCannotHoldAndClearsExtraSlices)
{
    MemoryImage src = NumberedImage(6, 2, 1);
    MemoryImage dest(D3DFMT_A8R8G8B8, 4, 3, 3, 2, kMarkedGaps);
    ASSERT_EQ(BlitImages(dest, src, IMAGE_FILTER_NONE), S_OK);
    for (UINT z = 0; z < 2; ++z)
        for (UINT y = 0; y < 3; ++y)
            for (UINT x = 0; x < 3; ++x)
                EXPECT_EQ(dest.Get<uint32_t>(x, y, z), z == 0 && y < 2 ? Numbered(x, y) : 0u) << x << "," << y << "," << z;
}

TEST(FilterPoint, FourToThreeTakesPixelsZeroOneTwo)
{
    MemoryImage src = NumberedImage(4, 1);
    MemoryImage dest(D3DFMT_A8R8G8B8, 4, 3, 1, 1, kMarkedGaps);
    ASSERT_EQ(BlitImages(dest, src, IMAGE_FILTER_POINT), S_OK);
    for (UINT x = 0; x < 3; ++x)
        EXPECT_EQ(dest.Get<uint32_t>(x), Numbered(x, 0));
}

TEST(FilterPoint, TwoToFiveRepeatsWithoutHalfPixelOffset)
{
    const UINT expected[] = {0, 0, 0, 1, 1};
    MemoryImage src = NumberedImage(2, 2);
    MemoryImage dest(D3DFMT_A8R8G8B8, 4, 5, 5, 1, kMarkedGaps);
    ASSERT_EQ(BlitImages(dest, src, IMAGE_FILTER_POINT), S_OK);
    for (UINT y = 0; y < 5; ++y)
        for (UINT x = 0; x < 5; ++x)
            EXPECT_EQ(dest.Get<uint32_t>(x, y), Numbered(expected[x], expected[y])) << x << "," << y;
}

TEST(FilterPoint, SamplesSlicesOfVolumes)
{
    MemoryImage src = NumberedImage(2, 2, 4);
    MemoryImage dest(D3DFMT_A8R8G8B8, 4, 2, 2, 2, kMarkedGaps);
    ASSERT_EQ(BlitImages(dest, src, IMAGE_FILTER_POINT), S_OK);
    EXPECT_EQ(dest.Get<uint32_t>(1, 1, 0), Numbered(1, 1, 0));
    EXPECT_EQ(dest.Get<uint32_t>(1, 1, 1), Numbered(1, 1, 2));
}

TEST(FilterPoint, DecodesASourceRowOnlyWhenItChanges)
{
    FloatImage src(3, 4), dest(7, 9);
    EXPECT_EQ(SourceRowsRead(&Blitter::FilterPoint, dest, src, IMAGE_FILTER_POINT), 4);
}

TEST(FilterPoint, EmptyRegionsAreDeclined)
{
    MemoryImage src = NumberedImage(4, 4);
    MemoryImage empty(D3DFMT_A8R8G8B8, 4, 0, 2, 1, kMarkedGaps);
    EXPECT_EQ(RunOperation(&Blitter::FilterPoint, empty, src, IMAGE_FILTER_POINT), E_FAIL);
    MemoryImage dest(D3DFMT_A8R8G8B8, 4, 3, 3, 1, kMarkedGaps);
    EXPECT_EQ(RunOperation(&Blitter::FilterPoint, dest, empty, IMAGE_FILTER_POINT), E_FAIL);
}

// The taps at some destination positions, for one size pair and edge mode.
struct ExpectedTap {
    UINT at;
    int32_t index0;
    float weight0;
    int32_t index1;
    float weight1;
};

void ExpectTaps(UINT dest, UINT source, EdgeMode edge, std::initializer_list<ExpectedTap> expected)
{
    WorkingArray<LinearTap> taps = MakeLinearTaps(dest, source, edge);
    ASSERT_TRUE(taps);
    for (const ExpectedTap& e : expected) {
        SCOPED_TRACE(testing::Message() << (edge == EdgeMode::Wrap ? "wrap" : "mirror") << " tap " << e.at);
        EXPECT_EQ(taps[e.at].index0, e.index0);
        EXPECT_EQ(taps[e.at].weight0, e.weight0);
        EXPECT_EQ(taps[e.at].index1, e.index1);
        EXPECT_EQ(taps[e.at].weight1, e.weight1);
    }
}

TEST(LinearTaps, HalvingSamplesBetweenPixelPairs)
{
    ExpectTaps(2, 4, EdgeMode::Wrap, {{0, 3, 0.5f, 0, 0.5f}, {1, 1, 0.5f, 2, 0.5f}});
    ExpectTaps(2, 4, EdgeMode::Mirror, {{0, 0, 0.5f, 0, 0.5f}, {1, 1, 0.5f, 2, 0.5f}});
}

TEST(LinearTaps, DoublingReachesPastTheRightEdgeWithWeightZero)
{
    ExpectTaps(4, 2, EdgeMode::Wrap,
               {{0, 1, 0.5f, 0, 0.5f}, {1, 0, 1.0f, 1, 0.0f}, {2, 0, 0.5f, 1, 0.5f}, {3, 1, 1.0f, 0, 0.0f}});
    ExpectTaps(4, 2, EdgeMode::Mirror, {{3, 1, 1.0f, 1, 0.0f}});
}

TEST(LinearTaps, EveryIndexStaysInsideAndWeightsSumToOne)
{
    for (UINT source : {1u, 2u, 3u, 7u, 64u, 1000u})
        for (UINT dest : {1u, 2u, 5u, 31u, 64u, 777u})
            for (EdgeMode edge : {EdgeMode::Wrap, EdgeMode::Mirror}) {
                WorkingArray<LinearTap> taps = MakeLinearTaps(dest, source, edge);
                ASSERT_TRUE(taps);
                for (UINT i = 0; i < dest; ++i) {
                    ASSERT_GE(taps[i].index0, 0);
                    ASSERT_LT(taps[i].index0, int32_t(source));
                    ASSERT_GE(taps[i].index1, 0);
                    ASSERT_LT(taps[i].index1, int32_t(source));
                    ASSERT_EQ(taps[i].weight0 + taps[i].weight1, 1.0f);
                }
            }
    EXPECT_FALSE(MakeLinearTaps(0, 4, EdgeMode::Wrap));
    EXPECT_FALSE(MakeLinearTaps(4, 0, EdgeMode::Wrap));
}

FloatColor Bilinear(const FloatImage& image, const LinearTap& xTap, const LinearTap& yTap, UINT slice)
{
    const FloatColor &n0 = image.At(xTap.index0, yTap.index0, slice), &n1 = image.At(xTap.index1, yTap.index0, slice);
    const FloatColor &f0 = image.At(xTap.index0, yTap.index1, slice), &f1 = image.At(xTap.index1, yTap.index1, slice);
    auto blend = [&](float FloatColor::*c) {
        return yTap.weight0 * (xTap.weight0 * n0.*c + xTap.weight1 * n1.*c) +
               yTap.weight1 * (xTap.weight0 * f0.*c + xTap.weight1 * f1.*c);
    };
    return {blend(&FloatColor::r), blend(&FloatColor::g), blend(&FloatColor::b), blend(&FloatColor::a)};
}

// Every destination row right, whatever the order in which source rows
// were kept, exchanged or decoded; both edge modes, up and down.
TEST(FilterLinear2D, EveryPixelIsTheBilinearBlendOfItsTaps)
{
    std::mt19937 random(11);
    struct Size {
        UINT width, height;
    };
    for (auto [from, to] : {std::pair{Size{5, 4}, Size{9, 13}}, std::pair{Size{9, 13}, Size{4, 3}},
                            std::pair{Size{1, 1}, Size{3, 2}}, std::pair{Size{7, 3}, Size{7, 8}}}) {
        for (DWORD mirror : {0u, DWORD(IMAGE_FILTER_MIRROR)}) {
            FloatImage src(from.width, from.height), dest(to.width, to.height);
            src.FillRandom(random);
            ASSERT_EQ(RunOperation(&Blitter::FilterLinear2D, new FloatCodec(dest), new FloatCodec(src),
                                   IMAGE_FILTER_LINEAR | mirror),
                      S_OK);
            const EdgeMode edge = mirror ? EdgeMode::Mirror : EdgeMode::Wrap;
            WorkingArray<LinearTap> xTaps = MakeLinearTaps(to.width, from.width, edge);
            WorkingArray<LinearTap> yTaps = MakeLinearTaps(to.height, from.height, edge);
            for (UINT y = 0; y < to.height; ++y)
                for (UINT x = 0; x < to.width; ++x)
                    ASSERT_TRUE(SameBits(dest.At(x, y), Bilinear(src, xTaps[x], yTaps[y], 0)))
                        << x << "," << y << " from " << from.width << "x" << from.height;
        }
    }
}

// Four rows to sixteen, mirrored: 32 decodes without reuse. With it, each
// source row is decoded once, except the first and the last, which are
// near and far row at once at the edges.
TEST(FilterLinear2D, KeepsAndExchangesRowsInsteadOfDecodingAgain)
{
    FloatImage src(3, 4), dest(3, 16);
    EXPECT_EQ(SourceRowsRead(&Blitter::FilterLinear2D, dest, src, IMAGE_FILTER_LINEAR | IMAGE_FILTER_MIRROR), 6);
}

// A zero-width destination rectangle is a valid one: both linear filters
// are done without writing a row. An empty source is still declined.
TEST(FilterLinear, EmptyDestinationIsDoneEmptySourceDeclined)
{
    FloatImage plain(3, 3), volume(3, 3, 2), narrow(0, 3), flat(3, 0), shallow(3, 3, 0);
    struct Case {
        HRESULT (Blitter::*operation)();
        FloatImage* dest;
        FloatImage* source;
        HRESULT expected;
    };
    const Case cases[] = {
        {&Blitter::FilterLinear2D, &narrow, &plain, S_OK},  {&Blitter::FilterLinear3D, &shallow, &volume, S_OK},
        {&Blitter::FilterLinear2D, &plain, &flat, E_FAIL},  {&Blitter::FilterLinear3D, &volume, &shallow, E_FAIL},
    };
    for (const Case& c : cases) {
        auto* destCodec = new FloatCodec(*c.dest);
        Blitter blitter;
        blitter.pDest = destCodec;
        blitter.pSrc = new FloatCodec(*c.source);
        blitter.Filter = IMAGE_FILTER_LINEAR;
        EXPECT_EQ((blitter.*c.operation)(), c.expected) << c.dest->width << "x" << c.dest->height;
        EXPECT_EQ(destCodec->rowsWritten, 0);
    }
}

TEST(FilterLinear3D, ServesVolumesWithATrilinearBlend)
{
    std::mt19937 random(12);
    FloatImage src(4, 3, 5), dest(3, 5, 2);
    src.FillRandom(random);
    Blitter blitter;
    blitter.pDest = new FloatCodec(dest);
    blitter.pSrc = new FloatCodec(src);
    blitter.Filter = IMAGE_FILTER_LINEAR;
    EXPECT_EQ(blitter.FilterLinear2D(), E_FAIL);
    ASSERT_EQ(blitter.FilterLinear3D(), S_OK);
    WorkingArray<LinearTap> xTaps = MakeLinearTaps(3, 4, EdgeMode::Wrap);
    WorkingArray<LinearTap> yTaps = MakeLinearTaps(5, 3, EdgeMode::Wrap);
    WorkingArray<LinearTap> zTaps = MakeLinearTaps(2, 5, EdgeMode::Wrap);
    for (UINT z = 0; z < 2; ++z)
        for (UINT y = 0; y < 5; ++y)
            for (UINT x = 0; x < 3; ++x) {
                const FloatColor front = Bilinear(src, xTaps[x], yTaps[y], zTaps[z].index0);
                const FloatColor back = Bilinear(src, xTaps[x], yTaps[y], zTaps[z].index1);
                auto blend = [&](float FloatColor::*c) {
                    return zTaps[z].weight0 * front.*c + zTaps[z].weight1 * back.*c;
                };
                const FloatColor expected = {blend(&FloatColor::r), blend(&FloatColor::g), blend(&FloatColor::b),
                                             blend(&FloatColor::a)};
                ASSERT_TRUE(SameBits(dest.At(x, y, z), expected)) << x << "," << y << "," << z;
            }
}

} // namespace
