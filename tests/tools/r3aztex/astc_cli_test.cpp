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

} // namespace
} // namespace r3aztex
