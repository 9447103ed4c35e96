// Rows between codecs of different channel ranges are converted on the way
// into the destination.
#include "tests/r3az8/codecs/codec_support.h"
#include "r3az8/tex/blitter.h"
#include "r3az8/tex/range_conversion.h"

#include <gtest/gtest.h>

namespace {

HRESULT BlitSameSize(MemoryImage& dest, const MemoryImage& src)
{
    ImageDesc destDesc = dest.Describe();
    Blitter blitter;
    return blitter.Blit(destDesc, src.Describe(), IMAGE_FILTER_POINT);
}

TEST(RangeConversion, V8U8ToA8R8G8B8MapsSignedToUnsigned)
{
    MemoryImage src(D3DFMT_V8U8, 2, 2), dest(D3DFMT_A8R8G8B8, 4, 2);
    src.Set<WORD>(0, 0, 0, 0x0000);
    src.Set<WORD>(1, 0, 0, 0x7F81);
    ASSERT_EQ(BlitSameSize(dest, src), S_OK);
    // U = 0 -> R = 0.5 -> 128; B = 0 -> 0.5 -> 128; A = 1 stays 1.
    EXPECT_EQ(dest.Get<DWORD>(0), 0xFF808080u);
    // U = -127/128 -> 0.0039 -> 1; V = 127/128 -> 0.996 -> 254.
    EXPECT_EQ(dest.Get<DWORD>(1), 0xFF01FE80u);
}

TEST(RangeConversion, A8R8G8B8ToQ8W8V8U8MapsEveryChannelToSigned)
{
    MemoryImage src(D3DFMT_A8R8G8B8, 4, 2), dest(D3DFMT_Q8W8V8U8, 4, 2);
    src.Set<DWORD>(0, 0, 0, 0x80800000u); // A 128, R 128, G 0, B 0
    src.Set<DWORD>(1, 0, 0, 0xFFFFFFFFu);
    ASSERT_EQ(BlitSameSize(dest, src), S_OK);
    // 128 -> 0.00392 -> 1; 0 -> -1 -> -127 (0x81).
    EXPECT_EQ(dest.Get<DWORD>(0), 0x01818101u);
    // 255 -> +1.0, saturated to 127.
    EXPECT_EQ(dest.Get<DWORD>(1), 0x7F7F7F7Fu);
}

TEST(RangeConversion, PrepareConversionOnlyWhenRangesDiffer)
{
    MemoryImage unsignedImage(D3DFMT_A8R8G8B8, 4, 3), signedImage(D3DFMT_V8U8, 2, 3);
    CodecPointer a = MakeCodec(unsignedImage.Describe()), b = MakeCodec(unsignedImage.Describe());
    CodecPointer s = MakeCodec(signedImage.Describe());
    EXPECT_EQ(a->PrepareConversion(b.get()), S_OK);
    EXPECT_EQ(a->ConvertFrom, 0u);
    EXPECT_EQ(a->pConvertBuffer, nullptr);
    EXPECT_EQ(a->PrepareConversion(s.get()), S_OK);
    EXPECT_EQ(a->ConvertFrom, static_cast<UINT>(RANGE_SIGNED_RGB));
    EXPECT_NE(a->pConvertBuffer, nullptr);
}

// The six directions, per channel: signed to unsigned (x + 1) * 0.5,
// unsigned to signed 2x - 1, same kind copied; no clamping.
TEST(RangeConversion, EachPairOfRangesConvertsTheChannelsThatDiffer)
{
    const FloatColor in = {-1.0f, 0.25f, 3.0f, -0.5f};
    auto check = [&](ChannelRange from, ChannelRange to, FloatColor want) {
        const FloatColor got = ConvertPixelRange(in, from, to);
        EXPECT_EQ(got.r, want.r) << from << "->" << to;
        EXPECT_EQ(got.g, want.g) << from << "->" << to;
        EXPECT_EQ(got.b, want.b) << from << "->" << to;
        EXPECT_EQ(got.a, want.a) << from << "->" << to;
    };
    check(RANGE_SIGNED_RGB, RANGE_UNSIGNED, {0.0f, 0.625f, 2.0f, -0.5f});
    check(RANGE_SIGNED_RGBA, RANGE_UNSIGNED, {0.0f, 0.625f, 2.0f, 0.25f});
    check(RANGE_UNSIGNED, RANGE_SIGNED_RGB, {-3.0f, -0.5f, 5.0f, -0.5f});
    check(RANGE_SIGNED_RGBA, RANGE_SIGNED_RGB, {-1.0f, 0.25f, 3.0f, 0.25f});
    check(RANGE_UNSIGNED, RANGE_SIGNED_RGBA, {-3.0f, -0.5f, 5.0f, -2.0f});
    check(RANGE_SIGNED_RGB, RANGE_SIGNED_RGBA, {-1.0f, 0.25f, 3.0f, -2.0f});
    check(RANGE_UNSIGNED, RANGE_UNSIGNED, in);
}

// WriteRow converts a copy; the caller's row is left as it was.
TEST(RangeConversion, CallersRowIsNotModified)
{
    MemoryImage src(D3DFMT_V8U8, 2, 2), dest(D3DFMT_A8R8G8B8, 4, 2);
    CodecPointer writer = MakeCodec(dest.Describe()), reader = MakeCodec(src.Describe());
    ASSERT_EQ(writer->PrepareConversion(reader.get()), S_OK);
    const FloatColor row[2] = {{-1.0f, 0.0f, 0.0f, 1.0f}, {1.0f, 0.5f, -0.5f, 0.0f}};
    FloatColor copy[2] = {row[0], row[1]};
    writer->WriteRow(0, 0, copy);
    EXPECT_EQ(0, std::memcmp(copy, row, sizeof row));
    EXPECT_EQ(dest.Get<DWORD>(0), 0xFF008080u);
    EXPECT_EQ(dest.Get<DWORD>(1), 0x00FFBF40u);
}

} // namespace
