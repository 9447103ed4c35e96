// Programs nobody here wrote, from Debian packages, must read what r3aztex
// writes: ImageMagick (identify, convert), NVIDIA Texture Tools (nvddsinfo,
// nvdecompress) and Pillow. Their decoded pixels must match the library's
// own decoding within the precision of the format, for every format the
// tool says they read.
#include "tools/r3aztex/tool_error.h"
#include "tool_test_support.h"

#include "r3az8/tex/convert/convert_pipeline.h"
#include "r3az8/tex/files/dds_format_table.h"
#include "r3az8/tex/files/dds_reader.h"
#include "r3az8/tex/files/other_readers.h"
#include "r3az8/tex/convert/library_operations.h"
#include "r3az8/tex/texture/texture_error.h"

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

// How a file is written: header, colour space, kind, mips, array size.
struct FileShape {
    std::string name;
    dds::HeaderStyle header;
    ColourSpace colourSpace;
    TextureKind kind;
    bool mips;
    uint32_t arraySize;
};

const FileShape kFlat = {"2d", dds::HeaderStyle::Classic, ColourSpace::Unspecified, TextureKind::Flat, false, 1};
const FileShape kFlatDx10 = {"dx10", dds::HeaderStyle::Dx10, ColourSpace::Unspecified, TextureKind::Flat, false, 1};
const FileShape kFlatSrgb = {"dx10-srgb", dds::HeaderStyle::Dx10, ColourSpace::Srgb, TextureKind::Flat, false, 1};

// The shapes beyond a plain 2D texture, each tried on the formats of
// kShapeFormats: what a reader does with a cube map, a volume, mips or an
// array depends on the header and on whether the format is block
// compressed, not on the format itself. Each header with each kind, with
// and without mips, then the arrays, which only the DX10 header records.
std::vector<FileShape> Shapes()
{
    constexpr struct {
        TextureKind kind;
        const char* name;
    } kKinds[] = {{TextureKind::Flat, "2d"}, {TextureKind::Cube, "cube"}, {TextureKind::Volume, "volume"}};
    std::vector<FileShape> shapes;
    for (const dds::HeaderStyle header : {dds::HeaderStyle::Classic, dds::HeaderStyle::Dx10})
        for (const auto& [kind, name] : kKinds)
            for (const bool mips : {false, true})
                if (kind != TextureKind::Flat || mips) // the plain 2D texture is tried on every format
                    shapes.push_back({std::string(header == dds::HeaderStyle::Dx10 ? "dx10-" : "") + name +
                                          (mips ? "-mips" : ""),
                                      header, ColourSpace::Unspecified, kind, mips, 1});
    shapes.push_back({"dx10-array", dds::HeaderStyle::Dx10, ColourSpace::Unspecified, TextureKind::Flat, false, 3});
    shapes.push_back({"dx10-array-mips", dds::HeaderStyle::Dx10, ColourSpace::Unspecified, TextureKind::Flat, true, 3});
    shapes.push_back({"dx10-cube-array", dds::HeaderStyle::Dx10, ColourSpace::Unspecified, TextureKind::Cube, true, 2});
    return shapes;
}

// One format of each storage (block, 32, 16 and 8 bits a pixel, grey,
// alpha); with the DX10 header only the three Pillow reads and one it does
// not, to keep the readers' run short. BC7 has no classic header.
constexpr struct {
    D3DFORMAT format;
    bool dx10;
} kShapeFormats[] = {{D3DFMT_DXT1, true},    {D3DFMT_BC5, true}, {D3DFMT_A8R8G8B8, true}, {FMT_BC7, true},
                     {D3DFMT_R5G6B5, false}, {D3DFMT_L8, false}, {D3DFMT_A8, false}};

