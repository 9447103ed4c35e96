// Which part of a surface or volume a lock has to cover: formats that store
// pixels in groups (DXT 4x4 blocks, YUV 2x1 pairs) can only be locked on
// whole groups.
#pragma once

#include "d3d8.h"

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

// The 4x4 block formats (DXT1 to DXT5, BC6H, BC7, RXGB): their
// system-memory copies are made in whole blocks.
bool IsDxtFormat(D3DFORMAT format);
