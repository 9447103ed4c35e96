// Plain textures: a chain of surfaces, level 0 the largest.
#pragma once

#include "platform/d3d8/surface.h"
#include "platform/d3d8/texture_object.h"

#include <memory>
#include <vector>

namespace softd3d8 {

class Texture final : public TextureObject<IDirect3DTexture8> {
public:
    static HRESULT Create(IDirect3DDevice8* device, UINT width, UINT height, UINT levels, DWORD usage,
                          D3DFORMAT format, D3DPOOL pool, IDirect3DTexture8** texture);

    HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
    HRESULT GetSurfaceLevel(UINT Level, IDirect3DSurface8** ppSurfaceLevel) override;
    HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
    HRESULT UnlockRect(UINT Level) override;

private:
    Texture(IDirect3DDevice8* device, UINT levelCount);

    std::vector<std::unique_ptr<Surface>> levels_;
};

class CubeTexture final : public TextureObject<IDirect3DCubeTexture8> {
public:
    static HRESULT Create(IDirect3DDevice8* device, UINT edgeLength, UINT levels, DWORD usage, D3DFORMAT format,
                          D3DPOOL pool, IDirect3DCubeTexture8** texture);

    HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
    HRESULT GetCubeMapSurface(D3DCUBEMAP_FACES FaceType, UINT Level, IDirect3DSurface8** ppCubeMapSurface) override;
    HRESULT LockRect(D3DCUBEMAP_FACES FaceType, UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                     DWORD Flags) override;
    HRESULT UnlockRect(D3DCUBEMAP_FACES FaceType, UINT Level) override;

private:
    CubeTexture(IDirect3DDevice8* device, UINT levelCount);
    // The level of a face, or null when either is out of range.
    Surface* Find(D3DCUBEMAP_FACES face, UINT level) const;

    static constexpr UINT kFaces = 6;
    std::vector<std::unique_ptr<Surface>> surfaces_; // face-major, in D3DCUBEMAP_FACES order
};

} // namespace softd3d8
