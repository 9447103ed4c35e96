// Work on images in memory without a surface: EncodeRowsFromMemory gives
// the blocks of the 16-bit load it stands in for, band by band, and gives
// way cleanly when memory runs out; LoadMemoryFromMemory gives the bytes
// of LoadSurfaceFromMemory.
#include "tests/support/device_test.h"
#include "r3az8/tex/load.h"
#include "r3az8/tex/load_rows.h"
#include "r3az8/tex/load/encode_rows.h"
#include "r3az8/tex/load/load_into_memory.h"

#include <cstring>

namespace loadtest {
namespace {

constexpr BYTE kUntouched = 0xCD;

struct Image {
    D3DFORMAT format;
    UINT width;
    UINT height;
};

bool IsBlocks(D3DFORMAT format) { return QualityBlockBytes(format) != 0; }

UINT RowBytes(const Image& image)
{
    return IsBlocks(image.format) ? (image.width + 3) / 4 * QualityBlockBytes(image.format)
                                  : image.width * BytesPerPixel(image.format);
}

UINT StoredRows(const Image& image) { return IsBlocks(image.format) ? (image.height + 3) / 4 : image.height; }

// Random bytes: any bytes are pixels, blocks or floats (NaN and infinity
// included) of some value.
std::vector<BYTE> Noise(const Image& image, uint32_t seed)
{
    const size_t bytes = size_t(RowBytes(image)) * StoredRows(image);
    const Pixels words = NoisePixels(UINT(bytes / 4 + 1), 1, seed);
    std::vector<BYTE> noise(bytes);
    std::memcpy(noise.data(), words.data(), bytes);
    return noise;
}

class InMemoryTest : public DeviceTest {};

// The path the encoder replaces: the rows loaded into 16-bit rows (the
// band load, which its own tests hold to the surface load's bytes), the
// alpha cut there, the samples scaled to 0..1 and the whole image encoded.
std::vector<BYTE> ThroughWideRows(const Image& src, const std::vector<BYTE>& pixels, DWORD filter, D3DCOLOR colorKey,
                                  D3DFORMAT blockFormat, const RowEncoding& encoding)
{
    std::vector<BYTE> wide(size_t(src.width) * src.height * 8);
    const RECT rect{0, 0, LONG(src.width), LONG(src.height)};
    EXPECT_EQ(LoadRowsFromMemory(wide.data(), FMT_A16R16G16B16, src.width * 8, src.width, src.height, 0, src.height,
                                 pixels.data(), src.format, RowBytes(src), nullptr, &rect, filter, colorKey),
              S_OK);
    std::vector<FloatColor> colours(size_t(src.width) * src.height);
    for (size_t i = 0; i < colours.size(); ++i) {
        uint16_t s[4];
        std::memcpy(s, wide.data() + 8 * i, sizeof s);
        if (encoding.CutAlpha)
            s[3] = (UINT(s[3]) * 255 + 32767) / 65535 < encoding.AlphaThreshold ? 0 : 0xFFFF;
        colours[i] = {s[2] / 65535.0f, s[1] / 65535.0f, s[0] / 65535.0f, s[3] / 65535.0f};
    }
    const Image blocks{blockFormat, src.width, src.height};
    std::vector<BYTE> bytes(size_t(RowBytes(blocks)) * StoredRows(blocks));
    EXPECT_EQ(EncodeQualityImage(blockFormat, bytes.data(), RowBytes(blocks), colours.data(), src.width, src.width,
                                 src.height, encoding.quality),
              S_OK);
    return bytes;
}

TEST_F(InMemoryTest, EncodedBandsAreTheBlocksOfTheSixteenBitLoad)
{
    const D3DFORMAT a16 = FMT_A16R16G16B16;
    const DWORD point = IMAGE_FILTER_POINT;
    const QualityOptions normal{};
    const QualityOptions high{BlockQuality::High, ColorWeighting::Uniform};
    const QualityOptions fast{BlockQuality::Fast, ColorWeighting::Perceptual};
    struct Case {
        const char* what;
        Image src;
        D3DFORMAT blocks;
        DWORD filter;
        D3DCOLOR colorKey;
        RowEncoding encoding;
    };
    const Case cases[] = {
        {"16-bit rows read in place", {a16, 37, 23}, D3DFMT_DXT1, point, 0, {normal}},
        {"16-bit rows, colour key", {a16, 16, 9}, D3DFMT_DXT5, point, 0xFF000000, {normal}},
        {"8-bit rows, dithered", {D3DFMT_A8R8G8B8, 37, 23}, D3DFMT_DXT5, point | IMAGE_FILTER_DITHER, 0, {high}},
        {"8-bit rows, colour key", {D3DFMT_A8R8G8B8, 21, 14}, D3DFMT_DXT1, point, 0xFF102030, {normal}},
        {"floats beyond 0..1", {FMT_A32B32G32R32F, 13, 10}, D3DFMT_BC5, point, 0, {high}},
        {"block source", {D3DFMT_DXT1, 18, 22}, D3DFMT_DXT5, point | IMAGE_FILTER_DITHER, 0, {normal}},
        {"packed 16-bit pixels", {D3DFMT_R5G6B5, 9, 6}, D3DFMT_BC4, point, 0, {fast}},
        {"alpha cut", {D3DFMT_A8R8G8B8, 11, 7}, D3DFMT_DXT1, point, 0, {normal, true, 128}},
        {"alpha cut to opaque", {a16, 11, 7}, D3DFMT_DXT1, point, 0, {fast, true, 0}},
        {"one row", {D3DFMT_A8R8G8B8, 7, 1}, D3DFMT_DXT5, point, 0, {normal}},
    };
    uint32_t seed = 1;
    for (const Case& c : cases) {
        const std::vector<BYTE> pixels = Noise(c.src, seed++);
        const std::vector<BYTE> expected = ThroughWideRows(c.src, pixels, c.filter, c.colorKey, c.blocks, c.encoding);
        const Image out{c.blocks, c.src.width, c.src.height};
        for (UINT bandRows : {4u, 8u, c.src.height}) {
            std::vector<BYTE> blocks(expected.size(), kUntouched);
            for (UINT first = 0; first < c.src.height; first += bandRows) {
                const UINT storedFirst = IsBlocks(c.src.format) ? first / 4 : first;
                EXPECT_EQ(EncodeRowsFromMemory(blocks.data() + size_t(first / 4) * RowBytes(out), c.blocks,
                                               RowBytes(out), pixels.data() + size_t(storedFirst) * RowBytes(c.src),
                                               c.src.format, RowBytes(c.src), nullptr, c.src.width,
                                               std::min(bandRows, c.src.height - first), c.filter, c.colorKey,
                                               c.encoding),
                          S_OK)
                    << c.what;
            }
            EXPECT_TRUE(blocks == expected) << c.what << ", bands of " << bandRows;
        }
    }
}

TEST_F(InMemoryTest, LoadsIntoMemoryGiveTheSurfaceLoadsBytes)
{
    const D3DFORMAT a16 = FMT_A16R16G16B16;
    struct Case {
        Image src;
        UINT width, height;
        DWORD filter;
        D3DCOLOR colorKey;
    };
    const Case cases[] = {
        {{a16, 21, 13}, 21, 13, IMAGE_FILTER_POINT | IMAGE_FILTER_DITHER, 0},
        {{D3DFMT_A8R8G8B8, 21, 13}, 21, 13, IMAGE_FILTER_POINT, 0xFF000000},
        {{a16, 37, 29}, 18, 14, IMAGE_FILTER_BOX, 0},
        {{a16, 37, 29}, 9, 7, IMAGE_FILTER_TRIANGLE | IMAGE_FILTER_MIRROR | IMAGE_FILTER_DITHER, 0},
        {{FMT_A32B32G32R32F, 23, 41}, 11, 20, IMAGE_FILTER_LINEAR, 0},
        {{D3DFMT_DXT1, 20, 18}, 33, 45, IMAGE_FILTER_TRIANGLE | IMAGE_FILTER_DITHER, 0},
    };
    uint32_t seed = 40;
    for (const Case& c : cases) {
        const std::vector<BYTE> pixels = Noise(c.src, seed++);
        const RECT rect{0, 0, LONG(c.src.width), LONG(c.src.height)};
        ComRef<IDirect3DSurface8> surface = MakeImageSurface(c.width, c.height, D3DFMT_A8R8G8B8);
        ASSERT_EQ(LoadSurfaceFromMemory(surface.Get(), nullptr, nullptr, pixels.data(), c.src.format, RowBytes(c.src),
                                        nullptr, &rect, c.filter, c.colorKey),
                  S_OK);
        // A pitch wider than the rows: what lies between them stays as it was.
        const UINT pitch = c.width + 3;
        Pixels rows(size_t(pitch) * c.height, 0xCDCDCDCD);
        ASSERT_EQ(LoadMemoryFromMemory(rows.data(), D3DFMT_A8R8G8B8, pitch * 4, c.width, c.height, c.height,
                                       pixels.data(), c.src.format, RowBytes(c.src), nullptr, &rect, c.filter,
                                       c.colorKey),
                  S_OK);
        Pixels expected = ReadPixels(surface.Get());
        for (UINT row = 0; row < c.height; ++row)
            expected.insert(expected.begin() + size_t(row) * pitch + c.width, 3, 0xCDCDCDCD);
        EXPECT_TRUE(rows == expected) << c.src.width << "x" << c.src.height << " -> " << c.width << "x" << c.height
                                      << ", filter " << std::hex << c.filter;
    }
}

// Every allocation the encoder makes (its own and the blit engine's),
// failed in turn: each is reported as a failure, and the first run with
// memory to spare gives the blocks of a run without failures.
TEST_F(InMemoryTest, EncodingGivesWayWhenMemoryRunsOut)
{
    std::vector<BYTE> source(16 * 9 * 8, 0x80);
    for (D3DFORMAT format : {D3DFMT_A8R8G8B8, FMT_A16R16G16B16}) {
        auto encode = [&](std::vector<BYTE>& blocks) {
            return EncodeRowsFromMemory(blocks.data(), D3DFMT_DXT5, 64, source.data(), format,
                                        16 * BytesPerPixel(format), nullptr, 16, 9, IMAGE_FILTER_POINT, 0,
                                        RowEncoding{});
        };
        std::vector<BYTE> expected(4 * 3 * 16);
        ASSERT_EQ(encode(expected), S_OK);
        std::vector<BYTE> blocks(expected.size());
        unsigned failing = 1;
        for (; failing < 100; ++failing) {
            FailWorkingMemoryAt(failing);
            const HRESULT hr = encode(blocks);
            FailWorkingMemoryAt(0);
            if (hr == S_OK)
                break;
            EXPECT_TRUE(hr == E_OUTOFMEMORY || hr == E_FAIL) << std::hex << hr;
        }
        EXPECT_GT(failing, 1u) << "nothing was allocated";
        EXPECT_TRUE(blocks == expected) << std::hex << format;
    }
}

} // namespace
} // namespace loadtest
