// The quality encoder: the same bytes in every lane width, pinned bytes per
// level and format, single colours as near as any block can decode them,
// uncovered pixels that do not pull the fit, and BC4/BC5 round trips.
#include "r3az8/tex/codecs/block_formats.h"
#include "r3az8/tex/cpu.h"
#include "r3az8/tex/dxt/block_lanes.h"
#include "r3az8/tex/dxt/quality.h"
#include "tests/r3az8/dxt/block_samples.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

// The formats the lane kernels write for the quality encoder, from the
// block format table.
const std::vector<D3DFORMAT> QualityFormats = [] {
    std::vector<D3DFORMAT> formats;
    for (const BlockFormat& row : kBlockFormats)
        if (row.qualityEncoder == EncodeQualityLanes)
            formats.push_back(row.format);
    return formats;
}();

QualityOptions Options(BlockQuality quality, ColorWeighting weighting = ColorWeighting::Perceptual)
{
    QualityOptions options;
    options.quality = quality;
    options.weighting = weighting;
    return options;
}

std::vector<BYTE> Encode(D3DFORMAT format, const std::vector<FloatColor>& pixels, const BYTE* covered,
                         const QualityOptions& options)
{
    const UINT count = static_cast<UINT>(pixels.size() / 16);
    std::vector<BYTE> bytes(std::size_t{count} * QualityBlockBytes(format));
    EXPECT_EQ(EncodeQualityBlocks(format, bytes.data(), pixels.data(), covered, count, options), S_OK);
    return bytes;
}

std::vector<FloatColor> Decode(D3DFORMAT format, const BYTE* block)
{
    std::vector<FloatColor> pixels(16);
    FindBlockFormat(format)->decode(pixels.data(), block);
    return pixels;
}

// Squared 8-bit error of the colour channels of the covered pixels.
double CoveredError(const FloatColor* original, const FloatColor* decoded, const BYTE* covered)
{
    double sum = 0;
    for (int i = 0; i < 16; ++i)
        if (covered[i])
            for (int c = 0; c < 3; ++c) {
                const double d = 255.0 * ((&decoded[i].r)[c] - (&original[i].r)[c]);
                sum += d * d;
            }
    return sum;
}

TEST(QualityLanes, EveryWidthGivesTheOneLaneBytes)
{
    using Encoder = HRESULT (*)(D3DFORMAT, BYTE*, const FloatColor*, const BYTE*, UINT, BlockQuality,
                                const float*, const float*);
    const struct {
        Encoder encode;
        InstructionSet needs;
    } flavours[] = {{block_lanes_portable::EncodeQualityBlocks, InstructionSet::Plain},
                    {block_lanes_avx2::EncodeQualityBlocks, InstructionSet::Avx2}};
    const float weightSets[2][3] = {{0.299f, 0.587f, 0.114f}, {1.0f, 1.0f, 1.0f}};
    std::mt19937 random(1207);
    for (const auto& flavour : flavours) {
        if (!ProcessorSupports(flavour.needs))
            continue;
        for (D3DFORMAT format : QualityFormats)
            for (BlockQuality level : {BlockQuality::Normal, BlockQuality::High})
                for (const auto& weights : weightSets) {
                    const float scales[3] = {std::sqrt(weights[0]), std::sqrt(weights[1]), std::sqrt(weights[2])};
                    // More blocks than are encoded together, ending in a
                    // partial group of lanes; the blocks that want the later
                    // fits are gathered across groups. The last ones are
                    // opaque, so whole groups have exact alpha ramps.
                    constexpr UINT Count = 137;
                    std::vector<FloatColor> pixels = RandomBlocks(random, Count, true);
                    for (std::size_t i = 16 * 100; i < pixels.size(); ++i)
                        pixels[i].a = 1.0f;
                    std::vector<BYTE> covered(pixels.size());
                    for (BYTE& c : covered)
                        c = random() % 5 != 0;
                    const UINT bytes = QualityBlockBytes(format);
                    std::vector<BYTE> lanes(Count * bytes), one(Count * bytes);
                    ASSERT_EQ(flavour.encode(format, lanes.data(), pixels.data(), covered.data(), Count, level, weights,
                                             scales),
                              S_OK);
                    for (UINT k = 0; k < Count; ++k)
                        block_one::EncodeQualityBlocks(format, one.data() + k * bytes, pixels.data() + 16 * k,
                                                       covered.data() + 16 * k, 1, level, weights, scales);
                    ASSERT_EQ(lanes, one) << std::hex << format << std::dec << (level == BlockQuality::High ? " high" : " normal");
                }
    }
}

