// BC7 output: every spelling of the format gives a DX10 file our reader
// reads back close to the source, sRGB gives the _SRGB DXGI number, and
// the automatic format never chooses BC7 for a picture.
#include "tool_test_support.h"

#include "r3az8/tex/files/dds_reader.h"
#include "r3az8/tex/files/file_bytes.h"

#include <cmath>

namespace r3aztex {
namespace {

using namespace testing;

constexpr DWORD kDxgiBc7 = 98;
constexpr DWORD kDxgiBc7Srgb = 99;

// Root mean square of the channel differences, in 8-bit units.
double Rmse(const TextureImage& a, const TextureImage& b)
{
    double sum = 0;
    const std::vector<BYTE>& p = a.Surface(0, 0);
    const std::vector<BYTE>& q = b.Surface(0, 0);
    for (size_t i = 0; i < p.size(); ++i)
        sum += double(int(p[i]) - int(q[i])) * (int(p[i]) - int(q[i]));
    return std::sqrt(sum / double(p.size()));
}

TEST(ConvertBc7, EverySpellingAndLevelWritesADx10FileThatReadsBack)
{
    TempFolder folder;
    // Sides that are not multiples of 4: the edge blocks are cut.
    const TextureImage picture = TestPicture(30, 22);
    WritePng(folder / "in.png", picture);
    const struct {
        std::vector<std::string> options;
        DWORD dxgi;
        double rmse;        // bound of the error of level 0; DXT5 gives 4.9 here
        bool defaultBlocks; // the blocks of the first case: the options only name it
    } cases[] = {
        {{"--format", "bc7"}, kDxgiBc7, 3.5, true},
        {{"--format", "BC7_UNORM"}, kDxgiBc7, 3.5, true},
        {{"--format", "bc7_unorm_srgb"}, kDxgiBc7Srgb, 3.5, true},
        {{"--format", "bc7", "--srgb"}, kDxgiBc7Srgb, 3.5, true},
        {{"--format", "bc7", "--quality", "fast"}, kDxgiBc7, 6.0, false},
        {{"--format", "bc7", "--quality", "high"}, kDxgiBc7, 3.5, false},
        {{"--format", "bc7", "--weights", "uniform"}, kDxgiBc7, 3.5, false},
    };
    std::vector<BYTE> firstBlocks;
    for (const auto& c : cases) {
        std::vector<std::string> arguments = {"convert", folder / "in.png", "-o", folder / "out.dds", "--mips", "0"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const RunResult result = RunTool(arguments, folder);
        std::string label;
        for (const std::string& option : c.options)
            label += option + " ";
        ASSERT_EQ(result.exitCode, 0) << label << ": " << result.err;
        // The DX10 header comes with the format: no notice about it.
        EXPECT_EQ(result.err, "") << label;
        const dds::Description description = dds::Describe(ReadFileBytes(folder / "out.dds"), "out.dds");
        EXPECT_EQ(description.format, FMT_BC7) << label;
        EXPECT_TRUE(description.hasDx10Header) << label;
        EXPECT_EQ(description.dxgiFormat, c.dxgi) << label;
        EXPECT_EQ(description.levels, 5u) << label;
        EXPECT_LE(Rmse(OurDecoding(folder / "out.dds"), picture), c.rmse) << label;
        const std::vector<BYTE> blocks = ReadTextureFile(folder / "out.dds").Surface(0, 0);
        if (firstBlocks.empty())
            firstBlocks = blocks;
        EXPECT_EQ(blocks == firstBlocks, c.defaultBlocks) << label;
    }
}

// BC7 is written only when named: pictures get DXT1 or DXT5 as before,
// and a BC7 texture keeps its blocks as any block-compressed input does.
TEST(ConvertBc7, TheAutomaticFormatChoosesItOnlyForBc7Input)
{
    TempFolder folder;
    WritePng(folder / "opaque.png",
             MakePicture(8, 8, [](uint32_t x, uint32_t y) { return 0xFF000000u | x << 19 | y << 11; }));
    WritePng(folder / "alpha.png", TestPicture(8, 8));
    ASSERT_EQ(RunTool({"convert", folder / "alpha.png", "-o", folder / "bc7.dds", "--format", "bc7"}, folder).exitCode,
              0);
    const struct {
        const char* input;
        D3DFORMAT format;
    } cases[] = {
        {"opaque.png", D3DFMT_DXT1},
        {"alpha.png", D3DFMT_DXT5},
        {"bc7.dds", FMT_BC7},
    };
    for (const auto& c : cases) {
        const RunResult result = RunTool({"convert", folder / c.input, "-o", folder / "auto.dds"}, folder);
        ASSERT_EQ(result.exitCode, 0) << c.input << ": " << result.err;
        EXPECT_EQ(ReadTextureFile(folder / "auto.dds").format, c.format) << c.input;
    }
    EXPECT_EQ(Slurp(folder / "auto.dds"), Slurp(folder / "bc7.dds")) << "the BC7 blocks are copied unchanged";
}

} // namespace
} // namespace r3aztex
