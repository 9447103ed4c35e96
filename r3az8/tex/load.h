// The texture library's entry points: loading surfaces and volumes from
// memory or from each other, and regenerating mip chains.
#pragma once

#include "image_desc.h"

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
