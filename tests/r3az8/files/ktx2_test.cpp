// KTX2 files in-process: every row of the KTX2 format table written in
// every kind and read back byte for byte, the descriptor's samples held to
// the library's own layouts, and hand-broken files refused for the rule
// they break.
#include "tests/support/texture_files_support.h"

#include "r3az8/tex/codecs/packed_formats.h"
#include "r3az8/tex/files/containers.h"
#include "r3az8/tex/files/ktx2_files.h"
#include "r3az8/tex/files/ktx2_zstd.h"
#include "r3az8/tex/texture/texture_error.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <tuple>

namespace r3az8tex {
namespace {

using namespace testing;

struct Shape {
    const char* name;
    TextureKind kind;
    uint32_t width, height, depth, layers;
    bool fullChain;
};

// Sides that are not multiples of a block, so that partial blocks count.
constexpr Shape kShapes[] = {
    {"2d, one level", TextureKind::Flat, 13, 7, 1, 1, false},
    {"2d, full chain", TextureKind::Flat, 13, 7, 1, 1, true},
    {"cube, full chain", TextureKind::Cube, 8, 8, 1, 1, true},
    {"array of 3, full chain", TextureKind::Flat, 6, 10, 1, 3, true},
    {"cube array of 2", TextureKind::Cube, 4, 4, 1, 2, true},
    {"volume, full chain", TextureKind::Volume, 9, 5, 3, 1, true},
};

std::vector<TextureImage> RandomLayers(D3DFORMAT format, const Shape& shape, ColourSpace space, std::mt19937& random)
{
    const uint32_t levels = shape.fullChain ? FullChainLength(shape.width, shape.height, shape.depth) : 1;
    std::vector<TextureImage> layers;
    for (uint32_t layer = 0; layer < shape.layers; ++layer) {
        layers.push_back(MakeTexture(format, shape.kind, shape.width, shape.height, shape.depth, levels));
        layers.back().colourSpace = space;
        for (std::vector<BYTE>& surface : layers.back().surfaces)
            for (BYTE& byte : surface)
                byte = BYTE(random());
    }
    return layers;
}

TEST(Ktx2, EveryFormatAndKindReadsBackByteForByte)
{
    std::mt19937 random(24);
    const Container& ktx2 = ContainerOf(FileType::Ktx2);
    for (const ktx2::FormatRow& row : ktx2::FormatRows())
        for (const Shape& shape : kShapes)
            for (const ColourSpace space : {ColourSpace::Unspecified, ColourSpace::Srgb})
                for (const int zstd : {0, 3}) {
                    if (space == ColourSpace::Srgb && !row.vkSrgb.Exists())
                        continue;
                    SCOPED_TRACE(FormatName(row.format) + ", " + shape.name + (zstd ? ", zstd" : "") +
                                 (space == ColourSpace::Srgb ? ", sRGB" : ""));
                    const std::vector<TextureImage> layers = RandomLayers(row.format, shape, space, random);
                    WriteOptions options;
                    options.zstdLevel = zstd;
                    const std::vector<BYTE> file = EncodeLayers(ktx2, layers, options);
                    const ktx2::Layout layout = ktx2::CheckLayout(file);
                    EXPECT_EQ(layout.header.vkFormat, (space == ColourSpace::Srgb ? row.vkSrgb : row.vk).number);
                    const std::vector<TextureImage> back = DecodeTextureLayers(file.data(), file.size(), "x.ktx2");
                    ASSERT_EQ(back.size(), layers.size());
                    for (size_t i = 0; i < back.size(); ++i) {
                        EXPECT_EQ(back[i].format, row.format);
                        EXPECT_EQ(back[i].kind, shape.kind);
                        EXPECT_EQ(back[i].colourSpace, space);
                        EXPECT_EQ(std::tie(back[i].width, back[i].height, back[i].depth, back[i].levels),
                                  std::tie(layers[i].width, layers[i].height, layers[i].depth, layers[i].levels));
                        EXPECT_TRUE(back[i].surfaces == layers[i].surfaces);
                    }
                }
}

// The descriptor says where each channel lies; for every format the library
// lays out as a packed pixel that must be where the library puts it (with
// red and blue exchanged for the rows written red first).
TEST(Ktx2, DescriptorSamplesLieWhereTheLibraryStoresEachChannel)
{
    using Key = std::tuple<uint16_t, BYTE, BYTE>; // offset, channel, bits
    size_t checked = 0;
    for (const ktx2::FormatRow& row : ktx2::FormatRows()) {
        const size_t index = IndexOfFormatRow(packed::kLayouts, row.format);
        if (index == packed::kLayoutCount)
            continue;
        SCOPED_TRACE(FormatName(row.format));
        const packed::Layout& layout = packed::kLayouts[index];
        const bool swapped = row.swizzle != dds::Swizzle::None;
        std::vector<Key> library, descriptor;
        for (unsigned i = 0; i < layout.fieldCount; ++i) {
            const packed::Field& field = layout.fields[i];
            BYTE channel = field.channel == packed::Channel::Alpha ? BYTE(ktx2::kChannelAlpha)
                           : field.channel == packed::Channel::Luminance ? BYTE(ktx2::kChannelRed)
                                                                         : BYTE(field.channel);
            // A luminance format's alpha is stored in green, shown as alpha
            // through KTXswizzle.
            if (row.shownAs != nullptr && channel == ktx2::kChannelAlpha)
                channel = ktx2::kChannelGreen;
            if (swapped && channel != ktx2::kChannelAlpha && channel != ktx2::kChannelGreen)
                channel = channel == ktx2::kChannelRed ? ktx2::kChannelBlue : ktx2::kChannelRed;
            library.emplace_back(field.shift, channel, field.bits);
        }
        for (size_t i = 0; i < row.sampleCount; ++i)
            descriptor.emplace_back(row.samples[i].bitOffset, row.samples[i].channel, row.samples[i].bits);
        std::ranges::sort(library);
        std::ranges::sort(descriptor);
        EXPECT_EQ(library, descriptor);
        ++checked;
    }
    EXPECT_GE(checked, 10u);
}

uint32_t Get32(const std::vector<BYTE>& file, size_t at)
{
    uint32_t value;
    std::memcpy(&value, file.data() + at, 4);
    return value;
}
void Put32(std::vector<BYTE>& file, size_t at, uint32_t value) { std::memcpy(file.data() + at, &value, 4); }
void Put64(std::vector<BYTE>& file, size_t at, uint64_t value) { std::memcpy(file.data() + at, &value, 8); }
uint64_t Get64(const std::vector<BYTE>& file, size_t at)
{
    uint64_t value;
    std::memcpy(&value, file.data() + at, 8);
    return value;
}

// Places in a file we write (header fields, the level index).
constexpr size_t kPixelHeight = 24, kLevelCount = 40, kScheme = 44, kDfdOffset = 48, kKvdOffset = 56,
                 kSgdLength = 72;
size_t LevelField(uint32_t level, size_t field) { return 80 + 24 * level + 8 * field; }

struct BrokenFile {
    const char* what;
    bool zstd;
    bool cube;
    std::function<void(std::vector<BYTE>&)> breakIt;
    ErrorKind kind;
    const char* says; // part of the message
};

TEST(Ktx2, BrokenFilesAreRefusedForTheRuleTheyBreak)
{
    // A 16x16 BC7 texture of 5 levels (level 2: 16 bytes at a multiple of
    // 16), or a cube map, plain or Zstandard-compressed.
    auto good = [](bool zstd, bool cube) {
        std::mt19937 random(7);
        const Shape shape{"", cube ? TextureKind::Cube : TextureKind::Flat, 16, 16, 1, 1, true};
        WriteOptions options;
        options.zstdLevel = zstd ? 5 : 0;
        return EncodeLayers(ContainerOf(FileType::Ktx2), RandomLayers(FMT_BC7, shape, ColourSpace::Unspecified, random),
                            options);
    };
    const BrokenFile cases[] = {
        {"bad identifier", false, false, [](auto& f) { f[1] = 'X'; }, ErrorKind::Malformed, "not a KTX2 file"},
        {"wrong level size", false, false, [](auto& f) { Put64(f, LevelField(1, 1), Get64(f, LevelField(1, 1)) + 16); },
         ErrorKind::Malformed, "level 1 is stored in 80 bytes, not the 64"},
        {"wrong inflated size", false, false, [](auto& f) { Put64(f, LevelField(0, 2), 256 + 16); },
         ErrorKind::Malformed, "level 0 gives 272 bytes"},
        {"misaligned level", false, false, [](auto& f) { Put64(f, LevelField(2, 0), Get64(f, LevelField(2, 0)) + 4); },
         ErrorKind::Malformed, "not on a multiple of 16"},
        {"levels out of order", false, false,
         [](auto& f) {
             const uint64_t one = Get64(f, LevelField(3, 0)), other = Get64(f, LevelField(4, 0));
             Put64(f, LevelField(3, 0), other);
             Put64(f, LevelField(4, 0), one);
         },
         ErrorKind::Malformed, "level 4 starts at byte 320, not at 304"},
        {"level beyond the file", false, false, [](auto& f) { Put64(f, LevelField(0, 0), f.size()); },
         ErrorKind::Malformed, "runs past the end of the file"},
        {"trailing bytes", false, false, [](auto& f) { f.insert(f.end(), 4, 0); }, ErrorKind::Malformed,
         "4 bytes after level 0"},
        {"more levels than the chain", false, false, [](auto& f) { Put32(f, kLevelCount, 6); },
         ErrorKind::Malformed, "6 levels, more than the 5"},
        {"descriptor of another model", false, false, [](auto& f) { f[Get32(f, kDfdOffset) + 12] = 128; },
         ErrorKind::Malformed, "colour model bc1a, not the bc7"},
        {"sRGB transfer on a UNORM format", false, false, [](auto& f) { f[Get32(f, kDfdOffset) + 14] = 2; },
         ErrorKind::Malformed, "which is not sRGB"},
        {"descriptor sample of other bits", false, false, [](auto& f) { f[Get32(f, kDfdOffset) + 4 + 24 + 2] = 63; },
         ErrorKind::Malformed, "samples that do not match"},
        {"unsorted keys", false, false,
         [](auto& f) { f[Get32(f, kKvdOffset) + 4 + 3] = 'x'; }, // KTXorientation -> KTXxrientation, after KTXwriter
         ErrorKind::Malformed, "keys must be sorted"},
        {"key/value data apart from the descriptor", false, false,
         [](auto& f) { Put32(f, kKvdOffset, Get32(f, kKvdOffset) + 4); }, ErrorKind::Malformed,
         "not right after the data format descriptor"},
        {"global data where none belong", false, false, [](auto& f) { Put64(f, kSgdLength, 8); },
         ErrorKind::Malformed, "supercompression global data"},
        {"cube of non-square faces", false, true, [](auto& f) { Put32(f, kPixelHeight, 8); }, ErrorKind::Malformed,
         "must be square"},
        {"zstd frame of another size", true, false,
         [](auto& f) {
             // Level 0 ends the file: replace its frame by one of 16 bytes
             // fewer, the index's sizes left as they were but the stored one.
             const size_t at = Get64(f, LevelField(0, 0));
             const std::vector<BYTE> frame = ktx2::Deflate(std::vector<BYTE>(256 - 16, 1), 3);
             f.resize(at);
             f.insert(f.end(), frame.begin(), frame.end());
             Put64(f, LevelField(0, 1), frame.size());
         },
         ErrorKind::Malformed, "level 0: its Zstandard frame holds 240 bytes, not the 256"},
        {"zstd data that are no frame", true, false,
         [](auto& f) { std::fill(f.begin() + Get64(f, LevelField(0, 0)), f.end(), BYTE(0x55)); },
         ErrorKind::Malformed, "not a Zstandard frame"},
        {"Basis Universal supercompression", false, false, [](auto& f) { Put32(f, kScheme, 1); },
         ErrorKind::Unsupported, "BasisLZ"},
        {"undefined format", false, false, [](auto& f) { Put32(f, 12, 0); }, ErrorKind::Unsupported,
         "VK_FORMAT_UNDEFINED"},
    };
    for (const BrokenFile& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<BYTE> file = good(c.zstd, c.cube);
        ASSERT_NO_THROW(DecodeTextureLayers(file.data(), file.size(), "good.ktx2"));
        c.breakIt(file);
        try {
            DecodeTextureLayers(file.data(), file.size(), "broken.ktx2");
            ADD_FAILURE() << "read";
        } catch (const TextureError& error) {
            EXPECT_EQ(error.Code(), c.kind) << error.what();
            EXPECT_NE(std::string(error.what()).find(c.says), std::string::npos) << error.what();
            EXPECT_TRUE(std::string(error.what()).starts_with("broken.ktx2: ")) << error.what();
        }
    }
}

// Truncated at every length, a file is refused and nothing is read past
// its end (the sanitizer build watches).
TEST(Ktx2, EveryTruncationIsRefused)
{
    std::mt19937 random(3);
    const Shape shape{"", TextureKind::Flat, 8, 8, 1, 1, true};
    for (const int zstd : {0, 1}) {
        WriteOptions options;
        options.zstdLevel = zstd;
        const std::vector<BYTE> file = EncodeLayers(
            ContainerOf(FileType::Ktx2), RandomLayers(D3DFMT_A8R8G8B8, shape, ColourSpace::Unspecified, random), options);
        for (size_t size = 0; size < file.size(); ++size) {
            const std::vector<BYTE> cut(file.begin(), file.begin() + size);
            EXPECT_THROW(DecodeTextureLayers(cut.data(), cut.size(), "cut.ktx2"), TextureError) << size;
        }
    }
}

TEST(Ktx2, FormatsWithoutAVulkanFormatAreRefusedByName)
{
    const TextureImage texture = MakeTexture(D3DFMT_R3G3B2, TextureKind::Flat, 4, 4, 1, 1);
    try {
        EncodeTextureFile("ktx2", texture);
        ADD_FAILURE() << "wrote r3g3b2";
    } catch (const TextureError& error) {
        EXPECT_EQ(error.Code(), ErrorKind::Unsupported);
        EXPECT_TRUE(std::string(error.what()).starts_with("r3g3b2 has no Vulkan format; KTX2 cannot hold it"))
            << error.what();
    }
}

} // namespace
} // namespace r3az8tex
