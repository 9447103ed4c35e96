// mirolan-play end to end: the files it writes and its exit codes.
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <png.h>
#include <webp/demux.h>

#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace {

namespace fs = std::filesystem;

class MirolanPlay : public test_support::FolderTest {
protected:
    // Runs the host with `arguments` and output into the test's folder;
    // returns its exit code. `shell` goes before the command (limits).
    int Run(const std::string& arguments, bool withOutput = true, const std::string& shell = "")
    {
        std::string command = shell + std::string(MIROLAN_PLAY_PATH) + " " + arguments;
        if (withOutput)
            command += " --out " + (folder_ / "out").string();
        command += " > " + (folder_ / "stdout.txt").string() + " 2> " + (folder_ / "stderr.txt").string();
        int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string Read(const std::string& name)
    {
        std::ifstream file(folder_ / name);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    fs::path Output(const std::string& name) const { return folder_ / "out" / name; }

    // Names in a folder that start with a dot: temporaries left behind.
    static std::vector<std::string> HiddenFiles(const fs::path& folder)
    {
        std::vector<std::string> hidden;
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path().filename().string().starts_with("."))
                hidden.push_back(entry.path().filename().string());
        return hidden;
    }

};

struct PngInfo {
    bool read = false;
    unsigned width = 0;
    unsigned height = 0;
    size_t colouredPixels = 0; // neither black nor grey
};

// The picture's pixels as RGBA, row by row; empty when it cannot be read.
std::vector<unsigned char> PngPixels(const fs::path& path, unsigned& width)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    std::vector<unsigned char> pixels;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return pixels;
    image.format = PNG_FORMAT_RGBA;
    pixels.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr))
        pixels.clear();
    width = image.width;
    return pixels;
}

PngInfo ReadPng(const fs::path& path)
{
    PngInfo info;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return info;
    image.format = PNG_FORMAT_RGBA;
    std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr))
        return info;
    info.read = true;
    info.width = image.width;
    info.height = image.height;
    for (size_t i = 0; i < pixels.size(); i += 4)
        if (pixels[i] != pixels[i + 1] || pixels[i + 1] != pixels[i + 2])
            ++info.colouredPixels;
    return info;
}

TEST_F(MirolanPlay, DefaultsWriteTheLastFrameAndTheSheet)
{
    ASSERT_EQ(Run(""), 0) << Read("stderr.txt");
    PngInfo last = ReadPng(Output("frame_0120.png"));
    ASSERT_TRUE(last.read);
    EXPECT_EQ(last.width, 128u);
    EXPECT_EQ(last.height, 128u);
    EXPECT_GT(last.colouredPixels, 100u) << "trails should be visible";
    PngInfo sheet = ReadPng(Output("contact_sheet.png"));
    ASSERT_TRUE(sheet.read);
    EXPECT_EQ(sheet.width, 4 * 128u + 5 * 4u);
    EXPECT_EQ(sheet.height, 2 * 128u + 3 * 4u);
    EXPECT_NE(Read("stdout.txt").find("Memory: no leaks."), std::string::npos);
}

TEST_F(MirolanPlay, SameSeedSameFrames)
{
    ASSERT_EQ(Run("--frames 10 --seed 5 --sheet 0"), 0);
    fs::rename(Output("frame_0010.png"), folder_ / "first.png");
    ASSERT_EQ(Run("--frames 10 --seed 5 --sheet 0"), 0);
    std::ifstream first(folder_ / "first.png", std::ios::binary);
    std::ifstream second(Output("frame_0010.png"), std::ios::binary);
    EXPECT_TRUE(std::equal(std::istreambuf_iterator<char>(first), {}, std::istreambuf_iterator<char>(second)));
}

