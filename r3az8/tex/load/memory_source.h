// What the surface and volume loads share: checking the caller's arguments,
// and the two steps every load goes through, written once over the lock
// (SurfaceLock or VolumeLock) and the area type (RECT or D3DBOX).
#pragma once

#include "r3az8/tex/image_desc.h"
#include "r3az8/tex/load/lock_options.h"

#include <initializer_list>

struct NamedArgument {
    const void* pointer;
    const char* name;
};

// False, after printing "<name> pointer is invalid" for the first of them,
// when a required argument is null.
bool ArgumentsGiven(std::initializer_list<NamedArgument> arguments);

// The caller's memory area as a box; false, after printing "Invalid rect" or
// "Invalid source box", for one that is inverted or (a rectangle) negative.
// A caller's memory is trusted to be readable, but such an area would make
// the blit walk a wrapped-around size.
bool SourceBox(const RECT& rect, D3DBOX& box);
bool SourceBox(const D3DBOX& requested, D3DBOX& box);

// Describes the caller's memory as a source whose extent and region are
// `box` and blits it into dest (IMAGE_FILTER_DEFAULT meaning the loads'
// default filter); any success is reported as S_OK. The box must be well
// formed (no side inverted).
HRESULT BlitFromMemory(ImageDesc& dest, const void* pSrcMemory, D3DFORMAT format, UINT rowPitch, UINT slicePitch,
                       const D3DBOX& box, const PALETTEENTRY* pPalette, DWORD filter, D3DCOLOR colorKey);

// Locks `destArea` of the destination, then blits `srcArea` of the caller's
// memory into it. The source area is checked after the lock, so a bad
// destination area is the one reported.
template <class Lock, class Resource, class Area>
HRESULT LoadFromMemory(Resource* dest, const PALETTEENTRY* destPalette, const Area* destArea, const void* pSrcMemory,
                       D3DFORMAT srcFormat, UINT srcRowPitch, UINT srcSlicePitch, const PALETTEENTRY* srcPalette,
                       const Area& srcArea, DWORD filter, D3DCOLOR colorKey)
{
    Lock destLock;
    ImageDesc image{};
    const HRESULT locked = destLock.Lock(dest, destPalette, destArea, 0, image);
    if (FAILED(locked))
        return locked;
    D3DBOX srcBox;
    if (!SourceBox(srcArea, srcBox))
        return D3DERR_INVALIDCALL;
    const HRESULT blitted = BlitFromMemory(image, pSrcMemory, srcFormat, srcRowPitch, srcSlicePitch, srcBox,
                                           srcPalette, filter, colorKey);
    // A surface worked on through a copy holds the new pixels only once the
    // copy is written back; a load whose write-back failed did not happen.
    const HRESULT stored = destLock.Release();
    return FAILED(blitted) ? blitted : stored;
}

// Locks `srcArea` of the source for reading and has `load` take the locked
// pixels; any success is reported as S_OK. A resource loaded from itself
// asks for a snapshot, so that pixels written early cannot feed the ones
// written later (volumes have none: their destination lock then fails,
// "Could not lock volume").
template <class Lock, class Resource, class Area, class Load>
HRESULT LoadFromLockedSource(Resource* src, Resource* dest, const PALETTEENTRY* srcPalette, const Area* srcArea,
                             Load load)
{
    DWORD options = LOCK_READ_ONLY;
    if (src == dest)
        options |= LOCK_SEPARATE_COPY;
    Lock srcLock;
    ImageDesc image{};
    HRESULT hr = srcLock.Lock(src, srcPalette, srcArea, options, image);
    if (FAILED(hr))
        return hr;
    hr = load(image);
    return FAILED(hr) ? hr : S_OK;
}
