// BC6H through the conversion pipeline: values beyond 1 (and below 0, for
// the signed form) reach the encoder unclamped, at every level and with
// mips, and the blocks are the same on one thread and on two.
#include "r3az8/tex/bptc/bptc_block.h"
#include "r3az8/tex/convert/convert_pipeline.h"
#include "r3az8/tex/convert/convert_textures.h"
#include "r3az8/tex/convert/work_pool.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace r3az8tex {
namespace {

constexpr uint32_t kSide = 36; // blocks cut at the edges

// A sky of 32-bit floats: a sun of 500 on a ramp over eight stops, and in
// the signed case a green below 0 on the left four columns of blocks.
TextureImage Sky(bool withNegatives)
{
    TextureImage texture = MakeTexture(FMT_A32B32G32R32F, TextureKind::Flat, kSide, kSide, 1, 1);
    float* p = reinterpret_cast<float*>(texture.Surface(0, 0).data());
    for (uint32_t y = 0; y < kSide; ++y)
        for (uint32_t x = 0; x < kSide; ++x, p += 4) {
            const float ramp = std::exp2(8.0f * float(x + y) / float(2 * kSide) - 3.0f);
            const bool sun = (x - 20) * (x - 20) + (y - 9) * (y - 9) < 16;
            const float value[4] = {sun ? 500.0f : ramp, sun ? 480.0f : ramp * 0.8f, sun ? 400.0f : ramp * 1.5f, 1.0f};
            std::memcpy(p, value, sizeof value);
            if (withNegatives && x < 16)
                p[1] = -p[1];
        }
    return texture;
}

// The RMS log2 error of the decoded level 0 against the sky; signs must
// match.
double Log2Error(const TextureImage& sky, const TextureImage& blocks, bool isSigned)
{
    const float* wanted = reinterpret_cast<const float*>(sky.Surface(0, 0).data());
    const BYTE* bytes = blocks.Surface(0, 0).data();
    const uint32_t across = (kSide + 3) / 4;
    double sum = 0.0;
    for (uint32_t by = 0; by < across; ++by)
        for (uint32_t bx = 0; bx < across; ++bx) {
            FloatColor decoded[16];
            (isSigned ? DecodeBlockBC6HSigned : DecodeBlockBC6HUnsigned)(decoded, bytes + 16 * (by * across + bx));
            for (uint32_t p = 0; p < 16; ++p) {
                const uint32_t x = bx * 4 + p % 4, y = by * 4 + p / 4;
                if (x >= kSide || y >= kSide)
                    continue;
                for (uint32_t c = 0; c < 3; ++c) {
                    const float a = wanted[4 * (y * kSide + x) + c], b = (&decoded[p].r)[c];
                    if ((a < 0.0f) != (b < 0.0f))
                        return 1e9;
                    const double d = std::log2(std::fabs(a)) - std::log2(std::fabs(b));
                    sum += d * d;
                }
            }
        }
    return std::sqrt(sum / (3.0 * kSide * kSide));
}

TEST(Bc6hConversion, HdrValuesArriveWholeAndThreadsDoNotChangeTheBlocks)
{
    for (const char* name : {"bc6h_uf16", "bc6h_sf16"})
        for (BlockQuality quality : {BlockQuality::Fast, BlockQuality::Normal, BlockQuality::High}) {
            const bool isSigned = std::string(name) == "bc6h_sf16";
            const TextureImage sky = Sky(isSigned);
            ConvertSettings settings;
            settings.format = FindFormatByName(name);
            settings.quality = quality;
            settings.mips = 0;
            WorkPool one(1), two(2);
            const TextureImage alone = ConvertTexture(sky, settings, one);
            const TextureImage shared = ConvertTexture(sky, settings, two);
            const std::string label = std::string(name) + " level " + std::to_string(int(quality));
            ASSERT_EQ(alone.format, settings.format->format) << label;
            EXPECT_EQ(alone.levels, 6u) << label;
            EXPECT_EQ(alone.surfaces, shared.surfaces) << label;
            // Clamped to 0..1 the sun alone would be 9 stops off.
            EXPECT_LT(Log2Error(sky, alone, isSigned), 0.1) << label;
        }
}

// The form bc6h alone resolves to follows the input's negative values, in
// one texture and across layers (one negative layer signs them all); the
// named forms stay as named.
TEST(Bc6hConversion, UnnamedFormIsSignedOnlyForNegativeInput)
{
    struct Case {
        const char* name;
        std::vector<bool> layersWithNegatives;
        D3DFORMAT expected;
    };
    const Case cases[] = {
        {"bc6h", {false}, FMT_BC6H_UF16},          {"bc6h", {true}, FMT_BC6H_SF16},
        {"BC6H", {false, true}, FMT_BC6H_SF16},    {"bc6h", {false, false}, FMT_BC6H_UF16},
        {"bc6h_uf16", {true}, FMT_BC6H_UF16},      {"bc6h_sf16", {false}, FMT_BC6H_SF16},
        {"bc6h_uf16", {false, true}, FMT_BC6H_UF16},
    };
    WorkPool pool(1);
    for (const Case& c : cases) {
        const std::optional<FormatRequest> request = ParseFormatName(c.name);
        ASSERT_TRUE(request) << c.name;
        ConvertSettings settings;
        settings.format = request->format;
        settings.signFromSource = request->signFromInput;
        settings.quality = BlockQuality::Fast;
        std::vector<TextureImage> layers;
        for (bool negatives : c.layersWithNegatives)
            layers.push_back(Sky(negatives));
        ConvertLayers(layers, settings, pool);
        for (const TextureImage& layer : layers)
            EXPECT_EQ(layer.format, c.expected) << c.name << " with " << c.layersWithNegatives.size() << " layer(s)";
    }
}

} // namespace
} // namespace r3az8tex
