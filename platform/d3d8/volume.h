// Volumes: the levels of a volume texture. Like texture levels they are
// parts of their texture and share its reference count (see device_child.h).
#pragma once

#include "d3d8.h"
#include "platform/d3d8/stored_child.h"

#include <memory>

namespace softd3d8 {

struct VolumeShape {
    const FormatLayout* layout;
    UINT width;
    UINT height;
    UINT depth;
    D3DPOOL pool;
    DWORD usage;
};

class Volume final : public StoredChild<IDirect3DVolume8> {
public:
    static HRESULT CreateLevel(IDirect3DDevice8* device, IDirect3DVolumeTexture8* container,
                               const VolumeShape& shape, std::unique_ptr<Volume>& level);

    HRESULT GetContainer(REFIID riid, void** ppContainer) override;
    HRESULT GetDesc(D3DVOLUME_DESC* pDesc) override;
    HRESULT LockBox(D3DLOCKED_BOX* pLockedVolume, const D3DBOX* pBox, DWORD Flags) override;
    HRESULT UnlockBox() override;

    // LockBox without counting the call (the texture's LockBox counted it).
    HRESULT LockUncounted(D3DLOCKED_BOX* lockedVolume, const D3DBOX* box, DWORD flags);

private:
    Volume(IDirect3DDevice8* device, IDirect3DVolumeTexture8* container, const VolumeShape& shape);
};

} // namespace softd3d8