TEST_F(MirolanPlay, PeriodicFramesMipLevelsAndScale)
{
    ASSERT_EQ(Run("--frames 30 --every 10 --scale 2 --param mipmaps=1 --param width=32 --param height=16"), 0)
        << Read("stderr.txt");
    for (const char* name : {"frame_0010.png", "frame_0020.png", "frame_0030.png"}) {
        PngInfo frame = ReadPng(Output(name));
        EXPECT_TRUE(frame.read) << name;
        EXPECT_EQ(frame.width, 64u) << name;
    }
    // Mip levels keep their true size.
    unsigned widths[] = {32, 16, 8, 4, 2, 1};
    unsigned heights[] = {16, 8, 4, 2, 1, 1};
    for (unsigned level = 0; level < 6; ++level) {
        PngInfo info = ReadPng(Output("last_level_" + std::to_string(level) + ".png"));
        ASSERT_TRUE(info.read) << level;
        EXPECT_EQ(info.width, widths[level]);
        EXPECT_EQ(info.height, heights[level]);
    }
    EXPECT_FALSE(fs::exists(Output("last_level_6.png")));
}

TEST_F(MirolanPlay, ParameterFileAndOverrides)
{
    std::ofstream(folder_ / "params.txt") << "width = 40\nheight = 24 ; small\n";
    ASSERT_EQ(Run("--frames 2 --params " + (folder_ / "params.txt").string() + " --param width=20"), 0)
        << Read("stderr.txt");
    PngInfo last = ReadPng(Output("frame_0002.png"));
    EXPECT_EQ(last.width, 20u);
    EXPECT_EQ(last.height, 24u);
}

TEST_F(MirolanPlay, ExitCodes)
{
    EXPECT_EQ(Run("--help", false), 0);
    EXPECT_NE(Read("stdout.txt").find("Exit codes"), std::string::npos);
    EXPECT_EQ(Run("--frames 0"), 1);
    EXPECT_EQ(Run("--dt nan"), 1);
    EXPECT_EQ(Run("--param width"), 1);
    EXPECT_EQ(Run("--no-such-option"), 1);
    EXPECT_EQ(Run("--params " + (folder_ / "missing.txt").string()), 2);
    EXPECT_EQ(Run("--params " + folder_.string()), 2); // a folder is no text
    std::ofstream(folder_ / "binary.txt") << std::string("width=8\0x", 9);
    EXPECT_EQ(Run("--params " + (folder_ / "binary.txt").string()), 2);
    std::ofstream(folder_ / "file") << "x";
    EXPECT_EQ(Run("--frames 1 --out " + (folder_ / "file").string(), false), 2);
    EXPECT_EQ(Run("--module " + (folder_ / "missing.so").string()), 3);
    EXPECT_NE(Read("stderr.txt").find("cannot load module"), std::string::npos);
    EXPECT_EQ(Run("--param width=0"), 3);
    EXPECT_NE(Read("stderr.txt").find("Create failed"), std::string::npos);
    EXPECT_NE(Read("stdout.txt").find("Memory: no leaks."), std::string::npos);
}

TEST_F(MirolanPlay, ModuleWithoutTheFactoryIsRefused)
{
    // Any shared library that is not an effect module.
    EXPECT_EQ(Run(std::string("--module ") + PWMEMLEAK_LIBRARY_PATH), 3);
    EXPECT_NE(Read("stderr.txt").find("no CreateEffect"), std::string::npos);
}

