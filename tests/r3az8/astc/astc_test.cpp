#include "tests/support/texture_files_support.h"

#include "r3az8/tex/astc/astc_formats.h"
#include "r3az8/tex/convert/convert_pipeline.h"
#include "r3az8/tex/convert/library_operations.h"
#include "r3az8/tex/files/dds_writer.h"
#include "r3az8/tex/texture/texture_error.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace r3az8tex {
namespace {

using namespace testing;

// Root mean square difference of red, green and blue (and alpha when
// asked) over level 0 of two A8R8G8B8 pictures of one size.
double Rmse(const TextureImage& a, const TextureImage& b, bool withAlpha)
{
    const std::vector<BYTE>& x = a.Surface(0, 0);
    const std::vector<BYTE>& y = b.Surface(0, 0);
    double sum = 0;
    size_t count = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        if (i % 4 == 3 && !withAlpha)
            continue;
        const double d = double(x[i]) - double(y[i]);
        sum += d * d;
        ++count;
    }
    return std::sqrt(sum / double(count));
}

TextureImage Encode(const TextureImage& picture, const char* format, WorkPool& pool, uint32_t mips = 1,
                    BlockQuality quality = BlockQuality::Normal)
{
    const std::optional<FormatRequest> request = ParseFormatName(format);
    EXPECT_TRUE(request) << format;
    ConvertSettings settings;
    settings.format = request->format;
    settings.colourSpace = request->colourSpace;
    settings.mips = mips;
    settings.quality = quality;
    return ConvertTexture(picture, settings, pool);
}

TextureImage Decoded(const TextureImage& blocks)
{
    return ConvertLevels(blocks, D3DFMT_A8R8G8B8, blocks.levels, LoadOptions{});
}

// Each footprint's level holds one 16-byte block per footprint, partial
// ones at the edges whole; the formats of the catalogue keep their sizes.
TEST(AstcFormats, LevelsHoldWholeBlocksOfTheFootprint)
{
    struct Case {
        D3DFORMAT format;
        uint32_t width, height;
        uint32_t rowPitch, rowCount;
    };
    const Case cases[] = {
        {FMT_ASTC_6X6, 13, 7, 3 * 16, 2},  {FMT_ASTC_4X4, 16, 16, 4 * 16, 4}, {FMT_ASTC_12X12, 1, 1, 16, 1},
        {FMT_ASTC_10X5, 13, 7, 2 * 16, 2}, {FMT_ASTC_5X4, 5, 5, 16, 2},       {FMT_ASTC_12X10, 25, 30, 3 * 16, 3},
        {D3DFMT_DXT1, 13, 7, 4 * 8, 2},    {D3DFMT_YUY2, 5, 3, 3 * 4, 3},     {D3DFMT_A8R8G8B8, 5, 3, 20, 3},
    };
    for (const Case& c : cases) {
        const LevelLayout layout = DescribeLevel(*FindFormat(c.format), c.width, c.height, 1);
        EXPECT_EQ(layout.rowPitch, c.rowPitch) << FormatName(c.format) << " " << c.width << "x" << c.height;
        EXPECT_EQ(layout.rowCount, c.rowCount) << FormatName(c.format) << " " << c.width << "x" << c.height;
    }
}

