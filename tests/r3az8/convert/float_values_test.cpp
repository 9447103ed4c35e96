// Float textures through the pipeline: mips keep values beyond 1 and never
// carry NaN, infinities or unstorable negatives from the source (which are
// replaced first, with one warning line); the HDR figures of a known pair;
// the value range of a float texture.
#include "r3az8/tex/compare/hdr_difference.h"
#include "r3az8/tex/compare/value_range.h"
#include "r3az8/tex/convert/convert_pipeline.h"
#include "r3az8/tex/convert/library_operations.h"
#include "r3az8/tex/files/warnings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace r3az8tex {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

// A w x h A32B32G32R32F picture of value(x, y) in red, green and blue, alpha 1.
template <typename Value>
TextureImage FloatPicture(uint32_t width, uint32_t height, Value value)
{
    TextureImage picture = MakeTexture(FMT_A32B32G32R32F, TextureKind::Flat, width, height, 1, 1);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const float v = value(x, y);
            const float pixel[4] = {v, v, v, 1.0f};
            std::memcpy(picture.Surface(0, 0).data() + (size_t(y) * width + x) * sizeof pixel, pixel, sizeof pixel);
        }
    return picture;
}

TEST(FloatMips, ValuesBeyondOneSurviveAndBadValuesAreReplacedOnce)
{
    // Mostly 4.0, with a NaN, an infinity and a negative value.
    const TextureImage sky = FloatPicture(8, 8, [](uint32_t x, uint32_t y) {
        return x == 1 && y == 2 ? kNaN : x == 5 && y == 5 ? kInfinity : x == 6 && y == 0 ? -2.0f : 4.0f;
    });
    struct Case {
        const char* format;
        D3DFORMAT output;
        uint64_t replaced; // red, green and blue of each; the negative value too where the output stores none
    };
    const Case cases[] = {
        {"a16b16g16r16f", FMT_A16B16G16R16F, 6},
        {"a32b32g32r32f", FMT_A32B32G32R32F, 6},
        {"r11g11b10_float", FMT_R11G11B10F, 9},
    };
    WorkPool pool(2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        std::vector<std::string> warnings;
        const WarningDestination collect([&warnings](const std::string& line) { warnings.push_back(line); });
        ConvertSettings settings;
        settings.format = FindFormat(c.output);
        settings.mips = 0;
        settings.sourceName = "sky.exr";
        const TextureImage result = ConvertTexture(sky, settings, pool);
        ASSERT_EQ(result.levels, 4u);
        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_EQ(warnings[0].rfind("sky.exr: warning: " + std::to_string(c.replaced) + " float values", 0), 0u)
            << warnings[0];
        const TextureImage decoded = ConvertLevels(result, FMT_A32B32G32R32F, result.levels, LoadOptions{});
        for (uint32_t level = 0; level < decoded.levels; ++level) {
            const std::vector<BYTE>& surface = decoded.Surface(0, level);
            for (size_t at = 0; at < surface.size(); at += 4) {
                float value;
                std::memcpy(&value, surface.data() + at, 4);
                ASSERT_TRUE(std::isfinite(value)) << "level " << level;
                if (c.replaced == 9) {
                    ASSERT_GE(value, 0.0f) << "level " << level;
                }
            }
        }
        // The 1x1 level is the average: far above 1, not clamped to it.
        float top[4];
        std::memcpy(top, decoded.Surface(0, 3).data(), sizeof top);
        EXPECT_GT(top[0], 3.0f);
    }
}

