// Sizes in image headers are checked before any pixel is allocated: beyond
// the limits (16384 per side, 1 GiB of pixels) a file is refused as
// unsupported, naming it; a header whose file is far too short for it is
// refused as malformed, still without allocating.
#include "tool_test_support.h"
#include "tools/r3aztex/tool_error.h"

#include "r3az8/tex/files/image_decoder.h"
#include "r3az8/tex/texture/texture_error.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <fstream>
#include <thread>

namespace r3aztex {
namespace {

using namespace testing;

void PutBigEndian(std::vector<BYTE>& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(BYTE(value >> shift));
}

void PutChunk(std::vector<BYTE>& out, const char* type, const std::vector<BYTE>& data)
{
    PutBigEndian(out, uint32_t(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBigEndian(out, uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}

// A well-formed PNG header of any size, followed by one zero byte of image
// data: 57 bytes claiming width x height pixels.
std::vector<BYTE> PngClaiming(uint32_t width, uint32_t height, BYTE bitDepth)
{
    std::vector<BYTE> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<BYTE> header;
    PutBigEndian(header, width);
    PutBigEndian(header, height);
    header.insert(header.end(), {bitDepth, 6, 0, 0, 0}); // RGBA, deflate, no interlace
    PutChunk(file, "IHDR", header);
    const BYTE zero = 0;
    std::vector<BYTE> data(32);
    uLongf size = data.size();
    compress(data.data(), &size, &zero, 1);
    data.resize(size);
    PutChunk(file, "IDAT", data);
    PutChunk(file, "IEND", {});
    return file;
}

// Start of image, a baseline frame of one grey component, start of scan.
std::vector<BYTE> JpegClaiming(uint32_t width, uint32_t height)
{
    return {0xFF, 0xD8, 0xFF, 0xC0, 0, 11, 8, BYTE(height >> 8), BYTE(height), BYTE(width >> 8), BYTE(width), 1,
            1,    0x11, 0,    0xFF, 0xDA, 0, 8, 1, 1, 0, 0, 0x3F, 0, 0xFF, 0xD9};
}

// An uncompressed 32-bit TGA header without its pixels.
std::vector<BYTE> TgaClaiming(uint32_t width, uint32_t height)
{
    std::vector<BYTE> file(18, 0);
    file[2] = 2;
    file[12] = BYTE(width);
    file[13] = BYTE(width >> 8);
    file[14] = BYTE(height);
    file[15] = BYTE(height >> 8);
    file[16] = 32;
    return file;
}

ExitCode RefusalOf(const std::vector<BYTE>& file, const std::string& name)
{
    try {
        DecodeTexture(file, name);
    } catch (const TextureError& error) {
        EXPECT_EQ(std::string(error.what()).rfind(name + ": ", 0), 0u) << error.what();
        return ExitCodeOf(error);
    }
    ADD_FAILURE() << name << " was accepted";
    return ExitCode::Success;
}

TEST(ImageLimits, HeadersBeyondTheLimitsAreUnsupported)
{
    EXPECT_EQ(RefusalOf(PngClaiming(16385, 1, 8), "wide.png"), ExitCode::Unsupported);
    EXPECT_EQ(RefusalOf(PngClaiming(1, 16385, 8), "tall.png"), ExitCode::Unsupported);
    // 16384 x 16384 in 16 bits a channel: 2 GiB.
    EXPECT_EQ(RefusalOf(PngClaiming(16384, 16384, 16), "deep.png"), ExitCode::Unsupported);
    EXPECT_EQ(RefusalOf(JpegClaiming(16385, 8), "wide.jpg"), ExitCode::Unsupported);
    EXPECT_EQ(RefusalOf(JpegClaiming(65535, 65535), "huge.jpg"), ExitCode::Unsupported);
    EXPECT_EQ(RefusalOf(TgaClaiming(16385, 1), "wide.tga"), ExitCode::Unsupported);
    // Within the limits, but the pixels are missing.
    EXPECT_EQ(RefusalOf(PngClaiming(16384, 1, 8), "short.png"), ExitCode::Malformed);
    EXPECT_EQ(RefusalOf(TgaClaiming(16384, 1), "short.tga"), ExitCode::Malformed);
    EXPECT_EQ(RefusalOf(JpegClaiming(16384, 8), "short.jpg"), ExitCode::Malformed);
    // A smaller machine's limit, as the fuzz target sets it, comes first.
    LimitImagePixels(4096);
    EXPECT_EQ(RefusalOf(PngClaiming(4097, 1, 8), "over.png"), ExitCode::Unsupported);
    EXPECT_EQ(RefusalOf(JpegClaiming(64, 65), "over.jpg"), ExitCode::Unsupported);
    EXPECT_EQ(RefusalOf(PngClaiming(4096, 1, 8), "within.png"), ExitCode::Malformed);
    LimitImagePixels(0);
}

// libpng would set aside a chunk's declared length before reading it: a
// chunk claiming more than the file holds is refused first, by name.
TEST(ImageLimits, APngChunkClaimingMoreThanTheFileIsRefusedBeforeLibpngSeesIt)
{
    std::vector<BYTE> file = PngClaiming(8, 6, 8);
    file.resize(8 + 25); // the signature and IHDR
    PutBigEndian(file, 0x7FFFFFFF);
    file.insert(file.end(), {'z', 'T', 'X', 't', 'I', 'D', 'A', 'T'});
    try {
        DecodeTexture(file, "bomb.png");
        ADD_FAILURE() << "accepted";
    } catch (const TextureError& error) {
        EXPECT_EQ(ExitCodeOf(error), ExitCode::Malformed);
        EXPECT_STREQ(error.what(),
                     "bomb.png: PNG is damaged: its zTXt chunk claims 2147483647 bytes, more than the file holds");
    }
}

// A 57-byte PNG claiming 16384 x 16384 (1 GiB of pixels, within the limit)
// cannot hold that image: refused before its pixels are allocated, which the
// largest resident size of the tool's run shows.
TEST(ImageLimits, ATinyFileClaimingAHugeImageAllocatesNothingForIt)
{
    TempFolder folder;
    const std::string path = folder / "huge.png";
    WriteBytes(path, PngClaiming(16384, 16384, 8));
    const RunResult run = RunTool({"info", path}, folder);
    EXPECT_EQ(run.exitCode, 3) << run.err;
    EXPECT_NE(run.err.find(path + ": "), std::string::npos) << run.err;
    rusage usage{};
    ASSERT_EQ(getrusage(RUSAGE_CHILDREN, &usage), 0);
    EXPECT_LT(usage.ru_maxrss, 256 * 1024) << "kilobytes";

    WriteBytes(folder / "wide.png", PngClaiming(16385, 1, 8));
    const RunResult wide = RunTool({"info", folder / "wide.png"}, folder);
    EXPECT_EQ(wide.exitCode, 4) << wide.err;
    EXPECT_NE(wide.err.find("wide.png: image of 16385x1 pixels is beyond the limits"), std::string::npos) << wide.err;
}

// A line of /proc/self/status ("VmRSS", "VmHWM") in kilobytes.
long StatusKilobytes(const std::string& key)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key + ":", 0) == 0)
            return std::stol(line.substr(key.size() + 1));
    return -1;
}

// How far, in kilobytes, the resident size of a child process grows while it
// decodes the file; fails the test unless the file is refused as expected.
// The child starts with its parent's pages, so its peak is reset first and
// measured from there.
long GrowthOfRefusal(const std::vector<BYTE>& file, const std::string& name, ExitCode expected)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        std::ofstream("/proc/self/clear_refs") << "5"; // the peak back to the present size
        const long before = StatusKilobytes("VmRSS");
        int code = 0;
        try {
            DecodeTexture(file, name);
        } catch (const TextureError& error) {
            code = std::string(error.what()).rfind(name + ": ", 0) == 0 ? int(ExitCodeOf(error)) : 100;
        }
        const std::string growth = std::to_string(StatusKilobytes("VmHWM") - before);
        const ssize_t written = ::write(channel[1], growth.data(), growth.size());
        std::_Exit(written == ssize_t(growth.size()) ? code : 101);
    }
    ::close(channel[1]);
    char text[32] = {};
    const ssize_t got = ::read(channel[0], text, sizeof text - 1);
    ::close(channel[0]);
    int status = 0;
    EXPECT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == int(expected)) << name << ": status " << status;
    return got > 0 ? std::atol(text) : -1;
}

