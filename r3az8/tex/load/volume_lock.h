// A lock on a Direct3D 8 volume, described as an ImageDesc the blit engine
// can read or write. Volumes have no system-memory copy on the device: a
// volume the device will not lock is refused. The object lives on the
// caller's stack; its destructor releases a lock still held.
#pragma once

#include "r3az8/tex/image_desc.h"
#include "r3az8/tex/load/lock_options.h"
#include "r3az8/tex/working_memory.h"

class VolumeLock {
public:
    VolumeLock() = default;
    ~VolumeLock() { Release(); }
    VolumeLock(const VolumeLock&) = delete;
    VolumeLock& operator=(const VolumeLock&) = delete;

    // Locks `box` of `volume` (null: the whole volume) and fills `image`:
    // Extent is the whole volume, Region the box in the coordinates of
    // image.pData, Dither 1, ColorKey 0, pPalette = `palette`. `options` are
    // LOCK_* bits. LOCK_SEPARATE_COPY with LOCK_READ_ONLY describes a
    // snapshot in working memory instead and unlocks the volume at once, so
    // the same volume can be locked again as the destination. A lock still
    // held is released first. Returns S_OK, D3DERR_INVALIDCALL for a box
    // outside the volume or inverted ("Invalid source box", destination
    // boxes included) or for a default-pool volume that is not dynamic,
    // E_OUTOFMEMORY when a snapshot cannot be had, or the device's failure;
    // after a failure nothing is locked.
    HRESULT Lock(IDirect3DVolume8* volume, const PALETTEENTRY* palette, const D3DBOX* box, DWORD options,
                 ImageDesc& image);

    // Unlocks. Does nothing when nothing is locked.
    void Release();

private:
    HRESULT TakeSnapshot(const D3DLOCKED_BOX& locked, UINT depth);

    IDirect3DVolume8* volume_ = nullptr; // the caller's; no reference taken
    WorkingArray<BYTE> snapshot_;
};
