// The built r3aztex run as a user runs it: exit codes, messages, outputs.
#include "tool_test_support.h"

#include "r3az8/tex/files/dds_reader.h"

#include <filesystem>
#include <sstream>

namespace r3aztex {
namespace {

using namespace testing;
namespace fs = std::filesystem;

TEST(Cli, HelpForEveryCommandAndTheVersion)
{
    TempFolder folder;
    RunResult help = RunTool({"--help"}, folder);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("convert"), std::string::npos);
    EXPECT_EQ(RunTool({"help"}, folder).out, help.out);
    for (const char* command : {"info", "convert", "diff"}) {
        RunResult result = RunTool({command, "--help"}, folder);
        EXPECT_EQ(result.exitCode, 0) << command;
        EXPECT_NE(result.out.find("--threads"), std::string::npos) << command;
        RunResult helpCommand = RunTool({"help", command}, folder);
        EXPECT_EQ(helpCommand.exitCode, 0) << command;
        EXPECT_EQ(helpCommand.out, result.out) << command;
    }
    EXPECT_NE(RunTool({"convert", "--help"}, folder).out.find("--mip-filter"), std::string::npos);
    RunResult version = RunTool({"--version"}, folder);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.starts_with("r3aztex ")) << version.out;
}

struct CommandLineCase {
    std::vector<std::string> arguments;
    const char* expectedInMessage;
};

TEST(Cli, CommandLineMistakesExitWithOne)
{
    TempFolder folder;
    const std::string png = folder / "in.png";
    WritePng(png, TestPicture(8, 8));
    std::vector<CommandLineCase> cases = {
        {{}, "say which command"},
        {{"resize"}, "unknown command 'resize'"},
        {{"convret", png}, "did you mean convert?"},
        {{"help", "conv"}, "did you mean convert?"},
        {{"diff", png, png, "--min-psrn", "30"}, "did you mean --min-psnr?"},
        {{"convert", png, png, "-o", folder / "o.dds", "--array", "--cube"}, "exclude each other"},
        {{"convert"}, "convert needs one or more input files"},
        {{"diff", png, png, "--max-rmse", "low"}, "--max-rmse: 'low' is not a number"},
        {{"convert", png}, "-o FILE or --outdir DIR"},
        {{"convert", png, png, "-o", folder / "o.dds"}, "-o takes one input"},
        {{"convert", png, "-o", folder / "o.bmp"}, ".dds, .png, .ktx2 or .exr"},
        {{"convert", png, "-o", folder / "o.dds", "--outdir", folder.Path().string()}, "one of them"},
        {{"convert", png, "-o", folder / "o.png", "--level", "3", "--format", "dxt1", "--mips", "2"}, "--level 3"},
        {{"info"}, "info needs one or more files"},
        {{"diff", png}, "diff needs two files"},
    };
    // Most mistakes are in the options of one conversion of the picture to
    // o.dds: these rows give the options as typed.
    const struct {
        const char* options;
        const char* expectedInMessage;
    } optionMistakes[] = {
        {"--fromat dxt1", "did you mean --format?"},
        {"--format dxt", "did you mean dxt1, dxt2, dxt3, dxt4 or dxt5?"},
        {"--format bc8", "did you mean bc4, bc5, bc7, bc1, bc2 or bc3?"},
        {"--mips abc", "--mips: 'abc' is not a whole number from 0 to 32"},
        {"--mips -1", "--mips: '-1' is not a whole number from 0 to 32"},
        {"--quality hgih", "did you mean high?"},
        {"--alpha-threshold 9", "add --format dxt1"},
        {"--filter trinagle", "did you mean triangle?"},
        {"--format dxt9", "unknown format 'dxt9'"},
        {"--resize 12", "--resize"},
        {"--resize 0x4", "at least 1"},
        {"--resize 4x4x", "--resize"},
        {"--colorkey FF00FF", "--colorkey"},
        {"--filter cubic", "filter"},
        {"--quality best", "quality"},
        {"--mirror u,x", "mirror"},
        {"--cube --volume", "exclude"},
        {"--cube", "six inputs"},
        {"--mips 5", "exceeds the 4 levels"},
        {"--premultiply --format a8r8g8b8", "dxt3 or dxt5"},
        {"--threads 0", "threads"},
    };
    for (const auto& [options, expectedInMessage] : optionMistakes) {
        std::vector<std::string> arguments = {"convert", png, "-o", folder / "o.dds"};
        std::istringstream words(options);
        for (std::string word; words >> word;)
            arguments.push_back(word);
        cases.push_back({arguments, expectedInMessage});
    }
    for (const CommandLineCase& c : cases) {
        const RunResult result = RunTool(c.arguments, folder);
        std::string shown;
        for (const std::string& a : c.arguments)
            shown += a + " ";
        EXPECT_EQ(result.exitCode, 1) << shown << "\n" << result.err;
        EXPECT_NE(result.err.find(c.expectedInMessage), std::string::npos) << shown << "\n" << result.err;
        EXPECT_TRUE(EveryLineIsTheTools(result.err)) << shown << "\n" << result.err;
    }
    EXPECT_FALSE(fs::exists(folder / "o.dds"));
    EXPECT_FALSE(fs::exists(folder / "o.png"));
}