// A 1-bit PNG of 16384 x 16384 (1 GiB as A8R8G8B8) whose image data stops
// at half the rows, padded with a private chunk to 33 KB: enough bytes for
// the whole image were it all zeros.
std::vector<BYTE> PngWithHalfItsRows()
{
    constexpr uint32_t kSide = 16384;
    std::vector<BYTE> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<BYTE> header;
    PutBigEndian(header, kSide);
    PutBigEndian(header, kSide);
    header.insert(header.end(), {1, 0, 0, 0, 0}); // 1-bit grey
    PutChunk(file, "IHDR", header);
    const std::vector<BYTE> rows(size_t(kSide) * (1 + kSide / 8), 0);
    std::vector<BYTE> data(compressBound(uLong(rows.size())));
    uLongf size = data.size();
    compress2(data.data(), &size, rows.data(), uLong(rows.size()), 9);
    data.resize(size / 2);
    PutChunk(file, "prVt", std::vector<BYTE>(33000 - data.size(), 0));
    PutChunk(file, "IDAT", data);
    PutChunk(file, "IEND", {});
    return file;
}

// A grey baseline JPEG whose Huffman tables have one code each, one bit
// long: the DC difference 0 and the end of block. Every 8x8 block is then
// two zero bits, the least a sequential file can take: a flat mid-grey image
// of width x height in a quarter byte per block.
std::vector<BYTE> FlatJpeg(uint32_t width, uint32_t height)
{
    std::vector<BYTE> file = {0xFF, 0xD8, 0xFF, 0xDB, 0, 67, 0};
    file.insert(file.end(), 64, 1); // quantisation table 0: all ones
    file.insert(file.end(), {0xFF, 0xC0, 0, 11, 8, BYTE(height >> 8), BYTE(height), BYTE(width >> 8), BYTE(width),
                             1, 1, 0x11, 0});
    for (BYTE tableClass : {0x00, 0x10}) { // DC table 0, AC table 0
        file.insert(file.end(), {0xFF, 0xC4, 0, 20, tableClass, 1});
        file.insert(file.end(), 15, 0);
        file.push_back(0); // the one symbol: difference 0, or end of block
    }
    file.insert(file.end(), {0xFF, 0xDA, 0, 8, 1, 1, 0x00, 0, 0x3F, 0});
    const uint64_t blocks = uint64_t((width + 7) / 8) * ((height + 7) / 8);
    file.insert(file.end(), size_t((blocks + 3) / 4), 0);
    file.insert(file.end(), {0xFF, 0xD9});
    return file;
}

