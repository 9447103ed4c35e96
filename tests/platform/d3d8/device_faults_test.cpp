// Fault injection: the n-th call of a kind fails, once, with the given result.
#include "tests/support/device_test.h"

namespace {

using DeviceFaults = DeviceTest;

TEST_F(DeviceFaults, NthLockFailsOnceWithTheGivenResult)
{
    ComRef<IDirect3DTexture8> texture = MakeTexture(4, 4, 1, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8);
    d3d8::FailCall(d3d8::Call::LockRect, 2, E_OUTOFMEMORY);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    texture->UnlockRect(0);
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), E_OUTOFMEMORY);
    EXPECT_EQ(d3d8::LockedObjects(), 0u);
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    texture->UnlockRect(0);
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::LockRect), 3u);
}

TEST_F(DeviceFaults, CountingStartsWhenArmed)
{
    ComRef<IDirect3DSurface8> image = MakeImageSurface(4, 4, D3DFMT_A8R8G8B8);
    D3DLOCKED_RECT locked;
    for (int i = 0; i < 3; ++i) {
        image->LockRect(&locked, nullptr, 0);
        image->UnlockRect();
    }
    d3d8::FailCall(d3d8::Call::LockRect, 1, D3DERR_INVALIDCALL);
    EXPECT_EQ(image->LockRect(&locked, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(image->LockRect(&locked, nullptr, 0), D3D_OK);
    image->UnlockRect();
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::LockRect), 5u);
}

TEST_F(DeviceFaults, EveryInjectableKindFails)
{
    const HRESULT hr = D3DERR_OUTOFVIDEOMEMORY;
    ComRef<IDirect3DTexture8> texture = MakeTexture(4, 4, 1, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8);
    IDirect3DCubeTexture8* cube = nullptr;
    device->CreateCubeTexture(4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube);
    IDirect3DVolumeTexture8* volume = nullptr;
    device->CreateVolumeTexture(4, 4, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &volume);
    ComRef<IDirect3DSurface8> image = MakeImageSurface(4, 4, D3DFMT_A8R8G8B8);
    ComRef<IDirect3DSurface8> other = MakeImageSurface(4, 4, D3DFMT_A8R8G8B8);

    d3d8::FailCall(d3d8::Call::GetSurfaceLevel, 1, hr);
    IDirect3DSurface8* surface = reinterpret_cast<IDirect3DSurface8*>(1);
    EXPECT_EQ(texture->GetSurfaceLevel(0, &surface), hr);
    EXPECT_EQ(surface, nullptr);

    d3d8::FailCall(d3d8::Call::GetCubeMapSurface, 1, hr);
    EXPECT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACE_POSITIVE_X, 0, &surface), hr);
    EXPECT_EQ(surface, nullptr);

    d3d8::FailCall(d3d8::Call::GetVolumeLevel, 1, hr);
    IDirect3DVolume8* level = reinterpret_cast<IDirect3DVolume8*>(1);
    EXPECT_EQ(volume->GetVolumeLevel(0, &level), hr);
    EXPECT_EQ(level, nullptr);

    d3d8::FailCall(d3d8::Call::LockBox, 1, hr);
    D3DLOCKED_BOX box;
    EXPECT_EQ(volume->LockBox(0, &box, nullptr, 0), hr);

    d3d8::FailCall(d3d8::Call::CreateImageSurface, 1, hr);
    EXPECT_EQ(device->CreateImageSurface(4, 4, D3DFMT_A8R8G8B8, &surface), hr);
    EXPECT_EQ(surface, nullptr);

    d3d8::FailCall(d3d8::Call::CopyRects, 1, hr);
    EXPECT_EQ(device->CopyRects(image.Get(), nullptr, 0, other.Get(), nullptr), hr);

    d3d8::FailCall(d3d8::Call::CreateTexture, 1, hr);
    IDirect3DTexture8* failed = reinterpret_cast<IDirect3DTexture8*>(1);
    EXPECT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &failed), hr);
    EXPECT_EQ(failed, nullptr);

    d3d8::FailCall(d3d8::Call::LockRect, 1, hr);
    D3DLOCKED_RECT rect;
    EXPECT_EQ(cube->LockRect(D3DCUBEMAP_FACE_NEGATIVE_Y, 0, &rect, nullptr, 0), hr);

    // Each trap fired once: the same calls now succeed.
    ASSERT_EQ(texture->GetSurfaceLevel(0, &surface), D3D_OK);
    surface->Release();
    ASSERT_EQ(volume->GetVolumeLevel(0, &level), D3D_OK);
    ASSERT_EQ(level->LockBox(&box, nullptr, 0), D3D_OK);
    level->UnlockBox();
    level->Release();
    EXPECT_EQ(device->CopyRects(image.Get(), nullptr, 0, other.Get(), nullptr), D3D_OK);
    EXPECT_EQ(d3d8::LockedObjects(), 0u);

    texture.Reset();
    cube->Release();
    volume->Release();
}