TEST(Cli, FileProblemsExitWithTwo)
{
    TempFolder folder;
    RunResult missing = RunTool({"info", folder / "nothing.dds"}, folder);
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find("nothing.dds: cannot open"), std::string::npos) << missing.err;

    const std::string png = folder / "in.png";
    WritePng(png, TestPicture(8, 8));
    RunResult noFolder = RunTool({"convert", png, "-o", folder / "no/such/folder/out.dds"}, folder);
    EXPECT_EQ(noFolder.exitCode, 2);
    EXPECT_NE(noFolder.err.find("out.dds: cannot create"), std::string::npos) << noFolder.err;

    RunResult directory = RunTool({"convert", folder.Path().string(), "-o", folder / "out.dds"}, folder);
    EXPECT_EQ(directory.exitCode, 2);
    EXPECT_FALSE(fs::exists(folder / "out.dds"));

    WriteBytes(folder / "plain-file", std::vector<BYTE>{1});
    RunResult blocked = RunTool({"convert", png, "--outdir", folder / "plain-file/sub"}, folder);
    EXPECT_EQ(blocked.exitCode, 2);
    EXPECT_NE(blocked.err.find("cannot create"), std::string::npos) << blocked.err;
}

// Broken files, written by the test, through info and convert.
TEST(Cli, MalformedAndUnsupportedInputs)
{
    TempFolder folder;
    TextureImage texture = MakeTexture(D3DFMT_DXT1, TextureKind::Flat, 8, 8, 1, 4);
    std::vector<BYTE> good = dds::Write(texture);
    struct FileCase {
        const char* name;
        std::vector<BYTE> bytes;
        int exitCode;
    };
    auto changed = [&](size_t offset, DWORD value) {
        std::vector<BYTE> bytes = good;
        dds::StoreLittleEndian32(bytes.data() + offset, value);
        return bytes;
    };
    std::vector<BYTE> rgb = dds::Write(MakeTexture(D3DFMT_X8R8G8B8, TextureKind::Flat, 4, 4, 1, 1));
    dds::StoreLittleEndian32(rgb.data() + 88, 7); // bit count
    const std::vector<FileCase> cases = {
        {"truncated-header.dds", std::vector<BYTE>(good.begin(), good.begin() + 60), 3},
        {"truncated-data.dds", std::vector<BYTE>(good.begin(), good.begin() + 128 + 31), 3},
        {"header-size.dds", changed(4, 100), 3},
        {"zero-width.dds", changed(16, 0), 3},
        {"huge-width.dds", changed(16, 1u << 20), 4},
        {"cube-bits.dds", changed(112, 0xFC00), 3},
        {"bit-count-7.dds", rgb, 3},
        {"fourcc.dds", changed(84, MAKEFOURCC('E', 'T', 'C', ' ')), 4},
        {"damaged.png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R', 1, 2}, 3},
        {"text.bmp", {'B', 'M', 1, 2, 3}, 4},
    };
    for (const FileCase& c : cases) {
        const std::string path = folder / c.name;
        WriteBytes(path, c.bytes);
        const RunResult info = RunTool({"info", path}, folder);
        EXPECT_EQ(info.exitCode, c.exitCode) << c.name << ": " << info.err;
        EXPECT_NE(info.err.find(path + ": "), std::string::npos) << "the message names the file: " << info.err;
        const RunResult convert = RunTool({"convert", path, "-o", folder / "out.dds"}, folder);
        EXPECT_EQ(convert.exitCode, c.exitCode) << c.name << ": " << convert.err;
        EXPECT_FALSE(fs::exists(folder / "out.dds")) << c.name;
    }
}

std::vector<std::string> FolderEntries(const TempFolder& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.Path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A DX10 texture array: info lists its textures, convert writes each to
// its own file unless --layer picks one.
TEST(Cli, TextureArraysAndLayers)
{
    TempFolder folder;
    std::vector<TextureImage> layers;
    for (uint32_t layer = 0; layer < 3; ++layer)
        layers.push_back(MakePicture(4, 2, [&](uint32_t, uint32_t) { return 0xFF000000u | layer; }));
    const std::string array = folder / "array.dds";
    WriteBytes(array, dds::WriteArray(layers));

    const RunResult info = RunTool({"info", array}, folder);
    EXPECT_EQ(info.exitCode, 0) << info.err;
    EXPECT_NE(info.out.find("array of 3 textures"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("layer 2: 2d 4x2"), std::string::npos) << info.out;

    // DDS output keeps the array; PNG output is a picture per texture.
    const std::vector<std::string> plain = {"--format", "a8r8g8b8", "--mips", "1"};
    auto convert = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "convert");
        arguments.insert(arguments.end(), plain.begin(), plain.end());
        return RunTool(arguments, folder);
    };
    ASSERT_EQ(convert({array, "-o", folder / "kept.dds"}).exitCode, 0);
    ASSERT_EQ(convert({array, "--outdir", folder / "pictures", "--file-type", "png"}).exitCode, 0);
    const std::vector<TextureImage> kept = ReadTextureLayers(folder / "kept.dds");
    ASSERT_EQ(kept.size(), 3u);
    for (uint32_t layer = 0; layer < 3; ++layer) {
        EXPECT_EQ(PixelAt(kept[layer], 0, 0, 3, 1), 0xFF000000u | layer);
        const TextureImage picture =
            ReadTextureFile(folder / ("pictures/array_layer" + std::to_string(layer) + ".png"));
        EXPECT_EQ(PixelAt(picture, 0, 0, 3, 1), 0xFF000000u | layer);
    }
    // --array builds one from pictures of one size, in the order given.
    const RunResult built = convert({folder / "pictures/array_layer2.png", folder / "pictures/array_layer0.png",
                                     "--array", "-o", folder / "built.dds"});
    ASSERT_EQ(built.exitCode, 0) << built.err;
    const std::vector<TextureImage> rebuilt = ReadTextureLayers(folder / "built.dds");
    ASSERT_EQ(rebuilt.size(), 2u);
    EXPECT_EQ(PixelAt(rebuilt[0], 0, 0, 0, 0), 0xFF000002u);
    EXPECT_EQ(PixelAt(rebuilt[1], 0, 0, 0, 0), 0xFF000000u);

    ASSERT_EQ(convert({array, "-o", folder / "one.png", "--layer", "2"}).exitCode, 0);
    EXPECT_EQ(PixelAt(ReadTextureFile(folder / "one.png"), 0, 0, 0, 0), 0xFF000002u);
    const RunResult beyond = convert({array, "-o", folder / "x.dds", "--layer", "3"});
    EXPECT_EQ(beyond.exitCode, 1);
    EXPECT_NE(beyond.err.find("holds 3 textures"), std::string::npos) << beyond.err;
}

// A writer's habit is read with one warning line, none with --quiet.
TEST(Cli, LenientReadsWarnOnce)
{
    TempFolder folder;
    std::vector<BYTE> file = dds::Write(MakeTexture(D3DFMT_DXT1, TextureKind::Flat, 8, 8, 1, 4));
    dds::StoreLittleEndian32(file.data() + 76, 24); // pixel format size
    dds::StoreLittleEndian32(file.data() + 28, 9);  // mip count beyond the chain
    const std::string path = folder / "habits.dds";
    WriteBytes(path, file);
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"info", path},
          std::vector<std::string>{"convert", path, "-o", folder / "out.dds", "--format", "dxt1", "--mips", "1"}}) {
        const RunResult run = RunTool(command, folder);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 2) << run.err;
        EXPECT_NE(run.err.find(path + ": warning: pixel format size field is 24"), std::string::npos) << run.err;
        std::vector<std::string> quiet = command;
        quiet.push_back("--quiet");
        EXPECT_EQ(RunTool(quiet, folder).err, "");
    }
}