// Pictures that differ from one face, slice, level and texture of an array
// to the next (`first` numbers the first), so a reader that takes one for
// another shows other pixels.
TextureImage Source(TextureKind kind, bool mips, uint32_t first)
{
    const uint32_t side = 16, depth = kind == TextureKind::Volume ? 4 : 1;
    TextureImage source =
        MakeTexture(D3DFMT_A8R8G8B8, kind, side, side, depth, mips ? FullChainLength(side, side, depth) : 1);
    for (uint32_t face = 0; face < source.Faces(); ++face)
        for (uint32_t level = 0; level < source.levels; ++level) {
            const LevelLayout layout = source.Level(level);
            BYTE* p = source.Surface(face, level).data();
            for (uint32_t z = 0; z < layout.depth; ++z)
                for (uint32_t y = 0; y < layout.height; ++y)
                    for (uint32_t x = 0; x < layout.width; ++x, p += 4) {
                        const uint32_t k = first + face + z + 3 * level;
                        p[0] = BYTE((x / 4 + y / 4 + k) % 2 ? 200 : 40);
                        p[1] = BYTE(y * 16 + k * 90);
                        p[2] = BYTE(x * 16 + k * 50);
                        p[3] = BYTE(255 - ((x + y) * 4 + k * 8) % 128);
                    }
        }
    return source;
}

// The file: for an array, the data of every texture after the first's.
std::vector<BYTE> WriteShape(const FormatInfo& format, const FileShape& shape)
{
    LoadOptions options;
    if (format.content == Content::Paletted)
        options.destinationPalette = GreyPalette();
    std::vector<BYTE> file;
    for (uint32_t layer = 0; layer < shape.arraySize; ++layer) {
        const TextureImage source = Source(shape.kind, shape.mips, 8 * layer);
        TextureImage texture = ConvertLevels(source, format.format, source.levels, options);
        texture.colourSpace = shape.colourSpace;
        const std::vector<BYTE> one = dds::Write(texture, shape.header);
        if (layer == 0)
            file = one;
        else
            file.insert(file.end(), one.end() - std::ptrdiff_t(texture.TotalBytes()), one.end());
    }
    if (shape.arraySize > 1)
        dds::StoreLittleEndian32(file.data() + dds::kDataOffset + 12, shape.arraySize);
    return file;
}

// Level 0 of every texture, face and slice, in that order, as the library
// decodes it.
std::vector<TextureImage> OurPictures(const std::vector<BYTE>& file)
{
    std::vector<TextureImage> pictures;
    for (const TextureImage& layer : dds::ReadContents(file, "ours").layers) {
        const TextureImage decoded = ConvertLevels(layer, D3DFMT_A8R8G8B8, 1, LoadOptions{});
        const LevelLayout layout = decoded.Level(0);
        for (uint32_t face = 0; face < decoded.Faces(); ++face)
            for (uint32_t slice = 0; slice < layout.depth; ++slice) {
                TextureImage picture =
                    MakeTexture(D3DFMT_A8R8G8B8, TextureKind::Flat, layout.width, layout.height, 1, 1);
                std::copy_n(decoded.Surface(face, 0).begin() + slice * layout.slicePitch, layout.slicePitch,
                            picture.Surface(0, 0).begin());
                pictures.push_back(std::move(picture));
            }
    }
    return pictures;
}

struct Case {
    std::string stem; // the file is STEM.dds
    const FormatInfo* format;
    ReaderQuery query;
    std::vector<TextureImage> ours;
};

enum class Outcome { Refused, Wrong, Right };
const char* OutcomeText(Outcome outcome)
{
    return outcome == Outcome::Refused ? "refuses it" : outcome == Outcome::Wrong ? "shows other pixels" : "reads it";
}

// A reader reads a file when it shows level 0 of the first texture, face
// or slice like the library, and the rest, if it shows any, in file order.
Outcome Judge(const std::vector<std::string>& pictures, const Case& c)
{
    if (pictures.empty())
        return Outcome::Refused;
    if (pictures.size() > c.ours.size())
        return Outcome::Wrong;
    for (size_t i = 0; i < pictures.size(); ++i) {
        try {
            if (!ShowsTheSame(AsEightBit(ReadTextureFile(pictures[i])), c.ours[i], *c.format))
                return Outcome::Wrong;
        } catch (const TextureError&) {
            return Outcome::Wrong;
        }
    }
    return Outcome::Right;
}

struct Reader {
    OtherReader reader;
    std::string program;
    // Decodes STEM.dds to picture files; gives their paths, none when it
    // refuses the file.
    std::function<std::vector<std::string>(const std::string& stem)> decode;
};

