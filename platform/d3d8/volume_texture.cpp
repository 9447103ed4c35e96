#include "platform/d3d8/volume_texture.h"

#include <new>

namespace softd3d8 {

VolumeTexture::VolumeTexture(IDirect3DDevice8* device, UINT levelCount)
    : TextureObject(device, ObjectKind::VolumeTexture, IID_IDirect3DVolumeTexture8, D3DRTYPE_VOLUMETEXTURE,
                    levelCount)
{
}

HRESULT VolumeTexture::Create(IDirect3DDevice8* device, UINT width, UINT height, UINT depth, UINT levels,
                              DWORD usage, D3DFORMAT format, D3DPOOL pool, IDirect3DVolumeTexture8** texture)
{
    const FormatLayout* layout;
    UINT levelCount;
    HRESULT result = CheckTextureRequest(width, height, depth, levels, usage, format, pool, layout, levelCount);
    if (FAILED(result))
        return result;
    // Volumes cannot be render targets.
    if (usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL))
        return D3DERR_INVALIDCALL;
    std::unique_ptr<VolumeTexture> made(new (std::nothrow) VolumeTexture(device, levelCount));
    if (!made)
        return E_OUTOFMEMORY;
    made->usage_ = usage;
    made->pool_ = pool;
    made->levels_.resize(levelCount);
    for (UINT level = 0; level < levelCount; ++level) {
        VolumeShape shape{layout,          LevelSize(width, level), LevelSize(height, level),
                          LevelSize(depth, level), pool, usage};
        result = Volume::CreateLevel(device, made.get(), shape, made->levels_[level]);
        if (FAILED(result))
            return result;
    }
    *texture = made.release();
    return D3D_OK;
}

HRESULT VolumeTexture::GetLevelDesc(UINT Level, D3DVOLUME_DESC* pDesc)
{
    Volume* volume = LevelAt(levels_, Level);
    return volume != nullptr ? volume->GetDesc(pDesc) : D3DERR_INVALIDCALL;
}

HRESULT VolumeTexture::GetVolumeLevel(UINT Level, IDirect3DVolume8** ppVolumeLevel)
{
    return HandOutLevel(d3d8::Call::GetVolumeLevel, LevelAt(levels_, Level), ppVolumeLevel);
}

HRESULT VolumeTexture::LockBox(UINT Level, D3DLOCKED_BOX* pLockedVolume, const D3DBOX* pBox, DWORD Flags)
{
    return LockLevel(d3d8::Call::LockBox, LevelAt(levels_, Level), pLockedVolume, pBox, Flags);
}

HRESULT VolumeTexture::UnlockBox(UINT Level)
{
    Volume* volume = LevelAt(levels_, Level);
    return volume != nullptr ? volume->UnlockBox() : D3DERR_INVALIDCALL;
}

} // namespace softd3d8
