// The filter word (filter.h) and the description of one image in memory:
// the two records every layer of the texture library passes around.
#pragma once

#include "d3d8.h"
#include "r3az8/tex/filter.h"

// --- image descriptor --------------------------------------------------------------
// pData addresses pixel (0,0,0) of the coordinates in which Extent and Region
// are given. For DXT formats RowPitch is the distance between rows of 4x4
// blocks, and Extent.Right/Bottom give the stored image's width and height.
struct ImageDesc {
    void* pData;
    D3DFORMAT Format;
    UINT RowPitch;
    UINT SlicePitch;
    D3DBOX Extent;
    D3DBOX Region;
    DWORD Dither;
    D3DCOLOR ColorKey;
    const PALETTEENTRY* pPalette;
};
