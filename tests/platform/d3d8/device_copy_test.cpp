// CopyRects: same format only, rectangles and points, whole blocks, no locks.
#include "tests/support/device_test.h"

#include <cstring>
#include <vector>

namespace {

struct ImageShape {
    UINT width, height;
    D3DFORMAT format;
};
struct ImagePair {
    ComRef<IDirect3DSurface8> source, destination;
};

class DeviceCopy : public DeviceTest {
protected:
    // A source filled with the pattern of `seed` and an empty destination.
    ImagePair FilledPair(const ImageShape& from, const ImageShape& to, unsigned char seed);
};

// Fills a surface's stored bytes (whole blocks, every row) with a pattern
// that tells every byte apart.
void Fill(IDirect3DSurface8* surface, unsigned char seed)
{
    D3DSURFACE_DESC desc;
    surface->GetDesc(&desc);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(surface->LockRect(&locked, nullptr, 0), D3D_OK);
    auto* bytes = static_cast<unsigned char*>(locked.pBits);
    for (UINT i = 0; i < desc.Size; ++i)
        bytes[i] = static_cast<unsigned char>(seed + i * 7);
    surface->UnlockRect();
}

// A copy of the surface's rows of blocks, without the pitch padding.
std::vector<unsigned char> Rows(IDirect3DSurface8* surface, UINT rowBytes, UINT rows)
{
    D3DLOCKED_RECT locked;
    EXPECT_EQ(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    std::vector<unsigned char> bytes;
    for (UINT row = 0; row < rows; ++row) {
        auto* start = static_cast<unsigned char*>(locked.pBits) + row * locked.Pitch;
        bytes.insert(bytes.end(), start, start + rowBytes);
    }
    surface->UnlockRect();
    return bytes;
}

DWORD Pixel(IDirect3DSurface8* surface, UINT x, UINT y)
{
    D3DLOCKED_RECT locked;
    const RECT one = {LONG(x), LONG(y), LONG(x + 1), LONG(y + 1)};
    EXPECT_EQ(surface->LockRect(&locked, &one, D3DLOCK_READONLY), D3D_OK);
    DWORD value = *static_cast<DWORD*>(locked.pBits);
    surface->UnlockRect();
    return value;
}

ImagePair DeviceCopy::FilledPair(const ImageShape& from, const ImageShape& to, unsigned char seed)
{
    ImagePair pair{MakeImageSurface(from.width, from.height, from.format),
                   MakeImageSurface(to.width, to.height, to.format)};
    Fill(pair.source.Get(), seed);
    return pair;
}

TEST_F(DeviceCopy, WholeSourceToTheOrigin)
{
    d3d8::SetPitchPadding(4); // different pitches at the two ends
    ComRef<IDirect3DSurface8> source = MakeImageSurface(5, 3, D3DFMT_A8R8G8B8);
    d3d8::SetPitchPadding(12);
    ComRef<IDirect3DSurface8> destination = MakeImageSurface(5, 3, D3DFMT_A8R8G8B8);
    Fill(source.Get(), 1);
    ASSERT_EQ(device->CopyRects(source.Get(), nullptr, 0, destination.Get(), nullptr), D3D_OK);
    EXPECT_EQ(Rows(source.Get(), 20, 3), Rows(destination.Get(), 20, 3));
}

TEST_F(DeviceCopy, RectanglesGoToTheirPoints)
{
    auto [source, destination] = FilledPair({8, 8, D3DFMT_A8R8G8B8}, {8, 8, D3DFMT_A8R8G8B8}, 3);
    const RECT rects[] = {{1, 2, 4, 5}, {6, 6, 8, 8}};
    const POINT points[] = {{0, 0}, {2, 5}};
    ASSERT_EQ(device->CopyRects(source.Get(), rects, 2, destination.Get(), points), D3D_OK);
    for (UINT y = 0; y < 3; ++y)
        for (UINT x = 0; x < 3; ++x)
            EXPECT_EQ(Pixel(destination.Get(), x, y), Pixel(source.Get(), 1 + x, 2 + y));
    EXPECT_EQ(Pixel(destination.Get(), 2, 5), Pixel(source.Get(), 6, 6));
    EXPECT_EQ(Pixel(destination.Get(), 3, 6), Pixel(source.Get(), 7, 7));
    EXPECT_EQ(Pixel(destination.Get(), 3, 3), 0u); // untouched
}

TEST_F(DeviceCopy, RectanglesWithoutPointsKeepTheirPlace)
{
    auto [source, destination] = FilledPair({8, 8, D3DFMT_A8R8G8B8}, {8, 8, D3DFMT_A8R8G8B8}, 5);
    const RECT rect = {2, 3, 5, 4};
    ASSERT_EQ(device->CopyRects(source.Get(), &rect, 1, destination.Get(), nullptr), D3D_OK);
    EXPECT_EQ(Pixel(destination.Get(), 2, 3), Pixel(source.Get(), 2, 3));
    EXPECT_EQ(Pixel(destination.Get(), 4, 3), Pixel(source.Get(), 4, 3));
    EXPECT_EQ(Pixel(destination.Get(), 1, 3), 0u);
    EXPECT_EQ(Pixel(destination.Get(), 5, 3), 0u);
}

TEST_F(DeviceCopy, FormatsMustMatch)
{
    auto [source, destination] = FilledPair({4, 4, D3DFMT_A8R8G8B8}, {4, 4, D3DFMT_X8R8G8B8}, 9);
    EXPECT_EQ(device->CopyRects(source.Get(), nullptr, 0, destination.Get(), nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(Pixel(destination.Get(), 0, 0), 0u);
}

TEST_F(DeviceCopy, EverythingMustFitOrNothingMoves)
{
    auto [source, destination] = FilledPair({8, 8, D3DFMT_L8}, {4, 4, D3DFMT_L8}, 11);
    EXPECT_EQ(device->CopyRects(source.Get(), nullptr, 0, destination.Get(), nullptr), D3DERR_INVALIDCALL);
    const RECT rects[] = {{0, 0, 2, 2}, {0, 0, 3, 3}};
    const POINT fits[] = {{0, 0}, {1, 1}};
    const POINT spills[] = {{0, 0}, {2, 2}};
    const POINT negative[] = {{0, 0}, {-1, 0}};
    EXPECT_EQ(device->CopyRects(source.Get(), rects, 2, destination.Get(), spills), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CopyRects(source.Get(), rects, 2, destination.Get(), negative), D3DERR_INVALIDCALL);
    EXPECT_EQ(Rows(destination.Get(), 4, 4), std::vector<unsigned char>(16, 0)) << "the first rectangle was copied";
    EXPECT_EQ(device->CopyRects(source.Get(), rects, 2, destination.Get(), fits), D3D_OK);
    const RECT outside = {6, 6, 9, 8};
    const RECT inverted = {3, 0, 2, 2};
    EXPECT_EQ(device->CopyRects(source.Get(), &outside, 1, destination.Get(), fits), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CopyRects(source.Get(), &inverted, 1, destination.Get(), fits), D3DERR_INVALIDCALL);
}

TEST_F(DeviceCopy, RefusesForeignLockedOrIdenticalSurfaces)
{
    ComRef<IDirect3DSurface8> source = MakeImageSurface(4, 4, D3DFMT_A8R8G8B8);
    ComRef<IDirect3DSurface8> destination = MakeImageSurface(4, 4, D3DFMT_A8R8G8B8);
    EXPECT_EQ(device->CopyRects(source.Get(), nullptr, 0, source.Get(), nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CopyRects(nullptr, nullptr, 0, destination.Get(), nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CopyRects(source.Get(), nullptr, 0, nullptr, nullptr), D3DERR_INVALIDCALL);
    D3DLOCKED_RECT locked;
    destination->LockRect(&locked, nullptr, 0);
    EXPECT_EQ(device->CopyRects(source.Get(), nullptr, 0, destination.Get(), nullptr), D3DERR_INVALIDCALL);
    destination->UnlockRect();
    EXPECT_EQ(device->CopyRects(source.Get(), nullptr, 0, destination.Get(), nullptr), D3D_OK);
}

TEST_F(DeviceCopy, DefaultPoolLevelsCopyWithoutLocking)
{
    ComRef<IDirect3DTexture8> vidmem = MakeTexture(8, 8, 2, D3DPOOL_DEFAULT, D3DFMT_A8R8G8B8);
    IDirect3DSurface8* level = nullptr;
    vidmem->GetSurfaceLevel(0, &level);
    ComRef<IDirect3DSurface8> image = MakeImageSurface(8, 8, D3DFMT_A8R8G8B8);
    ComRef<IDirect3DSurface8> back = MakeImageSurface(8, 8, D3DFMT_A8R8G8B8);
    Fill(image.Get(), 13);
    d3d8::ClearLockHistory();
    unsigned locksBefore = d3d8::CallCount(d3d8::Call::LockRect);
    ASSERT_EQ(device->CopyRects(image.Get(), nullptr, 0, level, nullptr), D3D_OK);
    ASSERT_EQ(device->CopyRects(level, nullptr, 0, back.Get(), nullptr), D3D_OK);
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::LockRect), locksBefore);
    EXPECT_TRUE(d3d8::LockHistory().empty());
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::CopyRects), 2u);
    EXPECT_EQ(Rows(image.Get(), 32, 8), Rows(back.Get(), 32, 8));
    level->Release();
}

TEST_F(DeviceCopy, BlockFormatsCopyWholeBlocks)
{
    // A 6x6 DXT1 surface is 2x2 blocks, as is an 8x8 one: they copy both ways.
    ComRef<IDirect3DSurface8> small = MakeImageSurface(6, 6, D3DFMT_DXT1);
    ComRef<IDirect3DSurface8> rounded = MakeImageSurface(8, 8, D3DFMT_DXT1);
    Fill(small.Get(), 17);
    ASSERT_EQ(device->CopyRects(small.Get(), nullptr, 0, rounded.Get(), nullptr), D3D_OK);
    EXPECT_EQ(Rows(small.Get(), 16, 2), Rows(rounded.Get(), 16, 2));
    Fill(rounded.Get(), 19);
    ASSERT_EQ(device->CopyRects(rounded.Get(), nullptr, 0, small.Get(), nullptr), D3D_OK);
    EXPECT_EQ(Rows(small.Get(), 16, 2), Rows(rounded.Get(), 16, 2));

    ComRef<IDirect3DSurface8> large = MakeImageSurface(12, 8, D3DFMT_DXT1);
    const RECT edgeBlock = {4, 4, 6, 6}; // partial block at the source's edge
    const POINT corner = {8, 4};
    ASSERT_EQ(device->CopyRects(small.Get(), &edgeBlock, 1, large.Get(), &corner), D3D_OK);
    D3DLOCKED_RECT from, to;
    const RECT sourceBlock = {4, 4, 6, 6};
    const RECT targetBlock = {8, 4, 12, 8};
    small->LockRect(&from, &sourceBlock, D3DLOCK_READONLY);
    large->LockRect(&to, &targetBlock, D3DLOCK_READONLY);
    EXPECT_EQ(std::memcmp(from.pBits, to.pBits, 8), 0);
    small->UnlockRect();
    large->UnlockRect();

    const RECT unaligned = {1, 0, 4, 4};
    const POINT offGrid = {2, 0};
    const RECT aligned = {0, 0, 4, 4};
    EXPECT_EQ(device->CopyRects(small.Get(), &unaligned, 1, large.Get(), nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CopyRects(small.Get(), &aligned, 1, large.Get(), &offGrid), D3DERR_INVALIDCALL);
    const POINT beyond = {12, 0};
    EXPECT_EQ(device->CopyRects(small.Get(), &aligned, 1, large.Get(), &beyond), D3DERR_INVALIDCALL);
}

TEST_F(DeviceCopy, PixelPairsCopyWhole)
{
    auto [source, destination] = FilledPair({5, 2, D3DFMT_UYVY}, {6, 2, D3DFMT_UYVY}, 23);
    ASSERT_EQ(device->CopyRects(source.Get(), nullptr, 0, destination.Get(), nullptr), D3D_OK);
    EXPECT_EQ(Rows(source.Get(), 12, 2), Rows(destination.Get(), 12, 2));
    const RECT odd = {1, 0, 3, 2};
    EXPECT_EQ(device->CopyRects(source.Get(), &odd, 1, destination.Get(), nullptr), D3DERR_INVALIDCALL);
}

TEST_F(DeviceCopy, CubeFacesAndRenderTargetsTakePart)
{
    IDirect3DCubeTexture8* cube = nullptr;
    ASSERT_EQ(device->CreateCubeTexture(4, 1, 0, D3DFMT_R5G6B5, D3DPOOL_DEFAULT, &cube), D3D_OK);
    IDirect3DSurface8* face = nullptr;
    cube->GetCubeMapSurface(D3DCUBEMAP_FACE_POSITIVE_Y, 0, &face);
    IDirect3DSurface8* target = nullptr;
    device->CreateRenderTarget(4, 4, D3DFMT_R5G6B5, D3DMULTISAMPLE_NONE, FALSE, &target);
    ComRef<IDirect3DSurface8> image = MakeImageSurface(4, 4, D3DFMT_R5G6B5);
    ComRef<IDirect3DSurface8> result = MakeImageSurface(4, 4, D3DFMT_R5G6B5);
    Fill(image.Get(), 29);
    ASSERT_EQ(device->CopyRects(image.Get(), nullptr, 0, face, nullptr), D3D_OK);
    ASSERT_EQ(device->CopyRects(face, nullptr, 0, target, nullptr), D3D_OK);
    ASSERT_EQ(device->CopyRects(target, nullptr, 0, result.Get(), nullptr), D3D_OK);
    EXPECT_EQ(Rows(image.Get(), 8, 4), Rows(result.Get(), 8, 4));
    face->Release();
    cube->Release();
    target->Release();
}

} // namespace
