// Loading a surface from memory or from another surface.
#include "com_ref.h"
#include "r3az8/tex/debug.h"
#include "r3az8/tex/load.h"
#include "r3az8/tex/load/memory_source.h"
#include "r3az8/tex/load/muted_debug.h"
#include "r3az8/tex/load/surface_lock.h"

#include <cstring>

namespace {

// A caller's memory rectangle is trusted to be readable, but an inverted or
// negative one would make the blit walk a wrapped-around width.
bool RectWellFormed(const RECT& rect)
{
    return 0 <= rect.left && rect.left <= rect.right && 0 <= rect.top && rect.top <= rect.bottom;
}

bool SamePalette(const PALETTEENTRY* a, const PALETTEENTRY* b)
{
    if (a == b)
        return true;
    return a && b && std::memcmp(a, b, 256 * sizeof(PALETTEENTRY)) == 0;
}

// The rectangle a load works on: the given one, or the whole surface.
bool EffectiveRect(IDirect3DSurface8* surface, const RECT* rect, RECT& effective)
{
    if (rect) {
        effective = *rect;
        return true;
    }
    D3DSURFACE_DESC desc{};
    if (FAILED(surface->GetDesc(&desc)))
        return false;
    effective = {0, 0, LONG(desc.Width), LONG(desc.Height)};
    return true;
}

// Same-format surfaces of equal rectangle sizes can be copied by the device
// without locking either. Returns true when the device did the copy; a
// refusal (formats differ, a rectangle is out of range, ...) is expected
// and stays silent, and the caller goes the general way.
bool TryDeviceCopy(IDirect3DSurface8* destSurface, const PALETTEENTRY* destPalette, const RECT* destRect,
                   IDirect3DSurface8* srcSurface, const PALETTEENTRY* srcPalette, const RECT* srcRect, DWORD filter,
                   D3DCOLOR colorKey)
{
    if ((filter & 0xFFFFu) == IMAGE_FILTER_BOX || colorKey != 0 || !SamePalette(destPalette, srcPalette))
        return false;
    RECT dest;
    RECT src;
    if (!EffectiveRect(destSurface, destRect, dest) || !EffectiveRect(srcSurface, srcRect, src))
        return false;
    if (int64_t(dest.right) - dest.left != int64_t(src.right) - src.left ||
        int64_t(dest.bottom) - dest.top != int64_t(src.bottom) - src.top)
        return false;

    ComRef<IDirect3DDevice8> device;
    if (FAILED(srcSurface->GetDevice(device.Receive())) || !device)
        return false;
    const POINT destPoint = {dest.left, dest.top};
    HRESULT hr;
    {
        MutedDebug muted;
        hr = device->CopyRects(srcSurface, &src, 1, destSurface, &destPoint);
    }
    return SUCCEEDED(hr);
}

} // namespace

HRESULT LoadSurfaceFromMemory(IDirect3DSurface8* pDestSurface, const PALETTEENTRY* pDestPalette,
                              const RECT* pDestRect, const void* pSrcMemory, D3DFORMAT SrcFormat, UINT SrcPitch,
                              const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect, DWORD Filter,
                              D3DCOLOR ColorKey)
{
    if (!ArgumentGiven(pDestSurface, "pDestSurface"))
        return D3DERR_INVALIDCALL;
    if (!ArgumentGiven(pSrcMemory, "pSrcMemory"))
        return D3DERR_INVALIDCALL;
    if (!ArgumentGiven(pSrcRect, "pSrcRect"))
        return D3DERR_INVALIDCALL;
    if (Filter == IMAGE_FILTER_DEFAULT)
        Filter = IMAGE_FILTER_LOAD_DEFAULT;

    SurfaceLock destLock;
    ImageDesc dest{};
    HRESULT hr = destLock.Lock(pDestSurface, pDestPalette, pDestRect, 0, dest);
    if (FAILED(hr))
        return hr;

    if (!RectWellFormed(*pSrcRect)) {
        DebugPrintf(0, "Invalid rect");
        return D3DERR_INVALIDCALL;
    }
    const D3DBOX srcBox = {UINT(pSrcRect->left), UINT(pSrcRect->top), UINT(pSrcRect->right), UINT(pSrcRect->bottom),
                           0, 1};
    const HRESULT blitted = BlitFromMemory(dest, pSrcMemory, SrcFormat, SrcPitch, 0, srcBox, pSrcPalette, Filter,
                                           ColorKey);
    // A surface worked on through a copy holds the new pixels only once the
    // copy is written back; a load whose write-back failed did not happen.
    const HRESULT stored = destLock.Release();
    return FAILED(blitted) ? blitted : stored;
}

HRESULT LoadSurfaceFromSurface(IDirect3DSurface8* pDestSurface, const PALETTEENTRY* pDestPalette,
                               const RECT* pDestRect, IDirect3DSurface8* pSrcSurface,
                               const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect, DWORD Filter,
                               D3DCOLOR ColorKey)
{
    if (!ArgumentGiven(pDestSurface, "pDestSurface"))
        return D3DERR_INVALIDCALL;
    if (!ArgumentGiven(pSrcSurface, "pSrcSurface"))
        return D3DERR_INVALIDCALL;

    if (TryDeviceCopy(pDestSurface, pDestPalette, pDestRect, pSrcSurface, pSrcPalette, pSrcRect, Filter, ColorKey))
        return S_OK;

    // Loading a surface from itself reads a snapshot, so pixels written
    // early cannot feed the ones written later.
    DWORD options = LOCK_READ_ONLY;
    if (pSrcSurface == pDestSurface)
        options |= LOCK_SEPARATE_COPY;
    SurfaceLock srcLock;
    ImageDesc src{};
    HRESULT hr = srcLock.Lock(pSrcSurface, pSrcPalette, pSrcRect, options, src);
    if (FAILED(hr))
        return hr;

    const RECT srcRect = {LONG(src.Region.Left), LONG(src.Region.Top), LONG(src.Region.Right),
                          LONG(src.Region.Bottom)};
    hr = LoadSurfaceFromMemory(pDestSurface, pDestPalette, pDestRect, src.pData, src.Format, src.RowPitch, pSrcPalette,
                               &srcRect, Filter, ColorKey);
    return FAILED(hr) ? hr : S_OK;
}