// Files whose headers promise 1 GiB of pixels, within the limits, that they
// cannot fill: refused before the canvas is allocated, so each costs little
// memory, not the gigabyte its header asks for.
TEST(ImageLimits, AFileThatCannotFillItsHeaderCostsLittleMemory)
{
    struct Case {
        const char* name;
        std::vector<BYTE> file;
    };
    std::vector<Case> cases = {
        {"half-rows.png", PngWithHalfItsRows()},
        {"baseline.jpg", JpegClaiming(16384, 16384)},
        {"cut.jpg", FlatJpeg(16384, 16384)},
        {"damaged.jpg", FlatJpeg(16384, 16384)},
    };
    cases[2].file.resize(cases[2].file.size() / 2);
    // One stuffed 0xFF byte in the middle: eight one bits, no code.
    std::vector<BYTE>& damaged = cases[3].file;
    damaged.insert(damaged.begin() + std::ptrdiff_t(damaged.size() / 2), {0xFF, 0x00});
    constexpr long kMostKilobytes = 256 * 1024;
    for (const Case& c : cases) {
        const long growth = GrowthOfRefusal(c.file, c.name, ExitCode::Malformed);
        EXPECT_GE(growth, 0) << c.name;
        EXPECT_LT(growth, kMostKilobytes) << c.name;
    }
}

// The checks that refuse such files early let through a file that
// compresses as far as its format allows: 64 MiB of flat grey in 64 KiB.
TEST(ImageLimits, AFileCompressedToTheUtmostStillDecodes)
{
    const TextureImage image = DecodeTexture(FlatJpeg(4096, 4096), "flat.jpg");
    ASSERT_EQ(image.width, 4096u);
    ASSERT_EQ(image.height, 4096u);
    const std::vector<BYTE>& pixels = image.Surface(0, 0);
    EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [&](BYTE b) { return b == 128 || b == 255; }));

    // Interlaced PNG files of odd sizes, whose rows are counted pass by
    // pass; ImageMagick writes them, and without it they are left out.
    const std::string convert = "/usr/bin/convert";
    if (::access(convert.c_str(), X_OK) != 0)
        return;
    TempFolder folder;
    struct Picture {
        uint32_t width, height;
        std::vector<std::string> options;
    };
    const std::vector<Picture> pictures = {
        {4097, 4093, {"xc:black", "-depth", "8"}},
        {4099, 4091, {"xc:gray", "-type", "Grayscale", "-depth", "1"}},
        {4095, 4097, {"gradient:", "-type", "Grayscale", "-depth", "16"}},
    };
    for (const Picture& picture : pictures) {
        std::vector<std::string> arguments = {"-size", std::to_string(picture.width) + "x" +
                                                           std::to_string(picture.height)};
        arguments.insert(arguments.end(), picture.options.begin(), picture.options.end());
        arguments.insert(arguments.end(), {"-interlace", "PNG", folder / "interlaced.png"});
        ASSERT_EQ(RunProgram(convert, arguments, folder).exitCode, 0) << picture.options[0];
        const TextureImage interlaced = ReadTextureFile(folder / "interlaced.png");
        EXPECT_EQ(interlaced.width, picture.width);
        EXPECT_EQ(interlaced.height, picture.height);
    }
}

