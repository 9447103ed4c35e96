// Worked values of the packed formats: exact codes for given colours and
// exact colours for given codes.
#include "tests/r3az8/codecs/codec_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

constexpr FloatColor kRed = {1.0f, 0.0f, 0.0f, 1.0f};
constexpr FloatColor kGreen = {0.0f, 1.0f, 0.0f, 1.0f};
constexpr FloatColor kBlue = {0.0f, 0.0f, 1.0f, 1.0f};
constexpr FloatColor kWhite = {1.0f, 1.0f, 1.0f, 1.0f};

TEST(CodecA8R8G8B8, RoundsHalfUpWithoutDither)
{
    EXPECT_EQ(EncodeOne<DWORD>(D3DFMT_A8R8G8B8, {0.5f, 0.498f, 1.0f, 0.0f}), 0x00807FFFu);
    const FloatColor color = DecodeOne<DWORD>(D3DFMT_A8R8G8B8, 0x80FF4000u);
    ExpectColor(color, 255 * 0.003921569f, 64 * 0.003921569f, 0.0f, 128 * 0.003921569f);
}

TEST(CodecV8U8, NegativeValuesTruncateTowardZero)
{
    EXPECT_EQ(EncodeOne<WORD>(D3DFMT_V8U8, {-1.0f, -0.3f, 0.0f, 1.0f}), 0xDB81u);
    EXPECT_EQ(EncodeOne<WORD>(D3DFMT_V8U8, {0.0f, 0.5f, 0.7f, 0.2f}), 0x4000u);
    const FloatColor color = DecodeOne<WORD>(D3DFMT_V8U8, 0x7F80u);
    ExpectColor(color, -1.0f, 127 * 0.0078125f, 0.0f, 1.0f);
}

// Values past a field's codes saturate instead of spilling into the next
// field or wrapping round.
TEST(Saturation, SignedPlusOneStoresTheLargestCode)
{
    EXPECT_EQ(EncodeOne<WORD>(D3DFMT_V8U8, {1.0f, 1.0f, 0.0f, 1.0f}), 0x7F7Fu);
    EXPECT_EQ(EncodeOne<DWORD>(D3DFMT_Q8W8V8U8, {1.0f, -1.5f, 1.0f, 1.0f}), 0x7F7F807Fu);
    EXPECT_EQ(EncodeOne<DWORD>(D3DFMT_V16U16, {1.0f, -1.0f, 0.0f, 1.0f}), 0x80017FFFu);
    EXPECT_EQ(EncodeOne<DWORD>(D3DFMT_W11V11U10, {1.0f, 1.0f, 1.0f, 1.0f}), 0x7FEFFDFFu);
}

TEST(Saturation, UnsignedValuesOutsideZeroToOneStayInTheirField)
{
    EXPECT_EQ(EncodeOne<WORD>(D3DFMT_R5G6B5, {1.5f, -0.5f, 2.0f, 1.0f}), 0xF81Fu);
    EXPECT_EQ(EncodeOne<WORD>(D3DFMT_A4R4G4B4, {0.0f, 3.0f, 0.0f, -1.0f}), 0x00F0u);
    EXPECT_EQ(EncodeOne<DWORD>(D3DFMT_A8R8G8B8, {1e30f, -1e30f, 0.0f, 1.0f}), 0xFFFF0000u);
}

TEST(Saturation, NotANumberStoresTheLowestCode)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(EncodeOne<DWORD>(D3DFMT_A8R8G8B8, {nan, 1.0f, nan, 1.0f}), 0xFF00FF00u);
    EXPECT_EQ(EncodeOne<WORD>(D3DFMT_V8U8, {nan, 0.0f, 0.0f, 1.0f}), 0x0080u);
}