TEST_F(MirolanPlay, ParametersAreListedCheckedAndExplained)
{
    EXPECT_EQ(Run("--help", false), 0);
    EXPECT_NE(Read("stdout.txt").find("numparticles  10       0..1000000"), std::string::npos) << Read("stdout.txt");
    // The effect gets the text as it is: "fast" reads as 0, and the
    // unknown key leaves the count at its default.
    EXPECT_EQ(Run("--print-params --param numparticle=400 --param speed=fast --param width=0x40", false), 0);
    const std::string warnings = Read("stderr.txt");
    EXPECT_NE(warnings.find("unknown parameter 'numparticle'; did you mean numparticles?"), std::string::npos)
        << warnings;
    EXPECT_NE(warnings.find("speed = 'fast' is not a decimal number"), std::string::npos) << warnings;
    EXPECT_EQ(warnings.find("width"), std::string::npos) << "0x40 is a fine width";
    EXPECT_EQ(Read("stdout.txt"), "width = 64\nheight = 128 (default)\nnumparticles = 10 (default)\nspeed = 0\n"
                                  "lifetime = 3 (default)\nmipmaps = 0 (default)\n");
    EXPECT_EQ(Run("--param height=20000 --param width=1 --frames 1 --sheet 0"), 0);
    EXPECT_NE(Read("stderr.txt").find("height = '20000' is outside 1..16384"), std::string::npos);
    EXPECT_EQ(Run("--param width=70000 --param height=70000 --frames 1"), 3);
    EXPECT_NE(Read("stderr.txt").find("Create failed (0x80004005): width x height = 70000 x 70000"),
              std::string::npos)
        << Read("stderr.txt");
    // The README's example file runs without a word of warning.
    EXPECT_EQ(Run(std::string("--frames 2 --params ") + EXAMPLES_FOLDER + "/effect.txt"), 0);
    EXPECT_EQ(Read("stderr.txt"), "");
}

TEST_F(MirolanPlay, AnimationOfEveryFrame)
{
    // Each frame is stored as the rectangle that changed: the frames a
    // player shows must be the pictures written beside them.
    ASSERT_EQ(Run("--frames 12 --every 4 --scale 2 --dt 0.05 --param width=24 --param height=16 --animation " +
                  (folder_ / "run.webp").string()),
              0)
        << Read("stderr.txt");
    std::ifstream file(folder_ / "run.webp", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), {}};
    WebPData data{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, nullptr);
    ASSERT_NE(decoder, nullptr);
    WebPAnimInfo info{};
    ASSERT_TRUE(WebPAnimDecoderGetInfo(decoder, &info));
    EXPECT_EQ(info.canvas_width, 48u);
    EXPECT_EQ(info.canvas_height, 32u);
    EXPECT_EQ(info.frame_count, 12u);
    int shown = 0;
    uint8_t* pixels = nullptr;
    for (unsigned frame = 1; WebPAnimDecoderHasMoreFrames(decoder); ++frame) {
        ASSERT_TRUE(WebPAnimDecoderGetNext(decoder, &pixels, &shown));
        if (frame % 4 != 0)
            continue;
        char name[32];
        std::snprintf(name, sizeof name, "frame_%04u.png", frame);
        unsigned width = 0;
        const std::vector<unsigned char> written = PngPixels(Output(name), width);
        ASSERT_EQ(written.size(), 48u * 32u * 4u) << name;
        EXPECT_TRUE(std::equal(written.begin(), written.end(), pixels)) << name;
    }
    EXPECT_EQ(shown, 600) << "twelve frames of 50 ms each";
    WebPAnimDecoderDelete(decoder);
}

TEST_F(MirolanPlay, ContactSheetTilesAreNumberedAndTheSheetStaysSmall)
{
    ASSERT_EQ(Run("--frames 2 --sheet 2 --param width=16 --param height=16"), 0);
    unsigned width = 0;
    const std::vector<unsigned char> sheet = PngPixels(Output("contact_sheet.png"), width);
    ASSERT_EQ(width, 2 * 16u + 3 * 4u);
    // The 3x5 digits "1" and "2" at each tile's corner, one pixel inside
    // a black box: the top left of "1" is dark, of "2" lit.
    auto grey = [&](unsigned x, unsigned y) { return sheet[(size_t(y) * width + x) * 4]; };
    EXPECT_EQ(grey(4 + 1, 4 + 1), 0);
    EXPECT_EQ(grey(4 + 2, 4 + 1), 255);
    EXPECT_EQ(grey(24 + 1, 4 + 1), 255);

    ASSERT_EQ(Run("--frames 4 --sheet 4 --param width=1024 --param height=1024"), 0);
    EXPECT_LE(ReadPng(Output("contact_sheet.png")).width, 2048u);
}

