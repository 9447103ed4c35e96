// The habits of other DDS writers that the reader takes as they were meant,
// one case each: the texture read, and the single warning that says so.
// Files from other projects' suites (data/) where they show the habit.
#include "tests/support/dds_test_support.h"
#include "tests/support/texture_files_support.h"

#include "r3az8/tex/convert/library_operations.h"
#include "r3az8/tex/files/dds_reader.h"
#include "r3az8/tex/texture/texture_error.h"

#include <cstring>
#include <functional>

namespace r3az8tex {
namespace {

using namespace testing;

std::vector<BYTE> DataFile(const std::string& name) { return ReadFileBytes(std::string(R3AZ_TEST_DATA) + "/" + name); }

// Reads the file, expects one warning containing `about`, and gives the
// texture.
TextureImage ReadWithWarning(const std::vector<BYTE>& file, const std::string& about)
{
    dds::Contents contents = dds::ReadContents(file, "habit.dds");
    EXPECT_EQ(contents.description.warnings.size(), 1u);
    if (!contents.description.warnings.empty()) {
        EXPECT_NE(contents.description.warnings[0].find(about), std::string::npos) << contents.description.warnings[0];
    }
    EXPECT_EQ(contents.layers.size(), 1u);
    return std::move(contents.layers.at(0));
}

TEST(WriterHabits, LuminanceAsRedOnly)
{
    std::vector<BYTE> file = ValidFile(D3DFMT_L8, TextureKind::Flat, 4, 4, 1, 1);
    const TextureImage original = dds::Read(file, "l8.dds");
    SetHeaderWord(file, offset::kPixelFormatFlags, DDPF_RGB);
    SetHeaderWord(file, offset::kGreenMask, 0);
    SetHeaderWord(file, offset::kBlueMask, 0);
    const TextureImage read = ReadWithWarning(file, "luminance");
    EXPECT_EQ(read.format, D3DFMT_L8);
    EXPECT_EQ(read.surfaces, original.surfaces);
}

TEST(WriterHabits, TwentyFourBitRgbRedFirst)
{
    // Every pixel stores the bytes 00 1D 48 under a red mask of 0xFF:
    // red 0, green 29, blue 72, as Pillow reads it too.
    const TextureImage read = ReadWithWarning(DataFile("pfim_24-bit-uncompressed-bgr-odd.dds"), "red first");
    EXPECT_EQ(read.format, D3DFMT_R8G8B8);
    EXPECT_EQ(read.levels, 3u);
    const TextureImage decoded = ConvertLevels(read, D3DFMT_A8R8G8B8, 1, LoadOptions{});
    EXPECT_EQ(PixelAt(decoded, 0, 0, 4, 4), 0xFF001D48u);
}

TEST(WriterHabits, TenBitMasksSwapped)
{
    std::vector<BYTE> file = ValidFile(D3DFMT_A2B10G10R10, TextureKind::Flat, 4, 4, 1, 1);
    const TextureImage original = dds::Read(file, "a2b10g10r10.dds");
    SetHeaderWord(file, offset::kPixelFormatFlags, DDPF_RGB | DDPF_ALPHAPIXELS);
    SetHeaderWord(file, offset::kFourcc, 0);
    SetHeaderWord(file, offset::kBitCount, 32);
    SetHeaderWord(file, offset::kRedMask, 0x3FF00000);
    SetHeaderWord(file, offset::kGreenMask, 0x000FFC00);
    SetHeaderWord(file, offset::kBlueMask, 0x000003FF);
    SetHeaderWord(file, offset::kAlphaMask, 0xC0000000);
    const TextureImage read = ReadWithWarning(file, "swapped");
    EXPECT_EQ(read.format, D3DFMT_A2B10G10R10);
    EXPECT_EQ(read.surfaces, original.surfaces) << "red stays in the low bits";
}

TEST(WriterHabits, ArraySizeZero)
{
    // An sRGB BC2 file from Pfim with its DX10 array size set to 0.
    std::vector<BYTE> file = DataFile("pfim_bc2-simple-srgb.dds");
    const TextureImage original = dds::Read(file, "bc2.dds");
    EXPECT_EQ(original.format, D3DFMT_DXT3);
    EXPECT_EQ(original.colourSpace, ColourSpace::Srgb);
    SetHeaderWord(file, offset::kDx10 + 12, 0);
    EXPECT_EQ(ReadWithWarning(file, "array size of 0").surfaces, original.surfaces);
}

TEST(WriterHabits, SizeFieldsOfTwentyFourOrZero)
{
    const std::vector<BYTE> file = ValidFile(D3DFMT_DXT1, TextureKind::Flat, 8, 8, 1, 4);
    const TextureImage original = dds::Read(file, "dxt1.dds");
    for (auto [field, value] : {std::pair{offset::kSize, 24u}, std::pair{offset::kPixelFormatSize, 0u},
                                std::pair{offset::kPixelFormatSize, 24u}}) {
        std::vector<BYTE> changed = file;
        SetHeaderWord(changed, field, value);
        EXPECT_EQ(ReadWithWarning(changed, "size field").surfaces, original.surfaces) << field << " " << value;
    }
}

TEST(WriterHabits, MipCountBeyondTheChainOrTheFile)
{
    std::vector<BYTE> file = ValidFile(D3DFMT_DXT1, TextureKind::Flat, 8, 8, 1, 4);
    SetHeaderWord(file, offset::kMipCount, 9);
    EXPECT_EQ(ReadWithWarning(file, "mip levels").levels, 4u);
    file.resize(file.size() - 8); // the 1x1 level is missing
    EXPECT_EQ(ReadWithWarning(file, "mip levels").levels, 3u);
}

// Four more habits, each on a file of ours changed the way that writer
// leaves it: read as the file before the change, with one warning.
TEST(WriterHabits, MoreHeaderSlipsReadAsMeant)
{
    auto dx10File = [](D3DFORMAT format, TextureKind kind) {
        TextureImage texture = MakeTexture(format, kind, 8, 8, 1, 4);
        FillWithPattern(texture, 11);
        return dds::Write(texture, dds::HeaderStyle::Dx10);
    };
    const struct {
        const char* habit;
        std::vector<BYTE> file;
        std::function<void(std::vector<BYTE>&)> change;
        const char* warning;
    } cases[] = {
        {"DX10 resource dimension 0 on a 2D texture", dx10File(D3DFMT_DXT1, TextureKind::Flat),
         [](auto& f) { SetHeaderWord(f, offset::kDx10 + 4, 0); }, "resource dimension of 0"},
        {"header size field 0", ValidFile(D3DFMT_DXT1, TextureKind::Flat, 8, 8, 1, 4),
         [](auto& f) { SetHeaderWord(f, offset::kSize, 0); }, "header size field is 0"},
        {"DX10 array size 6 on one cube", dx10File(D3DFMT_A8R8G8B8, TextureKind::Cube),
         [](auto& f) { SetHeaderWord(f, offset::kDx10 + 12, 6); }, "array size of 6"},
        {"8-bit luminance mask 0xFF000000", ValidFile(D3DFMT_L8, TextureKind::Flat, 8, 8, 1, 4),
         [](auto& f) {
             SetHeaderWord(f, offset::kPixelFormatFlags, DDPF_LUMINANCE);
             SetHeaderWord(f, offset::kRedMask, 0xFF000000);
             SetHeaderWord(f, offset::kGreenMask, 0);
             SetHeaderWord(f, offset::kBlueMask, 0);
         },
         "0xFF000000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.habit);
        const TextureImage original = dds::Read(c.file, "original.dds");
        std::vector<BYTE> changed = c.file;
        c.change(changed);
        const TextureImage read = ReadWithWarning(changed, c.warning);
        EXPECT_EQ(read.format, original.format);
        EXPECT_EQ(read.kind, original.kind);
        EXPECT_EQ(read.levels, original.levels);
        EXPECT_EQ(read.surfaces, original.surfaces);
    }
}

// Half floats from Pfim's suite: 64x64 values 0, 256, 512 ... read as they
// are, and clamped to 1 only when stored in an 8-bit format.
TEST(WriterHabits, HalfFloatsReadAsNumbers)
{
    const TextureImage read = dds::Read(DataFile("pfim_16-bit-float.dds"), "r16f.dds");
    ASSERT_EQ(read.format, FMT_R16F);
    const TextureImage decoded = ConvertLevels(read, FMT_A32B32G32R32F, 1, LoadOptions{});
    float second[4];
    std::memcpy(second, decoded.Surface(0, 0).data() + 16, 16);
    EXPECT_EQ(second[0], 256.0f);
    EXPECT_EQ(second[1] + second[2], 0.0f);
    EXPECT_EQ(second[3], 1.0f);
    EXPECT_EQ(PixelAt(ConvertLevels(read, D3DFMT_A8R8G8B8, 1, LoadOptions{}), 0, 0, 1, 0), 0xFFFF0000u);
}

// A texture array (DX10 array size 3), a cube array too: one texture per
// element, in file order.
TEST(TextureArrays, EveryElementIsReadInOrder)
{
    for (TextureKind kind : {TextureKind::Flat, TextureKind::Cube}) {
        TextureImage element = MakeTexture(D3DFMT_DXT1, kind, 8, 8, 1, 2);
        std::vector<BYTE> file;
        for (uint32_t layer = 0; layer < 3; ++layer) {
            FillWithPattern(element, 20 + layer);
            const std::vector<BYTE> one = dds::Write(element, dds::HeaderStyle::Dx10);
            file.insert(file.end(), one.begin() + (layer == 0 ? 0 : 148), one.end());
        }
        SetHeaderWord(file, offset::kDx10 + 12, 3);
        const dds::Contents contents = dds::ReadContents(file, "array.dds");
        EXPECT_EQ(contents.description.arraySize, 3u);
        ASSERT_EQ(contents.layers.size(), 3u);
        for (uint32_t layer = 0; layer < 3; ++layer) {
            FillWithPattern(element, 20 + layer);
            EXPECT_EQ(contents.layers[layer].kind, kind);
            EXPECT_EQ(contents.layers[layer].surfaces, element.surfaces) << layer;
        }
        EXPECT_THROW(dds::Read(file, "array.dds"), TextureError);
    }
}

} // namespace
} // namespace r3az8tex
