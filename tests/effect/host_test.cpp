// mirolan-play end to end: the files it writes and its exit codes.
#include <gtest/gtest.h>

#include <png.h>

#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class MirolanPlay : public ::testing::Test {
protected:
    void SetUp() override
    {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_folder = fs::temp_directory_path() / ("mirolan-play-" + std::to_string(::getpid()) + "-" + info->name());
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
    }
    void TearDown() override { fs::remove_all(m_folder); }

    // Runs the host with `arguments` and output into the test's folder;
    // returns its exit code.
    int Run(const std::string& arguments, bool withOutput = true)
    {
        std::string command = std::string(MIROLAN_PLAY_PATH) + " " + arguments;
        if (withOutput)
            command += " --out " + (m_folder / "out").string();
        command += " > " + (m_folder / "stdout.txt").string() + " 2> " + (m_folder / "stderr.txt").string();
        int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string Read(const std::string& name)
    {
        std::ifstream file(m_folder / name);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    fs::path Output(const std::string& name) const { return m_folder / "out" / name; }

    fs::path m_folder;
};

struct PngInfo {
    bool read = false;
    unsigned width = 0;
    unsigned height = 0;
    size_t colouredPixels = 0; // neither black nor grey
};

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
    fs::rename(Output("frame_0010.png"), m_folder / "first.png");
    ASSERT_EQ(Run("--frames 10 --seed 5 --sheet 0"), 0);
    std::ifstream first(m_folder / "first.png", std::ios::binary);
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
    std::ofstream(m_folder / "params.txt") << "width = 40\nheight = 24 ; small\n";
    ASSERT_EQ(Run("--frames 2 --params " + (m_folder / "params.txt").string() + " --param width=20"), 0)
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
    EXPECT_EQ(Run("--params " + (m_folder / "missing.txt").string()), 2);
    EXPECT_EQ(Run("--params " + m_folder.string()), 2); // a folder is no text
    std::ofstream(m_folder / "binary.txt") << std::string("width=8\0x", 9);
    EXPECT_EQ(Run("--params " + (m_folder / "binary.txt").string()), 2);
    std::ofstream(m_folder / "file") << "x";
    EXPECT_EQ(Run("--frames 1 --out " + (m_folder / "file").string(), false), 2);
    EXPECT_EQ(Run("--module " + (m_folder / "missing.so").string()), 3);
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

} // namespace
