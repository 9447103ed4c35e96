// Block decoders, 5:6:5 words and premultiplied alpha: the block layouts'
// worked cases and the whole 5:6:5 code space.
#include "r3az8/tex/dxt/dxt_block.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace {

using Block16 = std::array<BYTE, 16>;

void ExpectColor(const FloatColor& c, float r, float g, float b, float a)
{
    EXPECT_FLOAT_EQ(c.r, r);
    EXPECT_FLOAT_EQ(c.g, g);
    EXPECT_FLOAT_EQ(c.b, b);
    EXPECT_FLOAT_EQ(c.a, a);
}

// Colour half: color0, color1 and codes 0, 1, 2, 3 for pixels 0..3, 0 after.
void PutColorHalf(BYTE* half, WORD color0, WORD color1)
{
    half[0] = static_cast<BYTE>(color0);
    half[1] = static_cast<BYTE>(color0 >> 8);
    half[2] = static_cast<BYTE>(color1);
    half[3] = static_cast<BYTE>(color1 >> 8);
    half[4] = 0xE4; // codes 0, 1, 2, 3
    half[5] = half[6] = half[7] = 0;
}

using Pixels16 = std::array<FloatColor, 16>;

Pixels16 Decode(HRESULT (*decode)(FloatColor*, const BYTE*), const Block16& block)
{
    Pixels16 out;
    decode(out.data(), block.data());
    return out;
}

// The colours some pixels of a decoded block must have.
struct PixelColor {
    int pixel;
    FloatColor color;
};

void ExpectPixels(const Pixels16& out, std::initializer_list<PixelColor> expected)
{
    for (const PixelColor& e : expected) {
        SCOPED_TRACE(e.pixel);
        ExpectColor(out[e.pixel], e.color.r, e.color.g, e.color.b, e.color.a);
    }
}

// A DXT1 block of PutColorHalf's codes.
Block16 Dxt1Block(WORD color0, WORD color1)
{
    Block16 block{};
    PutColorHalf(block.data(), color0, color1);
    return block;
}

TEST(Expand565, FieldsScaleToUnitRange)
{
    ExpectColor(Expand565(0xFFFF), 31 * 0.032258064f, 63 * 0.015873017f, 31 * 0.032258064f, 1.0f);
    ExpectColor(Expand565(0x0000), 0, 0, 0, 1);
    ExpectColor(Expand565(0x8410), 16 * 0.032258064f, 32 * 0.015873017f, 16 * 0.032258064f, 1.0f);
}

TEST(Quantize565, EveryWordSurvivesExpandAndQuantize)
{
    for (UINT word = 0; word < 65536; ++word)
        ASSERT_EQ(Quantize565(Expand565(static_cast<WORD>(word))), word);
}

TEST(Quantize565, ClampsOutOfRangeAndNaN)
{
    EXPECT_EQ(Quantize565({2.0f, -1.0f, 1.5f, 1.0f}), 0xF81F);
    EXPECT_EQ(Quantize565({__builtin_nanf(""), __builtin_inff(), -__builtin_inff(), 1.0f}), 0x07E0);
}

TEST(DecodeBlockDXT1, EqualEndpointsDecodeInThreeColourMode)
{
    // Code 2 is the midpoint of a colour and itself, code 3 transparent black.
    ExpectPixels(Decode(DecodeBlockDXT1, Dxt1Block(0xF800, 0xF800)),
                 {{0, {1, 0, 0, 1}}, {1, {1, 0, 0, 1}}, {2, {1, 0, 0, 1}}, {3, {0, 0, 0, 0}}});
}

TEST(DecodeBlockDXT1, DescendingEndpointsGiveFourColours)
{
    constexpr float kTwoThirds = 2.0f / 3.0f, kThird = 1.0f / 3.0f;
    ExpectPixels(Decode(DecodeBlockDXT1, Dxt1Block(0xFFFF, 0x0000)),
                 {{0, {1, 1, 1, 1}}, {1, {0, 0, 0, 1}}, {2, {kTwoThirds, kTwoThirds, kTwoThirds, 1}},
                  {3, {kThird, kThird, kThird, 1}}, {15, {1, 1, 1, 1}}});
}

TEST(DecodeBlockDXT1, AscendingEndpointsGiveMidpointAndTransparent)
{
    ExpectPixels(Decode(DecodeBlockDXT1, Dxt1Block(0x0000, 0xFFFF)), {{2, {0.5f, 0.5f, 0.5f, 1}}, {3, {0, 0, 0, 0}}});
}

TEST(DecodeBlockDXT3, ColourHalfFollowsTheThreeColourRule)
{
    Block16 block{};
    PutColorHalf(block.data() + 8, 0x001F, 0x001F);
    std::memset(block.data(), 0xFF, 8);
    const Pixels16 out = Decode(DecodeBlockDXT3, block);
    ExpectColor(out[2], 0, 0, 1, 1);
    EXPECT_FLOAT_EQ(out[3].b, 0.0f); // code 3 is black, alpha from the nibble
    EXPECT_FLOAT_EQ(out[3].a, 1.0f);
}

TEST(DecodeBlockDXT3, NibblesAreSixteenthsOfFifteen)
{
    Block16 block{};
    for (int i = 0; i < 8; ++i)
        block[i] = static_cast<BYTE>((2 * i) | (2 * i + 1) << 4);
    PutColorHalf(block.data() + 8, 0xFFFF, 0x0000);
    const Pixels16 out = Decode(DecodeBlockDXT3, block);
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(out[i].a, static_cast<float>(i) / 15.0f) << i;
}

