// The colour key: snapped through the codec so that it equals exactly what
// a stored pixel of that colour decodes to; matching pixels read as
// transparent black.
#include "tests/r3az8/codecs/codec_support.h"

#include <gtest/gtest.h>

namespace {

bool IsTransparentBlack(const FloatColor& c) { return c.r == 0 && c.g == 0 && c.b == 0 && c.a == 0; }

template <typename Word>
std::vector<FloatColor> ReadKeyed(D3DFORMAT format, std::vector<Word> pixels, D3DCOLOR key)
{
    MemoryImage image(format, sizeof(Word), static_cast<UINT>(pixels.size()));
    image.colorKey = key;
    for (UINT x = 0; x < pixels.size(); ++x)
        image.Set<Word>(x, 0, 0, pixels[x]);
    CodecPointer codec = MakeCodec(image.Describe());
    std::vector<FloatColor> row(pixels.size());
    codec->ReadRow(0, 0, row.data());
    return row;
}

TEST(ColorKey, X8R8G8B8KeysPureGreenWhateverTheKeysAlpha)
{
    for (D3DCOLOR key : {0xFF00FF00u, 0x0000FF00u}) {
        const auto row = ReadKeyed<DWORD>(D3DFMT_X8R8G8B8, {0x0000FF00u, 0xFF00FF00u, 0x0000FE00u, 0x00FFFFFFu}, key);
        EXPECT_TRUE(IsTransparentBlack(row[0])) << std::hex << key;
        EXPECT_TRUE(IsTransparentBlack(row[1])) << std::hex << key;
        EXPECT_EQ(row[2].a, 1.0f);
        EXPECT_EQ(row[3].a, 1.0f);
    }
}

TEST(ColorKey, A8R8G8B8KeysOnlyTheKeysAlpha)
{
    const auto row = ReadKeyed<DWORD>(D3DFMT_A8R8G8B8, {0xFF00FF00u, 0x8000FF00u, 0x0000FF00u}, 0xFF00FF00u);
    EXPECT_TRUE(IsTransparentBlack(row[0]));
    EXPECT_EQ(row[1].a, 128 * 0.003921569f);
    EXPECT_EQ(row[2].g, 1.0f);
}

TEST(ColorKey, ZeroMeansNoKey)
{
    const auto row = ReadKeyed<DWORD>(D3DFMT_A8R8G8B8, {0x00000000u}, 0);
    EXPECT_TRUE(IsTransparentBlack(row[0])); // it is transparent black already
    const auto opaque = ReadKeyed<DWORD>(D3DFMT_X8R8G8B8, {0x00000000u}, 0);
    EXPECT_EQ(opaque[0].a, 1.0f);
}

TEST(ColorKey, R5G6B5KeyIsSnappedToTheFormatsPrecision)
{
    MemoryImage image(D3DFMT_R5G6B5, 2, 1);
    image.colorKey = 0xFF808080u;
    CodecPointer codec = MakeCodec(image.Describe());
    EXPECT_EQ(codec->ColorKeyValue.r, 16 * 0.032258064f);
    EXPECT_EQ(codec->ColorKeyValue.g, 32 * 0.015873017f);
    EXPECT_EQ(codec->ColorKeyValue.b, 16 * 0.032258064f);
    EXPECT_EQ(codec->ColorKeyValue.a, 1.0f);
    // Snapping leaves the codec as it was.
    EXPECT_EQ(codec->Width, 1u);
    EXPECT_EQ(codec->pData, image.bytes.data());
    EXPECT_EQ(codec->ColorKey, 0xFF808080u);

    const auto row = ReadKeyed<WORD>(D3DFMT_R5G6B5, {0x8410u, 0x8411u, 0x8430u}, 0xFF808080u);
    EXPECT_TRUE(IsTransparentBlack(row[0]));
    EXPECT_FALSE(IsTransparentBlack(row[1]));
    EXPECT_FALSE(IsTransparentBlack(row[2]));
}

// Signed formats take the key through the unsigned-to-signed conversion
// first: 0x80 becomes 2 * 128/255 - 1, stored as 1.
TEST(ColorKey, SignedFormatsConvertTheKeyFirst)
{
    const auto row = ReadKeyed<WORD>(D3DFMT_V8U8, {0x0101u, 0x0000u, 0x7F7Fu}, 0xFF808080u);
    EXPECT_TRUE(IsTransparentBlack(row[0]));
    EXPECT_FALSE(IsTransparentBlack(row[1]));
    // White converts to +1.0, which saturates to the largest code.
    const auto white = ReadKeyed<WORD>(D3DFMT_V8U8, {0x7F7Fu, 0x0101u}, 0xFFFFFFFFu);
    EXPECT_TRUE(IsTransparentBlack(white[0]));
    EXPECT_FALSE(IsTransparentBlack(white[1]));
}

TEST(ColorKey, PaletteKeyBecomesTheNearestEntrysColour)
{
    PALETTEENTRY palette[256] = {};
    palette[3] = {200, 0, 0, 255};
    palette[9] = {0, 0, 250, 255};
    MemoryImage image(D3DFMT_P8, 1, 3);
    image.palette = palette;
    image.colorKey = 0xFF0000F0u; // nearest entry: 9
    image.Set<BYTE>(0, 0, 0, 9);
    image.Set<BYTE>(1, 0, 0, 3);
    image.Set<BYTE>(2, 0, 0, 0);
    CodecPointer codec = MakeCodec(image.Describe());
    FloatColor row[3];
    codec->ReadRow(0, 0, row);
    EXPECT_TRUE(IsTransparentBlack(row[0]));
    EXPECT_EQ(row[1].r, 200 * 0.003921569f);
    EXPECT_EQ(row[2].a, 0.0f);
    EXPECT_EQ(row[2].b, 0.0f);
}

} // namespace
