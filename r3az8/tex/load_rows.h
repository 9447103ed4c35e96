// Loading a band of rows: what LoadSurfaceFromMemory would write into rows
// FirstRow .. FirstRow + RowCount - 1 of a destination DestWidth x
// DestHeight, written to the caller's memory, without a destination of the
// whole size. A large image can so be resampled a few rows at a time, each
// band bit for bit the same rows of the whole load.
#pragma once

#include "r3az8/tex/filter.h"

// pDestRows receives RowCount rows, DestPitch bytes apart, in DestFormat,
// which has whole pixels of its own (not blocks, pixel pairs or palette
// indices). FirstRow is a multiple of 4 (the dither pattern's height). The
// source is the whole rectangle *pSrcRect of the memory at pSrcMemory;
// Filter and ColorKey mean what they mean to LoadSurfaceFromMemory, for a
// flat image. D3DERR_INVALIDCALL for arguments outside these rules, else
// what the load would return.
HRESULT LoadRowsFromMemory(void* pDestRows, D3DFORMAT DestFormat, UINT DestPitch, UINT DestWidth, UINT DestHeight,
                           UINT FirstRow, UINT RowCount, const void* pSrcMemory, D3DFORMAT SrcFormat, UINT SrcPitch,
                           const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect, DWORD Filter, D3DCOLOR ColorKey);
