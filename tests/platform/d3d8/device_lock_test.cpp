// What may be locked, how, and how often.
#include "tests/support/device_test.h"

namespace {

using DeviceLocks = DeviceTest;

TEST_F(DeviceLocks, DefaultPoolLevelsAreRefusedUnlessDynamic)
{
    ComRef<IDirect3DTexture8> plain = MakeTexture(8, 8, 1, D3DPOOL_DEFAULT, D3DFMT_A8R8G8B8);
    ComRef<IDirect3DTexture8> dynamic = MakeTexture(8, 8, 1, D3DPOOL_DEFAULT, D3DFMT_A8R8G8B8, D3DUSAGE_DYNAMIC);
    D3DLOCKED_RECT locked;
    EXPECT_EQ(plain->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);
    IDirect3DSurface8* level = nullptr;
    plain->GetSurfaceLevel(0, &level);
    EXPECT_EQ(level->LockRect(&locked, nullptr, 0), D3DERR_INVALIDCALL);
    level->Release();
    EXPECT_EQ(d3d8::LockedObjects(), 0u);
    ASSERT_EQ(dynamic->LockRect(0, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(d3d8::LockedObjects(), 1u);
    dynamic->UnlockRect(0);
}

TEST_F(DeviceLocks, EveryOtherPoolLocks)
{
    for (D3DPOOL pool : {D3DPOOL_MANAGED, D3DPOOL_SYSTEMMEM}) {
        ComRef<IDirect3DTexture8> texture = MakeTexture(8, 8, 2, pool, D3DFMT_A8R8G8B8);
        D3DLOCKED_RECT locked;
        EXPECT_EQ(texture->LockRect(1, &locked, nullptr, D3DLOCK_NOSYSLOCK), D3D_OK);
        texture->UnlockRect(1);
        texture.Reset();
    }
}

TEST_F(DeviceLocks, DynamicManagedTexturesAreRefused)
{
    IDirect3DTexture8* texture = nullptr;
    EXPECT_EQ(device->CreateTexture(8, 8, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &texture),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(texture, nullptr);
}

TEST_F(DeviceLocks, DoubleLockAndStrayUnlockFail)
{
    ComRef<IDirect3DTexture8> texture = MakeTexture(8, 8, 2, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8);
    D3DLOCKED_RECT locked;
    EXPECT_EQ(texture->UnlockRect(0), D3DERR_INVALIDCALL);
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);
    // Another level is a separate lock.
    ASSERT_EQ(texture->LockRect(1, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(d3d8::LockedObjects(), 2u);
    EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
    EXPECT_EQ(texture->UnlockRect(0), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture->UnlockRect(1), D3D_OK);
    EXPECT_EQ(texture->LockRect(2, &locked, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture->UnlockRect(2), D3DERR_INVALIDCALL);
}

TEST_F(DeviceLocks, DiscardOnlyOnDynamicResources)
{
    ComRef<IDirect3DTexture8> managed = MakeTexture(8, 8, 1, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8);
    ComRef<IDirect3DTexture8> dynamic = MakeTexture(8, 8, 1, D3DPOOL_SYSTEMMEM, D3DFMT_A8R8G8B8, D3DUSAGE_DYNAMIC);
    D3DLOCKED_RECT locked;
    EXPECT_EQ(managed->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD), D3DERR_INVALIDCALL);
    EXPECT_EQ(dynamic->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD | D3DLOCK_READONLY), D3DERR_INVALIDCALL);
    ASSERT_EQ(dynamic->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD | D3DLOCK_NOSYSLOCK), D3D_OK);
    dynamic->UnlockRect(0);
    ComRef<IDirect3DSurface8> image = MakeImageSurface(4, 4, D3DFMT_L8);
    EXPECT_EQ(image->LockRect(&locked, nullptr, D3DLOCK_DISCARD), D3DERR_INVALIDCALL);
}

TEST_F(DeviceLocks, RectanglesMustLieInsideAndInOrder)
{
    ComRef<IDirect3DSurface8> surface = MakeImageSurface(10, 6, D3DFMT_A8R8G8B8);
    const RECT refused[] = {
        {5, 0, 4, 6}, {0, 4, 10, 3}, {0, 0, 11, 6}, {0, 0, 10, 7}, {-1, 0, 4, 4}, {0, -2, 4, 4},
    };
    D3DLOCKED_RECT locked;
    for (const RECT& rect : refused)
        EXPECT_EQ(surface->LockRect(&locked, &rect, 0), D3DERR_INVALIDCALL)
            << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
    const RECT accepted[] = {{0, 0, 10, 6}, {4, 2, 4, 5}, {9, 5, 10, 6}, {3, 3, 3, 3}};
    for (const RECT& rect : accepted) {
        EXPECT_EQ(surface->LockRect(&locked, &rect, 0), D3D_OK);
        surface->UnlockRect();
    }
    EXPECT_EQ(surface->LockRect(nullptr, nullptr, 0), D3DERR_INVALIDCALL);
}

TEST_F(DeviceLocks, BlockRectanglesMustBeAlignedExceptAtTheEdge)
{
    ComRef<IDirect3DSurface8> surface = MakeImageSurface(6, 6, D3DFMT_DXT1);
    D3DLOCKED_RECT locked;
    const RECT refused[] = {{1, 1, 5, 5}, {0, 0, 5, 6}, {2, 0, 6, 6}, {0, 0, 4, 5}};
    for (const RECT& rect : refused)
        EXPECT_EQ(surface->LockRect(&locked, &rect, 0), D3DERR_INVALIDCALL);
    const RECT accepted[] = {{0, 0, 6, 6}, {4, 4, 6, 6}, {0, 0, 4, 4}, {4, 0, 6, 4}};
    for (const RECT& rect : accepted) {
        EXPECT_EQ(surface->LockRect(&locked, &rect, 0), D3D_OK);
        surface->UnlockRect();
    }
    surface.Reset();

    ComRef<IDirect3DSurface8> pairs = MakeImageSurface(5, 2, D3DFMT_YUY2);
    const RECT odd = {1, 0, 4, 2};
    EXPECT_EQ(pairs->LockRect(&locked, &odd, 0), D3DERR_INVALIDCALL);
    const RECT toEdge = {2, 0, 5, 2};
    EXPECT_EQ(pairs->LockRect(&locked, &toEdge, 0), D3D_OK);
    pairs->UnlockRect();
}

TEST_F(DeviceLocks, VolumeBoxRules)
{
    IDirect3DVolumeTexture8* vidmem = nullptr;
    IDirect3DVolumeTexture8* dynamic = nullptr;
    ASSERT_EQ(device->CreateVolumeTexture(4, 4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &vidmem), D3D_OK);
    ASSERT_EQ(device->CreateVolumeTexture(4, 4, 4, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &dynamic),
              D3D_OK);
    D3DLOCKED_BOX locked;
    EXPECT_EQ(vidmem->LockBox(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);
    const D3DBOX inverted = {0, 0, 4, 4, 3, 2};
    const D3DBOX tooDeep = {0, 0, 4, 4, 0, 5};
    EXPECT_EQ(dynamic->LockBox(0, &locked, &inverted, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(dynamic->LockBox(0, &locked, &tooDeep, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(dynamic->LockBox(0, &locked, nullptr, D3DLOCK_DISCARD), D3D_OK);
    EXPECT_EQ(dynamic->LockBox(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);
    IDirect3DVolume8* level = nullptr;
    dynamic->GetVolumeLevel(0, &level);
    EXPECT_EQ(level->UnlockBox(), D3D_OK);
    EXPECT_EQ(level->UnlockBox(), D3DERR_INVALIDCALL);
    level->Release();
    vidmem->Release();
    dynamic->Release();
}

TEST_F(DeviceLocks, RenderTargetsLockOnlyWhenMadeLockable)
{
    IDirect3DSurface8* lockable = nullptr;
    IDirect3DSurface8* sealed = nullptr;
    ASSERT_EQ(device->CreateRenderTarget(8, 8, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, TRUE, &lockable), D3D_OK);
    ASSERT_EQ(device->CreateRenderTarget(8, 8, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, FALSE, &sealed), D3D_OK);
    D3DLOCKED_RECT locked;
    EXPECT_EQ(sealed->LockRect(&locked, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(lockable->LockRect(&locked, nullptr, 0), D3D_OK);
    lockable->UnlockRect();

    DWORD usage = 0xDEAD;
    EXPECT_TRUE(SoftD3D8QuerySurfaceLockable(lockable, &usage));
    EXPECT_EQ(usage, D3DUSAGE_RENDERTARGET);
    usage = 0xDEAD;
    EXPECT_FALSE(SoftD3D8QuerySurfaceLockable(sealed, &usage));
    EXPECT_EQ(usage, D3DUSAGE_RENDERTARGET);
    D3DSURFACE_DESC desc;
    sealed->GetDesc(&desc);
    EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
    EXPECT_EQ(desc.Usage, D3DUSAGE_RENDERTARGET);
    lockable->Release();
    sealed->Release();
}

TEST_F(DeviceLocks, LockabilityQueryOnOtherSurfaces)
{
    ComRef<IDirect3DSurface8> image = MakeImageSurface(4, 4, D3DFMT_A8R8G8B8);
    DWORD usage = 0xDEAD;
    EXPECT_TRUE(SoftD3D8QuerySurfaceLockable(image.Get(), &usage));
    EXPECT_EQ(usage, 0u);
    D3DSURFACE_DESC desc;
    image->GetDesc(&desc);
    EXPECT_EQ(desc.Pool, D3DPOOL_SYSTEMMEM);

    ComRef<IDirect3DTexture8> texture = MakeTexture(4, 4, 1, D3DPOOL_SYSTEMMEM, D3DFMT_A8R8G8B8);
    IDirect3DSurface8* level = nullptr;
    texture->GetSurfaceLevel(0, &level);
    EXPECT_FALSE(SoftD3D8QuerySurfaceLockable(level, nullptr));
    EXPECT_FALSE(SoftD3D8QuerySurfaceLockable(nullptr, &usage));
    level->Release();
    texture.Reset();
    // A released surface is no longer ours to answer for.
    image.Reset();
    EXPECT_FALSE(SoftD3D8QuerySurfaceLockable(image.Get(), nullptr));
}

TEST_F(DeviceLocks, HistoryRecordsFlagsAndAreas)
{
    ComRef<IDirect3DTexture8> texture = MakeTexture(8, 8, 1, D3DPOOL_SYSTEMMEM, D3DFMT_A8R8G8B8, D3DUSAGE_DYNAMIC);
    IDirect3DSurface8* level = nullptr;
    texture->GetSurfaceLevel(0, &level);
    d3d8::ClearLockHistory();
    D3DLOCKED_RECT locked;
    texture->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD);
    texture->UnlockRect(0);
    const RECT rect = {1, 2, 3, 4};
    level->LockRect(&locked, &rect, D3DLOCK_READONLY);
    level->LockRect(&locked, &rect, 0); // refused: already locked
    level->UnlockRect();
    auto history = d3d8::LockHistory();
    ASSERT_EQ(history.size(), 3u);
    EXPECT_EQ(history[0].object, level);
    EXPECT_TRUE(history[0].whole);
    EXPECT_EQ(history[0].flags, D3DLOCK_DISCARD);
    EXPECT_EQ(history[0].area.Right, 8u);
    EXPECT_FALSE(history[1].whole);
    EXPECT_EQ(history[1].flags, D3DLOCK_READONLY);
    EXPECT_EQ(history[1].area.Left, 1u);
    EXPECT_EQ(history[1].area.Bottom, 4u);
    EXPECT_EQ(history[1].result, D3D_OK);
    EXPECT_EQ(history[2].result, D3DERR_INVALIDCALL);
    level->Release();
}

TEST_F(DeviceLocks, ReleasingALockedTextureEndsItsLock)
{
    ComRef<IDirect3DTexture8> texture = MakeTexture(8, 8, 1, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8);
    D3DLOCKED_RECT locked;
    texture->LockRect(0, &locked, nullptr, 0);
    EXPECT_EQ(d3d8::LockedObjects(), 1u);
    texture.Reset();
    EXPECT_EQ(d3d8::LockedObjects(), 0u);
}

} // namespace
