// The triangle filters: every pixel against a plain accumulation over the
// weight tables in the fixed order, one decode per source row, recycled row
// buffers, constant images staying constant, and the fallback from the box
// filter.
#include "r3az8/tex/blit/triangle_weights.h"

#include "filter_test_support.h"

#include "r3az8/tex/working_memory.h"

#include <gtest/gtest.h>

namespace {

TriangleWeightList WeightList(UINT sourceSize, UINT destSize, EdgeMode edge)
{
    WorkingArray<uint32_t> table = MakeTriangleWeights(sourceSize, destSize, edge);
    TriangleWeightList list;
    EXPECT_TRUE(table && ReadTriangleWeights(table.get(), sourceSize, list));
    return list;
}

void AddWeighted(FloatColor& into, float weight, const FloatColor& from)
{
    into.r += weight * from.r;
    into.g += weight * from.g;
    into.b += weight * from.b;
    into.a += weight * from.a;
}

// The whole destination held at once; contributions added in the order the
// filter must add them: source row, source column, row pair, column pair.
FloatImage Reference2D(const FloatImage& src, UINT width, UINT height, EdgeMode xEdge, EdgeMode yEdge)
{
    TriangleWeightList xWeights = WeightList(src.width, width, xEdge);
    TriangleWeightList yWeights = WeightList(src.height, height, yEdge);
    FloatImage dest(width, height);
    for (UINT i = 0; i < src.height; ++i)
        for (UINT x = 0; x < src.width; ++x)
            for (const TriangleWeightPair* row = yWeights.begin(i); row != yWeights.end(i); ++row)
                for (const TriangleWeightPair* column = xWeights.begin(x); column != xWeights.end(x); ++column)
                    AddWeighted(dest.At(column->destination, row->destination), column->weight * row->weight,
                                src.At(x, i));
    return dest;
}

FloatImage Reference3D(const FloatImage& src, UINT width, UINT height, UINT depth, EdgeMode edge)
{
    TriangleWeightList xWeights = WeightList(src.width, width, edge);
    TriangleWeightList yWeights = WeightList(src.height, height, edge);
    TriangleWeightList zWeights = WeightList(src.depth, depth, edge);
    FloatImage dest(width, height, depth);
    for (UINT i = 0; i < src.depth; ++i)
        for (UINT j = 0; j < src.height; ++j)
            for (UINT x = 0; x < src.width; ++x)
                for (const TriangleWeightPair* slice = zWeights.begin(i); slice != zWeights.end(i); ++slice)
                    for (const TriangleWeightPair* row = yWeights.begin(j); row != yWeights.end(j); ++row)
                        for (const TriangleWeightPair* column = xWeights.begin(x); column != xWeights.end(x); ++column)
                            AddWeighted(dest.At(column->destination, row->destination, slice->destination),
                                        slice->weight * (column->weight * row->weight), src.At(x, j, i));
    return dest;
}

void ExpectSameImage(const FloatImage& actual, const FloatImage& expected, const std::string& what)
{
    ASSERT_EQ(actual.pixels.size(), expected.pixels.size());
    for (size_t i = 0; i < actual.pixels.size(); ++i)
        ASSERT_TRUE(SameBits(actual.pixels[i], expected.pixels[i])) << what << " pixel " << i;
}

struct Resize {
    UINT fromWidth, fromHeight, toWidth, toHeight;
};

// Down, up, primes, one pixel to many and many to one. Wrapped tables of
// one pixel blown up list the same destination twice in one entry: in both
// axes ({1, 1, 9, 4}), only in x ({1, 16, 9, 5}) or only in y ({16, 1, 5,
// 9}), each of which the filter sums in the fixed order all the same.
const Resize kResizes[] = {{16, 16, 5, 7}, {5, 7, 16, 16}, {13, 11, 7, 17}, {1, 1, 9, 4},  {1, 16, 9, 5},
                           {16, 1, 5, 9},  {40, 3, 1, 1},  {2, 2, 3, 3},    {8, 8, 8, 8},  {3, 31, 2, 2},
                           {512, 7, 777, 11}};

TEST(FilterTriangle2D, EveryPixelMatchesThePlainAccumulationBitForBit)
{
    std::mt19937 random(21);
    for (const Resize& resize : kResizes) {
        for (DWORD mirror : {0u, DWORD(IMAGE_FILTER_MIRROR_U), DWORD(IMAGE_FILTER_MIRROR_V)}) {
            FloatImage src(resize.fromWidth, resize.fromHeight), dest(resize.toWidth, resize.toHeight);
            src.FillRandom(random);
            auto* srcCodec = new FloatCodec(src);
            auto* destCodec = new FloatCodec(dest);
            Blitter blitter;
            blitter.pDest = destCodec;
            blitter.pSrc = srcCodec;
            blitter.Filter = IMAGE_FILTER_TRIANGLE | mirror;
            ASSERT_EQ(blitter.FilterTriangle2D(), S_OK);
            const std::string what = std::to_string(resize.fromWidth) + "x" + std::to_string(resize.fromHeight) +
                                     " to " + std::to_string(resize.toWidth) + "x" + std::to_string(resize.toHeight);
            EXPECT_EQ(srcCodec->rowsRead, int(resize.fromHeight)) << what << ": each source row decoded once";
            EXPECT_EQ(destCodec->rowsWritten, int(resize.toHeight)) << what << ": each destination row written once";
            ExpectSameImage(dest,
                            Reference2D(src, resize.toWidth, resize.toHeight,
                                        mirror & IMAGE_FILTER_MIRROR_U ? EdgeMode::Mirror : EdgeMode::Wrap,
                                        mirror & IMAGE_FILTER_MIRROR_V ? EdgeMode::Mirror : EdgeMode::Wrap),
                            what);
        }
    }
}

TEST(FilterTriangle2D, DeclinesVolumesAndEmptyRegions)
{
    FloatImage volume(4, 4, 2), flat(2, 2), empty(0, 2);
    EXPECT_EQ(RunOperation(&Blitter::FilterTriangle2D, new FloatCodec(flat), new FloatCodec(volume), IMAGE_FILTER_TRIANGLE),
              E_FAIL);
    EXPECT_EQ(RunOperation(&Blitter::FilterTriangle2D, new FloatCodec(flat), new FloatCodec(empty), IMAGE_FILTER_TRIANGLE),
              E_FAIL);
    EXPECT_EQ(RunOperation(&Blitter::FilterTriangle2D, new FloatCodec(empty), new FloatCodec(flat), IMAGE_FILTER_TRIANGLE),
              E_FAIL);
}

// Upscaling 100 rows to 300 needs only the footprint of the tent alive at
// once: a handful of row buffers, however tall the destination.
TEST(FilterTriangle2D, RecyclesRowBuffersThroughTheFreeList)
{
    FloatImage src(4, 100), dest(4, 300);
    FailWorkingMemoryAt(0);
    ASSERT_EQ(RunOperation(&Blitter::FilterTriangle2D, new FloatCodec(dest), new FloatCodec(src), IMAGE_FILTER_TRIANGLE),
              S_OK);
    EXPECT_LT(WorkingMemoryAllocations(), 30u);
}

TEST(FilterTriangle2D, AConstantImageStaysConstant)
{
    for (const Resize& resize : kResizes) {
        for (DWORD mirror : {0u, DWORD(IMAGE_FILTER_MIRROR)}) {
            FloatImage src(resize.fromWidth, resize.fromHeight), dest(resize.toWidth, resize.toHeight);
            for (FloatColor& pixel : src.pixels)
                pixel = {0.25f, 0.5f, 0.75f, 1.0f};
            ASSERT_EQ(RunOperation(&Blitter::FilterTriangle2D, new FloatCodec(dest), new FloatCodec(src),
                                   IMAGE_FILTER_TRIANGLE | mirror),
                      S_OK);
            for (const FloatColor& pixel : dest.pixels) {
                ASSERT_NEAR(pixel.r, 0.25f, 1e-4);
                ASSERT_NEAR(pixel.g, 0.5f, 1e-4);
                ASSERT_NEAR(pixel.b, 0.75f, 1e-4);
                ASSERT_NEAR(pixel.a, 1.0f, 1e-4);
            }
        }
    }
}

TEST(FilterTriangle3D, EveryPixelMatchesThePlainAccumulationBitForBit)
{
    std::mt19937 random(22);
    struct Volume {
        UINT from[3], to[3];
    };
    for (const Volume& volume : {Volume{{5, 4, 3}, {3, 6, 2}}, Volume{{4, 4, 4}, {2, 2, 7}}, Volume{{3, 2, 1}, {2, 3, 3}},
                                 Volume{{2, 2, 9}, {2, 2, 1}}}) {
        for (DWORD mirror : {0u, DWORD(IMAGE_FILTER_MIRROR)}) {
            FloatImage src(volume.from[0], volume.from[1], volume.from[2]);
            FloatImage dest(volume.to[0], volume.to[1], volume.to[2]);
            src.FillRandom(random);
            EXPECT_EQ(SourceRowsRead(&Blitter::FilterTriangle3D, dest, src, IMAGE_FILTER_TRIANGLE | mirror), int(volume.from[1] * volume.from[2]));
            ExpectSameImage(dest,
                            Reference3D(src, volume.to[0], volume.to[1], volume.to[2],
                                        mirror ? EdgeMode::Mirror : EdgeMode::Wrap),
                            "volume");
        }
    }
}

// A box request that does not halve ends in the triangle filter: the Blit
// result is what a triangle request gives.
TEST(TriangleFallback, BoxRequestsThatDoNotHalveEndInTheTriangleFilter)
{
    std::mt19937 random(23);
    struct Case {
        UINT from, to;
    };
    for (const Case& c : {Case{64, 31}, Case{6, 4}}) {
        MemoryImage src(D3DFMT_A8R8G8B8, 4, c.from, c.from, 1, kMarkedGaps);
        src.FillRandom(random);
        MemoryImage viaBox(D3DFMT_A8R8G8B8, 4, c.to, c.to, 1, kMarkedGaps), viaTriangle(D3DFMT_A8R8G8B8, 4, c.to, c.to, 1, kMarkedGaps);
        ASSERT_EQ(BlitImages(viaBox, src, IMAGE_FILTER_BOX), S_OK);
        ASSERT_EQ(BlitImages(viaTriangle, src, IMAGE_FILTER_TRIANGLE), S_OK);
        EXPECT_EQ(viaBox.bytes, viaTriangle.bytes) << c.from << " to " << c.to;
    }
}

} // namespace
