// Surfaces: texture and cube-texture levels, image surfaces and render
// targets.
//
// Reference counting: a level surface has no count of its own. It is made
// and destroyed with its texture, and its AddRef and Release act on the
// texture's count, so holding a level keeps the whole texture (and with it
// the level) alive, and GetSurfaceLevel is an AddRef on the texture. A
// stand-alone surface (image surface, render target) has its own count.
// Every texture and stand-alone surface holds one reference on its device.
#pragma once

#include "d3d8.h"
#include "platform/d3d8/image_storage.h"
#include "platform/d3d8/object_registry.h"
#include "platform/d3d8/reference_count.h"

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

class Surface final : public IDirect3DSurface8 {
public:
    // A level of `container`, which answers GetContainer for IID_IUnknown,
    // IID_IDirect3DBaseTexture8 and `containerIid`.
    static HRESULT CreateLevel(IDirect3DDevice8* device, IDirect3DBaseTexture8* container, const IID& containerIid,
                               const SurfaceShape& shape, std::unique_ptr<Surface>& level);
    // A stand-alone surface holding its own reference on `device`.
    static HRESULT CreateStandAlone(IDirect3DDevice8* device, SurfaceRole role, const SurfaceShape& shape,
                                    bool lockable, IDirect3DSurface8** surface);
    ~Surface();

    HRESULT QueryInterface(REFIID riid, void** ppvObj) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice8** ppDevice) override;
    HRESULT GetContainer(REFIID riid, void** ppContainer) override;
    HRESULT GetDesc(D3DSURFACE_DESC* pDesc) override;
    HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
    HRESULT UnlockRect() override;

    // LockRect without counting the call as injectable: the texture's own
    // LockRect has counted it already.
    HRESULT LockUncounted(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags);

    ImageStorage& Storage() { return storage_; }
    SurfaceRole Role() const { return role_; }
    bool StandAloneLockable() const { return standAloneLockable_; }
    DWORD Usage() const { return usage_; }

    // The surface behind an interface pointer, if it is one of ours.
    static Surface* FromInterface(IDirect3DSurface8* surface);

private:
    Surface(IDirect3DDevice8* device, IDirect3DBaseTexture8* container, const IID* containerIid, SurfaceRole role,
            const SurfaceShape& shape, LockRules rules, bool standAloneLockable);

    Registration registration_;
    IDirect3DDevice8* device_;
    IDirect3DBaseTexture8* container_; // null for a stand-alone surface
    const IID* containerIid_;
    SurfaceRole role_;
    D3DPOOL pool_;
    DWORD usage_;
    bool standAloneLockable_;
    ReferenceCount references_; // stand-alone surfaces only
    ImageStorage storage_;
};

// Converts a rectangle to the box the storage works with; false when it has
// negative coordinates.
bool RectToBox(const RECT& rect, D3DBOX& box);

} // namespace softd3d8
