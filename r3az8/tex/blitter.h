// The blit engine: converts and resamples one image region into another.
//
// Blit builds a codec for each side and offers the pair to the operations
// below in a fixed order; the first that returns a non-negative result has
// done the work. Each operation declines with a negative result (E_FAIL when
// it does not apply, E_OUTOFMEMORY when a buffer cannot be had).
#pragma once

#include "image_desc.h"
#include "pixel_codec.h"

class Blitter {
public:
    Blitter();
    ~Blitter();
    Blitter(const Blitter&) = delete;
    Blitter& operator=(const Blitter&) = delete;

    // S_OK when an operation did the work; D3DERR_INVALIDCALL for an invalid
    // filter; E_FAIL for an unsupported format or when nothing accepts; the
    // conversion set-up's failure unchanged; E_OUTOFMEMORY when a codec lost
    // rows for want of its buffers (the destination is then partly written).
    // Writes dest.Dither.
    HRESULT Blit(ImageDesc& dest, const ImageDesc& src, DWORD filter);

    // Same size: raw row copy, block copy, decode-and-encode copy.
    HRESULT BlitSameFormat();
    HRESULT BlitSameFormatBlocks();
    HRESULT BlitConvert();

    // Resampling.
    HRESULT FilterNone();
    HRESULT FilterPoint();
    HRESULT FilterBox2D();
    HRESULT FilterBox3D();
    HRESULT FilterLinear2D();
    HRESULT FilterLinear3D();
    HRESULT FilterTriangle2D();
    HRESULT FilterTriangle3D();

    // Box halving on packed pixels of equal formats (no dithering).
    HRESULT BoxHalveA8R8G8B8();
    HRESULT BoxHalveX8R8G8B8();
    HRESULT BoxHalveR5G6B5();
    HRESULT BoxHalveX1R5G5B5();
    HRESULT BoxHalveA1R5G5B5();
    HRESULT BoxHalveA4R4G4B4();
    HRESULT BoxHalveR3G3B2();
    HRESULT BoxHalveA8();
    HRESULT BoxHalveA8R3G3B2();
    HRESULT BoxHalveX4R4G4B4();
    HRESULT BoxHalveA8L8();
    HRESULT BoxHalveA4L4();

    PixelCodec* pSrc;  // owned during Blit
    PixelCodec* pDest; // owned during Blit
    DWORD Filter;
};

// The operations in the order Blit offers them the pair. Cheap, exact ones
// come first (byte copy, same-size conversion), the specialised filters
// next, and the triangle filters last: they accept every size ratio and so
// serve as the fallback.
using BlitOperation = HRESULT (Blitter::*)();
inline constexpr BlitOperation BlitOperations[] = {
    &Blitter::BlitSameFormat,   &Blitter::BlitConvert,    &Blitter::FilterNone,       &Blitter::FilterPoint,
    &Blitter::FilterBox2D,      &Blitter::FilterBox3D,    &Blitter::FilterLinear2D,   &Blitter::FilterLinear3D,
    &Blitter::FilterTriangle2D, &Blitter::FilterTriangle3D,
};
