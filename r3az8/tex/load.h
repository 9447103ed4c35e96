// The texture library's entry points: loading surfaces and volumes from
// memory or from each other, and regenerating mip chains.
//
//   LoadSurfaceFromMemory   an image in memory into (a rectangle of) a surface
//   LoadSurfaceFromSurface  a surface, or a rectangle of it, into another
//   LoadVolumeFromMemory    a volume image in memory into (a box of) a volume
//   LoadVolumeFromVolume    a volume, or a box of it, into another
//   FilterTexture           the levels of a texture below one, each made anew
//
// A load converts between any two formats the library codes (the Direct3D
// 8 ones in d3d8.h, the library's own in pixel_formats.h; block formats are
// compressed with the fixed encoder) and resamples when the two rectangles
// differ in size, with the filter word of filter.h. A null destination
// rectangle or box means the whole surface or volume; the memory source's
// rectangle or box is required: pSrcMemory addresses its pixel (0, 0),
// SrcPitch is the distance between rows (rows of 4x4 blocks for block
// formats). Palettes (P8, A8P8) are 256 entries; null means none. A
// ColorKey other than 0 (an A8R8G8B8 value) turns source pixels of exactly
// that colour into transparent black. Every call returns S_OK, or
// D3DERR_INVALIDCALL for a missing pointer, a bad filter word or a
// rectangle outside its image, E_OUTOFMEMORY, or the device's failure.
#pragma once

#include "r3az8/tex/filter.h"

HRESULT LoadSurfaceFromMemory(IDirect3DSurface8* pDestSurface, const PALETTEENTRY* pDestPalette,
                              const RECT* pDestRect, const void* pSrcMemory, D3DFORMAT SrcFormat, UINT SrcPitch,
                              const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect, DWORD Filter,
                              D3DCOLOR ColorKey);

HRESULT LoadSurfaceFromSurface(IDirect3DSurface8* pDestSurface, const PALETTEENTRY* pDestPalette,
                               const RECT* pDestRect, IDirect3DSurface8* pSrcSurface,
                               const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect, DWORD Filter,
                               D3DCOLOR ColorKey);

HRESULT LoadVolumeFromMemory(IDirect3DVolume8* pDestVolume, const PALETTEENTRY* pDestPalette,
                             const D3DBOX* pDestBox, const void* pSrcMemory, D3DFORMAT SrcFormat, UINT SrcRowPitch,
                             UINT SrcSlicePitch, const PALETTEENTRY* pSrcPalette, const D3DBOX* pSrcBox,
                             DWORD Filter, D3DCOLOR ColorKey);

HRESULT LoadVolumeFromVolume(IDirect3DVolume8* pDestVolume, const PALETTEENTRY* pDestPalette,
                             const D3DBOX* pDestBox, IDirect3DVolume8* pSrcVolume, const PALETTEENTRY* pSrcPalette,
                             const D3DBOX* pSrcBox, DWORD Filter, D3DCOLOR ColorKey);

// Regenerates the levels below uSrcLevel (0xFFFFFFFF means 0) of a plain,
// cube or volume texture. Takes no reference on the texture.
HRESULT FilterTexture(IDirect3DBaseTexture8* pBaseTexture, const PALETTEENTRY* pPalette, UINT uSrcLevel,
                      DWORD Filter);