// Values above 1 that the output clips are said once, by count and
// format; outputs that keep them say nothing.
TEST(FloatMips, ValuesAboveOneClippedByTheOutputAreSaid)
{
    const TextureImage sky = FloatPicture(8, 8, [](uint32_t x, uint32_t y) { return x == 0 && y == 0 ? 0.5f : 2.0f; });
    struct Case {
        D3DFORMAT output;
        const char* warning; // empty: none
    };
    const Case cases[] = {
        {D3DFMT_DXT1, "sky.exr: warning: 189 float values above 1 clipped to 1: dxt1 stores 0..1"},
        {D3DFMT_A8R8G8B8, "sky.exr: warning: 189 float values above 1 clipped to 1: a8r8g8b8 stores 0..1"},
        {FMT_ASTC_4X4, "sky.exr: warning: 189 float values above 1 clipped to 1: astc4x4 stores 0..1"},
        {FMT_A16B16G16R16F, ""},
        {FMT_BC6H_UF16, ""},
    };
    WorkPool pool(2);
    for (const Case& c : cases) {
        SCOPED_TRACE(FindFormat(c.output)->name);
        std::vector<std::string> warnings;
        const WarningDestination collect([&warnings](const std::string& line) { warnings.push_back(line); });
        ConvertSettings settings;
        settings.format = FindFormat(c.output);
        settings.sourceName = "sky.exr";
        ConvertTexture(sky, settings, pool);
        if (*c.warning == 0) {
            EXPECT_TRUE(warnings.empty()) << warnings[0];
            continue;
        }
        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_EQ(warnings[0].rfind(c.warning, 0), 0u) << warnings[0];
    }
}

TEST(HdrDifference, FiguresOfKnownPairs)
{
    struct Case {
        const char* what;
        float first[2], second[2];
        double log2Rmse, toneMappedPsnr;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        // log2 differs by 1 in half the samples: sqrt(1/2). Tone-mapped
        // (x/(1+x))^(1/2.2): 0.72974 and 0.83168, differing by 0.101944 in half.
        {"one stop apart", {1, 4}, {2, 4}, std::sqrt(0.5), 22.843043},
        // log2 of each side floored alike; the tone curve still tells 2^-16
        // (0.0064668) from 0.
        {"below the floor", {0, -3}, {1.0f / 65536, 0}, 0, 46.796541},
        {"equal", {5, 0.5f}, {5, 0.5f}, 0, inf},
        // Two stops apart: log2 differs by 2 in half the samples.
        {"bright values unclamped", {100, 1}, {400, 1}, std::sqrt(2.0), 52.436173},
    };
    WorkPool pool(2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TextureImage a = FloatPicture(2, 1, [&c](uint32_t x, uint32_t) { return c.first[x]; });
        const TextureImage b = FloatPicture(2, 1, [&c](uint32_t x, uint32_t) { return c.second[x]; });
        const std::vector<HdrLevelDifference> d = CompareHdrTextures(a, b, pool);
        ASSERT_EQ(d.size(), 1u);
        for (const HdrChannelError& e : d[0].channels) {
            EXPECT_NEAR(e.log2Rmse, c.log2Rmse, 1e-6);
            if (std::isinf(c.toneMappedPsnr))
                EXPECT_TRUE(std::isinf(e.toneMappedPsnr));
            else
                EXPECT_NEAR(e.toneMappedPsnr, c.toneMappedPsnr, 0.01);
        }
    }
}

TEST(ValueRanges, LeastLargestAndUnusableValuesAreCounted)
{
    const TextureImage sky = FloatPicture(4, 2, [](uint32_t x, uint32_t y) {
        return x == 0 && y == 0 ? kNaN : x == 1 && y == 1 ? -kInfinity : float(x) * 10.0f - float(y) * 0.5f;
    });
    const ValueRange range = MeasureValueRange(sky);
    EXPECT_EQ(range.notANumber, 3u); // red, green and blue
    EXPECT_EQ(range.infinite, 3u);
    EXPECT_EQ(range.least, -0.5);    // (0, 1)
    EXPECT_EQ(range.largest, 30.0);  // (3, 0)
    // The same values as halves, read as stored.
    const TextureImage halves = ConvertLevels(sky, FMT_A16B16G16R16F, 1, LoadOptions{});
    const ValueRange halfRange = MeasureValueRange(halves);
    EXPECT_EQ(halfRange.least, -0.5);
    EXPECT_EQ(halfRange.largest, 30.0);
}

} // namespace
} // namespace r3az8tex
