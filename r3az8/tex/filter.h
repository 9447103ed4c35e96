// The filter word that every load operation and FilterTexture take: the
// filter type in the low 16 bits, flags above.
//
//   IMAGE_FILTER_NONE       copies what overlaps, no resampling
//   IMAGE_FILTER_POINT      the nearest source pixel
//   IMAGE_FILTER_LINEAR     two taps per axis
//   IMAGE_FILTER_TRIANGLE   any size ratio, each source pixel weighed by how
//                           much of it a destination pixel covers
//   IMAGE_FILTER_BOX        means of 2x2 (volumes 2x2x2) pixels: exact halvings
//                           (a size that is not a halving falls to triangle)
//   | IMAGE_FILTER_MIRROR_U, _V, _W, IMAGE_FILTER_MIRROR
//                           that axis folds back at its edges instead of
//                           tiling (cube faces always fold back)
//   | IMAGE_FILTER_DITHER   ordered dither into formats of fewer bits
//   IMAGE_FILTER_DEFAULT    the operation chooses: the loads take
//                           IMAGE_FILTER_LOAD_DEFAULT; FilterTexture takes box
//                           for power-of-two sizes, else triangle with dither
//
// IsValidFilter says whether a word is accepted; the operations answer
// D3DERR_INVALIDCALL for one that is not.
#pragma once

#include "d3d8.h"

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

// Valid: type 1..5 and no bit of 0xFFF00000 set.
inline bool IsValidFilter(DWORD filter)
{
    DWORD type = filter & 0xFFFFu;
    return type >= IMAGE_FILTER_NONE && type <= IMAGE_FILTER_BOX && (filter & 0xFFF00000u) == 0;
}

// The filter type as the filters read it: the low 8 bits.
inline DWORD FilterType(DWORD filter) { return filter & 0xFFu; }
