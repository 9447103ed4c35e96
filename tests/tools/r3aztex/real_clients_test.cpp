// Programs nobody here wrote, from Debian packages, must read what r3aztex
// writes: ImageMagick (identify, convert), NVIDIA Texture Tools (nvddsinfo,
// nvdecompress) and Pillow. Their decoded pixels must match the library's
// own decoding within the precision of the format, for every format the
// tool says they read.
#include "tool_test_support.h"

#include "tools/r3aztex/formats/other_readers.h"
#include "tools/r3aztex/processing/library_operations.h"

#include <filesystem>

namespace r3aztex {
namespace {

using namespace testing;
namespace fs = std::filesystem;

#define REQUIRE_PROGRAM(variable, name)                                                                      \
    const std::string variable = FindProgram(name);                                                          \
    if (variable.empty())                                                                                    \
        GTEST_SKIP() << name << " is not installed (Debian package " << (std::string(name).starts_with("nv") \
                                                                             ? "libnvtt-bin"                 \
                                                                         : std::string(name) == "python3"   \
                                                                             ? "python3-pil"                 \
                                                                             : "imagemagick")               \
                     << ")";

class RealClients : public ::testing::Test {
protected:
    void SetUp() override
    {
        WritePng(folder / "picture.png", TestPicture(64, 32));
        for (const char* format : {"dxt1", "dxt5", "a8r8g8b8", "bc4", "bc5"}) {
            const RunResult result = RunTool({"convert", folder / "picture.png", "-o", folder / (std::string(format) + ".dds"),
                                              "--format", format, "--mips", "0"},
                                             folder);
            ASSERT_EQ(result.exitCode, 0) << result.err;
        }
        const uint32_t colours[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF};
        std::vector<std::string> cube = {"convert"};
        for (int face = 0; face < 6; ++face) {
            const std::string name = folder / ("face" + std::to_string(face) + ".png");
            WritePng(name, MakePicture(16, 16, [&](uint32_t, uint32_t) { return colours[face]; }));
            cube.push_back(name);
        }
        std::vector<std::string> volume(cube.begin(), cube.begin() + 6);
        volume.insert(volume.end(), {"--volume", "--format", "a8r8g8b8"});
        cube.insert(cube.end(), {"--cube", "--format", "dxt1", "--mips", "0", "-o", folder / "cube.dds"});
        ASSERT_EQ(RunTool(cube, folder).exitCode, 0);
        std::vector<std::string> plainVolume = volume;
        plainVolume.insert(plainVolume.end(), {"--mips", "1", "-o", folder / "volume.dds"});
        ASSERT_EQ(RunTool(plainVolume, folder).exitCode, 0);
        volume.insert(volume.end(), {"--mips", "0", "-o", folder / "volume-mips.dds"});
        ASSERT_EQ(RunTool(volume, folder).exitCode, 0);
    }

