// The same-size operations called directly on a Blitter holding two codecs.
#include "tests/r3az8/codecs/codec_support.h"
#include "r3az8/tex/blitter.h"
#include "r3az8/tex/working_memory.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

// Hands the codecs to a Blitter for one operation and takes them back.
struct CodecPair {
    CodecPair(const ImageDesc& dest, const ImageDesc& src)
    {
        blitter.pDest = CreatePixelCodec(dest);
        blitter.pSrc = CreatePixelCodec(src);
    }
    Blitter blitter;
};

TEST(BlitSameFormat, DeclinesDifferentFormatsSizesOrAKeyedSource)
{
    MemoryImage a(D3DFMT_A8R8G8B8, 4, 4, 4), b(D3DFMT_X8R8G8B8, 4, 4, 4), c(D3DFMT_A8R8G8B8, 4, 4, 3);
    EXPECT_EQ(CodecPair(a.Describe(), b.Describe()).blitter.BlitSameFormat(), E_FAIL);
    EXPECT_EQ(CodecPair(a.Describe(), c.Describe()).blitter.BlitSameFormat(), E_FAIL);
    MemoryImage keyed(D3DFMT_A8R8G8B8, 4, 4, 4);
    keyed.colorKey = 0xFF000000u;
    EXPECT_EQ(CodecPair(a.Describe(), keyed.Describe()).blitter.BlitSameFormat(), E_FAIL);
    EXPECT_EQ(CodecPair(a.Describe(), a.Describe()).blitter.BlitSameFormat(), S_OK);
}

TEST(BlitSameFormat, CopiesRegionsBetweenDifferentPitches)
{
    MemoryImage src(D3DFMT_R5G6B5, 2, 6, 5, 3, {.row = 1});
    MemoryImage dest(D3DFMT_R5G6B5, 2, 9, 7, 4, {.row = 11});
    std::iota(src.bytes.begin(), src.bytes.end(), 0);
    const MemoryImage destBefore = dest;
    ImageDesc srcDesc = src.Describe(), destDesc = dest.Describe();
    srcDesc.Region = {1, 1, 4, 3, 1, 3};
    destDesc.Region = {5, 4, 8, 6, 2, 4};
    CodecPair pair(destDesc, srcDesc);
    ASSERT_EQ(pair.blitter.BlitSameFormat(), S_OK);
    for (UINT z = 0; z < 4; ++z)
        for (UINT y = 0; y < 7; ++y)
            for (UINT x = 0; x < 9; ++x) {
                const bool inside = x >= 5 && x < 8 && y >= 4 && y < 6 && z >= 2;
                const WORD expected = inside ? src.Get<WORD>(x - 4, y - 3, z - 1) : destBefore.Get<WORD>(x, y, z);
                EXPECT_EQ(dest.Get<WORD>(x, y, z), expected) << x << "," << y << "," << z;
            }
}

// A region moved within one image reads as if the source had been copied
// aside first, whichever way the regions overlap.
TEST(BlitSameFormat, OverlappingRegionsCopyFromTheUntouchedSource)
{
    struct Move {
        D3DBOX from, to;
    };
    for (const Move& move : {Move{{0, 0, 6, 6, 0, 2}, {1, 1, 7, 7, 1, 3}}, Move{{1, 1, 7, 7, 1, 3}, {0, 0, 6, 6, 0, 2}},
                             Move{{0, 2, 8, 5, 0, 1}, {0, 3, 8, 6, 0, 1}}, Move{{2, 0, 7, 8, 0, 3}, {0, 0, 5, 8, 0, 3}}}) {
        MemoryImage image(D3DFMT_A8L8, 2, 8, 8, 3, {.row = 0});
        std::iota(image.bytes.begin(), image.bytes.end(), 0);
        const MemoryImage original = image;
        ImageDesc from = image.Describe(), to = image.Describe();
        from.Region = move.from;
        to.Region = move.to;
        CodecPair pair(to, from);
        ASSERT_EQ(pair.blitter.BlitSameFormat(), S_OK);
        const UINT width = move.to.Right - move.to.Left, height = move.to.Bottom - move.to.Top;
        for (UINT z = 0; z < move.to.Back - move.to.Front; ++z)
            for (UINT y = 0; y < height; ++y)
                for (UINT x = 0; x < width; ++x)
                    ASSERT_EQ(image.Get<WORD>(move.to.Left + x, move.to.Top + y, move.to.Front + z),
                              original.Get<WORD>(move.from.Left + x, move.from.Top + y, move.from.Front + z))
                        << x << "," << y << "," << z;
    }
}