// FNV-1a of the bytes of 48 sample blocks, for each level and format.
TEST(QualityGolden, BytesPerLevelAndFormatAreFixed)
{
    const struct {
        D3DFORMAT format;
        BlockQuality quality;
        uint64_t hash;
    } expected[] = {
        {D3DFMT_DXT1, BlockQuality::Normal, 7073333151285890123ull},
        {D3DFMT_DXT1, BlockQuality::High, 7073333151285890123ull},
        {D3DFMT_DXT2, BlockQuality::Normal, 11712995812756431259ull},
        {D3DFMT_DXT2, BlockQuality::High, 9271947548842799985ull},
        {D3DFMT_DXT3, BlockQuality::Normal, 3468378946401331299ull},
        {D3DFMT_DXT3, BlockQuality::High, 11152625131883110322ull},
        {D3DFMT_DXT4, BlockQuality::Normal, 6741809723437827901ull},
        {D3DFMT_DXT4, BlockQuality::High, 4428959236157425453ull},
        {D3DFMT_DXT5, BlockQuality::Normal, 5103971794013452149ull},
        {D3DFMT_DXT5, BlockQuality::High, 14481721673472781978ull},
        {D3DFMT_BC4, BlockQuality::Normal, 13472654296727159239ull},
        {D3DFMT_BC4, BlockQuality::High, 3887396462045087526ull},
        {D3DFMT_BC5, BlockQuality::Normal, 9786489720846329571ull},
        {D3DFMT_BC5, BlockQuality::High, 3743223639557246890ull},
    };
    std::mt19937 random(20261207);
    const std::vector<FloatColor> pixels = RandomBlocks(random, 48, false);
    for (const auto& entry : expected) {
        uint64_t hash = 14695981039346656037ull;
        for (BYTE b : Encode(entry.format, pixels, nullptr, Options(entry.quality)))
            hash = (hash ^ b) * 1099511628211ull;
        EXPECT_EQ(hash, entry.hash) << std::hex << entry.format << " level " << static_cast<int>(entry.quality);
    }
}

// A block of one colour decodes to the nearest colour any endpoint pair can
// give, found by decoding every pair of every channel with our decoder
// (DXT1: both modes; DXT5's colour half: four colours or equal words).
TEST(QualityFlatBlocks, DecodeToTheNearestColourAnyBlockGives)
{
    const int shifts[3] = {11, 5, 0};
    const int tops[3] = {31, 63, 31};
    for (D3DFORMAT format : {D3DFMT_DXT1, D3DFMT_DXT5}) {
        const UINT colourAt = format == D3DFMT_DXT1 ? 0 : 8;
        for (int c = 0; c < 3; ++c) {
            std::vector<float> reachable;
            for (int e0 = 0; e0 <= tops[c]; ++e0)
                for (int e1 = 0; e1 <= tops[c]; ++e1) {
                    if (format != D3DFMT_DXT1 && e0 < e1)
                        continue;
                    BYTE block[16] = {};
                    block[colourAt] = static_cast<BYTE>(e0 << shifts[c]);
                    block[colourAt + 1] = static_cast<BYTE>((e0 << shifts[c]) >> 8);
                    block[colourAt + 2] = static_cast<BYTE>(e1 << shifts[c]);
                    block[colourAt + 3] = static_cast<BYTE>((e1 << shifts[c]) >> 8);
                    block[colourAt + 4] = 0xE4; // pixels 0..3 take codes 0, 1, 2, 3
                    const std::vector<FloatColor> decoded = Decode(format, block);
                    for (int i = 0; i < (e0 > e1 || format != D3DFMT_DXT1 ? 4 : 3); ++i)
                        reachable.push_back(255.0f * (&decoded[i].r)[c]);
                }
            for (int v = 0; v < 256; ++v) {
                float nearest = 1e9f;
                for (float value : reachable)
                    nearest = std::min(nearest, std::fabs(value - static_cast<float>(v)));
                FloatColor colour = {0.0f, 0.0f, 0.0f, 1.0f};
                (&colour.r)[c] = static_cast<float>(v) / 255.0f;
                for (BlockQuality quality : {BlockQuality::Normal, BlockQuality::High}) {
                    const std::vector<BYTE> bytes =
                        Encode(format, std::vector<FloatColor>(16, colour), nullptr, Options(quality));
                    for (const FloatColor& pixel : Decode(format, bytes.data())) {
                        ASSERT_LE(std::fabs(255.0f * (&pixel.r)[c] - static_cast<float>(v)), nearest + 1e-3f)
                            << "channel " << c << ", value " << v;
                        ASSERT_EQ(pixel.r + pixel.g + pixel.b, (&pixel.r)[c]) << "channel " << c << ", value " << v;
                    }
                }
            }
        }
    }
}

