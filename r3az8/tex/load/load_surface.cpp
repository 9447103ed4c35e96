// Loading a surface from memory or from another surface.
#include "com_ref.h"
#include "r3az8/tex/load.h"
#include "r3az8/tex/load/memory_source.h"
#include "r3az8/tex/load/muted_debug.h"
#include "r3az8/tex/load/surface_lock.h"

#include <cstring>

namespace {

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
    if (!ArgumentsGiven({{pDestSurface, "pDestSurface"}, {pSrcMemory, "pSrcMemory"}, {pSrcRect, "pSrcRect"}}))
        return D3DERR_INVALIDCALL;
    return LoadFromMemory<SurfaceLock>(pDestSurface, pDestPalette, pDestRect, pSrcMemory, SrcFormat, SrcPitch, 0,
                                       pSrcPalette, *pSrcRect, Filter, ColorKey);
}

HRESULT LoadSurfaceFromSurface(IDirect3DSurface8* pDestSurface, const PALETTEENTRY* pDestPalette,
                               const RECT* pDestRect, IDirect3DSurface8* pSrcSurface,
                               const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect, DWORD Filter,
                               D3DCOLOR ColorKey)
{
    if (!ArgumentsGiven({{pDestSurface, "pDestSurface"}, {pSrcSurface, "pSrcSurface"}}))
        return D3DERR_INVALIDCALL;
    if (TryDeviceCopy(pDestSurface, pDestPalette, pDestRect, pSrcSurface, pSrcPalette, pSrcRect, Filter, ColorKey))
        return S_OK;
    return LoadFromLockedSource<SurfaceLock>(pSrcSurface, pDestSurface, pSrcPalette, pSrcRect, [&](ImageDesc& src) {
        const RECT srcRect = {LONG(src.Region.Left), LONG(src.Region.Top), LONG(src.Region.Right),
                              LONG(src.Region.Bottom)};
        return LoadSurfaceFromMemory(pDestSurface, pDestPalette, pDestRect, src.pData, src.Format, src.RowPitch,
                                     pSrcPalette, &srcRect, Filter, ColorKey);
    });
}