// Alpha codes 0..7 for pixels 0..7, and 7..0 for pixels 8..15.
void PutAlphaRamp(BYTE* block, BYTE alpha0, BYTE alpha1)
{
    block[0] = alpha0;
    block[1] = alpha1;
    DWORD up = 0, down = 0;
    for (int i = 0; i < 8; ++i) {
        up |= static_cast<DWORD>(i) << (3 * i);
        down |= static_cast<DWORD>(7 - i) << (3 * i);
    }
    for (int k = 0; k < 3; ++k) {
        block[2 + k] = static_cast<BYTE>(up >> (8 * k));
        block[5 + k] = static_cast<BYTE>(down >> (8 * k));
    }
}

// A DXT4/DXT5 block: PutAlphaRamp's alpha half, PutColorHalf's colour half.
Block16 Dxt5Block(BYTE alpha0, BYTE alpha1, WORD color0, WORD color1)
{
    Block16 block{};
    PutAlphaRamp(block.data(), alpha0, alpha1);
    PutColorHalf(block.data() + 8, color0, color1);
    return block;
}

TEST(DecodeBlockDXT5, DescendingEndpointsGiveEightValues)
{
    const Pixels16 out = Decode(DecodeBlockDXT5, Dxt5Block(200, 100, 0xFFFF, 0x0000));
    EXPECT_FLOAT_EQ(out[0].a, 200.0f / 255.0f);
    EXPECT_FLOAT_EQ(out[1].a, 100.0f / 255.0f);
    EXPECT_FLOAT_EQ(out[2].a, (6.0f * 200.0f / 255.0f + 100.0f / 255.0f) / 7.0f);
    // Bit for bit: (6 x (200 x 0.003921569) + 100 x 0.003921569) x 0.14285715
    // in single precision, two units in the last place above the exact value.
    EXPECT_EQ(std::bit_cast<uint32_t>(out[2].a), 0x3F3A714Fu);
    for (int code = 2; code < 8; ++code)
        EXPECT_FLOAT_EQ(out[code].a, ((8 - code) * 200.0f + (code - 1) * 100.0f) / 7.0f / 255.0f) << code;
    EXPECT_FLOAT_EQ(out[15].a, out[0].a);
}

TEST(DecodeBlockDXT5, AscendingEndpointsGiveSixValuesAndZeroAndOne)
{
    const Pixels16 out = Decode(DecodeBlockDXT5, Dxt5Block(100, 200, 0x0000, 0xFFFF)); // three-colour mode too
    for (int code = 2; code < 6; ++code)
        EXPECT_FLOAT_EQ(out[code].a, ((6 - code) * 100.0f + (code - 1) * 200.0f) / 5.0f / 255.0f) << code;
    EXPECT_EQ(out[6].a, 0.0f);
    EXPECT_EQ(out[7].a, 1.0f);
    ExpectColor(out[2], 0.5f, 0.5f, 0.5f, out[2].a);
    EXPECT_EQ(out[3].r, 0.0f); // transparent black's colour; alpha from its code
}

TEST(Unpremultiply, DividesColourBelowAlphaAndSaturatesTheRest)
{
    FloatColor pixels[16];
    for (FloatColor& p : pixels)
        p = {0.3f, 0.6f, 0.2f, 0.5f};
    pixels[1] = {0.3f, 0.2f, 0.1f, 0.0f};
    pixels[2] = {0.3f, 0.2f, 0.1f, 1.0f};
    Unpremultiply(pixels, pixels);
    ExpectColor(pixels[0], 0.6f, 1.0f, 0.4f, 0.5f);
    ExpectColor(pixels[1], 0, 0, 0, 0);
    ExpectColor(pixels[2], 0.3f, 0.2f, 0.1f, 1.0f);
}

TEST(Premultiply, ScalesColourByAlphaIntoACopy)
{
    FloatColor in[16];
    FloatColor out[16];
    for (FloatColor& p : in)
        p = {0.6f, 1.0f, 0.4f, 0.5f};
    Premultiply(out, in);
    ExpectColor(out[7], 0.3f, 0.5f, 0.2f, 0.5f);
    ExpectColor(in[7], 0.6f, 1.0f, 0.4f, 0.5f);
}

TEST(DecodeBlockDXT2, UnpremultipliesTheDxt3Pixels)
{
    Block16 block{};
    std::memset(block.data(), 0x88, 8); // alpha 8/15 everywhere
    PutColorHalf(block.data() + 8, 0x8410, 0x8410);
    const Pixels16 plain = Decode(DecodeBlockDXT3, block);
    const Pixels16 premultiplied = Decode(DecodeBlockDXT2, block);
    float a = 8.0f / 15.0f;
    EXPECT_FLOAT_EQ(premultiplied[0].r, plain[0].r < a ? plain[0].r * (1.0f / a) : 1.0f);
    EXPECT_FLOAT_EQ(premultiplied[0].a, plain[0].a);
}

TEST(DecodeBlockDXT4, UnpremultipliesTheDxt5Pixels)
{
    const Pixels16 out = Decode(DecodeBlockDXT4, Dxt5Block(255, 0, 0x4208, 0x4208));
    EXPECT_FLOAT_EQ(out[0].r, 8.0f / 31.0f); // alpha 1: unchanged
    EXPECT_EQ(out[1].r, 0.0f);               // alpha 0: black
    EXPECT_FLOAT_EQ(out[7].r, 1.0f);         // alpha 1/7 below the colour
}

} // namespace