// Partial blocks: the covered pixels of blocks cut by the image's edge come
// out no worse than when the block is filled by repeating the edge pixels.
TEST(QualityEdgeBlocks, UncoveredPixelsDoNotPullTheFit)
{
    std::mt19937 random(5);
    for (BlockQuality quality : {BlockQuality::Normal, BlockQuality::High}) {
        double withCoverage = 0, withReplication = 0;
        for (int n = 0; n < 200; ++n) {
            const UINT width = 1 + random() % 3, height = 1 + random() % 4;
            std::vector<FloatColor> block = RandomBlocks(random, 1, false);
            std::vector<BYTE> covered(16);
            for (UINT i = 0; i < 16; ++i) {
                covered[i] = i % 4 < width && i / 4 < height;
                // What the image holds beyond its edge: the nearest edge pixel.
                block[i] = block[std::min(i / 4, height - 1) * 4 + std::min(i % 4, width - 1)];
                block[i].a = 1.0f;
            }
            for (const bool cover : {true, false}) {
                const std::vector<BYTE> bytes =
                    Encode(D3DFMT_DXT1, block, cover ? covered.data() : nullptr, Options(quality));
                (cover ? withCoverage : withReplication) +=
                    CoveredError(block.data(), Decode(D3DFMT_DXT1, bytes.data()).data(), covered.data());
            }
        }
        EXPECT_LT(withCoverage, withReplication) << "level " << static_cast<int>(quality);
    }

    // Whole images whose sides cut blocks: every cut block codes the
    // image's own pixels no worse than the image padded by replication.
    for (int n = 0; n < 12; ++n) {
        const UINT width = 5 + random() % 7, height = 5 + random() % 7, padded = (width + 3) / 4 * 4;
        const std::vector<FloatColor> noise = RandomBlocks(random, width * height / 16 + 1, false);
        std::vector<FloatColor> image(width * height), extended(padded * ((height + 3) / 4 * 4));
        for (UINT i = 0; i < image.size(); ++i)
            image[i] = {noise[i].r, noise[i].g, noise[i].b, 1.0f};
        for (UINT y = 0; y < extended.size() / padded; ++y)
            for (UINT x = 0; x < padded; ++x)
                extended[y * padded + x] = image[std::min(y, height - 1) * width + std::min(x, width - 1)];
        for (BlockQuality quality : {BlockQuality::Normal, BlockQuality::High}) {
            std::vector<BYTE> cut(extended.size() / 2), whole(extended.size() / 2);
            const UINT pitch = padded / 4 * 8;
            ASSERT_EQ(EncodeQualityImage(D3DFMT_DXT1, cut.data(), pitch, image.data(), width, width, height,
                                         Options(quality)),
                      S_OK);
            ASSERT_EQ(EncodeQualityImage(D3DFMT_DXT1, whole.data(), pitch, extended.data(), padded, padded,
                                         static_cast<UINT>(extended.size() / padded), Options(quality)),
                      S_OK);
            for (UINT k = 0; k < cut.size() / 8; ++k) {
                const UINT bx = k % (padded / 4) * 4, by = k / (padded / 4) * 4;
                std::vector<FloatColor> own(16);
                std::vector<BYTE> inside(16);
                for (UINT i = 0; i < 16; ++i) {
                    own[i] = extended[(by + i / 4) * padded + bx + i % 4];
                    inside[i] = bx + i % 4 < width && by + i / 4 < height;
                }
                EXPECT_LE(CoveredError(own.data(), Decode(D3DFMT_DXT1, cut.data() + 8 * k).data(), inside.data()),
                          CoveredError(own.data(), Decode(D3DFMT_DXT1, whole.data() + 8 * k).data(), inside.data()) +
                              1e-9)
                    << width << "x" << height << " block " << k;
            }
        }
    }

    // A 7x5 vertical gradient: its partial blocks hold few enough rows to
    // be coded nearly exactly.
    std::vector<FloatColor> image(35);
    for (UINT i = 0; i < 35; ++i)
        image[i] = {static_cast<float>(i / 7) * 0.2f, 0.5f, 1.0f - static_cast<float>(i / 7) * 0.2f, 1.0f};
    BYTE blocks[2 * 2 * 8];
    ASSERT_EQ(EncodeQualityImage(D3DFMT_DXT1, blocks, 16, image.data(), 7, 7, 5, Options(BlockQuality::Normal)), S_OK);
    double sum = 0;
    for (UINT y = 0; y < 5; ++y)
        for (UINT x = 0; x < 7; ++x) {
            const std::vector<FloatColor> decoded = Decode(D3DFMT_DXT1, blocks + (y / 4) * 16 + (x / 4) * 8);
            const FloatColor& p = decoded[(y % 4) * 4 + x % 4];
            const FloatColor& o = image[y * 7 + x];
            for (int c = 0; c < 3; ++c)
                sum += std::pow(255.0 * ((&p.r)[c] - (&o.r)[c]), 2);
        }
    EXPECT_LT(std::sqrt(sum / (3 * 35)), 2.0);
}

