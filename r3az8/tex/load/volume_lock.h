// A lock on a Direct3D 8 volume, described as an ImageDesc the blit engine
// can read or write. Volumes have no system-memory copy on the device: a
// volume the device will not lock is refused. The object lives on the
// caller's stack; its destructor releases a lock still held.
#pragma once

#include "r3az8/tex/image_desc.h"
#include "r3az8/tex/load/lock_options.h"

class VolumeLock {
public:
    VolumeLock() = default;
    ~VolumeLock() { Release(); }
    VolumeLock(const VolumeLock&) = delete;
    VolumeLock& operator=(const VolumeLock&) = delete;

    // Locks `box` of `volume` (null: the whole volume) and fills `image`:
    // Extent is the whole volume, Region the box in the coordinates of
    // image.pData, Dither 1, ColorKey 0, pPalette = `palette`. `options` are
    // LOCK_* bits; LOCK_SEPARATE_COPY is ignored. A lock still held is
    // released first. Returns S_OK, D3DERR_INVALIDCALL for a box outside the
    // volume or inverted ("Invalid source box", destination boxes included)
    // or for a default-pool volume that is not dynamic, or the device's
    // failure ("Could not lock volume"); after a failure nothing is locked.
    HRESULT Lock(IDirect3DVolume8* volume, const PALETTEENTRY* palette, const D3DBOX* box, DWORD options,
                 ImageDesc& image);

    // Unlocks; S_OK (a volume is never worked on through a copy, so there
    // is nothing to write back). Does nothing when nothing is locked.
    HRESULT Release();

private:
    IDirect3DVolume8* volume_ = nullptr; // the caller's; no reference taken
};