TEST_F(DeviceFaults, AnyCountsEveryInjectableKind)
{
    ComRef<IDirect3DTexture8> texture = MakeTexture(4, 4, 1, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8); // CreateTexture: call 1
    d3d8::ResetFaults();
    d3d8::FailCall(d3d8::Call::Any, 3, E_FAIL);
    IDirect3DSurface8* level = nullptr;
    ASSERT_EQ(texture->GetSurfaceLevel(0, &level), D3D_OK); // 1
    D3DLOCKED_RECT locked;
    ASSERT_EQ(level->LockRect(&locked, nullptr, 0), D3D_OK); // 2
    level->UnlockRect();
    IDirect3DSurface8* image = nullptr;
    EXPECT_EQ(device->CreateImageSurface(4, 4, D3DFMT_A8R8G8B8, &image), E_FAIL); // 3
    EXPECT_EQ(image, nullptr);
    EXPECT_EQ(device->CreateImageSurface(4, 4, D3DFMT_A8R8G8B8, &image), D3D_OK);
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::Any), 4u);
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::CreateImageSurface), 2u);
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::GetSurfaceLevel), 1u);
    // Unlocking is not an injectable call.
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::LockRect), 1u);
    image->Release();
    level->Release();
}

TEST_F(DeviceFaults, ZeroDisarmsAndResetForgets)
{
    ComRef<IDirect3DSurface8> image = MakeImageSurface(4, 4, D3DFMT_A8R8G8B8);
    D3DLOCKED_RECT locked;
    d3d8::FailCall(d3d8::Call::LockRect, 1, E_FAIL);
    d3d8::FailCall(d3d8::Call::LockRect, 0, E_FAIL);
    EXPECT_EQ(image->LockRect(&locked, nullptr, 0), D3D_OK);
    image->UnlockRect();
    d3d8::FailCall(d3d8::Call::LockRect, 1, E_FAIL);
    d3d8::ResetFaults();
    EXPECT_EQ(d3d8::CallCount(d3d8::Call::LockRect), 0u);
    EXPECT_EQ(image->LockRect(&locked, nullptr, 0), D3D_OK);
    image->UnlockRect();
}

// The sweep the texture library runs, on the device alone: failing each
// call in turn of a fixed sequence leaves nothing alive or locked once the
// caller has cleaned up after the failure.
TEST_F(DeviceFaults, SweepOverASequenceLeavesNothingBehind)
{
    auto sequence = [this]() -> HRESULT {
        IDirect3DTexture8* texture = nullptr;
        HRESULT hr = device->CreateTexture(8, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture);
        if (FAILED(hr))
            return hr;
        IDirect3DSurface8* level = nullptr;
        IDirect3DSurface8* copy = nullptr;
        D3DLOCKED_RECT locked;
        if (SUCCEEDED(hr = texture->GetSurfaceLevel(1, &level)) &&
            SUCCEEDED(hr = device->CreateImageSurface(4, 4, D3DFMT_A8R8G8B8, &copy)) &&
            SUCCEEDED(hr = device->CopyRects(level, nullptr, 0, copy, nullptr)) &&
            SUCCEEDED(hr = copy->LockRect(&locked, nullptr, 0))) {
            copy->UnlockRect();
            hr = device->CopyRects(copy, nullptr, 0, level, nullptr);
        }
        if (copy != nullptr)
            copy->Release();
        if (level != nullptr)
            level->Release();
        texture->Release();
        return hr;
    };
    ASSERT_EQ(sequence(), D3D_OK);
    const unsigned calls = d3d8::CallCount(d3d8::Call::Any);
    ASSERT_EQ(calls, 6u);
    for (unsigned n = 1; n <= calls; ++n) {
        d3d8::ResetFaults();
        d3d8::FailCall(d3d8::Call::Any, n, E_OUTOFMEMORY);
        EXPECT_EQ(sequence(), E_OUTOFMEMORY) << "failing call " << n;
        EXPECT_EQ(d3d8::LiveObjects(), 1u) << "failing call " << n; // the device
        EXPECT_EQ(d3d8::LockedObjects(), 0u);
    }
}

} // namespace