TEST(AstcFormats, NamesParseInEveryForm)
{
    struct Case {
        const char* name;
        D3DFORMAT format; // D3DFMT_UNKNOWN: refused
        ColourSpace colourSpace;
    };
    const Case cases[] = {
        {"astc4x4", FMT_ASTC_4X4, ColourSpace::Unspecified},
        {"ASTC10X8", FMT_ASTC_10X8, ColourSpace::Unspecified},
        {"astc_6x6_srgb", FMT_ASTC_6X6, ColourSpace::Srgb},
        {"ASTC_12X12_UNORM", FMT_ASTC_12X12, ColourSpace::Unspecified},
        {"astc_4x4", FMT_ASTC_4X4, ColourSpace::Unspecified},
        {"astc8x5_srgb", FMT_ASTC_8X5, ColourSpace::Srgb},
        {"d3dfmt_astc5x5", FMT_ASTC_5X5, ColourSpace::Unspecified},
        {"astc3x3", D3DFMT_UNKNOWN, ColourSpace::Unspecified},
        {"astc_4x4_snorm", D3DFMT_UNKNOWN, ColourSpace::Unspecified},
        {"astc_6x6_float", D3DFMT_UNKNOWN, ColourSpace::Unspecified},
        {"astc4x4_float", FMT_ASTC_4X4_F, ColourSpace::Unspecified},
        {"ASTC_6x6_SFLOAT", FMT_ASTC_6X6_F, ColourSpace::Unspecified},
        {"astc_8x8_sfloat_srgb", D3DFMT_UNKNOWN, ColourSpace::Unspecified},
        {"astc12x10_float_srgb", D3DFMT_UNKNOWN, ColourSpace::Unspecified},
        {"astc4x4x4", D3DFMT_UNKNOWN, ColourSpace::Unspecified},
        {"astc_", D3DFMT_UNKNOWN, ColourSpace::Unspecified},
    };
    for (const Case& c : cases) {
        const std::optional<FormatRequest> request = ParseFormatName(c.name);
        if (c.format == D3DFMT_UNKNOWN) {
            EXPECT_FALSE(request) << c.name;
            continue;
        }
        ASSERT_TRUE(request) << c.name;
        EXPECT_EQ(request->format->format, c.format) << c.name;
        EXPECT_EQ(request->colourSpace, c.colourSpace) << c.name;
    }
}

// Blocks made through the pipeline decode back near the picture: a wrong
// channel order, profile or footprint shows as a large error (red and
// blue exchanged: above 70). The bounds sit a third above what libastcenc
// reaches on these pictures; the checkered blue of the test picture is
// hard on the large footprints.
TEST(AstcRoundTrip, FootprintsAndProfilesDecodeNearTheSource)
{
    struct Case {
        const char* format;
        bool solid; // one colour: every footprint holds it within a step
        BlockQuality quality;
        double rgbBound;
        double rgbaBound;
    };
    const Case cases[] = {
        {"astc4x4", false, BlockQuality::Normal, 3.0, 3.5},    {"astc_4x4_srgb", false, BlockQuality::Fast, 3.0, 3.5},
        {"astc6x6", false, BlockQuality::Normal, 11.0, 11.0},  {"astc8x5_srgb", false, BlockQuality::Normal, 8.0, 8.0},
        {"astc12x12", false, BlockQuality::Fast, 33.0, 33.0},  {"astc10x6", true, BlockQuality::Normal, 1.0, 1.0},
        {"astc_5x4_srgb", true, BlockQuality::High, 1.0, 1.0},
    };
    WorkPool pool(2);
    const TextureImage smooth = TestPicture(37, 21);
    const TextureImage solid = MakePicture(19, 11, [](uint32_t, uint32_t) { return 0xC0336699u; });
    for (const Case& c : cases) {
        const TextureImage& picture = c.solid ? solid : smooth;
        const TextureImage blocks = Encode(picture, c.format, pool);
        EXPECT_EQ(blocks.Surface(0, 0).size(), blocks.Level(0).bytes) << c.format;
        const TextureImage back = Decoded(blocks);
        EXPECT_LE(Rmse(picture, back, false), c.rgbBound) << c.format;
        EXPECT_LE(Rmse(picture, back, true), c.rgbaBound) << c.format;
    }
}