TEST_F(MirolanPlay, ProgressWhenAsked)
{
    ASSERT_EQ(Run("--frames 10 --sheet 0 --progress always"), 0);
    EXPECT_NE(Read("stderr.txt").find("] 10/10 frames"), std::string::npos) << Read("stderr.txt");
    ASSERT_EQ(Run("--frames 2"), 0);
    EXPECT_EQ(Read("stderr.txt"), "") << "no progress off a terminal unless asked";
}

// Files already in the folder: those this run writes are replaced by
// complete pictures, everything else stays, also after a failed run.
TEST_F(MirolanPlay, EarlierFilesAreKeptUnlessThisRunWritesThem)
{
    struct Case {
        const char* name;
        bool written; // by `--frames 10 --every 5 --sheet 0`
    };
    const Case cases[] = {
        {"frame_0005.png", true}, {"frame_0010.png", true},   {"frame_0099.png", false},
        {"contact_sheet.png", false}, {"last_level_3.png", false}, {"notes.txt", false},
    };
    auto plant = [&] {
        fs::create_directories(folder_ / "out");
        for (const Case& c : cases)
            std::ofstream(Output(c.name)) << "earlier";
    };
    plant();
    ASSERT_EQ(Run("--frames 10 --every 5 --sheet 0"), 0) << Read("stderr.txt");
    for (const Case& c : cases) {
        EXPECT_EQ(Read("out/" + std::string(c.name)) == "earlier", !c.written) << c.name;
        if (c.written) {
            EXPECT_TRUE(ReadPng(Output(c.name)).read) << c.name;
        }
    }
    EXPECT_EQ(Read("stdout.txt").find("removed"), std::string::npos);

    // A run that fails keeps every earlier file.
    fs::remove_all(folder_ / "out");
    plant();
    ASSERT_EQ(Run("--frames 10 --every 5 --sheet 0 --param width=0"), 3);
    for (const Case& c : cases)
        EXPECT_EQ(Read("out/" + std::string(c.name)), "earlier") << c.name;
    EXPECT_EQ(HiddenFiles(folder_ / "out"), std::vector<std::string>{});
}

// A file that cannot be written is exit 2 with the file's name, whatever
// the reason, and the earlier animation survives a failed run whole.
TEST_F(MirolanPlay, FileErrorsExitWithTwoAndKeepTheEarlierAnimation)
{
    struct Case {
        const char* what;
        std::string arguments;
        std::function<void()> setUp;
        std::string shell;
        const char* message;
    };
    const std::string animation = (folder_ / "run.webp").string();
    std::ofstream(folder_ / "plain") << "x";
    const Case cases[] = {
        {"a folder named like the last frame", "--frames 2", [&] { fs::create_directories(Output("frame_0002.png")); },
         "", "frame_0002.png: cannot replace: Is a directory"},
        {"a folder named like the sheet", "--frames 2 --sheet 2",
         [&] { fs::create_directories(Output("contact_sheet.png")); }, "",
         "contact_sheet.png: cannot replace: Is a directory"},
        {"a folder named like a mip level", "--frames 2 --param mipmaps=1 --param width=8 --param height=8",
         [&] { fs::create_directories(Output("last_level_2.png")); }, "", "last_level_2.png: cannot replace"},
        {"the animation is a folder", "--frames 2 --animation " + (folder_ / "folder.webp").string(),
         [&] { fs::create_directories(folder_ / "folder.webp"); }, "", "folder.webp' is a folder"},
        {"the animation's folder is a file", "--frames 2 --animation " + (folder_ / "plain/a.webp").string(),
         [] {}, "", "cannot create folder for --animation"},
        // A full disk, as the file size limit makes one: writes fail
        // with EFBIG instead of ending the program.
        {"the disk fills with the animation", "--frames 40 --sheet 0 --animation " + animation, [] {},
         "trap '' XFSZ; ulimit -f 16; ", "run.webp: cannot write: File too large"},
        {"the disk fills with a frame", "--frames 3 --scale 4", [] {},
         "trap '' XFSZ; ulimit -f 4; ", "frame_0003.png: cannot write: File too large"},
    };
    for (const Case& c : cases) {
        fs::remove_all(folder_ / "out");
        fs::create_directories(folder_ / "out");
        std::ofstream(animation) << "earlier";
        c.setUp();
        EXPECT_EQ(Run(c.arguments, true, c.shell), 2) << c.what;
        EXPECT_NE(Read("stderr.txt").find(c.message), std::string::npos) << c.what << ": " << Read("stderr.txt");
        EXPECT_EQ(Read("run.webp"), "earlier") << c.what;
        EXPECT_EQ(HiddenFiles(folder_ / "out"), std::vector<std::string>{}) << c.what;
        EXPECT_EQ(HiddenFiles(folder_), std::vector<std::string>{}) << c.what;
    }
}

