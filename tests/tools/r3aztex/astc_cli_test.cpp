// ASTC output: refused in DDS before any input is read, with the way out;
// PNG output shows the blocks decoded.
#include "tool_test_support.h"
#include "tools/r3aztex/tool_error.h"

#include "r3az8/tex/texture_files.h"

#include <filesystem>

namespace r3aztex {
namespace {

using namespace testing;

TEST(ConvertAstc, DdsOutputIsRefusedBeforeAnyWork)
{
    TempFolder folder;
    WritePng(folder / "in.png", TestPicture(8, 8));
    const std::string in = folder / "in.png", out = folder / "out.dds", dds = folder / "dds";
    const struct {
        std::vector<std::string> arguments;
        const char* message;
    } cases[] = {
        {{"convert", in, "--format", "astc4x4", "-o", out},
         "astc4x4 is written to KTX2 only: DDS has no ASTC format; use -o NAME.ktx2"},
        // The input is not read: its absence is not what stops the run.
        {{"convert", folder / "missing.png", "--format", "ASTC_6X6_SRGB", "-o", out},
         "astc6x6 is written to KTX2 only: DDS has no ASTC format; use -o NAME.ktx2"},
        {{"convert", in, "--format", "astc_12x12_unorm", "--outdir", dds},
         "astc12x12 is written to KTX2 only: DDS has no ASTC format; use --file-type ktx2"},
    };
    for (const auto& c : cases) {
        const RunResult result = RunTool(c.arguments, folder);
        EXPECT_EQ(result.exitCode, int(ExitCode::Unsupported)) << c.message;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_FALSE(std::filesystem::exists(out));
        EXPECT_FALSE(std::filesystem::exists(dds));
    }
}

// A PNG of ASTC output is the blocks as a GPU would show them: near the
// source, and not the source itself.
TEST(ConvertAstc, PngOutputShowsTheDecodedBlocks)
{
    TempFolder folder;
    const TextureImage picture = TestPicture(20, 13);
    WritePng(folder / "in.png", picture);
    const RunResult result =
        RunTool({"convert", folder / "in.png", "--format", "astc6x6", "-o", folder / "out.png"}, folder);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const TextureImage back = AsEightBit(ReadTextureFile(folder / "out.png"));
    EXPECT_LE(LargestDifference(picture, back), 96);
    EXPECT_NE(back.Surface(0, 0), picture.Surface(0, 0));
}

// A cube map into an ASTC KTX2 file and back into PNG files, one command
// each; `diff` reads an sRGB ASTC KTX2 file's blocks through the decoder.
TEST(ConvertAstc, CubeMapThroughKtx2AndBack)
{
    TempFolder folder;
    std::vector<std::string> convert = {"convert", "--cube", "--format", "astc4x4", "-o", folder / "sky.ktx2"};
    std::vector<TextureImage> faces;
    for (const char* face : {"posx", "negx", "posy", "negy", "posz", "negz"}) {
        faces.push_back(MakePicture(20, 20, [&faces](uint32_t x, uint32_t y) {
            return 0xFF000000u | uint32_t(faces.size() * 40) << 16 | (x * 6) << 8 | y * 6;
        }));
        WritePng(folder / ("sky_" + std::string(face) + ".png"), faces.back());
        convert.push_back(folder / ("sky_" + std::string(face) + ".png"));
    }
    const RunResult made = RunTool(convert, folder);
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const TextureImage sky = ReadTextureFile(folder / "sky.ktx2");
    EXPECT_EQ(sky.format, FMT_ASTC_4X4);
    EXPECT_EQ(sky.kind, TextureKind::Cube);
    EXPECT_EQ(sky.levels, 5u);

    const RunResult back = RunTool({"convert", folder / "sky.ktx2", "-o", folder / "look.png"}, folder);
    ASSERT_EQ(back.exitCode, 0) << back.err;
    const char* names[] = {"posx", "negx", "posy", "negy", "posz", "negz"};
    for (size_t face = 0; face < 6; ++face) {
        const TextureImage look = AsEightBit(ReadTextureFile(folder / ("look_" + std::string(names[face]) + ".png")));
        EXPECT_LE(LargestDifference(faces[face], look), 8) << names[face];
    }

    // Into DDS it needs another format, and the refusal says so.
    const RunResult dds = RunTool({"convert", folder / "sky.ktx2", "-o", folder / "sky.dds"}, folder);
    EXPECT_EQ(dds.exitCode, int(ExitCode::Unsupported));
    EXPECT_NE(dds.err.find("astc4x4 is written to KTX2 only: DDS has no ASTC format; name a --format"),
              std::string::npos)
        << dds.err;
    EXPECT_FALSE(std::filesystem::exists(folder / "sky.dds"));

    const RunResult one =
        RunTool({"convert", folder / "sky_posx.png", "--format", "astc_6x6_srgb", "-o", folder / "one.ktx2"}, folder);
    ASSERT_EQ(one.exitCode, 0) << one.err;
    EXPECT_EQ(ReadTextureFile(folder / "one.ktx2").colourSpace, ColourSpace::Srgb);
    const RunResult diff = RunTool({"diff", folder / "sky_posx.png", folder / "one.ktx2", "--min-psnr", "35"}, folder);
    EXPECT_EQ(diff.exitCode, 0) << diff.out << diff.err;
}

} // namespace
} // namespace r3aztex