// A float picture of light up to 32 (and down to 1/64): the HDR forms keep
// the values above 1 and decode within a small error in log2 terms, which
// is how light is judged; the plain name chooses the HDR form for it.
TEST(AstcRoundTrip, HdrFormsKeepLightAboveOne)
{
    constexpr uint32_t kWidth = 29, kHeight = 19;
    TextureImage picture = MakeTexture(FMT_A32B32G32R32F, TextureKind::Flat, kWidth, kHeight, 1, 1);
    std::vector<float> values(size_t(kWidth) * kHeight * 4);
    for (uint32_t y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < kWidth; ++x) {
            float* pixel = &values[(size_t(y) * kWidth + x) * 4];
            pixel[0] = std::exp2(-6.0f + 11.0f * float(x) / float(kWidth - 1)); // 1/64 .. 32
            pixel[1] = std::exp2(-2.0f + 5.0f * float(y) / float(kHeight - 1)); // 1/4 .. 8
            pixel[2] = 0.5f;
            pixel[3] = 1.0f;
        }
    std::memcpy(picture.Surface(0, 0).data(), values.data(), picture.Surface(0, 0).size());

    struct Case {
        const char* name;
        D3DFORMAT format;
        double log2Bound; // RMS of log2(decoded / source) over red, green, blue, a third above libastcenc's
    };
    const Case cases[] = {
        {"astc_4x4", FMT_ASTC_4X4_F, 0.04},
        {"astc4x4_float", FMT_ASTC_4X4_F, 0.04},
        {"astc_6x6_sfloat", FMT_ASTC_6X6_F, 0.06},
    };
    WorkPool pool(2);
    for (const Case& c : cases) {
        const std::optional<FormatRequest> request = ParseFormatName(c.name);
        ASSERT_TRUE(request) << c.name;
        ConvertSettings settings;
        settings.format = request->format;
        settings.signFromSource = request->signFromInput;
        settings.mips = 1;
        const TextureImage blocks = ConvertTexture(picture, settings, pool);
        ASSERT_EQ(blocks.format, c.format) << c.name;
        const TextureImage back = ConvertLevels(blocks, FMT_A32B32G32R32F, 1, LoadOptions{});
        std::vector<float> decoded(values.size());
        ASSERT_EQ(back.Surface(0, 0).size(), decoded.size() * sizeof(float)) << c.name;
        std::memcpy(decoded.data(), back.Surface(0, 0).data(), back.Surface(0, 0).size());
        double sum = 0, brightest = 0;
        for (size_t i = 0; i < values.size(); ++i) {
            if (i % 4 == 3)
                continue;
            const double ratio = std::log2(std::max(double(decoded[i]), 1e-6) / double(values[i]));
            sum += ratio * ratio;
            brightest = std::max(brightest, double(decoded[i]));
        }
        EXPECT_LE(std::sqrt(sum / double(values.size() / 4 * 3)), c.log2Bound) << c.name;
        EXPECT_GT(brightest, 24.0) << c.name;
    }
    // An 8-bit input, or a name that asks for sRGB, keeps the LDR form.
    ConvertSettings settings;
    settings.format = ParseFormatName("astc4x4")->format;
    settings.signFromSource = true;
    EXPECT_EQ(ResolveOutputFormat(TestPicture(8, 8), settings), FMT_ASTC_4X4);
    EXPECT_FALSE(ParseFormatName("astc4x4_srgb")->signFromInput);
}

// A volume's slices are blocks of the 2D footprint, one slice after
// another: each decodes back near its own picture.
TEST(AstcRoundTrip, VolumeSlicesAreEncodedOneByOne)
{
    WorkPool pool(2);
    TextureImage volume = MakeTexture(D3DFMT_A8R8G8B8, TextureKind::Volume, 9, 7, 3, 1);
    for (uint32_t slice = 0; slice < 3; ++slice) {
        const TextureImage picture = MakePicture(9, 7, [slice](uint32_t x, uint32_t y) {
            return 0xFF000000u | (slice * 100) << 16 | (x * 20) << 8 | y * 30;
        });
        std::copy(picture.Surface(0, 0).begin(), picture.Surface(0, 0).end(),
                  volume.Surface(0, 0).begin() + slice * volume.Level(0).slicePitch);
    }
    const TextureImage blocks = Encode(volume, "astc5x5", pool);
    EXPECT_EQ(blocks.Surface(0, 0).size(), size_t(2 * 2 * 3 * 16));
    const TextureImage back = Decoded(blocks);
    EXPECT_LE(Rmse(volume, back, true), 3.0);
}

// One context is shared by every thread of the pool; the blocks must not
// depend on how many there are, at every level of a chain.
TEST(AstcEncoder, ThreadCountLeavesTheBlocksAlone)
{
    const TextureImage picture = TestPicture(71, 45);
    for (const char* format : {"astc4x4", "astc6x6_srgb", "astc5x4_float"}) {
        WorkPool one(1), two(2);
        const TextureImage alone = Encode(picture, format, one, 0);
        const TextureImage shared = Encode(picture, format, two, 0);
        EXPECT_EQ(alone.levels, 7u);
        EXPECT_EQ(alone.surfaces, shared.surfaces) << format;
    }
}

