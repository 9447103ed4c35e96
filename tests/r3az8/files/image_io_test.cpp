// PNG, TGA and JPEG input: every PNG colour type and depth, interlacing,
// TGA orientation and compression, JPEG, each checked against the picture
// it was made from. The variants are made by ImageMagick; without it these
// tests are skipped. PNG output is checked by reading it back.
#include "tests/support/texture_files_support.h"

#include "r3az8/tex/convert/library_operations.h"
#include "r3az8/tex/texture/texture_error.h"

#include <cmath>

namespace r3az8tex {
namespace {

using namespace testing;

std::string ImageMagick()
{
    return ::access("/usr/bin/convert", X_OK) == 0 ? "/usr/bin/convert" : "";
}

TextureImage EightBit(const TextureImage& picture)
{
    return picture.format == D3DFMT_A8R8G8B8 ? picture : ConvertLevels(picture, D3DFMT_A8R8G8B8, 1, LoadOptions{});
}

int LargestDifference(const TextureImage& a, const TextureImage& b)
{
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
    if (a.width != b.width || a.height != b.height)
        return 256;
    int largest = 0;
    for (uint32_t y = 0; y < a.height; ++y)
        for (uint32_t x = 0; x < a.width; ++x)
            for (int shift = 0; shift < 32; shift += 8)
                largest = std::max(largest, std::abs(int(PixelAt(a, 0, 0, x, y) >> shift & 0xFF) -
                                                     int(PixelAt(b, 0, 0, x, y) >> shift & 0xFF)));
    return largest;
}

TEST(PngOutput, ReadsBackExactlyIn8And16Bits)
{
    TempFolder folder;
    const TextureImage picture = TestPicture(37, 23);
    WritePng(folder / "eight.png", picture);
    const TextureImage eight = ReadTextureFile(folder / "eight.png");
    EXPECT_EQ(eight.format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(eight.surfaces, picture.surfaces);

    const TextureImage wide = ConvertLevels(picture, FMT_A16R16G16B16, 1, LoadOptions{});
    WriteBytes(folder / "sixteen.png", EncodePng(wide, AlphaOutput::Keep));
    const TextureImage sixteen = ReadTextureFile(folder / "sixteen.png");
    EXPECT_EQ(sixteen.format, FMT_A16R16G16B16);
    EXPECT_EQ(sixteen.surfaces, wide.surfaces);

    WriteBytes(folder / "opaque.png", EncodePng(picture, AlphaOutput::Drop));
    const TextureImage opaque = ReadTextureFile(folder / "opaque.png");
    for (uint32_t y = 0; y < picture.height; ++y)
        for (uint32_t x = 0; x < picture.width; ++x)
            ASSERT_EQ(PixelAt(opaque, 0, 0, x, y), PixelAt(picture, 0, 0, x, y) | 0xFF000000u);
}

struct Variant {
    const char* file;
    std::vector<std::string> options; // for ImageMagick, before the output name
    int tolerance;
};

// Pictures ImageMagick can store without loss in each variant.
TEST(ImageInput, PngTgaAndJpegVariantsDecodeToTheirPicture)
{
    const std::string convert = ImageMagick();
    if (convert.empty())
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    TempFolder folder;
    const TextureImage colour = TestPicture(29, 19);
    // Four colours and two alpha levels: fits a palette with transparency.
    const TextureImage few = MakePicture(29, 19, [](uint32_t x, uint32_t y) {
        // Writers drop the colour of fully transparent pixels: keep it black.
        const uint32_t colours[4] = {0xFFFF0000, 0xFF00FF00, 0x00000000, 0xFFFFFFFF};
        return colours[(x / 5 + y / 3) % 4];
    });
    const TextureImage grey = MakePicture(29, 19, [](uint32_t x, uint32_t y) {
        const uint32_t level = (x * 9 + y * 4) & 0xFF;
        return 0xFF000000u | level << 16 | level << 8 | level;
    });
    const TextureImage opaque = MakePicture(29, 19, [&](uint32_t x, uint32_t y) {
        return PixelAt(colour, 0, 0, x, y) | 0xFF000000u;
    });
    WritePng(folder / "colour.png", colour);
    WritePng(folder / "few.png", few);
    WritePng(folder / "grey.png", grey);
    WritePng(folder / "opaque.png", opaque);

    struct Case {
        const char* source;
        const TextureImage* picture;
        Variant variant;
    };
    const std::vector<Case> cases = {
        {"colour.png", &colour, {"interlaced.png", {"-interlace", "PNG"}, 0}},
        {"colour.png", &colour, {"deep.png", {"-depth", "16"}, 0}},
        {"opaque.png", &opaque, {"rgb.png", {"-alpha", "off"}, 0}},
        {"few.png", &few, {"palette.png", {"-type", "PaletteAlpha"}, 0}},
        {"grey.png", &grey, {"grey.png8", {"-type", "Grayscale"}, 0}},
        {"grey.png", &grey, {"grey16.png", {"-type", "Grayscale", "-depth", "16"}, 0}},
        {"opaque.png", &opaque, {"photo.jpg", {"-quality", "100", "-sampling-factor", "1x1"}, 6}},
    };
    for (const Case& c : cases) {
        std::string output = c.variant.file;
        if (output == "grey.png8")
            output = "PNG8:" + (folder / "grey8.png");
        else
            output = folder / output;
        std::vector<std::string> arguments = {folder / c.source};
        arguments.insert(arguments.end(), c.variant.options.begin(), c.variant.options.end());
        arguments.push_back(output);
        ASSERT_EQ(RunProgram(convert, arguments, folder).exitCode, 0) << c.variant.file;
        const std::string path = output.starts_with("PNG8:") ? output.substr(5) : output;
        const TextureImage decoded = ReadTextureFile(path);
        EXPECT_LE(LargestDifference(EightBit(decoded), *c.picture), c.variant.tolerance) << c.variant.file;
    }
    // A JPEG cut short decodes without complaint in many readers; here it
    // is refused.
    const std::vector<BYTE> jpeg = ReadFileBytes(folder / "photo.jpg");
    const std::vector<BYTE> cut(jpeg.begin(), jpeg.begin() + jpeg.size() * 2 / 3);
    try {
        DecodeTexture(cut, "cut.jpg");
        ADD_FAILURE() << "a cut JPEG was accepted";
    } catch (const TextureError& error) {
        EXPECT_EQ(error.Code(), ErrorKind::Malformed) << error.what();
    }
}

enum class Origin { TopLeft, BottomLeft };
enum class Packing { Raw, RunLength };

// A 32-bit TGA of the picture, written here by hand: header, then rows from
// the top or the bottom, plain or as run-length packets (runs where pixels
// repeat, raw packets otherwise).
std::vector<BYTE> EncodeTga(const TextureImage& picture, Origin origin, Packing packing)
{
    std::vector<BYTE> file(18, 0);
    file[2] = packing == Packing::Raw ? 2 : 10;
    file[12] = BYTE(picture.width);
    file[13] = BYTE(picture.width >> 8);
    file[14] = BYTE(picture.height);
    file[15] = BYTE(picture.height >> 8);
    file[16] = 32;
    file[17] = origin == Origin::TopLeft ? 0x28 : 0x08;
    for (uint32_t row = 0; row < picture.height; ++row) {
        const uint32_t y = origin == Origin::TopLeft ? row : picture.height - 1 - row;
        auto put = [&](uint32_t pixel) {
            for (int shift = 0; shift < 32; shift += 8)
                file.push_back(BYTE(pixel >> shift));
        };
        uint32_t x = 0;
        while (x < picture.width) {
            const uint32_t pixel = PixelAt(picture, 0, 0, x, y);
            if (packing == Packing::Raw) {
                put(pixel);
                ++x;
                continue;
            }
            uint32_t run = 1;
            while (x + run < picture.width && run < 128 && PixelAt(picture, 0, 0, x + run, y) == pixel)
                ++run;
            if (run > 1) {
                file.push_back(BYTE(0x80 | (run - 1)));
                put(pixel);
            } else {
                file.push_back(0);
                put(pixel);
            }
            x += run;
        }
    }
    return file;
}

TEST(ImageInput, TgaOrientationAndRunLengthPackets)
{
    // Runs of equal pixels and single ones, so both packet kinds occur.
    const TextureImage picture = MakePicture(23, 7, [](uint32_t x, uint32_t y) {
        return x < 9 ? 0x80102030u + y : 0xFF000000u | x << 16 | y << 8 | (x * y);
    });
    for (Origin origin : {Origin::TopLeft, Origin::BottomLeft})
        for (Packing packing : {Packing::Raw, Packing::RunLength}) {
            const std::vector<BYTE> tga = EncodeTga(picture, origin, packing);
            const TextureImage decoded = DecodeTexture(tga, "picture.tga");
            EXPECT_EQ(decoded.surfaces, picture.surfaces)
                << (origin == Origin::TopLeft ? "top-left " : "bottom-left ")
                << (packing == Packing::Raw ? "raw" : "run-length");
            // Every cut inside the pixel data is refused.
            for (size_t length = 18; length < tga.size(); length += 7) {
                const std::vector<BYTE> cut(tga.begin(), tga.begin() + length);
                EXPECT_THROW(DecodeTexture(cut, "cut.tga"), TextureError) << length;
            }
        }
}

// Indices of a colour map that starts at entry 1 would be looked up from
// entry 0 by the decoder: refused rather than given other colours.
TEST(ImageInput, TgaColourMapStartingAboveEntryZeroIsUnsupported)
{
    std::vector<BYTE> tga(18, 0);
    tga[1] = 1;  // a colour map
    tga[2] = 1;  // colour-mapped
    tga[3] = 1;  // its first entry is 1
    tga[5] = 2;  // two entries
    tga[7] = 24; // of 24 bits
    tga[12] = tga[14] = 1;
    tga[16] = 8;
    tga.insert(tga.end(), {10, 20, 30, 40, 50, 60, 1});
    try {
        DecodeTexture(tga, "mapped.tga");
        ADD_FAILURE() << "accepted";
    } catch (const TextureError& error) {
        EXPECT_EQ(error.Code(), ErrorKind::Unsupported) << error.what();
    }
}

TEST(ImageInput, DamagedFilesAreMalformed)
{
    TempFolder folder;
    const std::vector<BYTE> png = EncodePng(TestPicture(16, 16), AlphaOutput::Keep);
    for (size_t cut : {size_t(8), size_t(30), png.size() / 2, png.size() - 13}) {
        const std::vector<BYTE> truncated(png.begin(), png.begin() + cut);
        try {
            DecodeTexture(truncated, "cut.png");
            ADD_FAILURE() << "cut at " << cut << " was accepted";
        } catch (const TextureError& error) {
            EXPECT_EQ(error.Code(), ErrorKind::Malformed) << error.what();
            EXPECT_EQ(std::string(error.what()).rfind("cut.png: ", 0), 0u);
        }
    }
    std::vector<BYTE> tga(18, 0);
    tga[2] = 2;   // uncompressed true colour
    tga[12] = 64; // 64 pixels wide
    tga[14] = 64; // 64 high, but no pixels follow
    tga[16] = 32;
    EXPECT_THROW(DecodeTexture(tga, "short.tga"), TextureError);
    const std::vector<BYTE> jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0};
    EXPECT_THROW(DecodeTexture(jpeg, "short.jpg"), TextureError);
}

// The reader is picked by the signature or, without one, by the name: a
// file too short for either, or of other bytes, is refused naming it (as
// damaged when its name or signature says what it should have been), never
// read past its end.
TEST(ImageInput, FilesTooShortOrOtherThanTheirNameSaysAreRefusedByName)
{
    TempFolder folder;
    std::vector<BYTE> noise(100);
    uint32_t state = 12345;
    for (BYTE& b : noise)
        b = BYTE((state = state * 1103515245u + 12345u) >> 24);
    const std::vector<std::vector<BYTE>> contents = {
        {},
        {0x89},
        {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A},
        {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'},
        {0xFF, 0xD8, 0xFF},
        {'D', 'D', 'S', ' '},
        {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1},
        noise,
    };
    const char* names[] = {"f.png", "f.PNG", "f.dds", "f.tga", "f.jpg", "f.jpeg", "f.bmp", "f"};
    for (const std::vector<BYTE>& content : contents)
        for (const char* name : names) {
            const std::string path = folder / name;
            WriteBytes(path, content);
            const FileType type = DetectFileType(content, name);
            const bool pngSignature = content.size() >= 8 && content[0] == 0x89 && content[7] == '\n';
            try {
                ReadTextureLayers(path);
                ADD_FAILURE() << name << " of " << content.size() << " bytes was accepted";
            } catch (const TextureError& error) {
                const std::string message = error.what();
                EXPECT_EQ(message.rfind(path + ": ", 0), 0u) << message;
                if (type == FileType::Unknown) {
                    EXPECT_EQ(error.Code(), ErrorKind::Unsupported) << message;
                } else { // noise read as TGA may claim a size beyond the limits
                    EXPECT_TRUE(error.Code() == ErrorKind::Malformed || error.Code() == ErrorKind::Unsupported)
                        << message;
                }
                if (type == FileType::Png && !pngSignature) {
                    EXPECT_NE(message.find("not a PNG file"), std::string::npos) << message;
                }
            }
        }
}

} // namespace
} // namespace r3az8tex