TEST(Cli, FailuresLeaveExistingOutputsAlone)
{
    TempFolder folder;
    const std::string output = folder / "out.dds";
    WriteBytes(output, std::vector<BYTE>{'o', 'l', 'd'});
    WriteBytes(folder / "bad.dds", std::vector<BYTE>{'D', 'D', 'S', ' ', 1});
    EXPECT_EQ(RunTool({"convert", folder / "bad.dds", "-o", output}, folder).exitCode, 3);
    EXPECT_EQ(Slurp(output), "old");
    EXPECT_EQ(FolderEntries(folder), (std::vector<std::string>{"bad.dds", "out.dds"})) << "no temporary file left";
}

TEST(Cli, BatchWithKeepGoing)
{
    TempFolder folder;
    fs::create_directories(folder / "out");
    WritePng(folder / "a.png", TestPicture(16, 16));
    WriteBytes(folder / "b.dds", std::vector<BYTE>{'D', 'D', 'S', ' '});
    WritePng(folder / "c.png", TestPicture(8, 4));
    const std::vector<std::string> batch = {"convert", folder / "a.png", folder / "b.dds", folder / "c.png", "--outdir",
                                            folder / "out", "--format", "dxt5", "--mips", "1", "--threads", "1"};
    RunResult stopping = RunTool(batch, folder);
    EXPECT_EQ(stopping.exitCode, 3);
    EXPECT_TRUE(fs::exists(folder / "out/a.dds"));
    EXPECT_FALSE(fs::exists(folder / "out/c.dds")) << "stops at the first failure";
    EXPECT_NE(stopping.err.find("1 of 3 failed, 1 not started"), std::string::npos) << stopping.err;

    std::vector<std::string> going = batch;
    going.push_back("--keep-going");
    RunResult kept = RunTool(going, folder);
    EXPECT_EQ(kept.exitCode, 3) << "the failure still shows in the exit code";
    EXPECT_TRUE(fs::exists(folder / "out/c.dds"));
    EXPECT_NE(kept.err.find("b.dds"), std::string::npos);
    EXPECT_NE(kept.err.find("r3aztex: 1 of 3 failed\n"), std::string::npos) << kept.err;
    EXPECT_NE(kept.out.find("c.png -> "), std::string::npos);
}

