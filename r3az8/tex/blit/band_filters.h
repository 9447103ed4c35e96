// Filters that make one band of a destination's rows: rows first ..
// first + band.Height - 1 of a destination destHeight rows high and
// band.Width wide, read from the whole source, exactly as the whole-image
// filter of the same word writes those rows. `band` describes the band's
// rows only; first is a multiple of 4, so the dither pattern lines up.
// Flat images only (one slice on either side).
#pragma once

#include "r3az8/tex/pixel_codec.h"

// IMAGE_FILTER_NONE: the overlapping part copied, the rest transparent black.
HRESULT FilterNoneBand(PixelCodec& src, PixelCodec& band, UINT first, UINT destHeight);
// IMAGE_FILTER_POINT.
HRESULT FilterPointBand(PixelCodec& src, PixelCodec& band, UINT first, UINT destHeight);
// IMAGE_FILTER_LINEAR, with the filter word's edge flags.
HRESULT FilterLinearBand(PixelCodec& src, PixelCodec& band, UINT first, UINT destHeight, DWORD filter);
// IMAGE_FILTER_TRIANGLE (and the box filter where it does not halve), with
// the filter word's edge flags. Only the source rows whose tents reach the
// band are read.
HRESULT FilterTriangleBand(PixelCodec& src, PixelCodec& band, UINT first, UINT destHeight, DWORD filter);
