// HDR pictures through the program: an .exr sky to a float DDS with mips
// and back to .exr, six .exr faces to a cube map and out again as six
// files, the values `info` shows, the figures `diff` gives float files, and
// the warning for values no filter can use.
#include "tool_test_support.h"

#include "r3az8/tex/files/exr_writer.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace r3aztex {
namespace {

using namespace testing;

// A w x h A32B32G32R32F picture of value(x, y) in red, green and blue.
template <typename Value>
TextureImage FloatPicture(uint32_t width, uint32_t height, Value value)
{
    TextureImage picture = MakeTexture(FMT_A32B32G32R32F, TextureKind::Flat, width, height, 1, 1);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const float v = value(x, y);
            const float pixel[4] = {v, v * 0.5f, v * 0.25f, 1.0f};
            std::memcpy(picture.Surface(0, 0).data() + (size_t(y) * width + x) * sizeof pixel, pixel, sizeof pixel);
        }
    return picture;
}

void WriteExr(const std::string& path, const TextureImage& picture)
{
    WriteBytes(path, EncodeExr(picture, FloatSamples::Half, AlphaOutput::Drop));
}

double JsonValue(const std::string& json, const std::string& key, size_t from = 0)
{
    const size_t at = json.find("\"" + key + "\": ", from);
    EXPECT_NE(at, std::string::npos) << key << " in " << json;
    return at == std::string::npos ? NAN : std::strtod(json.c_str() + at + key.size() + 4, nullptr);
}

// Values from 1/8 to 31.9: a sky whose sun is far brighter than white.
float Sky(uint32_t x, uint32_t y) { return 0.125f + float(x) * 1.5f + float(y) * 0.25f; }

TEST(HdrTool, AnExrSkyToFloatMipsAndBackToExr)
{
    TempFolder folder;
    WriteExr(folder / "sky.exr", FloatPicture(16, 8, Sky));
    const RunResult convert = RunTool(
        {"convert", folder / "sky.exr", "-o", folder / "sky.dds", "--format", "a16b16g16r16f", "--mips"}, folder);
    ASSERT_EQ(convert.exitCode, 0) << convert.err;
    const RunResult info = RunTool({"info", "--json", folder / "sky.dds"}, folder);
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_EQ(JsonValue(info.out, "level_count"), 5.0);
    EXPECT_NEAR(JsonValue(info.out, "max"), Sky(15, 7), 0.02) << "the brightest value survives unclamped";
    EXPECT_EQ(JsonValue(info.out, "nan"), 0.0);

    // Level 0 back as .exr holds the very values of the input's halves.
    const RunResult back = RunTool({"convert", folder / "sky.dds", "-o", folder / "back.exr"}, folder);
    ASSERT_EQ(back.exitCode, 0) << back.err;
    EXPECT_NE(back.out.find("exr, half rgb"), std::string::npos) << back.out;
    EXPECT_EQ(back.err.find("clipped"), std::string::npos) << back.err;
    // PNG cannot hold the sun: the values it loses are said, not lost in silence.
    const RunResult png = RunTool({"convert", folder / "sky.dds", "-o", folder / "look.png"}, folder);
    ASSERT_EQ(png.exitCode, 0) << png.err;
    EXPECT_NE(png.err.find("look.png: warning: "), std::string::npos) << png.err;
    EXPECT_NE(png.err.find("float values above 1 clipped to 1: png stores 0..1"), std::string::npos) << png.err;
    const RunResult same = RunTool({"diff", "--json", folder / "sky.exr", folder / "back.exr"}, folder);
    ASSERT_EQ(same.exitCode, 0) << same.err;
    EXPECT_NE(same.out.find("\"hdr\": true"), std::string::npos) << same.out;
    EXPECT_EQ(JsonValue(same.out, "log2_rmse", same.out.find("\"all\"")), 0.0) << same.out;

    // The smallest level, written as 32-bit floats, holds the average: far above 1.
    const RunResult smallest =
        RunTool({"convert", folder / "sky.dds", "-o", folder / "small.exr", "--level", "4", "--exr-float"}, folder);
    ASSERT_EQ(smallest.exitCode, 0) << smallest.err;
    const TextureImage top = ReadTextureFile(folder / "small.exr");
    ASSERT_EQ(top.format, FMT_A32B32G32R32F);
    float red;
    std::memcpy(&red, top.Surface(0, 0).data(), 4);
    EXPECT_GT(red, 10.0f);
}

// A float input asked for as plain astc4x4 gets ASTC's HDR form in KTX2,
// with no warning of clipped values; diff then judges it as a float file.
TEST(HdrTool, AnExrSkyToAstcHdrKtx2)
{
    TempFolder folder;
    WriteExr(folder / "sky.exr", FloatPicture(16, 8, Sky));
    const RunResult made =
        RunTool({"convert", folder / "sky.exr", "-o", folder / "sky.ktx2", "--format", "astc4x4"}, folder);
    ASSERT_EQ(made.exitCode, 0) << made.err;
    EXPECT_EQ(made.err.find("clipped"), std::string::npos) << made.err;
    EXPECT_EQ(ReadTextureFile(folder / "sky.ktx2").format, FMT_ASTC_4X4_F);
    const RunResult info = RunTool({"info", folder / "sky.ktx2"}, folder);
    EXPECT_NE(info.out.find("ASTC_4x4_SFLOAT_BLOCK"), std::string::npos) << info.out;
    const RunResult diff = RunTool({"diff", "--json", folder / "sky.exr", folder / "sky.ktx2"}, folder);
    EXPECT_EQ(diff.exitCode, 0) << diff.err;
    EXPECT_LT(JsonValue(diff.out, "log2_rmse"), 0.1) << diff.out;
}