// The user's round: a folder of PNGs to DXT1 and DXT5 with mips, then info
// and diff on the results.
TEST(Cli, FolderOfPngsToCompressedDdsWithMips)
{
    TempFolder folder;
    fs::create_directories(folder / "png");
    WritePng(folder / "png/wall.png", TestPicture(64, 32));
    WritePng(folder / "png/sign.png", TestPicture(20, 12));
    RunResult convert = RunTool({"convert", folder / "png/wall.png", folder / "png/sign.png", "--outdir",
                                 folder / "dds", "--format", "DXT1", "--mips", "0", "--quiet"},
                                folder);
    ASSERT_EQ(convert.exitCode, 0) << convert.err;
    EXPECT_EQ(convert.out, "");

    RunResult info = RunTool({"info", "--json", folder / "dds/wall.dds", folder / "dds/sign.dds"}, folder);
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_NE(info.out.find("\"format\": \"dxt1\", \"kind\": \"2d\", \"width\": 64, \"height\": 32"),
              std::string::npos)
        << info.out;
    EXPECT_NE(info.out.find("\"level_count\": 7"), std::string::npos);
    EXPECT_NE(info.out.find("\"level_count\": 5"), std::string::npos) << "20x12 has five levels";
    EXPECT_NE(info.out.find("{\"level\": 6, \"width\": 1, \"height\": 1, \"depth\": 1, \"bytes\": 8}"),
              std::string::npos);

    RunResult text = RunTool({"info", folder / "dds/wall.dds"}, folder);
    EXPECT_NE(text.out.find("dds, dxt1, 2d 64x32, 7 levels"), std::string::npos) << text.out;

    RunResult diff = RunTool({"diff", "--json", folder / "png/wall.png", folder / "dds/wall.dds"}, folder);
    ASSERT_EQ(diff.exitCode, 0) << diff.err;
    EXPECT_NE(diff.out.find("\"level\": 0, \"width\": 64, \"height\": 32"), std::string::npos) << diff.out;
    EXPECT_NE(diff.out.find("\"rmse\""), std::string::npos);

    RunResult same = RunTool({"diff", folder / "dds/wall.dds", folder / "dds/wall.dds"}, folder);
    const size_t level6 = same.out.find("level 6 (1x1)");
    ASSERT_NE(level6, std::string::npos) << same.out;
    EXPECT_NE(same.out.find("all                            0.000      inf   1.0000", level6), std::string::npos)
        << same.out;
}

