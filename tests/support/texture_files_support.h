// Helpers for tests of texture files and conversion: a folder of their
// own, test pictures, files of them, and other programs run on them.
#pragma once

#include "r3az8/tex/convert/library_operations.h"
#include "r3az8/tex/files/dds_writer.h"
#include "r3az8/tex/files/file_bytes.h"
#include "r3az8/tex/files/image_file.h"

#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <span>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace r3az8tex::testing {

using test_support::TempFolder;

inline std::string Slurp(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The bytes as the file's whole content.
inline void WriteBytes(const std::string& path, std::span<const BYTE> bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    ASSERT_TRUE(file.good()) << path;
}

// A w x h A8R8G8B8 picture whose pixel (x, y) is colour(x, y) as 0xAARRGGBB.
inline TextureImage MakePicture(uint32_t width, uint32_t height, const std::function<uint32_t(uint32_t, uint32_t)>& colour)
{
    TextureImage picture = MakeTexture(D3DFMT_A8R8G8B8, TextureKind::Flat, width, height, 1, 1);
    BYTE* pixels = picture.Surface(0, 0).data();
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t c = colour(x, y);
            BYTE* p = pixels + 4 * (size_t(y) * width + x);
            p[0] = BYTE(c);
            p[1] = BYTE(c >> 8);
            p[2] = BYTE(c >> 16);
            p[3] = BYTE(c >> 24);
        }
    return picture;
}

inline uint32_t PixelAt(const TextureImage& picture, uint32_t face, uint32_t level, uint32_t x, uint32_t y)
{
    const LevelLayout layout = picture.Level(level);
    const BYTE* p = picture.Surface(face, level).data() + size_t(y) * layout.rowPitch + 4 * size_t(x);
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// A colourful test picture with smooth areas, edges and varying alpha.
inline TextureImage TestPicture(uint32_t width, uint32_t height)
{
    return MakePicture(width, height, [&](uint32_t x, uint32_t y) {
        const uint32_t r = (x * 255) / (width > 1 ? width - 1 : 1);
        const uint32_t g = (y * 255) / (height > 1 ? height - 1 : 1);
        const uint32_t b = ((x / 8 + y / 8) % 2) ? 200 : 40;
        const uint32_t a = 255 - ((x + y) * 255) / (width + height);
        return a << 24 | r << 16 | g << 8 | b;
    });
}

inline void WritePng(const std::string& path, const TextureImage& picture)
{
    WriteBytes(path, EncodePng(picture, AlphaOutput::Keep));
}

inline void WriteDds(const std::string& path, const TextureImage& texture)
{
    WriteBytes(path, dds::Write(texture));
}

// 8-bit A8R8G8B8 of a decoded picture, whatever depth the reader gave.
inline TextureImage AsEightBit(const TextureImage& picture)
{
    return picture.format == D3DFMT_A8R8G8B8 ? picture : ConvertLevels(picture, D3DFMT_A8R8G8B8, 1, LoadOptions{});
}

// The largest channel difference between two pictures of one size.
inline int LargestDifference(const TextureImage& a, const TextureImage& b, uint32_t channelMask = 0xFFFFFFFF)
{
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
    int largest = 0;
    for (uint32_t y = 0; y < std::min(a.height, b.height); ++y)
        for (uint32_t x = 0; x < std::min(a.width, b.width); ++x) {
            const uint32_t p = PixelAt(a, 0, 0, x, y) & channelMask, q = PixelAt(b, 0, 0, x, y) & channelMask;
            for (int shift = 0; shift < 32; shift += 8)
                largest = std::max(largest, std::abs(int(p >> shift & 0xFF) - int(q >> shift & 0xFF)));
        }
    return largest;
}

// Our own decoding of one face (or slice) of level 0.
inline TextureImage OurDecoding(const std::string& ddsPath, uint32_t face = 0, uint32_t slice = 0)
{
    const TextureImage texture = ReadTextureFile(ddsPath);
    const TextureImage decoded = ConvertLevels(texture, D3DFMT_A8R8G8B8, 1, LoadOptions{});
    const LevelLayout layout = decoded.Level(0);
    TextureImage picture = MakeTexture(D3DFMT_A8R8G8B8, TextureKind::Flat, layout.width, layout.height, 1, 1);
    std::copy_n(decoded.Surface(face, 0).begin() + slice * layout.slicePitch, layout.slicePitch,
                picture.Surface(0, 0).begin());
    return picture;
}

struct RunResult {
    int exitCode;
    std::string out;
    std::string err;
};

inline std::string Quote(const std::string& argument)
{
    std::string quoted = "'";
    for (char c : argument)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs a program with its output captured in files of the folder and its
// standard input from `input`.
inline RunResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                            const TempFolder& folder, const std::string& input = "/dev/null")
{
    // Appended piece by piece: GCC 12 misreads chained concatenations of
    // temporaries here (-Wrestrict).
    std::string command = Quote(program);
    for (const std::string& argument : arguments) {
        command += ' ';
        command += Quote(argument);
    }
    const std::string out = folder / "stdout.txt", err = folder / "stderr.txt";
    command += " >";
    command += Quote(out);
    command += " 2>";
    command += Quote(err);
    command += " <";
    command += Quote(input);
    const int status = std::system(command.c_str());
    RunResult result{WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), Slurp(out), Slurp(err)};
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return result;
}

// The path of a program from a Debian package, or empty when it is not
// installed.
inline std::string FindProgram(const std::string& name)
{
    for (const char* directory : {"/usr/bin/", "/bin/", "/usr/local/bin/"}) {
        const std::string path = directory + name;
        if (::access(path.c_str(), X_OK) == 0)
            return path;
    }
    return "";
}

} // namespace r3az8tex::testing
