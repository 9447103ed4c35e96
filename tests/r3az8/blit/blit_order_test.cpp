// Blit offers each pair to its operations in a fixed order and the first
// that accepts does the work. Each case here runs Blit and, on fresh
// codecs, the operation that should have served it, and compares the
// bytes; the images are chosen so that the other candidates would give
// different bytes.
#include "filter_test_support.h"

#include "r3az8/tex/working_memory.h"

#include <gtest/gtest.h>

namespace {

using Operation = HRESULT (Blitter::*)();

struct OrderCase {
    const char* name;
    UINT from[3];
    UINT to[3];
    DWORD filter;
    Operation expected;
    Operation differentFrom; // an operation that would give other bytes
};

const OrderCase kCases[] = {
    {"none", {4, 4, 1}, {8, 2, 1}, IMAGE_FILTER_NONE, &Blitter::FilterNone, &Blitter::FilterTriangle2D},
    {"point", {4, 4, 1}, {3, 5, 1}, IMAGE_FILTER_POINT, &Blitter::FilterPoint, &Blitter::FilterTriangle2D},
    {"box 2D", {8, 6, 1}, {4, 3, 1}, IMAGE_FILTER_BOX, &Blitter::FilterBox2D, &Blitter::FilterTriangle2D},
    {"box 64 to 32", {64, 64, 1}, {32, 32, 1}, IMAGE_FILTER_BOX, &Blitter::FilterBox2D, &Blitter::FilterTriangle2D},
    {"box 64 to 31", {64, 64, 1}, {31, 31, 1}, IMAGE_FILTER_BOX, &Blitter::FilterTriangle2D, &Blitter::FilterPoint},
    {"box 3D", {4, 4, 4}, {2, 2, 2}, IMAGE_FILTER_BOX, &Blitter::FilterBox3D, &Blitter::FilterTriangle3D},
    {"linear 2D", {5, 5, 1}, {7, 3, 1}, IMAGE_FILTER_LINEAR, &Blitter::FilterLinear2D, &Blitter::FilterTriangle2D},
    {"linear 3D", {4, 4, 3}, {3, 5, 2}, IMAGE_FILTER_LINEAR, &Blitter::FilterLinear3D, &Blitter::FilterTriangle3D},
    {"triangle 2D", {5, 5, 1}, {7, 3, 1}, IMAGE_FILTER_TRIANGLE, &Blitter::FilterTriangle2D, &Blitter::FilterLinear2D},
    {"triangle 3D", {4, 4, 3}, {3, 5, 2}, IMAGE_FILTER_TRIANGLE, &Blitter::FilterTriangle3D, &Blitter::FilterLinear3D},
    {"box, no halving", {6, 6, 1}, {4, 4, 1}, IMAGE_FILTER_BOX, &Blitter::FilterTriangle2D, &Blitter::FilterPoint},
    {"box volume, no halving", {4, 4, 3}, {2, 2, 2}, IMAGE_FILTER_BOX, &Blitter::FilterTriangle3D,
     &Blitter::FilterPoint},
    {"point with mirror flags", {4, 4, 1}, {3, 5, 1}, IMAGE_FILTER_POINT | IMAGE_FILTER_MIRROR, &Blitter::FilterPoint,
     &Blitter::FilterTriangle2D},
};

MemoryImage Source(const OrderCase& c)
{
    MemoryImage image(D3DFMT_A8R8G8B8, 4, c.from[0], c.from[1], c.from[2], kMarkedGaps);
    std::mt19937 random(31);
    image.FillRandom(random);
    return image;
}

MemoryImage Destination(const OrderCase& c) { return MemoryImage(D3DFMT_A8R8G8B8, 4, c.to[0], c.to[1], c.to[2], kMarkedGaps); }

TEST(BlitOrder, EachRequestIsServedByItsOperation)
{
    for (const OrderCase& c : kCases) {
        const MemoryImage src = Source(c);
        MemoryImage viaBlit = Destination(c), direct = Destination(c), other = Destination(c);
        ASSERT_EQ(BlitImages(viaBlit, src, c.filter), S_OK) << c.name;
        ASSERT_EQ(RunOperation(c.expected, direct, src, c.filter), S_OK) << c.name;
        RunOperation(c.differentFrom, other, src, IMAGE_FILTER_TRIANGLE);
        EXPECT_EQ(viaBlit.bytes, direct.bytes) << c.name;
        EXPECT_NE(direct.bytes, other.bytes) << c.name << ": the case does not tell the operations apart";
    }
}

// Equal sizes never reach a filter: an X8R8G8B8 box request of equal size
// is a byte copy (the X bytes survive, which no filter would keep).
TEST(BlitOrder, EqualSizesAreCopiedWhateverTheFilter)
{
    MemoryImage src(D3DFMT_X8R8G8B8, 4, 4, 4, 1, kMarkedGaps);
    std::mt19937 random(32);
    src.FillRandom(random);
    for (DWORD filter : {IMAGE_FILTER_NONE, IMAGE_FILTER_POINT, IMAGE_FILTER_LINEAR, IMAGE_FILTER_TRIANGLE,
                         IMAGE_FILTER_BOX}) {
        MemoryImage dest(D3DFMT_X8R8G8B8, 4, 4, 4, 1, kMarkedGaps);
        ASSERT_EQ(BlitImages(dest, src, filter), S_OK);
        for (UINT y = 0; y < 4; ++y)
            for (UINT x = 0; x < 4; ++x)
                EXPECT_EQ(dest.Get<uint32_t>(x, y), src.Get<uint32_t>(x, y)) << filter;
    }
}

// The box filter evens an odd source in place before it looks for row
// buffers; when those cannot be had, the triangle filter that takes over
// sees the evened source (here 4x4 of the 5x5), as the codec was left.
TEST(BlitOrder, ALaterFilterSeesTheSourceAsTheBoxFilterLeftIt)
{
    MemoryImage src(D3DFMT_A8R8G8B8, 4, 5, 5, 1, kMarkedGaps);
    std::mt19937 random(33);
    src.FillRandom(random);
    MemoryImage evened(D3DFMT_A8R8G8B8, 4, 4, 4, 1, kMarkedGaps);
    for (UINT y = 0; y < 4; ++y)
        for (UINT x = 0; x < 4; ++x)
            evened.Set<uint32_t>(x, y, 0, src.Get<uint32_t>(x, y));

    // Dithering sends the box filter to its general path; the two codecs
    // take the first two allocations, its destination row the third.
    const DWORD filter = IMAGE_FILTER_BOX | IMAGE_FILTER_DITHER;
    MemoryImage viaBlit(D3DFMT_A8R8G8B8, 4, 2, 2, 1, kMarkedGaps), expected(D3DFMT_A8R8G8B8, 4, 2, 2, 1, kMarkedGaps);
    FailWorkingMemoryAt(3);
    const HRESULT result = BlitImages(viaBlit, src, filter);
    FailWorkingMemoryAt(0);
    ASSERT_EQ(result, S_OK);
    ASSERT_EQ(RunOperation(&Blitter::FilterTriangle2D, expected, evened, filter), S_OK);
    EXPECT_EQ(viaBlit.bytes, expected.bytes);

    MemoryImage viaBox(D3DFMT_A8R8G8B8, 4, 2, 2, 1, kMarkedGaps);
    ASSERT_EQ(BlitImages(viaBox, src, filter), S_OK);
    EXPECT_NE(viaBox.bytes, expected.bytes) << "the box filter itself would give other bytes";
}

} // namespace
