// Blit: filter validation, codec creation and the order in which the
// operations are offered the pair.
#include "tests/r3az8/codecs/codec_support.h"
#include "r3az8/tex/blitter.h"
#include "r3az8/tex/debug.h"
#include "r3az8/tex/working_memory.h"
#include "tests/support/process_state.h"
#include "win32_testing.h"

#include <gtest/gtest.h>

namespace {

class BlitTest : public testing::Test {
protected:
    void SetUp() override
    {
        ResetProcessState();
        win32::BeginDebugCapture();
    }
    void TearDown() override { ResetProcessState(); }
    std::string Messages() { return win32::EndDebugCapture(); }

    // The result of a Blit and everything it printed.
    void ExpectRun(MemoryImage& dest, const MemoryImage& src, DWORD filter, HRESULT result, const char* messages)
    {
        EXPECT_EQ(Run(dest, src, filter), result);
        EXPECT_EQ(Messages(), messages);
    }

    // A Blit of src to a 4 x 4 A8R8G8B8 image that fails with E_FAIL.
    void ExpectFailsOnArgb(const MemoryImage& src, DWORD filter, const char* messages)
    {
        MemoryImage dest(D3DFMT_A8R8G8B8, 4, 4, 4);
        ExpectRun(dest, src, filter, E_FAIL, messages);
    }

    HRESULT Run(MemoryImage& dest, const MemoryImage& src, DWORD filter)
    {
        destDesc = dest.Describe();
        const ImageDesc srcDesc = src.Describe();
        Blitter blitter;
        const HRESULT result = blitter.Blit(destDesc, srcDesc, filter);
        EXPECT_EQ(blitter.pSrc, nullptr);
        EXPECT_EQ(blitter.pDest, nullptr);
        return result;
    }

