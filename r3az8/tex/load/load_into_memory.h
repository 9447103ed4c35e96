// Loading into memory rather than into a surface: what LoadSurfaceFromMemory
// would write into the top rows of a surface of the destination's format,
// written to the caller's rows, with no device and no surface. A program
// that keeps its images in its own memory so converts them band by band
// without a surface for each band.
#pragma once

#include "r3az8/tex/filter.h"

// Whether LoadMemoryFromMemory takes the format: one of whole pixels of
// their own, or of 4x4 blocks (the block encoders then write them; not
// pixel pairs or palette indices).
bool LoadsIntoMemory(D3DFORMAT format);

// pDestMemory receives DestHeight rows of DestWidth pixels (of blocks, for
// a block format), DestPitch bytes apart, in DestFormat (LoadsIntoMemory):
// the rows LoadSurfaceFromMemory writes through a destination rectangle of
// those rows at the top of a surface SurfaceHeight rows high, whose other
// rows are zero. (A block image one or two rows high is encoded otherwise
// than the last one or two rows of a taller one: a surface 4 rows high
// keeps them the latter.) The source, filter and colour key mean what they
// mean to LoadSurfaceFromMemory, and the bytes are the same. For a block
// format the memory holds whole blocks, of which the rows written are the
// top; the rest of their rows read as whatever the blocks hold (zero, for
// the surface). D3DERR_INVALIDCALL for a missing pointer, an empty
// destination or one taller than the surface, a format LoadsIntoMemory
// refuses or an invalid rectangle or filter; else what the load would
// return.
HRESULT LoadMemoryFromMemory(void* pDestMemory, D3DFORMAT DestFormat, UINT DestPitch, UINT DestWidth,
                             UINT DestHeight, UINT SurfaceHeight, const void* pSrcMemory, D3DFORMAT SrcFormat,
                             UINT SrcPitch, const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect, DWORD Filter,
                             D3DCOLOR ColorKey);
