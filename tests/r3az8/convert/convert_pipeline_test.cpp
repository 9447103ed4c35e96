// The conversion pipeline in-process, against the real texture library on
// the software device.
#include "tests/support/dds_test_support.h"
#include "tests/support/texture_files_support.h"

#include "r3az8/tex/convert/convert_pipeline.h"
#include "r3az8/tex/convert/library_operations.h"
#include "r3az8/tex/texture/texture_error.h"

#include <cmath>
#include <cstring>

namespace r3az8tex {
namespace {

using namespace testing;

ErrorKind RefusalOf(const TextureImage& source, const ConvertSettings& settings)
{
    WorkPool pool(1);
    try {
        ConvertTexture(source, settings, pool);
    } catch (const TextureError& error) {
        return error.Code();
    }
    return kNoError;
}

// Columns alternating black and white.
TextureImage Stripes(uint32_t size)
{
    return MakePicture(size, size, [](uint32_t x, uint32_t) { return x % 2 ? 0xFFFFFFFFu : 0xFF000000u; });
}

TEST(GammaCorrectMips, StripesAverageInLinearLight)
{
    WorkPool pool(2);
    ConvertSettings settings;
    settings.mips = 0;
    const TextureImage linearLight = ConvertTexture(Stripes(8), settings, pool);
    ASSERT_EQ(linearLight.levels, 4u);
    // Half the light of white is sRGB 0.7354, code 188.
    for (uint32_t level = 1; level < 4; ++level) {
        const uint32_t pixel = PixelAt(linearLight, 0, level, 0, 0);
        EXPECT_NEAR(int(pixel & 0xFF), 188, 1) << "level " << level;
        EXPECT_EQ(pixel >> 24, 0xFFu) << "alpha is filtered as stored";
    }
    // Level 0 keeps its exact values.
    EXPECT_EQ(PixelAt(linearLight, 0, 0, 0, 0), 0xFF000000u);
    EXPECT_EQ(PixelAt(linearLight, 0, 0, 1, 0), 0xFFFFFFFFu);

    settings.mipSpace = MipSpace::Stored;
    const TextureImage stored = ConvertTexture(Stripes(8), settings, pool);
    EXPECT_EQ(PixelAt(stored, 0, 1, 0, 0) & 0xFF, 128u);
}

TEST(GammaCorrectMips, NormalMapsAndDataAreFilteredAsStored)
{
    WorkPool pool(1);
    ConvertSettings settings;
    settings.mips = 2;
    settings.format = FindFormatByName("v8u8");
    // Signed output: vectors, not colour; the stripes average to the middle.
    const TextureImage vectors = ConvertTexture(Stripes(4), settings, pool);
    const TextureImage back = ConvertLevels(vectors, D3DFMT_A8R8G8B8, 2, LoadOptions{});
    EXPECT_NEAR(int(PixelAt(back, 0, 1, 0, 0) >> 16 & 0xFF), 128, 1);
}

TEST(ConvertPipeline, PlainConversionsKeepEveryByte)
{
    WorkPool pool(1);
    const TextureImage picture = TestPicture(33, 17);
    ConvertSettings settings;
    EXPECT_EQ(ConvertTexture(picture, settings, pool).surfaces, picture.surfaces);
    settings.format = FindFormatByName("a16r16g16b16");
    const TextureImage wide = ConvertTexture(picture, settings, pool);
    settings.format = FindFormatByName("A8R8G8B8");
    EXPECT_EQ(ConvertTexture(wide, settings, pool).surfaces, picture.surfaces);
}

TEST(ConvertPipeline, BlockCompressionStaysCloseToTheSource)
{
    WorkPool pool(2);
    const TextureImage picture = MakePicture(64, 32, [](uint32_t x, uint32_t y) {
        return 0xFF000000u | (x * 4) << 16 | (y * 8) << 8 | ((x + y) * 2);
    });
    for (const char* name : {"dxt1", "dxt3", "dxt5"}) {
        ConvertSettings settings;
        settings.format = FindFormatByName(name);
        settings.mips = 0;
        const TextureImage compressed = ConvertTexture(picture, settings, pool);
        EXPECT_EQ(compressed.format, settings.format->format);
        EXPECT_EQ(compressed.levels, 7u);
        const TextureImage decoded = ConvertLevels(compressed, D3DFMT_A8R8G8B8, 1, LoadOptions{});
        double total = 0;
        for (uint32_t y = 0; y < 32; ++y)
            for (uint32_t x = 0; x < 64; ++x) {
                const uint32_t want = PixelAt(picture, 0, 0, x, y), got = PixelAt(decoded, 0, 0, x, y);
                for (int shift : {0, 8, 16})
                    total += std::abs(int(want >> shift & 0xFF) - int(got >> shift & 0xFF));
            }
        EXPECT_LT(total / (64 * 32 * 3), 4.0) << name << ": channels mixed up or blocks misplaced";
    }
}

// Mean absolute 8-bit difference of the colour channels in `shifts`.
double MeanDifference(const TextureImage& a, const TextureImage& b, std::initializer_list<int> shifts)
{
    double total = 0;
    for (uint32_t y = 0; y < a.height; ++y)
        for (uint32_t x = 0; x < a.width; ++x)
            for (int shift : shifts)
                total += std::abs(int(PixelAt(a, 0, 0, x, y) >> shift & 0xFF) -
                                  int(PixelAt(b, 0, 0, x, y) >> shift & 0xFF));
    return total / (a.width * a.height * shifts.size());
}

// Fast is the library's own encoder; Normal and High do better on an image
// whose sides cut blocks; BC4 keeps grey in red, BC5 red and green, and a
// BC5 normal map read back as one gets its Z again.
TEST(ConvertPipeline, QualityLevelsAndChannelFormats)
{
    WorkPool pool(2);
    const TextureImage picture = TestPicture(30, 18);
    for (const char* name : {"dxt1", "dxt5"}) {
        ConvertSettings settings;
        settings.format = FindFormatByName(name);
        settings.quality = BlockQuality::Fast;
        const TextureImage fast = ConvertTexture(picture, settings, pool);
        EXPECT_EQ(fast.surfaces, ConvertLevels(picture, settings.format->format, 1, LoadOptions{}).surfaces);
        const double fastError = MeanDifference(picture, ConvertLevels(fast, D3DFMT_A8R8G8B8, 1, {}), {0, 8, 16});
        for (BlockQuality quality : {BlockQuality::Normal, BlockQuality::High}) {
            settings.quality = quality;
            const TextureImage better = ConvertTexture(picture, settings, pool);
            EXPECT_LT(MeanDifference(picture, ConvertLevels(better, D3DFMT_A8R8G8B8, 1, {}), {0, 8, 16}), fastError)
                << name << " level " << int(quality);
        }
    }

    const TextureImage grey = MakePicture(12, 8, [](uint32_t x, uint32_t y) {
        const uint32_t v = 20 * x + y;
        return 0xFF000000u | v << 16 | v << 8 | v;
    });
    ConvertSettings settings;
    settings.format = FindFormatByName("BC4");
    const TextureImage red = ConvertLevels(ConvertTexture(grey, settings, pool), D3DFMT_A8R8G8B8, 1, {});
    EXPECT_LT(MeanDifference(grey, red, {16}), 2.5);
    EXPECT_EQ(PixelAt(red, 0, 0, 5, 5) & 0xFFFF, 0u);

    // Unit vectors with Z up, stored as BC5 (X, Y), then read back.
    const TextureImage normals = MakePicture(16, 16, [](uint32_t x, uint32_t y) {
        const double nx = (x - 7.5) / 20, ny = (y - 7.5) / 20, nz = std::sqrt(1 - nx * nx - ny * ny);
        auto code = [](double v) { return uint32_t(std::lround((v + 1) * 127.5)); };
        return 0xFF000000u | code(nx) << 16 | code(ny) << 8 | code(nz);
    });
    settings.format = FindFormatByName("bc5");
    settings.data = VectorData::NormalMap;
    const TextureImage stored = ConvertTexture(normals, settings, pool);
    settings.format = FindFormatByName("a8r8g8b8");
    const TextureImage back = ConvertTexture(stored, settings, pool);
    EXPECT_LT(MeanDifference(normals, back, {0, 8, 16}), 1.5);
}

// Every format of the table can be produced with a mip chain, and read back,
// at a size that is neither a multiple of 4 nor even; the paletted ones need
// a palette the tool does not make.
TEST(ConvertPipeline, EveryFormatOfTheTableWithMips)
{
    WorkPool pool(2);
    const TextureImage picture = TestPicture(13, 7);
    for (const FormatInfo& format : AllFormats()) {
        ConvertSettings settings;
        settings.format = &format;
        settings.mips = 0;
        if (format.content == Content::Paletted || (!format.IsWritable() && !IsQualityBlockFormat(format.format))) {
            EXPECT_EQ(RefusalOf(picture, settings), ErrorKind::Unsupported) << format.name;
            continue;
        }
        const TextureImage converted = ConvertTexture(picture, settings, pool);
        EXPECT_EQ(converted.format, format.format);
        EXPECT_EQ(converted.levels, 4u) << format.name;
        const TextureImage back = ConvertLevels(converted, D3DFMT_A8R8G8B8, converted.levels, LoadOptions{});
        EXPECT_EQ(back.Level(3).width, 1u);
        if (format.format == D3DFMT_A8R8G8B8 || format.format == FMT_A16R16G16B16) {
            EXPECT_EQ(back.Surface(0, 0), picture.Surface(0, 0)) << format.name;
        }
    }
}

TEST(ConvertPipeline, ColourKeyedPixelsBecomeTransparentBlack)
{
    WorkPool pool(1);
    const TextureImage picture =
        MakePicture(8, 8, [](uint32_t x, uint32_t y) { return (x + y) % 3 == 0 ? 0xFFFF00FFu : 0xFF204060u; });
    ConvertSettings settings;
    settings.colorKey = 0xFFFF00FF;
    const TextureImage keyed = ConvertTexture(picture, settings, pool);
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 8; ++x)
            EXPECT_EQ(PixelAt(keyed, 0, 0, x, y), (x + y) % 3 == 0 ? 0u : 0xFF204060u);
}

TEST(ConvertPipeline, NormalMapLevelsAreUnitVectors)
{
    WorkPool pool(2);
    // Tilted vectors of every length, stored as v * 0.5 + 0.5.
    const TextureImage picture = MakePicture(16, 16, [](uint32_t x, uint32_t y) {
        return 0xFF000000u | (64 + x * 8) << 16 | (64 + y * 8) << 8 | (128 + (x ^ y) * 7);
    });
    ConvertSettings settings;
    settings.mips = 0;
    settings.data = VectorData::NormalMap;
    const TextureImage normals = ConvertTexture(picture, settings, pool);
    for (uint32_t level = 0; level < normals.levels; ++level) {
        const LevelLayout layout = normals.Level(level);
        for (uint32_t y = 0; y < layout.height; ++y)
            for (uint32_t x = 0; x < layout.width; ++x) {
                const uint32_t p = PixelAt(normals, 0, level, x, y);
                auto component = [&](int shift) { return (p >> shift & 0xFF) / 255.0 * 2.0 - 1.0; };
                const double length = std::sqrt(component(16) * component(16) + component(8) * component(8) +
                                                component(0) * component(0));
                ASSERT_NEAR(length, 1.0, 0.015) << "level " << level << " at " << x << "," << y;
            }
    }
}

TEST(ConvertPipeline, CubeFacesAndVolumeSlicesKeepTheirOwnChains)
{
    WorkPool pool(2);
    const uint32_t colours[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF};
    TextureImage cube = MakeTexture(D3DFMT_A8R8G8B8, TextureKind::Cube, 8, 8, 1, 1);
    for (uint32_t face = 0; face < 6; ++face)
        cube.Surface(face, 0) = MakePicture(8, 8, [&](uint32_t, uint32_t) { return colours[face]; }).Surface(0, 0);
    ConvertSettings settings;
    settings.mips = 0;
    const TextureImage cubeOut = ConvertTexture(cube, settings, pool);
    ASSERT_EQ(cubeOut.levels, 4u);
    for (uint32_t face = 0; face < 6; ++face)
        EXPECT_EQ(PixelAt(cubeOut, face, 3, 0, 0), colours[face]) << "face " << face;

    // Two slices, black and white: the second level's one slice is their
    // linear-light average.
    TextureImage volume = MakeTexture(D3DFMT_A8R8G8B8, TextureKind::Volume, 4, 4, 2, 1);
    std::vector<BYTE>& slices = volume.Surface(0, 0);
    for (size_t i = 0; i < slices.size() / 2; i += 4)
        slices[i + 3] = 0xFF;
    std::fill(slices.begin() + slices.size() / 2, slices.end(), BYTE(0xFF));
    const TextureImage volumeOut = ConvertTexture(volume, settings, pool);
    ASSERT_EQ(volumeOut.levels, 3u);
    EXPECT_EQ(volumeOut.Level(1).depth, 1u);
    EXPECT_NEAR(int(PixelAt(volumeOut, 0, 1, 0, 0) & 0xFF), 188, 1);
}

TEST(ConvertPipeline, ResizeSetsSizeAndKeepsPossibleLevels)
{
    WorkPool pool(1);
    TextureImage source = MakeTexture(D3DFMT_A8R8G8B8, TextureKind::Flat, 16, 16, 1, 5);
    ConvertSettings settings;
    settings.size = TargetSize{8, 2, 0};
    settings.resizeFilter = IMAGE_FILTER_BOX;
    const TextureImage resized = ConvertTexture(source, settings, pool);
    EXPECT_EQ(resized.width, 8u);
    EXPECT_EQ(resized.height, 2u);
    EXPECT_EQ(resized.levels, 4u) << "8x2 holds four levels";

    // A normal map resized into one level is resized too (it once kept the
    // source's size).
    ConvertSettings normals;
    normals.size = TargetSize{8, 4, 0};
    normals.data = VectorData::NormalMap;
    const TextureImage resizedNormals = ConvertTexture(TestPicture(16, 16), normals, pool);
    EXPECT_EQ(resizedNormals.width, 8u);
    EXPECT_EQ(resizedNormals.height, 4u);
}

TEST(ConvertPipeline, ContradictoryRequestsAreRefused)
{
    const TextureImage picture = TestPicture(8, 8);
    ConvertSettings settings;
    settings.alpha = OutputAlpha::Premultiplied;
    settings.format = FindFormatByName("r5g6b5");
    EXPECT_EQ(RefusalOf(picture, settings), ErrorKind::Request);
    settings.format = FindFormatByName("dxt5");
    EXPECT_EQ(ResolveOutputFormat(picture, settings), D3DFMT_DXT4);
    settings.format = FindFormatByName("dxt3");
    EXPECT_EQ(ResolveOutputFormat(picture, settings), D3DFMT_DXT2);

    ConvertSettings tooMany;
    tooMany.mips = 5; // 8x8 has four levels
    EXPECT_EQ(RefusalOf(picture, tooMany), ErrorKind::Request);

    ConvertSettings deep;
    deep.size = TargetSize{8, 8, 4};
    EXPECT_EQ(RefusalOf(picture, deep), ErrorKind::Request);

    ConvertSettings paletted;
    paletted.format = FindFormatByName("p8");
    EXPECT_EQ(RefusalOf(picture, paletted), ErrorKind::Unsupported);
}

TEST(ConvertPipeline, ResultsDoNotDependOnThreadCount)
{
    const TextureImage picture = TestPicture(96, 80);
    ConvertSettings settings;
    settings.mips = 0;
    settings.format = FindFormatByName("dxt5");
    WorkPool one(1), three(3);
    EXPECT_EQ(ConvertTexture(picture, settings, one).surfaces, ConvertTexture(picture, settings, three).surfaces);
    settings.data = VectorData::NormalMap;
    EXPECT_EQ(ConvertTexture(picture, settings, one).surfaces, ConvertTexture(picture, settings, three).surfaces);
}

// A DXT texture converted to its own format keeps every block, partial
// edge blocks included, in 2D textures, cube maps and volumes alike (the
// volume path once decoded and encoded them again).
TEST(ConvertPipeline, SameFormatCopiesKeepEveryBlock)
{
    const std::pair<uint32_t, uint32_t> sizes[] = {{5, 5}, {6, 4}, {4, 6}, {7, 7}, {9, 5}, {13, 6}, {8, 8}};
    uint32_t seed = 3;
    for (D3DFORMAT format : {D3DFMT_DXT1, D3DFMT_DXT5})
        for (TextureKind kind : {TextureKind::Flat, TextureKind::Cube, TextureKind::Volume})
            for (auto [width, height] : sizes) {
                if (kind == TextureKind::Cube && width != height)
                    continue;
                TextureImage texture = MakeTexture(format, kind, width, height, 3, 2);
                FillWithPattern(texture, seed++);
                const TextureImage copy = ConvertLevels(texture, format, texture.levels, LoadOptions{});
                EXPECT_EQ(copy.surfaces, texture.surfaces)
                    << FormatName(format) << " " << KindName(kind) << " " << width << "x" << height;
            }
}

// The formats the library cannot encode are never kept by default: RXGB
// goes to 8:8:8:8. BC6H and BC7, which it encodes, are kept.
TEST(ConvertPipeline, ReadOnlyFormatsAreNotKeptByDefault)
{
    ConvertSettings settings;
    settings.defaultFormat = DefaultFormat::Auto;
    TextureImage bc7 = MakeTexture(FMT_BC7, TextureKind::Flat, 4, 4, 1, 1);
    bc7.Surface(0, 0)[0] = 0x40; // mode 6, every endpoint 0: transparent black
    EXPECT_EQ(ResolveOutputFormat(bc7, settings), FMT_BC7);
    EXPECT_EQ(ResolveOutputFormat(MakeTexture(FMT_BC6H_UF16, TextureKind::Flat, 4, 4, 1, 1), settings),
              FMT_BC6H_UF16);
    EXPECT_EQ(ResolveOutputFormat(MakeTexture(FMT_RXGB, TextureKind::Flat, 4, 4, 1, 1), settings),
              D3DFMT_A8R8G8B8);
    settings.defaultFormat = DefaultFormat::Source;
    EXPECT_EQ(ResolveOutputFormat(bc7, settings), FMT_BC7);
}

// Float textures are resized and filtered in floats: values beyond 1 keep
// their size, and diff measures them on the same scale.
TEST(ConvertPipeline, FloatTexturesKeepTheirRange)
{
    WorkPool pool(1);
    TextureImage texture = MakeTexture(FMT_R16F, TextureKind::Flat, 8, 8, 1, 1);
    for (size_t i = 0; i < texture.Surface(0, 0).size(); i += 2) {
        texture.Surface(0, 0)[i] = 0x00;
        texture.Surface(0, 0)[i + 1] = 0x44; // 4.0
    }
    ConvertSettings settings;
    settings.format = FindFormatByName("a32b32g32r32f");
    settings.size = TargetSize{4, 4, 0};
    settings.mips = 0;
    const TextureImage result = ConvertTexture(texture, settings, pool);
    ASSERT_EQ(result.levels, 3u);
    for (uint32_t level = 0; level < 3; ++level) {
        float red;
        std::memcpy(&red, result.Surface(0, level).data(), 4);
        EXPECT_EQ(red, 4.0f) << "level " << level;
    }
    // Written to an 8-bit format the value clamps to 1.
    settings.format = FindFormatByName("a8r8g8b8");
    EXPECT_EQ(PixelAt(ConvertTexture(texture, settings, pool), 0, 0, 0, 0), 0xFFFF0000u);
}

} // namespace
} // namespace r3az8tex