TEST(CodecL8, WeightsTheChannels)
{
    EXPECT_EQ(EncodeOne<BYTE>(D3DFMT_L8, kRed), 54);
    EXPECT_EQ(EncodeOne<BYTE>(D3DFMT_L8, kGreen), 182);
    EXPECT_EQ(EncodeOne<BYTE>(D3DFMT_L8, kBlue), 18);
    EXPECT_EQ(EncodeOne<BYTE>(D3DFMT_L8, kWhite), 255);
    const float grey = 100 * 0.003921569f;
    ExpectColor(DecodeOne<BYTE>(D3DFMT_L8, 100), grey, grey, grey, 1.0f);
}

TEST(CodecW11V11U10, TenBitFieldOf0x200IsMinusOne)
{
    ExpectColor(DecodeOne<DWORD>(D3DFMT_W11V11U10, 0x00000200u), -1.0f, 0.0f, 0.0f, 1.0f);
    ExpectColor(DecodeOne<DWORD>(D3DFMT_W11V11U10, 0x80100000u), 0.0f, -1.0f, -1.0f, 1.0f);
}

TEST(CodecA1R5G5B5, AlphaBitSetFromOneHalf)
{
    EXPECT_EQ(EncodeOne<WORD>(D3DFMT_A1R5G5B5, {0.0f, 0.0f, 0.0f, 0.5f}), 0x8000u);
    EXPECT_EQ(EncodeOne<WORD>(D3DFMT_A1R5G5B5, {0.0f, 0.0f, 0.0f, 0.4999f}), 0x0000u);
    EXPECT_EQ(DecodeOne<WORD>(D3DFMT_A1R5G5B5, 0x8000u).a, 1.0f);
    EXPECT_EQ(DecodeOne<WORD>(D3DFMT_A1R5G5B5, 0x7FFFu).a, 0.0f);
}

TEST(CodecG16R16, ReadsBlueAndAlphaAsOne)
{
    ExpectColor(DecodeOne<DWORD>(D3DFMT_G16R16, 0xFFFF0000u), 0.0f, 65535 * 0.000015259022f, 1.0f, 1.0f);
}

TEST(XBits, AreWrittenAsZeroAndIgnoredWhenRead)
{
    const FloatColor halfAlpha = {1.0f, 1.0f, 1.0f, 0.3f};
    EXPECT_EQ(EncodeOne<DWORD>(D3DFMT_X8R8G8B8, halfAlpha), 0x00FFFFFFu);
    EXPECT_EQ(EncodeOne<WORD>(D3DFMT_X1R5G5B5, halfAlpha), 0x7FFFu);
    EXPECT_EQ(EncodeOne<WORD>(D3DFMT_X4R4G4B4, halfAlpha), 0x0FFFu);
    EXPECT_EQ(EncodeOne<DWORD>(D3DFMT_X8L8V8U8, {0.0f, 0.0f, 0.0f, 1.0f}), 0x00FF0000u);

    ExpectColor(DecodeOne<DWORD>(D3DFMT_X8R8G8B8, 0x12000000u), 0.0f, 0.0f, 0.0f, 1.0f);
    ExpectColor(DecodeOne<WORD>(D3DFMT_X1R5G5B5, 0x8000u), 0.0f, 0.0f, 0.0f, 1.0f);
    ExpectColor(DecodeOne<WORD>(D3DFMT_X4R4G4B4, 0xF000u), 0.0f, 0.0f, 0.0f, 1.0f);
    ExpectColor(DecodeOne<DWORD>(D3DFMT_X8L8V8U8, 0xFF000000u), 0.0f, 0.0f, 0.0f, 0.0f);
}

TEST(SignedLuminanceFormats, CarryLuminanceInAlphaAndReadBlueAsZero)
{
    ExpectColor(DecodeOne<WORD>(D3DFMT_L6V5U5, 0xFC10u), -1.0f, 0.0f, 0.0f, 63 * 0.015873017f);
    ExpectColor(DecodeOne<WORD>(D3DFMT_L6V5U5, 0x0200u), 0.0f, -1.0f, 0.0f, 0.0f);
    ExpectColor(DecodeOne<DWORD>(D3DFMT_X8L8V8U8, 0x00800181u), -127 * 0.0078125f, 1 * 0.0078125f, 0.0f,
                128 * 0.003921569f);
    EXPECT_EQ(EncodeOne<WORD>(D3DFMT_L6V5U5, {0.5f, -0.5f, 0.9f, 1.0f}), 0xFC00u | (0x19u << 5) | 0x08u);
}

