// What `convert` does without being told: default formats and levels,
// inputs kept safe, cube faces and volume slices in their slots, the
// standard streams, and a batch reporting as it goes.
#include "tool_test_support.h"

#include "r3az8/tex/convert/library_operations.h"
#include "tools/r3aztex/files/input_order.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

namespace r3aztex {
namespace {

using namespace testing;
namespace fs = std::filesystem;

TextureImage Opaque(uint32_t width, uint32_t height)
{
    return MakePicture(width, height, [](uint32_t x, uint32_t y) { return 0xFF000000u | x << 17 | y << 9 | 40; });
}

TextureImage Flat(uint32_t colour) { return MakePicture(8, 8, [=](uint32_t, uint32_t) { return colour; }); }

TEST(ConvertDefaults, DdsIsDxt1OrDxt5WithAFullChainPngIsLevelZero)
{
    TempFolder folder;
    WritePng(folder / "opaque.png", Opaque(16, 8));
    WritePng(folder / "alpha.png", TestPicture(16, 8));
    struct Case {
        const char* input;
        const char* output;
        std::vector<std::string> options;
        const char* statusLine;
    };
    const std::vector<Case> cases = {
        {"opaque.png", "o.dds", {}, "o.dds: dds, dxt1, 2d 16x8, 5 levels"},
        {"alpha.png", "a.dds", {}, "a.dds: dds, dxt5, 2d 16x8, 5 levels"},
        {"alpha.png", "n.dds", {"--no-mips"}, "n.dds: dds, dxt5, 2d 16x8, 1 level"},
        {"alpha.png", "m.dds", {"--mips", "1", "--format", "AUTO"}, "m.dds: dds, dxt5, 2d 16x8, 1 level"},
        {"opaque.png", "k.dds", {"--colorkey", "FF000028"}, "k.dds: dds, dxt5, 2d 16x8, 5 levels"},
        {"alpha.png", "p.png", {}, "p.png: png, 8-bit rgba, 2d 16x8, level 0"},
        {"a.dds", "again.dds", {}, "again.dds: dds, dxt5, 2d 16x8, 5 levels"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"convert", folder / c.input, "-o", folder / c.output};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const RunResult result = RunTool(arguments, folder);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_NE(result.out.find(c.statusLine), std::string::npos) << result.out;
    }
    // Vectors keep their format: block compression would wreck them.
    WriteDds(folder / "bump.dds", MakeTexture(D3DFMT_V8U8, TextureKind::Flat, 8, 8, 1, 1));
    EXPECT_NE(RunTool({"convert", folder / "bump.dds", "-o", folder / "b.dds"}, folder).out.find("v8u8, 2d 8x8, 4 levels"),
              std::string::npos);
}

TEST(ConvertDefaults, SixteenBitPngBecomesEightBitUnlessAsked)
{
    TempFolder folder;
    const TextureImage wide = ConvertLevels(TestPicture(8, 8), FMT_A16R16G16B16, 1, LoadOptions{});
    WriteBytes(folder / "wide.png", EncodePng(wide, AlphaOutput::Keep));
    ASSERT_EQ(RunTool({"convert", folder / "wide.png", "-o", folder / "eight.png"}, folder).exitCode, 0);
    EXPECT_EQ(ReadTextureFile(folder / "eight.png").format, D3DFMT_A8R8G8B8);
    ASSERT_EQ(RunTool({"convert", folder / "wide.png", "-o", folder / "deep.png", "--format", "a16r16g16b16"}, folder)
                  .exitCode,
              0);
    EXPECT_EQ(ReadTextureFile(folder / "deep.png").surfaces, wide.surfaces);
}

TEST(ConvertSafety, AnOutputThatIsAnInputIsRefusedBeforeAnythingIsWritten)
{
    TempFolder folder;
    WritePng(folder / "a.png", TestPicture(8, 8));
    WritePng(folder / "b.png", TestPicture(4, 4));
    const std::string original = Slurp(folder / "a.png");
    fs::create_symlink(folder / "a.png", folder / "link.png");
    fs::create_hard_link(folder / "a.png", folder / "hard.png");
    const std::vector<std::vector<std::string>> attempts = {
        {folder / "a.png", "-o", folder / "a.png"},
        {folder / "a.png", "-o", folder.Path().string() + "/./a.png"},
        {folder / "a.png", "-o", folder / "link.png"},
        {folder / "hard.png", "-o", folder / "a.png"},
        {folder / "b.png", folder / "a.png", "--outdir", folder.Path().string(), "--file-type", "png"},
    };
    for (std::vector<std::string> attempt : attempts) {
        attempt.insert(attempt.begin(), "convert");
        attempt.insert(attempt.end(), {"--format", "dxt1", "--mips", "1"});
        const RunResult result = RunTool(attempt, folder);
        EXPECT_EQ(result.exitCode, 1) << attempt[1] << " " << attempt[3];
        EXPECT_NE(result.err.find("refusing to write"), std::string::npos) << result.err;
    }
    EXPECT_EQ(Slurp(folder / "a.png"), original);
    EXPECT_EQ(ReadTextureFile(folder / "b.png").width, 4u) << "nothing of the batch was written";
}

// Names made for array textures, cube faces and volume slices are held to
// the inputs and to each other before anything is written, as plain names
// are.
TEST(ConvertSafety, GeneratedNamesNeverOverwriteInputsOrEachOther)
{
    TempFolder folder;
    fs::create_directories(folder / "arr");
    const TextureImage picture = TestPicture(8, 8);
    WriteDds(folder / "sky.dds", MakeTexture(D3DFMT_A8R8G8B8, TextureKind::Cube, 8, 8, 1, 1));
    WritePng(folder / "sky_posx.png", picture);
    const std::vector<TextureImage> layers = {picture, picture};
    WriteBytes(folder / "arr/tex.dds", dds::WriteArray(layers));
    WritePng(folder / "arr/tex_layer1.png", picture);
    // An array stored under a picture's name: its first texture's picture
    // would be written over it.
    WriteBytes(folder / "X_layer0.png", dds::WriteArray(layers));
    struct Case {
        std::vector<std::string> arguments;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {{folder / "sky.dds", folder / "sky_posx.png", "--outdir", folder / "o", "--file-type", "png"},
         "two outputs would both be written to"},
        {{folder / "arr/tex.dds", folder / "arr/tex_layer1.png", "--outdir", folder / "o", "--file-type", "png"},
         "two outputs would both be written to"},
        {{folder / "X_layer0.png", "-o", folder / "X.png"}, "refusing to write"},
        {{folder / "sky.dds", "-o", "-", "--file-type", "png"}, "is a cube map, several PNG files"},
        {{folder / "arr/tex.dds", "-o", "-", "--file-type", "png"}, "is a texture array, several PNG files"},
    };
    const std::string original = Slurp(folder / "X_layer0.png");
    for (Case c : cases) {
        c.arguments.insert(c.arguments.begin(), "convert");
        const RunResult result = RunTool(c.arguments, folder);
        EXPECT_EQ(result.exitCode, 1) << c.arguments[1] << "\n" << result.err;
        EXPECT_NE(result.err.find(c.expected), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
    }
    EXPECT_FALSE(fs::exists(folder / "o"));
    EXPECT_EQ(Slurp(folder / "X_layer0.png"), original);
    EXPECT_FALSE(fs::exists(folder / "X_layer1.png"));
}

TEST(InputOrder, FaceNamesSlicesAndStems)
{
    const std::vector<std::pair<std::string, int>> names = {
        {"sky_posx.png", 0}, {"SKY_NEGX.PNG", 1}, {"skyposy.tga", 2}, {"a/sky-ny.png", 3}, {"sky+z.png", 4},
        {"sky-z.png", 5},    {"Right.png", 0},    {"left.png", 1},    {"top.png", 2},      {"sky_bottom.png", 3},
        {"front.png", 4},    {"Back.png", 5},     {"desktop.png", -1}, {"cleft.png", -1},  {"left_top.png", -1},
    };
    for (const auto& [name, face] : names) {
        const std::optional<size_t> found = FaceNamedBy(name);
        EXPECT_EQ(found ? int(*found) : -1, face) << name;
    }
    EXPECT_TRUE(NaturalLess("s2.png", "s10.png"));
    EXPECT_FALSE(NaturalLess("s10.png", "s9.png"));
    EXPECT_TRUE(NaturalLess("a1b2", "a1b10"));
    EXPECT_EQ(CommonStem({"d/sky_posx.png", "d/sky_negx.png"}, "cube"), "sky");
    EXPECT_EQ(CommonStem({"slice1.png", "slice10.png", "slice2.png"}, "volume"), "slice");
    EXPECT_EQ(CommonStem({"right.png", "left.png"}, "cube"), "cube");
    // Names share the first byte of "\xC3\xA4" and "\xC3\xB6" (a and o with
    // two dots), not a character.
    EXPECT_EQ(CommonStem({"x\xC3\xA4_posx.png", "x\xC3\xB6_negx.png"}, "cube"), "x");
    EXPECT_EQ(CommonStem({"\xC3\xA4_posx.png", "\xC3\xB6_negx.png"}, "cube"), "cube");
}

TEST(ConvertCube, FacesGoWhereTheirNamesSayWhateverTheOrder)
{
    TempFolder folder;
    const char* const names[6] = {"posx", "negx", "posy", "negy", "posz", "negz"};
    const uint32_t colours[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF};
    std::vector<std::string> arguments = {"convert"};
    for (int face = 5; face >= 0; --face) { // the shell's order: negx before posx
        const std::string path = folder / ("sky_" + std::string(names[face]) + ".png");
        WritePng(path, Flat(colours[face]));
        arguments.push_back(path);
    }
    arguments.insert(arguments.end(), {"--cube", "--outdir", folder / "out", "--format", "a8r8g8b8", "--mips", "1"});
    const RunResult named = RunTool(arguments, folder);
    ASSERT_EQ(named.exitCode, 0) << named.err;
    EXPECT_EQ(named.err, "") << "no notice when the names tell";
    const TextureImage cube = ReadTextureFile(folder / "out/sky.dds");
    for (uint32_t face = 0; face < 6; ++face)
        EXPECT_EQ(PixelAt(cube, face, 0, 3, 3), colours[face]) << names[face];

    // No names: by position, with the mapping told.
    std::vector<std::string> plain = {"convert"};
    for (int i = 0; i < 6; ++i) {
        plain.push_back(folder / (std::string(1, char('a' + i)) + ".png"));
        WritePng(plain.back(), Flat(colours[i]));
    }
    plain.insert(plain.end(), {"--cube", "-o", folder / "plain.dds", "--format", "a8r8g8b8", "--mips", "1"});
    const RunResult positional = RunTool(plain, folder);
    ASSERT_EQ(positional.exitCode, 0) << positional.err;
    EXPECT_NE(positional.err.find("a.png as +x, " + (folder / "b.png") + " as -x"), std::string::npos)
        << positional.err;

    // Some named, some not: refused.
    plain[1] = folder / "sky_posx.png";
    EXPECT_EQ(RunTool(plain, folder).exitCode, 1);
}

TEST(ConvertVolume, SlicesInNaturalOrderNamedAfterTheirStem)
{
    TempFolder folder;
    std::vector<std::string> arguments = {"convert"};
    for (int slice : {1, 10, 11, 2, 3, 4, 5, 6, 7, 8, 9}) { // as a shell sorts them
        arguments.push_back(folder / ("slice" + std::to_string(slice) + ".png"));
        WritePng(arguments.back(), Flat(0xFF000000u | uint32_t(slice)));
    }
    arguments.insert(arguments.end(), {"--volume", "--outdir", folder / "out", "--format", "a8r8g8b8", "--mips", "1"});
    ASSERT_EQ(RunTool(arguments, folder).exitCode, 0);
    const TextureImage volume = ReadTextureFile(folder / "out/slice.dds");
    ASSERT_EQ(volume.depth, 11u);
    for (uint32_t slice = 0; slice < 11; ++slice)
        EXPECT_EQ(volume.Surface(0, 0)[slice * 8 * 8 * 4], slice + 1) << slice;
}

TEST(ConvertStreams, StandardInputToStandardOutput)
{
    TempFolder folder;
    WritePng(folder / "in.png", TestPicture(8, 4));
    const RunResult png = RunTool({"convert", "-", "-o", "-", "--file-type", "png", "--format", "a8r8g8b8",
                                   "--mips", "1"},
                                  folder, folder / "in.png");
    ASSERT_EQ(png.exitCode, 0) << png.err;
    EXPECT_NE(png.err.find("standard input -> standard output"), std::string::npos) << "the report goes to stderr";
    const std::vector<BYTE> bytes(png.out.begin(), png.out.end());
    EXPECT_EQ(DecodeTexture(bytes, "out.png").surfaces, ReadTextureFile(folder / "in.png").surfaces);

    const RunResult dds = RunTool({"convert", folder / "in.png", "-o", "-", "--format", "dxt1", "--mips", "0"}, folder);
    ASSERT_EQ(dds.exitCode, 0) << dds.err;
    EXPECT_EQ(dds.out.substr(0, 4), "DDS ");
    WriteBytes(folder / "piped.dds", std::vector<BYTE>(dds.out.begin(), dds.out.end()));
    const RunResult info = RunTool({"info", "-"}, folder, folder / "piped.dds");
    EXPECT_NE(info.out.find("standard input: dds, dxt1, 2d 8x4, 4 levels"), std::string::npos) << info.out;
}

// A batch prints each file's line when that file is done: the second input
// here is a pipe the test feeds only after it has seen the first line.
TEST(ConvertBatch, EachLineAppearsAsItsFileIsDone)
{
    TempFolder folder;
    WritePng(folder / "first.png", TestPicture(8, 8));
    const std::string fifo = folder / "second.png";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string command = Quote(R3AZTEX_PROGRAM) + " convert " + Quote(folder / "first.png") + " " +
                                Quote(fifo) + " --outdir " + Quote(folder / "out") +
                                " --format dxt1 --mips 1 --threads 1 2>&1";
    std::FILE* tool = ::popen(command.c_str(), "r");
    ASSERT_NE(tool, nullptr);
    pollfd ready{::fileno(tool), POLLIN, 0};
    // Generous: only a tool that holds its lines back ever waits this long,
    // and then it waits for the second file, which the test gives it next.
    const bool waited = ::poll(&ready, 1, 60000) == 0;
    char line[512] = {};
    const bool lineCame = !waited && std::fgets(line, sizeof line, tool) != nullptr;
    if (waited || lineCame) {
        const int writer = ::open(fifo.c_str(), O_WRONLY);
        const std::vector<BYTE> second = EncodePng(TestPicture(4, 4), AlphaOutput::Keep);
        EXPECT_EQ(::write(writer, second.data(), second.size()), ssize_t(second.size()));
        ::close(writer);
    }
    std::string rest;
    for (char more[512]; std::fgets(more, sizeof more, tool) != nullptr;)
        rest += more;
    EXPECT_EQ(::pclose(tool), 0) << rest;
    EXPECT_TRUE(lineCame) << "the first file's line waited for the second file";
    EXPECT_NE(std::string(line).find("first.png -> "), std::string::npos) << line;
    EXPECT_NE(rest.find("second.png -> "), std::string::npos) << rest;
}

} // namespace
} // namespace r3aztex