    ImageDesc destDesc{};
};

TEST_F(BlitTest, InvalidFiltersAreRefusedBeforeAnyCodecIsMade)
{
    MemoryImage src(D3DFMT_A8R8G8B8, 4, 4, 4);
    for (DWORD filter : {0x00000006u, 0x00000000u, 0x00100005u, 0xFFFFFFFFu, 0x00000105u}) {
        MemoryImage dest(D3DFMT_A8R8G8B8, 4, 4, 4);
        const std::vector<BYTE> before = dest.bytes;
        FailWorkingMemoryAt(0);
        win32::BeginDebugCapture();
        EXPECT_EQ(Run(dest, src, filter), D3DERR_INVALIDCALL) << std::hex << filter;
        EXPECT_EQ(Messages(), "R3AZ: Invalid image filter\r\n");
        EXPECT_EQ(WorkingMemoryAllocations(), 0u);
        EXPECT_EQ(dest.bytes, before);
    }
}

TEST_F(BlitTest, UnsupportedDestinationFormat)
{
    MemoryImage src(D3DFMT_A8R8G8B8, 4, 4, 4);
    MemoryImage dest(D3DFMT_D24S8, 4, 4, 4);
    const std::vector<BYTE> before = dest.bytes;
    ExpectRun(dest, src, IMAGE_FILTER_TRIANGLE, E_FAIL, "R3AZ: Unsupported image format\r\n");
    EXPECT_EQ(dest.bytes, before);
}

TEST_F(BlitTest, UnsupportedSourceFormat)
{
    ExpectFailsOnArgb(MemoryImage(D3DFMT_INDEX16, 2, 4, 4), IMAGE_FILTER_POINT, "R3AZ: Unsupported image format\r\n");
}

TEST_F(BlitTest, CodecOutOfMemoryCountsAsUnsupported)
{
    MemoryImage src(D3DFMT_A8R8G8B8, 4, 4, 4);
    MemoryImage dest(D3DFMT_A8R8G8B8, 4, 4, 4);
    for (unsigned failing : {1u, 2u}) {
        win32::BeginDebugCapture();
        FailWorkingMemoryAt(failing);
        ExpectRun(dest, src, IMAGE_FILTER_BOX, E_FAIL, "R3AZ: Unsupported image format\r\n");
    }
}

TEST_F(BlitTest, ConversionSetUpFailureIsPassedOnWithoutMessage)
{
    MemoryImage src(D3DFMT_V8U8, 2, 4, 4);
    MemoryImage dest(D3DFMT_A8R8G8B8, 4, 4, 4);
    const std::vector<BYTE> before = dest.bytes;
    FailWorkingMemoryAt(3); // destination codec, source codec, then the conversion row
    ExpectRun(dest, src, IMAGE_FILTER_NONE, E_OUTOFMEMORY, "");
    EXPECT_EQ(dest.bytes, before);
}

// Equal sizes and formats, no key: the rows are copied byte for byte, so
// even bits no codec would write (the X byte of X8R8G8B8) survive.
TEST_F(BlitTest, SameSizeSameFormatIsAByteCopy)
{
    MemoryImage src(D3DFMT_X8R8G8B8, 4, 3, 2);
    MemoryImage dest(D3DFMT_X8R8G8B8, 4, 3, 2);
    for (UINT y = 0; y < 2; ++y)
        for (UINT x = 0; x < 3; ++x)
            src.Set<DWORD>(x, y, 0, 0xAB000000u | (x << 8) | y);
    EXPECT_EQ(Run(dest, src, IMAGE_FILTER_TRIANGLE), S_OK);
    for (UINT y = 0; y < 2; ++y)
        for (UINT x = 0; x < 3; ++x)
            EXPECT_EQ(dest.Get<DWORD>(x, y), 0xAB000000u | (x << 8) | y);
    EXPECT_EQ(Messages(), "");
}

// With a colour key on the source the pair goes through decode and encode:
// keyed pixels become transparent black.
TEST_F(BlitTest, SourceColourKeyForcesTheConvertingCopy)
{
    MemoryImage src(D3DFMT_A8R8G8B8, 4, 2, 2);
    MemoryImage dest(D3DFMT_A8R8G8B8, 4, 2, 2);
    src.colorKey = 0xFF00FF00u;
    src.Set<DWORD>(0, 0, 0, 0xFF00FF00u);
    src.Set<DWORD>(1, 0, 0, 0xFF102030u);
    src.Set<DWORD>(0, 1, 0, 0x8000FF00u);
    src.Set<DWORD>(1, 1, 0, 0xFF00FF00u);
    EXPECT_EQ(Run(dest, src, IMAGE_FILTER_TRIANGLE), S_OK);
    EXPECT_EQ(dest.Get<DWORD>(0, 0), 0x00000000u);
    EXPECT_EQ(dest.Get<DWORD>(1, 0), 0xFF102030u);
    EXPECT_EQ(dest.Get<DWORD>(0, 1), 0x8000FF00u);
    EXPECT_EQ(dest.Get<DWORD>(1, 1), 0x00000000u);
}

TEST_F(BlitTest, SameSizeDifferentFormatsConvertWhateverTheFilterType)
{
    for (DWORD filter : {IMAGE_FILTER_NONE, IMAGE_FILTER_POINT, IMAGE_FILTER_LINEAR, IMAGE_FILTER_TRIANGLE,
                         IMAGE_FILTER_BOX, IMAGE_FILTER_BOX | 0x000F0000u}) {
        MemoryImage src(D3DFMT_A8R8G8B8, 4, 2, 1);
        MemoryImage dest(D3DFMT_R5G6B5, 2, 2, 1);
        src.Set<DWORD>(0, 0, 0, 0xFFFF0000u);
        src.Set<DWORD>(1, 0, 0, 0xFF0000FFu);
        EXPECT_EQ(Run(dest, src, filter), S_OK) << filter;
        EXPECT_EQ(dest.Get<WORD>(0), 0xF800u);
        EXPECT_EQ(dest.Get<WORD>(1), 0x001Fu);
    }
}

// The dither flag of the filter decides, not what the descriptor held.
TEST_F(BlitTest, DitherFollowsTheFilterFlag)
{
    MemoryImage src(D3DFMT_A8R8G8B8, 4, 4, 4);
    for (UINT y = 0; y < 4; ++y)
        for (UINT x = 0; x < 4; ++x)
            src.Set<DWORD>(x, y, 0, 0xFF808080u); // 128/255: 15.56 of 31
    MemoryImage plain(D3DFMT_R5G6B5, 2, 4, 4);
    plain.dither = 1;
    EXPECT_EQ(Run(plain, src, IMAGE_FILTER_TRIANGLE), S_OK);
    EXPECT_EQ(destDesc.Dither, 0u);
    for (UINT y = 0; y < 4; ++y)
        for (UINT x = 0; x < 4; ++x)
            EXPECT_EQ(plain.Get<WORD>(x, y), 0x8410u);

    MemoryImage dithered(D3DFMT_R5G6B5, 2, 4, 4);
    EXPECT_EQ(Run(dithered, src, IMAGE_FILTER_TRIANGLE | IMAGE_FILTER_DITHER), S_OK);
    EXPECT_EQ(destDesc.Dither, IMAGE_FILTER_DITHER);
    int low = 0;
    for (UINT y = 0; y < 4; ++y)
        for (UINT x = 0; x < 4; ++x)
            low += dithered.Get<WORD>(x, y) >> 11 == 15;
    // 15.56 + t reaches 16 unless t < 0.44: the seven smallest thresholds.
    EXPECT_EQ(low, 7);
}

// A source with no columns gives every operation nothing to work with: the
// copies need equal sizes, and a resampling filter has no source pixel to
// take a weight from.
TEST_F(BlitTest, NoOperationAcceptsAnEmptySource)
{
    ExpectFailsOnArgb(MemoryImage(D3DFMT_A8R8G8B8, 4, 0, 4), IMAGE_FILTER_TRIANGLE,
                      "R3AZ: No suitable image filter found\r\n");
}

TEST(Blitter, DestroysTheCodecsItStillHolds)
{
    MemoryImage image(D3DFMT_A8R8G8B8, 4, 2, 2);
    auto blitter = std::make_unique<Blitter>();
    blitter->pDest = CreatePixelCodec(image.Describe());
    blitter->pSrc = CreatePixelCodec(image.Describe());
    blitter.reset(); // the sanitizer build reports a leak if they were not deleted
    SUCCEED();
}

} // namespace