// What each reader shows of the files: one picture per face or slice
// (ImageMagick: STEM-im.png, or STEM-im-0.png ... for several), or of the
// first only (nvdecompress: STEM.tga; Pillow: STEM-pil.png).
std::vector<Reader> InstalledReaders(const TempFolder& folder, const std::vector<Case>& cases)
{
    std::vector<Reader> readers;
    if (const std::string convert = FindProgram("convert"); !convert.empty())
        readers.push_back({kImageMagick, convert, [&folder, convert](const std::string& stem) {
                               std::vector<std::string> pictures;
                               if (RunProgram(convert, {stem + ".dds", stem + "-im.png"}, folder).exitCode != 0)
                                   return pictures;
                               if (fs::exists(stem + "-im.png"))
                                   pictures.push_back(stem + "-im.png");
                               for (int i = 0; fs::exists(stem + "-im-" + std::to_string(i) + ".png"); ++i)
                                   pictures.push_back(stem + "-im-" + std::to_string(i) + ".png");
                               return pictures;
                           }});
    if (const std::string nvdecompress = FindProgram("nvdecompress"); !nvdecompress.empty())
        readers.push_back({kNvdecompress, nvdecompress, [&folder, nvdecompress](const std::string& stem) {
                               const bool ok = RunProgram(nvdecompress, {stem + ".dds"}, folder).exitCode == 0;
                               return ok && fs::exists(stem + ".tga") ? std::vector{stem + ".tga"}
                                                                      : std::vector<std::string>{};
                           }});
    const std::string python = FindProgram("python3");
    if (!python.empty() && RunProgram(python, {"-c", "import PIL"}, folder).exitCode == 0) {
        // One interpreter for every file: starting Python costs more than
        // decoding a small texture.
        std::vector<std::string> arguments = {"-c", "import sys\nfrom PIL import Image\nfor stem in sys.argv[1:]:\n"
                                                    "    try: Image.open(stem + '.dds').convert('RGBA').save(stem + "
                                                    "'-pil.png')\n    except Exception: pass\n"};
        for (const Case& c : cases)
            arguments.push_back(folder / c.stem);
        EXPECT_EQ(RunProgram(python, arguments, folder).exitCode, 0);
        readers.push_back({kPillow, python, [](const std::string& stem) {
                               return fs::exists(stem + "-pil.png") ? std::vector{stem + "-pil.png"}
                                                                    : std::vector<std::string>{};
                           }});
    }
    return readers;
}

// Every format as the tool writes it, with either header, and the shapes of
// Shapes(), through every reader installed: a reader shows a file like the
// library exactly when other_readers.cpp says it reads it, so `info` and
// the docs never claim too much or too little.
TEST(OtherReaders, ReadEveryFileExactlyAsTheToolSays)
{
    TempFolder folder;
    std::vector<Case> cases;
    auto add = [&](const FormatInfo& format, const FileShape& shape) {
        const std::string stem = std::string(format.name) + "-" + shape.name;
        const std::vector<BYTE> file = WriteShape(format, shape);
        WriteBytes(folder / (stem + ".dds"), file);
        const ReaderQuery query = ReaderQueryOf(dds::Describe(file, stem));
        EXPECT_TRUE(ReadersOf(query).has_value()) << stem << ": no facts about other readers";
        if (ReadersOf(query))
            cases.push_back({stem, &format, query, OurPictures(file)});
    };
    for (const FormatInfo& format : AllFormats()) {
        if (!LibraryEncodes(format.format) || dds::FindRow(format.format) == nullptr)
            continue; // read, never written, or never in DDS (ASTC)
        add(format, kFlat);
        if (!dds::NeedsDx10Header(format.format) && dds::DxgiFormOf(format.format, ColourSpace::Unspecified))
            add(format, kFlatDx10);
        if (const auto srgb = dds::DxgiFormOf(format.format, ColourSpace::Srgb);
            srgb && srgb->colourSpace == ColourSpace::Srgb)
            add(format, kFlatSrgb);
    }
    const std::vector<FileShape> shapes = Shapes();
    for (const auto& [format, dx10] : kShapeFormats)
        for (const FileShape& shape : shapes)
            if (shape.header == dds::HeaderStyle::Classic ? !dds::NeedsDx10Header(format) : dx10)
                add(*FindFormat(format), shape);

    for (const Reader& reader : InstalledReaders(folder, cases))
        for (const Case& c : cases) {
            const Outcome outcome = Judge(reader.decode(folder / c.stem), c);
            const bool said = (*ReadersOf(c.query) & reader.reader) != 0;
            EXPECT_EQ(outcome == Outcome::Right, said)
                << c.stem << ": " << reader.program << " " << OutcomeText(outcome) << "; other_readers.cpp says it "
                << (said ? "reads it" : "does not");
        }
}