TEST(BlitSameFormat, PaletteImagesCopyOnlyUnderEqualPalettes)
{
    PALETTEENTRY first[256] = {}, second[256] = {};
    first[1] = second[1] = {10, 20, 30, 40};
    second[200] = {1, 0, 0, 0};
    MemoryImage a(D3DFMT_P8, 1, 4, 4), b(D3DFMT_P8, 1, 4, 4);
    a.palette = first;
    b.palette = second;
    EXPECT_EQ(CodecPair(a.Describe(), b.Describe()).blitter.BlitSameFormat(), E_FAIL);
    b.palette = first;
    EXPECT_EQ(CodecPair(a.Describe(), b.Describe()).blitter.BlitSameFormat(), S_OK);
    // Both without a palette: both read white, so the indices agree.
    a.palette = b.palette = nullptr;
    EXPECT_EQ(CodecPair(a.Describe(), b.Describe()).blitter.BlitSameFormat(), S_OK);

    // One codec as both sides needs no comparison.
    MemoryImage c(D3DFMT_A8P8, 2, 4, 4);
    Blitter blitter;
    blitter.pDest = CreatePixelCodec(c.Describe());
    blitter.pSrc = blitter.pDest;
    EXPECT_EQ(blitter.BlitSameFormat(), S_OK);
    blitter.pSrc = nullptr;
}

// Block formats: the raw bytes of whole 4x4 blocks, partial ones at the
// image's right and bottom edge included.
constexpr MemoryImage::Gaps kBlockGaps{8, 16, 0xEE};

void BlockCopy(MemoryImage& dest, const D3DBOX& destRegion, MemoryImage& src, const D3DBOX& srcRegion, HRESULT expected)
{
    EXPECT_EQ(CodecPair(dest.Describe(destRegion), src.Describe(srcRegion)).blitter.BlitSameFormat(), expected);
}

// Each block of the destination region holds the source region's block at
// the same place, byte for byte; every other block keeps its 0xEE.
TEST(BlitSameFormatBlocks, CopiesTheRegionsBlocks)
{
    struct Side {
        UINT width, height, depth;
        D3DBOX region;
    };
    const struct {
        D3DFORMAT format;
        Side src, dest;
    } cases[] = {
        // Aligned regions inside larger images.
        {D3DFMT_DXT1, {16, 12, 2, {8, 0, 16, 4, 0, 2}}, {12, 8, 3, {4, 4, 12, 8, 1, 3}}},
        {D3DFMT_DXT5, {16, 12, 2, {8, 0, 16, 4, 0, 2}}, {12, 8, 3, {4, 4, 12, 8, 1, 3}}},
        // A region that ends where a 6x5 image ends copies its partial edge
        // blocks whole rather than decoding and encoding them again.
        {D3DFMT_DXT1, {6, 5, 2, {0, 0, 6, 5, 0, 2}}, {6, 5, 2, {0, 0, 6, 5, 0, 2}}},
        {FMT_BC7, {6, 5, 2, {0, 0, 6, 5, 0, 2}}, {6, 5, 2, {0, 0, 6, 5, 0, 2}}},
    };
    for (const auto& [format, from, to] : cases) {
        MemoryImage src = MemoryImage::Of(format, from.width, from.height, from.depth, kBlockGaps);
        MemoryImage dest = MemoryImage::Of(format, to.width, to.height, to.depth, kBlockGaps);
        std::iota(src.bytes.begin(), src.bytes.end(), 0);
        BlockCopy(dest, to.region, src, from.region, S_OK);
        const D3DBOX& in = from.region;
        const D3DBOX& out = to.region;
        const UINT blockBytes = dest.unitBytes;
        for (UINT z = 0; z < to.depth; ++z)
            for (UINT by = 0; by < (to.height + 3) / 4; ++by)
                for (UINT bx = 0; bx < (to.width + 3) / 4; ++bx) {
                    const bool inside = z >= out.Front && z < out.Back && by * 4 >= out.Top && by * 4 < out.Bottom &&
                                        bx * 4 >= out.Left && bx * 4 < out.Right;
                    const size_t srcAt = (z - out.Front + in.Front) * src.slicePitch +
                                         (by - out.Top / 4 + in.Top / 4) * src.rowPitch +
                                         (bx - out.Left / 4 + in.Left / 4) * blockBytes;
                    for (UINT i = 0; i < blockBytes; ++i) {
                        const BYTE got = dest.bytes[z * dest.slicePitch + by * dest.rowPitch + bx * blockBytes + i];
                        ASSERT_EQ(got, inside ? src.bytes[srcAt + i] : 0xEE) << format << " " << z << by << bx << i;
                    }
                }
    }
}