TEST(TwoBitAlpha, OneStoresCodeThreeAndReadsBackAsOne)
{
    EXPECT_EQ(EncodeOne<DWORD>(D3DFMT_A2W10V10U10, {0.0f, 0.0f, 0.0f, 1.0f}) >> 30, 3u);
    EXPECT_EQ(EncodeOne<DWORD>(D3DFMT_A2B10G10R10, {0.0f, 0.0f, 0.0f, 1.0f}) >> 30, 3u);
    EXPECT_EQ(DecodeOne<DWORD>(D3DFMT_A2W10V10U10, 0xC0000000u).a, 1.0f);
    EXPECT_EQ(DecodeOne<DWORD>(D3DFMT_A2B10G10R10, 0xC0000000u).a, 1.0f);
    EXPECT_EQ(DecodeOne<DWORD>(D3DFMT_A2B10G10R10, 0x40000000u).a, 0.33333334f);
}

TEST(CodecA2B10G10R10, RedIsInTheLowBits)
{
    EXPECT_EQ(EncodeOne<DWORD>(D3DFMT_A2B10G10R10, {1.0f, 0.0f, 0.0f, 0.0f}), 0x000003FFu);
    EXPECT_EQ(EncodeOne<DWORD>(D3DFMT_A2B10G10R10, {0.0f, 0.0f, 1.0f, 0.0f}), 0x3FF00000u);
}

TEST(CodecD16Lockable, ReadsGreyAndWritesLuminance)
{
    const float level = 0x8000 * 0.000015259022f;
    ExpectColor(DecodeOne<WORD>(D3DFMT_D16_LOCKABLE, 0x8000u), level, level, level, 1.0f);
    EXPECT_EQ(EncodeOne<WORD>(D3DFMT_D16_LOCKABLE, kGreen), EncodeOne<WORD>(FMT_L16, kGreen));
    EXPECT_EQ(EncodeOne<WORD>(D3DFMT_D16_LOCKABLE, kGreen), 46884u); // trunc(0.5 + 0.7154 * 65535) = trunc(46884.24)
}

TEST(CodecR16G16B16, StoresBlueFirstAndRedLast)
{
    MemoryImage image(FMT_R16G16B16, 6, 1);
    CodecPointer codec = MakeCodec(image.Describe());
    const FloatColor color = {1.0f, 0.5f, 0.0f, 0.25f};
    codec->WriteRow(0, 0, &color);
    const BYTE expected[6] = {0x00, 0x00, 0x00, 0x80, 0xFF, 0xFF};
    EXPECT_EQ(0, std::memcmp(image.bytes.data(), expected, 6));
    EXPECT_EQ(image.bytes[6], 0xCD);
}

TEST(CodecA16R16G16B16, StoresAlphaInTheTopWord)
{
    EXPECT_EQ(EncodeOne<std::uint64_t>(FMT_A16R16G16B16, {0.0f, 0.0f, 1.0f, 1.0f}), 0xFFFF00000000FFFFull);
}

TEST(CodecA8, ReadsBlackWithItsAlpha)
{
    ExpectColor(DecodeOne<BYTE>(D3DFMT_A8, 0xFF), 0.0f, 0.0f, 0.0f, 1.0f);
    EXPECT_EQ(EncodeOne<BYTE>(D3DFMT_A8, {1.0f, 1.0f, 1.0f, 0.5f}), 128);
}

TEST(CodecFactory, RefusesFormatsWithoutCodec)
{
    for (D3DFORMAT format : {D3DFMT_UNKNOWN, D3DFMT_D24S8, D3DFMT_D32, D3DFMT_D15S1, D3DFMT_D16, D3DFMT_D24X8,
                             D3DFMT_D24X4S4, D3DFMT_VERTEXDATA, D3DFMT_INDEX16, D3DFMT_INDEX32,
                             static_cast<D3DFORMAT>(0x12345678)}) {
        MemoryImage image(format, 4, 2);
        EXPECT_EQ(MakeCodec(image.Describe()), nullptr) << format;
    }
}