// BC4 holds red, BC5 red and green; flat values come back exactly, others
// within a few 8-bit steps, and the channels they lack read 0 (alpha 1).
TEST(QualityChannelBlocks, RoundTripRedAndGreen)
{
    for (D3DFORMAT format : {D3DFMT_BC4, D3DFMT_BC5}) {
        const int channels = format == D3DFMT_BC4 ? 1 : 2;
        for (int v = 0; v < 256; ++v) {
            const float value = static_cast<float>(v) / 255.0f;
            const std::vector<BYTE> bytes =
                Encode(format, std::vector<FloatColor>(16, {value, 1.0f - value, 0.5f, 0.25f}), nullptr,
                       Options(BlockQuality::Normal));
            const FloatColor pixel = Decode(format, bytes.data())[7];
            ASSERT_NEAR(pixel.r, value, 1e-6f) << v;
            ASSERT_NEAR(pixel.g, channels == 2 ? 1.0f - value : 0.0f, 1e-6f) << v;
            ASSERT_EQ(pixel.b, 0.0f);
            ASSERT_EQ(pixel.a, 1.0f);
        }
        std::mt19937 random(77);
        const std::vector<FloatColor> pixels = RandomBlocks(random, 64, false);
        const std::vector<BYTE> bytes = Encode(format, pixels, nullptr, Options(BlockQuality::High));
        double sum = 0;
        for (UINT k = 0; k < 64; ++k) {
            const std::vector<FloatColor> decoded = Decode(format, bytes.data() + k * QualityBlockBytes(format));
            for (UINT i = 0; i < 16; ++i)
                for (int c = 0; c < channels; ++c)
                    sum += std::pow(255.0 * ((&decoded[i].r)[c] - (&pixels[16 * k + i].r)[c]), 2);
        }
        EXPECT_LT(std::sqrt(sum / (64 * 16 * channels)), 6.0) << std::hex << format;
    }
}

TEST(QualityEncoder, RefusesOtherFormatsAndFastKeepsTheFixedBytes)
{
    std::mt19937 random(3);
    const std::vector<FloatColor> pixels = RandomBlocks(random, 9, false);
    BYTE block[16];
    EXPECT_EQ(EncodeQualityBlocks(D3DFMT_A8R8G8B8, block, pixels.data(), nullptr, 1, QualityOptions{}), E_FAIL);
    std::vector<BYTE> fixed(9 * 16);
    ASSERT_EQ(EncodeBlocks(D3DFMT_DXT5, fixed.data(), pixels.data(), 9), S_OK);
    EXPECT_EQ(Encode(D3DFMT_DXT5, pixels, nullptr, Options(BlockQuality::Fast)), fixed);
}

} // namespace
