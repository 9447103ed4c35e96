#include "platform/d3d8/texture.h"

#include <new>

namespace softd3d8 {

// --- plain textures ---------------------------------------------------------------

Texture::Texture(IDirect3DDevice8* device, UINT levelCount)
    : TextureObject(device, ObjectKind::Texture, IID_IDirect3DTexture8, D3DRTYPE_TEXTURE, levelCount)
{
}

HRESULT Texture::Create(IDirect3DDevice8* device, UINT width, UINT height, UINT levels, DWORD usage,
                        D3DFORMAT format, D3DPOOL pool, IDirect3DTexture8** texture)
{
    const FormatLayout* layout;
    UINT levelCount;
    HRESULT result = CheckTextureRequest(width, height, 1, levels, usage, format, pool, layout, levelCount);
    if (FAILED(result))
        return result;
    std::unique_ptr<Texture> made(new (std::nothrow) Texture(device, levelCount));
    if (!made)
        return E_OUTOFMEMORY;
    made->usage_ = usage;
    made->pool_ = pool;
    made->levels_.resize(levelCount);
    for (UINT level = 0; level < levelCount; ++level) {
        SurfaceShape shape{layout, LevelSize(width, level), LevelSize(height, level), pool, usage};
        result = Surface::CreateLevel(device, made.get(), IID_IDirect3DTexture8, shape, made->levels_[level]);
        if (FAILED(result))
            return result;
    }
    *texture = made.release();
    return D3D_OK;
}

HRESULT Texture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc)
{
    Surface* surface = LevelAt(levels_, Level);
    return surface != nullptr ? surface->GetDesc(pDesc) : D3DERR_INVALIDCALL;
}

HRESULT Texture::GetSurfaceLevel(UINT Level, IDirect3DSurface8** ppSurfaceLevel)
{
    return HandOutLevel(d3d8::Call::GetSurfaceLevel, LevelAt(levels_, Level), ppSurfaceLevel);
}

HRESULT Texture::LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags)
{
    return LockLevel(d3d8::Call::LockRect, LevelAt(levels_, Level), pLockedRect, pRect, Flags);
}

HRESULT Texture::UnlockRect(UINT Level)
{
    Surface* surface = LevelAt(levels_, Level);
    return surface != nullptr ? surface->UnlockRect() : D3DERR_INVALIDCALL;
}

// --- cube textures ----------------------------------------------------------------

CubeTexture::CubeTexture(IDirect3DDevice8* device, UINT levelCount)
    : TextureObject(device, ObjectKind::CubeTexture, IID_IDirect3DCubeTexture8, D3DRTYPE_CUBETEXTURE, levelCount)
{
}

HRESULT CubeTexture::Create(IDirect3DDevice8* device, UINT edgeLength, UINT levels, DWORD usage, D3DFORMAT format,
                            D3DPOOL pool, IDirect3DCubeTexture8** texture)
{
    const FormatLayout* layout;
    UINT levelCount;
    HRESULT result =
        CheckTextureRequest(edgeLength, edgeLength, 1, levels, usage, format, pool, layout, levelCount);
    if (FAILED(result))
        return result;
    std::unique_ptr<CubeTexture> made(new (std::nothrow) CubeTexture(device, levelCount));
    if (!made)
        return E_OUTOFMEMORY;
    made->usage_ = usage;
    made->pool_ = pool;
    made->surfaces_.resize(size_t(kFaces) * levelCount);
    for (UINT face = 0; face < kFaces; ++face) {
        for (UINT level = 0; level < levelCount; ++level) {
            UINT edge = LevelSize(edgeLength, level);
            SurfaceShape shape{layout, edge, edge, pool, usage};
            result = Surface::CreateLevel(device, made.get(), IID_IDirect3DCubeTexture8, shape,
                                          made->surfaces_[size_t(face) * levelCount + level]);
            if (FAILED(result))
                return result;
        }
    }
    *texture = made.release();
    return D3D_OK;
}

Surface* CubeTexture::Find(D3DCUBEMAP_FACES face, UINT level) const
{
    if (DWORD(face) >= kFaces || level >= levelCount_)
        return nullptr;
    return surfaces_[size_t(face) * levelCount_ + level].get();
}

HRESULT CubeTexture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc)
{
    Surface* surface = Find(D3DCUBEMAP_FACE_POSITIVE_X, Level);
    return surface != nullptr ? surface->GetDesc(pDesc) : D3DERR_INVALIDCALL;
}

HRESULT CubeTexture::GetCubeMapSurface(D3DCUBEMAP_FACES FaceType, UINT Level, IDirect3DSurface8** ppCubeMapSurface)
{
    return HandOutLevel(d3d8::Call::GetCubeMapSurface, Find(FaceType, Level), ppCubeMapSurface);
}

HRESULT CubeTexture::LockRect(D3DCUBEMAP_FACES FaceType, UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                              DWORD Flags)
{
    return LockLevel(d3d8::Call::LockRect, Find(FaceType, Level), pLockedRect, pRect, Flags);
}

HRESULT CubeTexture::UnlockRect(D3DCUBEMAP_FACES FaceType, UINT Level)
{
    Surface* surface = Find(FaceType, Level);
    return surface != nullptr ? surface->UnlockRect() : D3DERR_INVALIDCALL;
}

} // namespace softd3d8