// --weights perceptual reaches libastcenc as channel weights: the blocks
// change, and the error weighed that way comes out no worse.
TEST(AstcEncoder, PerceptualWeightsLowerTheWeighedError)
{
    WorkPool pool(2);
    const TextureImage colours = TestPicture(40, 24);
    const TextureImage picture =
        MakePicture(40, 24, [&colours](uint32_t x, uint32_t y) { return PixelAt(colours, 0, 0, x, y) | 0xFF000000u; });
    ConvertSettings settings;
    settings.format = FindFormat(FMT_ASTC_8X8);
    settings.mips = 1;
    const TextureImage uniform = ConvertTexture(picture, settings, pool);
    settings.weights = ErrorWeights::Perceptual;
    const TextureImage perceptual = ConvertTexture(picture, settings, pool);
    EXPECT_NE(perceptual.Surface(0, 0), uniform.Surface(0, 0));
    auto weighedError = [&picture](const TextureImage& blocks) {
        constexpr double kWeights[4] = {0.114, 0.587, 0.299, 1.0}; // in A8R8G8B8's byte order
        const TextureImage decoded = Decoded(blocks);
        const std::vector<BYTE>& back = decoded.Surface(0, 0);
        double sum = 0;
        for (size_t i = 0; i < back.size(); ++i) {
            const double d = double(back[i]) - double(picture.Surface(0, 0)[i]);
            sum += kWeights[i % 4] * d * d;
        }
        return sum;
    };
    EXPECT_LE(weighedError(perceptual), weighedError(uniform));
}

// ASTC blocks the request leaves as they are pass through; a new chain
// keeps them as its top level.
TEST(AstcConversion, BlocksAlreadyInTheFormatAreKept)
{
    WorkPool pool(2);
    const TextureImage blocks = Encode(TestPicture(24, 16), "astc6x6", pool);
    ConvertSettings same;
    same.format = FindFormat(FMT_ASTC_6X6);
    const TextureImage copy = ConvertTexture(blocks, same, pool);
    EXPECT_EQ(copy.surfaces, blocks.surfaces);
    same.mips = 0;
    const TextureImage chain = ConvertTexture(blocks, same, pool);
    EXPECT_EQ(chain.levels, 5u);
    EXPECT_EQ(chain.Surface(0, 0), blocks.Surface(0, 0));
    // Into another format, by way of the decoded pixels.
    ConvertSettings other;
    other.format = FindFormat(D3DFMT_A8R8G8B8);
    EXPECT_EQ(ConvertTexture(blocks, other, pool).Surface(0, 0), Decoded(blocks).Surface(0, 0));
}

// Blocks a file may hold that break the format (an all-zero block's mode
// is reserved) decode to the error colour, opaque magenta, in both
// profiles.
TEST(AstcDecoder, BrokenBlocksDecodeToMagenta)
{
    for (ColourSpace space : {ColourSpace::Unspecified, ColourSpace::Srgb}) {
        TextureImage blocks = MakeTexture(FMT_ASTC_5X5, TextureKind::Flat, 7, 3, 1, 1);
        blocks.colourSpace = space;
        const TextureImage back = Decoded(blocks);
        for (uint32_t y = 0; y < 3; ++y)
            for (uint32_t x = 0; x < 7; ++x)
                EXPECT_EQ(PixelAt(back, 0, 0, x, y), 0xFFFF00FFu) << x << "," << y;
    }
}

TEST(AstcFormats, DdsRefusesThemWithTheReason)
{
    const TextureImage blocks = MakeTexture(FMT_ASTC_8X8, TextureKind::Flat, 16, 16, 1, 1);
    try {
        dds::Write(blocks);
        FAIL() << "written";
    } catch (const TextureError& error) {
        EXPECT_EQ(error.Code(), ErrorKind::Unsupported);
        EXPECT_STREQ(error.what(), "astc8x8 is written to KTX2 only: DDS has no ASTC format");
    }
}

} // namespace
} // namespace r3az8tex
