// The filter word and the description of one image in memory: the two
// records every layer of the texture library passes around.
#pragma once

#include "d3d8.h"

// --- filter word ----------------------------------------------------------------
// Filter type in the low 16 bits, flags above. Valid: type 1..5 and no bit of
// 0xFFF00000 set; the filters read the type from the low 8 bits.
#define IMAGE_FILTER_NONE 0x00000001u
#define IMAGE_FILTER_POINT 0x00000002u
#define IMAGE_FILTER_LINEAR 0x00000003u
#define IMAGE_FILTER_TRIANGLE 0x00000004u
#define IMAGE_FILTER_BOX 0x00000005u
#define IMAGE_FILTER_MIRROR_U 0x00010000u
#define IMAGE_FILTER_MIRROR_V 0x00020000u
#define IMAGE_FILTER_MIRROR_W 0x00040000u
#define IMAGE_FILTER_MIRROR (IMAGE_FILTER_MIRROR_U | IMAGE_FILTER_MIRROR_V | IMAGE_FILTER_MIRROR_W)
#define IMAGE_FILTER_DITHER 0x00080000u
#define IMAGE_FILTER_DEFAULT 0xFFFFFFFFu

// What the load operations use in place of IMAGE_FILTER_DEFAULT.
#define IMAGE_FILTER_LOAD_DEFAULT (IMAGE_FILTER_TRIANGLE | IMAGE_FILTER_DITHER)

// True when the word would be accepted by Blit.
inline bool IsValidFilter(DWORD filter)
{
    DWORD type = filter & 0xFFFFu;
    return type >= IMAGE_FILTER_NONE && type <= IMAGE_FILTER_BOX && (filter & 0xFFF00000u) == 0;
}

// The filter type as the filters read it.
inline DWORD FilterType(DWORD filter) { return filter & 0xFFu; }

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