TEST(BlitSameFormatBlocks, DeclinesUnalignedRegionsAndOtherFormats)
{
    MemoryImage src(D3DFMT_DXT1, 8, 16, 16, 1, kBlockGaps), dest(D3DFMT_DXT1, 8, 16, 16, 1, kBlockGaps);
    BlockCopy(dest, {0, 0, 8, 8, 0, 1}, src, {2, 0, 10, 8, 0, 1}, E_FAIL);
    BlockCopy(dest, {0, 1, 8, 9, 0, 1}, src, {0, 0, 8, 8, 0, 1}, E_FAIL);
    BlockCopy(dest, {0, 0, 6, 6, 0, 1}, src, {0, 0, 6, 6, 0, 1}, E_FAIL);
    const std::vector<BYTE> untouched(dest.bytes.size(), 0xEE);
    EXPECT_EQ(dest.bytes, untouched);

    MemoryImage yuvSrc(D3DFMT_YUY2, 4, 8, 8, 1, kBlockGaps), yuvDest(D3DFMT_YUY2, 4, 8, 8, 1, kBlockGaps);
    BlockCopy(yuvDest, {0, 0, 8, 8, 0, 1}, yuvSrc, {0, 0, 8, 8, 0, 1}, E_FAIL);
}

TEST(BlitConvert, DeclinesUnequalSizesAndGivesUpWithoutARowBuffer)
{
    MemoryImage a(D3DFMT_A8R8G8B8, 4, 4, 4), b(D3DFMT_R5G6B5, 2, 4, 2);
    EXPECT_EQ(CodecPair(a.Describe(), b.Describe()).blitter.BlitConvert(), E_FAIL);

    MemoryImage c(D3DFMT_R5G6B5, 2, 4, 4);
    CodecPair pair(a.Describe(), c.Describe());
    const std::vector<BYTE> before = a.bytes;
    FailWorkingMemoryAt(1);
    EXPECT_EQ(pair.blitter.BlitConvert(), E_FAIL);
    FailWorkingMemoryAt(0);
    EXPECT_EQ(a.bytes, before);
    EXPECT_EQ(pair.blitter.BlitConvert(), S_OK);
    EXPECT_NE(a.bytes, before);
}

TEST(BlitConvert, VisitsEverySliceAndRow)
{
    MemoryImage src(D3DFMT_L8, 1, 3, 2, 2), dest(D3DFMT_A8L8, 2, 3, 2, 2);
    for (UINT z = 0; z < 2; ++z)
        for (UINT y = 0; y < 2; ++y)
            for (UINT x = 0; x < 3; ++x)
                src.Set<BYTE>(x, y, z, static_cast<BYTE>(10 * z + 5 * y + x + 1));
    CodecPair pair(dest.Describe(), src.Describe());
    ASSERT_EQ(pair.blitter.BlitConvert(), S_OK);
    for (UINT z = 0; z < 2; ++z)
        for (UINT y = 0; y < 2; ++y)
            for (UINT x = 0; x < 3; ++x)
                EXPECT_EQ(dest.Get<WORD>(x, y, z), 0xFF00 | (10 * z + 5 * y + x + 1));
}

} // namespace
