// What a user trusts the tool with: blocks that need no change are not
// re-encoded, DXT1 keeps alpha only when asked, pictures show channels as
// other viewers do, and a report that could not be written is not success.
#include "tool_test_support.h"

#include "r3az8/tex/compare/heat_map.h"

#include <filesystem>

namespace r3aztex {
namespace {

using namespace testing;
namespace fs = std::filesystem;

// The pixel data of every level of a DDS file as stored, header left out.
std::vector<BYTE> StoredLevels(const std::string& path)
{
    std::vector<BYTE> all;
    for (const TextureImage& layer : ReadTextureLayers(path))
        for (const std::vector<BYTE>& surface : layer.surfaces)
            all.insert(all.end(), surface.begin(), surface.end());
    return all;
}

std::vector<BYTE> TopLevel(const std::string& path) { return ReadTextureFile(path).Surface(0, 0); }

TEST(ConvertFidelity, BlocksThatNeedNoChangePassThrough)
{
    TempFolder folder;
    WritePng(folder / "in.png", TestPicture(24, 20));
    for (const char* format : {"dxt1", "dxt5", "bc4"})
        ASSERT_EQ(RunTool({"convert", folder / "in.png", "-o", folder / (std::string(format) + ".dds"), "--format",
                           format, "--quiet"},
                          folder)
                      .exitCode,
                  0);
    ASSERT_EQ(RunTool({"convert", folder / "in.png", "-o", folder / "top.dds", "--format", "dxt5", "--no-mips", "-q"},
                      folder)
                  .exitCode,
              0);
    struct Case {
        const char* input;
        std::vector<std::string> options;
        bool wholeChain; // every level passes through, or level 0 alone
    };
    const std::vector<Case> cases = {
        {"dxt1.dds", {"--dx10"}, true},
        {"dxt5.dds", {}, true},
        {"dxt5.dds", {"--format", "bc3", "--quality", "high"}, true},
        {"bc4.dds", {"--srgb"}, true},
        {"top.dds", {"--mips", "0"}, false},
        {"dxt5.dds", {"--mips", "3", "--mip-filter", "triangle"}, false},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"convert", folder / c.input, "-o", folder / "out.dds", "-q"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const RunResult result = RunTool(arguments, folder);
        ASSERT_EQ(result.exitCode, 0) << c.input << ": " << result.err;
        if (c.wholeChain)
            EXPECT_EQ(StoredLevels(folder / "out.dds"), StoredLevels(folder / c.input)) << c.input;
        else
            EXPECT_EQ(TopLevel(folder / "out.dds"), TopLevel(folder / c.input)) << c.input;
    }
    // Converting again and again changes nothing.
    fs::copy_file(folder / "dxt5.dds", folder / "again.dds");
    for (int round = 0; round < 3; ++round)
        ASSERT_EQ(RunTool({"convert", folder / "again.dds", "-o", folder / "again.dds.next.dds", "-q"}, folder).exitCode,
                  0);
    EXPECT_EQ(Slurp(folder / "again.dds.next.dds"), Slurp(folder / "dxt5.dds"));
    // A picture of a block file is its decoding, not a re-encoding's.
    ASSERT_EQ(RunTool({"convert", folder / "dxt1.dds", "-o", folder / "dxt1.png"}, folder).exitCode, 0);
    EXPECT_EQ(LargestDifference(AsEightBit(ReadTextureFile(folder / "dxt1.png")), OurDecoding(folder / "dxt1.dds")), 0);
}

size_t TransparentPixels(const TextureImage& picture)
{
    size_t count = 0;
    for (uint32_t y = 0; y < picture.height; ++y)
        for (uint32_t x = 0; x < picture.width; ++x)
            count += PixelAt(picture, 0, 0, x, y) >> 24 == 0;
    return count;
}

// BC4 and BC5 have no fixed encoder: fast gives normal's bytes, for blocks
// cut by the image's edge too.
TEST(ConvertFidelity, FastIsNormalForFormatsWithoutAFixedEncoder)
{
    TempFolder folder;
    WritePng(folder / "in.png", TestPicture(13, 7));
    for (const char* format : {"bc4", "bc5"}) {
        std::string first;
        for (const char* quality : {"fast", "normal"}) {
            const std::string out = folder / (std::string(format) + quality + ".dds");
            ASSERT_EQ(RunTool({"convert", folder / "in.png", "-o", out, "--format", format, "--quality", quality},
                              folder)
                          .exitCode,
                      0);
            if (first.empty())
                first = Slurp(out);
            else
                EXPECT_EQ(Slurp(out), first) << format << " at " << quality;
        }
    }
}

TEST(ConvertFidelity, Dxt1IsOpaqueUnlessHolesAreAskedFor)
{
    TempFolder folder;
    // Alpha falls from 255 to 0 across the picture, as height in a normal
    // map's alpha does.
    WritePng(folder / "in.png", MakePicture(16, 16, [](uint32_t x, uint32_t y) {
                 return uint32_t(255 - (x + 16 * y)) << 24 | 0x8080FFu;
             }));
    struct Case {
        std::vector<std::string> options;
        size_t transparent; // of 256 pixels
    };
    const std::vector<Case> cases = {
        {{"--format", "dxt1"}, 0},
        {{"--format", "BC1", "--quality", "fast"}, 0},
        {{"--format", "bc1a"}, 128},
        {{"--format", "dxt1a", "--quality", "fast"}, 128},
        {{"--format", "dxt1", "--alpha-threshold", "56"}, 56},
        {{"--format", "dxt1", "--alpha-threshold", "0"}, 0},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"convert", folder / "in.png", "-o", folder / "out.dds", "--no-mips"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const RunResult result = RunTool(arguments, folder);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(TransparentPixels(OurDecoding(folder / "out.dds")), c.transparent) << arguments[5];
    }
}

TEST(ConvertFidelity, PicturesShowChannelsAsOtherViewersDo)
{
    TempFolder folder;
    WritePng(folder / "in.png", TestPicture(8, 8));
    struct Case {
        const char* format;
        bool grey; // else red and green with blue 0
    };
    for (const Case& c : {Case{"bc4", true}, Case{"r16f", true}, Case{"r32f", true}, Case{"bc5", false},
                          Case{"g16r16", false}, Case{"g16r16f", false}}) {
        const std::string dds = folder / (std::string(c.format) + ".dds");
        ASSERT_EQ(RunTool({"convert", folder / "in.png", "-o", dds, "--format", c.format, "--no-mips"}, folder).exitCode,
                  0);
        const std::string png = folder / (std::string(c.format) + ".png");
        ASSERT_EQ(RunTool({"convert", dds, "-o", png}, folder).exitCode, 0);
        const TextureImage picture = AsEightBit(ReadTextureFile(png));
        for (uint32_t y = 0; y < 8; ++y)
            for (uint32_t x = 0; x < 8; ++x) {
                const uint32_t p = PixelAt(picture, 0, 0, x, y);
                const uint32_t red = p >> 16 & 0xFF, green = p >> 8 & 0xFF, blue = p & 0xFF;
                EXPECT_EQ(blue, c.grey ? red : 0u) << c.format << " at " << x << "," << y;
                if (c.grey) {
                    EXPECT_EQ(green, red) << c.format;
                }
                EXPECT_EQ(p >> 24, 0xFFu) << c.format;
            }
    }
}

TEST(ToolOutput, ReportsThatCannotBeWrittenFailAndNamesAreValidJson)
{
    TempFolder folder;
    WritePng(folder / "in.png", TestPicture(8, 8));
    for (const std::string command : {"info --json", "diff --json", "diff"}) {
        const std::string files = command.starts_with("info") ? Quote(folder / "in.png")
                                                              : Quote(folder / "in.png") + " " + Quote(folder / "in.png");
        const std::string line = Quote(R3AZTEX_PROGRAM) + " " + command + " " + files + " >/dev/full 2>/dev/null";
        const int status = std::system(line.c_str());
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 2) << command;
    }
    // A name that is not UTF-8 is escaped, never written as raw bytes.
    const std::string odd = folder / "odd\xFF.png";
    WritePng(odd, TestPicture(4, 4));
    const RunResult info = RunTool({"info", "--json", odd}, folder);
    EXPECT_EQ(info.exitCode, 0);
    EXPECT_NE(info.out.find("odd\\udcff.png"), std::string::npos) << info.out;
    EXPECT_EQ(info.out.find('\xFF'), std::string::npos);
    // A normal map's alpha (height) does not weigh its colour.
    const RunResult normals = RunTool({"diff", "--json", "--normal-map", folder / "in.png", folder / "in.png"}, folder);
    EXPECT_NE(normals.out.find("\"alpha_weighted\": false"), std::string::npos) << normals.out;
}

TEST(HeatMapGrid, StacksWhileItFitsThenColumnsThenRefuses)
{
    struct Case {
        uint32_t width, height, tiles;
        std::optional<std::array<uint32_t, 2>> size;
    };
    const std::vector<Case> cases = {
        {64, 64, 6, std::array<uint32_t, 2>{64, 384}},
        {32, 1024, 16, std::array<uint32_t, 2>{32, 16384}},
        {32, 1024, 20, std::array<uint32_t, 2>{64, 16384}},
        {16384, 1, 16385, std::nullopt},
        {1, 16384, 16385, std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<HeatMapGrid> grid = PlanHeatMap(c.width, c.height, c.tiles);
        ASSERT_EQ(grid.has_value(), c.size.has_value()) << c.tiles;
        if (grid) {
            EXPECT_EQ(grid->width, (*c.size)[0]);
            EXPECT_EQ(grid->height, (*c.size)[1]);
        }
    }
}

} // namespace
} // namespace r3aztex
