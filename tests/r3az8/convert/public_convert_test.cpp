// The public conversion calls against the program: the same request through
// r3aztex convert and through ConvertTextureFile gives the same texture.
#include "tests/support/texture_files_support.h"

#include "r3az8/tex/convert.h"

namespace r3az8tex {
namespace {

using namespace testing;

struct SameRequest {
    const char* what;
    std::vector<std::string> arguments; // of r3aztex convert
    ConvertOptions options;
};

TEST(PublicConvert, GivesTheProgramsTexture)
{
    const std::vector<SameRequest> requests = {
        {"automatic format, full chain", {}, {}},
        {"dxt5, high, three levels",
         {"--format", "dxt5", "--quality", "high", "--mips", "3"},
         {.format = D3DFMT_DXT5, .quality = BlockQuality::High, .mips = 3}},
        {"dxt1 with an alpha threshold",
         {"--format", "dxt1", "--alpha-threshold", "100"},
         {.format = D3DFMT_DXT1, .dxt1AlphaThreshold = 100}},
        {"dxt1a: the encoders' alpha",
         {"--format", "dxt1a"},
         {.format = D3DFMT_DXT1, .dxt1AlphaThreshold = std::nullopt}},
        {"resized with mirrored edges and point mips",
         {"--format", "a8r8g8b8", "--resize", "20x12", "--filter", "box", "--mirror", "u,v", "--mip-filter",
          "point", "--dither"},
         {.format = D3DFMT_A8R8G8B8,
          .mipFilter = IMAGE_FILTER_POINT,
          .size = ConvertSize{20, 12, 0},
          .filter = IMAGE_FILTER_BOX | IMAGE_FILTER_MIRROR_U | IMAGE_FILTER_MIRROR_V | IMAGE_FILTER_DITHER}},
        {"premultiplied, stored-value mips, uniform weights, colour key",
         {"--premultiply", "--linear", "--weights", "uniform", "--colorkey", "FF00FF00"},
         {.weights = ColorWeighting::Uniform,
          .linearLightMips = false,
          .premultipliedAlpha = true,
          .colorKey = 0xFF00FF00}},
        {"normal map, one level",
         {"--normal-map", "--format", "a8r8g8b8", "--no-mips"},
         {.format = D3DFMT_A8R8G8B8, .mips = 1, .normalMap = true}},
        {"sRGB colour, two threads",
         {"--srgb", "--format", "dxt5", "--threads", "2"},
         {.format = D3DFMT_DXT5, .srgb = true, .threads = 2}},
    };
    TempFolder folder;
    const std::string input = folder / "picture.png";
    // Odd sides, so that partial blocks and uneven halvings are in play.
    WritePng(input, TestPicture(45, 27));
    for (const SameRequest& request : requests) {
        SCOPED_TRACE(request.what);
        const std::string output = folder / "program.dds";
        std::vector<std::string> arguments = {"convert", input, "-o", output, "--quiet"};
        arguments.insert(arguments.end(), request.arguments.begin(), request.arguments.end());
        const RunResult run = RunProgram(R3AZTEX_PROGRAM, arguments, folder);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const TextureImage expected = ReadTextureFile(output);
        const std::vector<TextureImage> made = ConvertTextureFile(input, request.options);
        ASSERT_EQ(made.size(), 1u);
        EXPECT_EQ(made[0].format, expected.format);
        EXPECT_EQ(made[0].levels, expected.levels);
        EXPECT_EQ(made[0].width, expected.width);
        EXPECT_EQ(made[0].height, expected.height);
        EXPECT_EQ(made[0].colourSpace, expected.colourSpace);
        EXPECT_TRUE(made[0].surfaces == expected.surfaces);
        // The texture already in memory takes the same path.
        EXPECT_TRUE(ConvertTexture(ReadTextureFile(input), request.options).surfaces == expected.surfaces);
    }
}

// Arrays: the opaque layer takes the format the transparent one needs.
TEST(PublicConvert, ArrayLayersShareTheAutomaticFormat)
{
    const TextureImage opaque = MakePicture(8, 8, [](uint32_t x, uint32_t) { return 0xFF000000u | x * 0x1F; });
    const TextureImage clear = MakePicture(8, 8, [](uint32_t x, uint32_t) { return x << 29 | 0x00FF00u; });
    const struct {
        std::vector<TextureImage> layers;
        D3DFORMAT format;
    } cases[] = {
        {{opaque}, D3DFMT_DXT1},
        {{opaque, opaque}, D3DFMT_DXT1},
        {{opaque, clear}, D3DFMT_DXT5},
        {{clear, opaque}, D3DFMT_DXT5},
    };
    for (const auto& c : cases) {
        const std::vector<TextureImage> made = ConvertTextures(c.layers, ConvertOptions{});
        ASSERT_EQ(made.size(), c.layers.size());
        for (const TextureImage& layer : made)
            EXPECT_EQ(layer.format, c.format) << c.layers.size() << " layers";
    }
}

// Options a program can get wrong are refused as requests, naming what
// is wrong, before any work.
TEST(PublicConvert, RefusesOptionsThatNameNothing)
{
    const struct {
        ConvertOptions options;
        const char* named;
    } cases[] = {
        {{.format = static_cast<D3DFORMAT>(12345)}, "format"},
        {{.filter = IMAGE_FILTER_BOX | 0x100}, "resize filter"},
        {{.filter = 9}, "resize filter"},
        {{.mipFilter = IMAGE_FILTER_BOX | IMAGE_FILTER_DITHER}, "mip filter"},
        {{.size = ConvertSize{0, 4, 0}}, "size"},
        {{.format = D3DFMT_DXT1, .dxt1AlphaThreshold = 256}, "threshold"},
        {{.mips = 9}, "mips"},
        {{.format = D3DFMT_DXT1, .premultipliedAlpha = true}, "premultiply"},
    };
    const TextureImage picture = TestPicture(16, 16);
    for (const auto& c : cases) {
        try {
            ConvertTexture(picture, c.options);
            ADD_FAILURE() << c.named << ": converted";
        } catch (const TextureError& error) {
            EXPECT_EQ(error.Code(), ErrorKind::Request) << error.what();
            EXPECT_NE(std::string(error.what()).find(c.named), std::string::npos) << error.what();
        }
    }
}

} // namespace
} // namespace r3az8tex
