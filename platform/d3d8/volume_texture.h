// Volume textures: a chain of volumes, every dimension halving per level.
#pragma once

#include "platform/d3d8/texture_object.h"
#include "platform/d3d8/volume.h"

#include <memory>
#include <vector>

namespace softd3d8 {

class VolumeTexture final : public TextureObject<IDirect3DVolumeTexture8> {
public:
    static HRESULT Create(IDirect3DDevice8* device, UINT width, UINT height, UINT depth, UINT levels, DWORD usage,
                          D3DFORMAT format, D3DPOOL pool, IDirect3DVolumeTexture8** texture);

    HRESULT GetLevelDesc(UINT Level, D3DVOLUME_DESC* pDesc) override;
    HRESULT GetVolumeLevel(UINT Level, IDirect3DVolume8** ppVolumeLevel) override;
    HRESULT LockBox(UINT Level, D3DLOCKED_BOX* pLockedVolume, const D3DBOX* pBox, DWORD Flags) override;
    HRESULT UnlockBox(UINT Level) override;

private:
    VolumeTexture(IDirect3DDevice8* device, UINT levelCount);

    std::vector<std::unique_ptr<Volume>> levels_;
};

} // namespace softd3d8
