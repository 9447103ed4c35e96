// The YUV and DXT codecs allocate their row and block buffers on first use,
// inside ReadRow and WriteRow, which have no result. A blit whose codec
// could not have a buffer must fail: success means every pixel is what one
// of the operations gives without faults (a filter that cannot have its own
// buffers hands the work to the next, which may resample differently).
#include "tests/support/memory_image.h"
#include "r3az8/tex/blitter.h"
#include "r3az8/tex/working_memory.h"
#include "win32_testing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Every byte its own: a lost row cannot pass for the bytes already there.
MemoryImage Patterned(D3DFORMAT format, UINT width, UINT height)
{
    MemoryImage image = MemoryImage::Tight(format, width, height);
    for (std::size_t i = 0; i < image.bytes.size(); ++i)
        image.bytes[i] = static_cast<BYTE>(i * 37 + 11);
    return image;
}

struct LostRowsCase {
    const char* name;
    D3DFORMAT from;
    D3DFORMAT to;
    UINT fromSize[2];
    UINT toSize[2];
    DWORD filter;
};

const LostRowsCase kCases[] = {
    {"A8R8G8B8 to DXT1", D3DFMT_A8R8G8B8, D3DFMT_DXT1, {8, 8}, {8, 8}, IMAGE_FILTER_NONE},
    {"DXT1 to A8R8G8B8", D3DFMT_DXT1, D3DFMT_A8R8G8B8, {8, 8}, {8, 8}, IMAGE_FILTER_NONE},
    {"A8R8G8B8 to DXT5, halved", D3DFMT_A8R8G8B8, D3DFMT_DXT5, {16, 8}, {8, 4}, IMAGE_FILTER_BOX},
    {"DXT3 to A8R8G8B8, halved", D3DFMT_DXT3, D3DFMT_A8R8G8B8, {8, 8}, {4, 4}, IMAGE_FILTER_BOX},
    {"DXT5 to DXT2, resized", D3DFMT_DXT5, D3DFMT_DXT2, {8, 12}, {5, 7}, IMAGE_FILTER_TRIANGLE},
    {"A8R8G8B8 to YUY2", D3DFMT_A8R8G8B8, D3DFMT_YUY2, {8, 4}, {8, 4}, IMAGE_FILTER_NONE},
    {"YUY2 to A8R8G8B8", D3DFMT_YUY2, D3DFMT_A8R8G8B8, {8, 4}, {8, 4}, IMAGE_FILTER_NONE},
    {"UYVY to DXT4, linear", D3DFMT_UYVY, D3DFMT_DXT4, {6, 5}, {9, 3}, IMAGE_FILTER_LINEAR},
    {"DXT1 to UYVY, point", D3DFMT_DXT1, D3DFMT_UYVY, {8, 8}, {6, 3}, IMAGE_FILTER_POINT},
};

struct Outcome {
    HRESULT result;
    std::vector<BYTE> bytes;
    unsigned allocations;
    std::string messages;
};

Outcome BlitWithFault(const LostRowsCase& c, unsigned failAt)
{
    MemoryImage src = Patterned(c.from, c.fromSize[0], c.fromSize[1]);
    MemoryImage dest = Patterned(c.to, c.toSize[0], c.toSize[1]);
    ImageDesc destDesc = dest.Describe();
    win32::BeginDebugCapture();
    FailWorkingMemoryAt(failAt);
    Blitter blitter;
    const HRESULT result = blitter.Blit(destDesc, src.Describe(), c.filter);
    const unsigned allocations = WorkingMemoryAllocations();
    FailWorkingMemoryAt(0);
    return {result, dest.bytes, allocations, win32::EndDebugCapture()};
}

// What each operation that accepts the pair writes, run on its own.
std::vector<std::vector<BYTE>> AcceptedResults(const LostRowsCase& c)
{
    std::vector<std::vector<BYTE>> results;
    for (BlitOperation operation : BlitOperations) {
        MemoryImage src = Patterned(c.from, c.fromSize[0], c.fromSize[1]);
        MemoryImage dest = Patterned(c.to, c.toSize[0], c.toSize[1]);
        Blitter blitter;
        blitter.pDest = CreatePixelCodec(dest.Describe());
        blitter.pSrc = CreatePixelCodec(src.Describe());
        blitter.Filter = c.filter;
        if (FAILED(blitter.pDest->PrepareConversion(blitter.pSrc)))
            ADD_FAILURE() << c.name << ": conversion set-up failed";
        HRESULT result = (blitter.*operation)();
        // The codecs store what they still buffer when they go.
        delete blitter.pDest;
        blitter.pDest = nullptr;
        if (SUCCEEDED(result))
            results.push_back(dest.bytes);
    }
    return results;
}

TEST(LostRows, EveryBufferFailureFailsTheBlitOrLeavesAFaultFreeResult)
{
    for (const LostRowsCase& c : kCases) {
        const Outcome expected = BlitWithFault(c, 0);
        ASSERT_EQ(expected.result, S_OK) << c.name;
        const std::vector<std::vector<BYTE>> accepted = AcceptedResults(c);
        ASSERT_FALSE(accepted.empty()) << c.name;
        EXPECT_EQ(expected.bytes, accepted.front()) << c.name << ": the first operation to accept does the work";
        unsigned failures = 0;
        for (unsigned k = 1; k <= expected.allocations; ++k) {
            const Outcome outcome = BlitWithFault(c, k);
            if (SUCCEEDED(outcome.result)) {
                EXPECT_NE(std::find(accepted.begin(), accepted.end(), outcome.bytes), accepted.end())
                    << c.name << ", allocation " << k << " failing: success, but no operation writes these pixels";
            } else {
                ++failures;
                EXPECT_TRUE(outcome.result == E_OUTOFMEMORY || outcome.result == E_FAIL)
                    << c.name << ", allocation " << k << ": " << std::hex << outcome.result;
            }
        }
        // The codecs themselves are the first two allocations.
        EXPECT_GE(failures, 2u) << c.name;
    }
}

// The reproduction: an 8x8 conversion to DXT1 allocates the destination
// codec, the source codec, the row buffer, then the block-row table.
TEST(LostRows, AnEncoderWithoutItsTableReportsOutOfMemory)
{
    const Outcome outcome = BlitWithFault(kCases[0], 4);
    EXPECT_EQ(outcome.result, E_OUTOFMEMORY);
    EXPECT_EQ(outcome.messages, "R3AZ: Out of memory for image rows\r\n");
}

// A decoder without its cache gives the filter black rather than whatever
// its row buffer held, so even a lost read stores defined pixels.
TEST(LostRows, ADecoderWithoutItsCacheReadsBlack)
{
    MemoryImage src = Patterned(D3DFMT_DXT1, 8, 8);
    ImageDesc desc = src.Describe();
    FailWorkingMemoryAt(2); // the codec, then its block-row cache
    PixelCodec* codec = CreatePixelCodec(desc);
    ASSERT_NE(codec, nullptr);
    std::vector<FloatColor> row(8, FloatColor{9.0f, 9.0f, 9.0f, 9.0f});
    codec->ReadRow(0, 0, row.data());
    FailWorkingMemoryAt(0);
    EXPECT_TRUE(codec->RowsLost);
    for (const FloatColor& pixel : row)
        EXPECT_TRUE(pixel.r == 0.0f && pixel.g == 0.0f && pixel.b == 0.0f && pixel.a == 0.0f);
    delete codec;
}

} // namespace
