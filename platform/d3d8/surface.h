// Surfaces: texture and cube-texture levels, image surfaces and render
// targets. A level is part of its texture and shares its reference count,
// so GetSurfaceLevel is an AddRef on the texture; an image surface or render
// target stands alone (see device_child.h).
#pragma once

#include "d3d8.h"
#include "platform/d3d8/stored_child.h"

#include <memory>

namespace softd3d8 {

enum class SurfaceRole { TextureLevel, ImageSurface, RenderTarget };

struct SurfaceShape {
    const FormatLayout* layout;
    UINT width;
    UINT height;
    D3DPOOL pool;
    DWORD usage;
};

class Surface final : public StoredChild<IDirect3DSurface8> {
public:
    // A level of `container`, which answers GetContainer for IID_IUnknown,
    // IID_IDirect3DBaseTexture8 and `containerIid`.
    static HRESULT CreateLevel(IDirect3DDevice8* device, IDirect3DBaseTexture8* container, const IID& containerIid,
                               const SurfaceShape& shape, std::unique_ptr<Surface>& level);
    // A stand-alone surface holding its own reference on `device`.
    static HRESULT CreateStandAlone(IDirect3DDevice8* device, SurfaceRole role, const SurfaceShape& shape,
                                    bool lockable, IDirect3DSurface8** surface);
    HRESULT GetContainer(REFIID riid, void** ppContainer) override;
    HRESULT GetDesc(D3DSURFACE_DESC* pDesc) override;
    HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
    HRESULT UnlockRect() override;

    // LockRect without counting the call as injectable: the texture's own
    // LockRect has counted it already.
    HRESULT LockUncounted(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags);

    SurfaceRole Role() const { return role_; }
    bool StandAloneLockable() const { return standAloneLockable_; }

    // The surface behind an interface pointer, if it is one of ours.
    static Surface* FromInterface(IDirect3DSurface8* surface);

private:
    Surface(IDirect3DDevice8* device, IDirect3DBaseTexture8* container, const IID* containerIid, SurfaceRole role,
            const SurfaceShape& shape, LockRules rules, bool standAloneLockable);

    const IID* containerIid_; // null for a stand-alone surface
    SurfaceRole role_;
    bool standAloneLockable_;
};

// Converts a rectangle to the box the storage works with; false when it has
// negative coordinates.
bool RectToBox(const RECT& rect, D3DBOX& box);

} // namespace softd3d8
