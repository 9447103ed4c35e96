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
    return Assemble(new (std::nothrow) VolumeTexture(device, levelCount), usage, pool, texture,
                    [&](VolumeTexture& made) {
                        made.levels_.resize(levelCount);
                        for (UINT level = 0; level < levelCount; ++level) {
                            VolumeShape shape{layout, LevelSize(width, level), LevelSize(height, level),
                                              LevelSize(depth, level), pool, usage};
                            HRESULT madeLevel = Volume::CreateLevel(device, &made, shape, made.levels_[level]);
                            if (FAILED(madeLevel))
                                return madeLevel;
                        }
                        return D3D_OK;
                    });
}

HRESULT VolumeTexture::GetLevelDesc(UINT Level, D3DVOLUME_DESC* pDesc)
{
    return DescribeLevel(LevelAt(levels_, Level), pDesc);
}

HRESULT VolumeTexture::GetVolumeLevel(UINT Level, IDirect3DVolume8** ppVolumeLevel)
{
    return HandOutLevel(d3d8::Call::GetVolumeLevel, LevelAt(levels_, Level), ppVolumeLevel);
}

HRESULT VolumeTexture::LockBox(UINT Level, D3DLOCKED_BOX* pLockedVolume, const D3DBOX* pBox, DWORD Flags)
{
    return CountedLock(d3d8::Call::LockBox, LevelAt(levels_, Level), pLockedVolume, pBox, Flags);
}

HRESULT VolumeTexture::UnlockBox(UINT Level)
{
    return UnlockLevel(LevelAt(levels_, Level));
}

} // namespace softd3d8
