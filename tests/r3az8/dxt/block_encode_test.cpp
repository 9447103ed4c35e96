// Block encoders: the worked cases of the block layouts, exact round trips
// over the code spaces the formats hold, bounded error elsewhere, and inputs
// outside 0..1.
#include "r3az8/tex/dxt/dxt_block.h"
#include "tests/r3az8/dxt/block_samples.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;

PixelBlock Uniform(FloatColor c)
{
    PixelBlock block;
    block.fill(c);
    return block;
}

Bytes EncodeDxt1(const PixelBlock& pixels)
{
    Bytes out(8);
    EXPECT_EQ(EncodeBlockDXT1(out.data(), pixels.data()), S_OK);
    return out;
}

Bytes Encode16(HRESULT (*encode)(BYTE*, const FloatColor*), const PixelBlock& pixels)
{
    Bytes out(16);
    EXPECT_EQ(encode(out.data(), pixels.data()), S_OK);
    return out;
}

// A block encoded and decoded again.
PixelBlock RoundTrip(HRESULT (*encode)(BYTE*, const FloatColor*), HRESULT (*decode)(FloatColor*, const BYTE*),
                     const PixelBlock& pixels)
{
    const Bytes bytes = Encode16(encode, pixels);
    PixelBlock decoded;
    decode(decoded.data(), bytes.data());
    return decoded;
}

WORD Word(const Bytes& b, size_t at) { return static_cast<WORD>(b[at] | b[at + 1] << 8); }
DWORD Codes(const Bytes& b, size_t at)
{
    return static_cast<DWORD>(b[at]) | static_cast<DWORD>(b[at + 1]) << 8 | static_cast<DWORD>(b[at + 2]) << 16 |
           static_cast<DWORD>(b[at + 3]) << 24;
}
UINT AlphaCode(const Bytes& b, UINT i)
{
    const BYTE* p = b.data() + 2 + 3 * (i / 8);
    DWORD bits = static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 | static_cast<DWORD>(p[2]) << 16;
    return (bits >> (3 * (i % 8))) & 7;
}

