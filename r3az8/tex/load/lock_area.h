// Which part of a surface or volume a lock has to cover: formats that store
// pixels in groups (DXT 4x4 blocks, YUV 2x1 pairs) can only be locked on
// whole groups.
#pragma once

#include "d3d8.h"
#include "r3az8/tex/image_desc.h"

// Pixels across and down one stored group of the format.
struct StorageUnit {
    UINT width;
    UINT height;
};
StorageUnit StorageUnitOf(D3DFORMAT format);

// Rounds up to whole groups across and down (the size of a DXT surface's
// system-memory copy).
UINT RoundUpToUnits(UINT size, UINT unit);

struct LockArea {
    D3DBOX box;  // the area to lock
    bool whole;  // it is the whole resource: lock without a rectangle or box
};

// Widens `wanted` to whole storage units of `format` (left and top down,
// right and bottom up; front and back are never widened), clamps right and
// bottom to those of `whole`, and tells whether the result is `whole`.
// `wanted` must lie inside `whole`.
LockArea WidenToStorageUnits(D3DFORMAT format, const D3DBOX& wanted, const D3DBOX& whole);

bool SameBox(const D3DBOX& a, const D3DBOX& b);

// The part of `whole` a lock is asked for: all of it when `requested` is
// null. False for a box that is inverted or reaches outside `whole`;
// `partial` tells whether the region is less than the whole.
bool ChooseRegion(const D3DBOX* requested, const D3DBOX& whole, D3DBOX& region, bool& partial);

// What a lock gives the blit: `bits` addresses the corner of the locked
// `area`, so Region is `region` moved to that corner; Extent is `whole`,
// Dither 1, ColorKey 0.
void DescribeLockedImage(void* bits, UINT rowPitch, UINT slicePitch, D3DFORMAT format, const D3DBOX& whole,
                         D3DBOX region, const LockArea& area, const PALETTEENTRY* palette, ImageDesc& image);

// The 4x4 block formats (DXT1 to DXT5, BC6H, BC7, RXGB): their
// system-memory copies are made in whole blocks.
bool IsDxtFormat(D3DFORMAT format);
