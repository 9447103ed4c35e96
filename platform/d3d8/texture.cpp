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
    return Assemble(new (std::nothrow) Texture(device, levelCount), usage, pool, texture, [&](Texture& made) {
        made.levels_.resize(levelCount);
        for (UINT level = 0; level < levelCount; ++level) {
            SurfaceShape shape{layout, LevelSize(width, level), LevelSize(height, level), pool, usage};
            HRESULT madeLevel =
                Surface::CreateLevel(device, &made, IID_IDirect3DTexture8, shape, made.levels_[level]);
            if (FAILED(madeLevel))
                return madeLevel;
        }
        return D3D_OK;
    });
}

HRESULT Texture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc)
{
    return DescribeLevel(LevelAt(levels_, Level), pDesc);
}

HRESULT Texture::GetSurfaceLevel(UINT Level, IDirect3DSurface8** ppSurfaceLevel)
{
    return HandOutLevel(d3d8::Call::GetSurfaceLevel, LevelAt(levels_, Level), ppSurfaceLevel);
}

HRESULT Texture::LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags)
{
    return CountedLock(d3d8::Call::LockRect, LevelAt(levels_, Level), pLockedRect, pRect, Flags);
}

HRESULT Texture::UnlockRect(UINT Level)
{
    return UnlockLevel(LevelAt(levels_, Level));
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
    return Assemble(new (std::nothrow) CubeTexture(device, levelCount), usage, pool, texture, [&](CubeTexture& made) {
        made.surfaces_.resize(size_t(kFaces) * levelCount);
        for (UINT face = 0; face < kFaces; ++face) {
            for (UINT level = 0; level < levelCount; ++level) {
                UINT edge = LevelSize(edgeLength, level);
                SurfaceShape shape{layout, edge, edge, pool, usage};
                HRESULT madeLevel = Surface::CreateLevel(device, &made, IID_IDirect3DCubeTexture8, shape,
                                                          made.surfaces_[size_t(face) * levelCount + level]);
                if (FAILED(madeLevel))
                    return madeLevel;
            }
        }
        return D3D_OK;
    });
}

Surface* CubeTexture::Find(D3DCUBEMAP_FACES face, UINT level) const
{
    if (DWORD(face) >= kFaces || level >= levelCount_)
        return nullptr;
    return surfaces_[size_t(face) * levelCount_ + level].get();
}

HRESULT CubeTexture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc)
{
    return DescribeLevel(Find(D3DCUBEMAP_FACE_POSITIVE_X, Level), pDesc);
}

HRESULT CubeTexture::GetCubeMapSurface(D3DCUBEMAP_FACES FaceType, UINT Level, IDirect3DSurface8** ppCubeMapSurface)
{
    return HandOutLevel(d3d8::Call::GetCubeMapSurface, Find(FaceType, Level), ppCubeMapSurface);
}

HRESULT CubeTexture::LockRect(D3DCUBEMAP_FACES FaceType, UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                              DWORD Flags)
{
    return CountedLock(d3d8::Call::LockRect, Find(FaceType, Level), pLockedRect, pRect, Flags);
}

HRESULT CubeTexture::UnlockRect(D3DCUBEMAP_FACES FaceType, UINT Level)
{
    return UnlockLevel(Find(FaceType, Level));
}

} // namespace softd3d8