TEST(EncodeBlockDXT1, AllTransparentWritesTheTransparentBlock)
{
    PixelBlock pixels = Uniform({0.7f, 0.2f, 0.9f, 0.49f});
    EXPECT_EQ(EncodeDxt1(pixels), (Bytes{0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(EncodeBlockDXT1, ExactColoursGiveOneEndpointAndCodeZero)
{
    EXPECT_EQ(EncodeDxt1(Uniform({1, 1, 1, 1})), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}));
    EXPECT_EQ(EncodeDxt1(Uniform({0, 0, 0, 1})), (Bytes{0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(EncodeBlockDXT1, EveryFlat565ColourSurvivesExactly)
{
    for (UINT word = 0; word < 65536; ++word) {
        Bytes bytes = EncodeDxt1(Uniform(Expand565(static_cast<WORD>(word))));
        ASSERT_EQ(Word(bytes, 0), word);
        ASSERT_EQ(Word(bytes, 2), word);
        ASSERT_EQ(Codes(bytes, 4), 0u);
    }
}

TEST(EncodeBlockDXT1, ColourBetweenStepsIsDitheredOverTwoEndpoints)
{
    PixelBlock pixels = Uniform({0.5f, 0.5f, 0.5f, 1.0f});
    Bytes bytes = EncodeDxt1(pixels);
    EXPECT_NE(Word(bytes, 0), Word(bytes, 2));
    EXPECT_GT(Word(bytes, 0), Word(bytes, 2)); // four-colour mode
    FloatColor decoded[16];
    DecodeBlockDXT1(decoded, bytes.data());
    float sum = 0;
    for (const FloatColor& c : decoded)
        sum += c.g;
    EXPECT_NEAR(sum / 16, 0.5f, 0.5f / 63);
}

TEST(EncodeBlockDXT1, SomeTransparentPixelsUseThreeColourMode)
{
    std::mt19937 random(7);
    for (int n = 0; n < 200; ++n) {
        PixelBlock pixels = MakeSample(SampleKind::Noise, random);
        for (int i = 0; i < 16; ++i)
            pixels[i].a = (i % 5 == 0) ? 0.2f : 0.9f;
        Bytes bytes = EncodeDxt1(pixels);
        ASSERT_LE(Word(bytes, 0), Word(bytes, 2));
        FloatColor decoded[16];
        DecodeBlockDXT1(decoded, bytes.data());
        for (int i = 0; i < 16; ++i) {
            bool transparent = i % 5 == 0;
            ASSERT_EQ(((Codes(bytes, 4) >> (2 * i)) & 3) == 3, transparent) << i;
            ASSERT_EQ(decoded[i].a, transparent ? 0.0f : 1.0f) << i;
        }
    }
}

TEST(EncodeBlockDXT5, OpaqueBlockWritesFullAlphaAndNoCodes)
{
    std::mt19937 random(11);
    PixelBlock pixels = MakeSample(SampleKind::Noise, random);
    for (FloatColor& p : pixels)
        p.a = 1.0f;
    Bytes bytes = Encode16(EncodeBlockDXT5, pixels);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 8), (Bytes{0xFF, 0xFF, 0, 0, 0, 0, 0, 0}));
    // The colour half is DXT1's for opaque pixels.
    EXPECT_EQ(Bytes(bytes.begin() + 8, bytes.end()), EncodeDxt1(pixels));
}

TEST(EncodeBlockDXT5, OnlyZeroAndOneGiveFullAndEmptyEndpoints)
{
    PixelBlock pixels = Uniform({0.4f, 0.4f, 0.4f, 1.0f});
    for (int i = 0; i < 16; i += 3)
        pixels[i].a = 0.0f;
    Bytes bytes = Encode16(EncodeBlockDXT5, pixels);
    EXPECT_EQ(bytes[0], 255);
    EXPECT_EQ(bytes[1], 0);
    for (UINT i = 0; i < 16; ++i)
        EXPECT_EQ(AlphaCode(bytes, i), i % 3 == 0 ? 1u : 0u) << i;
}

// The endpoints FitAlphaEndpoints picks for the alphas alphaOf(0..15), as
// {low, high}.
std::pair<float, float> FittedAlphaEndpoints(int steps, float (*alphaOf)(int))
{
    float alphas[16];
    for (int i = 0; i < 16; ++i)
        alphas[i] = alphaOf(i);
    float low = -1, high = -1;
    FitAlphaEndpoints(alphas, steps, &low, &high);
    return {low, high};
}

TEST(FitAlphaEndpoints, SixStepsWithoutInnerValuesGiveOneAndZero)
{
    const auto [low, high] = FittedAlphaEndpoints(6, [](int i) { return (i & 1) ? 1.0f : 0.0f; });
    EXPECT_EQ(low, 1.0f);
    EXPECT_EQ(high, 0.0f);
}

TEST(FitAlphaEndpoints, EightStepsOverOnlyNaNsKeepTheirStart)
{
    const auto [low, high] = FittedAlphaEndpoints(8, [](int) { return std::numeric_limits<float>::quiet_NaN(); });
    EXPECT_EQ(low, 1.0f);
    EXPECT_EQ(high, 0.0f);
}

TEST(FitAlphaEndpoints, EightStepsSpanTheAlphas)
{
    const auto [low, high] =
        FittedAlphaEndpoints(8, [](int i) { return 0.25f + 0.5f * static_cast<float>(i) / 15.0f; });
    EXPECT_NEAR(low, 0.25f, 0.02f);
    EXPECT_NEAR(high, 0.75f, 0.02f);
    EXPECT_LT(low, high);
}

TEST(EncodeBlockDXT5, InnerAlphasUseEightValues)
{
    PixelBlock pixels = Uniform({0.4f, 0.4f, 0.4f, 1.0f});
    for (int i = 0; i < 16; ++i)
        pixels[i].a = 0.2f + 0.6f * static_cast<float>(i) / 15.0f;
    Bytes bytes = Encode16(EncodeBlockDXT5, pixels);
    EXPECT_GT(bytes[0], bytes[1]);
    FloatColor decoded[16];
    DecodeBlockDXT5(decoded, bytes.data());
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(decoded[i].a, pixels[i].a, 0.6f / 7.0f) << i;
}

TEST(EncodeBlockDXT5, AlphasTouchingZeroUseSixValues)
{
    PixelBlock pixels = Uniform({0.4f, 0.4f, 0.4f, 1.0f});
    for (int i = 0; i < 16; ++i)
        pixels[i].a = i == 0 ? 0.0f : 0.3f + 0.4f * static_cast<float>(i) / 15.0f;
    Bytes bytes = Encode16(EncodeBlockDXT5, pixels);
    EXPECT_LE(bytes[0], bytes[1]);
    EXPECT_EQ(AlphaCode(bytes, 0), 6u);
    FloatColor decoded[16];
    DecodeBlockDXT5(decoded, bytes.data());
    EXPECT_EQ(decoded[0].a, 0.0f);
    for (int i = 1; i < 16; ++i)
        EXPECT_NEAR(decoded[i].a, pixels[i].a, 0.4f / 5.0f) << i;
}

// One alpha level between 0 and 1 and some ones: the fitted ends coincide,
// so the ramp has no length; the ones must still come out as 1.
TEST(EncodeBlockDXT5, OnesNextToASingleLevelStayOpaque)
{
    PixelBlock pixels = Uniform({0.4f, 0.4f, 0.4f, 0.5f});
    for (int i = 0; i < 16; i += 2)
        pixels[i].a = 1.0f;
    pixels[1].a = 128.0f / 255.0f;
    for (FloatColor& p : pixels)
        if (p.a != 1.0f)
            p.a = 128.0f / 255.0f;
    Bytes bytes = Encode16(EncodeBlockDXT5, pixels);
    FloatColor decoded[16];
    DecodeBlockDXT5(decoded, bytes.data());
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(decoded[i].a, pixels[i].a, 1.0f / 255.0f) << i;
}

TEST(EncodeBlockDXT5, EveryFlatAlphaLevelSurvivesExactly)
{
    for (int level = 0; level < 256; ++level) {
        PixelBlock pixels = Uniform({0.25f, 0.5f, 0.75f, static_cast<float>(level) * 0.003921569f});
        Bytes bytes = Encode16(EncodeBlockDXT5, pixels);
        FloatColor decoded[16];
        DecodeBlockDXT5(decoded, bytes.data());
        for (const FloatColor& c : decoded)
            ASSERT_EQ(c.a, pixels[0].a) << level;
    }
}

TEST(EncodeBlockDXT3, AlphaOnANibbleStepIsExact)
{
    Bytes bytes = Encode16(EncodeBlockDXT3, Uniform({0.1f, 0.2f, 0.3f, 8.0f / 15.0f}));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(bytes[i], 0x88) << i;
}

TEST(EncodeBlockDXT3, HalfAlphaIsDitheredAcrossNibbles)
{
    Bytes bytes = Encode16(EncodeBlockDXT3, Uniform({0.1f, 0.2f, 0.3f, 0.5f}));
    EXPECT_EQ(bytes[0] & 15, 8);        // trunc(7.5 + 0.5)
    EXPECT_EQ(bytes[0] >> 4, 7);        // pulled down by pixel 0's error
    float sum = 0;
    for (int i = 0; i < 16; ++i)
        sum += static_cast<float>((bytes[i / 2] >> (4 * (i & 1))) & 15) / 15.0f;
    EXPECT_NEAR(sum / 16, 0.5f, 1.0f / 30);
}

TEST(EncodeBlockDXT3, EveryNibbleLevelSurvivesExactly)
{
    for (int level = 0; level < 16; ++level) {
        Bytes bytes = Encode16(EncodeBlockDXT3, Uniform({0.5f, 0.5f, 0.5f, static_cast<float>(level) * 0.06666667f}));
        for (int i = 0; i < 8; ++i)
            ASSERT_EQ(bytes[i], level * 17) << level;
    }
}

TEST(EncodeBlockDXT3, ColourHalfIsWrittenInFourColourMode)
{
    // The decoder reads color0 <= color1 as three colours and transparent
    // black in DXT3 too, so a dithered grey must come out descending.
    Bytes bytes = Encode16(EncodeBlockDXT3, Uniform({0.5f, 0.5f, 0.5f, 1.0f}));
    EXPECT_GT(Word(bytes, 8), Word(bytes, 10));
}

TEST(EncodeBlockDXT2, PremultipliesACopy)
{
    std::mt19937 random(3);
    PixelBlock pixels = MakeSample(SampleKind::Noise, random);
    PixelBlock before = pixels;
    PixelBlock premultiplied;
    Premultiply(premultiplied.data(), pixels.data());
    EXPECT_EQ(Encode16(EncodeBlockDXT2, pixels), Encode16(EncodeBlockDXT3, premultiplied));
    EXPECT_EQ(Encode16(EncodeBlockDXT4, pixels), Encode16(EncodeBlockDXT5, premultiplied));
    EXPECT_EQ(std::memcmp(before.data(), pixels.data(), sizeof(PixelBlock)), 0);
}

// Differences of decoded values from the originals: the largest, and the
// root of their mean square.
struct ErrorStats {
    void Add(float difference)
    {
        worst = std::max(worst, static_cast<double>(std::fabs(difference)));
        sumSquares += static_cast<double>(difference) * difference;
        ++samples;
    }
    double Rms() const { return std::sqrt(sumSquares / samples); }

    double worst = 0;
    double sumSquares = 0;
    int samples = 0;
};

// What the formats hold, they give back closely: blocks decoded from random
// bytes re-encode to blocks whose pixels stay within a 5:6:5 step or two
// (the error diffusion spreads rounding) and keep their alphas.
TEST(BlockRoundTrip, DecodedBlocksReencodeWithinTheFormatsPrecision)
{
    std::mt19937 random(5);
    ErrorStats colour;
    for (int n = 0; n < 3000; ++n) {
        BYTE source[16];
        for (BYTE& b : source)
            b = static_cast<BYTE>(random());
        if (source[8] + 256 * source[9] <= source[10] + 256 * source[11])
            std::swap(source[8], source[10]), std::swap(source[9], source[11]);
        PixelBlock original;
        DecodeBlockDXT3(original.data(), source);
        const PixelBlock again = RoundTrip(EncodeBlockDXT3, DecodeBlockDXT3, original);
        for (int i = 0; i < 16; ++i) {
            ASSERT_EQ(again[i].a, original[i].a);
            for (float d : {again[i].r - original[i].r, again[i].g - original[i].g, again[i].b - original[i].b})
                colour.Add(d);
        }
    }
    EXPECT_LT(colour.Rms(), 0.03);
    EXPECT_LT(colour.worst, 0.2);
}

// Gradients across a whole block (seven levels per channel between two
// random colours) against a four-colour and an eight-alpha ramp, with the
// rounding spread by error diffusion: measured 0.035 and 0.018.
TEST(BlockRoundTrip, SmoothBlocksStayClose)
{
    std::mt19937 random(9);
    ErrorStats colour, alpha;
    for (int n = 0; n < 2000; ++n) {
        PixelBlock pixels = MakeSample(SampleKind::Gradient, random);
        const PixelBlock decoded = RoundTrip(EncodeBlockDXT5, DecodeBlockDXT5, pixels);
        for (int i = 0; i < 16; ++i) {
            for (float d : {decoded[i].r - pixels[i].r, decoded[i].g - pixels[i].g, decoded[i].b - pixels[i].b})
                colour.Add(d);
            alpha.Add(decoded[i].a - pixels[i].a);
        }
    }
    EXPECT_LT(colour.Rms(), 0.04);
    EXPECT_LT(alpha.Rms(), 0.02);
}

// Infinities and NaNs: no code outside its field, the same bytes every
// time, and decoded pixels that are ordinary numbers.
TEST(BlockEncoders, NonFiniteInputsGiveValidBlocks)
{
    const float specials[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(), 1e30f, -1e30f, 2.0f, -0.5f};
    HRESULT (*encoders[])(BYTE*, const FloatColor*) = {EncodeBlockDXT1, EncodeBlockDXT2, EncodeBlockDXT3,
                                                        EncodeBlockDXT4, EncodeBlockDXT5};
    HRESULT (*decoders[])(FloatColor*, const BYTE*) = {DecodeBlockDXT1, DecodeBlockDXT2, DecodeBlockDXT3,
                                                        DecodeBlockDXT4, DecodeBlockDXT5};
    std::mt19937 random(13);
    for (int n = 0; n < 400; ++n) {
        PixelBlock pixels = MakeAnySample(random);
        int count = 1 + static_cast<int>(random() % 16);
        for (int k = 0; k < count; ++k)
            (&pixels[random() % 16].r)[random() % 4] = specials[random() % std::size(specials)];
        for (int f = 0; f < 5; ++f) {
            BYTE first[16], second[16];
            encoders[f](first, pixels.data());
            encoders[f](second, pixels.data());
            ASSERT_EQ(std::memcmp(first, second, f == 0 ? 8 : 16), 0);
            FloatColor decoded[16];
            decoders[f](decoded, first);
            for (const FloatColor& c : decoded)
                for (float v : {c.r, c.g, c.b, c.a})
                    ASSERT_TRUE(v >= 0.0f && v <= 1.0f);
        }
    }
}

} // namespace
