// LoadRowsFromMemory: every band of rows is bit for bit the same rows of a
// whole LoadSurfaceFromMemory, whatever the filter, the edges, the size
// ratio or the formats; arguments outside its rules are refused.
#include "tests/support/device_test.h"
#include "r3az8/tex/load.h"
#include "r3az8/tex/load_rows.h"
#include "r3az8/tex/pixel_codec.h"

#include <cstring>
#include <random>

namespace loadtest {
namespace {

struct Side {
    D3DFORMAT format;
    UINT width;
    UINT height;
};

// Bytes of one row of pixels (of 4x4 blocks for DXT1).
UINT RowBytes(const Side& side)
{
    return side.format == D3DFMT_DXT1 ? (side.width + 3) / 4 * 8 : side.width * BytesPerPixel(side.format);
}

UINT StoredRows(const Side& side) { return side.format == D3DFMT_DXT1 ? (side.height + 3) / 4 : side.height; }

// Random bytes in the 16-bit and float formats too: the float formats then
// hold every kind of value, NaN and infinity included, which any difference
// in the order of additions would show.
std::vector<BYTE> Noise(size_t bytes, uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<BYTE> noise(bytes);
    for (BYTE& byte : noise)
        byte = BYTE(random());
    return noise;
}

class LoadRowsTest : public DeviceTest {
protected:
    std::vector<BYTE> Whole(const Side& dest, const Side& src, const std::vector<BYTE>& pixels, DWORD filter)
    {
        ComRef<IDirect3DSurface8> surface = MakeImageSurface(dest.width, dest.height, dest.format);
        const RECT rect{0, 0, LONG(src.width), LONG(src.height)};
        EXPECT_EQ(LoadSurfaceFromMemory(surface.Get(), nullptr, nullptr, pixels.data(), src.format, RowBytes(src),
                                        nullptr, &rect, filter, 0),
                  S_OK);
        D3DLOCKED_RECT locked{};
        EXPECT_EQ(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY), S_OK);
        std::vector<BYTE> bytes(size_t(RowBytes(dest)) * dest.height);
        for (UINT row = 0; row < dest.height; ++row)
            std::memcpy(bytes.data() + size_t(row) * RowBytes(dest),
                        static_cast<const BYTE*>(locked.pBits) + size_t(row) * locked.Pitch, RowBytes(dest));
        surface->UnlockRect();
        return bytes;
    }