TEST(CodecFactory, RefusesAnInvertedRegion)
{
    MemoryImage image(D3DFMT_A8R8G8B8, 4, 4, 4);
    ImageDesc desc = image.Describe();
    desc.Region = {3, 0, 1, 4, 0, 1};
    EXPECT_EQ(MakeCodec(desc), nullptr);
    desc.Region = {0, 0, 4, 4, 1, 0};
    EXPECT_EQ(MakeCodec(desc), nullptr);
}

TEST(CodecFactory, FillsTheSharedFields)
{
    MemoryImage image(D3DFMT_R5G6B5, 2, 8, 6, 3);
    ImageDesc desc = image.Describe();
    desc.Region = {1, 2, 7, 5, 1, 3};
    CodecPointer codec = MakeCodec(desc);
    ASSERT_TRUE(codec);
    EXPECT_EQ(codec->Format, D3DFMT_R5G6B5);
    EXPECT_EQ(codec->Range, RANGE_UNSIGNED);
    EXPECT_TRUE(codec->PackedPixels);
    EXPECT_FALSE(codec->Paletted);
    EXPECT_EQ(codec->BytesPerPixel, 2u);
    EXPECT_EQ(codec->Width, 6u);
    EXPECT_EQ(codec->Height, 3u);
    EXPECT_EQ(codec->Depth, 2u);
    EXPECT_EQ(codec->RowBytes, 12u);
    EXPECT_EQ(codec->pData, image.bytes.data() + 2 + 2 * image.rowPitch + image.slicePitch);
    EXPECT_EQ(codec->Region.Left, 0u);
    EXPECT_EQ(codec->Region.Right, 6u);
    EXPECT_EQ(codec->Region.Back, 2u);
    EXPECT_EQ(codec->pDitherTable, NoDitherThresholds);
    EXPECT_EQ(codec->ConvertFrom, 0u);
    EXPECT_EQ(codec->pConvertBuffer, nullptr);

    ImageDesc signedDesc = MemoryImage(D3DFMT_Q8W8V8U8, 4, 1).Describe();
    EXPECT_EQ(MakeCodec(signedDesc)->Range, RANGE_SIGNED_RGBA);
    signedDesc.Format = D3DFMT_A2W10V10U10;
    EXPECT_EQ(MakeCodec(signedDesc)->Range, RANGE_SIGNED_RGB);
}

// Reading and writing address the region, not the whole image.
TEST(CodecRegion, RowsAndSlicesCountFromTheRegionCorner)
{
    MemoryImage image(D3DFMT_A8, 1, 5, 4, 3);
    for (UINT z = 0; z < 3; ++z)
        for (UINT y = 0; y < 4; ++y)
            for (UINT x = 0; x < 5; ++x)
                image.Set<BYTE>(x, y, z, static_cast<BYTE>(100 * z + 10 * y + x));
    ImageDesc desc = image.Describe();
    desc.Region = {2, 1, 4, 3, 1, 3};
    CodecPointer codec = MakeCodec(desc);
    FloatColor row[2];
    codec->ReadRow(1, 1, row);
    EXPECT_EQ(row[0].a, 222 * 0.003921569f);
    EXPECT_EQ(row[1].a, 223 * 0.003921569f);

    const FloatColor opaque[2] = {{0, 0, 0, 1.0f}, {0, 0, 0, 1.0f}};
    codec->WriteRow(0, 0, opaque);
    EXPECT_EQ(image.Get<BYTE>(1, 1, 1), 111);
    EXPECT_EQ(image.Get<BYTE>(2, 1, 1), 255);
    EXPECT_EQ(image.Get<BYTE>(3, 1, 1), 255);
    EXPECT_EQ(image.Get<BYTE>(4, 1, 1), 114);
}

} // namespace