TEST(HdrTool, DiffJudgesFloatFilesByTheirHdrFigures)
{
    TempFolder folder;
    WriteExr(folder / "a.exr", FloatPicture(8, 8, [](uint32_t, uint32_t) { return 2.0f; }));
    WriteExr(folder / "b.exr", FloatPicture(8, 8, [](uint32_t x, uint32_t) { return x < 4 ? 2.0f : 4.0f; }));
    // One stop apart in half the pixels: log2 RMSE sqrt(1/2).
    struct Case {
        std::vector<std::string> options;
        int exitCode;
        const char* words;
    };
    const Case cases[] = {
        {{"--json"}, 0, "\"log2_rmse\": 0.7071"},
        {{}, 0, "log2 RMSE"},
        {{"--max-rmse", "0.5"}, 6, "log2 RMSE 0.7071"},
        {{"--min-psnr", "40"}, 6, "tone-mapped PSNR"},
        {{"--max-rmse", "0.75", "--min-psnr", "10"}, 0, ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"diff", folder / "a.exr", folder / "b.exr"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const RunResult run = RunTool(arguments, folder);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_NE((run.out + run.err).find(c.words), std::string::npos) << run.out << run.err;
    }
}

TEST(HdrTool, SixExrFacesMakeACubeThatComesBackAsSixFiles)
{
    TempFolder folder;
    std::vector<std::string> arguments = {"convert", "--cube", "-o", folder / "cube.dds", "--format", "a16b16g16r16f"};
    for (const char* face : {"posx", "negx", "posy", "negy", "posz", "negz"}) {
        WriteExr(folder / (std::string("sky_") + face + ".exr"), FloatPicture(8, 8, Sky));
        arguments.push_back(folder / (std::string("sky_") + face + ".exr"));
    }
    const RunResult cube = RunTool(arguments, folder);
    ASSERT_EQ(cube.exitCode, 0) << cube.err;
    const RunResult faces = RunTool({"convert", folder / "cube.dds", "-o", folder / "faces.exr"}, folder);
    ASSERT_EQ(faces.exitCode, 0) << faces.err;
    for (const char* face : {"posx", "negx", "posy", "negy", "posz", "negz"}) {
        const RunResult diff =
            RunTool({"diff", "--max-rmse", "0", folder / "sky_posx.exr", folder / (std::string("faces_") + face + ".exr")},
                    folder);
        EXPECT_EQ(diff.exitCode, 0) << face << ": " << diff.err;
    }
}

TEST(HdrTool, OnePanoramaMakesACubeMapWithMips)
{
    TempFolder folder;
    WriteExr(folder / "pano.exr", FloatPicture(32, 16, Sky));
    const RunResult cube = RunTool({"convert", "--cube", folder / "pano.exr", "-o", folder / "sky.dds", "--format",
                                    "a16b16g16r16f", "--mips", "0"},
                                   folder);
    ASSERT_EQ(cube.exitCode, 0) << cube.err;
    EXPECT_NE(cube.out.find("cube 8x8 (6 faces), 4 levels"), std::string::npos) << cube.out;
    const RunResult resized =
        RunTool({"convert", "--cube", folder / "pano.exr", "-o", folder / "big.dds", "--resize", "16x16"}, folder);
    ASSERT_EQ(resized.exitCode, 0) << resized.err;
    EXPECT_NE(resized.out.find("cube 16x16"), std::string::npos) << resized.out;
    WriteExr(folder / "square.exr", FloatPicture(16, 16, Sky));
    const RunResult square = RunTool({"convert", "--cube", folder / "square.exr", "-o", folder / "no.dds"}, folder);
    EXPECT_EQ(square.exitCode, 1) << square.err;
    EXPECT_NE(square.err.find("square.exr: is a 2d 16x16 texture, not a panorama twice as wide as high"),
              std::string::npos)
        << square.err;
}

TEST(HdrTool, UnusableValuesAreReportedOnceAndRadianceFilesRead)
{
    TempFolder folder;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    WriteExr(folder / "odd.exr", FloatPicture(4, 4, [nan](uint32_t x, uint32_t y) { return x == y ? nan : 1.0f; }));
    const RunResult odd = RunTool({"convert", folder / "odd.exr", "-o", folder / "odd.dds"}, folder);
    ASSERT_EQ(odd.exitCode, 0) << odd.err;
    EXPECT_NE(odd.err.find("odd.exr: warning: 12 float values replaced before filtering: 12 NaN by 0"),
              std::string::npos)
        << odd.err;
    EXPECT_TRUE(EveryLineIsTheTools(odd.err)) << odd.err;

    const std::string header = "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 1 +X 2\n";
    std::vector<BYTE> radiance(header.begin(), header.end());
    for (const BYTE byte : {128, 128, 128, 131, 0, 0, 0, 0}) // 4.0 and black
        radiance.push_back(byte);
    WriteBytes(folder / "lamp.hdr", radiance);
    const RunResult info = RunTool({"info", folder / "lamp.hdr"}, folder);
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_NE(info.out.find("hdr, a32b32g32r32f"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("values: 0 to 4, 0 NaN, 0 infinite"), std::string::npos) << info.out;

    WriteBytes(folder / "broken.exr", std::vector<BYTE>{0x76, 0x2F, 0x31, 0x01, 2, 0, 0});
    const RunResult broken = RunTool({"info", folder / "broken.exr"}, folder);
    EXPECT_EQ(broken.exitCode, 3) << broken.err;
    EXPECT_NE(broken.err.find("broken.exr: OpenEXR"), std::string::npos) << broken.err;
}

} // namespace
} // namespace r3aztex
