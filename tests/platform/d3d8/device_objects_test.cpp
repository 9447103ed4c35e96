// Object identity: reference counts, containers, devices, types.
#include "tests/support/device_test.h"

namespace {

using DeviceObjects = DeviceTest;

TEST_F(DeviceObjects, LevelsShareTheTextureCount)
{
    IDirect3DTexture8* texture = MakeTexture(8, 8, 0, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8).Detach();
    // Device, texture and its four levels.
    EXPECT_EQ(d3d8::LiveObjects(), 6u);
    IDirect3DSurface8* level = nullptr;
    ASSERT_EQ(texture->GetSurfaceLevel(2, &level), D3D_OK);
    EXPECT_EQ(texture->AddRef(), 3u);
    EXPECT_EQ(texture->Release(), 2u);
    // Releasing the texture first leaves it alive through its level.
    EXPECT_EQ(texture->Release(), 1u);
    EXPECT_EQ(d3d8::LiveObjects(), 6u);
    D3DSURFACE_DESC desc;
    EXPECT_EQ(level->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Width, 2u);
    EXPECT_EQ(level->Release(), 0u);
    EXPECT_EQ(d3d8::LiveObjects(), 1u);
}

TEST_F(DeviceObjects, ResourcesKeepTheirDeviceAlive)
{
    IDirect3DTexture8* texture = MakeTexture(4, 4, 1, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8).Detach();
    IDirect3DSurface8* image = MakeImageSurface(4, 4, D3DFMT_A8R8G8B8).Detach();
    EXPECT_EQ(device.Detach()->Release(), 2u);
    IDirect3DDevice8* owner = nullptr;
    ASSERT_EQ(texture->GetDevice(&owner), D3D_OK);
    ASSERT_NE(owner, nullptr);
    EXPECT_EQ(owner->Release(), 2u);
    image->Release();
    EXPECT_EQ(d3d8::LiveObjects(), 3u); // device, texture, level
    texture->Release();
}

TEST_F(DeviceObjects, GetDeviceReturnsAReferencedDevice)
{
    IDirect3DSurface8* image = MakeImageSurface(4, 4, D3DFMT_A8R8G8B8).Detach();
    IDirect3DDevice8* owner = nullptr;
    ASSERT_EQ(image->GetDevice(&owner), D3D_OK);
    EXPECT_EQ(owner, device.Get());
    EXPECT_EQ(owner->Release(), 2u); // ours and the image's
    image->Release();
}

template <class Interface>
void ExpectContainer(IDirect3DSurface8* surface, REFIID riid, Interface* expected)
{
    void* container = nullptr;
    ASSERT_EQ(surface->GetContainer(riid, &container), D3D_OK);
    EXPECT_EQ(container, static_cast<void*>(expected));
    static_cast<IUnknown*>(container)->Release();
}

TEST_F(DeviceObjects, TextureLevelContainers)
{
    IDirect3DTexture8* texture = MakeTexture(4, 4, 2, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8).Detach();
    IDirect3DSurface8* level = nullptr;
    texture->GetSurfaceLevel(1, &level);
    ExpectContainer(level, IID_IDirect3DBaseTexture8, texture);
    ExpectContainer(level, IID_IDirect3DTexture8, texture);
    void* container = reinterpret_cast<void*>(1);
    EXPECT_EQ(level->GetContainer(IID_IDirect3DCubeTexture8, &container), E_NOINTERFACE);
    EXPECT_EQ(container, nullptr);
    EXPECT_EQ(level->GetContainer(IID_IDirect3DVolumeTexture8, &container), E_NOINTERFACE);
    level->Release();
    EXPECT_EQ(texture->Release(), 0u);
}

TEST_F(DeviceObjects, CubeLevelContainers)
{
    IDirect3DCubeTexture8* cube = nullptr;
    ASSERT_EQ(device->CreateCubeTexture(4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube), D3D_OK);
    IDirect3DSurface8* face = nullptr;
    cube->GetCubeMapSurface(D3DCUBEMAP_FACE_NEGATIVE_Z, 0, &face);
    ExpectContainer(face, IID_IDirect3DBaseTexture8, cube);
    ExpectContainer(face, IID_IDirect3DCubeTexture8, cube);
    void* container = nullptr;
    EXPECT_EQ(face->GetContainer(IID_IDirect3DTexture8, &container), E_NOINTERFACE);
    face->Release();
    EXPECT_EQ(cube->Release(), 0u);
}

TEST_F(DeviceObjects, VolumeLevelContainers)
{
    IDirect3DVolumeTexture8* texture = nullptr;
    ASSERT_EQ(device->CreateVolumeTexture(4, 4, 4, 2, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    IDirect3DVolume8* volume = nullptr;
    ASSERT_EQ(texture->GetVolumeLevel(1, &volume), D3D_OK);
    for (REFIID riid : {IID_IDirect3DBaseTexture8, IID_IDirect3DVolumeTexture8}) {
        void* container = nullptr;
        ASSERT_EQ(volume->GetContainer(riid, &container), D3D_OK);
        EXPECT_EQ(container, static_cast<void*>(texture));
        static_cast<IUnknown*>(container)->Release();
    }
    void* container = nullptr;
    EXPECT_EQ(volume->GetContainer(IID_IDirect3DTexture8, &container), E_NOINTERFACE);
    volume->Release();
    EXPECT_EQ(texture->Release(), 0u);
}

TEST_F(DeviceObjects, StandAloneSurfacesHaveNoContainer)
{
    IDirect3DSurface8* image = MakeImageSurface(4, 4, D3DFMT_A8R8G8B8).Detach();
    IDirect3DSurface8* target = nullptr;
    device->CreateRenderTarget(4, 4, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, FALSE, &target);
    for (IDirect3DSurface8* surface : {image, target}) {
        void* container = reinterpret_cast<void*>(1);
        EXPECT_EQ(surface->GetContainer(IID_IDirect3DBaseTexture8, &container), E_NOINTERFACE);
        EXPECT_EQ(container, nullptr);
        EXPECT_EQ(surface->GetContainer(IID_IDirect3DTexture8, &container), E_NOINTERFACE);
    }
    EXPECT_EQ(image->Release(), 0u);
    EXPECT_EQ(target->Release(), 0u);
}

TEST_F(DeviceObjects, TypesAndInterfaces)
{
    IDirect3DTexture8* texture = MakeTexture(4, 4, 1, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8).Detach();
    IDirect3DCubeTexture8* cube = nullptr;
    IDirect3DVolumeTexture8* volume = nullptr;
    IDirect3DVertexBuffer8* vertices = nullptr;
    IDirect3DIndexBuffer8* indices = nullptr;
    device->CreateCubeTexture(4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube);
    device->CreateVolumeTexture(4, 4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &volume);
    ASSERT_EQ(device->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &vertices), D3D_OK);
    ASSERT_EQ(device->CreateIndexBuffer(64, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices), D3D_OK);
    EXPECT_EQ(texture->GetType(), D3DRTYPE_TEXTURE);
    EXPECT_EQ(cube->GetType(), D3DRTYPE_CUBETEXTURE);
    EXPECT_EQ(volume->GetType(), D3DRTYPE_VOLUMETEXTURE);
    EXPECT_EQ(vertices->GetType(), D3DRTYPE_VERTEXBUFFER);
    EXPECT_EQ(indices->GetType(), D3DRTYPE_INDEXBUFFER);
    EXPECT_EQ(int(vertices->GetType()), 6);
    EXPECT_EQ(int(indices->GetType()), 7);

    void* asked = nullptr;
    ASSERT_EQ(texture->QueryInterface(IID_IDirect3DBaseTexture8, &asked), S_OK);
    EXPECT_EQ(asked, static_cast<void*>(texture));
    static_cast<IUnknown*>(asked)->Release();
    EXPECT_EQ(texture->QueryInterface(IID_IDirect3DCubeTexture8, &asked), E_NOINTERFACE);
    EXPECT_EQ(asked, nullptr);
    ASSERT_EQ(cube->QueryInterface(IID_IDirect3DCubeTexture8, &asked), S_OK);
    static_cast<IUnknown*>(asked)->Release();
    ASSERT_EQ(volume->QueryInterface(IID_IUnknown, &asked), S_OK);
    static_cast<IUnknown*>(asked)->Release();
    ASSERT_EQ(vertices->QueryInterface(IID_IUnknown, &asked), S_OK);
    static_cast<IUnknown*>(asked)->Release();
    EXPECT_EQ(indices->QueryInterface(IID_IDirect3DTexture8, &asked), E_NOINTERFACE);

    IDirect3DIndexBuffer8* badIndices = nullptr;
    EXPECT_EQ(device->CreateIndexBuffer(64, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &badIndices), D3DERR_INVALIDCALL);
    IDirect3DVertexBuffer8* empty = reinterpret_cast<IDirect3DVertexBuffer8*>(1);
    EXPECT_EQ(device->CreateVertexBuffer(0, 0, 0, D3DPOOL_MANAGED, &empty), D3DERR_INVALIDCALL);
    EXPECT_EQ(empty, nullptr);

    texture->Release();
    cube->Release();
    volume->Release();
    indices->Release();
    vertices->Release();
}

TEST_F(DeviceObjects, SurplusReleaseDoesNotDestroyTwice)
{
    IDirect3DSurface8* image = MakeImageSurface(4, 4, D3DFMT_A8R8G8B8).Detach();
    IDirect3DSurface8* other = MakeImageSurface(4, 4, D3DFMT_A8R8G8B8).Detach();
    EXPECT_EQ(image->AddRef(), 2u);
    EXPECT_EQ(image->Release(), 1u);
    EXPECT_EQ(image->Release(), 0u);
    other->Release();
}

} // namespace