    TempFolder folder;
};

TEST_F(RealClients, ImageMagickIdentifiesWhatWeWrite)
{
    REQUIRE_PROGRAM(identify, "identify");
    for (const char* name : {"dxt1.dds", "dxt5.dds", "a8r8g8b8.dds"}) {
        const RunResult result = RunProgram(identify, {folder / name}, folder);
        EXPECT_EQ(result.exitCode, 0) << name << ": " << result.err;
        EXPECT_NE(result.out.find("DDS 64x32"), std::string::npos) << result.out;
    }
    const RunResult cube = RunProgram(identify, {folder / "cube.dds"}, folder);
    EXPECT_EQ(cube.exitCode, 0) << cube.err;
    EXPECT_NE(cube.out.find("DDS 16x16"), std::string::npos) << cube.out;
}

TEST_F(RealClients, ImageMagickDecodesDxtLikeTheLibrary)
{
    REQUIRE_PROGRAM(convert, "convert");
    for (const char* name : {"dxt1", "dxt5", "a8r8g8b8"}) {
        const std::string png = folder / (std::string(name) + "-im.png");
        const RunResult result = RunProgram(convert, {folder / (std::string(name) + ".dds"), png}, folder);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const TextureImage theirs = AsEightBit(ReadTextureFile(png));
        const TextureImage ours = OurDecoding(folder / (std::string(name) + ".dds"));
        // DXT decoders differ only in how they round the interpolated
        // colours: one or two steps of 255.
        EXPECT_LE(LargestDifference(theirs, ours), std::string(name) == "a8r8g8b8" ? 0 : 2) << name;
    }
}

TEST_F(RealClients, ImageMagickReadsCubeFacesAndVolumeSlices)
{
    REQUIRE_PROGRAM(convert, "convert");
    ASSERT_EQ(RunProgram(convert, {folder / "cube.dds", folder / "cube-im.png"}, folder).exitCode, 0);
    for (uint32_t face = 0; face < 6; ++face) {
        const std::string png = folder / ("cube-im-" + std::to_string(face) + ".png");
        ASSERT_TRUE(fs::exists(png)) << png;
        EXPECT_LE(LargestDifference(AsEightBit(ReadTextureFile(png)), OurDecoding(folder / "cube.dds", face)), 2)
            << "face " << face;
    }
    // ImageMagick 6 looks for mips after every slice, so the volume it
    // reads is the one without mips.
    ASSERT_EQ(RunProgram(convert, {folder / "volume.dds", folder / "volume-im.png"}, folder).exitCode, 0);
    for (uint32_t slice = 0; slice < 5; ++slice) {
        const std::string png = folder / ("volume-im-" + std::to_string(slice) + ".png");
        ASSERT_TRUE(fs::exists(png)) << png;
        EXPECT_EQ(LargestDifference(AsEightBit(ReadTextureFile(png)), OurDecoding(folder / "volume.dds", 0, slice)),
                  0)
            << "slice " << slice;
    }
}

TEST_F(RealClients, NvddsinfoReadsOurHeaders)
{
    REQUIRE_PROGRAM(nvddsinfo, "nvddsinfo");
    const RunResult dxt1 = RunProgram(nvddsinfo, {folder / "dxt1.dds"}, folder);
    EXPECT_EQ(dxt1.exitCode, 0) << dxt1.err;
    for (const char* expected : {"Width: 64", "Height: 32", "Mipmap count: 7", "FourCC: 'DXT1'", "Linear size: 1024",
                                 "DDSCAPS_MIPMAP"})
        EXPECT_NE(dxt1.out.find(expected), std::string::npos) << expected << "\n" << dxt1.out;
    const RunResult argb = RunProgram(nvddsinfo, {folder / "a8r8g8b8.dds"}, folder);
    for (const char* expected : {"Pitch: 256", "Bit count: 32", "Red mask: 0x00FF0000", "Alpha mask: 0xFF000000"})
        EXPECT_NE(argb.out.find(expected), std::string::npos) << expected << "\n" << argb.out;
    const RunResult cube = RunProgram(nvddsinfo, {folder / "cube.dds"}, folder);
    EXPECT_NE(cube.out.find("DDSCAPS2_CUBEMAP_ALL_FACES"), std::string::npos) << cube.out;
    const RunResult volume = RunProgram(nvddsinfo, {folder / "volume-mips.dds"}, folder);
    EXPECT_NE(volume.out.find("Depth: 5"), std::string::npos) << volume.out;
    EXPECT_NE(volume.out.find("Mipmap count: 5"), std::string::npos) << volume.out;
}

TEST_F(RealClients, NvdecompressDecodesLikeTheLibrary)
{
    REQUIRE_PROGRAM(nvdecompress, "nvdecompress");
    for (const char* name : {"dxt1", "dxt5", "a8r8g8b8", "cube", "volume-mips"}) {
        const std::string dds = folder / (std::string(name) + ".dds");
        const RunResult result = RunProgram(nvdecompress, {dds}, folder);
        ASSERT_EQ(result.exitCode, 0) << name << ": " << result.err;
        // It writes the first face or slice of level 0 beside the input.
        const std::string tga = folder / (std::string(name) + ".tga");
        ASSERT_TRUE(fs::exists(tga)) << tga;
        EXPECT_LE(LargestDifference(ReadTextureFile(tga), OurDecoding(dds)), std::string(name) == "a8r8g8b8" ? 0 : 2)
            << name;
    }
    // BC4 comes out as grey (its red in every channel), BC5 as red and
    // green: within 1 of ours in what the file holds.
    for (const auto& [name, channels] : {std::pair{"bc4", 0x00FF0000u}, std::pair{"bc5", 0x00FFFF00u}}) {
        const std::string dds = folder / (std::string(name) + ".dds");
        const RunResult result = RunProgram(nvdecompress, {dds}, folder);
        ASSERT_EQ(result.exitCode, 0) << name << ": " << result.err;
        EXPECT_LE(LargestDifference(AsEightBit(ReadTextureFile(folder / (std::string(name) + ".tga"))),
                                    OurDecoding(dds), channels),
                  1)
            << name;
    }
}

// Whether a reader's picture shows what the library decodes, on the
// channels the format stores (alpha always: an opaque format must not come
// out transparent), within the format's precision.
bool ShowsTheSame(const TextureImage& theirs, const TextureImage& ours, const FormatInfo& format)
{
    if (theirs.width != ours.width || theirs.height != ours.height)
        return false;
    const BYTE stored = format.content == Content::Luminance ? BYTE(kRgb) : format.channels;
    uint32_t mask = 0xFF000000u;
    if (format.content != Content::AlphaOnly)
        mask |= (stored & kRed ? 0xFF0000u : 0) | (stored & kGreen ? 0xFF00u : 0) | (stored & kBlue ? 0xFFu : 0);
    const int tolerance = format.IsBlockCompressed() ? 2
                          : format.channelBits >= 8 ? 1
                                                    : (255 + (1 << format.channelBits) - 2) / ((1 << format.channelBits) - 1);
    return LargestDifference(theirs, ours, mask) <= tolerance;
}

// A palette of greys with falling alpha, for the paletted formats.
Palette GreyPalette()
{
    Palette palette{};
    for (size_t i = 0; i < palette.size(); ++i)
        palette[i] = {BYTE(i), BYTE(i), BYTE(i), BYTE(255 - i / 2)};
    return palette;
}

struct Reader {
    OtherReader reader;
    std::string program;
    // Decodes NAME.dds in the folder to a picture file; gives its path.
    std::function<std::string(const std::string& stem)> decode;
};

// Every format as the tool writes it, through every reader installed: a
// reader shows it like the library exactly when other_readers.cpp says it
// reads it, so `info` and the docs never claim too much or too little.
TEST(OtherReaders, ReadEveryFormatExactlyAsTheToolSays)
{
    TempFolder folder;
    std::vector<const FormatInfo*> written;
    for (const FormatInfo& format : AllFormats()) {
        if (!format.IsWritable())
            continue; // read, never written
        LoadOptions options;
        if (format.content == Content::Paletted)
            options.destinationPalette = GreyPalette();
        WriteDds(folder / (std::string(format.name) + ".dds"),
                 ConvertLevels(TestPicture(16, 16), format.format, 1, options));
        EXPECT_TRUE(ReadersOf(format.format).has_value()) << format.name << ": no facts about other readers";
        if (ReadersOf(format.format))
            written.push_back(&format);
    }
    const std::string python = FindProgram("python3");
    const bool pillow = !python.empty() && RunProgram(python, {"-c", "import PIL"}, folder).exitCode == 0;
    if (pillow) {
        std::vector<std::string> arguments = {"-c", "import sys\nfrom PIL import Image\nfor stem in sys.argv[1:]:\n"
                                                    "    try: Image.open(stem + '.dds').convert('RGBA').save(stem + "
                                                    "'-pil.png')\n    except Exception: pass\n"};
        for (const FormatInfo* format : written)
            arguments.push_back(folder / format->name);
        ASSERT_EQ(RunProgram(python, arguments, folder).exitCode, 0);
    }
    const std::vector<Reader> readers = {
        {kImageMagick, FindProgram("convert"),
         [&](const std::string& stem) {
             RunProgram(FindProgram("convert"), {stem + ".dds", stem + "-im.png"}, folder);
             return stem + "-im.png";
         }},
        {kNvdecompress, FindProgram("nvdecompress"),
         [&](const std::string& stem) {
             RunProgram(FindProgram("nvdecompress"), {stem + ".dds"}, folder);
             return stem + ".tga";
         }},
        {kPillow, pillow ? python : "", [](const std::string& stem) { return stem + "-pil.png"; }},
    };
    for (const Reader& reader : readers) {
        if (reader.program.empty())
            continue; // not installed here; the others still count
        for (const FormatInfo* format : written) {
            const std::string picture = reader.decode(folder / format->name);
            const bool reads = fs::exists(picture) &&
                               ShowsTheSame(AsEightBit(ReadTextureFile(picture)),
                                            OurDecoding(folder / (std::string(format->name) + ".dds")), *format);
            EXPECT_EQ(reads, (*ReadersOf(format->format) & reader.reader) != 0)
                << format->name << " and " << reader.program;
        }
    }
}

// Pillow (Debian python3-pil) reads the DX10 files we write where it knows
// the format: R8G8B8A8, here sRGB, which it notes as gamma 1/2.2. Both
// readers agree on a DX10 sRGB file from another project, too.
TEST_F(RealClients, PillowReadsOurDx10Files)
{
    REQUIRE_PROGRAM(python, "python3");
    const std::string dds = folder / "dx10.dds";
    ASSERT_EQ(RunTool({"convert", folder / "picture.png", "-o", dds, "--format", "a8r8g8b8", "--mips", "1", "--dx10",
                       "--srgb"},
                      folder)
                  .exitCode,
              0);
    EXPECT_EQ(ReadTextureFile(dds).colourSpace, ColourSpace::Srgb);
    const std::string sample = std::string(R3AZTEX_TEST_DATA) + "/pfim_wose_R8G8B8A8_UNORM_SRGB.DDS";
    for (const std::string& file : {dds, sample}) {
        const std::string png = file + ".pillow.png";
        const RunResult pillow = RunProgram(
            python,
            {"-c", "import sys\nfrom PIL import Image\nimage = Image.open(sys.argv[1])\n"
                   "image.convert('RGBA').save(sys.argv[2])\nprint(image.info.get('gamma'))",
             file, png},
            folder);
        if (pillow.exitCode != 0 && pillow.err.find("No module named") != std::string::npos)
            GTEST_SKIP() << "Pillow is not installed (Debian package python3-pil)";
        ASSERT_EQ(pillow.exitCode, 0) << pillow.err;
        EXPECT_NE(pillow.out.find("0.4545"), std::string::npos) << pillow.out;
        EXPECT_EQ(LargestDifference(ReadTextureFile(png), OurDecoding(file)), 0) << file;
        std::filesystem::remove(png);
    }
}

} // namespace
} // namespace r3aztex
