// `diff` as a judge: colour under transparent pixels, SSIM, normal angles,
// thresholds with exit 6, the heat map and when levels are worth a word.
#include "tool_test_support.h"

#include <cmath>
#include <cstdlib>

namespace r3aztex {
namespace {

using namespace testing;

// The number after the first `"key": ` at or after `from` in JSON text.
double JsonValue(const std::string& json, const std::string& key, size_t from = 0)
{
    const size_t at = json.find("\"" + key + "\": ", from);
    EXPECT_NE(at, std::string::npos) << key << " in " << json;
    return at == std::string::npos ? NAN : std::strtod(json.c_str() + at + key.size() + 4, nullptr);
}

// Left half transparent in `hidden`, right half opaque grey.
TextureImage HalfHidden(uint32_t hidden)
{
    return MakePicture(8, 8, [=](uint32_t x, uint32_t) { return x < 4 ? hidden : 0xFF808080u; });
}

TEST(Diff, ColourUnderTransparentPixelsDoesNotCountUnlessAsked)
{
    TempFolder folder;
    WritePng(folder / "a.png", HalfHidden(0x00FF0000));
    WritePng(folder / "b.png", HalfHidden(0x0000FF00));
    const RunResult weighted = RunTool({"diff", "--json", folder / "a.png", folder / "b.png"}, folder);
    ASSERT_EQ(weighted.exitCode, 0) << weighted.err;
    EXPECT_NE(weighted.out.find("\"alpha_weighted\": true"), std::string::npos);
    EXPECT_EQ(JsonValue(weighted.out, "rmse", weighted.out.find("\"all\"")), 0.0) << weighted.out;
    const RunResult plain = RunTool({"diff", "--json", "--no-alpha-weight", folder / "a.png", folder / "b.png"}, folder);
    EXPECT_GT(JsonValue(plain.out, "rmse", plain.out.find("\"all\"")), 100.0) << plain.out;
}

TEST(Diff, StructuralSimilarityAndNormalAngles)
{
    TempFolder folder;
    // (0, 0, 1) and the same turned by 10 degrees about y, stored as v * 0.5 + 0.5.
    const double turn = 10.0 * 3.14159265358979 / 180.0;
    const uint32_t red = uint32_t(std::lround((std::sin(turn) * 0.5 + 0.5) * 255));
    const uint32_t blue = uint32_t(std::lround((std::cos(turn) * 0.5 + 0.5) * 255));
    WritePng(folder / "flat.png", MakePicture(8, 8, [](uint32_t, uint32_t) { return 0xFF8080FFu; }));
    WritePng(folder / "turned.png", MakePicture(8, 8, [=](uint32_t, uint32_t) {
                 return 0xFF000000u | red << 16 | 0x8000u | blue;
             }));
    const RunResult normals =
        RunTool({"diff", "--json", "--normal-map", folder / "flat.png", folder / "turned.png"}, folder);
    ASSERT_EQ(normals.exitCode, 0) << normals.err;
    EXPECT_NEAR(JsonValue(normals.out, "mean"), 10.0, 0.5) << normals.out;
    EXPECT_NEAR(JsonValue(normals.out, "largest"), 10.0, 0.5);

    WritePng(folder / "picture.png", TestPicture(16, 16));
    WritePng(folder / "negative.png", MakePicture(16, 16, [](uint32_t x, uint32_t y) {
                 return PixelAt(TestPicture(16, 16), 0, 0, x, y) ^ 0x00FFFFFFu;
             }));
    const RunResult same = RunTool({"diff", "--json", folder / "picture.png", folder / "picture.png"}, folder);
    EXPECT_EQ(JsonValue(same.out, "ssim"), 1.0);
    const RunResult inverted = RunTool({"diff", "--json", folder / "picture.png", folder / "negative.png"}, folder);
    EXPECT_LT(JsonValue(inverted.out, "ssim"), 0.0) << "a negative correlates negatively";
}

TEST(Diff, ThresholdsEndWithSix)
{
    TempFolder folder;
    WritePng(folder / "a.png", TestPicture(16, 16));
    ASSERT_EQ(RunTool({"convert", folder / "a.png", "-o", folder / "a.dds", "--format", "dxt1", "--mips", "1"}, folder)
                  .exitCode,
              0);
    struct Case {
        std::vector<std::string> options;
        int exitCode;
    };
    for (const Case& c : std::vector<Case>{{{"--min-psnr", "99"}, 6},
                                           {{"--min-psnr", "5"}, 0},
                                           {{"--max-rmse", "0.01"}, 6},
                                           {{"--max-rmse", "200"}, 0},
                                           {{"--normal-map", "--max-angle", "0.001"}, 6}}) {
        std::vector<std::string> arguments = {"diff", "-q", folder / "a.png", folder / "a.dds"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const RunResult result = RunTool(arguments, folder);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.options[0] << " " << c.options[1] << "\n" << result.err;
        EXPECT_EQ(result.err.find("differ beyond the threshold") != std::string::npos, c.exitCode == 6)
            << result.err;
    }
}

TEST(Diff, HeatMapAndTheLevelNotice)
{
    TempFolder folder;
    WritePng(folder / "a.png", TestPicture(16, 8));
    WritePng(folder / "b.png", MakePicture(16, 8, [](uint32_t x, uint32_t y) {
                 return PixelAt(TestPicture(16, 8), 0, 0, x, y) ^ (x == 3 && y == 5 ? 0x00FF0000u : 0u);
             }));
    const RunResult heat = RunTool({"diff", folder / "a.png", folder / "b.png", "--diff-image", folder / "h.png"}, folder);
    ASSERT_EQ(heat.exitCode, 0) << heat.err;
    const TextureImage map = ReadTextureFile(folder / "h.png");
    EXPECT_EQ(PixelAt(map, 0, 0, 3, 5), 0xFFFFFFFFu) << "the one differing pixel is the hottest";
    EXPECT_EQ(PixelAt(map, 0, 0, 4, 5), 0xFF000000u);

    for (const char* levels : {"1", "3", "5"})
        ASSERT_EQ(RunTool({"convert", folder / "a.png", "-o", folder / (std::string("l") + levels + ".dds"),
                           "--format", "a8r8g8b8", "--mips", levels},
                          folder)
                      .exitCode,
                  0);
    EXPECT_EQ(RunTool({"diff", folder / "a.png", folder / "l5.dds"}, folder).err, "") << "a picture against a chain";
    EXPECT_NE(RunTool({"diff", folder / "l3.dds", folder / "l5.dds"}, folder).err.find("comparing the first 3"),
              std::string::npos);
}

} // namespace
} // namespace r3aztex
