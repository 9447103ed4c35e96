// The palette formats: lookup on reading, nearest entry on writing.
#include "tests/r3az8/codecs/codec_support.h"
#include "r3az8/tex/codecs/palette_kernels.h"
#include "r3az8/tex/cpu.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <random>

namespace {

// The rule the writers follow, written out plainly: squared distance summed
// in channel order, a strictly smaller distance replaces the best so far.
BYTE ReferenceNearest(const PALETTEENTRY* palette, const FloatColor& c, bool withAlpha)
{
    float best = FLT_MAX;
    BYTE index = 0;
    for (int i = 0; i < 256; ++i) {
        const float r = palette[i].peRed * 0.003921569f, g = palette[i].peGreen * 0.003921569f;
        const float b = palette[i].peBlue * 0.003921569f, a = palette[i].peFlags * 0.003921569f;
        float d = (c.r - r) * (c.r - r) + (c.g - g) * (c.g - g);
        d = d + (c.b - b) * (c.b - b);
        if (withAlpha)
            d = d + (c.a - a) * (c.a - a);
        if (d < best) {
            best = d;
            index = static_cast<BYTE>(i);
        }
    }
    return index;
}

std::vector<PALETTEENTRY> DistinctPalette()
{
    std::vector<PALETTEENTRY> palette(256);
    for (int i = 0; i < 256; ++i)
        palette[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>((i * 37) & 255),
                      static_cast<BYTE>((i * 91) & 255)};
    return palette;
}

// Every entry `fill` but the given ones.
std::vector<PALETTEENTRY> Palette(PALETTEENTRY fill, std::initializer_list<std::pair<int, PALETTEENTRY>> entries)
{
    std::vector<PALETTEENTRY> palette(256, fill);
    for (const auto& [index, entry] : entries)
        palette[index] = entry;
    return palette;
}

TEST(PaletteCodecs, WithoutPaletteEveryIndexReadsOpaqueWhite)
{
    MemoryImage p8(D3DFMT_P8, 1, 256);
    for (UINT x = 0; x < 256; ++x)
        p8.Set<BYTE>(x, 0, 0, static_cast<BYTE>(x));
    CodecPointer codec = MakeCodec(p8.Describe());
    ASSERT_TRUE(codec->Paletted);
    std::vector<FloatColor> row(256);
    codec->ReadRow(0, 0, row.data());
    for (const FloatColor& c : row) {
        EXPECT_EQ(c.r, 1.0f);
        EXPECT_EQ(c.g, 1.0f);
        EXPECT_EQ(c.b, 1.0f);
        EXPECT_EQ(c.a, 1.0f);
    }
}

TEST(PaletteCodecs, A8P8ReplacesTheEntrysAlphaWithItsOwn)
{
    auto palette = DistinctPalette();
    MemoryImage image(D3DFMT_A8P8, 2, 1);
    image.palette = palette.data();
    image.Set<WORD>(0, 0, 0, 0x4005);
    CodecPointer codec = MakeCodec(image.Describe());
    FloatColor c;
    codec->ReadRow(0, 0, &c);
    EXPECT_EQ(c.r, 5 * 0.003921569f);
    EXPECT_EQ(c.g, 250 * 0.003921569f);
    EXPECT_EQ(c.a, 0x40 * 0.003921569f);
}

TEST(PaletteCodecs, ExactEntryIsFoundAndTiesGoToTheLowerIndex)
{
    auto palette = Palette({10, 20, 30, 255},
                           {{7, {200, 100, 50, 255}}, {9, {200, 100, 50, 255}}, {12, {0, 0, 0, 0}}, {14, {0, 0, 0, 0}}});
    const FloatColor color = {200 * 0.003921569f, 100 * 0.003921569f, 50 * 0.003921569f, 1.0f};
    const FloatColor clear = {0.0f, 0.0f, 0.0f, 0.0f};
    for (D3DFORMAT format : {D3DFMT_P8, D3DFMT_A8P8}) {
        const UINT bytes = format == D3DFMT_P8 ? 1 : 2;
        MemoryImage image(format, bytes, 2);
        image.palette = palette.data();
        CodecPointer codec = MakeCodec(image.Describe());
        const FloatColor row[2] = {color, clear};
        codec->WriteRow(0, 0, row);
        EXPECT_EQ(image.bytes[0], 7) << format;
        EXPECT_EQ(image.bytes[bytes], 12) << format;
    }
}

// P8 compares alpha too; A8P8 stores alpha on its own and ignores the
// entries' alpha.
TEST(PaletteCodecs, AlphaTakesPartOnlyForP8)
{
    auto palette = Palette({0, 0, 0, 0}, {{1, {255, 255, 255, 0}}, {2, {250, 250, 250, 255}}});
    const FloatColor opaqueWhite = {1.0f, 1.0f, 1.0f, 1.0f};

    MemoryImage p8(D3DFMT_P8, 1, 1);
    p8.palette = palette.data();
    MakeCodec(p8.Describe())->WriteRow(0, 0, &opaqueWhite);
    EXPECT_EQ(p8.bytes[0], 2);

    MemoryImage a8p8(D3DFMT_A8P8, 2, 1);
    a8p8.palette = palette.data();
    MakeCodec(a8p8.Describe())->WriteRow(0, 0, &opaqueWhite);
    EXPECT_EQ(a8p8.Get<WORD>(0), 0xFF01);
}

TEST(PaletteCodecs, EveryIndexRoundTripsUnderADistinctPalette)
{
    auto palette = DistinctPalette();
    MemoryImage p8(D3DFMT_P8, 1, 256), p8Out(D3DFMT_P8, 1, 256);
    MemoryImage a8p8(D3DFMT_A8P8, 2, 65536), a8p8Out(D3DFMT_A8P8, 2, 65536);
    for (MemoryImage* image : {&p8, &p8Out, &a8p8, &a8p8Out})
        image->palette = palette.data();
    for (UINT x = 0; x < 256; ++x)
        p8.Set<BYTE>(x, 0, 0, static_cast<BYTE>(x));
    for (UINT x = 0; x < 65536; ++x)
        a8p8.Set<WORD>(x, 0, 0, static_cast<WORD>(x));
    std::vector<FloatColor> row(65536);
    MakeCodec(p8.Describe())->ReadRow(0, 0, row.data());
    MakeCodec(p8Out.Describe())->WriteRow(0, 0, row.data());
    EXPECT_EQ(0, std::memcmp(p8.bytes.data(), p8Out.bytes.data(), 256));
    MakeCodec(a8p8.Describe())->ReadRow(0, 0, row.data());
    MakeCodec(a8p8Out.Describe())->WriteRow(0, 0, row.data());
    EXPECT_EQ(0, std::memcmp(a8p8.bytes.data(), a8p8Out.bytes.data(), 2 * 65536));
}

// The writers' search (vectorised, cached) picks the same entry as the plain
// rule for random colours, repeated colours, colours exactly between entries
// and values that are not finite.
TEST(PaletteSearch, MatchesThePlainRuleBitForBit)
{
    std::mt19937 random(1234);
    for (int round = 0; round < 6; ++round) {
        std::vector<PALETTEENTRY> palette(256);
        for (PALETTEENTRY& entry : palette) {
            // Few distinct levels, so ties are common; some rounds have
            // many duplicate entries.
            const int levels = round % 2 == 0 ? 4 : 256;
            entry = {static_cast<BYTE>(random() % levels * (255 / (levels - 1))),
                     static_cast<BYTE>(random() % levels * (255 / (levels - 1))),
                     static_cast<BYTE>(random() % levels * (255 / (levels - 1))),
                     static_cast<BYTE>(random() % levels * (255 / (levels - 1)))};
        }
        std::vector<FloatColor> colors;
        std::uniform_real_distribution<float> unit(-0.2f, 1.2f);
        for (int i = 0; i < 3000; ++i) {
            FloatColor c = {unit(random), unit(random), unit(random), unit(random)};
            if (i % 3 == 0) // exactly half way between two levels
                c = {(random() % 7) / 6.0f, (random() % 7) / 6.0f, (random() % 7) / 6.0f, (random() % 3) / 2.0f};
            colors.push_back(c);
            if (i % 5 == 0)
                colors.push_back(c); // repeated: answered from the cache
        }
        const float inf = INFINITY;
        colors.push_back({NAN, 0.0f, 0.0f, 0.0f});
        colors.push_back({inf, 0.0f, 0.0f, 1.0f});
        colors.push_back({1e20f, -1e20f, 0.0f, 1.0f});
        colors.push_back({-0.0f, 0.0f, -0.0f, 0.0f});

        const UINT width = static_cast<UINT>(colors.size());
        MemoryImage p8(D3DFMT_P8, 1, width);
        MemoryImage a8p8(D3DFMT_A8P8, 2, width);
        p8.palette = palette.data();
        a8p8.palette = palette.data();
        MakeCodec(p8.Describe())->WriteRow(0, 0, colors.data());
        MakeCodec(a8p8.Describe())->WriteRow(0, 0, colors.data());
        for (UINT x = 0; x < width; ++x) {
            ASSERT_EQ(p8.bytes[x], ReferenceNearest(palette.data(), colors[x], true)) << round << ":" << x;
            ASSERT_EQ(a8p8.bytes[2 * x], ReferenceNearest(palette.data(), colors[x], false)) << round << ":" << x;
        }
    }
}

TEST(PaletteCodecs, P8IgnoresDitheringA8P8DithersItsAlpha)
{
    auto palette = Palette({0, 0, 0, 0}, {{1, {128, 128, 128, 128}}});
    MemoryImage p8(D3DFMT_P8, 1, 4, 4);
    MemoryImage a8p8(D3DFMT_A8P8, 2, 4, 4);
    p8.palette = a8p8.palette = palette.data();
    p8.dither = a8p8.dither = 1;
    const float half = 0.5f;
    const FloatColor row[4] = {{half, half, half, half}, {half, half, half, half}, {half, half, half, half},
                               {half, half, half, half}};
    CodecPointer p8Codec = MakeCodec(p8.Describe());
    CodecPointer a8p8Codec = MakeCodec(a8p8.Describe());
    for (UINT y = 0; y < 4; ++y) {
        p8Codec->WriteRow(y, 0, row);
        a8p8Codec->WriteRow(y, 0, row);
    }
    constexpr int kMatrix[4][4] = {{15, 7, 13, 5}, {3, 11, 1, 9}, {12, 4, 14, 6}, {0, 8, 2, 10}};
    for (UINT y = 0; y < 4; ++y) {
        for (UINT x = 0; x < 4; ++x) {
            EXPECT_EQ(p8.Get<BYTE>(x, y), 1);
            EXPECT_EQ(a8p8.Get<WORD>(x, y), (kMatrix[y][x] >= 8 ? 0x8000 : 0x7F00) | 1);
        }
    }
}

} // namespace

