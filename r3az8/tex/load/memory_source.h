// What the surface and volume loads share once the destination is locked:
// checking the caller's arguments and blitting from the caller's memory.
#pragma once

#include "r3az8/tex/image_desc.h"

// False, after printing "<name> pointer is invalid", when a required
// argument is null.
bool ArgumentGiven(const void* pointer, const char* name);

// Describes the caller's memory as a source whose extent and region are
// `box` and blits it into dest; any success is reported as S_OK. The box
// must be well formed (no side inverted).
HRESULT BlitFromMemory(ImageDesc& dest, const void* pSrcMemory, D3DFORMAT format, UINT rowPitch, UINT slicePitch,
                       const D3DBOX& box, const PALETTEENTRY* pPalette, DWORD filter, D3DCOLOR colorKey);
