// Loading into memory rather than into a surface: what LoadSurfaceFromMemory
// would write into a whole surface of the destination's format and size,
// written to the caller's rows, with no device and no surface. A program
// that keeps its images in its own memory so converts them band by band
// without a surface for each band.
#pragma once

#include "r3az8/tex/filter.h"

// Whether LoadMemoryFromMemory writes the format: one of whole pixels of
// their own (not blocks, pixel pairs or palette indices).
bool LoadsIntoMemory(D3DFORMAT format);

// pDestMemory receives DestHeight rows of DestWidth pixels, DestPitch bytes
// apart, in DestFormat (LoadsIntoMemory). The source, filter and colour key
// mean what they mean to LoadSurfaceFromMemory with the whole destination
// as its rectangle, and the bytes are the same. D3DERR_INVALIDCALL for a
// missing pointer, an empty destination, a format LoadsIntoMemory refuses
// or an invalid rectangle or filter; else what the load would return.
HRESULT LoadMemoryFromMemory(void* pDestMemory, D3DFORMAT DestFormat, UINT DestPitch, UINT DestWidth,
                             UINT DestHeight, const void* pSrcMemory, D3DFORMAT SrcFormat, UINT SrcPitch,
                             const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect, DWORD Filter,
                             D3DCOLOR ColorKey);