    // The destination put together from bands of `bandRows` rows.
    std::vector<BYTE> Banded(const Side& dest, const Side& src, const std::vector<BYTE>& pixels, DWORD filter,
                             UINT bandRows)
    {
        const UINT rowBytes = RowBytes(dest);
        std::vector<BYTE> bytes(size_t(rowBytes) * dest.height);
        const RECT rect{0, 0, LONG(src.width), LONG(src.height)};
        for (UINT first = 0; first < dest.height; first += bandRows) {
            const UINT count = std::min(bandRows, dest.height - first);
            EXPECT_EQ(LoadRowsFromMemory(bytes.data() + size_t(first) * rowBytes, dest.format, rowBytes, dest.width,
                                         dest.height, first, count, pixels.data(), src.format, RowBytes(src),
                                         nullptr, &rect, filter, 0),
                      S_OK)
                << "band at row " << first;
        }
        return bytes;
    }
};

TEST_F(LoadRowsTest, BandsAreTheRowsOfTheWholeLoad)
{
    const D3DFORMAT a16 = FMT_A16R16G16B16;
    const D3DFORMAT f32 = FMT_A32B32G32R32F;
    const DWORD mirror = IMAGE_FILTER_MIRROR;
    struct Case {
        Side src;
        Side dest;
        DWORD filter;
    };
    const Case cases[] = {
        // Mip levels made from level 0 (triangle, linear) or the level above
        // (point, box), wrapped and mirrored, odd and non-power-of-two.
        {{a16, 37, 29}, {a16, 18, 14}, IMAGE_FILTER_TRIANGLE | IMAGE_FILTER_DITHER},
        {{a16, 37, 29}, {a16, 4, 3}, IMAGE_FILTER_TRIANGLE},
        {{a16, 37, 29}, {a16, 1, 1}, IMAGE_FILTER_TRIANGLE | mirror},
        {{a16, 30, 30}, {a16, 7, 7}, IMAGE_FILTER_TRIANGLE | mirror | IMAGE_FILTER_DITHER},
        {{a16, 5, 300}, {a16, 2, 150}, IMAGE_FILTER_TRIANGLE},
        {{a16, 37, 29}, {a16, 9, 7}, IMAGE_FILTER_LINEAR},
        {{a16, 37, 29}, {a16, 9, 7}, IMAGE_FILTER_LINEAR | mirror},
        {{a16, 37, 29}, {a16, 18, 14}, IMAGE_FILTER_POINT},
        {{a16, 37, 29}, {a16, 18, 14}, IMAGE_FILTER_BOX | IMAGE_FILTER_DITHER},
        {{a16, 36, 28}, {a16, 18, 14}, IMAGE_FILTER_BOX},
        {{a16, 40, 1}, {a16, 20, 1}, IMAGE_FILTER_BOX},
        {{f32, 23, 41}, {f32, 11, 20}, IMAGE_FILTER_TRIANGLE},
        {{f32, 23, 41}, {f32, 5, 10}, IMAGE_FILTER_LINEAR},
        // Resizing level 0 from the source's own format, up and down; a box
        // that does not halve is a triangle.
        {{D3DFMT_A8R8G8B8, 21, 13}, {a16, 64, 50}, IMAGE_FILTER_TRIANGLE | IMAGE_FILTER_DITHER},
        {{D3DFMT_A8R8G8B8, 21, 13}, {a16, 64, 50}, IMAGE_FILTER_LINEAR},
        {{D3DFMT_A8R8G8B8, 21, 13}, {a16, 64, 50}, IMAGE_FILTER_POINT},
        {{D3DFMT_A8R8G8B8, 21, 13}, {a16, 30, 9}, IMAGE_FILTER_NONE},
        {{D3DFMT_A8R8G8B8, 21, 13}, {a16, 16, 17}, IMAGE_FILTER_BOX},
        {{D3DFMT_A8R8G8B8, 21, 13}, {a16, 21, 13}, IMAGE_FILTER_TRIANGLE | IMAGE_FILTER_DITHER},
        {{D3DFMT_A8R8G8B8, 21, 13}, {D3DFMT_R5G6B5, 33, 45}, IMAGE_FILTER_TRIANGLE | IMAGE_FILTER_DITHER},
        {{D3DFMT_DXT1, 20, 18}, {a16, 13, 31}, IMAGE_FILTER_TRIANGLE},
        {{D3DFMT_DXT1, 20, 18}, {a16, 13, 31}, IMAGE_FILTER_LINEAR},
    };
    uint32_t seed = 1;
    for (const Case& c : cases) {
        const std::vector<BYTE> pixels = Noise(size_t(RowBytes(c.src)) * StoredRows(c.src), seed++);
        const std::vector<BYTE> whole = Whole(c.dest, c.src, pixels, c.filter);
        for (UINT bandRows : {4u, 12u}) {
            EXPECT_TRUE(Banded(c.dest, c.src, pixels, c.filter, bandRows) == whole)
                << c.src.width << "x" << c.src.height << " -> " << c.dest.width << "x" << c.dest.height
                << ", filter " << std::hex << c.filter << std::dec << ", bands of " << bandRows;
        }
    }
}

TEST_F(LoadRowsTest, ArgumentsOutsideTheRulesAreRefused)
{
    std::vector<BYTE> source(16 * 16 * 4);
    std::vector<BYTE> rows(16 * 16 * 8);
    const RECT rect{0, 0, 16, 16};
    struct Case {
        const char* what;
        D3DFORMAT format;
        UINT height, first, count;
        DWORD filter;
    };
    const Case cases[] = {
        {"a band off the dither pattern", FMT_A16R16G16B16, 8, 2, 2, IMAGE_FILTER_TRIANGLE},
        {"a band past the last row", FMT_A16R16G16B16, 8, 4, 5, IMAGE_FILTER_TRIANGLE},
        {"no rows", FMT_A16R16G16B16, 8, 0, 0, IMAGE_FILTER_TRIANGLE},
        {"a block format", D3DFMT_DXT1, 8, 0, 4, IMAGE_FILTER_TRIANGLE},
        {"palette indices", D3DFMT_P8, 8, 0, 4, IMAGE_FILTER_TRIANGLE},
        {"an invalid filter", FMT_A16R16G16B16, 8, 0, 4, 7},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LoadRowsFromMemory(rows.data(), c.format, 16 * 8, 8, c.height, c.first, c.count, source.data(),
                                     D3DFMT_A8R8G8B8, 16 * 4, nullptr, &rect, c.filter, 0),
                  D3DERR_INVALIDCALL)
            << c.what;
}

} // namespace
} // namespace loadtest