namespace {

// The AVX2 scan against the portable one, over random palettes with many
// ties and colours inside, outside and between the entries.
TEST(PaletteKernels, Avx2MatchesPortableBitForBit)
{
    if (!ProcessorSupports(InstructionSet::Avx2))
        GTEST_SKIP() << "processor without AVX2";
    const PaletteKernels portable = PortablePaletteKernels();
    const PaletteKernels avx2 = Avx2PaletteKernels();
    std::mt19937 random(99);
    std::uniform_real_distribution<float> wide(-0.5f, 1.5f);
    for (int round = 0; round < 40; ++round) {
        PlanarPalette palette;
        const int levels = 2 + round % 5;
        for (int i = 0; i < 256; ++i) {
            palette.red[i] = static_cast<float>(random() % levels) / (levels - 1);
            palette.green[i] = static_cast<float>(random() % levels) / (levels - 1);
            palette.blue[i] = static_cast<float>(random() % levels) / (levels - 1);
            palette.alpha[i] = static_cast<float>(random() % levels) / (levels - 1);
        }
        for (int sample = 0; sample < 500; ++sample) {
            FloatColor color = {wide(random), wide(random), wide(random), wide(random)};
            if (sample % 2 == 0)
                color = {palette.red[random() % 256], palette.green[random() % 256], palette.blue[random() % 256],
                         palette.alpha[random() % 256]};
            ASSERT_EQ(portable.colorAndAlpha(palette, color), avx2.colorAndAlpha(palette, color));
            ASSERT_EQ(portable.colorOnly(palette, color), avx2.colorOnly(palette, color));
        }
    }
}

} // namespace