TEST(Cli, GammaCorrectMipsAndLinear)
{
    TempFolder folder;
    WritePng(folder / "stripes.png",
             MakePicture(16, 16, [](uint32_t x, uint32_t) { return x % 2 ? 0xFFFFFFFFu : 0xFF000000u; }));
    for (const bool linear : {false, true}) {
        std::vector<std::string> arguments = {"convert", folder / "stripes.png", "-o", folder / "s.dds", "--mips",
                                              "2", "--format", "a8r8g8b8"};
        if (linear)
            arguments.push_back("--linear");
        ASSERT_EQ(RunTool(arguments, folder).exitCode, 0);
        const TextureImage texture = dds::Read(ReadFileBytes(folder / "s.dds"), "s.dds");
        EXPECT_EQ(texture.format, D3DFMT_A8R8G8B8);
        const int level1 = int(PixelAt(texture, 0, 1, 3, 3) & 0xFF);
        if (linear) {
            EXPECT_EQ(level1, 128);
        } else {
            EXPECT_NEAR(level1, 188, 1);
        }
    }
}

TEST(Cli, PngOutputOfLevelsFacesAndSlices)
{
    TempFolder folder;
    WritePng(folder / "p.png", TestPicture(16, 8));
    ASSERT_EQ(RunTool({"convert", folder / "p.png", "-o", folder / "p.dds", "--mips", "0", "--format", "a8r8g8b8"},
                      folder)
                  .exitCode,
              0);
    ASSERT_EQ(RunTool({"convert", folder / "p.dds", "-o", folder / "level2.png", "--level", "2", "--format", "a8r8g8b8",
                       "--mips", "3"},
                      folder)
                  .exitCode,
              0);
    const TextureImage level2 = ReadTextureFile(folder / "level2.png");
    EXPECT_EQ(level2.width, 4u);
    EXPECT_EQ(level2.height, 2u);

    WritePng(folder / "square.png", TestPicture(16, 16));
    std::vector<std::string> faces = {"convert"};
    for (int i = 0; i < 6; ++i)
        faces.push_back(folder / "square.png");
    faces.insert(faces.end(), {"--cube", "--resize", "8x8", "-o", folder / "sky.png", "--format", "a8r8g8b8", "--mips", "1"});
    RunResult cube = RunTool(faces, folder);
    ASSERT_EQ(cube.exitCode, 0) << cube.err;
    for (const char* face : {"posx", "negx", "posy", "negy", "posz", "negz"})
        EXPECT_TRUE(fs::exists(folder / ("sky_" + std::string(face) + ".png"))) << face;

    RunResult volume =
        RunTool({"convert", folder / "p.png", folder / "p.png", folder / "p.png", "--volume", "-o", folder / "v.png",
                 "--format", "a8r8g8b8", "--mips", "1"},
                folder);
    ASSERT_EQ(volume.exitCode, 0) << volume.err;
    EXPECT_TRUE(fs::exists(folder / "v_slice2.png"));
    EXPECT_EQ(ReadTextureFile(folder / "v_slice1.png").surfaces, ReadTextureFile(folder / "p.png").surfaces);
}

TEST(Cli, OutputsAreByteIdenticalForAnyThreadCount)
{
    TempFolder folder;
    std::vector<std::string> inputs;
    for (int i = 0; i < 4; ++i) {
        inputs.push_back(folder / ("in" + std::to_string(i) + ".png"));
        WritePng(inputs.back(), TestPicture(40 + 24 * i, 40 - 4 * i));
    }
    for (const char* threads : {"1", "2"}) {
        const std::string out = folder / (std::string("out") + threads);
        fs::create_directories(out);
        std::vector<std::string> batch = {"convert"};
        batch.insert(batch.end(), inputs.begin(), inputs.end());
        batch.insert(batch.end(), {"--outdir", out, "--format", "dxt5", "--mips", "0", "--threads", threads});
        ASSERT_EQ(RunTool(batch, folder).exitCode, 0);
        std::vector<std::string> cube = {"convert"};
        for (int i = 0; i < 6; ++i)
            cube.push_back(inputs[0]);
        cube.insert(cube.end(), {"--cube", "--resize", "32x32", "--mips", "0", "--format", "dxt5", "--normal-map",
                                 "-o", out + "/cube.dds", "--threads", threads});
        ASSERT_EQ(RunTool(cube, folder).exitCode, 0);
    }
    for (const char* name : {"in0.dds", "in1.dds", "in2.dds", "in3.dds", "cube.dds"})
        EXPECT_EQ(Slurp(folder / (std::string("out1/") + name)), Slurp(folder / (std::string("out2/") + name)))
            << name;
}

} // namespace
} // namespace r3aztex