// --animation names a file the run will write over: it must not be the
// parameter file, and must say WebP.
TEST_F(MirolanPlay, AnimationNamesThatWouldDamageOrMisleadAreRefused)
{
    const std::string params = (folder_ / "p.webp").string();
    std::ofstream(params) << "width = 16\n";
    fs::create_hard_link(params, folder_ / "link.webp");
    struct Case {
        std::string animation;
        const char* message;
    };
    const Case cases[] = {
        {(folder_ / "anim.gif").string(), "its name must end in .webp"},
        {(folder_ / "anim").string(), "its name must end in .webp"},
        {params, "is the parameter file"},
        {(folder_ / "out/../p.webp").string(), "is the parameter file"},
        {(folder_ / "link.webp").string(), "is the parameter file"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Run("--frames 2 --params " + params + " --animation " + c.animation), 1) << c.animation;
        EXPECT_NE(Read("stderr.txt").find(c.message), std::string::npos) << c.animation << ": " << Read("stderr.txt");
        EXPECT_FALSE(fs::exists(Output("frame_0002.png"))) << "refused before the run: " << c.animation;
    }
    EXPECT_EQ(Read("p.webp"), "width = 16\n");
    // A frame WebP cannot hold is refused before the run too.
    EXPECT_EQ(Run("--frames 2 --param width=1024 --scale 16 --animation " + (folder_ / "a.webp").string()), 1);
    EXPECT_NE(Read("stderr.txt").find("frames of 16384x2048 (--scale 16) are larger than the 16383 pixels"),
              std::string::npos)
        << Read("stderr.txt");
    // Any letter case says WebP, and a missing folder is made first.
    EXPECT_EQ(Run("--frames 2 --params " + params + " --animation " + (folder_ / "new/A.WebP").string()), 0)
        << Read("stderr.txt");
    EXPECT_TRUE(fs::exists(folder_ / "new/A.WebP"));
}

// Memory that runs out is named for what was being done, and --sheet 0
// is offered only while the sheet holds frames.
TEST_F(MirolanPlay, OutOfMemorySaysWhatRanOut)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer reserves more address space than the limit allows";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "the address sanitizer reserves more address space than the limit allows";
#endif
#endif
#if !defined(__SANITIZE_ADDRESS__)
    struct Case {
        const char* arguments;
        const char* message;
        bool offersSheet;
    };
    // 2048 x 16 a side: 4 GiB a frame, over the limit; the texture fits.
    const Case cases[] = {
        {"--frames 1 --sheet 0", "out of memory writing frame 1 at 32768x32768 (try a smaller --scale)", false},
        {"--frames 2 --sheet 2", "out of memory writing frame 2 at 32768x32768 (try --sheet 0 or a smaller --scale)",
         true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Run(std::string(c.arguments) + " --scale 16 --param width=2048 --param height=2048", true,
                      "ulimit -v 1500000; "),
                  3)
            << c.arguments;
        const std::string err = Read("stderr.txt");
        EXPECT_NE(err.find(c.message), std::string::npos) << c.arguments << ": " << err;
        EXPECT_EQ(err.find("--sheet 0") != std::string::npos, c.offersSheet) << c.arguments << ": " << err;
    }
#endif
}

} // namespace
