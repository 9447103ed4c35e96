// A lock on a Direct3D 8 surface, described as an ImageDesc the blit engine
// can read or write.
//
// Surfaces that cannot be locked directly (default-pool texture levels, and
// stand-alone default-pool surfaces the device will not lock) are worked on
// through a system-memory copy: filled from the surface unless the whole
// surface is about to be overwritten, and written back when a writing lock
// is released. The object lives on the caller's stack; its destructor
// releases a lock still held, so every path out of the caller undoes it.
#pragma once

#include "com_ref.h"
#include "r3az8/tex/image_desc.h"
#include "r3az8/tex/load/lock_options.h"

class SurfaceLock {
public:
    SurfaceLock() = default;
    ~SurfaceLock() { Release(); }
    SurfaceLock(const SurfaceLock&) = delete;
    SurfaceLock& operator=(const SurfaceLock&) = delete;

    // Locks `rect` of `surface` (null: the whole surface) and fills `image`:
    // Extent is the whole surface, Region the rectangle in the coordinates
    // of image.pData, Dither 1, ColorKey 0, pPalette = `palette`. `options`
    // are LOCK_* bits. A lock still held is released first. Returns S_OK,
    // D3DERR_INVALIDCALL for a rectangle outside the surface or inverted
    // ("Invalid rect"), or the device's failure; after a failure nothing is
    // locked or held.
    HRESULT Lock(IDirect3DSurface8* surface, const PALETTEENTRY* palette, const RECT* rect, DWORD options,
                 ImageDesc& image);

    // Unlocks, writes a copy back to the surface after a writing lock and
    // gives back the copy and the device. Returns S_OK, or the device's
    // failure to write the copy back ("Update of vidmem texture failed"):
    // the surface then does not hold what was written through the lock.
    // Does nothing when nothing is locked.
    HRESULT Release();

private:
    enum class CopyUse { Direct, ThroughCopy };
    enum class CopyFill { Nothing, CurrentPixels };

    // Decides whether the surface needs a system-memory copy; `usage` may be
    // replaced by what the device's lockability query reports.
    static CopyUse ChooseCopyUse(IDirect3DSurface8* surface, const D3DSURFACE_DESC& desc, DWORD& usage);
    // Gets the device and makes the copy (kept in device_ and copy_, also on
    // failure, for Forget to give back).
    HRESULT MakeCopy(IDirect3DSurface8* surface, const D3DSURFACE_DESC& desc, CopyFill fill);
    void Forget();

    IDirect3DSurface8* surface_ = nullptr; // the caller's; no reference taken
    ComRef<IDirect3DSurface8> copy_;
    ComRef<IDirect3DDevice8> device_;
    DWORD options_ = 0;
};
