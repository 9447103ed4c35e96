// Storage layout: mip chains, block formats, pitch.
#include "tests/support/device_test.h"

#include <vector>

namespace {

using DeviceLayout = DeviceTest;

// Level 0 locked whole has these pitches, and `box` locked starts `offset`
// bytes into it.
void ExpectBoxAt(IDirect3DVolumeTexture8* texture, const D3DBOX& box, INT rowPitch, INT slicePitch, size_t offset,
                 DWORD flags = 0)
{
    D3DLOCKED_BOX whole;
    ASSERT_EQ(texture->LockBox(0, &whole, nullptr, 0), D3D_OK);
    EXPECT_EQ(whole.RowPitch, rowPitch);
    EXPECT_EQ(whole.SlicePitch, slicePitch);
    texture->UnlockBox(0);
    D3DLOCKED_BOX part;
    ASSERT_EQ(texture->LockBox(0, &part, &box, flags), D3D_OK);
    EXPECT_EQ(static_cast<char*>(part.pBits), static_cast<char*>(whole.pBits) + offset);
    texture->UnlockBox(0);
}

// `rect` of the surface locked starts `offset` bytes into it locked whole,
// and both locks have this pitch.
void ExpectRectAt(IDirect3DSurface8* surface, const RECT& rect, INT pitch, size_t offset)
{
    D3DLOCKED_RECT whole, part;
    ASSERT_EQ(surface->LockRect(&whole, nullptr, 0), D3D_OK);
    surface->UnlockRect();
    ASSERT_EQ(surface->LockRect(&part, &rect, 0), D3D_OK);
    surface->UnlockRect();
    EXPECT_EQ(whole.Pitch, pitch);
    EXPECT_EQ(part.Pitch, pitch);
    EXPECT_EQ(static_cast<char*>(part.pBits), static_cast<char*>(whole.pBits) + offset);
}

struct ChainCase {
    UINT width, height, levels;
    std::vector<std::pair<UINT, UINT>> sizes;
};

TEST_F(DeviceLayout, FullChainHalvesToOne)
{
    const ChainCase cases[] = {
        {256, 64, 9, {{256, 64}, {128, 32}, {64, 16}, {32, 8}, {16, 4}, {8, 2}, {4, 1}, {2, 1}, {1, 1}}},
        {5, 3, 3, {{5, 3}, {2, 1}, {1, 1}}},
        {1, 1, 1, {{1, 1}}},
        {100, 64, 7, {{100, 64}, {50, 32}, {25, 16}, {12, 8}, {6, 4}, {3, 2}, {1, 1}}},
    };
    for (const ChainCase& chain : cases) {
        ComRef<IDirect3DTexture8> texture = MakeTexture(chain.width, chain.height, 0, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8);
        ASSERT_NE(texture.Get(), nullptr);
        ASSERT_EQ(texture->GetLevelCount(), chain.levels) << chain.width << "x" << chain.height;
        for (UINT level = 0; level < chain.levels; ++level) {
            D3DSURFACE_DESC desc;
            ASSERT_EQ(texture->GetLevelDesc(level, &desc), D3D_OK);
            EXPECT_EQ(desc.Width, chain.sizes[level].first) << "level " << level;
            EXPECT_EQ(desc.Height, chain.sizes[level].second) << "level " << level;
            EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
            EXPECT_EQ(desc.Type, D3DRTYPE_SURFACE);
            EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
            EXPECT_EQ(desc.Size, desc.Width * desc.Height * 4);
        }
        D3DSURFACE_DESC beyond;
        EXPECT_EQ(texture->GetLevelDesc(chain.levels, &beyond), D3DERR_INVALIDCALL);
        texture.Reset();
    }
}

TEST_F(DeviceLayout, LevelCountsAreHonouredAndCapped)
{
    ComRef<IDirect3DTexture8> texture = MakeTexture(16, 16, 3, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8);
    EXPECT_EQ(texture->GetLevelCount(), 3u);
    texture.Reset();
    IDirect3DTexture8* refused = reinterpret_cast<IDirect3DTexture8*>(1);
    EXPECT_EQ(device->CreateTexture(16, 16, 6, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &refused), D3DERR_INVALIDCALL);
    EXPECT_EQ(refused, nullptr);
    EXPECT_EQ(device->CreateTexture(0, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &refused), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(16, 16, 1, 0, D3DFMT_D24S8, D3DPOOL_MANAGED, &refused), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(16, 16, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, &refused), D3DERR_INVALIDCALL);
}

TEST_F(DeviceLayout, SizesBeyondThe32BitFieldsAreRefused)
{
    IDirect3DTexture8* texture = nullptr;
    const D3DFORMAT wide = D3DFORMAT(MAKEFOURCC('A', 'R', '1', '6'));
    EXPECT_EQ(device->CreateTexture(65536, 65536, 1, 0, wide, D3DPOOL_MANAGED, &texture), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(0xFFFFFFFF, 1, 1, 0, wide, D3DPOOL_MANAGED, &texture), D3DERR_INVALIDCALL);
    IDirect3DVolumeTexture8* volume = nullptr;
    EXPECT_EQ(device->CreateVolumeTexture(4096, 4096, 4096, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &volume),
              D3DERR_INVALIDCALL);
    IDirect3DSurface8* surface = nullptr;
    EXPECT_EQ(device->CreateImageSurface(0, 4, D3DFMT_A8R8G8B8, &surface), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateImageSurface(4, 4, D3DFMT_D24S8, &surface), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateRenderTarget(4, 0, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, TRUE, &surface),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(surface, nullptr);
    EXPECT_EQ(d3d8::LiveObjects(), 1u);
}

TEST_F(DeviceLayout, BlockVolumesStoreSlicesOfBlockRows)
{
    auto texture = MakeVolume(6, 6, 2, 0, D3DPOOL_SYSTEMMEM, D3DFMT_DXT3);
    EXPECT_EQ(texture->GetLevelCount(), 3u);
    ExpectBoxAt(texture.Get(), {4, 4, 6, 6, 1, 2}, 32, 64, 64 + 32 + 16);
    D3DLOCKED_BOX part;
    const D3DBOX unaligned = {2, 0, 6, 4, 0, 1};
    EXPECT_EQ(texture->LockBox(0, &part, &unaligned, 0), D3DERR_INVALIDCALL);
    D3DVOLUME_DESC last;
    texture->GetLevelDesc(2, &last);
    EXPECT_EQ(last.Width, 1u);
    EXPECT_EQ(last.Size, 16u); // one block
}

TEST_F(DeviceLayout, VolumeChainHalvesEveryDimension)
{
    IDirect3DVolumeTexture8* texture = nullptr;
    ASSERT_EQ(device->CreateVolumeTexture(64, 64, 3, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    ASSERT_EQ(texture->GetLevelCount(), 7u);
    const UINT depths[] = {3, 1, 1, 1, 1, 1, 1};
    for (UINT level = 0; level < 7; ++level) {
        D3DVOLUME_DESC desc;
        ASSERT_EQ(texture->GetLevelDesc(level, &desc), D3D_OK);
        EXPECT_EQ(desc.Width, 64u >> level);
        EXPECT_EQ(desc.Height, 64u >> level);
        EXPECT_EQ(desc.Depth, depths[level]);
        EXPECT_EQ(desc.Type, D3DRTYPE_VOLUME);
        EXPECT_EQ(desc.Size, desc.Width * desc.Height * desc.Depth * 4);
    }
    texture->Release();

    // A deep volume: depth decides the chain length.
    ASSERT_EQ(device->CreateVolumeTexture(2, 2, 16, 0, 0, D3DFMT_L8, D3DPOOL_SYSTEMMEM, &texture), D3D_OK);
    EXPECT_EQ(texture->GetLevelCount(), 5u);
    D3DVOLUME_DESC last;
    texture->GetLevelDesc(4, &last);
    EXPECT_EQ(last.Width, 1u);
    EXPECT_EQ(last.Depth, 1u);
    texture->Release();
}

TEST_F(DeviceLayout, CubeFacesShareOneChain)
{
    IDirect3DCubeTexture8* cube = nullptr;
    ASSERT_EQ(device->CreateCubeTexture(32, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &cube), D3D_OK);
    ASSERT_EQ(cube->GetLevelCount(), 6u);
    D3DSURFACE_DESC desc;
    ASSERT_EQ(cube->GetLevelDesc(5, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, 1u);
    // Every face and level is a distinct surface.
    std::vector<IDirect3DSurface8*> seen;
    for (DWORD face = 0; face < 6; ++face) {
        for (UINT level = 0; level < 6; ++level) {
            IDirect3DSurface8* surface = nullptr;
            ASSERT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACES(face), level, &surface), D3D_OK);
            for (IDirect3DSurface8* other : seen)
                EXPECT_NE(other, surface);
            seen.push_back(surface);
        }
    }
    IDirect3DSurface8* none = nullptr;
    EXPECT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACES(6), 0, &none), D3DERR_INVALIDCALL);
    EXPECT_EQ(none, nullptr);
    for (IDirect3DSurface8* surface : seen)
        surface->Release();
    cube->Release();
}

struct BlockCase {
    D3DFORMAT format;
    UINT width, height;
    INT pitch; // bytes per row of blocks
    UINT rows; // rows of blocks
};

TEST_F(DeviceLayout, BlockFormatsStoreWholeBlocks)
{
    const BlockCase cases[] = {
        {D3DFMT_DXT1, 6, 6, 16, 2},  {D3DFMT_DXT1, 4, 4, 8, 1},   {D3DFMT_DXT1, 1, 1, 8, 1},
        {D3DFMT_DXT2, 6, 6, 32, 2},  {D3DFMT_DXT3, 8, 5, 32, 2},  {D3DFMT_DXT4, 13, 4, 64, 1},
        {D3DFMT_DXT5, 16, 16, 64, 4}, {D3DFMT_YUY2, 5, 3, 12, 3}, {D3DFMT_UYVY, 4, 2, 8, 2},
    };
    for (const BlockCase& block : cases) {
        ComRef<IDirect3DSurface8> surface = MakeImageSurface(block.width, block.height, block.format);
        ASSERT_NE(surface.Get(), nullptr);
        D3DSURFACE_DESC desc;
        surface->GetDesc(&desc);
        EXPECT_EQ(desc.Size, UINT(block.pitch) * block.rows);
        D3DLOCKED_RECT locked;
        ASSERT_EQ(surface->LockRect(&locked, nullptr, 0), D3D_OK);
        EXPECT_EQ(locked.Pitch, block.pitch) << block.width << "x" << block.height;
        surface->UnlockRect();
        surface.Reset();
    }
}

TEST_F(DeviceLayout, EveryCodecFormatIsStorable)
{
    const std::pair<D3DFORMAT, UINT> bytesPerPixel[] = {
        {D3DFMT_R8G8B8, 3},      {D3DFMT_A8R8G8B8, 4},    {D3DFMT_X8R8G8B8, 4},    {D3DFMT_R5G6B5, 2},
        {D3DFMT_X1R5G5B5, 2},    {D3DFMT_A1R5G5B5, 2},    {D3DFMT_A4R4G4B4, 2},    {D3DFMT_R3G3B2, 1},
        {D3DFMT_A8, 1},          {D3DFMT_A8R3G3B2, 2},    {D3DFMT_X4R4G4B4, 2},    {D3DFMT_A2B10G10R10, 4},
        {D3DFMT_G16R16, 4},      {D3DFMT_A8P8, 2},        {D3DFMT_P8, 1},          {D3DFMT_L8, 1},
        {D3DFMT_A8L8, 2},        {D3DFMT_A4L4, 1},        {D3DFMT_V8U8, 2},        {D3DFMT_L6V5U5, 2},
        {D3DFMT_X8L8V8U8, 4},    {D3DFMT_Q8W8V8U8, 4},    {D3DFMT_V16U16, 4},      {D3DFMT_W11V11U10, 4},
        {D3DFMT_A2W10V10U10, 4}, {D3DFMT_D16_LOCKABLE, 2}, {D3DFORMAT(MAKEFOURCC(' ', 'L', '1', '6')), 2},
        {D3DFORMAT(MAKEFOURCC('A', 'L', '1', '6')), 4},   {D3DFORMAT(MAKEFOURCC(' ', 'R', '1', '6')), 6},
        {D3DFORMAT(MAKEFOURCC('A', 'R', '1', '6')), 8},
    };
    for (auto [format, bytes] : bytesPerPixel) {
        ComRef<IDirect3DTexture8> texture = MakeTexture(7, 3, 1, D3DPOOL_SYSTEMMEM, format);
        ASSERT_NE(texture.Get(), nullptr) << format;
        D3DLOCKED_RECT locked;
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        EXPECT_EQ(locked.Pitch, INT(7 * bytes)) << format;
        texture->UnlockRect(0);
        texture.Reset();
    }
}

TEST_F(DeviceLayout, PitchPaddingWidensRowsOfLaterResources)
{
    ComRef<IDirect3DTexture8> before = MakeTexture(10, 4, 2, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8);
    d3d8::SetPitchPadding(12);
    ComRef<IDirect3DTexture8> after = MakeTexture(10, 4, 2, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(before->LockRect(0, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(locked.Pitch, 40);
    before->UnlockRect(0);
    ASSERT_EQ(after->LockRect(1, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(locked.Pitch, 5 * 4 + 12);
    after->UnlockRect(1);
    D3DSURFACE_DESC desc;
    after->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Size, (40u + 12u) * 4u);
}

TEST_F(DeviceLayout, RectangleLockAddressesItsCorner)
{
    d3d8::SetPitchPadding(8);
    ExpectRectAt(MakeImageSurface(16, 8, D3DFMT_R5G6B5).Get(), {3, 2, 9, 7}, 32 + 8, 2 * (32 + 8) + 3 * 2);
}

TEST_F(DeviceLayout, BlockRectangleLockAddressesItsBlock)
{
    ExpectRectAt(MakeImageSurface(16, 16, D3DFMT_DXT5).Get(), {8, 4, 16, 12}, 64, 1 * 64 + 2 * 16);
}

TEST_F(DeviceLayout, VolumeBoxLockAddressesItsCorner)
{
    auto texture = MakeVolume(8, 4, 3, 1, D3DPOOL_SYSTEMMEM, D3DFMT_A8L8);
    ExpectBoxAt(texture.Get(), {1, 2, 5, 4, 2, 3}, 16, 64, 2 * 64 + 2 * 16 + 1 * 2, D3DLOCK_READONLY);
}

TEST_F(DeviceLayout, PixelsStayPutBetweenLocks)
{
    ComRef<IDirect3DTexture8> texture = MakeTexture(4, 4, 1, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8);
    D3DLOCKED_RECT locked;
    texture->LockRect(0, &locked, nullptr, 0);
    static_cast<DWORD*>(locked.pBits)[5] = 0x12345678;
    texture->UnlockRect(0);
    IDirect3DSurface8* level = nullptr;
    texture->GetSurfaceLevel(0, &level);
    const RECT rect = {1, 1, 2, 2};
    level->LockRect(&locked, &rect, D3DLOCK_READONLY);
    EXPECT_EQ(*static_cast<DWORD*>(locked.pBits), 0x12345678u);
    level->UnlockRect();
    level->Release();
}

} // namespace