// The readers were tried on the files r3aztex writes; a file that names its
// format otherwise (another DXGI number for it, red and blue exchanged)
// may fare otherwise, so nothing is claimed for it.
TEST(OtherReaders, ClaimNothingForLayoutsWeDoNotWrite)
{
    const auto query = [](D3DFORMAT format, DWORD dxgi, dds::Swizzle swizzle) {
        return ReaderQuery{format, ColourSpace::Unspecified, dxgi != 0, dxgi, swizzle, TextureKind::Flat, 1, 1};
    };
    const struct {
        ReaderQuery query;
        bool checked;
    } cases[] = {
        {query(D3DFMT_DXT1, 71, dds::Swizzle::None), true},             // BC1_UNORM, as we write it
        {query(D3DFMT_DXT1, 70, dds::Swizzle::None), false},            // BC1_TYPELESS
        {query(D3DFMT_A8R8G8B8, 28, dds::Swizzle::SwapRedBlue8), true}, // R8G8B8A8_UNORM, as we write it
        {query(D3DFMT_A8R8G8B8, 87, dds::Swizzle::None), false},        // B8G8R8A8_UNORM
        {query(D3DFMT_A8R8G8B8, 0, dds::Swizzle::None), true},          // classic masks
        {query(D3DFMT_A8R8G8B8, 0, dds::Swizzle::SwapRedBlue8), false}, // classic A8B8G8R8 masks
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadersOf(c.query).has_value(), c.checked)
            << ReaderShapeText(c.query) << ", swizzle " << int(c.query.swizzle);
}

// `info` looks the readers up by the file's own header, kind and mips, not
// by its format alone.
TEST_F(RealClients, InfoNamesTheReadersOfTheFileItself)
{
    const std::string all = R"("read_by": ["ImageMagick", "nvdecompress", "Pillow"])";
    const struct {
        std::vector<std::string> convert;
        std::string readBy;
    } cases[] = {
        {{"--format", "dxt1"}, all},
        {{"--format", "dxt1", "--dx10"}, R"("read_by": [])"},
        {{"--format", "bc7", "--cube"}, R"("read_by": ["Pillow"])"},
        {{"--format", "a8r8g8b8", "--dx10", "--srgb"}, R"("read_by": ["Pillow"])"},
        {{"--format", "a8r8g8b8", "--cube"}, R"("read_by": ["nvdecompress", "Pillow"])"},
        {{"--format", "a8r8g8b8", "--cube", "--no-mips"}, all},
        {{"--format", "dxt1", "--volume"}, R"("read_by": ["nvdecompress", "Pillow"])"},
    };
    for (const auto& c : cases) {
        const bool several = std::find(c.convert.begin(), c.convert.end(), "--cube") != c.convert.end() ||
                             std::find(c.convert.begin(), c.convert.end(), "--volume") != c.convert.end();
        std::vector<std::string> arguments = {"convert", "-q", "-o", folder / "case.dds"};
        for (int i = 0; i < (several ? 6 : 1); ++i)
            arguments.push_back(folder / (several ? "face" + std::to_string(i) + ".png" : "picture.png"));
        arguments.insert(arguments.end(), c.convert.begin(), c.convert.end());
        ASSERT_EQ(RunTool(arguments, folder).exitCode, 0) << arguments.back();
        const RunResult info = RunTool({"info", "--json", folder / "case.dds"}, folder);
        EXPECT_NE(info.out.find(c.readBy), std::string::npos) << c.convert[1] << " " << info.out;
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
    const std::string sample = std::string(R3AZ_TEST_DATA) + "/pfim_wose_R8G8B8A8_UNORM_SRGB.DDS";
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