// Input is looked at before it is read whole: a file of no known type, or
// named as one whose reader refuses it on its first bytes, is refused after
// them (/dev/zero would never end), and one larger than any image within the
// limits needs is refused by its size, unread.
TEST(ImageLimits, InputIsRefusedBeforeItIsReadWhole)
{
    TempFolder folder;
    const std::string large = folder / "large.png";
    WriteBytes(large, std::vector<BYTE>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
    ASSERT_EQ(::truncate(large.c_str(), off_t(kMaxInputBytes + 1)), 0); // sparse: nothing is written
    for (const char* name : {"zeros.png", "zeros.jpg", "zeros.tga"})
        ASSERT_EQ(::symlink("/dev/zero", (folder / name).c_str()), 0);
    struct Case {
        std::string path;
        ExitCode code;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"/dev/zero", ExitCode::Unsupported, ": not a DDS, PNG, TGA, JPEG, KTX2, EXR or HDR file"},
        {folder / "zeros.png", ExitCode::Malformed, ": not a PNG file"},
        {folder / "zeros.jpg", ExitCode::Malformed, ": JPEG cannot be read: Not a JPEG file"},
        {folder / "zeros.tga", ExitCode::Malformed, ": TGA header gives no pixels"},
        {large, ExitCode::Unsupported, ": file is larger than any image within the limits needs"},
    };
    for (const Case& c : cases) {
        try {
            ReadTextureLayers(c.path);
            ADD_FAILURE() << c.path << " was read";
        } catch (const TextureError& error) {
            EXPECT_EQ(ExitCodeOf(error), c.code) << error.what();
            EXPECT_NE(std::string(error.what()).find(c.expected), std::string::npos) << error.what();
            EXPECT_EQ(std::string(error.what()).rfind(c.path + ": ", 0), 0u) << error.what();
        }
    }
}

// A pipe gives its bytes in pieces of unknown number: all of them arrive,
// in order, across the blocks they are gathered in.
TEST(ImageLimits, APipeIsReadWhole)
{
    TempFolder folder;
    const std::string fifo = folder / "pipe.dds";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::vector<BYTE> sent((size_t(64) << 20) + 1000);
    for (size_t i = 0; i < sent.size(); ++i)
        sent[i] = BYTE(i * 2654435761u >> 24);
    std::copy_n("DDS ", 4, sent.begin());
    std::thread writer([&] {
        const int fd = ::open(fifo.c_str(), O_WRONLY);
        for (size_t at = 0; fd >= 0 && at < sent.size();) {
            const ssize_t put = ::write(fd, sent.data() + at, std::min<size_t>(sent.size() - at, 12345));
            if (put <= 0)
                break;
            at += size_t(put);
        }
        ::close(fd);
    });
    const std::vector<BYTE> received = ReadFileBytes(fifo);
    writer.join();
    EXPECT_TRUE(received == sent) << received.size() << " bytes of " << sent.size();
}

// Requests whose result would pass the limits are refused as unsupported,
// naming the input, before the work and without an output; the working
// copies they would need are no reason (the device held at most 2 GiB a
// level, and 16384 x 16384 working pixels take 2 or 4 GiB).
TEST(ImageLimits, ResultsBeyondTheLimitsAreRefusedByName)
{
    TempFolder folder;
    const std::string input = folder / "small.png";
    WritePng(input, TestPicture(8, 8));
    const std::vector<std::vector<std::string>> requests = {
        {"--resize", "16384x16384", "--format", "a8r8g8b8"},
        {"--resize", "16384x16384", "--format", "a16b16g16r16f", "--no-mips"},
        {"--resize", "16384x16384", "--format", "a32b32g32r32f", "--no-mips", "--filter", "linear"},
        {"--resize", "16384x16384", "--format", "a16b16g16r16f", "--no-mips", "--normal-map"},
        {"--resize", "16384x13000", "--format", "a8r8g8b8", "--mip-filter", "triangle"},
    };
    for (const std::vector<std::string>& request : requests) {
        std::vector<std::string> arguments = {"convert", input, "-o", folder / "big.dds"};
        arguments.insert(arguments.end(), request.begin(), request.end());
        const RunResult run = RunTool(arguments, folder);
        EXPECT_EQ(run.exitCode, 4) << request[3] << " " << run.err;
        EXPECT_NE(run.err.find(input + ": texture would need"), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(folder / "big.dds"));
    }
}

} // namespace
} // namespace r3aztex
