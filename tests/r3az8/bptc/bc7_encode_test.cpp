// The BC7 encoder against our decoder: every mode and level writes blocks
// whose error is the one the encoder reports, opaque stays exactly opaque,
// one colour is exact, cut blocks do no worse than replicated ones, and the
// bytes do not depend on how the blocks are handed over, nor change unseen.
#include "r3az8/tex/bptc/bc7_encode.h"
#include "r3az8/tex/bptc/bptc_block.h"
#include "r3az8/tex/pixel_formats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <thread>

namespace {

using Block = std::vector<FloatColor>;

// The kinds of block the encoder meets, each with the largest RMS error
// (0..255 per channel, over all four channels) any level may leave on it.
struct BlockKind {
    const char* name;
    Block (*make)(std::mt19937&);
    float rmsBound;
};

float Unit(std::mt19937& random) { return static_cast<float>(random() % 256) / 255.0f; }

const BlockKind kKinds[] = {
    {"flat",
     [](std::mt19937& r) {
         return Block(16, FloatColor{Unit(r), Unit(r), Unit(r), 1.0f});
     },
     0.01f},
    {"gradient",
     [](std::mt19937&) {
         Block b(16);
         for (unsigned i = 0; i < 16; ++i)
             b[i] = {0.1f + 0.05f * static_cast<float>(i), 0.8f - 0.04f * static_cast<float>(i), 0.5f, 1.0f};
         return b;
     },
     3.0f},
    {"two colours",
     [](std::mt19937& r) {
         const FloatColor a{Unit(r), Unit(r), Unit(r), 1.0f}, b{Unit(r), Unit(r), Unit(r), 1.0f};
         Block out(16);
         for (unsigned i = 0; i < 16; ++i)
             out[i] = (i % 4 < 2) ? a : b;
         return out;
     },
     2.0f},
    {"noisy",
     [](std::mt19937& r) {
         Block b(16);
         for (FloatColor& c : b)
             c = {Unit(r), Unit(r), Unit(r), 1.0f};
         return b;
     },
     80.0f},
    {"alpha ramp",
     [](std::mt19937& r) {
         Block b(16);
         const float red = Unit(r);
         for (unsigned i = 0; i < 16; ++i)
             b[i] = {red, 0.5f, 0.25f, static_cast<float>(i) / 15.0f};
         return b;
     },
     4.0f},
};

const BlockQuality kLevels[] = {BlockQuality::Fast, BlockQuality::Normal, BlockQuality::High};

unsigned ModeOf(const BYTE* block)
{
    unsigned mode = 0;
    while (mode < 8 && ((block[0] >> mode) & 1u) == 0)
        ++mode;
    return mode;
}

float RmsError(const Block& wanted, const FloatColor* decoded)
{
    float sum = 0.0f;
    for (unsigned i = 0; i < 16; ++i)
        for (unsigned c = 0; c < 4; ++c) {
            const float e = ((&decoded[i].r)[c] - (&wanted[i].r)[c]) * 255.0f;
            sum += e * e;
        }
    return std::sqrt(sum / 64.0f);
}

// Squared error over all four channels, 0..255 each, as the encoder counts
// it with uniform weights.
double SquaredError(const Block& wanted, const FloatColor* decoded)
{
    double sum = 0.0;
    for (unsigned i = 0; i < 16; ++i)
        for (unsigned c = 0; c < 4; ++c) {
            const double e = ((&decoded[i].r)[c] - (&wanted[i].r)[c]) * 255.0;
            sum += e * e;
        }
    return sum;
}

// A forced mode writes that mode, and the error every fit reports is that
// of the block it writes.
TEST(Bc7Encoder, EveryModeAndLevelWritesTheErrorItReports)
{
    std::mt19937 random(77);
    for (const BlockKind& kind : kKinds)
        for (int mode = -1; mode < 8; ++mode)
            for (BlockQuality level : kLevels) {
                SCOPED_TRACE(::testing::Message()
                             << kind.name << ", mode " << mode << ", level " << static_cast<int>(level));
                const Block pixels = kind.make(random);
                bptc::Bc7Request request;
                request.quality = level;
                request.weighting = ColorWeighting::Uniform;
                request.onlyMode = mode;
                BYTE block[16];
                FloatColor decoded[16];
                const float error = bptc::EncodeBlockBC7(block, pixels.data(), nullptr, request, nullptr);
                DecodeBlockBC7(decoded, block);
                if (mode >= 0) {
                    EXPECT_EQ(ModeOf(block), static_cast<unsigned>(mode));
                }
                const double wanted = SquaredError(pixels, decoded);
                EXPECT_NEAR(error, wanted, 1e-3 * wanted + 1e-2);
                // A forced mode may be a poor one; the search may not.
                if (mode < 0) {
                    EXPECT_LE(RmsError(pixels, decoded), kind.rmsBound);
                }
            }
}

// The search drops candidates part-way once they cannot win; the block it
// returns must still be a whole one, its error that of its colours.
TEST(Bc7Encoder, TheErrorGivenIsThatOfTheBlockWritten)
{
    std::mt19937 random(31);
    for (const BlockKind& kind : kKinds)
        for (BlockQuality level : kLevels)
            for (unsigned trial = 0; trial < 4; ++trial) {
                SCOPED_TRACE(::testing::Message()
                             << kind.name << ", level " << static_cast<int>(level) << ", trial " << trial);
                const Block pixels = kind.make(random);
                bptc::Bc7Request request;
                request.quality = level;
                request.weighting = ColorWeighting::Uniform;
                BYTE block[16];
                FloatColor predicted[16];
                const float error = bptc::EncodeBlockBC7(block, pixels.data(), nullptr, request, predicted);
                double wanted = 0.0;
                for (unsigned i = 0; i < 16; ++i)
                    for (unsigned c = 0; c < 4; ++c) {
                        const double e = ((&predicted[i].r)[c] - (&pixels[i].r)[c]) * 255.0;
                        wanted += e * e;
                    }
                EXPECT_NEAR(error, wanted, 1e-3 * wanted + 1e-2);
            }
}

TEST(Bc7Encoder, OpaqueStaysOpaqueAndOneColourIsExact)
{
    std::mt19937 random(5);
    const struct {
        const char* name;
        bool flat;
        float alpha;
    } cases[] = {
        {"opaque noise", false, 1.0f},
        {"opaque flat", true, 1.0f},
        {"flat with alpha", true, 0.4f},
        {"flat transparent", true, 0.0f},
    };
    for (const auto& c : cases)
        for (int round = 0; round < 8; ++round)
            for (int mode = -1; mode < 8; ++mode)
                for (BlockQuality level : kLevels) {
                    SCOPED_TRACE(::testing::Message()
                                 << c.name << ", mode " << mode << ", level " << static_cast<int>(level));
                    Block pixels(16, FloatColor{Unit(random), Unit(random), Unit(random), c.alpha});
                    if (!c.flat)
                        for (FloatColor& p : pixels)
                            p = {Unit(random), Unit(random), Unit(random), c.alpha};
                    bptc::Bc7Request request;
                    request.quality = level;
                    request.onlyMode = mode;
                    BYTE block[16];
                    FloatColor decoded[16];
                    bptc::EncodeBlockBC7(block, pixels.data(), nullptr, request, nullptr);
                    DecodeBlockBC7(decoded, block);
                    for (unsigned i = 0; i < 16; ++i) {
                        if (c.alpha == 1.0f) {
                            ASSERT_EQ(decoded[i].a, 1.0f) << "pixel " << i;
                        }
                        for (unsigned ch = 0; c.flat && mode < 0 && ch < 4; ++ch) {
                            ASSERT_EQ(std::lround((&decoded[i].r)[ch] * 255.0f),
                                      std::lround((&pixels[i].r)[ch] * 255.0f))
                                << "pixel " << i << ", channel " << ch;
                        }
                    }
                }
}

// Squared error of the image's own pixels in the blocks of a 4-row strip.
double StripError(const std::vector<BYTE>& blocks, const std::vector<FloatColor>& image, UINT width, UINT height)
{
    double sum = 0.0;
    for (UINT column = 0; column < (width + 3) / 4; ++column) {
        FloatColor decoded[16];
        DecodeBlockBC7(decoded, blocks.data() + 16 * column);
        for (UINT i = 0; i < 16; ++i) {
            const UINT x = column * 4 + i % 4, y = i / 4;
            if (x >= width || y >= height)
                continue;
            for (unsigned c = 0; c < 4; ++c) {
                const double e = (&decoded[i].r)[c] - (&image[y * width + x].r)[c];
                sum += e * e;
            }
        }
    }
    return sum;
}

TEST(Bc7Encoder, CutBlocksAreNoWorseThanReplicatedOnes)
{
    std::mt19937 random(31);
    const struct {
        UINT width, height;
    } sizes[] = {{1, 1}, {2, 3}, {5, 2}, {7, 3}, {3, 4}};
    for (const auto& size : sizes)
        for (BlockQuality level : kLevels) {
            SCOPED_TRACE(::testing::Message()
                         << size.width << "x" << size.height << ", level " << static_cast<int>(level));
            std::vector<FloatColor> image(size.width * size.height);
            for (FloatColor& p : image)
                p = {Unit(random), Unit(random), Unit(random), random() % 2 ? 1.0f : Unit(random)};
            const UINT columns = (size.width + 3) / 4;
            std::vector<BYTE> cut(16 * columns), replicated(16 * columns);
            QualityOptions options;
            options.quality = level;
            ASSERT_EQ(EncodeQualityImage(FMT_BC7, cut.data(), 16 * columns, image.data(), size.width, size.width,
                                         size.height, options),
                      S_OK);
            std::vector<FloatColor> blocks(16 * columns);
            for (UINT i = 0; i < blocks.size(); ++i) {
                const UINT x = (i / 16) * 4 + i % 4, y = (i % 16) / 4;
                blocks[i] = image[std::min(y, size.height - 1) * size.width + std::min(x, size.width - 1)];
            }
            ASSERT_EQ(EncodeQualityBlocks(FMT_BC7, replicated.data(), blocks.data(), nullptr, columns, options), S_OK);
            EXPECT_LE(StripError(cut, image, size.width, size.height),
                      StripError(replicated, image, size.width, size.height));
        }
}

TEST(Bc7Encoder, SameBytesWholeInPiecesAndOnTwoThreads)
{
    std::mt19937 random(2026);
    constexpr UINT kCount = 40;
    std::vector<FloatColor> pixels(16 * kCount);
    for (UINT k = 0; k < kCount; ++k) {
        const Block b = kKinds[k % std::size(kKinds)].make(random);
        std::copy(b.begin(), b.end(), pixels.begin() + 16 * k);
    }
    std::vector<BYTE> mask(pixels.size());
    for (BYTE& m : mask)
        m = random() % 4 != 0;
    for (BlockQuality level : kLevels)
        for (ColorWeighting weighting : {ColorWeighting::Perceptual, ColorWeighting::Uniform})
            for (const BYTE* covered : {static_cast<const BYTE*>(nullptr), static_cast<const BYTE*>(mask.data())}) {
                QualityOptions options;
                options.quality = level;
                options.weighting = weighting;
                std::vector<BYTE> whole(16 * kCount), pieces(16 * kCount), threaded(16 * kCount);
                ASSERT_EQ(EncodeQualityBlocks(FMT_BC7, whole.data(), pixels.data(), covered, kCount, options), S_OK);
                for (UINT k = 0; k < kCount; k += 3) {
                    const UINT n = std::min(3u, kCount - k);
                    EncodeQualityBlocks(FMT_BC7, pieces.data() + 16 * k, pixels.data() + 16 * k,
                                        covered ? covered + 16 * k : nullptr, n, options);
                }
                auto half = [&](UINT from, UINT to) {
                    EncodeQualityBlocks(FMT_BC7, threaded.data() + 16 * from, pixels.data() + 16 * from,
                                        covered ? covered + 16 * from : nullptr, to - from, options);
                };
                std::thread other(half, 0u, kCount / 2);
                half(kCount / 2, kCount);
                other.join();
                EXPECT_EQ(whole, pieces);
                EXPECT_EQ(whole, threaded);
            }
    // Formats it does not write are refused.
    BYTE block[16];
    EXPECT_EQ(EncodeQualityBlocksBC7(D3DFMT_DXT1, block, pixels.data(), nullptr, 1, QualityOptions{}), E_FAIL);
    EXPECT_EQ(EncodeBlocksBC7(FMT_BC6H_UF16, block, pixels.data(), 1), E_FAIL);
}

// A few fixed blocks and the bytes each level writes for them. A change to
// the search that changes its output shows here, to be accepted on purpose
// (with the images' figures measured again); the same bytes are expected
// with vector kernels on and off, and in the sanitizer build.
TEST(Bc7Encoder, FixedBlocksKeepTheirBytes)
{
    const char* kWanted[][3] = {
        // fast, normal, high
        {"204322bf0f83fdffafaaaaaa00000000", "204322bf0f83fdffafaaaaaa00000000",
         "204322bf0f83fdffafaaaaaa00000000"}, // flat
        {"c0869aacf9fdfeff1132547698badcfe", "c0869aacf9fdfeff1132547698badcfe",
         "4006db9cf9fdfeff1132547698badcfe"}, // gradient
        {"40a0d7a18d50feff01ff00ff00ff00ff", "40a0d7a18d50feff01ff00ff00ff00ff",
         "08007f5f6fa3b1dd4a2214caafaaaaaa"}, // two colours
        {"363ff2d8ec252664a3a93c04bd75a4e0", "7b6dde8309478b5c666bc8007c7df6e8",
         "043b599ea5aa569928826fc41fe09aea"}, // noisy
        {"c00402f8037d047d1132547698badcfe", "c00402f8037d007f1132547698badcfe",
         "c00402f8037d007f1132547698badcfe"}, // alpha ramp
    };
    std::mt19937 random(2024);
    std::vector<Block> blocks;
    for (const BlockKind& kind : kKinds)
        blocks.push_back(kind.make(random));
    ASSERT_EQ(blocks.size(), std::size(kWanted));
    for (unsigned b = 0; b < blocks.size(); ++b)
        for (unsigned level = 0; level < 3; ++level) {
            bptc::Bc7Request request;
            request.quality = kLevels[level];
            BYTE block[16];
            bptc::EncodeBlockBC7(block, blocks[b].data(), nullptr, request, nullptr);
            char hex[33];
            for (unsigned i = 0; i < 16; ++i)
                std::snprintf(hex + 2 * i, 3, "%02x", block[i]);
            EXPECT_STREQ(hex, kWanted[b][level]) << "block " << b << ", level " << level;
        }
}

} // namespace
